// Index-carrying quicksorts: every exchange of two values is made in p_ind as
// well, so p_ind tells afterwards where each sorted value came from.
//
// The order of equal keys (and of NaN) is whatever the partition scheme below
// leaves, and callers rely on it, so every partition step is kept exactly and
// the part left of the crossing is always finished before the part right of it
// is begun. Only the nesting is not recursive: sorting a left part inside the
// sort of its parent nests as deep as the array is long on hostile input, so
// the right parts still waiting are kept in a list instead of on the call stack.
#include "Korvane_LiDAR.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// A part still to sort: positions left to right, and the depth budget of the
// depth-limited sorts (unused by the plain ones).
struct Part {
    int32_t left;
    int32_t right;
    int32_t deep;
};

// Right parts waiting for the parts to their left. A few dozen suffice for
// ordinary input; hostile input can keep a third of the array's length
// waiting, so the list moves to the heap when the local slots run out.
constexpr size_t kLocalParts = 64;

struct PendingParts {
    Part local[kLocalParts];
    Part *items;
    size_t count;
    size_t capacity;
};

void start(PendingParts &pending)
{
    pending.items = pending.local;
    pending.count = 0;
    pending.capacity = kLocalParts;
}

// False when the list is full and cannot grow.
bool push(PendingParts &pending, const Part &part)
{
    if (pending.count == pending.capacity) {
        if (pending.capacity > SIZE_MAX / 2 / sizeof(Part))
            return false;
        const size_t grown = pending.capacity * 2;
        Part *items = static_cast<Part *>(std::malloc(grown * sizeof(Part)));
        if (items == nullptr)
            return false;
        std::memcpy(items, pending.items, pending.count * sizeof(Part));
        if (pending.items != pending.local)
            std::free(pending.items);
        pending.items = items;
        pending.capacity = grown;
    }
    pending.items[pending.count++] = part;
    return true;
}

void finish(PendingParts &pending)
{
    if (pending.items != pending.local)
        std::free(pending.items);
}

// One partition of left..right around the value at the middle position. The
// scans stop at equal keys (and at NaN, which compares false both ways), so
// such values take part in exchanges. Positions are 64-bit: i may pass right
// and j may pass left by one, and the middle must not overflow.
template <typename T>
void partition(T *p, int32_t *p_ind, int64_t left, int64_t right, int64_t &iOut, int64_t &jOut)
{
    const T v = p[(left + right) / 2]; // a copy: it stays when its element moves
    int64_t i = left;
    int64_t j = right;
    do {
        while (p[i] < v && i < right)
            ++i;
        while (v < p[j] && j > left)
            --j;
        if (i <= j) {
            const T pTmp = p[i];
            p[i] = p[j];
            p[j] = pTmp;
            const int32_t pIndTmp = p_ind[i];
            p_ind[i] = p_ind[j];
            p_ind[j] = pIndTmp;
            ++i;
            --j;
        }
    } while (i <= j);
    iOut = i;
    jOut = j;
}

// Sorts left..right. With `limited`, a part of budget 0 is partitioned here
// and its two parts are handed to the plain sort; a positive budget shrinks by
// one per level and a negative one never comes down to 0. Which routine
// partitions a level does not change the result.
template <typename T>
void sortParts(T *p, int32_t left, int32_t right, int32_t *p_ind, bool limited, int32_t deep)
{
    // Also keeps a count of 0 or less from reading either array.
    if (left >= right)
        return;
    PendingParts pending;
    start(pending);
    Part part = {left, right, deep};
    for (;;) {
        int64_t i = 0;
        int64_t j = 0;
        partition(p, p_ind, part.left, part.right, i, j);
        const bool hasLeft = part.left < j;
        const bool hasRight = i < part.right;
        // Both fit in 32 bits: j > left when there is a left part, i < right
        // when there is a right part.
        const int32_t jEnd = static_cast<int32_t>(hasLeft ? j : part.left);
        const int32_t iStart = static_cast<int32_t>(hasRight ? i : part.right);
        if (limited && part.deep == 0) {
            if (hasLeft)
                sortParts(p, part.left, jEnd, p_ind, false, 0);
            if (hasRight)
                sortParts(p, iStart, part.right, p_ind, false, 0);
        } else {
            const int32_t childDeep = part.deep > 0 ? part.deep - 1 : part.deep;
            const Part leftPart = {part.left, jEnd, childDeep};
            const Part rightPart = {iStart, part.right, childDeep};
            if (hasLeft && hasRight) {
                if (push(pending, rightPart)) {
                    part = leftPart;
                    continue;
                }
                // No memory to keep the right part waiting: sort the smaller
                // part by a nested call, which halves the range at each
                // nesting. The parts share no position, so the result is the
                // same even when the right one goes first.
                if (j - part.left <= part.right - i) {
                    sortParts(p, leftPart.left, leftPart.right, p_ind, limited, childDeep);
                    part = rightPart;
                } else {
                    sortParts(p, rightPart.left, rightPart.right, p_ind, limited, childDeep);
                    part = leftPart;
                }
                continue;
            }
            if (hasLeft) {
                part = leftPart;
                continue;
            }
            if (hasRight) {
                part = rightPart;
                continue;
            }
        }
        if (pending.count == 0)
            break;
        part = pending.items[--pending.count];
    }
    finish(pending);
}

// The wrappers' budget: sixteen levels (15 down to 0) for the depth-limited sort.
constexpr int32_t kWrapperDeep = 15;

} // namespace

void l_qs(int32_t *p, int32_t left, int32_t right, int32_t *p_ind)
{
    sortParts(p, left, right, p_ind, false, 0);
}

void l_quicksort(int32_t *p, int32_t count, int32_t *p_ind)
{
    if (count > 0)
        l_qs(p, 0, count - 1, p_ind);
}

void d_qs(double *p, int32_t left, int32_t right, int32_t *p_ind)
{
    sortParts(p, left, right, p_ind, false, 0);
}

void d_quicksort(double *p, int32_t count, int32_t *p_ind)
{
    if (count > 0)
        d_qs(p, 0, count - 1, p_ind);
}

void l_parallel_qs(int32_t *p, int32_t left, int32_t right, int32_t *p_ind, int32_t deep)
{
    sortParts(p, left, right, p_ind, true, deep);
}

void l_parallel_quicksort(int32_t *p, int32_t count, int32_t *p_ind)
{
    if (count > 0)
        l_parallel_qs(p, 0, count - 1, p_ind, kWrapperDeep);
}

void d_parallel_qs(double *p, int32_t left, int32_t right, int32_t *p_ind, int32_t deep)
{
    sortParts(p, left, right, p_ind, true, deep);
}

void d_parallel_quicksort(double *p, int32_t count, int32_t *p_ind)
{
    if (count > 0)
        d_parallel_qs(p, 0, count - 1, p_ind, kWrapperDeep);
}
