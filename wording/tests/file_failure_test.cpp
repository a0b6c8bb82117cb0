// The words for a file that could not be read or written: one phrase for
// each kind of failure, our own words for a file and a folder, the system's
// reason with its number wherever the system gave one.
#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <set>
#include <string>
#include <vector>

#include "file_failure.hpp"
#include "system_reason.hpp"

using namespace glifora::support;
using glifora::wording::systemReason;
using glifora::wording::whyNotRead;
using glifora::wording::whyNotWritten;

namespace {

ReadFailure readFailure(ReadStep step, int error = 0)
{
    ReadFailure failure;
    failure.step = step;
    failure.error = error;
    return failure;
}

ReplaceResult replaceFailure(ReplaceStep step, int error)
{
    ReplaceResult result;
    result.failed = step;
    result.error = error;
    result.temporary = "/tmp/.r.txt.1.00000000";
    return result;
}

const ReplaceStep kReplaceSteps[] = { ReplaceStep::Create, ReplaceStep::Write, ReplaceStep::Sync,
    ReplaceStep::Stamp, ReplaceStep::Close, ReplaceStep::Lock, ReplaceStep::Rename };

// Every phrase that these functions can give, with an error number that
// has no text of its own, so that only our own words are in them.
std::vector<std::string> everyPhrase()
{
    std::vector<std::string> phrases;
    for (ReadStep step : { ReadStep::Open, ReadStep::Inspect, ReadStep::Folder,
             ReadStep::NotRegular, ReadStep::TooLarge, ReadStep::Read }) {
        ReadFailure failure = readFailure(step, 123456);
        failure.maxBytes = 10;
        phrases.push_back(whyNotRead(failure));
        failure.size = 11;
        phrases.push_back(whyNotRead(failure));
    }
    for (ReplaceStep step : kReplaceSteps)
        phrases.push_back(whyNotWritten(replaceFailure(step, 123456)));
    return phrases;
}

TEST(FileFailure, NothingIsSaidWhenNothingFailedOrAReplacementWasOnlyDeclined)
{
    EXPECT_EQ(whyNotRead(ReadFailure {}), "");
    ReplaceResult declined;
    declined.declined = true;
    EXPECT_EQ(whyNotWritten(declined), "");
}

// A window shows "…«file»: <phrase>." and a tool "<file>: <phrase>.".
TEST(FileFailure, EveryPhraseReadsInsideASentenceAndSaysFicheroAndCarpeta)
{
    for (const std::string& phrase : everyPhrase()) {
        ASSERT_FALSE(phrase.empty());
        EXPECT_TRUE(std::islower(static_cast<unsigned char>(phrase.front()))) << phrase;
        EXPECT_NE(phrase.back(), '.') << phrase;
        EXPECT_EQ(phrase.find("archivo"), std::string::npos) << phrase;
        EXPECT_EQ(phrase.find("directorio"), std::string::npos) << phrase;
    }
}

TEST(FileFailure, AFileThatCannotBeOpenedGetsTheSystemsReasonAlone)
{
    // What the windows' boxes end with.
    EXPECT_EQ(whyNotRead(readFailure(ReadStep::Open, ENOENT)), systemReason(ENOENT));
    EXPECT_EQ(
        whyNotRead(readFailure(ReadStep::Read, EIO)), "no se puede leer: " + systemReason(EIO));
    EXPECT_EQ(
        whyNotRead(readFailure(ReadStep::Inspect, EIO)), "no se puede leer: " + systemReason(EIO));
}

TEST(FileFailure, ARefusedFileIsToldWhatItIsOrHowLongItIs)
{
    EXPECT_EQ(whyNotRead(readFailure(ReadStep::Folder)), "es una carpeta, no un fichero");
    EXPECT_EQ(whyNotRead(readFailure(ReadStep::NotRegular)),
        "no es un fichero normal (dispositivo, tubería o similar)");
    ReadFailure tooLarge = readFailure(ReadStep::TooLarge);
    tooLarge.size = 300;
    tooLarge.maxBytes = 200;
    EXPECT_EQ(whyNotRead(tooLarge), "es demasiado grande (300 bytes; el máximo es 200 bytes)");
    tooLarge.size = 0; // it grew past the limit while being read
    EXPECT_EQ(whyNotRead(tooLarge), "es demasiado grande (el máximo es 200 bytes)");
}

// The viewer's box and VECPLAN.EXE's line say the same for the same step,
// and no two steps say the same.
TEST(FileFailure, EachStepOfAReplacementHasAPhraseOfItsOwnEndingInTheSystemsReason)
{
    std::set<std::string> seen;
    for (ReplaceStep step : kReplaceSteps) {
        const std::string phrase = whyNotWritten(replaceFailure(step, EACCES));
        const std::string reason = ": " + systemReason(EACCES);
        ASSERT_GT(phrase.size(), reason.size()) << phrase;
        EXPECT_EQ(phrase.substr(phrase.size() - reason.size()), reason) << phrase;
        // The temporary file is ours, not the user's: it is not named.
        EXPECT_EQ(phrase.find(".r.txt"), std::string::npos) << phrase;
        EXPECT_TRUE(seen.insert(phrase).second) << phrase;
    }
    EXPECT_EQ(whyNotWritten(replaceFailure(ReplaceStep::Create, EACCES)),
        "no se puede crear un fichero en la carpeta: permiso denegado (error 13)");
    EXPECT_EQ(whyNotWritten(replaceFailure(ReplaceStep::Rename, EISDIR)),
        "no se puede dar su nombre al fichero escrito: " + systemReason(EISDIR));
}

} // namespace
