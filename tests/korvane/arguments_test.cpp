// The argument checks: what each accepts, and the whole output and status of
// each refusal. Routines that end the process run in a child.
#include "Korvane_LiDAR.h"
#include "process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

const std::string kInvalid = "\nInvalid argument value (%s)\n";

std::string with(std::string format, const std::string &text)
{
    return format.replace(format.find("%s"), 2, text);
}

} // namespace

TEST(NumericArgument, AcceptsDigitsWithAtMostOnePointAndOneMinus)
{
    // Past 65535 characters a 16-bit position would wrap.
    const std::string longDigits(70000, '7');
    const std::vector<std::string> accepted = {
        "", "0", "-12", "3.5", "5-", "1-2", ".5", "-.", ".-", "0123456789", "-0.000",
        longDigits, longDigits + "." + longDigits + "-"};
    for (const std::string &s : accepted) {
        const auto r = testsupport::runInChild([&] { check_numeric_argument(s.c_str()); });
        EXPECT_EQ(r.status, 0) << s.substr(0, 20);
        EXPECT_EQ(r.out, "") << s.substr(0, 20);
    }
}

TEST(NumericArgument, RefusesEverythingElseWithOneMessage)
{
    const std::string longDigits(70000, '7');
    const std::vector<std::string> refused = {
        ".", "-", "1.2.3", "--5", "..", "1e5", "+5", " 5", "5 ", "0x10", "1,5", "-1-",
        longDigits + "x", longDigits + "." + longDigits + ".", longDigits + "-" + longDigits + "-"};
    for (const std::string &s : refused) {
        const auto r = testsupport::runInChild([&] { check_numeric_argument(s.c_str()); });
        EXPECT_EQ(r.status, 255) << s.substr(0, 20);
        EXPECT_EQ(r.out, with(kInvalid, s)) << s.substr(0, 20);
    }
}

TEST(YNFlag, AcceptsExactlyFourStrings)
{
    struct Row {
        const char *text;
        std::string out;
    };
    const std::string refusal = "\nASCII Header Flag should be either Y (y) or N (n)\n";
    const Row rows[] = {{"Y", "[0]"},           {"N", "[0]"},           {"y", "[0]"},
                        {"n", "[0]"},           {"", refusal + "[-1]"}, {"yes", refusal + "[-1]"},
                        {"YES", refusal + "[-1]"}, {"Y ", refusal + "[-1]"}, {"1", refusal + "[-1]"},
                        {"Nn", refusal + "[-1]"}};
    for (const Row &row : rows) {
        const auto r = testsupport::runInChild([&] { std::printf("[%d]", check_YN(row.text)); });
        EXPECT_EQ(r.status, 0) << row.text;
        EXPECT_EQ(r.out, row.out) << '"' << row.text << '"';
    }
}

namespace {

const std::string kMismatch = "\nFile extension of %s is not .%e\n";
const std::string kExtension =
    "\nDEM file extension should be either '.asc' (ASCII) or '.flt' (floating point binary)\n";
const std::string kNoHeader = "\nFloating point binary DEM files also require a ASCII header file ('.hdr')\n";

std::string mismatch(const std::string &name, const std::string &extension)
{
    std::string m = with(kMismatch, name);
    return m.replace(m.find("%e"), 2, extension);
}

std::string noAccess(const std::string &name)
{
    return "Unable to open file " + name + " in file_access()\n";
}

} // namespace

// The whole output, in order: the extension tests print even on the way to
// accepting a name.
TEST(DEMName, OutputSequenceAndOutcome)
{
    testsupport::TempDir dir;
    dir.write("b.hdr", "ncols 1\n");
    std::filesystem::create_directory(dir.file("site.b"));
    dir.write("site.b/dem.hdr", "ncols 1\n");
    // Longer than any fixed name buffer of 80 bytes.
    const std::string deep = dir.file(std::string(150, 'd'));
    std::filesystem::create_directory(deep);
    dir.write(std::string(150, 'd') + "/tile.hdr", "ncols 1\n");

    const std::string a = dir.file("a"), b = dir.file("b"), dem = dir.file("site.b/dem");
    struct Row {
        std::string name;
        std::string out;
        int status;
    };
    const Row rows[] = {
        {a + ".asc", mismatch(a + ".asc", "flt"), 0},
        {b + ".flt", mismatch(b + ".flt", "asc"), 0},
        {dem + ".flt", mismatch(dem + ".flt", "asc"), 0},
        {deep + "/tile.flt", mismatch(deep + "/tile.flt", "asc"), 0},
        {a + ".flt", mismatch(a + ".flt", "asc") + noAccess(a + ".hdr") + kNoHeader, 255},
        {deep + "/none.flt",
         mismatch(deep + "/none.flt", "asc") + noAccess(deep + "/none.hdr") + kNoHeader, 255},
        {a + ".txt", mismatch(a + ".txt", "asc") + mismatch(a + ".txt", "flt") + kExtension, 255},
        {"a.ASC", mismatch("a.ASC", "asc") + mismatch("a.ASC", "flt") + kExtension, 255},
        {"a.FLT", mismatch("a.FLT", "asc") + mismatch("a.FLT", "flt") + kExtension, 255},
        {".asc", "\nFile name (.asc) is too short\n\nFile name (.asc) is too short\n" + kExtension, 255},
        {".flt", "\nFile name (.flt) is too short\n\nFile name (.flt) is too short\n" + kExtension, 255},
        {"grid.ascii",
         "\nExtension of file grid.ascii should be preceeded by a dot (.)\n"
         "\nExtension of file grid.ascii should be preceeded by a dot (.)\n" +
             kExtension,
         255},
    };
    for (const Row &row : rows) {
        const auto r = testsupport::runInChild([&] { check_DEM(row.name.c_str()); });
        EXPECT_EQ(r.status, row.status) << row.name;
        EXPECT_EQ(r.out, row.out) << row.name;
    }
}
