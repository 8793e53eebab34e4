// A C++ program built against the installed library.
#include <Korvane_LiDAR.h>

#include <cstdio>
#include <cstring>

static_assert(sizeof(LAS12fm3) == 34, "records keep their file layout");

int main()
{
    double values[5] = {2.5, -1.0, 2.5, 0.0, -7.25};
    int32_t ind[5] = {0, 1, 2, 3, 4};
    d_parallel_quicksort(values, 5, ind);
    for (int k = 0; k < 5; ++k)
        std::printf("%g:%d ", values[k], static_cast<int>(ind[k]));
    std::printf("\n");

    LAS10Header h;
    std::memset(&h, 0, sizeof h);
    initialize_header10(&h);
    std::printf("version %d.%d, header %u, software %s\n", h.VersionMajor, h.VersionMinor,
                static_cast<unsigned>(h.HeaderSize), h.GeneratingSoftware);

    std::printf("extension %d\n", check_file_extension("tile.LAS", "las"));
    check_numeric_argument("-12.5");
    std::printf("numeric ok\n");
    return 0;
}
