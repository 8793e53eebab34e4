// check_las on arbitrary file bytes: it must never read outside its buffer,
// must give exactly the type that the examined bytes call for, and must leave
// the file as it was.
#include "harness.h"

#include "Korvane_LiDAR.h"

#include <string>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const std::string path = fuzz::inWorkspace("f.las");
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    fuzz::writeFile(path, bytes);
    const int type = check_las(path.c_str());
    if (type != fuzz::expectedType(bytes))
        fuzz::fail("check_las gave type", std::to_string(type) + " instead of " +
                                              std::to_string(fuzz::expectedType(bytes)));
    if (fuzz::readFile(path) != bytes)
        fuzz::fail("check_las changed its file");
    return 0;
}
