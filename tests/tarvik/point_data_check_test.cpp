// A file must hold every point record its header promises. One that does not
// (a failed download, a crafted header) is refused before the banner, and no
// figure is built from bytes that are not there.
#include "tool.h"

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::TempDir;

namespace {

fixture::Las threePoints()
{
    fixture::Las las;
    las.format = 1;
    las.points.resize(3);
    return las;
}

} // namespace

TEST(PointDataCheck, IncompleteFilesAreRefusedWithTheShortfall)
{
    const std::string whole = fixture::bytes(threePoints()); // 227 + 3 * 28 = 311 bytes
    fixture::Las promisesMax = threePoints();
    promisesMax.pointCount = 4294967295;
    fixture::Las offsetInside = threePoints();
    offsetInside.offsetToData = 200;
    fixture::Las offsetPastEnd;
    offsetPastEnd.offsetToData = 5000;
    struct Row {
        const char *what;
        std::string bytes;
        const char *out;
    } rows[] = {
        {"cut in the middle of a record", whole.substr(0, 300),
         "\nt.las holds 300 bytes, 11 fewer than its header promises (3 point records of 28 bytes "
         "from byte 227)\n"},
        {"cut after the header", whole.substr(0, 227),
         "\nt.las holds 227 bytes, 84 fewer than its header promises (3 point records of 28 bytes "
         "from byte 227)\n"},
        {"cut inside the header", whole.substr(0, 150),
         "\nt.las holds 150 bytes, fewer than the 227 of a LAS header\n"},
        {"the largest count a header can hold", fixture::bytes(promisesMax),
         "\nt.las holds 311 bytes, 120259084176 fewer than its header promises (4294967295 point "
         "records of 28 bytes from byte 227)\n"},
        {"points said to start inside the header", fixture::bytes(offsetInside),
         "\nOffsetToData of t.las is 200, inside the 227-byte LAS header\n"},
        {"points said to start past the end", fixture::bytes(offsetPastEnd),
         "\nt.las holds 227 bytes, 4773 fewer than its header promises (0 point records of 28 "
         "bytes from byte 5000)\n"},
    };
    for (const Row &row : rows) {
        TempDir dir;
        dir.write("t.las", row.bytes);
        const auto single = tool::run({"t.las", "-s"}, dir.path());
        EXPECT_EQ(single.out, row.out) << row.what;
        EXPECT_EQ(single.status, 255) << row.what;
        EXPECT_FALSE(std::filesystem::exists(dir.file("t_stats.asc"))) << row.what;

        dir.write("l.txt", "t.las");
        const auto list = tool::run({"l.txt"}, dir.path());
        EXPECT_EQ(list.out, std::string(row.out) + "t.las (listed in l.txt) is not a valid LAS file\n")
            << row.what;
        EXPECT_EQ(list.status, 255) << row.what;
    }
}

TEST(PointDataCheck, TrailingBytesAfterTheLastRecordAreIgnored)
{
    TempDir dir;
    fixture::Las las = threePoints();
    las.trailing = std::string(13, '\x7F');
    dir.write("t.las", fixture::bytes(las));
    const auto r = tool::run({"t.las"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Total points :            3\n"), std::string::npos);
}

TEST(PointDataCheck, RealFileThatEndsEarlyIsRefused)
{
    const std::string data = SHARED_DATA_DIR;
    const auto r = tool::run({"pdal-garbage_nVariableLength.las"}, data);
    EXPECT_EQ(r.out, "\npdal-garbage_nVariableLength.las holds 14601 bytes, 6 fewer than its header "
                     "promises (719 point records of 20 bytes from byte 227)\n");
    EXPECT_EQ(r.status, 255);
}
