#include <gtest/gtest.h>

#include "host_path.hpp"
#include "tool_set.hpp"

using glifora::runner::toHostPath;

TEST(HostPath, DriveCBecomesTheRootWithForwardSlashesAndCaseKept)
{
    EXPECT_EQ(toHostPath("C:\\VANTO\\TRAZOC.EXE", "/opt/drive_c"),
              "/opt/drive_c/VANTO/TRAZOC.EXE");
    EXPECT_EQ(toHostPath("C:\\VANTO\\resvec.txt", "/opt/drive_c"),
              "/opt/drive_c/VANTO/resvec.txt");
}

TEST(HostPath, LowerCaseDriveLetterMapsToTheSameRoot)
{
    EXPECT_EQ(toHostPath("c:\\VANTO\\refset.db", "/r"), "/r/VANTO/refset.db");
}

TEST(HostPath, TrailingSlashesOfTheRootAreNotDoubled)
{
    EXPECT_EQ(toHostPath("C:\\VANTO\\X", "/r//"), "/r/VANTO/X");
    EXPECT_EQ(toHostPath("C:\\X", "/"), "/X");
}

TEST(HostPath, OtherPathsAndEmptyRootAreLeftAlone)
{
    EXPECT_EQ(toHostPath("/home/ana/a.pbm", "/r"), "/home/ana/a.pbm");
    EXPECT_EQ(toHostPath("D:\\VANTO\\X", "/r"), "D:\\VANTO\\X");
    EXPECT_EQ(toHostPath("C:VANTO", "/r"), "C:VANTO");
    EXPECT_EQ(toHostPath("C:\\VANTO\\X", ""), "C:\\VANTO\\X");
    EXPECT_EQ(toHostPath("", "/r"), "");
}

TEST(HostPath, ToolLiteralsKeepTheirExactSpelling)
{
    using namespace glifora::runner;
    EXPECT_EQ(kViewerPrefix, "C:\\VANTO\\VIEWPBM.EXE ");
    EXPECT_EQ(kContourPrefix, "C:\\VANTO\\TRAZOC.EXE ");
    EXPECT_EQ(kConvexPrefix, "C:\\VANTO\\CONVEXD.EXE ");
    EXPECT_EQ(kVectorPrefix, "C:\\VANTO\\VECPLAN.EXE ");
    EXPECT_EQ(kVectorResultFile, "C:\\VANTO\\resvec.txt");
    EXPECT_EQ(kDatabaseFile, "c:\\VANTO\\refset.db");
}
