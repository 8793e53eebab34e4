// Placeholder until the header update lands.
#include "Korvane_LiDAR.h"

void update_header(const char *) {}
