// LAS files built byte by byte for tests, independently of the library's
// records, so that a fixture shows exactly the bytes a fault depends on.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fixture {

struct Point {
    int32_t x = 0, y = 0, z = 0;
    uint16_t intensity = 0;
    uint8_t bitfield = 0x09; // return 1 of 1
    uint8_t classification = 2;
    uint8_t scanAngle = 0;   // two's complement rank
    uint8_t userData = 0;
    uint16_t pointSourceID = 0;
    double gpsTime = 0.0;
    uint16_t red = 0, green = 0, blue = 0;
};

// A point described by the fields the tallies count.
inline Point point(uint8_t bitfield, uint8_t classification, uint8_t scanAngle, uint16_t intensity,
                   uint8_t userData, uint16_t pointSourceID, double gpsTime)
{
    Point p;
    p.bitfield = bitfield;
    p.classification = classification;
    p.scanAngle = scanAngle;
    p.intensity = intensity;
    p.userData = userData;
    p.pointSourceID = pointSourceID;
    p.gpsTime = gpsTime;
    return p;
}

struct Las {
    uint8_t versionMajor = 1, versionMinor = 2, format = 1;
    int recordLength = -1;          // -1: the format's own size
    int64_t offsetToData = -1;      // -1: 227 plus the VLR bytes
    int64_t pointCount = -1;        // -1: points.size()
    double maxX = 100, minX = 0, maxY = 200, minY = 10, maxZ = 30, minZ = -5;
    double scale[3] = {0.01, 0.01, 0.01};
    double offset[3] = {0, 0, 0};
    uint32_t pointsByReturn[5] = {0, 0, 0, 0, 0};
    std::string vlrBytes;           // raw bytes between the header and the points
    std::vector<Point> points;
    std::string trailing;           // raw bytes after the points
};

inline int formatSize(int format)
{
    static const int kSize[4] = {20, 28, 26, 34};
    return format >= 0 && format <= 3 ? kSize[format] : 20;
}

// Appends the `bytes` (at most 8) low bytes of v, least significant first.
inline void put(std::string &s, uint64_t v, int bytes)
{
    for (int k = 0; k < bytes; ++k)
        s.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
}

inline void putDouble(std::string &s, double d)
{
    uint64_t v;
    std::memcpy(&v, &d, 8);
    put(s, v, 8);
}

// The 227-byte public header block.
inline std::string header(const Las &las)
{
    std::string s = "LASF";
    put(s, 0, 4);                                   // FileSourceID, GlobalEncoding
    put(s, 0, 8);                                   // GUID
    put(s, 0, 8);
    put(s, las.versionMajor, 1);
    put(s, las.versionMinor, 1);
    std::string text(32, '\0');
    std::memcpy(text.data(), "FIXTURE", 7);
    s += text;                                      // SystemIdentifier
    s += text;                                      // GeneratingSoftware
    put(s, 100, 2);                                 // day
    put(s, 2024, 2);                                // year
    put(s, 227, 2);                                 // HeaderSize
    const int64_t offset = las.offsetToData >= 0 ? las.offsetToData
                                                 : 227 + static_cast<int64_t>(las.vlrBytes.size());
    put(s, static_cast<uint64_t>(offset), 4);
    put(s, las.vlrBytes.empty() ? 0 : 1, 4);        // NumberOfVariableLengthRecords
    put(s, las.format, 1);
    put(s, static_cast<uint64_t>(las.recordLength >= 0 ? las.recordLength : formatSize(las.format)), 2);
    put(s, static_cast<uint64_t>(las.pointCount >= 0 ? las.pointCount
                                                     : static_cast<int64_t>(las.points.size())), 4);
    for (uint32_t c : las.pointsByReturn)
        put(s, c, 4);
    for (double v : las.scale) putDouble(s, v);
    for (double v : las.offset) putDouble(s, v);
    for (double v : {las.maxX, las.minX, las.maxY, las.minY, las.maxZ, las.minZ})
        putDouble(s, v);
    return s;
}

inline std::string record(const Point &p, int format)
{
    std::string s;
    put(s, static_cast<uint32_t>(p.x), 4);
    put(s, static_cast<uint32_t>(p.y), 4);
    put(s, static_cast<uint32_t>(p.z), 4);
    put(s, p.intensity, 2);
    put(s, p.bitfield, 1);
    put(s, p.classification, 1);
    put(s, p.scanAngle, 1);
    put(s, p.userData, 1);
    put(s, p.pointSourceID, 2);
    if (format == 1 || format == 3)
        putDouble(s, p.gpsTime);
    if (format == 2 || format == 3) {
        put(s, p.red, 2);
        put(s, p.green, 2);
        put(s, p.blue, 2);
    }
    return s;
}

// The whole file: header, VLR bytes, the points in the format's layout, trailing bytes.
inline std::string bytes(const Las &las)
{
    std::string s = header(las) + las.vlrBytes;
    for (const Point &p : las.points)
        s += record(p, las.format);
    return s + las.trailing;
}

} // namespace fixture
