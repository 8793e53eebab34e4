// file_access, check_file_extension, error_msg and check_las: what each
// accepts, what it refuses, and the exact text it prints.
#include "Korvane_LiDAR.h"
#include "las_fixture.h"
#include "process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using testsupport::TempDir;

namespace {

// Runs `call` in-process with standard output captured.
template <typename Call> std::pair<int, std::string> captured(Call call)
{
    testing::internal::CaptureStdout();
    const int result = call();
    std::fflush(stdout);
    return {result, testing::internal::GetCapturedStdout()};
}

// Names in these tests are relative to a fresh directory, as users type them.
class InTempDir : public testing::Test {
protected:
    void SetUp() override
    {
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
    }
    void TearDown() override { std::filesystem::current_path(old_); }
    TempDir dir_;
    std::filesystem::path old_;
};

fixture::Las lasOf(int minor, int format)
{
    fixture::Las las;
    las.versionMinor = static_cast<uint8_t>(minor);
    las.format = static_cast<uint8_t>(format);
    return las;
}

} // namespace

class FileAccess : public InTempDir {};

TEST_F(FileAccess, OpensOrSaysWhy)
{
    dir_.write("present.txt", "x");
    EXPECT_EQ(captured([] { return file_access("present.txt"); }), std::make_pair(0, std::string()));
    EXPECT_EQ(captured([] { return file_access("absent.txt"); }),
              std::make_pair(-1, std::string("Unable to open file absent.txt in file_access()\n")));
}

TEST(CheckFileExtension, TableOfNames)
{
    struct Row {
        const char *name, *extension;
        int result;
        const char *out;
    } rows[] = {
        {"a.las", "las", 0, ""},
        {"dir.v2/tile.las", "las", 0, ""},
        {".las", "las", -1, "\nFile name (.las) is too short\n"},
        {"", "las", -1, "\nFile name () is too short\n"},
        {"a.lasx", "las", -1, "\nExtension of file a.lasx should be preceeded by a dot (.)\n"},
        {"noextension", "las", -1, "\nExtension of file noextension should be preceeded by a dot (.)\n"},
        {"a.LAS", "las", -1, "\nFile extension of a.LAS is not .las\n"},
        {"a.txt", "las", -1, "\nFile extension of a.txt is not .las\n"},
        // An extension argument of another length can never match.
        {"a.las", "la", -1, "\nFile extension of a.las is not .la\n"},
        {"a.las", "lasx", -1, "\nFile extension of a.las is not .lasx\n"},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(captured([&] { return check_file_extension(row.name, row.extension); }),
                  std::make_pair(row.result, std::string(row.out)))
            << row.name << " / " << row.extension;
    }
}

TEST(ErrorMsg, ThreeCodesAndSilenceOtherwise)
{
    auto msg = [](int i) { return captured([&] { error_msg(i, "f.las"); return 0; }).second; };
    EXPECT_EQ(msg(1), "\nFile f.las does NOT exist\n");
    EXPECT_EQ(msg(2), "\nFile f.las already exists\n");
    EXPECT_EQ(msg(3), "\nSame file name (f.las) has been specified twice\n");
    EXPECT_EQ(msg(0), "");
    EXPECT_EQ(msg(4), "");
    EXPECT_EQ(msg(-1), "");
}

class CheckLas : public InTempDir {};

TEST_F(CheckLas, YieldsTheTypeOfEveryReadablePair)
{
    struct Row {
        int minor, format, type;
    } rows[] = {{0, 0, 1}, {0, 1, 2}, {1, 0, 3}, {1, 1, 4}, {2, 0, 5}, {2, 1, 6}, {2, 2, 7}, {2, 3, 8}};
    for (const Row &row : rows) {
        dir_.write("t.las", fixture::bytes(lasOf(row.minor, row.format)));
        EXPECT_EQ(captured([] { return check_las("t.las"); }), std::make_pair(row.type, std::string()))
            << "1." << row.minor << " format " << row.format;
    }
}

TEST_F(CheckLas, ColourFormatsBefore12AreRefusedSilentlyWhateverTheLength)
{
    for (int minor : {0, 1})
        for (int format : {2, 3})
            for (int length : {26, 34, 0, 999}) {
                fixture::Las las = lasOf(minor, format);
                las.recordLength = length;
                dir_.write("c.las", fixture::bytes(las));
                EXPECT_EQ(captured([] { return check_las("c.las"); }), std::make_pair(0, std::string()));
            }
}

