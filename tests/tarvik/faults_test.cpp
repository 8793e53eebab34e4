// Hostile and broken input: each fault ends the run with a clear message and
// status 255, leaves every file as it was, and counts nothing it did not read.
// Truncated records, impossible point counts, offsets and the saved file's
// failures are covered beside the features they guard; these are the rest.
#include "Korvane_LiDAR.h"
#include "tool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

// Every file under `root` with its bytes and modification time: a failed run
// must leave this unchanged (no input touched, no statistics file begun).
using Snapshot = std::map<std::string, std::pair<std::string, fs::file_time_type>>;

Snapshot snapshot(const std::string &root)
{
    Snapshot s;
    for (const auto &entry : fs::recursive_directory_iterator(root)) {
        const auto mtime = fs::last_write_time(entry.path());
        const bool regular = entry.is_regular_file();
        s[entry.path().string()] = {regular ? testsupport::readFile(entry.path()) : "", mtime};
    }
    return s;
}

fixture::Las pointsOfClass(std::vector<uint8_t> classes)
{
    fixture::Las las;
    for (uint8_t c : classes) {
        fixture::Point p;
        p.classification = c;
        las.points.push_back(p);
    }
    return las;
}

struct Row {
    std::string what;
    std::vector<std::string> args;
    std::string out;
};

// Runs each row in `dir` and checks the whole output, the status and that
// nothing in `dir` changed.
void expectRefused(const TempDir &dir, const std::vector<Row> &rows)
{
    for (const Row &row : rows) {
        const Snapshot before = snapshot(dir.path());
        const auto r = tool::run(row.args, dir.path());
        EXPECT_EQ(r.out, row.out) << row.what;
        EXPECT_EQ(r.status, 255) << row.what;
        EXPECT_EQ(snapshot(dir.path()), before) << row.what;
    }
}

} // namespace

TEST(Faults, FilesThatCannotBeReadAsLas)
{
    TempDir dir;
    fs::create_directory(dir.file("folder.las"));
    fs::create_directory(dir.file("folder.txt"));
    dir.write("empty.las", "");
    // A file cut inside its variable-length record: 227 + 54 bytes
    // promised before the points, 247 present.
    fixture::Las withVlr = pointsOfClass({2});
    withVlr.vlrBytes = std::string(54, '\x01');
    dir.write("vlr.las", fixture::bytes(withVlr).substr(0, 247));
    dir.write("dirs.txt", "folder.las");

    const std::string kNotLas = " (listed in dirs.txt) is not a valid LAS file\n";
    expectRefused(
        dir,
        {
            {"directory named as a LAS file", {"folder.las", "-s"},
             "\nCannot read file folder.las in check_las()\n"},
            {"directory named as a list", {"folder.txt", "-d"},
             "\nCannot read input ASCII file folder.txt as a list of names\n"},
            {"directory named in a list", {"dirs.txt", "-s"},
             "\nCannot read file folder.las in check_las()\nfolder.las" + kNotLas},
            {"empty file", {"empty.las", "-s", "-d"}, "\nempty.las is not a valid .las file\n\n"},
            {"cut inside the variable-length records", {"vlr.las", "-s"},
             "\nvlr.las holds 247 bytes, 62 fewer than its header promises (1 point records of 28 "
             "bytes from byte 281)\n"},
        });
}

TEST(Faults, FileWithoutReadPermission)
{
    TempDir dir;
    const std::string path = dir.write("locked.las", fixture::bytes(pointsOfClass({2, 3})));
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    const Snapshot before = snapshot(dir.path());
    const auto r = testsupport::runInChild([&] {
        // Root reads any file whatever its mode. Dropped from the bounding
        // set, the capabilities that allow it are gone from the tool that
        // the child starts, so the row runs in CI too.
        if (geteuid() == 0 && (prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0 ||
                               prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) != 0))
            _exit(77);
        if (chdir(dir.path().c_str()) != 0)
            _exit(120);
        char *argv[] = {const_cast<char *>(TARVIK_EXE), const_cast<char *>("locked.las"),
                        const_cast<char *>("-s"), nullptr};
        execv(TARVIK_EXE, argv);
        _exit(121);
    });
    if (r.status == 77)
        GTEST_SKIP() << "running as root and unable to drop its capabilities";
    EXPECT_EQ(r.out, "Unable to open file locked.las in file_access()\n\n"
                     "File locked.las does NOT exist\n");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(snapshot(dir.path()), before);
}

