// What every fuzz target shares: a run of the tool or of a library routine
// in-process, with exit turned into an exception, in a private directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// Thrown where the code under test calls exit.
struct Exit {
    int status;
};

// A fresh directory for this process, removed when it ends normally.
const std::string &workspace();
std::string inWorkspace(const std::string &name);

// Sends standard output to /dev/null (set TARVIK_FUZZ_VERBOSE to keep it).
void quietStdout();

void writeFile(const std::string &path, const std::string &bytes);
std::string readFile(const std::string &path);
bool exists(const std::string &path);

// runTarvik with `args` (the program name is added), with the current
// directory set to the workspace for the call. Returns the exit status: 0, or
// the status that the run passed to exit.
int runTool(const std::vector<std::string> &args);

// Ends the process with a message that libFuzzer reports as a finding.
[[noreturn]] void fail(const char *what, const std::string &detail = "");

} // namespace fuzz

namespace fuzz {

// Little-endian fields of a file's bytes; 0 where the bytes end.
inline uint64_t le(const std::string &b, size_t at, int bytes)
{
    uint64_t v = 0;
    for (int k = bytes - 1; k >= 0; --k)
        v = (v << 8) | (at + static_cast<size_t>(k) < b.size()
                            ? static_cast<unsigned char>(b[at + static_cast<size_t>(k)])
                            : 0u);
    return v;
}

// The LAS type that a file of these bytes must be given: 1 to 8, 0 for a
// LAS 1.0 or 1.1 file of a colour format, -1 for every refusal.
inline int expectedType(const std::string &b)
{
    if (b.size() < 107 || b.compare(0, 4, "LASF") != 0)
        return -1;
    const uint64_t major = le(b, 24, 1), minor = le(b, 25, 1), format = le(b, 104, 1);
    if (major != 1 || minor > 2 || format > 3)
        return -1;
    if (minor < 2 && format >= 2)
        return 0;
    static const uint64_t kLength[4] = {20, 28, 26, 34};
    if (le(b, 105, 2) != kLength[format])
        return -1;
    return static_cast<int>(2 * minor + format + 1);
}

inline size_t recordBytes(int type)
{
    static const size_t kSize[9] = {0, 20, 28, 20, 28, 20, 28, 26, 34};
    return type >= 1 && type <= 8 ? kSize[type] : 0;
}

} // namespace fuzz