TEST_F(CheckLas, RefusalsAndTheirMessages)
{
    auto withHeaderByte = [](size_t offset, unsigned char value) {
        std::string b = fixture::bytes(lasOf(2, 1));
        b[offset] = static_cast<char>(value);
        return b;
    };
    auto withLength = [](int format, int length) {
        fixture::Las las = lasOf(2, format);
        las.recordLength = length;
        return fixture::bytes(las);
    };
    struct Row {
        const char *what, *name;
        std::string bytes;
        const char *out;
    } rows[] = {
        {"not LASF", "a.las", "LASG" + fixture::bytes(lasOf(2, 1)).substr(4),
         "\na.las is not a valid .las file\n\n"},
        {"empty file", "a.las", "", "\na.las is not a valid .las file\n\n"},
        {"shorter than the signature", "a.las", "LAS", "\na.las is not a valid .las file\n\n"},
        {"LASF and nothing more", "a.las", "LASF", "\na.las ends after 4 bytes, inside its LAS header\n"},
        {"ends before the record length", "a.las", fixture::bytes(lasOf(2, 1)).substr(0, 106),
         "\na.las ends after 106 bytes, inside its LAS header\n"},
        {"major version 2", "a.las", withHeaderByte(24, 2), "\nCannot handle las files of version 2.x\n"},
        {"major version 0", "a.las", withHeaderByte(24, 0), "\nCannot handle las files of version 0.x\n"},
        {"LAS 1.3", "a.las", withHeaderByte(25, 3), "\nCannot handle las files of version 1.3\n"},
        {"LAS 1.4", "a.las", withHeaderByte(25, 4), "\nCannot handle las files of version 1.4\n"},
        {"format 6", "a.las", withHeaderByte(104, 6),
         "\nPointDataFormatID in a.las is 6. Only 0, 1, 2, or 3 is accepted\n"},
        {"format 1 with 34-byte records", "a.las", withLength(1, 34),
         "\nData format of a.las (1) is incompatible with Length of Data Record (34)\n"},
        {"format 2 with 28-byte records", "a.las", withLength(2, 28),
         "\nData format of a.las (2) is incompatible with Length of Data Record (28)\n"},
        {"a record length printed unsigned", "a.las", withLength(0, 65535),
         "\nData format of a.las (0) is incompatible with Length of Data Record (65535)\n"},
        {"upper-case extension", "a.LAS", fixture::bytes(lasOf(2, 1)),
         "\nFile extension of a.LAS is not .las\n"},
        {"name too short", ".las", fixture::bytes(lasOf(2, 1)), "\nFile name (.las) is too short\n"},
        {"no dot", "a.lasx", fixture::bytes(lasOf(2, 1)),
         "\nExtension of file a.lasx should be preceeded by a dot (.)\n"},
    };
    for (const Row &row : rows) {
        dir_.write(row.name, row.bytes);
        EXPECT_EQ(captured([&] { return check_las(row.name); }), std::make_pair(-1, std::string(row.out)))
            << row.what;
        std::filesystem::remove(row.name);
    }
}

TEST_F(CheckLas, VersionDigitIsTheByteAddedToZeroModulo256)
{
    std::string b = fixture::bytes(lasOf(2, 1));
    b[24] = static_cast<char>(0xD1); // '0' + 0xD1 wraps to 0x01
    dir_.write("v.las", b);
    EXPECT_EQ(captured([] { return check_las("v.las"); }).second,
              std::string("\nCannot handle las files of version \x01.x\n"));
}

TEST_F(CheckLas, MissingFileIsReportedTwiceWhateverItsName)
{
    for (const char *name : {"gone.las", "gone.txt", "x"}) {
        EXPECT_EQ(captured([&] { return check_las(name); }),
                  std::make_pair(-1, std::string("Unable to open file ") + name +
                                         " in file_access()\n\nFile " + name + " does NOT exist\n"));
    }
}

TEST_F(CheckLas, DirectoryNamedLikeALasFileIsRefused)
{
    std::filesystem::create_directory("folder.las");
    EXPECT_EQ(captured([] { return check_las("folder.las"); }),
              std::make_pair(-1, std::string("\nCannot read file folder.las in check_las()\n")));
}

TEST_F(CheckLas, OnlyTheExaminedBytesMatter)
{
    // Everything but offsets 0-3, 24, 25, 104-106 may hold anything.
    std::string b(107, '\xAB');
    std::memcpy(b.data(), "LASF", 4);
    b[24] = 1;
    b[25] = 2;
    b[104] = 3;
    b[105] = 34;
    b[106] = 0;
    dir_.write("m.las", b);
    EXPECT_EQ(captured([] { return check_las("m.las"); }), std::make_pair(8, std::string()));
}

TEST_F(CheckLas, LongNamesAreUsedWhole)
{
    // A file name is at most 255 bytes; a path of several hundred is common.
    std::string name;
    for (int level = 0; level < 6; ++level)
        name += std::string(60, static_cast<char>('a' + level)) + "/";
    std::filesystem::create_directories(name);
    name += std::string(200, 'n') + ".las";
    dir_.write(name, fixture::bytes(lasOf(2, 0)));
    EXPECT_EQ(captured([&] { return check_las(name.c_str()); }), std::make_pair(5, std::string()));
    const std::string missing = std::string(600, 'm') + ".las";
    EXPECT_EQ(captured([&] { return check_las(missing.c_str()); }).second,
              "Unable to open file " + missing + " in file_access()\n\nFile " + missing +
                  " does NOT exist\n");
}
