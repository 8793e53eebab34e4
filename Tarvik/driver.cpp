// The run driver: option scan, dispatch between one LAS file and a list, and
// the run proper from the banner to the elapsed time.
#include "tarvik.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int globalArgc = 0;
char **globalArgv = nullptr;
const char _optionalArgsArray[3][3] = {"-h", "-d", "-s"};
signed char _helpFlag = -1;
signed char _extendedSummaryFlag = -1;
signed char _saveFlag = -1;
int _nOptionalArguments = 0; // -d and -s occurrences; -h is not counted

void usage()
{
    std::puts("\nUsage:");
    std::puts("Tarvik -h");
    std::puts("Tarvik <LAS File | ASCII List> <Options>");
    std::puts("          Options: -d Detailed Report");
    std::puts("                   -s Save report to LASFile_stats.asc | LASList_stats.asc\n");
    credits();
}

void find_optionalArgs()
{
    if (globalArgc <= 1)
        return;
    int occurrences[3] = {0, 0, 0};
    for (int a = 1; a < globalArgc; ++a) {
        for (int k = 0; k < 3; ++k) {
            if (std::strcmp(globalArgv[a], _optionalArgsArray[k]) != 0)
                continue;
            ++occurrences[k];
            if (k == 0) {
                _helpFlag = 0;
            } else {
                ++_nOptionalArguments;
                if (k == 1)
                    _extendedSummaryFlag = 0;
                else
                    _saveFlag = 0;
            }
        }
    }
    for (int k = 0; k < 3; ++k) {
        if (occurrences[k] > 1) {
            std::printf("\nMore than one %s arguments\n", _optionalArgsArray[k]);
            usage();
            std::exit(-1);
        }
    }
}

int16_t checkFileExtension(const std::string &filename, const char *extension)
{
    const size_t L = filename.size();
    if (L <= 4) {
        std::printf("\nFile name (%s) is too short\n", filename.c_str());
        std::exit(-1);
    }
    if (filename[L - 4] != '.') {
        std::printf("\nExtension of file %s should be preceeded by a dot (.)\n", filename.c_str());
        std::exit(-1);
    }
    return filename.compare(L - 3, std::string::npos, extension) == 0 ? 0 : -1;
}

namespace {

// The count vectors live for the whole run.
CountVector allocateOrExit(size_t count, const char *message)
{
    CountVector v(static_cast<uint64_t *>(std::calloc(count, sizeof(uint64_t))));
    if (v == nullptr) {
        std::puts(message);
        std::exit(-1);
    }
    return v;
}

} // namespace

int runTarvik(int argc, char **argv)
{
    globalArgc = argc;
    globalArgv = argv;
    _helpFlag = _extendedSummaryFlag = _saveFlag = -1;
    _nOptionalArguments = 0;
    find_optionalArgs();

    // "Tarvik -h" is the usage text's own form of call.
    if (argc == 2 && _helpFlag == 0) {
        usage();
        return 0;
    }
    if (_nOptionalArguments + 2 != argc) {
        std::puts("\nInvalid argument(s)");
        usage();
        std::exit(-1);
    }

    RunInput input;
    input.inputName = argv[1];
    input.LASFlag = checkFileExtension(input.inputName, "las");
    if (input.LASFlag == 0) {
        input.LASType = validateLasFile(input.inputName);
        if (input.LASType < 1)
            std::exit(-1);
        input.LASNames.push_back(input.inputName);
    } else {
        readList(input.inputName, input);
    }

    // Wall-clock time from a monotonic clock: the process clock counts
    // processor time, and a 32-bit tick count wraps within the hour.
    const auto beginTime = std::chrono::steady_clock::now();
    credits();

    const CountVector intensity =
        allocateOrExit(65536, "\nFailed to allocate memory for the Intensity Count vector");
    const CountVector returnNumber =
        allocateOrExit(10, "\nFailed to allocate memory for the Return Number Count vector");
    const CountVector numberReturns =
        allocateOrExit(10, "\nFailed to allocate memory for the Number of Returns Count vector");
    const CountVector classification =
        allocateOrExit(256, "\nFailed to allocate memory for the Classification Count vector");
    const CountVector scanAngleRank =
        allocateOrExit(256, "\nFailed to allocate memory for the Scan Angle Rank Count vector");
    const CountVector userData =
        allocateOrExit(256, "\nFailed to allocate memory for the User Data Count vector");
    const CountVector pointSourceID =
        allocateOrExit(65536, "\nFailed to allocate memory for the Point Source ID Count vector");
    const std::unique_ptr<LAS12Header, FreeDeleter> ph12(
        static_cast<LAS12Header *>(std::malloc(sizeof(LAS12Header))));
    if (ph12 == nullptr) {
        std::puts("\nCannot allocate memory for LAS header");
        std::exit(-1);
    }
    PointTallies tallies{};
    tallies.IntensityCount = intensity.get();
    tallies.ReturnNumberCount = returnNumber.get();
    tallies.NumberReturnsCount = numberReturns.get();
    tallies.ClassificationCount = classification.get();
    tallies.ScanAngleRankCount = scanAngleRank.get();
    tallies.UserDataCount = userData.get();
    tallies.PointSourceIDCount = pointSourceID.get();

    scanFiles(input, tallies, ph12.get());
    printReport(input, tallies, ph12.get());
    if (_saveFlag == 0)
        saveStatistics(input, tallies);

    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - beginTime;
    std::printf("\nElapsed time %.3f seconds\n", elapsed.count());
    // A summary that did not reach its file (a full disk, a closed pipe) is no
    // success. Standard output cannot carry that news, so it goes to stderr.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "Tarvik: the summary could not be written to standard output: %s\n",
                     std::strerror(errno));
        std::exit(-1);
    }
    return 0;
}
