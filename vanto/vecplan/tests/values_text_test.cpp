#include "values_text.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

using namespace vanto::vecplan;

namespace {

// What one reader makes of a text: refused, or the values.
struct Outcome {
    bool read = false;
    FeatureVector values {};
};

// Reads text held in an allocation of exactly its size, so that a reader
// that looks past the end is caught by the address sanitizer.
Outcome readWith(bool (*reader)(const char*&, const char*, FeatureVector&), std::string_view text)
{
    const auto held = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), held.get());
    Outcome outcome;
    const char* p = held.get();
    const char* const end = held.get() + text.size();
    outcome.read = reader(p, end, outcome.values);
    if (outcome.read) {
        EXPECT_EQ(p, end) << "a successful read stops at the end";
    }
    return outcome;
}

// Both readers on text: they must agree, and the outcome is returned.
Outcome readBoth(std::string_view text)
{
    const Outcome fast = readWith(readValues, text);
    const Outcome careful = readWith(readValuesOneByOne, text);
    EXPECT_EQ(fast.read, careful.read) << '"' << text << '"';
    if (fast.read && careful.read) {
        EXPECT_EQ(fast.values, careful.values) << '"' << text << '"';
    }
    return careful;
}

std::string written(const FeatureVector& values)
{
    std::string text;
    for (const int v : values)
        text += " " + std::to_string(v);
    return text;
}

// Values of one to four digits (some with leading zeros, as a careless
// writer might), so that lines end at every offset within a block.
std::string randomValuesText(std::mt19937& random, FeatureVector& values)
{
    std::uniform_int_distribution<int> digits(1, 4), value(0, kMaxValue);
    std::string text;
    for (int& v : values) {
        const int length = digits(random);
        v = value(random)
            % (length == 4        ? kMaxValue + 1
                    : length == 3 ? 1000
                    : length == 2 ? 100
                                  : 10);
        std::string number = std::to_string(v);
        number.insert(0,
            static_cast<std::size_t>(std::max(0, length - static_cast<int>(number.size()))), '0');
        text += " " + number;
    }
    return text;
}

std::string committedValueLines()
{
    std::ifstream in(VECPLAN_REFSET_DB, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

// Every built-in line as the generator writes it: the values after the
// label and the origin are read alike by both readers, and read at all.
TEST(ValuesText, EveryLineOfTheCommittedSetReadsAlikeBothWays)
{
    const std::string text = committedValueLines();
    ASSERT_GT(text.size(), 100000u) << VECPLAN_REFSET_DB;
    std::size_t lines = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (line.empty() || line.front() == '#' || line.starts_with("VECPLAN-REFSET"))
            continue;
        const std::size_t label = line.find(' ');
        const std::size_t values = line.find(' ', label + 1);
        ASSERT_NE(values, std::string_view::npos) << line;
        EXPECT_TRUE(readBoth(line.substr(values)).read) << line;
        ++lines;
    }
    EXPECT_GT(lines, 1000u);
}

TEST(ValuesText, ValuesOfEveryLengthAndLineOfEveryLengthReadExactly)
{
    std::mt19937 random(233);
    for (int i = 0; i < 400; ++i) {
        FeatureVector values;
        const std::string text = randomValuesText(random, values);
        const Outcome outcome = readBoth(text);
        ASSERT_TRUE(outcome.read) << text;
        EXPECT_EQ(outcome.values, values) << text;
    }
    // The smallest and the largest everywhere, the shortest line and the
    // longest.
    for (const int v : { 0, kMaxValue }) {
        FeatureVector values;
        values.fill(v);
        const Outcome outcome = readBoth(written(values));
        ASSERT_TRUE(outcome.read) << v;
        EXPECT_EQ(outcome.values, values);
    }
    std::string padded;
    for (int i = 0; i < kVectorSize; ++i)
        padded += " 0999";
    const Outcome outcome = readBoth(padded);
    ASSERT_TRUE(outcome.read);
    EXPECT_EQ(outcome.values.back(), 999);
}

struct Refused {
    const char* what;
    // Changes a good line of values (1 2 3 ... as written) into one that
    // is not as the writers write it.
    std::string (*damage)(std::string line);
};

class RefusedValuesText : public testing::TestWithParam<Refused> { };

TEST_P(RefusedValuesText, IsRefusedByBoth)
{
    FeatureVector values;
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<int>(i * 7 % (kMaxValue + 1));
    const std::string line = GetParam().damage(written(values));
    EXPECT_FALSE(readBoth(line).read) << line;
}

INSTANTIATE_TEST_SUITE_P(ValuesText, RefusedValuesText,
    testing::Values(Refused { "empty", [](std::string) { return std::string(); } },
        Refused { "one value missing", [](std::string l) { return l.substr(0, l.rfind(' ')); } },
        Refused { "one value too many", [](std::string l) { return l + " 5"; } },
        Refused { "cut within the last value",
            [](std::string l) { return l.substr(0, l.size() - 1) + " "; } },
        Refused { "cut in the middle", [](std::string l) { return l.substr(0, l.size() / 2); } },
        Refused { "no space first", [](std::string l) { return l.substr(1); } },
        Refused { "space after the last", [](std::string l) { return l + " "; } },
        Refused { "two spaces", [](std::string l) { return l.insert(40, " "); } },
        Refused { "a tab", [](std::string l) { return l.replace(l.find(' ', 30), 1, "\t"); } },
        Refused { "1001",
            [](std::string l) { return l.replace(l.rfind(' '), std::string::npos, " 1001"); } },
        Refused { "9999 early", [](std::string l) { return l.replace(0, 2, " 9999"); } },
        Refused { "five digits", [](std::string l) { return l.replace(0, 2, " 00001"); } },
        Refused { "a sign", [](std::string l) { return l.replace(l.find(' ', 100), 1, " -"); } },
        Refused { "a letter", [](std::string l) { return l.replace(l.size() / 2, 1, "x"); } },
        Refused {
            "a byte of UTF-8", [](std::string l) { return l.replace(l.size() / 3, 1, "\xC3"); } },
        Refused { "a nul",
            [](std::string l) { return l.replace(l.size() - 1, 1, std::string(1, '\0')); } }),
    [](const testing::TestParamInfo<Refused>& info) {
        std::string name;
        for (const char c : std::string(info.param.what))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

// Good lines damaged at random, a byte changed, added or taken away
// anywhere: whatever the readers make of them, they make the same.
TEST(ValuesText, DamagedLinesReadAlikeBothWays)
{
    std::mt19937 random(19);
    static constexpr char kBytes[] = { '0', '1', '5', '9', ' ', ' ', '\t', 'x', '-', '\xC3', '\0' };
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kBytes - 1);
    int read = 0, refused = 0;
    for (int i = 0; i < 3000; ++i) {
        FeatureVector values;
        std::string text = randomValuesText(random, values);
        const int changes = 1 + static_cast<int>(random() % 3);
        for (int c = 0; c < changes && !text.empty(); ++c) {
            const std::size_t at = random() % text.size();
            switch (random() % 4) {
            case 0:
                text[at] = kBytes[pick(random)];
                break;
            case 1:
                text.insert(at, 1, kBytes[pick(random)]);
                break;
            case 2:
                text.erase(at, 1);
                break;
            default:
                text.resize(at);
            }
        }
        (readBoth(text).read ? read : refused) += 1;
    }
    // Both kinds of outcome were met, so both were compared.
    EXPECT_GT(read, 100);
    EXPECT_GT(refused, 100);
}
