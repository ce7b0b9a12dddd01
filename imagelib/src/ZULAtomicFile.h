// The one way every output file is written, text and image alike: a new file
// beside its target, renamed over it only when complete, so a failed or
// interrupted write never leaves a partial file and the target may be the
// file that was read.
//
// A target that is a symbolic link is replaced through the link (the file it
// points to is updated, the link stays); a target that is a device or a FIFO
// is written in place, since renaming over it would replace it.
//
// The temporary file is "<target>.tmp" and eight of [0-9a-z], locked while
// it is written.  Such files of the same target that a killed run left
// behind (older than this process, not locked) are removed when the target is
// next written; nothing else is.
#pragma once

#include <string>

class ZULAtomicFile {
public:
    // Opens the file to write.  Raises code 1, "<method> Could not open for
    // writing", when it cannot; without a source name the message is that
    // text alone.
    ZULAtomicFile(const std::string& target, const char* source, const char* method);
    // The same without raising: zulDescriptor() is -1 and zulError() the
    // errno value when the file cannot be opened.
    explicit ZULAtomicFile(const std::string& target);
    ZULAtomicFile(const ZULAtomicFile&) = delete;
    ZULAtomicFile& operator=(const ZULAtomicFile&) = delete;
    // Removes the temporary file unless it was committed.
    ~ZULAtomicFile();

    // The file to write: the temporary file, or the device itself.
    const std::string& zulTempPath() const { return m_temp; }
    const std::string& zulTarget() const { return m_target; }
    // An open descriptor of zulTempPath(), -1 when opening failed.
    int zulDescriptor() const { return m_fd; }
    int zulError() const { return m_error; }

    // Closes the descriptor, gives a new file the target's permissions (or
    // the usual ones when there was no target) and renames it over the
    // target.  Returns 0, or the errno value of the first failure (the
    // target is then untouched).
    int zulFinish();
    // zulFinish, raising code 1, "<method> Could not write the file", when
    // it fails.
    void zulCommit();
    // Closes and removes the temporary file; the target stays as it was.
    void zulDiscard();

private:
    void zulOpen();

    std::string m_target;
    std::string m_destination;  // the file the temporary file replaces
    std::string m_temp;
    const char* m_source = nullptr;
    const char* m_method = nullptr;
    int m_fd = -1;
    int m_error = 0;
    bool m_inPlace = false;
    bool m_committed = false;
};
