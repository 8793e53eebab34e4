// Run state and steps of the Tarvik statistics tool. One run: option scan,
// validation of the input (one LAS file or a list of them), banner, scan of
// every point record into PointTallies, console report, optional saved file,
// elapsed time.
#pragma once

#include "Korvane_LiDAR.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// Failures end the process with std::exit(-1), as every check of the tool and
// the library does; the resources below still close and free themselves when
// a run is driven in-process (the fuzz targets turn exit into an exception).
struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;
struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
using CountVector = std::unique_ptr<uint64_t[], FreeDeleter>;

// Option flags: -1 absent, 0 given. Set by the option scan, read afterwards.
extern signed char _helpFlag;
extern signed char _extendedSummaryFlag;
extern signed char _saveFlag;
extern int _nOptionalArguments;

// Counters and extremes of one run. Counts are exact integers, converted to
// doubles only when printed. The count vectors are indexed by the point
// record field they count (see the sizes beside them).
struct PointTallies {
    uint64_t ReturnCount;            // point records scanned, over all files
    double maxX, minX, maxY, minY, maxZ, minZ; // merged from the headers
    double maxGPSTime, minGPSTime;   // over the points, formats 1 and 3 only
    uint64_t *IntensityCount;        // 65536, -d only
    uint64_t *ReturnNumberCount;     // 10: bitfield bits 0-2
    uint64_t *NumberReturnsCount;    // 10: bitfield bits 3-5
    uint64_t *ClassificationCount;   // 256: the whole byte, flag bits included
    uint64_t *ScanAngleRankCount;    // 256: the byte as unsigned, -d only
    uint64_t *UserDataCount;         // 256, -d only
    uint64_t *PointSourceIDCount;    // 65536, -d only
};

// What the validation established about the input.
struct RunInput {
    int LASFlag;                       // 0 one LAS file, -1 a list
    std::string inputName;             // argument 1, unchanged
    std::vector<std::string> LASNames; // the files to scan, in order (duplicates kept)
    int16_t LASType;                   // common to every file, 1 to 8
};

// One whole run; returns the exit status of a complete run (0), and ends the
// process with status -1 on every failure.
int runTarvik(int argc, char **argv);

// Prints the usage text and the banner.
void usage();

// Scans the arguments for -h, -d and -s; ends the run on a repeated option.
void find_optionalArgs();

// 0 when `filename` ends in "." and `extension`, -1 for another extension;
// ends the run on a name that is too short or lacks the dot.
int16_t checkFileExtension(const std::string &filename, const char *extension);

// Bytes per point record of a LAS type (1 to 8), and whether it carries GPS time.
int recordSize(int16_t LASType);
bool hasGPSTime(int16_t LASType);

// Whether a header read during the scan still describes a file of `LASType`
// with its point records after the 227-byte header.
bool headerMatchesType(const LAS12Header &header, int16_t LASType);

// check_las, then a check that the file holds every point record its header
// promises. Returns the LAS type, or a value below 1 after a message.
int16_t validateLasFile(const std::string &name);

// Validates every name of the list `listName` (ending the run on the first
// fault) and returns them in order with their common type.
void readList(const std::string &listName, RunInput &input);

// Reads every point record of every input file into `tallies`, whose vectors
// are zero-filled and whose extremes are set here. `ph12` ends holding the
// last file's header. Ends the run if a file changed since its validation.
void scanFiles(const RunInput &input, PointTallies &tallies, LAS12Header *ph12);

// The console summary; closes nothing, changes nothing.
void printReport(const RunInput &input, const PointTallies &tallies, const LAS12Header *ph12);

// Writes <input less its extension>_stats.asc; ends the run if it cannot be
// created or written completely.
void saveStatistics(const RunInput &input, const PointTallies &tallies);
