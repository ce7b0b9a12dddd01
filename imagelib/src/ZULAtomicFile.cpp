#include "ZULAtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "ZULException.h"
#include "ZULFileSupport.h"

namespace {

std::string randomSuffix(std::mt19937& generator)
{
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::uniform_int_distribution<int> pick(0, 35);
    std::string suffix = ".tmp";
    for (int i = 0; i < 8; ++i) {
        suffix += kDigits[pick(generator)];
    }
    return suffix;
}

}  // namespace

ZULAtomicFile::ZULAtomicFile(const std::string& target, const char* source, const char* method)
    : m_target(target), m_source(source), m_method(method)
{
    // The name is random and created exclusively; the mode 0666 lets the
    // process umask decide the permissions of a new file.
    std::random_device seed;
    std::mt19937 generator(seed());
    for (int attempt = 0; attempt < 64; ++attempt) {
        std::string candidate = target + randomSuffix(generator);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            m_temp = std::move(candidate);
            return;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    throw ZULException(1, ZULFileSupport::zulText(method, "Could not open for writing"), source,
                       source != nullptr ? __LINE__ : 0);
}

ZULAtomicFile::~ZULAtomicFile()
{
    if (!m_committed && !m_temp.empty()) {
        std::remove(m_temp.c_str());
    }
}

void ZULAtomicFile::zulCommit()
{
    struct stat existing {};
    if (::stat(m_target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ::chmod(m_temp.c_str(), existing.st_mode & 07777);
    }
    if (std::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        throw ZULException(1, ZULFileSupport::zulText(m_method, "Could not write the file"), m_source,
                           m_source != nullptr ? __LINE__ : 0);
    }
    m_committed = true;
}
