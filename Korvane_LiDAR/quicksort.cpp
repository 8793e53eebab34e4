// Placeholder until the sorts land.
#include "Korvane_LiDAR.h"

void l_qs(int32_t *, int32_t, int32_t, int32_t *) {}
void l_quicksort(int32_t *, int32_t, int32_t *) {}
void d_qs(double *, int32_t, int32_t, int32_t *) {}
void d_quicksort(double *, int32_t, int32_t *) {}
void l_parallel_qs(int32_t *, int32_t, int32_t, int32_t *, int32_t) {}
void l_parallel_quicksort(int32_t *, int32_t, int32_t *) {}
void d_parallel_qs(double *, int32_t, int32_t, int32_t *, int32_t) {}
void d_parallel_quicksort(double *, int32_t, int32_t *) {}
