/* A C11 program built against the installed library: writes a small LAS file
 * from the header defaults, validates and updates it, sorts with an index. */
#include <Korvane_LiDAR.h>

#include <stdio.h>
#include <string.h>

int main(void)
{
    LAS12Header h;
    LAS12fm0 points[3];
    int32_t values[6] = {5, 3, 5, 1, 3, 5};
    int32_t ind[6] = {0, 1, 2, 3, 4, 5};
    FILE *f;
    int k;

    memset(&h, 0, sizeof h);
    initialize_header12(&h);
    h.PointDataRecordLength = sizeof(LAS12fm0);
    h.XScaleFactor = 0.5;
    memset(points, 0, sizeof points);
    points[0].X = 100;
    points[0].bitfield = 0x09; /* return 1 of 1 */
    points[1].X = -5;
    points[1].bitfield = 0x12; /* return 2 of 2 */
    points[2].X = 7;
    points[2].bitfield = 0x11; /* return 1 of 2 */

    f = fopen("consumer.las", "wb");
    if (f == NULL || fwrite(&h, sizeof h, 1, f) != 1 || fwrite(points, sizeof points[0], 3, f) != 3 ||
        fclose(f) != 0) {
        printf("cannot write consumer.las\n");
        return 1;
    }
    printf("check_las %d\n", check_las("consumer.las"));
    update_header("consumer.las");
    printf("\n");

    f = fopen("consumer.las", "rb");
    if (f == NULL || fread(&h, sizeof h, 1, f) != 1) {
        printf("cannot read consumer.las\n");
        return 1;
    }
    fclose(f);
    printf("points %u, returns %u %u, X %.1f to %.1f, software %s\n", (unsigned)h.NumberOfPointReturns,
           (unsigned)h.NumberOfPointsByReturn[0], (unsigned)h.NumberOfPointsByReturn[1], h.MinX, h.MaxX,
           h.GeneratingSoftware);

    l_quicksort(values, 6, ind);
    for (k = 0; k < 6; ++k)
        printf("%d:%d ", (int)values[k], (int)ind[k]);
    printf("\ncheck_YN %d\n", check_YN("y"));
    return 0;
}
