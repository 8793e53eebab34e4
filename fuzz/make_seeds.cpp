// Writes the seed corpora of the fuzz targets, one folder each, from the
// tests' LAS fixture, so that no binary corpus is kept in the repository.
//
//   make_seeds OUTPUT_DIR
#include "sample_files.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

int written = 0;

void seed(const fs::path &dir, const std::string &bytes)
{
    fs::create_directories(dir);
    std::ofstream f(dir / ("seed-" + std::to_string(written++)), std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// One file of every LAS type, and the faults that validation must meet.
std::vector<std::string> lasFiles()
{
    std::vector<std::string> files;
    const uint8_t pairs[8][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {2, 2}, {2, 3}};
    for (const auto &pair : pairs)
        files.push_back(fixture::bytes(fuzz::sampleLas(pair[0], pair[1], 3)));
    fixture::Las vlr = fuzz::sampleLas(2, 1, 4);
    vlr.vlrBytes = std::string(54, '\x03');
    files.push_back(fixture::bytes(vlr));
    fixture::Las trailing = fuzz::sampleLas(2, 0, 2);
    trailing.trailing = std::string(7, '\x7F');
    files.push_back(fixture::bytes(trailing));
    files.push_back(fixture::bytes(fuzz::sampleLas(2, 3, 0)));
    files.push_back(fixture::bytes(fuzz::sampleLas(1, 3, 1)));             // type 0
    const std::string whole = fixture::bytes(fuzz::sampleLas(2, 1, 3));
    files.push_back(whole.substr(0, 150));                                  // inside the header
    files.push_back(whole.substr(0, whole.size() - 9));                     // inside a record
    fixture::Las promises = fuzz::sampleLas(2, 1, 1);
    promises.pointCount = 4294967295;
    files.push_back(fixture::bytes(promises));
    fixture::Las offset = fuzz::sampleLas(2, 1, 1);
    offset.offsetToData = 100;
    files.push_back(fixture::bytes(offset));
    files.push_back("LASF");
    files.push_back("");
    return files;
}

std::string words(std::initializer_list<int32_t> values)
{
    std::string s;
    for (int32_t v : values)
        s.append(reinterpret_cast<const char *>(&v), sizeof v);
    return s;
}

std::string doubles(std::initializer_list<double> values)
{
    std::string s;
    for (double v : values)
        s.append(reinterpret_cast<const char *>(&v), sizeof v);
    return s;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds OUTPUT_DIR\n");
        return 2;
    }
    const fs::path out = argv[1];
    for (const std::string &las : lasFiles()) {
        seed(out / "check_las", las);
        seed(out / "tarvik_run", las);
        seed(out / "update_header", las);
    }
    for (const char *list :
         {"a.las", "a.las b.las e.las", "a.las\n\tb.las\r\n sub/d.las  a.las\n", "c.las c.las",
          "a.las c.las", "old.las", "bad.las", "cut.las", "notes.txt", "l.txt", "", " \n",
          "a.las missing.las", "sub", "./a.las sub/../b.las"})
        seed(out / "tarvik_list", list);
    // Selector bits: 1 doubles, 2 whole array, 4 one byte a value.
    const std::string sorts[] = {
        std::string("\x02\x00\x00\x0F", 4) + words({5, 3, 5, 1, 3, 5}),
        std::string("\x00\x01\x04\xFF", 4) + words({7, 7, 7, 7, INT32_MIN, INT32_MAX}),
        std::string("\x03\x00\x00\x0F", 4) + doubles({3, 3, 1, -0.0, 0.0, 1e300}),
        std::string("\x01\x02\x05\x00", 4) + doubles({2, 1, NAN, 4, -INFINITY, 5}),
        std::string("\x06\x00\x00\x0F", 4) + "\x01\x02\x03\x04\x05\x05\x04\x03\x02\x01",
        std::string("\x05\x03\x09\xFE", 4) + "\x80\x7F\x00\x00\xFF\x01\x80\x7F\x00\x10",
    };
    for (const std::string &s : sorts)
        seed(out / "quicksort", s);
    std::printf("%d seeds in %s\n", written, out.c_str());
    return 0;
}
