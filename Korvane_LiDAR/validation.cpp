// Checks that decide whether a named file can be used: it opens, its name has
// the right extension, and its first 107 bytes describe a LAS file the library
// reads.
#include "Korvane_LiDAR.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Opens for reading without waiting: a FIFO with no writer would otherwise
// block the caller for ever. Reads from a regular file are not affected.
int openToRead(const char *filename)
{
    return open(filename, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

} // namespace

int16_t file_access(const char *filename)
{
    const int fd = openToRead(filename);
    if (fd >= 0) {
        close(fd);
        return 0;
    }
    std::printf("Unable to open file %s in file_access()\n", filename);
    return -1;
}

int16_t check_file_extension(const char *filename, const char *extension)
{
    const size_t n = std::strlen(filename);
    if (n <= 4) {
        std::printf("\nFile name (%s) is too short\n", filename);
        return -1;
    }
    if (filename[n - 4] != '.') {
        std::printf("\nExtension of file %s should be preceeded by a dot (.)\n", filename);
        return -1;
    }
    // The whole of `extension` is compared, so one of another length never matches.
    if (std::strcmp(filename + n - 3, extension) == 0)
        return 0;
    std::printf("\nFile extension of %s is not .%s\n", filename, extension);
    return -1;
}

void error_msg(int i, const char *text)
{
    switch (i) {
    case 1: std::printf("\nFile %s does NOT exist\n", text); break;
    case 2: std::printf("\nFile %s already exists\n", text); break;
    case 3: std::printf("\nSame file name (%s) has been specified twice\n", text); break;
    default: break;
    }
}

namespace {

// Versions and formats are shown as one character, '0' plus the value, as the
// messages have always done; the byte wraps like an unsigned char.
char digit(uint8_t value)
{
    return static_cast<char>(static_cast<uint8_t>('0' + value));
}

// The bytes that decide the type end at offset 106, the record length.
constexpr size_t kExaminedBytes = 107;

} // namespace

int16_t check_las(const char *filename)
{
    if (file_access(filename) < 0) {
        error_msg(1, filename);
        return -1;
    }
    if (check_file_extension(filename, "las") < 0)
        return -1;

    const int fd = openToRead(filename);
    std::FILE *fp = fd >= 0 ? fdopen(fd, "rb") : nullptr;
    if (fp == nullptr) {
        if (fd >= 0)
            close(fd);
        std::printf("\nCannot open binary file %s for reading in check_las()\n", filename);
        return -1;
    }
    unsigned char head[kExaminedBytes];
    const size_t got = std::fread(head, 1, sizeof head, fp);
    const bool readFailed = std::ferror(fp) != 0;
    std::fclose(fp);

    // A directory opens on some systems but cannot be read.
    if (readFailed) {
        std::printf("\nCannot read file %s in check_las()\n", filename);
        return -1;
    }
    if (got < 4 || std::memcmp(head, "LASF", 4) != 0) {
        std::printf("\n%s is not a valid .las file\n\n", filename);
        return -1;
    }
    // Never decide on bytes that the file does not hold.
    if (got < kExaminedBytes) {
        std::printf("\n%s ends after %zu bytes, inside its LAS header\n", filename, got);
        return -1;
    }

    const uint8_t versionMajor = head[24];
    const uint8_t versionMinor = head[25];
    const uint8_t format = head[104];
    const unsigned recordLength = static_cast<unsigned>(head[105] | (head[106] << 8));

    if (versionMajor != 1) {
        std::printf("\nCannot handle las files of version %c.x\n", digit(versionMajor));
        return -1;
    }
    if (versionMinor > 2) {
        std::printf("\nCannot handle las files of version %c.%c\n", digit(versionMajor),
                    digit(versionMinor));
        return -1;
    }
    if (format > 3) {
        std::printf("\nPointDataFormatID in %s is %c. Only 0, 1, 2, or 3 is accepted\n", filename,
                    digit(format));
        return -1;
    }
    // LAS 1.0 and 1.1 have no colour formats: such files are refused without a word.
    if (versionMinor < 2 && format >= 2)
        return 0;

    static constexpr unsigned kRecordLength[4] = {20, 28, 26, 34};
    if (recordLength != kRecordLength[format]) {
        std::printf("\nData format of %s (%c) is incompatible with Length of Data Record (%u)\n",
                    filename, digit(format), recordLength);
        return -1;
    }
    // 1.0: types 1-2, 1.1: 3-4, 1.2: 5-8.
    return static_cast<int16_t>(2 * versionMinor + format + 1);
}
