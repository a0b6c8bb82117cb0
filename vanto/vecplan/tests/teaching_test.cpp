#include "teaching.hpp"
#include "test_files.hpp"
#include "test_images.hpp"
#include "test_refset.hpp"
#include "vecplan.hpp"
#include "wording.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vanto::vecplan;
using namespace vanto::vecplan::test;

namespace {

constexpr const char* kWhen = "2025-03-01T10:22:33+01:00";

// A tool directory with the small reference set and a few images.
struct Fixture {
    ScratchDir dir;
    std::string refset = dir.file("refset.db");
    std::string builtIn = smallRefset();

    Fixture() { writeText(refset, builtIn); }

    // Writes `image` to a file of the directory and gives its path.
    std::string image(const std::string& name, const vanto::Bitmap& bitmap) const
    {
        const std::string path = dir.file(name);
        writeText(path, vanto::formatPlainPbm(bitmap));
        return path;
    }

    std::vector<Reference> taught() const
    {
        const TaughtList list = listTaught(dir.path());
        EXPECT_TRUE(list.ok()) << list.error;
        return list.references;
    }
};

// A T drawn otherwise than the set's, and a Z, neither in the set.
vanto::Bitmap otherT()
{
    return drawing({ "#######", "#######", "..###..", "..###..", "..###..", "..###.." });
}

vanto::Bitmap letterZ()
{
    return drawing({ "######", "....##", "...##.", "..##..", ".##...", "######" });
}

std::vector<std::string> labelsOf(const std::vector<Reference>& refs)
{
    std::vector<std::string> labels;
    for (const Reference& r : refs)
        labels.push_back(r.label);
    return labels;
}

// Whether another holder could take the folder's lock the given way now.
bool lockFree(const std::string& dir, int how)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool free = fd >= 0 && ::flock(fd, how | LOCK_NB) == 0;
    if (fd >= 0)
        ::close(fd);
    return free;
}

} // namespace

TEST(Teaching, ATaughtCharacterIsRecognisedAsTaughtAfterTheUntouchedBuiltInPart)
{
    Fixture f;
    const std::string z = f.image("zeta con acento á.pbm", letterZ());
    TeachingSession session(f.dir.path());
    const Lesson lesson = session.teach(letterZ(), z, "Z", kWhen);
    ASSERT_TRUE(lesson.ok()) << describeStoreFailure(lesson.store, f.dir.path());
    EXPECT_EQ(lesson.store.changed, 1u);

    const std::string text = readText(f.refset);
    EXPECT_TRUE(text.starts_with(f.builtIn));
    const std::vector<Reference> taught = f.taught();
    ASSERT_EQ(taught.size(), 1u);
    EXPECT_EQ(taught[0].label, "Z");
    EXPECT_EQ(taught[0].image, recordedImagePath(z));
    EXPECT_EQ(taught[0].taughtAt, kWhen);

    // A recognition run of the same image measures it the same way: the
    // taught reference is at no distance but the frame's fixed cost (the
    // image is cropped to the character), sqrt(kUnframedCost).
    std::ostringstream out;
    ASSERT_EQ(runVecplan({ z }, f.dir.path(), out), 0) << out.str();
    EXPECT_EQ(out.str(), "Carácter reconocido: Z\n");
    EXPECT_NE(readText(f.dir.file("resvec.txt")).find("  1. Z    141.42  (enseñada: zeta con acento á.pbm)\n"),
        std::string::npos)
        << readText(f.dir.file("resvec.txt"));
}

TEST(Teaching, UndoTakesBackOnlyThisSessionsTeachesLastFirst)
{
    Fixture f;
    const std::string t = f.image("t.pbm", otherT());
    const std::string z = f.image("z.pbm", letterZ());
    TeachingSession mine(f.dir.path()), other(f.dir.path());
    ASSERT_TRUE(mine.teach(otherT(), t, "T", kWhen).ok());
    ASSERT_TRUE(other.teach(letterZ(), z, "Z", kWhen).ok());
    ASSERT_TRUE(mine.teach(letterZ(), z, "2", kWhen).ok());
    EXPECT_EQ(labelsOf(f.taught()), (std::vector<std::string> { "T", "Z", "2" }));

    ASSERT_TRUE(mine.canUndo());
    EXPECT_EQ(mine.lastTaught().label, "2");
    EXPECT_EQ(mine.undo().changed, 1u);
    EXPECT_EQ(labelsOf(f.taught()), (std::vector<std::string> { "T", "Z" }));
    EXPECT_EQ(mine.undo().changed, 1u);
    EXPECT_EQ(labelsOf(f.taught()), (std::vector<std::string> { "Z" }));
    EXPECT_FALSE(mine.canUndo());

    // What was forgotten meanwhile is not there to take back: nothing
    // else goes, and the session moves on.
    ASSERT_TRUE(forgetAll(f.dir.path()).ok());
    const StoreResult gone = other.undo();
    EXPECT_TRUE(gone.ok());
    EXPECT_EQ(gone.changed, 0u);
    EXPECT_FALSE(other.canUndo());
    EXPECT_EQ(readText(f.refset), f.builtIn);
}

