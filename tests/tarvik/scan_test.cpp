// The scan reads records from mapped windows, or in blocks where a file
// cannot be mapped; both must give the same figures, across window and block
// boundaries, and a file cut short under the scan must be reported.
#include "tool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

using testsupport::TempDir;

namespace {

std::string summary(const std::string &out)
{
    const size_t from = out.find("\nSummary of");
    return from == std::string::npos ? "" : out.substr(from);
}

#ifdef FAULT_SHIM
testsupport::Result runWithMapping(const char *mode, const std::vector<std::string> &args,
                                   const std::string &cwd)
{
    return tool::runWithFaults(std::string("TARVIK_TEST_MMAP=") + mode, args, cwd);
}
#endif

} // namespace

#ifdef FAULT_SHIM
TEST(Scan, MappedAndReadRecordsGiveTheSameFigures)
{
    TempDir dir;
    // About 21 MB: three mapped windows and twenty read blocks, neither a
    // whole number of records.
    for (const char *format : {"1", "2"}) {
        const auto made = testsupport::run(
            MAKE_SAMPLE_EXE, {dir.file("big.las"), "--points", "750001", "--format", format});
        ASSERT_EQ(made.status, 0);
        const auto mapped = tool::run({"big.las", "-d"}, dir.path());
        const auto read = runWithMapping("fail", {"big.las", "-d"}, dir.path());
        ASSERT_EQ(mapped.status, 0);
        EXPECT_EQ(read.status, 0);
        EXPECT_EQ(read.out, mapped.out);
        EXPECT_NE(mapped.out.find("Total points :       750001\n"), std::string::npos);
    }
}

TEST(Scan, FileCutShortUnderTheScanIsReported)
{
    TempDir dir;
    ASSERT_EQ(testsupport::run(MAKE_SAMPLE_EXE, {dir.file("cut.las"), "--points", "5000"}).status, 0);
    const auto r = runWithMapping("short", {"cut.las", "-s"}, dir.path());
    EXPECT_EQ(r.out, tool::kBanner + tool::progress("cut.las", 1, 1) +
                         "\nFile cut.las changed after it was validated (it was cut short while it "
                         "was read); no summary is given\n");
    EXPECT_EQ(r.status, 255);
    EXPECT_FALSE(std::filesystem::exists(dir.file("cut_stats.asc")));
}
#endif

// The GPS extremes are kept in several running values for speed; the figures
// must still be those of a point-by-point scan, NaN and the sign of zero
// included.
TEST(Scan, GpsExtremesMatchAPointByPointScan)
{
    const double choices[] = {0.0, -0.0, 1.5, -2.5, NAN, 1e10, -1e12};
    std::mt19937 random(12345);
    TempDir dir;
    for (int trial = 0; trial < 120; ++trial) {
        fixture::Las las;
        las.format = trial % 2 ? 1 : 3;
        const size_t n = 1 + random() % 23;
        double lo = 1e11, hi = -1e11;
        for (size_t k = 0; k < n; ++k) {
            fixture::Point p;
            // Mostly zeros of either sign, to find the order they are met in.
            p.gpsTime = choices[random() % (trial < 60 ? 2 : 7)];
            lo = p.gpsTime < lo ? p.gpsTime : lo;
            hi = p.gpsTime > hi ? p.gpsTime : hi;
            las.points.push_back(p);
        }
        dir.write("g.las", fixture::bytes(las));
        char line[128];
        std::snprintf(line, sizeof line, "GPS Time range : %13.6f to %13.6f\n\n", lo, hi);
        const auto r = tool::run({"g.las"}, dir.path());
        ASSERT_NE(r.out.find(line), std::string::npos) << "trial " << trial << ": want " << line
                                                       << summary(r.out);
    }
}

// A sparse file: 215 million records of zeros, more than 4 GiB, with real
// records at its start and at its very end, beyond the 32-bit offsets.
TEST(Scan, FilesLargerThan4GiBAreReadInFull)
{
    TempDir dir;
    constexpr uint32_t kPoints = 215000000;
    fixture::Las las;
    las.format = 0;
    las.pointCount = kPoints;
    fixture::Point first, last;
    first.classification = 5;
    last.classification = 9;
    last.bitfield = 0x1A; // return 2 of 3
    const std::string path = dir.write("huge.las", fixture::bytes(las) + fixture::record(first, 0));
    {
        std::FILE *f = std::fopen(path.c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        const std::string tail = fixture::record(last, 0);
        ASSERT_EQ(fseeko(f, 227 + off_t{kPoints - 1} * 20, SEEK_SET), 0);
        ASSERT_EQ(std::fwrite(tail.data(), 1, tail.size(), f), tail.size());
        ASSERT_EQ(std::fclose(f), 0);
    }
    ASSERT_GT(std::filesystem::file_size(path), uint64_t{1} << 32);
    const auto r = tool::run({"huge.las"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Total points :    215000000\n"), std::string::npos);
    EXPECT_NE(r.out.find("1st Returns                      1\n"
                         "2nd Returns                      1\n"),
              std::string::npos);
    EXPECT_NE(r.out.find("Number of Returns = 1            1\n"
                         "Number of Returns = 2            0\n"
                         "Number of Returns = 3            1\n"),
              std::string::npos);
    EXPECT_NE(r.out.find("Return Class   0         214999998\n"
                         "Return Class   5                 1\n"
                         "Return Class   9                 1\n"),
              std::string::npos);
}
