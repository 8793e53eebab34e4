// Checks of command-line arguments for tools built on the library: a number,
// a yes/no flag, and a DEM grid name with, for a binary grid, its header file.
#include "Korvane_LiDAR.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

void check_numeric_argument(const char *str)
{
    // Only the characters are checked, not where the '.' and '-' stand: "5-"
    // passes, and the caller converts. The empty string passes too.
    size_t dots = 0;
    size_t dashes = 0;
    bool valid = true;
    for (const char *c = str; *c != '\0'; ++c) {
        if (*c == '.')
            ++dots;
        else if (*c == '-')
            ++dashes;
        else if (*c < '0' || *c > '9')
            valid = false;
    }
    if (dots > 1 || dashes > 1 || std::strcmp(str, ".") == 0 || std::strcmp(str, "-") == 0)
        valid = false;
    if (!valid) {
        std::printf("\nInvalid argument value (%s)\n", str);
        std::exit(-1);
    }
}

int16_t check_YN(const char *text)
{
    // The status does not tell yes from no: the caller reads the text itself.
    for (const char *accepted : {"Y", "N", "y", "n"})
        if (std::strcmp(text, accepted) == 0)
            return 0;
    std::puts("\nASCII Header Flag should be either Y (y) or N (n)");
    return -1;
}

void check_DEM(const char *str)
{
    // Each extension test that does not match prints its own message, also
    // when the name is accepted in the end: an .asc name shows the .flt one.
    if (check_file_extension(str, "asc") < 0 && check_file_extension(str, "flt") < 0) {
        std::puts("\nDEM file extension should be either '.asc' (ASCII) or '.flt' (floating point binary)");
        std::exit(-1);
    }
    if (check_file_extension(str, "flt") < 0)
        return;

    // A binary grid is unusable without its header: the same name with .hdr
    // for .flt, directories and inner dots kept.
    std::string header(str);
    header.replace(header.size() - 4, 4, ".hdr");
    if (file_access(header.c_str()) < 0) {
        std::puts("\nFloating point binary DEM files also require a ASCII header file ('.hdr')");
        std::exit(-1);
    }
}