TEST(Teaching, TheSameImageTaughtTwiceIsOneReference)
{
    Fixture f;
    const std::string z = f.image("z.pbm", letterZ());
    TeachingSession session(f.dir.path());
    ASSERT_TRUE(session.teach(letterZ(), z, "Z", kWhen).ok());
    const Lesson again = session.teach(letterZ(), z, "Z", "2025-03-02T08:00:00+01:00");
    EXPECT_TRUE(again.ok());
    EXPECT_TRUE(again.alreadyThere);
    EXPECT_EQ(again.store.changed, 0u);
    EXPECT_EQ(f.taught().size(), 1u);
    // The one undo there is to do takes it away.
    EXPECT_EQ(session.undo().changed, 1u);
    EXPECT_FALSE(session.canUndo());

    // Within one call too, and the other way round, with another label.
    const Reference zRef = taughtReference("Z", z, measureImage(letterZ()).features, kWhen);
    Reference other = zRef;
    other.label = "2";
    std::vector<bool> there;
    ASSERT_TRUE(addTaught(f.dir.path(), { zRef, other, zRef }, &there).ok());
    EXPECT_EQ(there, (std::vector<bool> { false, false, true }));
    EXPECT_EQ(labelsOf(f.taught()), (std::vector<std::string> { "Z", "2" }));
}

TEST(Teaching, ForgetsByImageAsNamedAnyWayByLabelAndAll)
{
    Fixture f;
    std::filesystem::create_directory(f.dir.file("sub"));
    const std::string t = f.image("sub/t.pbm", otherT());
    const std::string z = f.image("z.pbm", letterZ());
    const Features tFeatures = measureImage(otherT()).features;
    const Features zFeatures = measureImage(letterZ()).features;
    ASSERT_TRUE(addTaught(f.dir.path(),
        { taughtReference("T", recordedImagePath(t), tFeatures, kWhen),
            taughtReference("7", recordedImagePath(t), tFeatures, kWhen),
            taughtReference("Z", recordedImagePath(z), zFeatures, kWhen),
            taughtReference("2", recordedImagePath(z), zFeatures, kWhen),
            taughtReference("T", recordedImagePath(z), zFeatures, kWhen) })
                    .ok());

    // The T image named through "." and "..", and an image never taught.
    std::vector<std::size_t> counts;
    const StoreResult byImage = forgetImages(
        f.dir.path(), { f.dir.file("sub/./../sub/t.pbm"), f.dir.file("nada.pbm") }, counts);
    ASSERT_TRUE(byImage.ok());
    EXPECT_EQ(byImage.changed, 2u);
    EXPECT_EQ(counts, (std::vector<std::size_t> { 2, 0 }));
    EXPECT_EQ(labelsOf(f.taught()), (std::vector<std::string> { "Z", "2", "T" }));

    const StoreResult byLabel = forgetLabel(f.dir.path(), "T");
    EXPECT_EQ(byLabel.changed, 1u);
    EXPECT_EQ(labelsOf(f.taught()), (std::vector<std::string> { "Z", "2" }));
    EXPECT_EQ(forgetLabel(f.dir.path(), "Q").changed, 0u);

    const StoreResult all = forgetAll(f.dir.path());
    EXPECT_EQ(all.changed, 2u);
    // With nothing taught the file is the built-in part again, byte for byte.
    EXPECT_EQ(readText(f.refset), f.builtIn);
    EXPECT_EQ(forgetAll(f.dir.path()).changed, 0u);
}

