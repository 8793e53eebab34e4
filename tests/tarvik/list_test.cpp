// List mode: a text file of LAS names, validated whole before the banner and
// then summarised as one data set.
#include "tool.h"

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::TempDir;

namespace {

fixture::Las lasWith(int minor, int format, std::vector<uint8_t> classes)
{
    fixture::Las las;
    las.versionMinor = static_cast<uint8_t>(minor);
    las.format = static_cast<uint8_t>(format);
    for (uint8_t c : classes) {
        fixture::Point p;
        p.classification = c;
        p.gpsTime = 10.0 + c;
        las.points.push_back(p);
    }
    return las;
}

// The part of a run's output from the summary's heading to the last class.
std::string summaryOf(const std::string &out)
{
    const size_t from = out.find("\nSummary of");
    const size_t to = out.find("\nElapsed time");
    return from == std::string::npos || to == std::string::npos ? "" : out.substr(from, to - from);
}

std::string afterHeading(const std::string &summary)
{
    return summary.substr(summary.find("\rLAS version"));
}

} // namespace

TEST(List, FaultsEndTheRunBeforeTheBanner)
{
    TempDir dir;
    dir.write("a.las", fixture::bytes(lasWith(2, 1, {2})));
    dir.write("b11.las", fixture::bytes(lasWith(1, 1, {2})));
    dir.write("colour11.las", fixture::bytes(lasWith(1, 2, {2})));
    dir.write("bad.las", "garbage");
    struct Row {
        const char *list;
        const char *out;
    } rows[] = {
        {"", "\nFile l.txt contains no valid .las files\n"},
        {" \n\t\r\n  \n", "\nFile l.txt contains no valid .las files\n"},
        // Same record layout, different version: still refused.
        {"a.las b11.las", "\nType of file b11.las differs from that of previous files in l.txt\n"},
        {"colour11.las", "colour11.las (listed in l.txt) is not a valid LAS file\n"},
        {"a.las\nbad.las\nmissing.las",
         "\nbad.las is not a valid .las file\n\nbad.las (listed in l.txt) is not a valid LAS file\n"},
        {"a.las missing.las",
         "Unable to open file missing.las in file_access()\n\nFile missing.las does NOT exist\n"
         "missing.las (listed in l.txt) is not a valid LAS file\n"},
        {"a.las l.txt",
         "\nFile extension of l.txt is not .las\nl.txt (listed in l.txt) is not a valid LAS file\n"},
    };
    for (const Row &row : rows) {
        dir.write("l.txt", row.list);
        const auto r = tool::run({"l.txt", "-d"}, dir.path());
        EXPECT_EQ(r.out, row.out) << row.list;
        EXPECT_EQ(r.status, 255) << row.list;
    }
    const auto r = tool::run({"none.txt"}, dir.path());
    EXPECT_EQ(r.out, "\nCannot open input ASCII file none.txt for reading\n");
    EXPECT_EQ(r.status, 255);
}

TEST(List, NulByteInAListIsRefused)
{
    TempDir dir;
    dir.write("a.las", fixture::bytes(lasWith(2, 1, {2})));
    dir.write("l.txt", std::string("a.las\0b.las", 11));
    const auto r = tool::run({"l.txt"}, dir.path());
    EXPECT_EQ(r.out, "\nCannot read input ASCII file l.txt as a list of names\n");
    EXPECT_EQ(r.status, 255);
}

TEST(List, OneNameGivesTheSingleFileFigures)
{
    TempDir dir;
    dir.write("a.las", fixture::bytes(lasWith(2, 3, {2, 2, 5, 6})));
    dir.write("one.txt", "a.las\n");
    const auto single = tool::run({"a.las", "-d"}, dir.path());
    const auto list = tool::run({"one.txt", "-d"}, dir.path());
    ASSERT_EQ(list.status, 0);
    EXPECT_EQ(afterHeading(summaryOf(list.out)), afterHeading(summaryOf(single.out)));
    EXPECT_EQ(summaryOf(list.out).substr(0, 39), "\nSummary of 1 files listed in one.txt\n\n");
}

TEST(List, FilesAddUpAsOneDataSetAndDuplicatesCountTwice)
{
    TempDir dir;
    fixture::Las a = lasWith(2, 1, {2, 2, 3});
    a.minX = -50;
    a.maxZ = 900;
    fixture::Las b = lasWith(2, 1, {3, 9});
    b.maxX = 4000;
    b.minZ = -100;
    b.points[1].gpsTime = -7.5;
    dir.write("a.las", fixture::bytes(a));
    dir.write("b.las", fixture::bytes(b));
    // Tabs, runs of blanks, blank lines and CRLF separate names alike.
    dir.write("flights.txt", "a.las\t\tb.las \r\n\n   a.las");
    const auto r = tool::run({"flights.txt"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string expected =
        tool::kBanner + tool::progress("a.las", 1, 3) + tool::progress("b.las", 2, 3) +
        tool::progress("a.las", 3, 3) + tool::kBlank +
        "\nSummary of 3 files listed in flights.txt\n\n"
        "\rLAS version 1.2, Format 1 (Type 6)\n"
        "-----------------------------------------------\n\n"
        "Total points :            8\n\n"
        "X range :               -50.00 to       4000.00\n"
        "Y range :                10.00 to        200.00\n"
        "Z range :              -100.00 to        900.00\n\n"
        "GPS Time range :     -7.500000 to     13.000000\n\n"
        "1st Returns                      8\n"
        "2nd Returns                      0\n"
        "3rd Returns                      0\n"
        "4th Returns                      0\n\n"
        "Number of Returns = 1            8\n"
        "Number of Returns = 2            0\n"
        "Number of Returns = 3            0\n"
        "Number of Returns = 4            0\n\n"
        "Return Class   2                 4\n"
        "Return Class   3                 3\n"
        "Return Class   9                 1\n" +
        tool::kElapsed;
    EXPECT_EQ(r.out, expected);
}

TEST(List, LongNamesAreReadWhole)
{
    TempDir dir;
    std::string sub;
    for (int level = 0; level < 4; ++level)
        sub += std::string(100, static_cast<char>('p' + level)) + "/";
    std::filesystem::create_directories(dir.file(sub));
    const std::string name = sub + std::string(150, 'f') + ".las";
    dir.write(name, fixture::bytes(lasWith(2, 0, {6})));
    dir.write("long.txt", name + "\n" + name + "\n");
    const auto r = tool::run({"long.txt"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(tool::progress(name, 2, 2)), std::string::npos);
    EXPECT_NE(r.out.find("Return Class   6                 2\n"), std::string::npos);
}
