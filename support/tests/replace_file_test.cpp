// The atomic replacement's temporary names on POSIX.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "replace_file.hpp"

using namespace glifora::support;
namespace fs = std::filesystem;

namespace {

std::string contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ReplaceFileNames : public testing::Test {
protected:
    ReplaceFileNames()
    {
        std::string made = (fs::temp_directory_path() / "glifora-replace-XXXXXX").string();
        if (mkdtemp(made.data()) != nullptr)
            dir = made;
    }
    ~ReplaceFileNames() override
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
