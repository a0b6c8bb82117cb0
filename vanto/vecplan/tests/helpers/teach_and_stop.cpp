// teach_and_stop TOOL_DIR POINT LABEL IMAGE: teaches IMAGE as LABEL in
// TOOL_DIR's reference set, as a teaching session does, and stops at POINT
// (lock, write or replaced): says "parado" on standard output there and
// waits to be killed. The kill tests' stand-in for a teaching process
// killed at that point.
#include "pbm.hpp"
#include "teaching.hpp"

#include <cstdio>
#include <string_view>
#include <unistd.h>

int main(int argc, char** argv)
{
    using namespace vanto::vecplan;
    if (argc != 5)
        return 2;
    const std::string_view point = argv[2];
    const StorePoint stopAt = point == "lock" ? StorePoint::Locked
        : point == "write"                    ? StorePoint::Written
                                              : StorePoint::Replaced;
    const vanto::PbmResult image = vanto::readPbm(argv[4]);
    const Measurement measured = image.ok() ? measureImage(image.bitmap) : Measurement {};
    if (!image.ok() || !measured.ok())
        return 2;
    const Reference reference
        = taughtReference(argv[3], recordedImagePath(argv[4]), measured.features, teachingTime(0));
    const StoreResult result = addTaught(argv[1], { reference }, nullptr, [&](StorePoint at) {
        if (at != stopAt)
            return;
        std::fputs("parado\n", stdout);
        std::fflush(stdout);
        for (;;)
            ::pause();
    });
    return result.ok() ? 3 : 4; // never stopped: the point was not reached
}
