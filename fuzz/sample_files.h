// Small LAS files built with the tests' fixture, shared by the seed corpora
// and by the list target, which names them.
#pragma once

#include "las_fixture.h"

#include <string>
#include <utility>
#include <vector>

namespace fuzz {

inline fixture::Las sampleLas(uint8_t minor, uint8_t format, int points)
{
    fixture::Las las;
    las.versionMinor = minor;
    las.format = format;
    for (int k = 0; k < points; ++k) {
        fixture::Point p;
        p.x = 1000 * k - 2000;
        p.y = 77 * k;
        p.z = -5 * k;
        p.intensity = static_cast<uint16_t>(k * 40000);
        p.bitfield = static_cast<uint8_t>(0x08 * (k % 4 + 1) + k % 4 + 1);
        p.classification = static_cast<uint8_t>(k % 3 == 0 ? 2 : 128 + k);
        p.scanAngle = static_cast<uint8_t>(256 - 20 + k);
        p.userData = static_cast<uint8_t>(k);
        p.pointSourceID = static_cast<uint16_t>(k % 2 == 0 ? 1 : 65535);
        p.gpsTime = 2.4e8 + 0.25 * k;
        las.points.push_back(p);
    }
    return las;
}

// Name and bytes of the files that the list target's lists may name.
inline std::vector<std::pair<std::string, std::string>> listedFiles()
{
    fixture::Las withVlr = sampleLas(2, 1, 2);
    withVlr.vlrBytes = std::string(54, '\x02');
    const std::string a = fixture::bytes(sampleLas(2, 1, 3));
    return {
        {"a.las", a},
        {"b.las", fixture::bytes(withVlr)},
        {"e.las", fixture::bytes(sampleLas(2, 1, 0))},
        {"c.las", fixture::bytes(sampleLas(0, 0, 2))},
        {"old.las", fixture::bytes(sampleLas(1, 2, 1))},
        {"bad.las", "not a LAS file"},
        {"cut.las", a.substr(0, a.size() - 5)},
        {"sub/d.las", fixture::bytes(sampleLas(2, 1, 1))},
        {"notes.txt", "a.las\n"},
    };
}

} // namespace fuzz
