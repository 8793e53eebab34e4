// The console summary of a run. Its lines, widths and blank lines are a
// contract that scripts read: change no byte.
#include "tarvik.h"

#include <cstdio>

namespace {

// Counts are exact integers; printed with no decimals through a double.
inline double d(uint64_t count) { return static_cast<double>(count); }

char digit(uint8_t value) { return static_cast<char>(static_cast<uint8_t>('0' + value)); }

} // namespace

void printReport(const RunInput &input, const PointTallies &t, const LAS12Header *ph12)
{
    // Blanks the last progress line as far as its 78th character.
    std::printf("\r%78s", "");
    if (input.LASFlag == -1)
        std::printf("\nSummary of %d files listed in %s\n\n", static_cast<int>(input.LASNames.size()),
                    input.inputName.c_str());
    else
        std::printf("\nSummary of %s\n\n", input.inputName.c_str());

    std::printf("\rLAS version %c.%c, Format %c (Type %d)\n", digit(ph12->VersionMajor),
                digit(ph12->VersionMinor), digit(ph12->PointDataFormatID), input.LASType);
    std::puts("-----------------------------------------------\n");
    std::printf("Total points :   %10.0f\n\n", d(t.ReturnCount));
    std::printf("X range :        %13.2f to %13.2f\n", t.minX, t.maxX);
    std::printf("Y range :        %13.2f to %13.2f\n", t.minY, t.maxY);
    std::printf("Z range :        %13.2f to %13.2f\n", t.minZ, t.maxZ);
    std::putchar('\n');
    if (hasGPSTime(input.LASType))
        std::printf("GPS Time range : %13.6f to %13.6f\n\n", t.minGPSTime, t.maxGPSTime);
    else
        std::puts("GPS Time range : \n");

    std::printf("1st Returns           %12.0f\n", d(t.ReturnNumberCount[1]));
    std::printf("2nd Returns           %12.0f\n", d(t.ReturnNumberCount[2]));
    std::printf("3rd Returns           %12.0f\n", d(t.ReturnNumberCount[3]));
    std::printf("4th Returns           %12.0f\n", d(t.ReturnNumberCount[4]));
    for (int n = 5; n <= 9; ++n)
        if (t.ReturnNumberCount[n] > 0)
            std::printf("%dth Returns           %12.0f\n", n, d(t.ReturnNumberCount[n]));
    std::putchar('\n');

    for (int n = 1; n <= 9; ++n)
        if (n <= 4 || t.NumberReturnsCount[n] > 0)
            std::printf("Number of Returns = %d %12.0f\n", n, d(t.NumberReturnsCount[n]));
    std::putchar('\n');

    for (int c = 0; c < 256; ++c)
        if (t.ClassificationCount[c] > 0)
            std::printf("Return Class %3d      %12.0f\n", c, d(t.ClassificationCount[c]));

    if (_extendedSummaryFlag != 0)
        return;
    std::putchar('\n');
    for (int v = 0; v < 65536; ++v)
        if (t.IntensityCount[v] > 0)
            std::printf("Intensity %5d       %12.0f\n", v, d(t.IntensityCount[v]));
    // Ranks are stored in two's complement: indices 128-255 are -128 to -1.
    std::putchar('\n');
    for (int k = 128; k < 256 + 128; ++k) {
        const int index = k & 0xFF;
        if (t.ScanAngleRankCount[index] > 0)
            std::printf("Scan Angle Rank %3d %12.0f\n", index >= 128 ? index - 256 : index,
                        d(t.ScanAngleRankCount[index]));
    }
    std::putchar('\n');
    for (int u = 0; u < 256; ++u)
        if (t.UserDataCount[u] > 0)
            std::printf("User Data %3d       %12.0f\n", u, d(t.UserDataCount[u]));
    std::putchar('\n');
    for (int p = 0; p < 65536; ++p)
        if (t.PointSourceIDCount[p] > 0)
            std::printf("Point Source ID %5d %10.0f\n", p, d(t.PointSourceIDCount[p]));
}
