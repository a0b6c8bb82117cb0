// What the tool needs from the file system beyond reading: where its own
// executable lies, the lock that orders the readers and writers of the
// reference set, and the replacement of a run's result.
#pragma once

#include "descriptor.posix.hpp"
#include "replace_file.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace vanto::vecplan {

// The folder of the running executable (not the current folder), or an
// empty string with `error` set to a Spanish message.
std::string executableDirectory(std::string& error);

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

    bool held() const { return error_ == 0; }
    int error() const { return error_; } // the system's error number when not held

private:
    // Closing the folder's only descriptor releases the lock.
    glifora::support::Descriptor folder_;
    int error_ = 0;
};

// The moment a run starts, in nanoseconds of the system's clock.
std::int64_t runStartStamp();

// Replaces dir/name with `contents` as glifora::support::replaceFile does
// (a reader sees the old file or the whole new one), for the result of a
// run that started at `startStamp`: the file keeps its run's start as its
// modification time, and under a lock on the folder a result replaces the
// file only when the file's run started earlier (or the file comes from
// elsewhere: no run starts in the future). So of two runs started one
// after the other, the later one's result stays, whichever finishes last.
// When a later run's result is already there, nothing is written and the
// result is `declined`.
glifora::support::ReplaceResult replaceRunResult(const std::string& dir, std::string_view name,
    std::string_view contents, std::int64_t startStamp);

} // namespace vanto::vecplan
