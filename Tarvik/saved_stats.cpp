// The saved statistics file: the figures of the console summary, one keyword
// and one number per line, every units digit in column 30 (33 for the X, Y, Z
// values, 37 for GPS times).
#include "tarvik.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

inline double d(uint64_t count) { return static_cast<double>(count); }

void writeFigures(std::FILE *fasc, int16_t LASType, const PointTallies &t)
{
    std::fprintf(fasc, "TotalPoints %18.0f\n", d(t.ReturnCount));
    std::fprintf(fasc, "XMin %28.2f\n", t.minX);
    std::fprintf(fasc, "XMax %28.2f\n", t.maxX);
    std::fprintf(fasc, "YMin %28.2f\n", t.minY);
    std::fprintf(fasc, "YMax %28.2f\n", t.maxY);
    std::fprintf(fasc, "ZMin %28.2f\n", t.minZ);
    std::fprintf(fasc, "ZMax %28.2f\n", t.maxZ);
    if (hasGPSTime(LASType)) {
        std::fprintf(fasc, "GPSTimeMin %26.6f\n", t.minGPSTime);
        std::fprintf(fasc, "GPSTimeMax %26.6f\n", t.maxGPSTime);
    } else {
        std::fwrite("GPSTimeMin\n", 1, 11, fasc);
        std::fwrite("GPSTimeMax\n", 1, 11, fasc);
    }
    std::fprintf(fasc, "1stReturns %19.0f\n", d(t.ReturnNumberCount[1]));
    std::fprintf(fasc, "2ndReturns %19.0f\n", d(t.ReturnNumberCount[2]));
    std::fprintf(fasc, "3rdReturns %19.0f\n", d(t.ReturnNumberCount[3]));
    std::fprintf(fasc, "4thReturns %19.0f\n", d(t.ReturnNumberCount[4]));
    for (int n = 5; n <= 9; ++n)
        if (t.ReturnNumberCount[n] > 0)
            std::fprintf(fasc, "%dthReturns %19.0f\n", n, d(t.ReturnNumberCount[n]));
    for (int n = 1; n <= 9; ++n)
        if (n <= 4 || t.NumberReturnsCount[n] > 0)
            std::fprintf(fasc, "NumberReturns%d %15.0f\n", n, d(t.NumberReturnsCount[n]));
    for (int c = 0; c < 256; ++c)
        if (t.ClassificationCount[c] > 0)
            std::fprintf(fasc, "Class%03d %21.0f\n", c, d(t.ClassificationCount[c]));

    if (_extendedSummaryFlag != 0)
        return;
    for (int v = 0; v < 65536; ++v)
        if (t.IntensityCount[v] > 0)
            std::fprintf(fasc, "Intensity%05d %15.0f\n", v, d(t.IntensityCount[v]));
    for (int index = 128; index < 256; ++index)
        if (t.ScanAngleRankCount[index] > 0)
            std::fprintf(fasc, "ScanAngleRank%04d %12.0f\n", index - 256,
                         d(t.ScanAngleRankCount[index]));
    for (int index = 0; index < 128; ++index)
        if (t.ScanAngleRankCount[index] > 0)
            std::fprintf(fasc, "ScanAngleRank%03d %13.0f\n", index, d(t.ScanAngleRankCount[index]));
    for (int u = 0; u < 256; ++u)
        if (t.UserDataCount[u] > 0)
            std::fprintf(fasc, "UserData%03d %18.0f\n", u, d(t.UserDataCount[u]));
    for (int p = 0; p < 65536; ++p)
        if (t.PointSourceIDCount[p] > 0)
            std::fprintf(fasc, "PointSourceID%05d %11.0f\n", p, d(t.PointSourceIDCount[p]));
}

} // namespace

void saveStatistics(const RunInput &input, const PointTallies &t)
{
    // The name keeps any directory part: the file lands beside the input.
    const std::string FileOutName =
        input.inputName.substr(0, input.inputName.size() - 4) + "_stats.asc";
    File fasc(std::fopen(FileOutName.c_str(), "w"));
    if (fasc == nullptr) {
        std::printf("\nCannot open ASCII file %s for writing\n", FileOutName.c_str());
        std::exit(-1);
    }
    writeFigures(fasc.get(), input.LASType, t);
    // A full disk shows up at the latest when the buffer is flushed on close.
    errno = 0;
    const bool writeFailed = std::ferror(fasc.get()) != 0;
    const bool closeFailed = std::fclose(fasc.release()) != 0;
    if (writeFailed || closeFailed) {
        std::printf("\nCannot write ASCII file %s: %s\n", FileOutName.c_str(),
                    errno != 0 ? std::strerror(errno) : "write error");
        std::exit(-1);
    }
}
