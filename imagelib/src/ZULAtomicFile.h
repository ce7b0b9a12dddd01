// A new file written beside its target and renamed over it only when
// complete, so a failed or interrupted write never leaves a partial file and
// the target may be the file that was read.
#pragma once

#include <string>

class ZULAtomicFile {
public:
    // Creates an empty temporary file in the target's folder.  Raises code 1,
    // "<method> Could not open for writing", when it cannot; without a source
    // name the message is that text alone.
    ZULAtomicFile(const std::string& target, const char* source, const char* method);
    ZULAtomicFile(const ZULAtomicFile&) = delete;
    ZULAtomicFile& operator=(const ZULAtomicFile&) = delete;
    // Removes the temporary file unless it was committed.
    ~ZULAtomicFile();

    const std::string& zulTempPath() const { return m_temp; }
    const std::string& zulTarget() const { return m_target; }

    // Gives the file the target's permissions (or the usual ones for a new
    // file) and renames it over the target.  Raises code 1, "<method> Could
    // not write the file", when it cannot; the target is then untouched.
    void zulCommit();

private:
    std::string m_target;
    std::string m_temp;
    const char* m_source;
    const char* m_method;
    bool m_committed = false;
};
