// The point scan: every record of every input file is read once and counted
// into the tallies. Records are counted in place from windows of the file
// mapped a few MiB at a time (or, where a file cannot be mapped, from large
// blocks read at once): the scan then costs little more than the machine's
// own reading of the bytes, and its memory stays fixed whatever the file size.
#include "tarvik.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

static_assert(std::endian::native == std::endian::little,
              "LAS records are little-endian and are counted in place");

namespace {

// A mapped window stays well under the memory budget of the run; a read
// block stays in the core's cache while it is counted.
constexpr size_t kWindowBytes = size_t{8} << 20;
constexpr size_t kBlockBytes = size_t{1} << 20;
// The hardware prefetcher stops at every 4 KiB page of a mapped file; asking
// for the bytes a page ahead keeps the memory busy while the records before
// them are counted.
constexpr size_t kPrefetchAhead = 4096;
constexpr size_t kWordValues = 65536;

// The loop counts the record's four 16-bit words from offset 12 rather than
// its seven fields: Intensity (12), bitfield and Classification (14),
// ScanAngleRank and UserData (16), PointSourceID (18). The words are split
// into their fields when the counts are folded into the tallies.
enum Word { kIntensity, kBitfieldAndClass, kScanAngleAndUser, kPointSourceID, kWords };
constexpr size_t kWordOffset[kWords] = {12, 14, 16, 18};

// Successive points often share a word (one class, one flight line), so
// alternate records count into two lanes and no increment waits for the one
// just before it. Lanes hold 32-bit counters, folded into the 64-bit tallies
// long before any could overflow (at 2^32): a fold costs about a millisecond.
constexpr size_t kLanes = 2;
constexpr uint64_t kFoldEvery = uint64_t{1} << 27;

struct WordCounts {
    uint32_t *lane[kWords][kLanes];
    size_t first, last; // the words this run counts: all with -d, else one
    uint64_t sinceFold;
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

// The extremes as a point-by-point scan finds them: a time replaces the
// running value only when it compares strictly beyond it, so a NaN changes
// nothing and, of +0 and -0, the one met first stays.
template <size_t kRecordSize>
void gpsRangeInOrder(const unsigned char *rec, size_t n, GPSRange &gps)
{
    for (size_t k = 0; k < n; ++k, rec += kRecordSize) {
        const double time = doubleAt(rec + 20);
        gps.min = time < gps.min ? time : gps.min;
        gps.max = time > gps.max ? time : gps.max;
    }
}

template <size_t kRecordSize, bool kGPS, bool kDetailed>
void countRecords(const unsigned char *rec, size_t n, WordCounts &w, GPSRange &gps)
{
    constexpr size_t kFirst = kDetailed ? kIntensity : kBitfieldAndClass;
    constexpr size_t kCounted = kDetailed ? kWords : 1;
    // The tables in locals, so that no count could seem to move them.
    uint32_t *__restrict lane0[kCounted];
    uint32_t *__restrict lane1[kCounted];
    for (size_t word = 0; word < kCounted; ++word) {
        lane0[word] = w.lane[kFirst + word][0];
        lane1[word] = w.lane[kFirst + word][1];
    }
    // Four running extremes, so that no comparison waits for the previous one.
    double lo0 = gps.min, lo1 = gps.min, lo2 = gps.min, lo3 = gps.min;
    double hi0 = gps.max, hi1 = gps.max, hi2 = gps.max, hi3 = gps.max;
    auto extremes = [](const unsigned char *r, double &lo, double &hi) {
        const double time = doubleAt(r + 20);
        lo = time < lo ? time : lo;
        hi = time > hi ? time : hi;
    };
    size_t k = 0;
    for (const unsigned char *r = rec; k + 4 <= n; k += 4, r += 4 * kRecordSize) {
        // A step of four records moves on 80 to 136 bytes: about two cache lines.
        __builtin_prefetch(r + kPrefetchAhead);
        __builtin_prefetch(r + kPrefetchAhead + 64);
        for (size_t word = 0; word < kCounted; ++word) {
            const size_t at = kWordOffset[kFirst + word];
            ++lane0[word][wordAt(r + at)];
            ++lane1[word][wordAt(r + kRecordSize + at)];
            ++lane0[word][wordAt(r + 2 * kRecordSize + at)];
            ++lane1[word][wordAt(r + 3 * kRecordSize + at)];
        }
        if constexpr (kGPS) {
            extremes(r, lo0, hi0);
            extremes(r + kRecordSize, lo1, hi1);
            extremes(r + 2 * kRecordSize, lo2, hi2);
            extremes(r + 3 * kRecordSize, lo3, hi3);
        }
    }
    for (; k < n; ++k)
        for (size_t word = 0; word < kCounted; ++word)
            ++lane0[word][wordAt(rec + k * kRecordSize + kWordOffset[kFirst + word])];
    if constexpr (kGPS) {
        GPSRange block{lo0, hi0};
        for (double lo : {lo1, lo2, lo3})
            block.min = lo < block.min ? lo : block.min;
        for (double hi : {hi1, hi2, hi3})
            block.max = hi > block.max ? hi : block.max;
        gpsRangeInOrder<kRecordSize>(rec + (n & ~size_t{3}) * kRecordSize, n & 3, block);
        // Every value but zero has one bit pattern, so the order of the
        // comparisons cannot change the result; -0 and +0 compare equal but
        // print differently, so a zero extreme is found again in order.
        if (block.min == 0.0 || block.max == 0.0)
            gpsRangeInOrder<kRecordSize>(rec, n, gps);
        else
            gps = block;
    }
}

using CountFn = void (*)(const unsigned char *, size_t, WordCounts &, GPSRange &);

template <bool kDetailed> CountFn countFunction(int16_t LASType)
{
    switch (recordSize(LASType)) {
    case 20: return countRecords<20, false, kDetailed>;
    case 26: return countRecords<26, false, kDetailed>;
    case 28: return countRecords<28, true, kDetailed>;
    default: return countRecords<34, true, kDetailed>;
    }
}

// Adds the lanes' counts to the tallies, each word split into its fields.
void foldLanes(PointTallies &t, WordCounts &w)
{
    for (size_t word = w.first; word <= w.last; ++word) {
        for (size_t lane = 0; lane < kLanes; ++lane) {
            uint32_t *counts = w.lane[word][lane];
            for (size_t v = 0; v < kWordValues; ++v) {
                const uint64_t c = counts[v];
                if (c == 0)
                    continue;
                switch (word) {
                case kIntensity: t.IntensityCount[v] += c; break;
                case kPointSourceID: t.PointSourceIDCount[v] += c; break;
                case kBitfieldAndClass:
                    t.ReturnNumberCount[v & 7] += c;
                    t.NumberReturnsCount[(v >> 3) & 7] += c;
                    t.ClassificationCount[v >> 8] += c;
                    break;
                default:
                    t.ScanAngleRankCount[v & 0xFF] += c;
                    t.UserDataCount[v >> 8] += c;
                    break;
                }
            }
            std::memset(counts, 0, kWordValues * sizeof *counts);
        }
    }
    w.sinceFold = 0;
}

struct Scan {
    CountFn count;
    size_t recordSize;
    WordCounts words;
    GPSRange gps;
    PointTallies *tallies;
    unsigned char *block; // for files that cannot be mapped
};

void countSome(Scan &s, const unsigned char *records, size_t n)
{
    if (s.words.sinceFold + n > kFoldEvery)
        foldLanes(*s.tallies, s.words);
    s.count(records, n, s.words, s.gps);
    s.words.sinceFold += n;
    s.tallies->ReturnCount += n;
}

[[noreturn]] void changedSinceValidation(const std::string &name, const char *what)
{
    std::printf("\nFile %s changed after it was validated (%s); no summary is given\n", name.c_str(),
                what);
    std::exit(-1);
}

// Reads the records from `offset` on in blocks.
void readRecords(Scan &s, std::FILE *f, const std::string &name, uint64_t offset, uint64_t remaining)
{
    if (fseeko(f, static_cast<off_t>(offset), SEEK_SET) != 0)
        changedSinceValidation(name, "its point records cannot be reached");
    const size_t perBlock = kBlockBytes / s.recordSize;
    while (remaining > 0) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(remaining, perBlock));
        const size_t got = std::fread(s.block, s.recordSize, want, f);
        if (got != want) {
            if (std::ferror(f)) {
                std::printf("\nCannot read binary file %s: %s\n", name.c_str(), std::strerror(errno));
                std::exit(-1);
            }
            changedSinceValidation(name, "it ends before its last point record");
        }
        countSome(s, s.block, got);
        remaining -= got;
    }
}

