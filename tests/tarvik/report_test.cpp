// The console summary, compared whole with the expected bytes.
#include "tool.h"

#include <gtest/gtest.h>

#include <cmath>

using testsupport::TempDir;

namespace {

using fixture::point;

// Five points at the edges of every counted field: return 2 of 2 with bit 6
// set, return 0 of 0, return 7 of 7 with both high bits, return 5 of 5; a
// withheld ground point (class 130); ranks -1, -90, 127, -128, 0; all GPS
// times negative, one NaN.
fixture::Las edgeValues()
{
    fixture::Las las;
    las.format = 1;
    las.maxX = 512345.678;
    las.minX = -0.004;
    las.maxY = 7000000.5;
    las.minY = 6999999.125;
    las.maxZ = 1234.5;
    las.minZ = -12.345;
    las.points = {point(0x52, 130, 255, 42, 0, 1, -5.5), point(0x00, 2, 166, 65535, 255, 65535, NAN),
                  point(0xFF, 7, 127, 0, 7, 0, -999999999.5), point(0x2D, 0, 128, 42, 0, 1, -3.25),
                  point(0x09, 1, 0, 7, 0, 1, -100.125)};
    return las;
}

const std::string kEdgeSummary =
    "\nSummary of edge.las\n"
    "\n"
    "\rLAS version 1.2, Format 1 (Type 6)\n"
    "-----------------------------------------------\n"
    "\n"
    "Total points :            5\n"
    "\n"
    "X range :                -0.00 to     512345.68\n"
    "Y range :           6999999.12 to    7000000.50\n"
    "Z range :               -12.35 to       1234.50\n"
    "\n"
    "GPS Time range : -999999999.500000 to     -3.250000\n"
    "\n"
    "1st Returns                      1\n"
    "2nd Returns                      1\n"
    "3rd Returns                      0\n"
    "4th Returns                      0\n"
    "5th Returns                      1\n"
    "7th Returns                      1\n"
    "\n"
    "Number of Returns = 1            1\n"
    "Number of Returns = 2            1\n"
    "Number of Returns = 3            0\n"
    "Number of Returns = 4            0\n"
    "Number of Returns = 5            1\n"
    "Number of Returns = 7            1\n"
    "\n"
    "Return Class   0                 1\n"
    "Return Class   1                 1\n"
    "Return Class   2                 1\n"
    "Return Class   7                 1\n"
    "Return Class 130                 1\n";

const std::string kEdgeDetail =
    "\n"
    "Intensity     0                  1\n"
    "Intensity     7                  1\n"
    "Intensity    42                  2\n"
    "Intensity 65535                  1\n"
    "\n"
    "Scan Angle Rank -128            1\n"
    "Scan Angle Rank -90            1\n"
    "Scan Angle Rank  -1            1\n"
    "Scan Angle Rank   0            1\n"
    "Scan Angle Rank 127            1\n"
    "\n"
    "User Data   0                  3\n"
    "User Data   7                  1\n"
    "User Data 255                  1\n"
    "\n"
    "Point Source ID     0          1\n"
    "Point Source ID     1          3\n"
    "Point Source ID 65535          1\n";

std::string wholeRun(const std::string &name, const std::string &summary)
{
    return tool::kBanner + tool::progress(name, 1, 1) + tool::kBlank + summary + tool::kElapsed;
}

} // namespace

TEST(Report, EdgeValuesWithDetailedListings)
{
    TempDir dir;
    dir.write("edge.las", fixture::bytes(edgeValues()));
    const auto r = tool::run({"edge.las", "-d"}, dir.path());
    EXPECT_EQ(r.out, wholeRun("edge.las", kEdgeSummary + kEdgeDetail));
    EXPECT_EQ(r.status, 0);
}

TEST(Report, WithoutDetailTheSummaryEndsAtTheLastClass)
{
    TempDir dir;
    dir.write("edge.las", fixture::bytes(edgeValues()));
    const auto r = tool::run({"edge.las"}, dir.path());
    EXPECT_EQ(r.out, wholeRun("edge.las", kEdgeSummary));
    EXPECT_EQ(r.status, 0);
}

