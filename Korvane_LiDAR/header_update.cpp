// Brings a LAS header's summary fields into line with the point records that
// the file really holds: the stored count is ignored, records are read from
// OffsetToData until no whole record is left, and the first 227 bytes are
// rewritten in place.
#include "Korvane_LiDAR.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/types.h>

// OffsetToData reaches 4 GiB - 1 and the records go on past it.
static_assert(sizeof(off_t) >= 8, "update_header needs 64-bit file offsets");

namespace {

size_t recordSize(int16_t lasType)
{
    switch (lasType) {
    case 1: case 3: case 5: return sizeof(LAS12fm0);
    case 2: case 4: case 6: return sizeof(LAS12fm1);
    case 7: return sizeof(LAS12fm2);
    case 8: return sizeof(LAS12fm3);
    default: return 0;
    }
}

// Records per block read; each block is walked record by record.
constexpr size_t kBlockRecords = 4096;

// The header keeps raw integers as coordinates: a product and a sum, each
// rounded on its own. This file is compiled without contraction into a fused
// multiply-add, which would round once and change the last bit.
double coordinate(int32_t raw, double scale, double offset)
{
    const double product = static_cast<double>(raw) * scale;
    return product + offset;
}

[[noreturn]] void fail()
{
    std::exit(-1);
}

} // namespace

void update_header(const char *filename)
{
    // check_las has said why when it refuses; a LAS 1.0 or 1.1 file of format
    // 2 or 3 (type 0) is refused without a word.
    const int16_t lasType = check_las(filename);
    const size_t size = recordSize(lasType);
    if (size == 0)
        fail();

    std::FILE *fp = std::fopen(filename, "r+b");
    if (fp == nullptr) {
        std::printf("\nCannot open binary file %s for header update\n\n", filename);
        fail();
    }

    // check_las reads only 107 bytes; a shorter header must not be completed
    // with bytes the file never held.
    LAS12Header header;
    const size_t got = std::fread(&header, 1, sizeof header, fp);
    if (got != sizeof header) {
        if (std::ferror(fp) != 0)
            std::printf("\nCannot read the header of %s for header update\n\n", filename);
        else
            std::printf("\n%s ends after %zu bytes, inside its 227-byte header: header not updated\n\n",
                        filename, got);
        fail();
    }

    unsigned char *block = static_cast<unsigned char *>(std::malloc(kBlockRecords * size));
    if (block == nullptr) {
        std::printf("\nCannot allocate memory for storing a record of information from %s\n", filename);
        fail();
    }

    // The start values are not the 32-bit limits: a file whose raw values all
    // lie beyond them keeps the start value, as it always has.
    int32_t maxX = -2147483646, minX = 2147483646;
    int32_t maxY = -2147483646, minY = 2147483646;
    int32_t maxZ = -10000000, minZ = 10000000;
    // Counted past 32 bits, so that a file the header cannot count is refused
    // rather than given a count that wrapped.
    uint64_t returnCount = 0;
    uint32_t returnNumberCount[5] = {0, 0, 0, 0, 0};

    if (fseeko(fp, static_cast<off_t>(header.OffsetToData), SEEK_SET) != 0) {
        std::free(block);
        std::printf("\nCannot reach the point records of %s: header not updated\n\n", filename);
        fail();
    }
    for (;;) {
        // A trailing part-record is not counted.
        const size_t records = std::fread(block, size, kBlockRecords, fp);
        for (size_t k = 0; k < records; ++k) {
            const unsigned char *record = block + k * size;
            int32_t x, y, z;
            std::memcpy(&x, record + offsetof(LAS12fm0, X), sizeof x);
            std::memcpy(&y, record + offsetof(LAS12fm0, Y), sizeof y);
            std::memcpy(&z, record + offsetof(LAS12fm0, Z), sizeof z);
            // Not else-if: the first record must be able to set both.
            if (x > maxX) maxX = x;
            if (x < minX) minX = x;
            if (y > maxY) maxY = y;
            if (y < minY) minY = y;
            if (z > maxZ) maxZ = z;
            if (z < minZ) minZ = z;
            // Return numbers 0, 6 and 7 count as points but in no counter.
            const unsigned returnNumber = record[offsetof(LAS12fm0, bitfield)] & 7u;
            if (returnNumber >= 1 && returnNumber <= 5)
                ++returnNumberCount[returnNumber - 1];
            ++returnCount;
        }
        if (records < kBlockRecords)
            break;
    }
    // A read error hides the records after it: the counts would be wrong.
    const bool readFailed = std::ferror(fp) != 0;
    std::free(block);
    if (readFailed) {
        std::printf("\nCannot read the point records of %s: header not updated\n\n", filename);
        fail();
    }

    if (returnCount > UINT32_MAX) {
        std::printf("\n%s holds %llu point records, more than its header can count: header not "
                    "updated\n\n",
                    filename, static_cast<unsigned long long>(returnCount));
        std::fclose(fp);
        fail();
    }
    header.NumberOfPointReturns = static_cast<uint32_t>(returnCount);
    // The record is packed: copied as bytes, not through an unaligned pointer.
    std::memcpy(header.NumberOfPointsByReturn, returnNumberCount, sizeof returnNumberCount);
    header.MaxX = coordinate(maxX, header.XScaleFactor, header.XOffset);
    header.MinX = coordinate(minX, header.XScaleFactor, header.XOffset);
    header.MaxY = coordinate(maxY, header.YScaleFactor, header.YOffset);
    header.MinY = coordinate(minY, header.YScaleFactor, header.YOffset);
    header.MaxZ = coordinate(maxZ, header.ZScaleFactor, header.ZOffset);
    header.MinZ = coordinate(minZ, header.ZScaleFactor, header.ZOffset);

    // The bytes reach the file only when the stream is flushed, so a failed
    // close is a failed write.
    const bool written = fseeko(fp, 0, SEEK_SET) == 0 && std::fwrite(&header, sizeof header, 1, fp) == 1;
    const bool closed = std::fclose(fp) == 0;
    if (!written || !closed) {
        std::printf("\nCannot write the header of %s: header update failed\n\n", filename);
        fail();
    }
    std::printf("\rHeader of file %s has been updated    ", filename);
}
