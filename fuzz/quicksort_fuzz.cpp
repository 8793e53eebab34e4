// The eight index-carrying quicksorts on arbitrary arrays. Input: a selector
// byte (family, whole array or range, small or full-width values), two range
// bytes, a depth byte, then the values. Each sort must leave a permutation of
// its range with p_ind telling where each value came from, sorted when no
// NaN is present, every position outside the range untouched, exactly the
// order that the partition steps of their contract give (model::sort), and
// the depth-limited routine must give exactly the plain routine's result.
#include "harness.h"
#include "quicksort_model.h"

#include "Korvane_LiDAR.h"

#include <cmath>
#include <cstring>
#include <numeric>
#include <utility>
#include <vector>

namespace {

template <typename T> bool sameBits(const std::vector<T> &a, const std::vector<T> &b)
{
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

template <typename T> bool isNaN(T v)
{
    if constexpr (std::is_floating_point_v<T>)
        return std::isnan(v);
    else
        return false;
}

template <typename T>
void check(const std::vector<T> &before, const std::vector<T> &p, const std::vector<int32_t> &ind,
           int32_t left, int32_t right)
{
    const auto n = static_cast<int32_t>(before.size());
    std::vector<bool> seen(before.size(), false);
    bool nan = false;
    for (int32_t k = 0; k < n; ++k) {
        const auto at = static_cast<size_t>(k);
        if (k < left || k > right) {
            if (std::memcmp(&p[at], &before[at], sizeof(T)) != 0 || ind[at] != k)
                fuzz::fail("a position outside the range changed:", std::to_string(k));
            continue;
        }
        const int32_t from = ind[at];
        if (from < left || from > right || seen[static_cast<size_t>(from)])
            fuzz::fail("p_ind is not a permutation of the range at", std::to_string(k));
        seen[static_cast<size_t>(from)] = true;
        if (std::memcmp(&p[at], &before[static_cast<size_t>(from)], sizeof(T)) != 0)
            fuzz::fail("a value does not match where p_ind says it came from:", std::to_string(k));
        nan = nan || isNaN(p[at]);
    }
    if (nan)
        return;
    for (int32_t k = left; k < right; ++k)
        if (p[static_cast<size_t>(k) + 1] < p[static_cast<size_t>(k)])
            fuzz::fail("not sorted at", std::to_string(k));
}

template <typename T, typename Plain, typename Deep>
void sortBoth(std::vector<T> values, bool whole, int32_t left, int32_t right, int32_t deep,
              Plain plain, Deep depthLimited)
{
    const auto n = static_cast<int32_t>(values.size());
    std::vector<int32_t> ind(values.size());
    std::iota(ind.begin(), ind.end(), 0);
    std::vector<T> p1 = values, p2 = values;
    std::vector<int32_t> i1 = ind, i2 = ind;
    if (whole) {
        left = 0;
        right = n - 1;
    }
    plain(p1.data(), i1.data(), n, left, right);
    depthLimited(p2.data(), i2.data(), n, left, right, deep);
    check(values, p1, i1, left, right);
    std::vector<T> p3 = values;
    std::vector<int32_t> i3 = ind;
    if (left <= right)
        model::sort(p3.data(), left, right, i3.data());
    if (!sameBits(p1, p3) || i1 != i3)
        fuzz::fail("the sort's order differs from the one its partition steps give");
    if (!sameBits(p1, p2) || i1 != i2)
        fuzz::fail("the depth-limited sort differs from the plain one");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    const uint8_t selector = data[0];
    const bool doubles = (selector & 1) != 0;
    const bool whole = (selector & 2) != 0;
    const bool small = (selector & 4) != 0; // one byte a value: many equal keys
    const uint8_t leftByte = data[1], rightByte = data[2];
    // Negative budgets are allowed: every level is then depth-limited.
    const auto deep = static_cast<int32_t>(static_cast<int8_t>(data[3]));
    data += 4;
    size -= 4;

    const size_t width = small ? 1 : doubles ? sizeof(double) : sizeof(int32_t);
    const size_t n = size / width;
    // A range must lie inside the arrays; the whole-array forms take any count.
    if (n == 0 && !whole)
        return 0;
    const auto pick = [&](uint8_t b) { return n == 0 ? 0 : static_cast<int32_t>(b % n); };
    const int32_t left = pick(leftByte), right = pick(rightByte);

    if (doubles) {
        std::vector<double> v(n);
        for (size_t k = 0; k < n; ++k) {
            if (small)
                v[k] = static_cast<double>(static_cast<int8_t>(data[k])) / 4;
            else
                std::memcpy(&v[k], data + 8 * k, 8);
        }
        sortBoth(
            v, whole, left, right, deep,
            [&](double *p, int32_t *i, int32_t count, int32_t l, int32_t r) {
                whole ? d_quicksort(p, count, i) : d_qs(p, l, r, i);
            },
            [&](double *p, int32_t *i, int32_t count, int32_t l, int32_t r, int32_t dp) {
                whole ? d_parallel_quicksort(p, count, i) : d_parallel_qs(p, l, r, i, dp);
            });
    } else {
        std::vector<int32_t> v(n);
        for (size_t k = 0; k < n; ++k) {
            if (small)
                v[k] = static_cast<int8_t>(data[k]);
            else
                std::memcpy(&v[k], data + 4 * k, 4);
        }
        sortBoth(
            v, whole, left, right, deep,
            [&](int32_t *p, int32_t *i, int32_t count, int32_t l, int32_t r) {
                whole ? l_quicksort(p, count, i) : l_qs(p, l, r, i);
            },
            [&](int32_t *p, int32_t *i, int32_t count, int32_t l, int32_t r, int32_t dp) {
                whole ? l_parallel_quicksort(p, count, i) : l_parallel_qs(p, l, r, i, dp);
            });
    }
    return 0;
}
