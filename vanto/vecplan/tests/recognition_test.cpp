#include "recognition.hpp"
#include "test_files.hpp"
#include "test_images.hpp"
#include "test_refset.hpp"
#include "wording.hpp"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vanto::vecplan;
using namespace vanto::vecplan::test;

TEST(Recognition, RanksEveryCharacterOfTheFoldersReferencesNearestFirst)
{
    ScratchDir dir;
    writeText(dir.file("refset.db"), smallRefset());
    const Recognition ring5 = recognise(enlarged(ring(), 5), dir.path());
    ASSERT_TRUE(ring5.ok()) << describeRecognitionFault(ring5, "aro.pbm");
    ASSERT_EQ(ring5.candidates.size(), 3u);
    EXPECT_EQ(ring5.candidates.front().label, "O");
    EXPECT_EQ(ring5.candidates.front().origin, "mano/5px");
    EXPECT_LT(ring5.candidates[0].distance, ring5.candidates[1].distance);
    EXPECT_LE(ring5.candidates[1].distance, ring5.candidates[2].distance);
    EXPECT_TRUE(ring5.doubt.empty());

    // A taught L drawn otherwise joins the ranking at once: it is the
    // nearest reference of its character for the image it was measured from.
    const vanto::Bitmap tallL = drawing({ "#...", "#...", "#...", "#...", "#...", "#...", "####" });
    TeachingSession session(dir.path());
    ASSERT_TRUE(session.teach(tallL, dir.file("ele.pbm"), "L").ok());
    const Recognition taught = recognise(tallL, dir.path());
    ASSERT_TRUE(taught.ok());
    EXPECT_EQ(taught.candidates.front().label, "L");
    EXPECT_EQ(taught.candidates.front().origin, "enseñada: ele.pbm");
}

// An image that holds no character is said to be so whatever the state of
// the folder: its reference set is not even read.
TEST(Recognition, ABlankImageIsRefusedBeforeTheReferenceSetIsRead)
{
    ScratchDir dir;
    const Recognition blank = recognise(drawing({ "...", "..." }), dir.path());
    EXPECT_FALSE(blank.ok());
    EXPECT_EQ(blank.measurement.fault, MeasureFault::NoBlack);
    EXPECT_EQ(blank.refsetError, "");
    EXPECT_TRUE(blank.candidates.empty());
    EXPECT_EQ(describeRecognitionFault(blank, "nada.pbm"),
        "La imagen nada.pbm no tiene ningún píxel negro: no hay carácter que reconocer.");
}

TEST(Recognition, AMissingOrDamagedReferenceSetGivesItsOneLineAndNoCandidates)
{
    ScratchDir dir;
    const Recognition missing = recognise(letterL(), dir.path());
    EXPECT_FALSE(missing.ok());
    EXPECT_TRUE(missing.measurement.ok());
    EXPECT_NE(missing.refsetError.find("no existe el fichero"), std::string::npos)
        << missing.refsetError;

    writeText(dir.file("refset.db"), smallRefset() + std::string(kTaughtMarker) + " 2\n");
    const Recognition damaged = recognise(letterL(), dir.path());
    EXPECT_FALSE(damaged.ok());
    EXPECT_TRUE(damaged.candidates.empty());
    const std::string message = describeRecognitionFault(damaged, "ele.pbm");
    EXPECT_EQ(message, damaged.refsetError);
    EXPECT_NE(message.find(dir.file("refset.db")), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
}
