// Teaching the recogniser: an image measured exactly as a recognition run
// measures it becomes a reference of the user's, kept in the taught part of
// the tool directory's refset.db; taught references can be listed,
// forgotten, and carried over to a new built-in part.
//
// Every change reads the file, changes the taught part and replaces the
// whole file atomically, all under the folder's exclusive lock (readers take
// it shared): of two changes at the same moment neither is lost, and a
// process killed at any point leaves the old file or the new one. A file
// that does not read as a reference set is never written over.
//
// Qt-free and silent: it returns plain records, and wording.hpp says them
// in Spanish for VECPLAN.EXE and the viewer alike.
#pragma once

#include "characters.hpp"
#include "features.hpp"
#include "refset.hpp"
#include "replace_file.hpp"

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vanto::vecplan {

enum class MeasureFault {
    None,
    NoBlack, // the image has no black pixel
    OnlySpecks, // nothing is left once the specks are gone
};

struct Measurement {
    MeasureFault fault = MeasureFault::None;
    Cleaning cleaning; // what was removed and filled (or, when blank, what was there)
    Features features; // when fault is None

    bool ok() const { return fault == MeasureFault::None; }
};

// The image measured as a recognition run measures it: cleaned, redrawn,
// its feature vector.
Measurement measureImage(const Bitmap& image);

// When a reference is taught, as the reference file records it: local time
// and its offset from universal time, "2025-03-01T10:22:33+01:00".
std::string teachingTime(std::time_t when);

// The name an image is recorded under: absolute, with ".", ".." and
// symbolic links resolved as far as the path exists, so that the same
// image named another way is recognised as the same image.
std::string recordedImagePath(const std::string& path);

// A taught reference labelled `label` (a label as checkLabel gives it) for
// the image at imagePath (recorded as recordedImagePath gives it).
Reference taughtReference(const std::string& label, const std::string& imagePath,
    const Features& features, const std::string& when);

// Where a change of the reference set stopped. Nothing was changed then.
enum class StoreStep {
    None,
    Lock, // the folder could not be locked: `error`
    Read, // the file could not be read: `message`
    Damaged, // the file is no reference set: `message`, naming the line
    SetAside, // a damaged file could not be moved aside: `error`
    Replace, // the new file could not replace the old one: `replaced`
};

struct StoreResult {
    StoreStep failed = StoreStep::None;
    int error = 0; // the system's error number
    std::string message; // the reader's one-line Spanish message
    glifora::support::ReplaceResult replaced;
    std::size_t changed = 0; // references added or forgotten

    bool ok() const { return failed == StoreStep::None; }
};

// The points of a change where a test may hold the process, and kill it:
// the lock taken, the new file whole on the disk but not yet in place, the
// new file in place with the lock still held.
enum class StorePoint { Locked, Written, Replaced };
using StorePause = std::function<void(StorePoint)>;

// Adds taught references after those already taught, in order, in one
// replacement of the file. A reference already there with the same label,
// image and vector is not added twice; `alreadyThere`, when given, says
// which of `references` were (changed counts the others).
StoreResult addTaught(const std::string& toolDir, const std::vector<Reference>& references,
    std::vector<bool>* alreadyThere = nullptr, const StorePause& pause = {});

// Forgets the taught references measured from any of `images` (each named
// as given or by recordedImagePath); forgottenPerImage gets how many went
// for each image.
StoreResult forgetImages(const std::string& toolDir, const std::vector<std::string>& images,
    std::vector<std::size_t>& forgottenPerImage, const StorePause& pause = {});
// Forgets the taught references labelled `label`.
StoreResult forgetLabel(
    const std::string& toolDir, const std::string& label, const StorePause& pause = {});
// Forgets every taught reference; the built-in part stays as it is.
StoreResult forgetAll(const std::string& toolDir, const StorePause& pause = {});

struct TaughtList {
    std::vector<Reference> references; // in the order they were taught
    std::string error; // the reader's one-line Spanish message

    bool ok() const { return error.empty(); }
};

// The taught references of toolDir's reference set.
TaughtList listTaught(const std::string& toolDir);

// Reads toolDir's reference set under the shared lock, handing each
// reference to `take` as forEachReference does; the one-line Spanish
// message of a fault, or an empty string. What a recognition run reads.
std::string readReferencesShared(
    const std::string& toolDir, const std::function<void(const Reference&)>& take);

// What bringing a new built-in part did.
struct BuiltInUpdate {
    StoreResult store;
    bool written = false; // the file was replaced (or made)
    std::size_t kept = 0; // taught references carried over
    std::string setAside; // where a damaged file was moved, when it was
};

// Makes toolDir's refset.db the built-in part `builtIn` (a reference set
// without a taught part) followed by the taught part it already has. A
// file that is there but does not read as a reference set is first moved
// aside, under a name of its own beside it, with the time `now` in it.
BuiltInUpdate updateBuiltIn(
    const std::string& toolDir, std::string_view builtIn, std::time_t now = std::time(nullptr));

// What teaching one image did.
struct Lesson {
    LabelCheck label;
    Measurement measurement;
    StoreResult store;
    bool alreadyThere = false; // the very same reference was taught before
    Reference reference; // what was added

    bool ok() const { return label.ok() && measurement.ok() && store.ok(); }
};

// A window's teaching: each image taught, and the last ones taken back in
// the reverse order.
class TeachingSession {
public:
    explicit TeachingSession(std::string toolDir);

    // Teaches `image`, read from imagePath, as the character `label`:
    // checks the label, measures, adds. Nothing is added on any failure.
    Lesson teach(const Bitmap& image, const std::string& imagePath, const std::string& label,
        const std::string& when = teachingTime(std::time(nullptr)));

    bool canUndo() const { return !added_.empty(); }
    // The reference that undo() would take back; only when canUndo().
    const Reference& lastTaught() const { return added_.back(); }
    // Takes back the last reference this session added. changed is 0 when
    // it is no longer there (it was forgotten meanwhile); then, as on
    // success, the session goes back to the teach before.
    StoreResult undo();

private:
    std::string toolDir_;
    std::vector<Reference> added_;
};

} // namespace vanto::vecplan
