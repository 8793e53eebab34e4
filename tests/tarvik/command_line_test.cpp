// The command line: options, dispatch on the input's extension, and the
// messages of every branch that ends a run before the banner.
#include "tool.h"

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::TempDir;

namespace {

struct Case {
    std::vector<std::string> args;
    std::string out;
    int status;
};

void expectRuns(const std::vector<Case> &cases, const std::string &cwd)
{
    for (const Case &c : cases) {
        std::string line;
        for (const auto &a : c.args)
            line += "[" + a + "] ";
        const auto r = tool::run(c.args, cwd);
        EXPECT_EQ(r.out, c.out) << line;
        EXPECT_EQ(r.status, c.status) << line;
        EXPECT_EQ(r.err, "") << line;
    }
}

} // namespace

TEST(CommandLine, RejectedBeforeAnyFileIsLookedAt)
{
    TempDir dir;
    const std::string invalid = "\nInvalid argument(s)\n" + tool::kUsage;
    expectRuns(
        {
            {{}, invalid, 255},
            {{"x.las", "-h"}, invalid, 255},
            {{"x.las", "-D"}, invalid, 255},
            {{"x.las", "-x", "-d"}, invalid, 255},
            {{"x.las", "y.las"}, invalid, 255},
            {{"x.las", "-d", "-s", "-h"}, invalid, 255},
            {{"x.las", "-d", "-d"}, "\nMore than one -d arguments\n" + tool::kUsage, 255},
            {{"x.las", "-s", "-d", "-s"}, "\nMore than one -s arguments\n" + tool::kUsage, 255},
            // Only the first repeated option, in the order -h, -d, -s, is reported.
            {{"x.las", "-h", "-h", "-d", "-d"}, "\nMore than one -h arguments\n" + tool::kUsage, 255},
            {{"x.las", "-s", "-s", "-d", "-d"}, "\nMore than one -d arguments\n" + tool::kUsage, 255},
            {{"-h", "-h"}, "\nMore than one -h arguments\n" + tool::kUsage, 255},
        },
        dir.path());
}

TEST(CommandLine, LoneHelpPrintsUsageAndSucceeds)
{
    expectRuns({{{"-h"}, tool::kUsage, 0}}, "");
}

TEST(CommandLine, InputNameMustEndInDotAndThreeCharacters)
{
    TempDir dir;
    expectRuns(
        {
            // The count test passes and the option word becomes the input name.
            {{"-d", "x.las"}, "\nFile name (-d) is too short\n", 255},
            {{"abcd"}, "\nFile name (abcd) is too short\n", 255},
            {{".las"}, "\nFile name (.las) is too short\n", 255},
            {{"list.text"}, "\nExtension of file list.text should be preceeded by a dot (.)\n", 255},
            {{"noextension", "-d"}, "\nExtension of file noextension should be preceeded by a dot (.)\n",
             255},
        },
        dir.path());
}

TEST(CommandLine, SingleLasFileIsValidatedBeforeTheBanner)
{
    TempDir dir;
    fixture::Las colour11;
    colour11.versionMinor = 1;
    colour11.format = 2;
    dir.write("c.las", fixture::bytes(colour11));
    dir.write("bad.las", "not a LAS file at all");
    expectRuns(
        {
            {{"a.las"}, "Unable to open file a.las in file_access()\n\nFile a.las does NOT exist\n", 255},
            {{"bad.las", "-d"}, "\nbad.las is not a valid .las file\n\n", 255},
            // A LAS 1.1 colour file is refused without a message of the tool's own.
            {{"c.las"}, "", 255},
        },
        dir.path());
}

TEST(CommandLine, FiveCharacterNameIsALasFileAndCapitalsNameAList)
{
    TempDir dir;
    dir.write("a.las", fixture::bytes(fixture::Las{}));
    const auto r = tool::run({"a.las"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\nSummary of a.las\n"), std::string::npos);

    // x.LAS is read as a list of names; this one holds binary LAS bytes,
    // whose first word is not a LAS file name.
    dir.write("x.LAS", "first.las");
    const auto list = tool::run({"x.LAS"}, dir.path());
    EXPECT_EQ(list.out, "Unable to open file first.las in file_access()\n\nFile first.las does NOT exist\n"
                        "first.las (listed in x.LAS) is not a valid LAS file\n");
    EXPECT_EQ(list.status, 255);
}

TEST(CommandLine, OptionsInEitherOrder)
{
    TempDir dir;
    fixture::Las las;
    las.points.resize(3);
    dir.write("x.las", fixture::bytes(las));
    const auto ds = tool::run({"x.las", "-d", "-s"}, dir.path());
    const std::string saved = testsupport::readFile(dir.file("x_stats.asc"));
    std::filesystem::remove(dir.file("x_stats.asc"));
    const auto sd = tool::run({"x.las", "-s", "-d"}, dir.path());
    EXPECT_EQ(ds.status, 0);
    EXPECT_EQ(ds.out, sd.out);
    EXPECT_NE(ds.out.find("\nPoint Source ID"), std::string::npos) << "-d in force";
    EXPECT_EQ(testsupport::readFile(dir.file("x_stats.asc")), saved);
    EXPECT_NE(saved.find("TotalPoints"), std::string::npos) << "-s in force";
}

#ifdef FAULT_SHIM
TEST(CommandLine, AllocationFailuresAfterTheBannerEndTheRun)
{
    TempDir dir;
    fixture::Las las;
    las.points.resize(2);
    dir.write("x.las", fixture::bytes(las));
    // Each row fails one allocation, given by its size in bytes and which of
    // the allocations of that size it is.
    struct Row {
        const char *allocation;
        std::string out;
    } rows[] = {
        {"524288#1", "\nFailed to allocate memory for the Intensity Count vector\n"},
        {"80#1", "\nFailed to allocate memory for the Return Number Count vector\n"},
        {"80#2", "\nFailed to allocate memory for the Number of Returns Count vector\n"},
        {"2048#1", "\nFailed to allocate memory for the Classification Count vector\n"},
        {"2048#2", "\nFailed to allocate memory for the Scan Angle Rank Count vector\n"},
        {"2048#3", "\nFailed to allocate memory for the User Data Count vector\n"},
        {"524288#2", "\nFailed to allocate memory for the Point Source ID Count vector\n"},
        {"227", "\nCannot allocate memory for LAS header\n"},
        // The scan's own counters and its block for files that cannot be mapped.
        {"2097152", "Failed to allocate memory for file x.las\n"},
        {"1048576", "Failed to allocate memory for file x.las\n"},
    };
    for (const Row &row : rows) {
        const auto r = tool::runWithFaults(std::string("TARVIK_TEST_ALLOC=") + row.allocation,
                                           {"x.las", "-d"}, dir.path());
        EXPECT_EQ(r.out, tool::kBanner + row.out) << row.allocation;
        EXPECT_EQ(r.status, 255) << row.allocation;
    }
}
#endif

TEST(CommandLine, SummaryThatCannotBeWrittenIsAFailure)
{
    TempDir dir;
    fixture::Las las;
    las.points.resize(2);
    dir.write("x.las", fixture::bytes(las));
    const auto r = testsupport::run("/bin/sh", {"-c", std::string(TARVIK_EXE) + " x.las -d > /dev/full"},
                                    dir.path());
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "Tarvik: the summary could not be written to standard output: No space left on "
                     "device\n");
}
