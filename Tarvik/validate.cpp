// Validation of one input LAS file: the library's check_las on the first 107
// bytes, then a check that the file really holds the point records that its
// header promises, so that no figure is ever built from bytes that are not
// there.
#include "tarvik.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

int recordSize(int16_t LASType)
{
    // Types 1, 3, 5: format 0; 2, 4, 6: format 1; 7: format 2; 8: format 3.
    static constexpr int kSize[9] = {0, 20, 28, 20, 28, 20, 28, 26, 34};
    return LASType >= 1 && LASType <= 8 ? kSize[LASType] : 0;
}

bool hasGPSTime(int16_t LASType)
{
    return LASType == 2 || LASType == 4 || LASType == 6 || LASType == 8;
}

bool headerMatchesType(const LAS12Header &header, int16_t LASType)
{
    // 1.0: types 1-2, 1.1: 3-4, 1.2: 5-8 (formats 0 to 3).
    const int minor = LASType <= 2 ? 0 : LASType <= 4 ? 1 : 2;
    const int format = LASType <= 6 ? (LASType - 1) % 2 : LASType - 5;
    return header.VersionMajor == 1 && header.VersionMinor == minor &&
           header.PointDataFormatID == format &&
           header.PointDataRecordLength == recordSize(LASType) &&
           header.OffsetToData >= sizeof header;
}

int16_t validateLasFile(const std::string &name)
{
    const int16_t type = check_las(name.c_str());
    if (type < 1)
        return type;

    File f(std::fopen(name.c_str(), "rb"));
    if (f == nullptr) {
        std::printf("\nCannot open binary file %s for reading\n\n", name.c_str());
        return -1;
    }
    struct stat st {};
    LAS12Header header;
    const bool regular = fstat(fileno(f.get()), &st) == 0 && S_ISREG(st.st_mode);
    const size_t got = regular ? std::fread(&header, 1, sizeof header, f.get()) : 0;
    f.reset();

    if (!regular) {
        std::printf("\n%s is not a regular file\n", name.c_str());
        return -1;
    }
    const auto fileBytes = static_cast<unsigned long long>(st.st_size);
    if (got < sizeof header) {
        std::printf("\n%s holds %llu bytes, fewer than the %zu of a LAS header\n", name.c_str(),
                    fileBytes, sizeof header);
        return -1;
    }
    if (header.OffsetToData < sizeof header) {
        std::printf("\nOffsetToData of %s is %u, inside the %zu-byte LAS header\n", name.c_str(),
                    header.OffsetToData, sizeof header);
        return -1;
    }
    const unsigned long long needed =
        header.OffsetToData +
        static_cast<unsigned long long>(header.NumberOfPointReturns) *
            static_cast<unsigned>(recordSize(type));
    if (fileBytes < needed) {
        std::printf("\n%s holds %llu bytes, %llu fewer than its header promises (%u point records "
                    "of %d bytes from byte %u)\n",
                    name.c_str(), fileBytes, needed - fileBytes, header.NumberOfPointReturns,
                    recordSize(type), header.OffsetToData);
        return -1;
    }
    return type;
}
