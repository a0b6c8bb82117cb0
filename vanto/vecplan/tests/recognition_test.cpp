#include "recognition.hpp"
#include "test_files.hpp"
#include "test_images.hpp"
#include "wording.hpp"

#include <gtest/gtest.h>

using namespace vanto::vecplan;
using namespace vanto::vecplan::test;

// An image that holds no character is said to be so whatever the state of
// the folder: its reference set is not even read.
TEST(Recognition, ABlankImageIsRefusedBeforeTheReferenceSetIsRead)
{
    ScratchDir dir;
    const Recognition blank = recognise(drawing({ "...", "..." }), dir.path());
    EXPECT_FALSE(blank.ok());
    EXPECT_EQ(blank.measurement.fault, MeasureFault::NoBlack);
    EXPECT_EQ(blank.refsetError, "");
    EXPECT_TRUE(blank.ranking.candidates.empty());
    EXPECT_EQ(describeRecognitionFault(blank, "nada.pbm"),
        "La imagen nada.pbm no tiene ningún píxel negro: no hay carácter que reconocer.");
}
