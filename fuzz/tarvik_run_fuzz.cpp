// A whole Tarvik run, "Tarvik in.las -d -s", on arbitrary file bytes. Every
// run ends either complete, on a file that holds every record its header
// promises, with a saved file equal to one built here from a count of those
// records, or with status -1 and no saved file; the input is never changed.
#include "harness.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string line(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string line(const char *format, ...)
{
    // A double printed with %f takes up to 317 characters, and a line two.
    char text[1024];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0 || static_cast<size_t>(n) >= sizeof text)
        fuzz::fail("a saved line longer than expected");
    return text;
}

double doubleAt(const std::string &b, size_t at)
{
    double v;
    std::memcpy(&v, b.data() + at, sizeof v);
    return v;
}

// The saved file of "-d -s" on a file that holds every promised record,
// counted here record by record, straight from the bytes.
std::string expectedSaved(const std::string &b, int type)
{
    const uint64_t points = fuzz::le(b, 107, 4), offset = fuzz::le(b, 96, 4);
    const size_t size = fuzz::recordBytes(type);
    const bool gps = type % 2 == 0;
    // Starting values that any real bound replaces; NaN bounds replace none.
    double lo[3] = {1e11, 1e11, 1e11}, hi[3] = {-1e11, -1e11, -1e11};
    for (size_t axis = 0; axis < 3; ++axis) {
        const double max = doubleAt(b, 179 + 16 * axis), min = doubleAt(b, 187 + 16 * axis);
        if (max > hi[axis]) hi[axis] = max;
        if (min < lo[axis]) lo[axis] = min;
    }
    double minGPS = 1e11, maxGPS = -1e11;
    std::vector<uint64_t> returns(10), numbers(10), classes(256), intensity(65536), angle(256),
        user(256), source(65536);
    for (uint64_t k = 0; k < points; ++k) {
        const size_t at = static_cast<size_t>(offset + k * size);
        const auto bitfield = static_cast<size_t>(fuzz::le(b, at + 14, 1));
        ++returns[bitfield & 7];
        ++numbers[(bitfield >> 3) & 7];
        ++classes[fuzz::le(b, at + 15, 1)];
        ++intensity[fuzz::le(b, at + 12, 2)];
        ++angle[fuzz::le(b, at + 16, 1)];
        ++user[fuzz::le(b, at + 17, 1)];
        ++source[fuzz::le(b, at + 18, 2)];
        if (gps) {
            const double t = doubleAt(b, at + 20);
            if (t < minGPS) minGPS = t;
            if (t > maxGPS) maxGPS = t;
        }
    }
    const auto d = [](uint64_t v) { return static_cast<double>(v); };
    std::string out = line("TotalPoints %18.0f\n", d(points));
    const char axes[3] = {'X', 'Y', 'Z'};
    for (size_t axis = 0; axis < 3; ++axis)
        out += line("%cMin %28.2f\n%cMax %28.2f\n", axes[axis], lo[axis], axes[axis], hi[axis]);
    out += gps ? line("GPSTimeMin %26.6f\nGPSTimeMax %26.6f\n", minGPS, maxGPS)
               : "GPSTimeMin\nGPSTimeMax\n";
    const char *ordinal[5] = {"", "1st", "2nd", "3rd", "4th"};
    for (size_t n = 1; n <= 9; ++n)
        if (n <= 4)
            out += line("%sReturns %19.0f\n", ordinal[n], d(returns[n]));
        else if (returns[n] > 0)
            out += line("%zuthReturns %19.0f\n", n, d(returns[n]));
    for (size_t n = 1; n <= 9; ++n)
        if (n <= 4 || numbers[n] > 0)
            out += line("NumberReturns%zu %15.0f\n", n, d(numbers[n]));
    for (size_t c = 0; c < 256; ++c)
        if (classes[c] > 0)
            out += line("Class%03zu %21.0f\n", c, d(classes[c]));
    for (size_t v = 0; v < 65536; ++v)
        if (intensity[v] > 0)
            out += line("Intensity%05zu %15.0f\n", v, d(intensity[v]));
    for (size_t r = 128; r < 256; ++r)
        if (angle[r] > 0)
            out += line("ScanAngleRank%04d %12.0f\n", static_cast<int>(r) - 256, d(angle[r]));
    for (size_t r = 0; r < 128; ++r)
        if (angle[r] > 0)
            out += line("ScanAngleRank%03zu %13.0f\n", r, d(angle[r]));
    for (size_t u = 0; u < 256; ++u)
        if (user[u] > 0)
            out += line("UserData%03zu %18.0f\n", u, d(user[u]));
    for (size_t p = 0; p < 65536; ++p)
        if (source[p] > 0)
            out += line("PointSourceID%05zu %11.0f\n", p, d(source[p]));
    return out;
}

} // namespace

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
    const std::string want = expectedSaved(bytes, type);
    if (fuzz::readFile(saved) != want)
        fuzz::fail("saved figures differ from a count of the records:\n", want);
    return 0;
}
