/*
 * Korvane_LiDAR: records and routines for LAS 1.0, 1.1 and 1.2 files
 * (point data record formats 0 to 3).
 *
 * Usable from C (C11 or later) and C++. Every record mirrors the file's bytes:
 * packed, little-endian, read and written whole. Every routine prints its
 * messages on standard output; checks return a 16-bit status (0, or a LAS type
 * of 1 to 8, for success and -1 for failure) and leave the decision to the
 * caller, while routines that return nothing end the process with status -1
 * when they fail.
 */
#ifndef KORVANE_LIDAR_H
#define KORVANE_LIDAR_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  if defined(KORVANE_LIDAR_BUILDING)
#    define KORVANE_API __declspec(dllexport)
#  else
#    define KORVANE_API __declspec(dllimport)
#  endif
#else
#  define KORVANE_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#  define KORVANE_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
extern "C" {
#else
#  define KORVANE_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* ------------------------------------------------------------------------ */
/* Records                                                                   */
/* ------------------------------------------------------------------------ */

#pragma pack(push, 1)

/* Public header block of a LAS 1.2 file (227 bytes). The tool and the header
 * update read every version's header into this record: the three versions
 * share size and layout but for the fields at offsets 4 to 7 and 90 to 93.
 * Note the names: NumberOfPointReturns is the number of point records, and
 * the bounds alternate maximum and minimum per axis. */
typedef struct LAS12Header {
    char     LASF[4];                   /* "LASF", no terminating NUL */
    uint16_t FileSourceID;
    uint16_t GlobalEncoding;
    uint32_t GUIDData1;
    uint16_t GUIDData2;
    uint16_t GUIDData3;
    uint8_t  GUIDData4[8];
    uint8_t  VersionMajor;
    uint8_t  VersionMinor;
    char     SystemIdentifier[32];
    char     GeneratingSoftware[32];
    uint16_t FileCreationDay;
    uint16_t FileCreationYear;
    uint16_t HeaderSize;
    uint32_t OffsetToData;
    uint32_t NumberOfVariableLengthRecords;
    uint8_t  PointDataFormatID;
    uint16_t PointDataRecordLength;
    uint32_t NumberOfPointReturns;      /* number of point records */
    uint32_t NumberOfPointsByReturn[5]; /* entry k: points of return k + 1 */
    double   XScaleFactor;
    double   YScaleFactor;
    double   ZScaleFactor;
    double   XOffset;
    double   YOffset;
    double   ZOffset;
    double   MaxX;
    double   MinX;
    double   MaxY;
    double   MinY;
    double   MaxZ;
    double   MinZ;
} LAS12Header;

/* LAS 1.1: offsets 4 to 7 hold FileSourceID and a reserved word. */
typedef struct LAS11Header {
    char     LASF[4];
    uint16_t FileSourceID;
    uint16_t Reserved;
    uint32_t GUIDData1;
    uint16_t GUIDData2;
    uint16_t GUIDData3;
    uint8_t  GUIDData4[8];
    uint8_t  VersionMajor;
    uint8_t  VersionMinor;
    char     SystemIdentifier[32];
    char     GeneratingSoftware[32];
    uint16_t FileCreationDay;
    uint16_t FileCreationYear;
    uint16_t HeaderSize;
    uint32_t OffsetToData;
    uint32_t NumberOfVariableLengthRecords;
    uint8_t  PointDataFormatID;
    uint16_t PointDataRecordLength;
    uint32_t NumberOfPointReturns;
    uint32_t NumberOfPointsByReturn[5];
    double   XScaleFactor;
    double   YScaleFactor;
    double   ZScaleFactor;
    double   XOffset;
    double   YOffset;
    double   ZOffset;
    double   MaxX;
    double   MinX;
    double   MaxY;
    double   MinY;
    double   MaxZ;
    double   MinZ;
} LAS11Header;

/* LAS 1.0: offsets 4 to 7 are one reserved 32-bit word; 90 to 93 hold the
 * flight date (day of year) and the year. */
typedef struct LAS10Header {
    char     LASF[4];
    uint32_t Reserved;
    uint32_t GUIDData1;
    uint16_t GUIDData2;
    uint16_t GUIDData3;
    uint8_t  GUIDData4[8];
    uint8_t  VersionMajor;
    uint8_t  VersionMinor;
    char     SystemIdentifier[32];
    char     GeneratingSoftware[32];
    uint16_t FlightDateJulian;
    uint16_t Year;
    uint16_t HeaderSize;
    uint32_t OffsetToData;
    uint32_t NumberOfVariableLengthRecords;
    uint8_t  PointDataFormatID;
    uint16_t PointDataRecordLength;
    uint32_t NumberOfPointReturns;
    uint32_t NumberOfPointsByReturn[5];
    double   XScaleFactor;
    double   YScaleFactor;
    double   ZScaleFactor;
    double   XOffset;
    double   YOffset;
    double   ZOffset;
    double   MaxX;
    double   MinX;
    double   MaxY;
    double   MinY;
    double   MaxZ;
    double   MinZ;
} LAS10Header;

/* Point data record format 0 (20 bytes). bitfield: bits 0-2 return number,
 * bits 3-5 number of returns, bits 6-7 scan direction and edge of flight line;
 * take bits from it as from an unsigned byte. ScanAngleRank stores a signed
 * rank in two's complement. */
typedef struct LAS12fm0 {
    int32_t  X;
    int32_t  Y;
    int32_t  Z;
    uint16_t Intensity;
    int8_t   bitfield;
    uint8_t  Classification;
    uint8_t  ScanAngleRank;
    uint8_t  UserData;
    uint16_t PointSourceID;
} LAS12fm0;

/* Format 1 (28 bytes): format 0 and the GPS time. */
typedef struct LAS12fm1 {
    int32_t  X;
    int32_t  Y;
    int32_t  Z;
    uint16_t Intensity;
    int8_t   bitfield;
    uint8_t  Classification;
    uint8_t  ScanAngleRank;
    uint8_t  UserData;
    uint16_t PointSourceID;
    double   GPSTime;
} LAS12fm1;

/* Format 2 (26 bytes): format 0 and a colour. */
typedef struct LAS12fm2 {
    int32_t  X;
    int32_t  Y;
    int32_t  Z;
    uint16_t Intensity;
    int8_t   bitfield;
    uint8_t  Classification;
    uint8_t  ScanAngleRank;
    uint8_t  UserData;
    uint16_t PointSourceID;
    uint16_t Red;
    uint16_t Green;
    uint16_t Blue;
} LAS12fm2;

/* Format 3 (34 bytes): format 0, the GPS time and a colour. */
typedef struct LAS12fm3 {
    int32_t  X;
    int32_t  Y;
    int32_t  Z;
    uint16_t Intensity;
    int8_t   bitfield;
    uint8_t  Classification;
    uint8_t  ScanAngleRank;
    uint8_t  UserData;
    uint16_t PointSourceID;
    double   GPSTime;
    uint16_t Red;
    uint16_t Green;
    uint16_t Blue;
} LAS12fm3;

#pragma pack(pop)

#define KORVANE_OFFSET(type, field, off) \
    KORVANE_STATIC_ASSERT(offsetof(type, field) == (off), #type "." #field " must sit at offset " #off)

KORVANE_STATIC_ASSERT(sizeof(LAS12Header) == 227, "LAS12Header must be 227 bytes");
KORVANE_STATIC_ASSERT(sizeof(LAS11Header) == 227, "LAS11Header must be 227 bytes");
KORVANE_STATIC_ASSERT(sizeof(LAS10Header) == 227, "LAS10Header must be 227 bytes");
KORVANE_STATIC_ASSERT(sizeof(LAS12fm0) == 20, "LAS12fm0 must be 20 bytes");
KORVANE_STATIC_ASSERT(sizeof(LAS12fm1) == 28, "LAS12fm1 must be 28 bytes");
KORVANE_STATIC_ASSERT(sizeof(LAS12fm2) == 26, "LAS12fm2 must be 26 bytes");
KORVANE_STATIC_ASSERT(sizeof(LAS12fm3) == 34, "LAS12fm3 must be 34 bytes");

/* The fields that the three header versions share, at their offsets. */
#define KORVANE_HEADER_COMMON_OFFSETS(type)          \
    KORVANE_OFFSET(type, LASF, 0);                    \
    KORVANE_OFFSET(type, GUIDData1, 8);               \
    KORVANE_OFFSET(type, GUIDData2, 12);              \
    KORVANE_OFFSET(type, GUIDData3, 14);              \
    KORVANE_OFFSET(type, GUIDData4, 16);              \
    KORVANE_OFFSET(type, VersionMajor, 24);           \
    KORVANE_OFFSET(type, VersionMinor, 25);           \
    KORVANE_OFFSET(type, SystemIdentifier, 26);       \
    KORVANE_OFFSET(type, GeneratingSoftware, 58);     \
    KORVANE_OFFSET(type, HeaderSize, 94);             \
    KORVANE_OFFSET(type, OffsetToData, 96);           \
    KORVANE_OFFSET(type, NumberOfVariableLengthRecords, 100); \
    KORVANE_OFFSET(type, PointDataFormatID, 104);     \
    KORVANE_OFFSET(type, PointDataRecordLength, 105); \
    KORVANE_OFFSET(type, NumberOfPointReturns, 107);  \
    KORVANE_OFFSET(type, NumberOfPointsByReturn, 111); \
    KORVANE_OFFSET(type, XScaleFactor, 131);          \
    KORVANE_OFFSET(type, YScaleFactor, 139);          \
    KORVANE_OFFSET(type, ZScaleFactor, 147);          \
    KORVANE_OFFSET(type, XOffset, 155);               \
    KORVANE_OFFSET(type, YOffset, 163);               \
    KORVANE_OFFSET(type, ZOffset, 171);               \
    KORVANE_OFFSET(type, MaxX, 179);                  \
    KORVANE_OFFSET(type, MinX, 187);                  \
    KORVANE_OFFSET(type, MaxY, 195);                  \
    KORVANE_OFFSET(type, MinY, 203);                  \
    KORVANE_OFFSET(type, MaxZ, 211);                  \
    KORVANE_OFFSET(type, MinZ, 219)

KORVANE_HEADER_COMMON_OFFSETS(LAS12Header);
KORVANE_HEADER_COMMON_OFFSETS(LAS11Header);
KORVANE_HEADER_COMMON_OFFSETS(LAS10Header);
KORVANE_OFFSET(LAS12Header, FileSourceID, 4);
KORVANE_OFFSET(LAS12Header, GlobalEncoding, 6);
KORVANE_OFFSET(LAS12Header, FileCreationDay, 90);
KORVANE_OFFSET(LAS12Header, FileCreationYear, 92);
KORVANE_OFFSET(LAS11Header, FileSourceID, 4);
KORVANE_OFFSET(LAS11Header, Reserved, 6);
KORVANE_OFFSET(LAS11Header, FileCreationDay, 90);
KORVANE_OFFSET(LAS11Header, FileCreationYear, 92);
KORVANE_OFFSET(LAS10Header, Reserved, 4);
KORVANE_OFFSET(LAS10Header, FlightDateJulian, 90);
KORVANE_OFFSET(LAS10Header, Year, 92);

/* The nine fields that every point format begins with. */
#define KORVANE_POINT_COMMON_OFFSETS(type)   \
    KORVANE_OFFSET(type, X, 0);               \
    KORVANE_OFFSET(type, Y, 4);               \
    KORVANE_OFFSET(type, Z, 8);               \
    KORVANE_OFFSET(type, Intensity, 12);      \
    KORVANE_OFFSET(type, bitfield, 14);       \
    KORVANE_OFFSET(type, Classification, 15); \
    KORVANE_OFFSET(type, ScanAngleRank, 16);  \
    KORVANE_OFFSET(type, UserData, 17);       \
    KORVANE_OFFSET(type, PointSourceID, 18)

KORVANE_POINT_COMMON_OFFSETS(LAS12fm0);
KORVANE_POINT_COMMON_OFFSETS(LAS12fm1);
KORVANE_POINT_COMMON_OFFSETS(LAS12fm2);
KORVANE_POINT_COMMON_OFFSETS(LAS12fm3);
KORVANE_OFFSET(LAS12fm1, GPSTime, 20);
KORVANE_OFFSET(LAS12fm2, Red, 20);
KORVANE_OFFSET(LAS12fm2, Green, 22);
KORVANE_OFFSET(LAS12fm2, Blue, 24);
KORVANE_OFFSET(LAS12fm3, GPSTime, 20);
KORVANE_OFFSET(LAS12fm3, Red, 28);
KORVANE_OFFSET(LAS12fm3, Green, 30);
KORVANE_OFFSET(LAS12fm3, Blue, 32);

/*
 * LAS type: a signed 16-bit code for the pair (version, point format).
 *   1 1.0/0   2 1.0/1   3 1.1/0   4 1.1/1   5 1.2/0   6 1.2/1   7 1.2/2   8 1.2/3
 *   0 a LAS 1.0 or 1.1 file of format 2 or 3 (not handled), -1 a refused file.
 * Types 1, 3, 5 read LAS12fm0; 2, 4, 6 LAS12fm1; 7 LAS12fm2; 8 LAS12fm3.
 * Types 2, 4, 6 and 8 carry GPS time.
 */

/* ------------------------------------------------------------------------ */
/* Banner                                                                    */
/* ------------------------------------------------------------------------ */

/* Prints the six-piece banner: the title "Korvane LiDAR Utilities", the
 * attribution lines, a disclaimer and a request for acknowledgement. */
KORVANE_API void credits(void);

/* ------------------------------------------------------------------------ */
/* File checks. None of these ends the process.                              */
/* ------------------------------------------------------------------------ */

/* 0 if `filename` opens for reading; otherwise prints
 * "Unable to open file <name> in file_access()" and returns -1. */
KORVANE_API int16_t file_access(const char *filename);

/* 0 if `filename` ends in a dot and exactly the three characters of
 * `extension` (given without its dot, compared case-sensitively); otherwise
 * prints why (too short, no dot, other extension) and returns -1. */
KORVANE_API int16_t check_file_extension(const char *filename, const char *extension);

/* Prints message `i` about the file named `text`: 1 "does NOT exist",
 * 2 "already exists", 3 "has been specified twice"; other codes print nothing. */
KORVANE_API void error_msg(int i, const char *text);

/* Validates `filename` as a LAS file from its first 107 bytes and returns its
 * LAS type: 1 to 8 for a file the library reads, 0 (silently) for a LAS 1.0 or
 * 1.1 file of format 2 or 3, -1 after a message for every refusal (missing,
 * wrong name, unreadable, no "LASF", unsupported version or format, a record
 * length that does not match the format, a file ending inside those bytes). */
KORVANE_API int16_t check_las(const char *filename);

/* ------------------------------------------------------------------------ */
/* Header update and header defaults                                         */
/* ------------------------------------------------------------------------ */

/* Rewrites the first 227 bytes of the LAS file `filename` from its point
 * records: the point count, the counts by return number 1 to 5 and the X, Y, Z
 * bounds (raw extreme times scale plus offset). The stored count is ignored:
 * records are read from OffsetToData until no whole record is left. Prints
 * "\rHeader of file <name> has been updated    " (no newline) on success. On
 * any failure prints a message (or leaves check_las's) and ends the process
 * with status -1: refused, unopenable or shorter than 227 bytes, unreadable
 * records, all with the file unchanged; or a failed header write or close. */
KORVANE_API void update_header(const char *filename);

/* Fill a caller's header with the defaults of a new file of version 1.0, 1.1
 * or 1.2: "LASF", no variable-length records (OffsetToData 227), scale 1,
 * offset 0, "Korvane LiDAR Utilities" as generating software; point format,
 * record length, counts and bounds 0. GUIDData4[1..7], SystemIdentifier[1..31]
 * and GeneratingSoftware[24..31] are left as they were. */
KORVANE_API void initialize_header10(LAS10Header *ph);
KORVANE_API void initialize_header11(LAS11Header *ph);
KORVANE_API void initialize_header12(LAS12Header *ph);

/* ------------------------------------------------------------------------ */
/* Index-carrying quicksorts                                                 */
/* ------------------------------------------------------------------------ */

/* Sort p[left..right] (both included) into ascending order in place, making
 * every exchange in p_ind as well, so an index filled 0, 1, 2, ... tells where
 * each sorted value came from. The order of equal keys (and of NaN, for the
 * double variants, which then leave the array out of order) is fixed by the
 * partition scheme, not stable. The _parallel_ variants give the same result
 * on the caller's thread; `deep` is the number of levels they partition
 * themselves before handing over to the plain routine. The wrappers sort
 * positions 0 to count - 1 (deep 15). count <= 0 or left >= right reads
 * nothing. No output. Any input size: the nesting does not grow with the
 * input; input that keeps many parts waiting at once makes the sort allocate
 * a list of them, and if that fails it still sorts, nesting instead. */
KORVANE_API void l_qs(int32_t *p, int32_t left, int32_t right, int32_t *p_ind);
KORVANE_API void l_quicksort(int32_t *p, int32_t count, int32_t *p_ind);
KORVANE_API void d_qs(double *p, int32_t left, int32_t right, int32_t *p_ind);
KORVANE_API void d_quicksort(double *p, int32_t count, int32_t *p_ind);
KORVANE_API void l_parallel_qs(int32_t *p, int32_t left, int32_t right, int32_t *p_ind, int32_t deep);
KORVANE_API void l_parallel_quicksort(int32_t *p, int32_t count, int32_t *p_ind);
KORVANE_API void d_parallel_qs(double *p, int32_t left, int32_t right, int32_t *p_ind, int32_t deep);
KORVANE_API void d_parallel_quicksort(double *p, int32_t count, int32_t *p_ind);

/* ------------------------------------------------------------------------ */
/* Argument checks                                                           */
/* ------------------------------------------------------------------------ */

/* Accepts a string, of any length, of digits with at most one '.' and at most
 * one '-' anywhere, other than "." or "-" alone (the empty string passes);
 * otherwise prints "\nInvalid argument value (<str>)" and ends the process
 * with status -1. The value is neither converted nor bounded. */
KORVANE_API void check_numeric_argument(const char *str);

/* 0 for exactly "Y", "N", "y" or "n"; otherwise prints the ASCII header flag
 * message and returns -1. The status does not tell yes from no. */
KORVANE_API int16_t check_YN(const char *text);

/* Accepts a DEM name ending in .asc, or in .flt with a readable header file
 * beside it (the name less its last four characters, plus ".hdr"); prints the
 * messages of check_file_extension for each extension that does not match,
 * also when the name is accepted, and ends the process with status -1 for any
 * other name. Names of any length. */
KORVANE_API void check_DEM(const char *str);

#ifdef __cplusplus
}
#endif

#endif /* KORVANE_LIDAR_H */
