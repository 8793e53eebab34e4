// Placeholder until the argument checks land.
#include "Korvane_LiDAR.h"

void check_numeric_argument(const char *) {}
int16_t check_YN(const char *) { return 0; }
void check_DEM(const char *) {}