// A mapped file that shrinks under the scan raises SIGBUS on the missing
// pages; the handler brings the scan back to report it instead of crashing.
sigjmp_buf gShrunk;
void onBusError(int) { siglongjmp(gShrunk, 1); }

// Counts the records window by window; falls back to reading blocks where the
// file cannot be mapped.
void mapWindows(Scan &s, std::FILE *f, const std::string &name, uint64_t offset, uint64_t remaining)
{
    const int fd = fileno(f);
    const auto page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    while (remaining > 0) {
        const uint64_t start = offset & ~(page - 1);
        const size_t lead = static_cast<size_t>(offset - start);
        const size_t n = static_cast<size_t>(
            std::min<uint64_t>(remaining, (kWindowBytes - lead) / s.recordSize));
        const size_t length = lead + n * s.recordSize;
        void *window = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, static_cast<off_t>(start));
        if (window == MAP_FAILED) {
            readRecords(s, f, name, offset, remaining);
            return;
        }
        // Read ahead generously from a cold disk, and drop pages behind.
        madvise(window, length, MADV_SEQUENTIAL);
        countSome(s, static_cast<const unsigned char *>(window) + lead, n);
        munmap(window, length);
        offset += n * s.recordSize;
        remaining -= n;
    }
}

void mapRecords(Scan &s, std::FILE *f, const std::string &name, uint64_t offset, uint64_t remaining)
{
    struct sigaction bus {}, previous {};
    bus.sa_handler = onBusError;
    sigemptyset(&bus.sa_mask);
    sigaction(SIGBUS, &bus, &previous);
    if (sigsetjmp(gShrunk, 1) != 0)
        changedSinceValidation(name, "it was cut short while it was read");
    mapWindows(s, f, name, offset, remaining);
    sigaction(SIGBUS, &previous, nullptr);
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
    const bool detailed = _extendedSummaryFlag == 0;
    const int LASCount = static_cast<int>(input.LASNames.size());

    // Pages of lanes that the run never touches (the detailed words without
    // -d) are never made resident.
    const std::unique_ptr<uint32_t[], FreeDeleter> lanes(static_cast<uint32_t *>(
        std::calloc(kWords * kLanes * kWordValues, sizeof(uint32_t))));
    const std::unique_ptr<unsigned char[], FreeDeleter> block(
        static_cast<unsigned char *>(std::malloc(kBlockBytes)));
    if (lanes == nullptr || block == nullptr) {
        std::printf("Failed to allocate memory for file %s\n", input.LASNames.front().c_str());
        std::exit(-1);
    }
    Scan s{};
    s.count = detailed ? countFunction<true>(LASType) : countFunction<false>(LASType);
    s.recordSize = static_cast<size_t>(recordSize(LASType));
    s.words.first = detailed ? kIntensity : kBitfieldAndClass;
    s.words.last = detailed ? kPointSourceID : kBitfieldAndClass;
    for (size_t word = 0; word < kWords; ++word)
        for (size_t lane = 0; lane < kLanes; ++lane)
            s.words.lane[word][lane] = lanes.get() + (word * kLanes + lane) * kWordValues;
    s.gps = {t.minGPSTime, t.maxGPSTime};
    s.tallies = &t;
    s.block = block.get();

    int opened = 0;
    for (const std::string &LASName : input.LASNames) {
        const File file(std::fopen(LASName.c_str(), "rb"));
        if (file == nullptr) {
            std::printf("\nCannot open binary file %s for reading\n\n", LASName.c_str());
            std::exit(-1);
        }
        ++opened;
        std::printf("\rProcessing file %s (%d / %d)%20s", LASName.c_str(), opened, LASCount, " ");
        std::fflush(stdout);

        if (std::fread(ph12, sizeof *ph12, 1, file.get()) != 1 || !headerMatchesType(*ph12, LASType))
            changedSinceValidation(LASName, "its header differs");
        // The count is unsigned 32-bit: up to 4294967295 records, all read.
        const uint64_t records = ph12->NumberOfPointReturns;
        const uint64_t end = ph12->OffsetToData + records * s.recordSize;
        struct stat st {};
        if (fstat(fileno(file.get()), &st) != 0 || static_cast<uint64_t>(st.st_size) < end)
            changedSinceValidation(LASName, "it ends before its last point record");

        // A NaN bound compares false and leaves the running value as it was.
        if (ph12->MaxX > t.maxX) t.maxX = ph12->MaxX;
        if (ph12->MinX < t.minX) t.minX = ph12->MinX;
        if (ph12->MaxY > t.maxY) t.maxY = ph12->MaxY;
        if (ph12->MinY < t.minY) t.minY = ph12->MinY;
        if (ph12->MaxZ > t.maxZ) t.maxZ = ph12->MaxZ;
        if (ph12->MinZ < t.minZ) t.minZ = ph12->MinZ;

        mapRecords(s, file.get(), LASName, ph12->OffsetToData, records);
    }

    foldLanes(t, s.words);
    if (hasGPSTime(LASType)) {
        t.minGPSTime = s.gps.min;
        t.maxGPSTime = s.gps.max;
    }
}
