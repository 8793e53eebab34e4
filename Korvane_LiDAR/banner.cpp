// The banner that every tool of the library prints when its run proper starts.
#include "Korvane_LiDAR.h"

#include <cstdio>

void credits(void)
{
    // Pieces 1 to 5 are printed as they stand; only the last gets a newline.
    std::fputs("\nKorvane LiDAR Utilities", stdout);
    std::fputs("\n\nDeveloped by the Korvane_LiDAR and Tarvik maintainers", stdout);
    std::fputs("\nThe Korvane_LiDAR open-source project", stdout);
    std::fputs("\nReachable through the project's public issue tracker", stdout);
    std::fputs("\n\n** This software is provided as is, without warranty of any kind **", stdout);
    std::puts("\n** Please acknowledge the Korvane_LiDAR maintainers in work that uses it **");
}
