// The two things the tool needs from the file system beyond reading: where
// its own executable lies, and replacing a file atomically.
#pragma once

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

} // namespace vanto::vecplan
