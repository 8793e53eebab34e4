// Defaults of a fresh header: points right after the 227-byte block, no
// variable-length records, raw coordinates taken as they are (scale 1, offset
// 0). Point format, record length, counts and bounds are the caller's to set.
//
// Only the first byte of GUIDData4 and of SystemIdentifier, and the 24 bytes
// of the software name with its NUL, are written: the rest of those fields
// keeps what the caller's record held, so callers that fill them first keep
// their bytes.
#include "Korvane_LiDAR.h"

#include <cstring>

namespace {

// The title line of the banner.
constexpr char kSoftware[] = "Korvane LiDAR Utilities";
static_assert(sizeof kSoftware == 24, "the name and its NUL fill offsets 58 to 81");

// The fields that sit at the same offsets in all three versions.
template <typename Header> void fillShared(Header *ph, uint8_t versionMinor)
{
    std::memcpy(ph->LASF, "LASF", 4);
    ph->GUIDData1 = 0;
    ph->GUIDData2 = 0;
    ph->GUIDData3 = 0;
    ph->GUIDData4[0] = 0;
    ph->VersionMajor = 1;
    ph->VersionMinor = versionMinor;
    ph->SystemIdentifier[0] = '\0';
    std::memcpy(ph->GeneratingSoftware, kSoftware, sizeof kSoftware);
    ph->HeaderSize = sizeof(Header);
    ph->OffsetToData = sizeof(Header);
    ph->NumberOfVariableLengthRecords = 0;
    ph->PointDataFormatID = 0;
    ph->PointDataRecordLength = 0;
    ph->NumberOfPointReturns = 0;
    // The record is packed: no reference to its unaligned array.
    std::memset(ph->NumberOfPointsByReturn, 0, sizeof ph->NumberOfPointsByReturn);
    ph->XScaleFactor = 1.0;
    ph->YScaleFactor = 1.0;
    ph->ZScaleFactor = 1.0;
    ph->XOffset = 0.0;
    ph->YOffset = 0.0;
    ph->ZOffset = 0.0;
    ph->MaxX = 0.0;
    ph->MinX = 0.0;
    ph->MaxY = 0.0;
    ph->MinY = 0.0;
    ph->MaxZ = 0.0;
    ph->MinZ = 0.0;
}

} // namespace

void initialize_header10(LAS10Header *ph)
{
    fillShared(ph, 0);
    ph->Reserved = 0;
    ph->FlightDateJulian = 0;
    ph->Year = 0;
}

void initialize_header11(LAS11Header *ph)
{
    fillShared(ph, 1);
    ph->FileSourceID = 0;
    ph->Reserved = 0;
    ph->FileCreationDay = 0;
    ph->FileCreationYear = 0;
}

void initialize_header12(LAS12Header *ph)
{
    fillShared(ph, 2);
    ph->FileSourceID = 0;
    ph->GlobalEncoding = 0;
    ph->FileCreationDay = 0;
    ph->FileCreationYear = 0;
}
