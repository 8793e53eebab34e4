// The sorts' partition steps transcribed as they read, with a nested call for
// each part: the reference that the tests and the fuzz target compare every
// sort with, since those steps alone fix the final order of equal keys, of
// NaN and of the index array. Positions are 64-bit so that ranges at the ends
// of the 32-bit range are transcribed too.
#pragma once

#include <cstdint>
#include <utility>

namespace model {

// One partition of left..right; returns the final (i, j).
template <typename T>
std::pair<int64_t, int64_t> partition(T *p, int64_t left, int64_t right, int32_t *ind)
{
    const T v = p[(left + right) / 2];
    int64_t i = left;
    int64_t j = right;
    do {
        while (p[i] < v && i < right)
            ++i;
        while (v < p[j] && j > left)
            --j;
        if (i <= j) {
            std::swap(p[i], p[j]);
            std::swap(ind[i], ind[j]);
            ++i;
            --j;
        }
    } while (i <= j);
    return {i, j};
}

template <typename T> void sort(T *p, int64_t left, int64_t right, int32_t *ind)
{
    const auto [i, j] = partition(p, left, right, ind);
    if (left < j)
        sort(p, left, j, ind);
    if (i < right)
        sort(p, i, right, ind);
}

} // namespace model
