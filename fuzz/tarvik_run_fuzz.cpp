// A whole Tarvik run, "Tarvik in.las -d -s", on arbitrary file bytes. Every
// run ends either complete, with a saved file whose point total is the one
// the header promised and the file holds, or with status -1 and no saved
// file; the input is never changed.
#include "harness.h"

#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const std::string input = fuzz::inWorkspace("in.las");
    static const std::string saved = fuzz::inWorkspace("in_stats.asc");
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    fuzz::writeFile(input, bytes);
    std::remove(saved.c_str());

    const int status = fuzz::runTool({"in.las", "-d", "-s"});
    if (fuzz::readFile(input) != bytes)
        fuzz::fail("the run changed its input");
    if (status == -1) {
        if (fuzz::exists(saved))
            fuzz::fail("a failed run left a saved file");
        return 0;
    }
    if (status != 0)
        fuzz::fail("unexpected status", std::to_string(status));

    // A complete run read every promised record: the file must hold them.
    const int type = fuzz::expectedType(bytes);
    const uint64_t points = fuzz::le(bytes, 107, 4);
    const uint64_t offset = fuzz::le(bytes, 96, 4);
    if (type < 1 || bytes.size() < 227 || offset < 227 ||
        bytes.size() < offset + points * fuzz::recordBytes(type))
        fuzz::fail("a run succeeded on a file that it cannot have read whole");
    char expected[64];
    std::snprintf(expected, sizeof expected, "TotalPoints %18.0f\n", static_cast<double>(points));
    if (fuzz::readFile(saved).rfind(expected, 0) != 0)
        fuzz::fail("saved point total differs from the header's", expected);
    return 0;
}
