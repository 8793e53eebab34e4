// update_header on arbitrary file bytes, each input in a fresh file. The
// routine either ends with status -1 and leaves the file as it was, or
// rewrites only the first 227 bytes, exactly as a model of its contract
// below computes them; the file's length never changes.
#include "harness.h"
#include "open_streams.h"

#include "Korvane_LiDAR.h"

#include <cmath>
#include <cstring>
#include <optional>
#include <string>

namespace {

void put(std::string &b, size_t at, const void *value, size_t bytes)
{
    std::memcpy(b.data() + at, value, bytes);
}

double doubleAt(const std::string &b, size_t at)
{
    double v;
    std::memcpy(&v, b.data() + at, sizeof v);
    return v;
}

// The file after a successful update of a file of LAS type `type` (1 to 8)
// and at least 227 bytes: records are read from OffsetToData until no whole
// record is left; the stored point count is an output only.
std::string updated(const std::string &b, int type)
{
    const size_t size = fuzz::recordBytes(type);
    const uint64_t offset = fuzz::le(b, 96, 4);
    // Start values: not the 32-bit limits for X and Y, ten million for Z.
    int32_t maxX = -2147483646, minX = 2147483646, maxY = -2147483646, minY = 2147483646;
    int32_t maxZ = -10000000, minZ = 10000000;
    uint32_t count = 0, byReturn[5] = {};
    for (uint64_t at = offset; at + size <= b.size(); at += size) {
        const auto x = static_cast<int32_t>(fuzz::le(b, at, 4));
        const auto y = static_cast<int32_t>(fuzz::le(b, at + 4, 4));
        const auto z = static_cast<int32_t>(fuzz::le(b, at + 8, 4));
        maxX = x > maxX ? x : maxX;
        minX = x < minX ? x : minX;
        maxY = y > maxY ? y : maxY;
        minY = y < minY ? y : minY;
        maxZ = z > maxZ ? z : maxZ;
        minZ = z < minZ ? z : minZ;
        const uint64_t returnNumber = fuzz::le(b, at + 14, 1) & 7;
        if (returnNumber >= 1 && returnNumber <= 5)
            ++byReturn[returnNumber - 1];
        ++count;
    }
    std::string out = b;
    put(out, 107, &count, 4);
    put(out, 111, byReturn, sizeof byReturn);
    const double scale[3] = {doubleAt(b, 131), doubleAt(b, 139), doubleAt(b, 147)};
    const double shift[3] = {doubleAt(b, 155), doubleAt(b, 163), doubleAt(b, 171)};
    const int32_t raw[6] = {maxX, minX, maxY, minY, maxZ, minZ};
    for (size_t k = 0; k < 6; ++k) {
        // Two roundings, a product then a sum: volatile keeps them apart.
        volatile double product = static_cast<double>(raw[k]) * scale[k / 2];
        const double value = product + shift[k / 2];
        put(out, 179 + 8 * k, &value, 8);
    }
    return out;
}

// Equal bytes, but for the six bounds, where any NaN equals any other: which
// operand's payload a NaN sum keeps is the compiler's choice.
bool sameFile(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t at = 179; at < 227; at += 8) {
        const double x = doubleAt(a, at), y = doubleAt(b, at);
        if (!(std::isnan(x) && std::isnan(y)) && a.compare(at, 8, b, at, 8) != 0)
            return false;
    }
    return a.compare(0, 179, b, 0, 179) == 0 && a.compare(227, std::string::npos, b, 227) == 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const std::string path = fuzz::inWorkspace("u.las");
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    std::remove(path.c_str());
    fuzz::writeFile(path, bytes);

    std::optional<int> status;
    try {
        update_header(path.c_str());
    } catch (const fuzz::Exit &e) {
        status = e.status;
        fuzz::closeStreamsLeftOpen();
    }
    std::fflush(stdout);
    const std::string after = fuzz::readFile(path);
    if (after.size() != bytes.size())
        fuzz::fail("update_header changed the file's length");
    if (status) {
        if (*status != -1)
            fuzz::fail("update_header ended with status", std::to_string(*status));
        if (after != bytes)
            fuzz::fail("update_header failed but changed the file");
        return 0;
    }
    const int type = fuzz::expectedType(bytes);
    if (type < 1)
        fuzz::fail("update_header accepted a file that check_las refuses");
    // Too short for a whole header: refusing is allowed, writing bytes
    // that were never read is not (the length check above).
    if (bytes.size() < 227)
        return 0;
    if (!sameFile(after, updated(bytes, type)))
        fuzz::fail("update_header wrote another header than its contract gives");
    return 0;
}
