// update_header on LAS files built byte by byte: the rewritten header is
// compared with the original bytes patched at the offsets of the updated
// fields, so every other byte of the file is checked as well.
#include "Korvane_LiDAR.h"
#include "las_fixture.h"
#include "process.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// Raw extremes in header order: maxX, minX, maxY, minY, maxZ, minZ.
using Raw = std::array<int32_t, 6>;
// What a file with no whole record gets.
constexpr Raw kStart = {-2147483646, 2147483646, -2147483646, 2147483646, -10000000, 10000000};

// One product and one sum, each rounded: the volatile keeps the compiler of
// this test from fusing them.
double separately(int32_t raw, double scale, double offset)
{
    volatile double product = static_cast<double>(raw) * scale;
    return product + offset;
}

// The original file with the fields that the update writes patched in.
std::string patched(std::string bytes, const fixture::Las &las, uint32_t count,
                    const std::array<uint32_t, 5> &byReturn, const Raw &raw)
{
    std::string fields;
    fixture::put(fields, count, 4);
    for (uint32_t c : byReturn)
        fixture::put(fields, c, 4);
    fields.append(bytes, 131, 48); // scales and offsets as they were
    for (size_t k = 0; k < 6; ++k)
        fixture::putDouble(fields, separately(raw[k], las.scale[k / 2], las.offset[k / 2]));
    return bytes.replace(107, fields.size(), fields);
}

fixture::Point point(int32_t x, int32_t y, int32_t z, uint8_t bitfield = 0x09)
{
    fixture::Point p;
    p.x = x;
    p.y = y;
    p.z = z;
    p.bitfield = bitfield;
    p.gpsTime = 1234.5;
    p.red = 0xBEEF;
    return p;
}

struct Outcome {
    testsupport::Result run;
    std::string before, after;
};

Outcome update(const testsupport::TempDir &dir, const std::string &bytes, const std::string &name = "f.las")
{
    const std::string path = dir.write(name, bytes);
    Outcome o;
    o.before = bytes;
    o.run = testsupport::runInChild([&] { update_header(path.c_str()); });
    o.after = testsupport::readFile(path);
    return o;
}

std::string success(const std::string &path)
{
    return "\rHeader of file " + path + " has been updated    ";
}

} // namespace

// Every LAS type, with a wrong stored count, return numbers 0, 6 and 7 that
// count only as points, a block of variable-length bytes before the points and
// a trailing part-record that must not count.
TEST(HeaderUpdate, RewritesCountsAndBoundsForEveryType)
{
    struct Row {
        uint8_t minor, format;
    };
    const Row rows[] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {2, 2}, {2, 3}};
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << "1." << int(row.minor) << " format " << int(row.format));
        testsupport::TempDir dir;
        fixture::Las las;
        las.versionMinor = row.minor;
        las.format = row.format;
        las.pointCount = 99;
        for (uint32_t &c : las.pointsByReturn)
            c = 7;
        las.vlrBytes = std::string(54, 'V');
        las.scale[0] = 0.01, las.scale[1] = 0.1, las.scale[2] = 0.001;
        las.offset[0] = 1000.5, las.offset[1] = -0.3, las.offset[2] = 7;
        las.points = {point(-1, 3, 500, 0x09), point(1, -2, -500, 0x12), point(300, 1, 0, 0x00),
                      point(-70000, 0, 12, 0xFF), point(0, 2, 9, 0x2D), point(5, 2, 1, 0x0E)};
        // Read as a record, these bytes would give the largest X, Y and Z.
        las.trailing = std::string(static_cast<size_t>(fixture::formatSize(row.format) - 1), '\x7F');
        const std::string bytes = fixture::bytes(las);
        const Outcome o = update(dir, bytes);
        EXPECT_EQ(o.run.status, 0);
        EXPECT_EQ(o.run.out, success(dir.file("f.las")));
        EXPECT_EQ(o.after, patched(bytes, las, 6, {1, 1, 0, 0, 1}, {300, -70000, 3, -2, 500, -500}));
    }
}

// The offset is added after the product is rounded. For 3 x 0.1 - 0.3 that
// gives 2^-54, where a fused multiply-add gives about 2.8e-17.
TEST(HeaderUpdate, CoordinateIsARoundedProductPlusTheOffset)
{
    ASSERT_NE(separately(3, 0.1, -0.3), std::fma(3.0, 0.1, -0.3));
    testsupport::TempDir dir;
    fixture::Las las;
    las.format = 0;
    las.scale[0] = las.scale[1] = las.scale[2] = 0.1;
    las.offset[0] = las.offset[1] = las.offset[2] = -0.3;
    las.points = {point(3, 3, 3)};
    const Outcome o = update(dir, fixture::bytes(las));
    double maxX;
    std::memcpy(&maxX, o.after.data() + 179, 8);
    EXPECT_EQ(maxX, 0.30000000000000004 - 0.3);
    EXPECT_EQ(maxX, std::ldexp(1.0, -54));
}

