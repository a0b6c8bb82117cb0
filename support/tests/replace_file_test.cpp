// The atomic replacement on POSIX: what it leaves, what a failure leaves,
// what a reader sees while writers race, and its temporary names.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <thread>

#include "replace_file.hpp"

using namespace glifora::support;
namespace fs = std::filesystem;

namespace {

std::string contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ScratchFolder : public testing::Test {
protected:
    ScratchFolder()
    {
        std::string made = (fs::temp_directory_path() / "glifora-replace-XXXXXX").string();
        if (mkdtemp(made.data()) != nullptr)
            dir = made;
    }
    ~ScratchFolder() override
    {
        if (!dir.empty())
            fs::remove_all(dir);
    }

    std::set<std::string> namesInFolder() const
    {
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        return names;
    }

    std::string dir;
};

class ReplaceFile : public ScratchFolder { };
class ReplaceFileNames : public ScratchFolder { };

TEST_F(ReplaceFile, WritesTheTextMadeLikeAnyOtherFileAndLeavesNoTemporaryFile)
{
    ASSERT_FALSE(dir.empty());
    std::ofstream(fs::path(dir) / "r.txt") << "viejo";
    const ReplaceResult result = replaceFile(dir, "r.txt", "nuevo\n");
    ASSERT_TRUE(result.ok()) << static_cast<int>(result.failed) << " " << result.error;
    EXPECT_FALSE(result.declined);
    EXPECT_EQ(contents(fs::path(dir) / "r.txt"), "nuevo\n");
    EXPECT_EQ(namesInFolder(), std::set<std::string> { "r.txt" });
    struct stat st { };
    ASSERT_EQ(::stat((fs::path(dir) / "r.txt").c_str(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

// A folder in the target's place cannot be renamed over: the failure is
// the last step's, and nothing else changes.
TEST_F(ReplaceFile, FailureSaysWhichStepAndLeavesTheOldFileAndNoTemporaryFile)
{
    ASSERT_FALSE(dir.empty());
    fs::create_directory(fs::path(dir) / "r.txt");
    const ReplaceResult result = replaceFile(dir, "r.txt", "nuevo\n");
    EXPECT_EQ(result.failed, ReplaceStep::Rename);
    EXPECT_EQ(result.error, EISDIR);
    EXPECT_TRUE(fs::is_directory(fs::path(dir) / "r.txt"));
    EXPECT_EQ(namesInFolder(), std::set<std::string> { "r.txt" });

    const ReplaceResult nowhere = replaceFile(dir + "/no-existe", "r.txt", "nuevo\n");
    EXPECT_EQ(nowhere.failed, ReplaceStep::Create);
    EXPECT_EQ(nowhere.error, ENOENT);
}

TEST_F(ReplaceFile, DeclinedJustBeforeTheRenameLeavesTheOldFile)
{
    ASSERT_FALSE(dir.empty());
    std::ofstream(fs::path(dir) / "r.txt") << "viejo";
    ReplaceOptions options;
    bool asked = false;
    options.mayReplace = [&] {
        asked = true;
        return false;
    };
    const ReplaceResult result = replaceFile(dir, "r.txt", "nuevo\n", options);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(result.ok());
    EXPECT_TRUE(result.declined);
    EXPECT_EQ(contents(fs::path(dir) / "r.txt"), "viejo");
    EXPECT_EQ(namesInFolder(), std::set<std::string> { "r.txt" });
}

// Large texts take long enough to write that a reader would catch an
// in-place rewrite half done.
TEST_F(ReplaceFile, ConcurrentWritersOfLargeTextsNeverShowAMixedFile)
{
    ASSERT_FALSE(dir.empty());
    const fs::path target = fs::path(dir) / "r.txt";
    const std::string a(4 << 20, 'a');
    const std::string b(4 << 20, 'b');
    ASSERT_TRUE(replaceFile(dir, "r.txt", a).ok());

    std::atomic<bool> done { false };
    std::atomic<int> bad { 0 };
    std::thread reader([&] {
        while (!done) {
            const std::string seen = contents(target);
            if (seen != a && seen != b)
                ++bad;
        }
    });
    std::atomic<int> failures { 0 };
    auto writer = [&](const std::string& text) {
        for (int i = 0; i < 15; ++i)
            if (!replaceFile(dir, "r.txt", text).ok())
                ++failures;
    };
    std::thread wa(writer, std::cref(a)), wb(writer, std::cref(b));
    wa.join();
    wb.join();
    done = true;
    reader.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(namesInFolder(), std::set<std::string> { "r.txt" });
}

// A process killed between creating its temporary file and renaming it
// leaves the file behind, and a later process may be given the same id.
// Names that such files have taken are passed over, and the files are left
// as they are.
TEST_F(ReplaceFileNames, TemporariesLeftByAnEarlierProcessWithOurIdAreNotInTheWay)
{
    ASSERT_FALSE(dir.empty());
    const ReplaceResult first = replaceFile(dir, "resvec.txt", "primero\n");
    ASSERT_TRUE(first.ok()) << first.error;

    // ".resvec.txt.<pid>.<number in hex>": the numbers that come next.
    const std::string prefix = dir + "/.resvec.txt." + std::to_string(getpid()) + ".";
    ASSERT_EQ(first.temporary.rfind(prefix, 0), 0u) << first.temporary;
    const unsigned long used = std::strtoul(first.temporary.c_str() + prefix.size(), nullptr, 16);
    std::set<std::string> leftovers;
    for (unsigned long next = used + 1; next <= used + 5; ++next) {
        char name[64];
        std::snprintf(
            name, sizeof name, ".resvec.txt.%ld.%08lx", static_cast<long>(getpid()), next);
        std::ofstream(fs::path(dir) / name) << "de otro proceso";
        leftovers.insert(name);
    }

    const ReplaceResult second = replaceFile(dir, "resvec.txt", "segundo\n");
    ASSERT_TRUE(second.ok()) << static_cast<int>(second.failed) << " " << second.error;
    EXPECT_EQ(leftovers.count(fs::path(second.temporary).filename().string()), 0u)
        << second.temporary;
    EXPECT_EQ(contents(fs::path(dir) / "resvec.txt"), "segundo\n");

    std::set<std::string> expected = leftovers;
    expected.insert("resvec.txt");
    EXPECT_EQ(namesInFolder(), expected);
    for (const std::string& name : leftovers)
        EXPECT_EQ(contents(fs::path(dir) / name), "de otro proceso") << name;
}

} // namespace
