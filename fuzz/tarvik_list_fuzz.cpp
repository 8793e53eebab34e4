// List mode, "Tarvik l.txt -d -s", on an arbitrary list text naming a few
// small files (sample_files.h). A complete run must have validated every
// listed name as a LAS file of one type and counted exactly the points that
// their headers promise, each name as often as it is listed; a failed run
// leaves no saved file. No listed file is ever changed.
#include "harness.h"
#include "sample_files.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

const std::vector<std::pair<std::string, std::string>> &files()
{
    static const auto listed = fuzz::listedFiles();
    return listed;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietStdout();
    std::filesystem::create_directory(fuzz::inWorkspace("sub"));
    for (const auto &[name, bytes] : files())
        fuzz::writeFile(fuzz::inWorkspace(name), bytes);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const std::string list = fuzz::inWorkspace("l.txt");
    static const std::string saved = fuzz::inWorkspace("l_stats.asc");
    const std::string text(reinterpret_cast<const char *>(data), size);
    fuzz::writeFile(list, text);
    std::remove(saved.c_str());

    const int status = fuzz::runTool({"l.txt", "-d", "-s"});
    for (const auto &[name, bytes] : files())
        if (fuzz::readFile(fuzz::inWorkspace(name)) != bytes)
            fuzz::fail("a listed file was changed:", name);
    if (status == -1) {
        if (fuzz::exists(saved))
            fuzz::fail("a failed run left a saved file");
        return 0;
    }
    if (status != 0)
        fuzz::fail("unexpected status", std::to_string(status));

    // The names as the list format defines them: runs of non-blanks.
    uint64_t points = 0;
    int type = -2, names = 0;
    for (size_t k = 0; k < text.size();) {
        if (std::isspace(static_cast<unsigned char>(text[k]))) {
            ++k;
            continue;
        }
        size_t end = k;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])))
            ++end;
        const std::string name = text.substr(k, end - k);
        k = end;
        ++names;
        const std::string bytes = fuzz::readFile(name[0] == '/' ? name : fuzz::inWorkspace(name));
        const int t = fuzz::expectedType(bytes);
        if (t < 1 || (type != -2 && t != type))
            fuzz::fail("a run succeeded on a list naming", name);
        type = t;
        points += fuzz::le(bytes, 107, 4);
    }
    if (names == 0)
        fuzz::fail("a run succeeded on a list of no names");
    char expected[64];
    std::snprintf(expected, sizeof expected, "TotalPoints %18.0f\n", static_cast<double>(points));
    if (fuzz::readFile(saved).rfind(expected, 0) != 0)
        fuzz::fail("saved point total differs from the listed headers'", expected);
    return 0;
}
