#include "ZULAtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

// The file a link points to, or the path itself.
std::string resolveLink(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return path;
    }
    std::string resolved = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        resolved = real;
        std::free(real);
    }
    return resolved;
}

bool isDeviceOrFifo(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

// "<folder>/.tavo" for a target whose own name leaves no room for a suffix.
std::string shortBase(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".tavo";
}

// A run killed while writing leaves its temporary file ("<name>.tmp" and
// eight of [0-9a-z]) behind.  The next write of the same name removes such
// leftovers: files of exactly that form, last changed before this process
// started and not locked (every writer holds a lock on its temporary file
// while it writes, so a concurrent run's file is never taken).  Each folder
// is read once per process, so filling a folder stays linear.
const std::time_t kProcessStart = std::time(nullptr);

bool isTempSuffix(const std::string& name, std::size_t at)
{
    if (name.size() != at + 4 + 8 || name.compare(at, 4, ".tmp") != 0) {
        return false;
    }
    for (std::size_t i = at + 4; i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))) {
            return false;
        }
    }
    return true;
}

struct Leftovers {
    std::mutex mutex;
    std::set<std::string> folders;                                 // read already
    std::map<std::string, std::vector<std::string>> byTarget;     // target path -> leftovers
};

Leftovers& leftovers()
{
    static Leftovers instance;
    return instance;
}

void removeLeftovers(const std::string& target)
{
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    Leftovers& all = leftovers();
    std::lock_guard<std::mutex> guard(all.mutex);
    if (all.folders.insert(folder).second) {
        if (DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str())) {
            while (const dirent* entry = ::readdir(dir)) {
                const std::string name = entry->d_name;
                if (name.size() <= 12 || !isTempSuffix(name, name.size() - 12)) {
                    continue;
                }
                struct stat st {};
                const std::string path = folder + name;
                if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_mtime < kProcessStart) {
                    all.byTarget[folder + name.substr(0, name.size() - 12)].push_back(path);
                }
            }
            ::closedir(dir);
        }
    }
    const auto found = all.byTarget.find(target);
    if (found == all.byTarget.end()) {
        return;
    }
    for (const std::string& path : found->second) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_mtime < kProcessStart &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlink(path.c_str());
        }
        ::close(fd);
    }
    all.byTarget.erase(found);
}

}  // namespace

ZULAtomicFile::ZULAtomicFile(const std::string& target) : m_target(target)
{
    zulOpen();
}

ZULAtomicFile::ZULAtomicFile(const std::string& target, const char* source, const char* method)
    : m_target(target), m_source(source), m_method(method)
{
    zulOpen();
    if (m_fd < 0) {
        throw ZULException(1, ZULFileSupport::zulText(method, "Could not open for writing"), source,
                           source != nullptr ? __LINE__ : 0);
    }
}

void ZULAtomicFile::zulOpen()
{
    m_destination = resolveLink(m_target);
    if (isDeviceOrFifo(m_destination)) {
        m_inPlace = true;
        m_temp = m_destination;
        m_fd = ::open(m_temp.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        m_error = m_fd < 0 ? errno : 0;
        return;
    }
    // The name is random and created exclusively; the mode 0666 lets the
    // process umask decide the permissions of a new file.
    removeLeftovers(m_destination);
    std::random_device seed;
    std::mt19937 generator(seed());
    std::string base = m_destination;
    for (int attempt = 0; attempt < 64; ++attempt) {
        std::string candidate = base + randomSuffix(generator);
        m_fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_temp = std::move(candidate);
            m_error = 0;
            ::flock(m_fd, LOCK_EX | LOCK_NB);  // marks the file as in use (removeLeftovers)
            return;
        }
        m_error = errno;
        if (m_error == ENAMETOOLONG && base == m_destination) {
            base = shortBase(m_destination);
        } else if (m_error != EEXIST) {
            return;
        }
    }
}

ZULAtomicFile::~ZULAtomicFile()
{
    if (!m_committed) {
        zulDiscard();
    }
}

void ZULAtomicFile::zulDiscard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_inPlace && !m_temp.empty()) {
        std::remove(m_temp.c_str());
        m_temp.clear();
    }
}

int ZULAtomicFile::zulFinish()
{
    int error = m_fd < 0 ? (m_error != 0 ? m_error : EBADF) : 0;
    if (m_fd >= 0 && ::close(m_fd) != 0) {
        error = errno;
    }
    m_fd = -1;
    if (error == 0 && !m_inPlace) {
        struct stat existing {};
        if (::stat(m_destination.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
            ::chmod(m_temp.c_str(), existing.st_mode & 07777);
        }
        if (std::rename(m_temp.c_str(), m_destination.c_str()) != 0) {
            error = errno;
        }
    }
    if (error != 0) {
        zulDiscard();
        return error;
    }
    m_committed = true;
    return 0;
}

void ZULAtomicFile::zulCommit()
{
    if (zulFinish() != 0) {
        throw ZULException(1, ZULFileSupport::zulText(m_method, "Could not write the file"), m_source,
                           m_source != nullptr ? __LINE__ : 0);
    }
}
