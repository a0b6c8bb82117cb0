// Replacing a file so that a reader sees either the old file or the whole
// new one, never part of it: the recogniser's result and the viewer's saved
// picture are written this one way.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace glifora::support {

// Where a replacement failed, so that each caller can say it in its own
// words, with the system's error number.
enum class ReplaceStep { None, Create, Write, Sync, Stamp, Close, Lock, Rename };

struct ReplaceResult {
    ReplaceStep failed = ReplaceStep::None;
    int error = 0; // the system's error number at that step
    std::string temporary; // the temporary file's path (gone again by now)
    bool declined = false; // mayReplace said no; nothing was replaced

    bool ok() const { return failed == ReplaceStep::None; }
};

struct ReplaceOptions {
    // The new file's modification time, in nanoseconds of the system's
    // clock; the time of writing when not given.
    std::optional<std::int64_t> modifiedAt;
    // Asked just before the rename, under an exclusive lock on the folder
    // that every replacement with this question takes, so that no other
    // such writer can replace the file between the answer and the rename.
    // No: the old file stays.
    std::function<bool()> mayReplace;
    // Called once the temporary file is whole on the disk, just before the
    // rename (and before mayReplace): a test holds a writer there, and kills
    // it, to see that the old file stays whole.
    std::function<void()> beforeRename;
};

// Replaces dir/name with contents: the text goes to a new temporary file in
// the same folder (made like any other file, mode 0666 less the umask), is
// flushed to the disk and then renamed over the old file, and the folder is
// flushed too. On failure or when declined, the old file is left as it was
// and no temporary file remains.
ReplaceResult replaceFile(const std::string& dir, std::string_view name, std::string_view contents,
    const ReplaceOptions& options = {});

} // namespace glifora::support
