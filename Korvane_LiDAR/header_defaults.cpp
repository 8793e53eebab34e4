// Placeholder until the header defaults land.
#include "Korvane_LiDAR.h"

void initialize_header10(LAS10Header *) {}
void initialize_header11(LAS11Header *) {}
void initialize_header12(LAS12Header *) {}
