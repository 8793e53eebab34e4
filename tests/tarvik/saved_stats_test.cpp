// The saved statistics file of -s: its name, its bytes, and the failures
// that must not pass for success.
#include "tool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using testsupport::TempDir;

namespace {

fixture::Las edgeValues()
{
    fixture::Las las;
    las.format = 1;
    las.maxX = 512345.678;
    las.minX = -0.004;
    using fixture::point;
    las.points = {point(0x52, 130, 251, 42, 0, 1, -5.5), point(0x00, 7, 5, 65535, 255, 65535, NAN),
                  point(0x3F, 2, 127, 0, 7, 0, -999999999.5), point(0x2D, 2, 128, 42, 0, 1, -3.25)};
    return las;
}

const std::string kEdgeFigures = "TotalPoints                  4\n"
                                 "XMin                        -0.00\n"
                                 "XMax                    512345.68\n"
                                 "YMin                        10.00\n"
                                 "YMax                       200.00\n"
                                 "ZMin                        -5.00\n"
                                 "ZMax                        30.00\n"
                                 "GPSTimeMin          -999999999.500000\n"
                                 "GPSTimeMax                  -3.250000\n"
                                 "1stReturns                   0\n"
                                 "2ndReturns                   1\n"
                                 "3rdReturns                   0\n"
                                 "4thReturns                   0\n"
                                 "5thReturns                   1\n"
                                 "7thReturns                   1\n"
                                 "NumberReturns1               0\n"
                                 "NumberReturns2               1\n"
                                 "NumberReturns3               0\n"
                                 "NumberReturns4               0\n"
                                 "NumberReturns5               1\n"
                                 "NumberReturns7               1\n"
                                 "Class002                     2\n"
                                 "Class007                     1\n"
                                 "Class130                     1\n";

const std::string kEdgeDetail = "Intensity00000               1\n"
                                "Intensity00042               2\n"
                                "Intensity65535               1\n"
                                "ScanAngleRank-128            1\n"
                                "ScanAngleRank-005            1\n"
                                "ScanAngleRank005             1\n"
                                "ScanAngleRank127             1\n"
                                "UserData000                  2\n"
                                "UserData007                  1\n"
                                "UserData255                  1\n"
                                "PointSourceID00000           1\n"
                                "PointSourceID00001           2\n"
                                "PointSourceID65535           1\n";

} // namespace

TEST(SavedStats, FiguresWithAndWithoutDetail)
{
    TempDir dir;
    dir.write("edge.las", fixture::bytes(edgeValues()));
    auto r = tool::run({"edge.las", "-s"}, dir.path());
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(testsupport::readFile(dir.file("edge_stats.asc")), kEdgeFigures);
    r = tool::run({"edge.las", "-s", "-d"}, dir.path());
    ASSERT_EQ(r.status, 0);
    // A second run replaces the file of the first.
    EXPECT_EQ(testsupport::readFile(dir.file("edge_stats.asc")), kEdgeFigures + kEdgeDetail);
    EXPECT_EQ(r.out.substr(r.out.size() - tool::kElapsed.size()), tool::kElapsed);
}

TEST(SavedStats, FormatsWithoutGpsTimeWriteTheBareKeywords)
{
    TempDir dir;
    fixture::Las las;
    las.format = 2;
    las.points.resize(2);
    dir.write("c.las", fixture::bytes(las));
    ASSERT_EQ(tool::run({"c.las", "-s"}, dir.path()).status, 0);
    EXPECT_EQ(testsupport::readFile(dir.file("c_stats.asc")),
              "TotalPoints                  2\n"
              "XMin                         0.00\n"
              "XMax                       100.00\n"
              "YMin                        10.00\n"
              "YMax                       200.00\n"
              "ZMin                        -5.00\n"
              "ZMax                        30.00\n"
              "GPSTimeMin\n"
              "GPSTimeMax\n"
              "1stReturns                   2\n"
              "2ndReturns                   0\n"
              "3rdReturns                   0\n"
              "4thReturns                   0\n"
              "NumberReturns1               2\n"
              "NumberReturns2               0\n"
              "NumberReturns3               0\n"
              "NumberReturns4               0\n"
              "Class002                     2\n");
}

TEST(SavedStats, EmptyFileEndsWithTheFourthNumberOfReturns)
{
    TempDir dir;
    fixture::Las las;
    las.format = 3;
    dir.write("e.las", fixture::bytes(las));
    ASSERT_EQ(tool::run({"e.las", "-s", "-d"}, dir.path()).status, 0);
    const std::string saved = testsupport::readFile(dir.file("e_stats.asc"));
    EXPECT_NE(saved.find("GPSTimeMin        100000000000.000000\n"
                         "GPSTimeMax       -100000000000.000000\n"),
              std::string::npos);
    EXPECT_EQ(saved.substr(saved.size() - 31), "NumberReturns4               0\n");
}

TEST(SavedStats, NameIsTheInputLessItsExtension)
{
    TempDir dir;
    std::filesystem::create_directory(dir.file("sub.d"));
    const std::string las = fixture::bytes(edgeValues());
    const std::string longStem(240, 'L');
    dir.write("a.b.las", las);
    dir.write("sub.d/x.las", las);
    dir.write(longStem + ".las", las);
    dir.write("flights.txt", "a.b.las sub.d/x.las");
    struct Row {
        const char *input, *saved;
    } rows[] = {{"a.b.las", "a.b_stats.asc"},
                {"sub.d/x.las", "sub.d/x_stats.asc"},
                {"flights.txt", "flights_stats.asc"}};
    for (const Row &row : rows) {
        EXPECT_EQ(tool::run({row.input, "-s"}, dir.path()).status, 0) << row.input;
        EXPECT_TRUE(std::filesystem::exists(dir.file(row.saved))) << row.saved;
    }
    EXPECT_EQ(tool::run({longStem + ".las", "-s"}, dir.path()).status, 0);
    EXPECT_EQ(testsupport::readFile(dir.file(longStem + "_stats.asc")), kEdgeFigures);
}

TEST(SavedStats, FailuresComeAfterTheWholeReportAndEndTheRun)
{
    TempDir dir;
    dir.write("x.las", fixture::bytes(edgeValues()));
    const auto good = tool::run({"x.las"}, dir.path());
    const std::string report = good.out.substr(0, good.out.size() - tool::kElapsed.size());

    // A directory in the way: the file cannot be created.
    std::filesystem::create_directory(dir.file("x_stats.asc"));
    auto r = tool::run({"x.las", "-s"}, dir.path());
    EXPECT_EQ(r.out, report + "\nCannot open ASCII file x_stats.asc for writing\n");
    EXPECT_EQ(r.status, 255);
    std::filesystem::remove(dir.file("x_stats.asc"));

    // A full disk: the writes fail when the file is flushed.
    std::filesystem::create_symlink("/dev/full", dir.file("x_stats.asc"));
    r = tool::run({"x.las", "-s", "-d"}, dir.path());
    const std::string detailed = tool::run({"x.las", "-d"}, dir.path()).out;
    EXPECT_EQ(r.out, detailed.substr(0, detailed.size() - tool::kElapsed.size()) +
                         "\nCannot write ASCII file x_stats.asc: No space left on device\n");
    EXPECT_EQ(r.status, 255);
}
