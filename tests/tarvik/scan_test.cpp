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

#ifdef MMAP_SHIM
testsupport::Result runWithMapping(const char *mode, const std::vector<std::string> &args,
                                   const std::string &cwd)
{
    std::vector<std::string> full = {std::string("LD_PRELOAD=") + MMAP_SHIM,
                                     std::string("TARVIK_TEST_MMAP=") + mode, TARVIK_EXE};
    full.insert(full.end(), args.begin(), args.end());
    auto r = testsupport::run("/usr/bin/env", full, cwd);
    r.out = testsupport::maskElapsed(r.out);
    return r;
}
#endif

} // namespace

#ifdef MMAP_SHIM
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
