// The two things the tool needs from the file system beyond reading: where
// its own executable lies, and replacing a file atomically.
#pragma once

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
