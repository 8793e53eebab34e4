// Header defaults, byte by byte: the expected 227 bytes are written out here
// from the offsets, independently of the library's records.
#include "Korvane_LiDAR.h"
#include "process.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

void put(std::string &b, size_t offset, uint64_t value, int width)
{
    for (int k = 0; k < width; ++k)
        b[offset + static_cast<size_t>(k)] = static_cast<char>((value >> (8 * k)) & 0xFF);
}

void putDouble(std::string &b, size_t offset, double d)
{
    uint64_t v;
    std::memcpy(&v, &d, 8);
    put(b, offset, v, 8);
}

// A record that held `fill` everywhere, after the defaults of minor version `minor`.
std::string expectedBytes(uint8_t fill, uint8_t minor)
{
    std::string b(227, static_cast<char>(fill));
    std::memcpy(&b[0], "LASF", 4);
    put(b, 4, 0, 4);   // FileSourceID and GlobalEncoding / Reserved
    put(b, 8, 0, 4);   // GUIDData1
    put(b, 12, 0, 2);  // GUIDData2
    put(b, 14, 0, 2);  // GUIDData3
    b[16] = 0;         // GUIDData4, first byte only
    b[24] = 1;
    b[25] = static_cast<char>(minor);
    b[26] = 0;         // SystemIdentifier, first byte only
    std::memcpy(&b[58], "Korvane LiDAR Utilities", 24); // with its NUL, up to 81
    put(b, 90, 0, 2);  // day
    put(b, 92, 0, 2);  // year
    put(b, 94, 227, 2);
    put(b, 96, 227, 4);
    put(b, 100, 0, 4);
    b[104] = 0;
    put(b, 105, 0, 2);
    put(b, 107, 0, 4);
    for (size_t k = 0; k < 5; ++k)
        put(b, 111 + 4 * k, 0, 4);
    for (size_t k = 0; k < 3; ++k)
        putDouble(b, 131 + 8 * k, 1.0);
    for (size_t k = 0; k < 9; ++k)
        putDouble(b, 155 + 8 * k, 0.0); // offsets, then the six bounds
    return b;
}

template <typename Header> std::string fill(void (*init)(Header *), uint8_t fillByte, int calls)
{
    Header h;
    std::memset(&h, fillByte, sizeof h);
    for (int k = 0; k < calls; ++k)
        init(&h);
    return std::string(reinterpret_cast<const char *>(&h), sizeof h);
}

} // namespace

// Offsets 17-23, 27-57 and 82-89 keep the caller's bytes; every other byte is
// the default, the same in all three versions but for the minor version at 25.
TEST(HeaderDefaults, EveryByteForEveryVersion)
{
    for (uint8_t fillByte : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x5A}}) {
        for (int calls : {1, 2}) {
            SCOPED_TRACE(testing::Message() << "fill " << int(fillByte) << ", calls " << calls);
            EXPECT_EQ(fill(initialize_header10, fillByte, calls), expectedBytes(fillByte, 0));
            EXPECT_EQ(fill(initialize_header11, fillByte, calls), expectedBytes(fillByte, 1));
            EXPECT_EQ(fill(initialize_header12, fillByte, calls), expectedBytes(fillByte, 2));
        }
    }
}

// The defaults leave the record length at 0: written as they are, the header
// is refused until the caller sets a point format and its length.
TEST(HeaderDefaults, FreshHeaderIsRefusedUntilTheRecordLengthIsSet)
{
    testsupport::TempDir dir;
    LAS12Header h;
    std::memset(&h, 0, sizeof h);
    initialize_header12(&h);
    const std::string path =
        dir.write("fresh.las", std::string(reinterpret_cast<const char *>(&h), sizeof h));
    const auto r = testsupport::runInChild([&] { std::printf("[%d]", check_las(path.c_str())); });
    EXPECT_EQ(r.out, "\nData format of " + path + " (0) is incompatible with Length of Data Record (0)\n[-1]");

    h.PointDataRecordLength = 20;
    dir.write("fresh.las", std::string(reinterpret_cast<const char *>(&h), sizeof h));
    const auto set = testsupport::runInChild([&] { std::printf("[%d]", check_las(path.c_str())); });
    EXPECT_EQ(set.out, "[5]");
}