// The header update opens its file for writing: one that may not be written
// is refused before a byte changes. The child gives up root, which may write
// any file whatever its mode.
TEST(Faults, HeaderUpdateOfAReadOnlyFile)
{
    TempDir dir;
    fixture::Las las = pointsOfClass({2, 3});
    las.pointCount = 7; // wrong on purpose: an update would rewrite it
    const std::string path = dir.write("ro.las", fixture::bytes(las));
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    const Snapshot before = snapshot(dir.path());
    const auto r = testsupport::runInChild([&] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(77);
        update_header(path.c_str());
    });
    if (r.status == 77)
        GTEST_SKIP() << "running as root and unable to give it up";
    EXPECT_EQ(r.out, "\nCannot open binary file " + path + " for header update\n\n");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(snapshot(dir.path()), before);
}

TEST(Faults, SpecialFilesAreRefusedWithoutWaiting)
{
    TempDir dir;
    // A FIFO with no writer: opening it to read would wait for ever.
    ASSERT_EQ(mkfifo(dir.file("pipe.las").c_str(), 0644), 0);
    // A socket cannot be opened at all, whoever asks.
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string socketPath = dir.file("socket.las");
    ASSERT_LT(socketPath.size(), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    ASSERT_EQ(bind(sock, reinterpret_cast<const sockaddr *>(&addr), sizeof addr), 0);
    dir.write("a.las", fixture::bytes(pointsOfClass({2})));
    dir.write("l.txt", "a.las pipe.las");

    expectRefused(dir, {
                           {"FIFO named as a LAS file", {"pipe.las"},
                            "\npipe.las is not a valid .las file\n\n"},
                           {"FIFO named in a list", {"l.txt", "-s"},
                            "\npipe.las is not a valid .las file\n\n"
                            "pipe.las (listed in l.txt) is not a valid LAS file\n"},
                           {"socket named as a LAS file", {"socket.las", "-s"},
                            "Unable to open file socket.las in file_access()\n\n"
                            "File socket.las does NOT exist\n"},
                       });
    close(sock);
}

TEST(Faults, ListOfTenThousandNamesAddsUpEveryFile)
{
    TempDir dir;
    dir.write("one.las", fixture::bytes(pointsOfClass({2})));
    dir.write("two.las", fixture::bytes(pointsOfClass({3, 3})));
    dir.write("three.las", fixture::bytes(pointsOfClass({4, 4, 4})));
    std::string list;
    // 3334 x one, 3333 x two, 3333 x three: 3334 + 6666 + 9999 points.
    for (int k = 0; k < 10000; ++k)
        list += (k % 3 == 0 ? "one.las" : k % 3 == 1 ? "two.las" : "three.las") +
                std::string(k % 7 == 0 ? "\n" : " ");
    dir.write("big.txt", list);
    const auto r = tool::run({"big.txt", "-s"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.out.substr(0, 500);
    EXPECT_NE(r.out.find(tool::progress("one.las", 10000, 10000) + tool::kBlank +
                         "\nSummary of 10000 files listed in big.txt\n\n"),
              std::string::npos);
    const std::string saved = testsupport::readFile(dir.file("big_stats.asc"));
    EXPECT_NE(saved.find("TotalPoints              19999\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("NumberReturns1           19999\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Class002                  3334\n"
                         "Class003                  6666\n"
                         "Class004                  9999\n"),
              std::string::npos)
        << saved;
}

TEST(Faults, NamesWithBlanksSplitInAList)
{
    TempDir dir;
    dir.write("my flight.las", fixture::bytes(pointsOfClass({2})));
    dir.write("l.txt", "my flight.las\n");
    // A name of the list ends at the blank: "my" is looked up, and refused.
    expectRefused(dir, {{"blank inside a listed name", {"l.txt", "-s"},
                         "Unable to open file my in file_access()\n\nFile my does NOT exist\n"
                         "my (listed in l.txt) is not a valid LAS file\n"}});
    // The same name given on the command line is one argument, read whole.
    const auto r = tool::run({"my flight.las"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\nSummary of my flight.las\n"), std::string::npos);
}

TEST(Faults, NonAsciiNamesAreUsedByteForByte)
{
    TempDir dir;
    // UTF-8, bytes that are not UTF-8 at all, and 0xA0, a blank in Latin-1
    // but not a separator of the list.
    const std::vector<std::string> names = {"h\xC3\xB6he.las", "\xFF\xFE.las", "a\xA0" "b.las"};
    std::string list;
    for (const std::string &name : names) {
        dir.write(name, fixture::bytes(pointsOfClass({5})));
        list += name + "\n";
    }
    dir.write("names.txt", list);
    const auto r = tool::run({"names.txt", "-s"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(tool::progress(names[0], 1, 3) + tool::progress(names[1], 2, 3) +
                         tool::progress(names[2], 3, 3)),
              std::string::npos);
    EXPECT_NE(r.out.find("Return Class   5                 3\n"), std::string::npos);

    const auto single = tool::run({names[1], "-s"}, dir.path());
    EXPECT_EQ(single.status, 0);
    EXPECT_TRUE(fs::exists(dir.file("\xFF\xFE_stats.asc")));
    // A missing non-ASCII name is reported with its bytes unchanged.
    dir.write("gone.txt", "\xE2\x82\xAC.las");
    expectRefused(dir, {{"missing non-ASCII name", {"gone.txt"},
                         "Unable to open file \xE2\x82\xAC.las in file_access()\n\n"
                         "File \xE2\x82\xAC.las does NOT exist\n"
                         "\xE2\x82\xAC.las (listed in gone.txt) is not a valid LAS file\n"}});
}

TEST(Faults, NamesOfFourThousandCharacters)
{
    TempDir dir;
    // A single name component holds at most 255 bytes: nest directories.
    std::string sub;
    for (char c = 'a'; sub.size() < 3700; ++c)
        sub += std::string(250, c) + "/";
    fs::create_directories(dir.file(sub));
    const std::string name = sub + std::string(4000 - sub.size() - 4, 'n') + ".las";
    ASSERT_EQ(name.size(), 4000u);
    dir.write(name, fixture::bytes(pointsOfClass({6, 6})));
    dir.write("long.txt", name + "\n" + name + "\n");

    const auto list = tool::run({"long.txt"}, dir.path());
    ASSERT_EQ(list.status, 0) << list.out.substr(0, 300);
    EXPECT_NE(list.out.find(tool::progress(name, 2, 2)), std::string::npos);
    EXPECT_NE(list.out.find("Return Class   6                 4\n"), std::string::npos);

    // On the command line, with the saved file beside the input.
    const auto single = tool::run({name, "-s"}, dir.path());
    ASSERT_EQ(single.status, 0);
    EXPECT_NE(testsupport::readFile(dir.file(name.substr(0, 3996) + "_stats.asc"))
                  .find("Class006                     2\n"),
              std::string::npos);

    // A path longer than the system takes is refused as one that cannot be opened.
    const std::string tooLong = sub + std::string(5000 - sub.size() - 4, 'n') + ".las";
    dir.write("toolong.txt", tooLong);
    expectRefused(dir, {{"name past the system's path limit", {"toolong.txt"},
                         "Unable to open file " + tooLong + " in file_access()\n\nFile " + tooLong +
                             " does NOT exist\n" + tooLong +
                             " (listed in toolong.txt) is not a valid LAS file\n"}});
}