// The start values are not the 32-bit limits, and coordinates compare as
// signed values.
TEST(HeaderUpdate, ExtremesStartFromTheirStartValues)
{
    struct Row {
        const char *what;
        std::vector<fixture::Point> points;
        std::string trailing;
        Raw raw;
    };
    const Row rows[] = {
        {"no whole record", {}, std::string(19, '\x01'), kStart},
        {"one record sets both extremes", {point(5, -6, 7)}, "", {5, 5, -6, -6, 7, 7}},
        {"32-bit ends and a high Z",
         {point(kMin, kMax, 20000000), point(kMin, kMax, 20000001)},
         "",
         {-2147483646, kMin, kMax, 2147483646, 20000001, 10000000}},
        {"signed comparison and a low Z",
         {point(-1, 1, -20000000), point(1, -1, -20000001)},
         "",
         {1, -1, 1, -1, -10000000, -20000001}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        testsupport::TempDir dir;
        fixture::Las las;
        las.format = 0;
        las.scale[0] = las.scale[1] = las.scale[2] = 0.01;
        las.offset[0] = 5, las.offset[1] = -5, las.offset[2] = 0.5;
        las.points = row.points;
        las.trailing = row.trailing;
        const std::string bytes = fixture::bytes(las);
        const Outcome o = update(dir, bytes);
        EXPECT_EQ(o.run.status, 0);
        const uint32_t count = static_cast<uint32_t>(row.points.size());
        EXPECT_EQ(o.after, patched(bytes, las, count, {count, 0, 0, 0, 0}, row.raw));
    }
}

// OffsetToData above 2^31 and records that run past 4 GiB, in a sparse file.
TEST(HeaderUpdate, RecordsBeyondFourGiB)
{
    testsupport::TempDir dir;
    fixture::Las las;
    las.format = 1;
    las.offsetToData = 0xFFFFFF00; // 4 GiB - 256
    std::string records;
    for (int32_t k = 0; k < 10; ++k)
        records += fixture::record(point(k * 10, -k, k, 0x09), 1);
    records += "tail";
    const std::string path = dir.file("big.las");
    {
        std::ofstream f(path, std::ios::binary);
        const std::string header = fixture::header(las);
        f.write(header.data(), static_cast<std::streamsize>(header.size()));
        f.seekp(static_cast<std::streamoff>(las.offsetToData));
        f.write(records.data(), static_cast<std::streamsize>(records.size()));
        ASSERT_TRUE(f.good());
    }
    const auto size = std::filesystem::file_size(path);
    ASSERT_GT(size, uint64_t{1} << 32);

    const auto r = testsupport::runInChild([&] { update_header(path.c_str()); });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, success(path));
    std::string header(227, '\0');
    std::ifstream(path, std::ios::binary).read(header.data(), 227);
    EXPECT_EQ(header, patched(fixture::header(las), las, 10, {10, 0, 0, 0, 0}, {90, 0, 0, -9, 9, 0}));
    EXPECT_EQ(std::filesystem::file_size(path), size);
}

// Refusals end with status -1 and leave every byte of the file as it was.
TEST(HeaderUpdate, RefusalsLeaveTheFileUntouched)
{
    fixture::Las colour11;
    colour11.versionMinor = 1;
    colour11.format = 3;
    colour11.points = {point(1, 2, 3)};
    fixture::Las plain;
    plain.format = 0;
    plain.points = {point(1, 2, 3)};
    const std::string header = fixture::header(plain);

    struct Row {
        const char *what;
        std::string bytes;
        std::string out; // %s stands for the path
    };
    const Row rows[] = {
        {"LAS 1.1 with format 3, refused in silence", fixture::bytes(colour11), ""},
        {"header cut at 150 bytes", header.substr(0, 150),
         "\n%s ends after 150 bytes, inside its 227-byte header: header not updated\n\n"},
        {"header cut at 226 bytes", header.substr(0, 226),
         "\n%s ends after 226 bytes, inside its 227-byte header: header not updated\n\n"},
        {"not a LAS file", "LASX" + fixture::bytes(plain).substr(4), "\n%s is not a valid .las file\n\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        testsupport::TempDir dir;
        const Outcome o = update(dir, row.bytes);
        std::string want = row.out;
        if (const size_t at = want.find("%s"); at != std::string::npos)
            want.replace(at, 2, dir.file("f.las"));
        EXPECT_EQ(o.run.status, 255);
        EXPECT_EQ(o.run.out, want);
        EXPECT_EQ(o.after, o.before);
    }

    testsupport::TempDir dir;
    const std::string missing = dir.file("missing.las");
    const auto r = testsupport::runInChild([&] { update_header(missing.c_str()); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Unable to open file " + missing + " in file_access()\n\nFile " + missing +
                         " does NOT exist\n");
}

// A file that may not grow past 100 bytes takes only part of the header: the
// failure is reported, never the success line.
TEST(HeaderUpdate, FailedHeaderWriteIsReported)
{
    testsupport::TempDir dir;
    fixture::Las las;
    las.format = 0;
    las.points = {point(1, 2, 3)};
    const std::string path = dir.write("f.las", fixture::bytes(las));
    const auto r = testsupport::runInChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit lim = {100, 100};
        setrlimit(RLIMIT_FSIZE, &lim);
        update_header(path.c_str());
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "\nCannot write the header of " + path + ": header update failed\n\n");
}