TEST(Teaching, RecordedImagePathIsAbsoluteAndResolved)
{
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("real"));
    std::filesystem::create_directory_symlink(dir.file("real"), dir.file("link"));
    const std::string real = std::filesystem::canonical(dir.path()).string() + "/real/a.pbm";
    EXPECT_EQ(recordedImagePath(dir.file("link/../real/./a.pbm")), real);
    EXPECT_EQ(recordedImagePath(dir.file("link/a.pbm")), real);
    const std::string relative = recordedImagePath("b c.pbm");
    EXPECT_EQ(relative,
        std::filesystem::weakly_canonical(std::filesystem::current_path() / "b c.pbm").string());
}

struct Refusal {
    const char* what;
    std::function<void(const Fixture&)> prepare;
    std::string label;
    vanto::Bitmap image;
    std::function<bool(const Lesson&)> refusedFor;
    const char* expected; // part of the Spanish message
};

class TeachingRefusal : public testing::TestWithParam<Refusal> { };

TEST_P(TeachingRefusal, ChangesNothingAndSaysWhyInOneLine)
{
    Fixture f;
    GetParam().prepare(f);
    const std::string before = std::filesystem::exists(f.refset) ? readText(f.refset) : "";
    const auto entriesBefore = f.dir.entries();
    TeachingSession session(f.dir.path());
    const Lesson lesson
        = session.teach(GetParam().image, f.dir.file("imagen.pbm"), GetParam().label, kWhen);
    EXPECT_FALSE(lesson.ok());
    EXPECT_TRUE(GetParam().refusedFor(lesson));
    EXPECT_FALSE(session.canUndo());
    const std::string message = !lesson.label.ok()
        ? describeLabelFault(lesson.label, GetParam().label)
        : !lesson.measurement.ok()
        ? describeMeasureFault(lesson.measurement, "imagen.pbm", Purpose::Teach)
        : describeStoreFailure(lesson.store, f.dir.path());
    EXPECT_NE(message.find(GetParam().expected), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    EXPECT_EQ(std::filesystem::exists(f.refset) ? readText(f.refset) : "", before);
    EXPECT_EQ(f.dir.entries(), entriesBefore);
}

INSTANTIATE_TEST_SUITE_P(Teaching, TeachingRefusal,
    testing::Values(Refusal { "two characters", [](const Fixture&) {}, "ab", letterZ(),
                        [](const Lesson& l) { return l.label.fault == LabelFault::Several; },
                        "«ab» son 2 caracteres" },
        Refusal { "lone accent", [](const Fixture&) {}, "\u0301", letterZ(),
            [](const Lesson& l) { return l.label.fault == LabelFault::LoneMark; },
            "marca que se combina" },
        Refusal { "space", [](const Fixture&) {}, " ", letterZ(),
            [](const Lesson& l) { return l.label.fault == LabelFault::Space; }, "espacio" },
        Refusal { "blank image", [](const Fixture&) {}, "Z", drawing({ "....", "....", "...." }),
            [](const Lesson& l) { return l.measurement.fault == MeasureFault::NoBlack; },
            "ningún píxel negro: no hay carácter que enseñar" },
        Refusal { "only specks", [](const Fixture&) {}, "Z",
            drawing({ "#.......", "........", "......#.", "........", "........", "...#...." }),
            [](const Lesson& l) { return l.measurement.fault == MeasureFault::OnlySpecks; },
            "solo tiene 3 motas" },
        Refusal { "no reference set", [](const Fixture& f) { std::filesystem::remove(f.refset); },
            "Z", letterZ(), [](const Lesson& l) { return l.store.failed == StoreStep::Read; },
            "no existe el fichero" },
        Refusal { "damaged taught part",
            [](const Fixture& f) {
                writeText(f.refset, f.builtIn + std::string(kTaughtMarker) + " 1\n\"Z\" x\n");
            },
            "Z", letterZ(), [](const Lesson& l) { return l.store.failed == StoreStep::Damaged; },
            "la fecha \"x\" no es válida" },
        Refusal { "taught part cut short",
            [](const Fixture& f) {
                std::string text = f.builtIn
                    + formatTaughtPart({ taughtReference(
                        "7", "/x.pbm", measureImage(letterZ()).features, kWhen) });
                text.resize(text.size() - 50);
                writeText(f.refset, text);
            },
            "Z", letterZ(), [](const Lesson& l) { return l.store.failed == StoreStep::Damaged; },
            "línea cortada" }),
    [](const testing::TestParamInfo<Refusal>& info) {
        std::string name;
        for (const char c : std::string(info.param.what))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

// Teaching from several threads at once, each with a session of its own:
// every reference taught is there at the end, none lost to another's
// change made at the same moment.
TEST(Teaching, ChangesMadeAtTheSameTimeAreAllKept)
{
    Fixture f;
    const Features z = measureImage(letterZ()).features;
    constexpr int kThreads = 4, kEach = 12;
    std::vector<std::thread> threads;
    std::atomic<int> failures { 0 };
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                const std::string image = "/hilo" + std::to_string(t) + "/" + std::to_string(i);
                if (!addTaught(f.dir.path(), { taughtReference("Z", image, z, kWhen) }).ok())
                    ++failures;
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(f.taught().size(), static_cast<std::size_t>(kThreads * kEach));
    EXPECT_EQ(f.dir.entries(), std::vector<std::string> { "refset.db" });
}

TEST(Teaching, ReadersShareTheLockThatAChangeTakesAlone)
{
    Fixture f;
    bool checked = false;
    const std::string error = readReferencesShared(f.dir.path(), [&](const Reference&) {
        if (checked)
            return;
        checked = true;
        EXPECT_TRUE(lockFree(f.dir.path(), LOCK_SH)) << "another reader may read meanwhile";
        EXPECT_FALSE(lockFree(f.dir.path(), LOCK_EX)) << "no change may be made meanwhile";
    });
    EXPECT_EQ(error, "");
    EXPECT_TRUE(checked);
    EXPECT_TRUE(lockFree(f.dir.path(), LOCK_EX)) << "released after the read";
}

// A change killed before its rename leaves its temporary file; the next
// change, under the same lock, removes it, and nothing else.
TEST(Teaching, TemporaryFilesOfKilledChangesAreRemovedByTheNextChange)
{
    Fixture f;
    writeText(f.dir.file(".refset.db.4242.0badcafe"), "resto");
    writeText(f.dir.file(".refset.db.copia"), "mío");
    writeText(f.dir.file(".resvec.txt.4242.0badcafe"), "otro");
    ASSERT_TRUE(addTaught(
        f.dir.path(), { taughtReference("Z", "/z.pbm", measureImage(letterZ()).features, kWhen) })
                    .ok());
    EXPECT_EQ(f.dir.entries(),
        (std::vector<std::string> {
            ".refset.db.copia", ".resvec.txt.4242.0badcafe", "refset.db" }));
}

TEST(Teaching, NewBuiltInPartKeepsEveryTaughtReference)
{
    Fixture f;
    const std::vector<Reference> taught {
        taughtReference("#", "/a b/almohadilla.pbm", measureImage(letterZ()).features, kWhen),
        taughtReference("字", "/c.pbm", measureImage(otherT()).features, kWhen),
    };
    ASSERT_TRUE(addTaught(f.dir.path(), taught).ok());
    const std::string oldText = readText(f.refset);

    // The same built-in part: nothing to write.
    BuiltInUpdate same = updateBuiltIn(f.dir.path(), f.builtIn);
    EXPECT_TRUE(same.store.ok());
    EXPECT_FALSE(same.written);
    EXPECT_EQ(same.kept, 2u);
    EXPECT_EQ(readText(f.refset), oldText);

    // Another version's built-in part, with one reference more.
    const std::string newer
        = f.builtIn + formatReference({ "Z", "mano/6px", measureImage(letterZ()).features.values });
    const BuiltInUpdate update = updateBuiltIn(f.dir.path(), newer);
    EXPECT_TRUE(update.store.ok());
    EXPECT_TRUE(update.written);
    EXPECT_EQ(update.kept, 2u);
    EXPECT_EQ(update.setAside, "");
    EXPECT_EQ(readText(f.refset), newer + formatTaughtPart(taught));

    // A tool directory without a reference set gets the built-in part.
    ScratchDir empty;
    EXPECT_TRUE(updateBuiltIn(empty.path(), newer).written);
    EXPECT_EQ(readText(empty.file("refset.db")), newer);
}

TEST(Teaching, NewBuiltInPartSetsADamagedFileAsideWhole)
{
    Fixture f;
    const std::string damaged = f.builtIn + std::string(kTaughtMarker) + " 2\n\"Z\" cortado\n";
    writeText(f.refset, damaged);
    std::tm day {};
    day.tm_year = 2025 - 1900;
    day.tm_mon = 2;
    day.tm_mday = 1;
    day.tm_hour = 10;
    day.tm_min = 22;
    day.tm_sec = 33;
    day.tm_isdst = -1;
    const std::time_t now = std::mktime(&day);

    const BuiltInUpdate first = updateBuiltIn(f.dir.path(), f.builtIn, now);
    EXPECT_TRUE(first.store.ok());
    EXPECT_TRUE(first.written);
    EXPECT_EQ(first.setAside, f.refset + ".apartada-20250301-102233");
    const auto lines = std::count(f.builtIn.begin(), f.builtIn.end(), '\n');
    EXPECT_NE(
        first.store.message.find("línea " + std::to_string(lines + 2) + ":"), std::string::npos)
        << first.store.message;
    EXPECT_EQ(readText(first.setAside), damaged);
    EXPECT_EQ(readText(f.refset), f.builtIn);

    // Damaged again within the same second: a name of its own.
    writeText(f.refset, damaged);
    const BuiltInUpdate second = updateBuiltIn(f.dir.path(), f.builtIn, now);
    EXPECT_EQ(second.setAside, first.setAside + "-2");
    EXPECT_EQ(readText(second.setAside), damaged);
    EXPECT_EQ(readText(first.setAside), damaged);
}

TEST(Teaching, NewBuiltInPartMustBeABuiltInPart)
{
    Fixture f;
    const std::string before = readText(f.refset);
    EXPECT_EQ(updateBuiltIn(f.dir.path(), "basura\n").store.failed, StoreStep::Damaged);
    const std::string withTaught = f.builtIn
        + formatTaughtPart({ taughtReference("Z", "/z", measureImage(letterZ()).features, kWhen) });
    EXPECT_EQ(updateBuiltIn(f.dir.path(), withTaught).store.failed, StoreStep::Damaged);
    EXPECT_EQ(readText(f.refset), before);
}

namespace {

struct Stopped {
    pid_t pid = -1;
    std::string said;
};

// Starts the helper that teaches and stops at `point`, and waits until it
// says it has stopped (or ends).
Stopped startStopped(const std::string& dir, const char* point, const std::string& image)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    Stopped s;
    s.pid = ::fork();
    if (s.pid == 0) {
        ::dup2(fds[1], 1);
        ::execl(TEACH_AND_STOP, TEACH_AND_STOP, dir.c_str(), point, "Z", image.c_str(),
            static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    char c;
    while (s.said.find('\n') == std::string::npos) {
        const ssize_t n = ::read(fds[0], &c, 1);
        if (n == 1)
            s.said += c;
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(fds[0]);
    return s;
}

} // namespace

class KilledTeaching : public testing::TestWithParam<const char*> { };

// A teaching process killed at each point of its change: the file is the
// old one or the whole new one, a reader reads it, and the next teaching
// works (and clears what the killed one left).
TEST_P(KilledTeaching, LeavesTheOldFileOrTheNewOneWhole)
{
    Fixture f;
    const std::string image = f.image("zeta.pbm", letterZ());
    const std::string point = GetParam();
    const Stopped stopped = startStopped(f.dir.path(), GetParam(), image);
    ASSERT_GT(stopped.pid, 0);
    ASSERT_EQ(stopped.said, "parado\n");
    // Stopped inside its change, it holds the lock.
    EXPECT_FALSE(lockFree(f.dir.path(), LOCK_SH));
    if (point == "write") {
        EXPECT_EQ(f.dir.entries().size(), 3u) << "its temporary file is whole beside the old one";
    }
    ASSERT_EQ(::kill(stopped.pid, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(stopped.pid, &status, 0), stopped.pid);
    EXPECT_TRUE(WIFSIGNALED(status));

    const std::string text = readText(f.refset);
    if (point == "replaced") {
        ASSERT_EQ(f.taught().size(), 1u);
        EXPECT_EQ(f.taught()[0].image, recordedImagePath(image));
        EXPECT_TRUE(text.starts_with(f.builtIn));
    } else {
        EXPECT_EQ(text, f.builtIn);
    }
    EXPECT_TRUE(lockFree(f.dir.path(), LOCK_EX)) << "the lock died with it";

    ASSERT_TRUE(addTaught(
        f.dir.path(), { taughtReference("2", "/dos.pbm", measureImage(otherT()).features, kWhen) })
                    .ok());
    EXPECT_EQ(f.taught().back().label, "2");
    EXPECT_EQ(f.dir.entries(), (std::vector<std::string> { "refset.db", "zeta.pbm" }));
}

INSTANTIATE_TEST_SUITE_P(Teaching, KilledTeaching, testing::Values("lock", "write", "replaced"));
