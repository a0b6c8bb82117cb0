// What the tool needs from the file system beyond reading: where its own
// executable lies, replacing a file atomically, and the lock that orders
// the readers and writers of the reference set.
#pragma once

#include "replace_file.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace vanto::vecplan {

// The directory of the running executable (not the current directory), or
// an empty string with `error` set to a Spanish message.
std::string executableDirectory(std::string& error);

// Replaces dir/name with `contents` so that a reader sees either the old
// file or the whole new one, never part of it: the text goes to a new
// temporary file in the same directory, reaches the disk, and is then
// renamed over the old file. Two writers at once leave one of the two whole
// texts. Returns an empty string on success, otherwise a Spanish message;
// on failure the old file is left as it was and no temporary file remains.
std::string replaceFileAtomically(
    const std::string& dir, std::string_view name, std::string_view contents);

// The Spanish message for a replacement of dir/name that failed.
std::string describeReplaceFailure(
    const glifora::support::ReplaceResult& result, const std::string& dir, std::string_view name);

// A lock on a folder, held from construction until destruction: shared by
// those that read the reference set there (recognition runs), exclusive for
// one that changes it (teaching, forgetting, bringing a new built-in part),
// so that no change is lost to another made at the same moment. It is
// taken on the folder, not the file, because each change replaces the file;
// it is the lock under which runs replace resvec.txt one at a time, too.
// Waits as long as another holds it the other way; each holder keeps it
// only for one read or one change, and never takes it twice.
class FolderLock {
public:
    enum class Mode { Shared, Exclusive };

    FolderLock(const std::string& dir, Mode mode);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool held() const { return error_ == 0; }
    int error() const { return error_; } // the system's error number when not held

private:
    int fd_ = -1;
    int error_ = 0;
};

// The moment a run starts, in nanoseconds of the system's clock.
std::int64_t runStartStamp();

// As above, for the result of a run that started at `startStamp`: the file
// keeps its run's start as its modification time, and under a lock on the
// directory a result replaces the file only when the file's run started
// earlier (or the file comes from elsewhere: no run starts in the future).
// So of two runs started one after the other, the later one's result
// stays, whichever finishes last. When a later run's result is already
// there, nothing is written, `superseded` is set and no error is returned.
std::string replaceFileAtomically(const std::string& dir, std::string_view name,
    std::string_view contents, std::int64_t startStamp, bool& superseded);

} // namespace vanto::vecplan