TEST(Report, EveryLasTypeNamesItsVersionAndFormat)
{
    struct Row {
        int minor, format;
        const char *versionLine;
        bool gps;
    } rows[] = {
        {0, 0, "\rLAS version 1.0, Format 0 (Type 1)\n", false},
        {0, 1, "\rLAS version 1.0, Format 1 (Type 2)\n", true},
        {1, 0, "\rLAS version 1.1, Format 0 (Type 3)\n", false},
        {1, 1, "\rLAS version 1.1, Format 1 (Type 4)\n", true},
        {2, 0, "\rLAS version 1.2, Format 0 (Type 5)\n", false},
        {2, 1, "\rLAS version 1.2, Format 1 (Type 6)\n", true},
        {2, 2, "\rLAS version 1.2, Format 2 (Type 7)\n", false},
        {2, 3, "\rLAS version 1.2, Format 3 (Type 8)\n", true},
    };
    for (const Row &row : rows) {
        TempDir dir;
        fixture::Las las;
        las.versionMinor = static_cast<uint8_t>(row.minor);
        las.format = static_cast<uint8_t>(row.format);
        las.vlrBytes = std::string(54, '\x01'); // the points start after a VLR
        // Return 1 of 2 and 2 of 2, classes 3 and 4, GPS times 7.25 and 1e9.
        las.points = {point(0x11, 3, 10, 300, 0, 7, 7.25), point(0x12, 4, 246, 301, 0, 7, 1e9)};
        dir.write("t.las", fixture::bytes(las));
        const std::string gpsLine = row.gps ? "GPS Time range :      7.250000 to 1000000000.000000\n\n"
                                            : "GPS Time range : \n\n";
        const std::string summary = std::string("\nSummary of t.las\n\n") + row.versionLine +
                                    "-----------------------------------------------\n\n"
                                    "Total points :            2\n\n"
                                    "X range :                 0.00 to        100.00\n"
                                    "Y range :                10.00 to        200.00\n"
                                    "Z range :                -5.00 to         30.00\n\n" +
                                    gpsLine +
                                    "1st Returns                      1\n"
                                    "2nd Returns                      1\n"
                                    "3rd Returns                      0\n"
                                    "4th Returns                      0\n\n"
                                    "Number of Returns = 1            0\n"
                                    "Number of Returns = 2            2\n"
                                    "Number of Returns = 3            0\n"
                                    "Number of Returns = 4            0\n\n"
                                    "Return Class   3                 1\n"
                                    "Return Class   4                 1\n";
        const auto r = tool::run({"t.las"}, dir.path());
        EXPECT_EQ(r.out, wholeRun("t.las", summary)) << row.versionLine;
        EXPECT_EQ(r.status, 0);
    }
}

TEST(Report, FileWithoutPointsShowsTheStartingValuesOfTheGpsRange)
{
    TempDir dir;
    fixture::Las las;
    las.format = 3;
    dir.write("empty.las", fixture::bytes(las));
    const std::string summary =
        "\nSummary of empty.las\n\n"
        "\rLAS version 1.2, Format 3 (Type 8)\n"
        "-----------------------------------------------\n\n"
        "Total points :            0\n\n"
        "X range :                 0.00 to        100.00\n"
        "Y range :                10.00 to        200.00\n"
        "Z range :                -5.00 to         30.00\n\n"
        "GPS Time range : 100000000000.000000 to -100000000000.000000\n\n"
        "1st Returns                      0\n"
        "2nd Returns                      0\n"
        "3rd Returns                      0\n"
        "4th Returns                      0\n\n"
        "Number of Returns = 1            0\n"
        "Number of Returns = 2            0\n"
        "Number of Returns = 3            0\n"
        "Number of Returns = 4            0\n\n";
    // With -d every listing is empty but keeps its blank line.
    const auto r = tool::run({"empty.las", "-d"}, dir.path());
    EXPECT_EQ(r.out, wholeRun("empty.las", summary + "\n\n\n\n"));
    EXPECT_EQ(r.status, 0);
}

TEST(Report, NaNHeaderBoundsLeaveTheStartingValues)
{
    TempDir dir;
    fixture::Las las;
    las.format = 0;
    las.maxX = NAN;
    las.minY = NAN;
    las.points.resize(1);
    dir.write("n.las", fixture::bytes(las));
    const auto r = tool::run({"n.las"}, dir.path());
    EXPECT_NE(r.out.find("X range :                 0.00 to -100000000000.00\n"
                         "Y range :        100000000000.00 to        200.00\n"),
              std::string::npos)
        << r.out;
}
