// The point scan: every record of every input file is read once, in large
// sequential blocks, and counted into the tallies.
#include "tarvik.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/types.h>

static_assert(std::endian::native == std::endian::little,
              "LAS records are little-endian and are counted in place");

namespace {

// About 1 MiB of records per read: large enough that the read costs little
// per record, small enough to stay in the core's cache while it is counted.
constexpr size_t kBlockBytes = size_t{1} << 20;
constexpr size_t kWordValues = 65536;

// The counting loop looks at the record's 16-bit words rather than its single
// bytes: bytes 14-15 (bitfield, Classification) and 16-17 (ScanAngleRank,
// UserData) are each counted as one word, and split into their fields once,
// when the scan ends. This halves the table updates per point.
struct WordCounts {
    uint64_t *bitfieldAndClass;   // word at offset 14
    uint64_t *scanAngleAndUser;   // word at offset 16
};

inline uint16_t wordAt(const unsigned char *p)
{
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline double doubleAt(const unsigned char *p)
{
    double v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

struct GPSRange {
    double min, max;
};

template <size_t kRecordSize, bool kGPS, bool kDetailed>
void countRecords(const unsigned char *rec, size_t n, PointTallies &t, WordCounts &w, GPSRange &gps)
{
    for (size_t k = 0; k < n; ++k, rec += kRecordSize) {
        ++w.bitfieldAndClass[wordAt(rec + 14)];
        if constexpr (kDetailed) {
            ++t.IntensityCount[wordAt(rec + 12)];
            ++w.scanAngleAndUser[wordAt(rec + 16)];
            ++t.PointSourceIDCount[wordAt(rec + 18)];
        }
        if constexpr (kGPS) {
            // A NaN compares false both ways and changes neither extreme.
            const double time = doubleAt(rec + 20);
            gps.min = time < gps.min ? time : gps.min;
            gps.max = time > gps.max ? time : gps.max;
        }
    }
}

using CountFn = void (*)(const unsigned char *, size_t, PointTallies &, WordCounts &, GPSRange &);

template <bool kDetailed> CountFn countFunction(int16_t LASType)
{
    switch (recordSize(LASType)) {
    case 20: return countRecords<20, false, kDetailed>;
    case 26: return countRecords<26, false, kDetailed>;
    case 28: return countRecords<28, true, kDetailed>;
    default: return countRecords<34, true, kDetailed>;
    }
}

[[noreturn]] void changedSinceValidation(const std::string &name, const char *what)
{
    std::printf("\nFile %s %s since it was validated; no summary is given\n", name.c_str(), what);
    std::exit(-1);
}

void foldWordCounts(PointTallies &t, const WordCounts &w)
{
    for (size_t v = 0; v < kWordValues; ++v) {
        const uint64_t c = w.bitfieldAndClass[v];
        if (c != 0) {
            const size_t bitfield = v & 0xFF;
            t.ReturnNumberCount[bitfield & 7] += c;
            t.NumberReturnsCount[(bitfield >> 3) & 7] += c;
            t.ClassificationCount[v >> 8] += c;
        }
        const uint64_t d = w.scanAngleAndUser[v];
        if (d != 0) {
            t.ScanAngleRankCount[v & 0xFF] += d;
            t.UserDataCount[v >> 8] += d;
        }
    }
}

} // namespace

void scanFiles(const RunInput &input, PointTallies &t, LAS12Header *ph12)
{
    // Starting values that any real bound replaces. maxGPSTime mirrors
    // minGPSTime: adjusted standard GPS times are negative for surveys flown
    // before late 2011, so 0 would hide their maximum.
    t.maxX = t.maxY = t.maxZ = -1e11;
    t.minX = t.minY = t.minZ = 1e11;
    t.maxGPSTime = -1e11;
    t.minGPSTime = 1e11;
    t.ReturnCount = 0;

    const int16_t LASType = input.LASType;
    const size_t size = static_cast<size_t>(recordSize(LASType));
    const size_t perBlock = kBlockBytes / size;
    const CountFn count = _extendedSummaryFlag == 0 ? countFunction<true>(LASType)
                                                    : countFunction<false>(LASType);
    const int LASCount = static_cast<int>(input.LASNames.size());

    // One block buffer serves every file of the run.
    const std::unique_ptr<unsigned char[], FreeDeleter> block(
        static_cast<unsigned char *>(std::malloc(perBlock * size)));
    const CountVector bitfieldAndClass(static_cast<uint64_t *>(std::calloc(kWordValues, 8)));
    const CountVector scanAngleAndUser(static_cast<uint64_t *>(std::calloc(kWordValues, 8)));
    WordCounts words{bitfieldAndClass.get(), scanAngleAndUser.get()};
    if (block == nullptr || words.bitfieldAndClass == nullptr || words.scanAngleAndUser == nullptr) {
        std::printf("Failed to allocate memory for file %s\n", input.LASNames.front().c_str());
        std::exit(-1);
    }
    GPSRange gps{t.minGPSTime, t.maxGPSTime};

    int opened = 0;
    for (const std::string &LASName : input.LASNames) {
        const File file(std::fopen(LASName.c_str(), "rb"));
        std::FILE *f = file.get();
        if (f == nullptr) {
            std::printf("\nCannot open binary file %s for reading\n\n", LASName.c_str());
            std::exit(-1);
        }
        ++opened;
        std::printf("\rProcessing file %s (%d / %d)%20s", LASName.c_str(), opened, LASCount, " ");
        std::fflush(stdout);

        if (std::fread(ph12, sizeof *ph12, 1, f) != 1 || !headerMatchesType(*ph12, LASType))
            changedSinceValidation(LASName, "has a different header");
        if (fseeko(f, static_cast<off_t>(ph12->OffsetToData), SEEK_SET) != 0)
            changedSinceValidation(LASName, "cannot be positioned at its point records");

        // A NaN bound compares false and leaves the running value as it was.
        if (ph12->MaxX > t.maxX) t.maxX = ph12->MaxX;
        if (ph12->MinX < t.minX) t.minX = ph12->MinX;
        if (ph12->MaxY > t.maxY) t.maxY = ph12->MaxY;
        if (ph12->MinY < t.minY) t.minY = ph12->MinY;
        if (ph12->MaxZ > t.maxZ) t.maxZ = ph12->MaxZ;
        if (ph12->MinZ < t.minZ) t.minZ = ph12->MinZ;

        // The count is unsigned 32-bit: up to 4294967295 records, all read.
        uint64_t remaining = ph12->NumberOfPointReturns;
        while (remaining > 0) {
            const size_t want = static_cast<size_t>(std::min<uint64_t>(remaining, perBlock));
            const size_t got = std::fread(block.get(), size, want, f);
            if (got != want) {
                if (std::ferror(f)) {
                    std::printf("\nCannot read binary file %s: %s\n", LASName.c_str(),
                                std::strerror(errno));
                    std::exit(-1);
                }
                changedSinceValidation(LASName, "ends before its last point record");
            }
            count(block.get(), got, t, words, gps);
            t.ReturnCount += got;
            remaining -= got;
        }
    }

    foldWordCounts(t, words);
    if (hasGPSTime(LASType)) {
        t.minGPSTime = gps.min;
        t.maxGPSTime = gps.max;
    }
}
