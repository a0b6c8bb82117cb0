#include "teaching.hpp"

#include "system_reason.hpp"
#include "tool_files.hpp"
#include "vecplan.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace vanto::vecplan {

namespace {

std::string refsetPath(const std::string& toolDir)
{
    return toolDir + "/" + std::string(kRefsetName);
}

bool sameReference(const Reference& a, const Reference& b)
{
    return a.label == b.label && a.image == b.image && a.values == b.values;
}

// Whether name is that of a temporary file that replaceFile makes for
// refset.db: "." + refset.db + ".<pid>.<8 hexadecimal digits>".
bool refsetTemporary(std::string_view name)
{
    const std::string prefix = "." + std::string(kRefsetName) + ".";
    if (!name.starts_with(prefix))
        return false;
    name.remove_prefix(prefix.size());
    const std::size_t dot = name.find('.');
    if (dot == 0 || dot == std::string_view::npos || name.size() - dot - 1 != 8)
        return false;
    const auto digits = [](std::string_view s, auto accepted) {
        return std::all_of(s.begin(), s.end(), accepted);
    };
    return digits(name.substr(0, dot), [](char c) { return c >= '0' && c <= '9'; })
        && digits(name.substr(dot + 1),
            [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// Removes the temporary files of changes that were killed before their
// rename. Called under the exclusive lock: every change makes and renames
// its temporary file while it holds that lock, so any such file found then
// belongs to no change still running.
void removeStaleTemporaries(const std::string& toolDir)
{
    DIR* dir = ::opendir(toolDir.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (refsetTemporary(entry->d_name))
            ::unlink((toolDir + "/" + entry->d_name).c_str());
    }
    ::closedir(dir);
}

// The new text: the built-in part as it stands, then the taught part.
std::string withTaughtPart(std::string_view builtIn, const std::vector<Reference>& taught)
{
    std::string text(builtIn);
    if (!text.empty() && text.back() != '\n' && !taught.empty())
        text += '\n';
    text += formatTaughtPart(taught);
    return text;
}

StoreResult replaceRefset(
    const std::string& toolDir, const std::string& text, const StorePause& pause)
{
    StoreResult result;
    glifora::support::ReplaceOptions options;
    if (pause)
        options.beforeRename = [&] { pause(StorePoint::Written); };
    result.replaced = glifora::support::replaceFile(toolDir, kRefsetName, text, options);
    if (!result.replaced.ok()) {
        result.failed = StoreStep::Replace;
        return result;
    }
    if (pause)
        pause(StorePoint::Replaced);
    return result;
}

// The one way the taught part changes: under the exclusive lock, read and
// check the whole file, let `edit` change the taught references (it
// returns how many it added or removed), and replace the file when it did.
StoreResult changeTaught(const std::string& toolDir,
    const std::function<std::size_t(std::vector<Reference>&)>& edit, const StorePause& pause)
{
    StoreResult result;
    const FolderLock lock(toolDir, FolderLock::Mode::Exclusive);
    if (!lock.held()) {
        result.failed = StoreStep::Lock;
        result.error = lock.error();
        return result;
    }
    if (pause)
        pause(StorePoint::Locked);
    removeStaleTemporaries(toolDir);

    const std::string path = refsetPath(toolDir);
    const std::optional<std::string> text = readRefsetText(path, result.message);
    if (!text) {
        result.failed = StoreStep::Read;
        return result;
    }
    RefsetResult set = parseRefset(*text, path);
    if (!set.ok()) {
        result.failed = StoreStep::Damaged;
        result.message = std::move(set.error);
        return result;
    }
    std::vector<Reference> taught;
    for (Reference& r : set.references)
        if (r.taught)
            taught.push_back(std::move(r));
    set.references.clear();

    const std::size_t changed = edit(taught);
    if (changed == 0)
        return result;
    result = replaceRefset(toolDir,
        withTaughtPart(std::string_view(*text).substr(0, set.builtInBytes), taught), pause);
    if (result.ok())
        result.changed = changed;
    return result;
}

} // namespace

Measurement measureImage(const Bitmap& image)
{
    Measurement m;
    std::optional<Features> features = computeFeatures(image, &m.cleaning);
    if (features)
        m.features = std::move(*features);
    else
        m.fault = m.cleaning.specks == 0 ? MeasureFault::NoBlack : MeasureFault::OnlySpecks;
    return m;
}

std::string teachingTime(std::time_t when)
{
    std::tm local {};
    ::localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff / 60;
    const long minutes = offset < 0 ? -offset : offset;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", offset < 0 ? '-' : '+', minutes / 60 % 100,
        minutes % 60);
    return std::string(text) + zone;
}

std::string recordedImagePath(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    if (error)
        return path;
    const fs::path resolved = fs::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal().string() : resolved.string();
}

Reference taughtReference(const std::string& label, const std::string& imagePath,
    const Features& features, const std::string& when)
{
    Reference r;
    r.label = label;
    r.values = features.values;
    r.taught = true;
    r.image = imagePath;
    r.taughtAt = when;
    const std::size_t slash = imagePath.rfind('/');
    r.origin = "enseñada: "
        + escapeText(slash == std::string::npos ? imagePath : imagePath.substr(slash + 1));
    return r;
}

StoreResult addTaught(const std::string& toolDir, const std::vector<Reference>& references,
    std::vector<bool>* alreadyThere, const StorePause& pause)
{
    std::vector<bool> there(references.size(), false);
    const StoreResult result = changeTaught(
        toolDir,
        [&](std::vector<Reference>& taught) {
            std::size_t added = 0;
            for (std::size_t i = 0; i < references.size(); ++i) {
                const auto same
                    = [&](const Reference& r) { return sameReference(r, references[i]); };
                there[i] = std::any_of(taught.begin(), taught.end(), same);
                if (!there[i]) {
                    taught.push_back(references[i]);
                    taught.back().taught = true;
                    ++added;
                }
            }
            return added;
        },
        pause);
    if (alreadyThere)
        *alreadyThere = result.ok() ? there : std::vector<bool>(references.size(), false);
    return result;
}

StoreResult forgetImages(const std::string& toolDir, const std::vector<std::string>& images,
    std::vector<std::size_t>& forgottenPerImage, const StorePause& pause)
{
    std::vector<std::string> recorded;
    for (const std::string& image : images)
        recorded.push_back(recordedImagePath(image));
    std::vector<std::size_t> counts(images.size(), 0);
    const StoreResult result = changeTaught(
        toolDir,
        [&](std::vector<Reference>& taught) {
            const auto before = taught.size();
            std::erase_if(taught, [&](const Reference& r) {
                for (std::size_t i = 0; i < images.size(); ++i) {
                    if (r.image == images[i] || r.image == recorded[i]) {
                        ++counts[i];
                        return true;
                    }
                }
                return false;
            });
            return before - taught.size();
        },
        pause);
    forgottenPerImage = result.ok() ? counts : std::vector<std::size_t>(images.size(), 0);
    return result;
}

StoreResult forgetLabel(
    const std::string& toolDir, const std::string& label, const StorePause& pause)
{
    return changeTaught(
        toolDir,
        [&](std::vector<Reference>& taught) {
            return std::erase_if(taught, [&](const Reference& r) { return r.label == label; });
        },
        pause);
}

StoreResult forgetAll(const std::string& toolDir, const StorePause& pause)
{
    return changeTaught(
        toolDir,
        [](std::vector<Reference>& taught) {
            const std::size_t all = taught.size();
            taught.clear();
            return all;
        },
        pause);
}

TaughtList listTaught(const std::string& toolDir)
{
    TaughtList list;
    list.error = readReferencesShared(toolDir, [&](const Reference& r) {
        if (r.taught)
            list.references.push_back(r);
    });
    if (!list.ok())
        list.references.clear();
    return list;
}

std::string readReferencesShared(
    const std::string& toolDir, const std::function<void(const Reference&)>& take)
{
    // Without the lock (a folder that cannot be opened for reading, say) the
    // file is still read whole: changes replace it, never rewrite it in place.
    const FolderLock lock(toolDir, FolderLock::Mode::Shared);
    return readEachReference(refsetPath(toolDir), take);
}

BuiltInUpdate updateBuiltIn(const std::string& toolDir, std::string_view builtIn, std::time_t now)
{
    BuiltInUpdate update;
    StoreResult& result = update.store;
    const std::string path = refsetPath(toolDir);
    const RefsetResult fresh = parseRefset(builtIn, "(nueva parte incorporada)");
    if (!fresh.ok() || fresh.builtInBytes != builtIn.size()) {
        result.failed = StoreStep::Damaged;
        result.message = fresh.ok()
            ? "La nueva parte incorporada de la base de referencias ya tiene referencias enseñadas."
            : fresh.error;
        return update;
    }

    const FolderLock lock(toolDir, FolderLock::Mode::Exclusive);
    if (!lock.held()) {
        result.failed = StoreStep::Lock;
        result.error = lock.error();
        return update;
    }
    removeStaleTemporaries(toolDir);

    std::string text(builtIn);
    struct stat st { };
    if (::lstat(path.c_str(), &st) == 0) {
        const std::optional<std::string> old = readRefsetText(path, result.message);
        if (!old) {
            result.failed = StoreStep::Read;
            return update;
        }
        RefsetResult set = parseRefset(*old, path);
        if (set.ok()) {
            std::vector<Reference> taught;
            for (Reference& r : set.references)
                if (r.taught)
                    taught.push_back(std::move(r));
            update.kept = taught.size();
            text = withTaughtPart(builtIn, taught);
            if (text == *old)
                return update;
        } else {
            // Kept whole under another name, so that nothing taught in it is
            // lost; a hard link, so that the file itself is never rewritten.
            char stamp[32];
            std::tm local {};
            ::localtime_r(&now, &local);
            std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
            const std::string base = path + ".apartada-" + stamp;
            for (int n = 1;; ++n) {
                const std::string aside = n == 1 ? base : base + "-" + std::to_string(n);
                if (::link(path.c_str(), aside.c_str()) == 0) {
                    update.setAside = aside;
                    break;
                }
                if (errno != EEXIST || n == 100) {
                    result.failed = StoreStep::SetAside;
                    result.error = errno;
                    result.message = set.error;
                    return update;
                }
            }
            result.message = set.error;
        }
    } else if (errno != ENOENT) {
        result.failed = StoreStep::Read;
        result.message = "No se puede usar la base de referencias " + path + ": "
            + glifora::wording::systemReason(errno) + ".";
        return update;
    }

    const std::string damage = result.message;
    result = replaceRefset(toolDir, text, {});
    result.message = damage;
    update.written = result.ok();
    return update;
}

TeachingSession::TeachingSession(std::string toolDir)
    : toolDir_(std::move(toolDir))
{
}

Lesson TeachingSession::teach(const Bitmap& image, const std::string& imagePath,
    const std::string& label, const std::string& when)
{
    Lesson lesson;
    lesson.label = checkLabel(label);
    if (!lesson.label.ok())
        return lesson;
    lesson.measurement = measureImage(image);
    if (!lesson.measurement.ok())
        return lesson;
    lesson.reference = taughtReference(
        lesson.label.label, recordedImagePath(imagePath), lesson.measurement.features, when);
    std::vector<bool> there;
    lesson.store = addTaught(toolDir_, { lesson.reference }, &there);
    lesson.alreadyThere = lesson.store.ok() && there.front();
    if (lesson.store.ok() && !lesson.alreadyThere)
        added_.push_back(lesson.reference);
    return lesson;
}

StoreResult TeachingSession::undo()
{
    const Reference last = added_.back();
    StoreResult result = changeTaught(toolDir_,
        [&](std::vector<Reference>& taught) -> std::size_t {
            // The latest one, should the same have been taught again since.
            for (auto it = taught.rbegin(); it != taught.rend(); ++it) {
                if (sameReference(*it, last) && it->taughtAt == last.taughtAt) {
                    taught.erase(std::next(it).base());
                    return 1;
                }
            }
            return 0;
        },
        {});
    if (result.ok())
        added_.pop_back();
    return result;
}

} // namespace vanto::vecplan
