// Writes a synthetic airborne LAS file: pulses of one to four returns over a
// 1 km tile, flown in a few flight lines with a +-20 degree scan, ground under
// vegetation and buildings, increasing GPS times. Deterministic for a seed.
//
//   make_sample OUTPUT.las [--points N] [--format 0-3] [--minor 0-2] [--seed S]
#include "Korvane_LiDAR.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Random {
    uint64_t state;
    uint64_t next()
    {
        // splitmix64: fast, and the same stream on every platform.
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
};

int usageError(const char *why)
{
    std::fprintf(stderr, "make_sample: %s\nusage: make_sample OUTPUT.las [--points N] "
                         "[--format 0-3] [--minor 0-2] [--seed S]\n", why);
    return 2;
}

constexpr int kRecordSize[4] = {20, 28, 26, 34};

// A one-record variable-length record, so the points start past the header.
constexpr size_t kVlrBytes = 54;

void put16(unsigned char *p, uint16_t v) { std::memcpy(p, &v, 2); }
void put32(unsigned char *p, uint32_t v) { std::memcpy(p, &v, 4); }
void put64(unsigned char *p, double v) { std::memcpy(p, &v, 8); }

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return usageError("no output file named");
    const char *out = argv[1];
    unsigned long long points = 20000;
    int format = 1, minor = 2;
    uint64_t seed = 1;
    for (int a = 2; a + 1 < argc; a += 2) {
        const std::string opt = argv[a];
        const unsigned long long v = std::strtoull(argv[a + 1], nullptr, 10);
        if (opt == "--points") points = v;
        else if (opt == "--format") format = static_cast<int>(v);
        else if (opt == "--minor") minor = static_cast<int>(v);
        else if (opt == "--seed") seed = v;
        else return usageError("unknown option");
    }
    if ((argc - 2) % 2 != 0)
        return usageError("an option lacks its value");
    if (format < 0 || format > 3 || minor < 0 || minor > 2 || (minor < 2 && format >= 2))
        return usageError("LAS 1.0 and 1.1 have formats 0 and 1 only; 1.2 has 0 to 3");
    if (points > 0xFFFFFFFFull)
        return usageError("a LAS 1.2 header counts at most 4294967295 points");

    const size_t size = static_cast<size_t>(kRecordSize[format]);
    const bool gps = format == 1 || format == 3;
    const bool colour = format >= 2;

    LAS12Header h;
    std::memset(&h, 0, sizeof h);
    std::memcpy(h.LASF, "LASF", 4);
    h.VersionMajor = 1;
    h.VersionMinor = static_cast<uint8_t>(minor);
    std::strcpy(h.SystemIdentifier, "SYNTHETIC");
    std::strcpy(h.GeneratingSoftware, "Tarvik make_sample");
    h.FileCreationDay = 140;
    h.FileCreationYear = 2026;
    h.HeaderSize = sizeof h;
    h.OffsetToData = static_cast<uint32_t>(sizeof h + kVlrBytes);
    h.NumberOfVariableLengthRecords = 1;
    h.PointDataFormatID = static_cast<uint8_t>(format);
    h.PointDataRecordLength = static_cast<uint16_t>(size);
    h.NumberOfPointReturns = static_cast<uint32_t>(points);
    h.XScaleFactor = h.YScaleFactor = h.ZScaleFactor = 0.01;
    h.XOffset = 512000.0;
    h.YOffset = 6780000.0;
    h.ZOffset = 0.0;

    std::FILE *f = std::fopen(out, "wb");
    if (f == nullptr) {
        std::perror(out);
        return 1;
    }
    unsigned char vlr[kVlrBytes] = {};
    std::memcpy(vlr + 2, "Tarvik", 6);
    put16(vlr + 18, 1);
    std::memcpy(vlr + 22, "synthetic survey tile", 21);
    std::fwrite(&h, sizeof h, 1, f); // rewritten with the true bounds at the end
    std::fwrite(vlr, sizeof vlr, 1, f);

    Random rng{seed};
    int32_t minX = INT32_MAX, maxX = INT32_MIN, minY = INT32_MAX, maxY = INT32_MIN,
            minZ = INT32_MAX, maxZ = INT32_MIN;
    uint32_t byReturn[5] = {};
    std::vector<unsigned char> block(size * 65536);
    size_t inBlock = 0;

    const int kLines = 5;                 // flight lines across the tile
    const double kPulseSeconds = 1.0 / 200000.0; // a 200 kHz scanner
    double time = 2.4e8 + static_cast<double>(seed % 1000); // adjusted standard GPS time
    // About 1.7 returns a pulse: each flight line flies its share of the pulses
    // along the whole tile.
    const double linePulses = std::max(1.0, static_cast<double>(points) / 1.7 / kLines);
    unsigned long long written = 0;
    for (unsigned long long pulse = 0; written < points; ++pulse) {
        const double flown = static_cast<double>(pulse) / linePulses;
        const int line = std::min(kLines - 1, static_cast<int>(flown));
        const double sweep = std::sin(static_cast<double>(pulse % 400) * (3.14159265 / 200.0));
        const int scanAngle = static_cast<int>(std::lround(20.0 * sweep));
        const double x = (line + 0.5 + 0.45 * sweep) * (1000.0 / kLines);
        const double y = std::min(999.0, 1000.0 * (flown - line)) + 0.5 * rng.uniform();
        const double ground = 120.0 + 40.0 * std::sin(x / 170.0) + 25.0 * std::cos(y / 230.0);
        const bool building = std::fmod(x, 250.0) < 40.0 && std::fmod(y, 300.0) < 50.0;
        const double r = rng.uniform();
        const int returns = building ? 1 : r < 0.55 ? 1 : r < 0.8 ? 2 : r < 0.93 ? 3 : 4;
        const double canopy = building ? 9.0 : 1.5 + 20.0 * rng.uniform();
        time += kPulseSeconds;

        for (int ret = 1; ret <= returns && written < points; ++ret, ++written) {
            const bool last = ret == returns;
            double z = last ? ground : ground + canopy * (1.0 - (ret - 1.0) / returns);
            int cls = last ? (building ? 6 : 2) : (z - ground > 12.0 ? 5 : z - ground > 3.0 ? 4 : 3);
            if (rng.below(2000) == 0) { // a few low outliers
                z = ground - 30.0 * rng.uniform();
                cls = 7;
            } else if (rng.below(50) == 0) {
                cls = 1;
            }
            const int intensity = std::clamp(
                static_cast<int>((last ? 380.0 : 220.0) / ret + 60.0 * rng.uniform() - 30.0), 0, 65535);
            const int edge = (pulse % 400 == 0) ? 1 : 0;
            const int direction = (pulse % 400) < 200 ? 1 : 0;
            const auto bitfield = static_cast<uint8_t>(ret | returns << 3 | direction << 6 | edge << 7);

            const auto X = static_cast<int32_t>(std::lround((x + 0.3 * ret) / 0.01));
            const auto Y = static_cast<int32_t>(std::lround(y / 0.01));
            const auto Z = static_cast<int32_t>(std::lround(z / 0.01));
            minX = std::min(minX, X); maxX = std::max(maxX, X);
            minY = std::min(minY, Y); maxY = std::max(maxY, Y);
            minZ = std::min(minZ, Z); maxZ = std::max(maxZ, Z);
            if (ret <= 5) ++byReturn[ret - 1];

            unsigned char *p = block.data() + inBlock * size;
            put32(p, static_cast<uint32_t>(X));
            put32(p + 4, static_cast<uint32_t>(Y));
            put32(p + 8, static_cast<uint32_t>(Z));
            put16(p + 12, static_cast<uint16_t>(intensity));
            p[14] = bitfield;
            p[15] = static_cast<unsigned char>(cls);
            p[16] = static_cast<unsigned char>(static_cast<int8_t>(scanAngle));
            p[17] = 0;
            put16(p + 18, static_cast<uint16_t>(101 + line));
            if (gps) put64(p + 20, time);
            if (colour) {
                unsigned char *c = p + (gps ? 28 : 20);
                const auto shade = static_cast<uint16_t>(std::min(65535, intensity * 100));
                put16(c, cls == 2 ? static_cast<uint16_t>(shade / 2) : shade);
                put16(c + 2, shade);
                put16(c + 4, static_cast<uint16_t>(shade / 3));
            }
            if (++inBlock == 65536) {
                std::fwrite(block.data(), size, inBlock, f);
                inBlock = 0;
            }
        }
    }
    std::fwrite(block.data(), size, inBlock, f);

    if (points > 0) {
        h.MaxX = maxX * h.XScaleFactor + h.XOffset;
        h.MinX = minX * h.XScaleFactor + h.XOffset;
        h.MaxY = maxY * h.YScaleFactor + h.YOffset;
        h.MinY = minY * h.YScaleFactor + h.YOffset;
        h.MaxZ = maxZ * h.ZScaleFactor + h.ZOffset;
        h.MinZ = minZ * h.ZScaleFactor + h.ZOffset;
    }
    std::memcpy(h.NumberOfPointsByReturn, byReturn, sizeof byReturn);
    std::rewind(f);
    std::fwrite(&h, sizeof h, 1, f);
    if (std::ferror(f) || std::fclose(f) != 0) {
        std::perror(out);
        return 1;
    }
    return 0;
}
