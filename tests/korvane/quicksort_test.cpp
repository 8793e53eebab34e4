// The eight index-carrying sorts: the final order of both arrays, equal keys,
// NaN and signed zeros included, is the one the partition steps define.
#include "Korvane_LiDAR.h"
#include "quicksort_model.h"
#include "process.h"

#include <gtest/gtest.h>

#include <malloc.h>
#include <pthread.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Every routine, each reduced to "sort positions 0 to count - 1".
template <typename T> struct Sorter {
    const char *name;
    void (*sort)(T *p, int32_t count, int32_t *p_ind);
};

const std::vector<Sorter<int32_t>> &intSorters()
{
    static const std::vector<Sorter<int32_t>> sorters = {
        {"l_quicksort", l_quicksort},
        {"l_parallel_quicksort", l_parallel_quicksort},
        {"l_qs", [](int32_t *p, int32_t n, int32_t *ind) { l_qs(p, 0, n - 1, ind); }},
        {"l_parallel_qs deep 0", [](int32_t *p, int32_t n, int32_t *ind) { l_parallel_qs(p, 0, n - 1, ind, 0); }},
        {"l_parallel_qs deep 2", [](int32_t *p, int32_t n, int32_t *ind) { l_parallel_qs(p, 0, n - 1, ind, 2); }},
        {"l_parallel_qs deep -1", [](int32_t *p, int32_t n, int32_t *ind) { l_parallel_qs(p, 0, n - 1, ind, -1); }},
        {"l_parallel_qs deep min", [](int32_t *p, int32_t n, int32_t *ind) {
             l_parallel_qs(p, 0, n - 1, ind, std::numeric_limits<int32_t>::min());
         }},
        {"l_parallel_qs deep max", [](int32_t *p, int32_t n, int32_t *ind) {
             l_parallel_qs(p, 0, n - 1, ind, std::numeric_limits<int32_t>::max());
         }},
    };
    return sorters;
}

const std::vector<Sorter<double>> &doubleSorters()
{
    static const std::vector<Sorter<double>> sorters = {
        {"d_quicksort", d_quicksort},
        {"d_parallel_quicksort", d_parallel_quicksort},
        {"d_qs", [](double *p, int32_t n, int32_t *ind) { d_qs(p, 0, n - 1, ind); }},
        {"d_parallel_qs deep 0", [](double *p, int32_t n, int32_t *ind) { d_parallel_qs(p, 0, n - 1, ind, 0); }},
        {"d_parallel_qs deep 2", [](double *p, int32_t n, int32_t *ind) { d_parallel_qs(p, 0, n - 1, ind, 2); }},
        {"d_parallel_qs deep -1", [](double *p, int32_t n, int32_t *ind) { d_parallel_qs(p, 0, n - 1, ind, -1); }},
        {"d_parallel_qs deep min", [](double *p, int32_t n, int32_t *ind) {
             d_parallel_qs(p, 0, n - 1, ind, std::numeric_limits<int32_t>::min());
         }},
        {"d_parallel_qs deep max", [](double *p, int32_t n, int32_t *ind) {
             d_parallel_qs(p, 0, n - 1, ind, std::numeric_limits<int32_t>::max());
         }},
    };
    return sorters;
}


std::vector<int32_t> iota(size_t n)
{
    std::vector<int32_t> v(n);
    for (size_t k = 0; k < n; ++k)
        v[k] = static_cast<int32_t>(k);
    return v;
}

// Doubles compared by their bits: NaN and -0.0 must land where the steps put them.
std::vector<uint64_t> bits(const std::vector<double> &v)
{
    std::vector<uint64_t> out(v.size());
    if (!v.empty())
        std::memcpy(out.data(), v.data(), v.size() * sizeof(double));
    return out;
}

template <typename T> auto comparable(const std::vector<T> &v)
{
    if constexpr (std::is_same_v<T, double>)
        return bits(v);
    else
        return v;
}

template <typename T> int32_t count32(const std::vector<T> &v)
{
    return static_cast<int32_t>(v.size());
}

struct Worked {
    std::vector<int32_t> before, after, indAfter;
};

const Worked kWorked[] = {
    {{5, 3, 5, 1, 3, 5}, {1, 3, 3, 5, 5, 5}, {3, 4, 1, 5, 0, 2}},
    {{7, 7, 7, 7}, {7, 7, 7, 7}, {2, 3, 0, 1}},
    {{3, 3, 1}, {1, 3, 3}, {2, 1, 0}},
    {{2, 1}, {1, 2}, {1, 0}},
    {{1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}, {0, 1, 2, 3, 4}},
    {{42}, {42}, {0}},
};

} // namespace

TEST(Quicksort, WorkedResultsForEveryRoutine)
{
    for (const Worked &row : kWorked) {
        for (const auto &s : intSorters()) {
            std::vector<int32_t> p = row.before;
            std::vector<int32_t> ind = iota(p.size());
            s.sort(p.data(), count32(p), ind.data());
            EXPECT_EQ(p, row.after) << s.name;
            EXPECT_EQ(ind, row.indAfter) << s.name;
        }
        for (const auto &s : doubleSorters()) {
            std::vector<double> p(row.before.begin(), row.before.end());
            std::vector<int32_t> ind = iota(p.size());
            s.sort(p.data(), count32(p), ind.data());
            EXPECT_EQ(p, std::vector<double>(row.after.begin(), row.after.end())) << s.name;
            EXPECT_EQ(ind, row.indAfter) << s.name;
        }
    }
}

// Few distinct keys, so equal keys meet the pivot often; the 32-bit extremes
// and, for doubles, NaN, infinities and both zeros among them.
TEST(Quicksort, RandomArraysMatchTheSteps)
{
    std::mt19937 rng(20260411);
    const int32_t intKeys[] = {std::numeric_limits<int32_t>::min(), -7, -1, 0, 1, 2, 3, 9,
                               std::numeric_limits<int32_t>::max()};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double doubleKeys[] = {-inf, -2.5, -0.0, 0.0, 0.0, 1.0, 1.0, 3.25, inf, nan};
    for (int round = 0; round < 400; ++round) {
        const size_t n = round < 300 ? rng() % 40 : rng() % 600;
        const size_t keys = 2 + rng() % 8;
        std::vector<int32_t> ints(n);
        std::vector<double> doubles(n);
        for (size_t k = 0; k < n; ++k) {
            ints[k] = intKeys[rng() % keys];
            doubles[k] = doubleKeys[rng() % (keys + 1)];
        }
        const std::vector<int32_t> indBefore = iota(n);

        std::vector<int32_t> wantInts = ints, wantIntInd = indBefore;
        std::vector<double> wantDoubles = doubles;
        std::vector<int32_t> wantDoubleInd = indBefore;
        if (n > 1) {
            model::sort(wantInts.data(), 0, static_cast<int64_t>(n) - 1, wantIntInd.data());
            model::sort(wantDoubles.data(), 0, static_cast<int64_t>(n) - 1, wantDoubleInd.data());
        }
        for (const auto &s : intSorters()) {
            std::vector<int32_t> p = ints, ind = indBefore;
            s.sort(p.data(), count32(p), ind.data());
            ASSERT_EQ(p, wantInts) << s.name << " round " << round;
            ASSERT_EQ(ind, wantIntInd) << s.name << " round " << round;
        }
        for (const auto &s : doubleSorters()) {
            std::vector<double> p = doubles;
            std::vector<int32_t> ind = indBefore;
            s.sort(p.data(), count32(p), ind.data());
            ASSERT_EQ(bits(p), bits(wantDoubles)) << s.name << " round " << round;
            ASSERT_EQ(ind, wantDoubleInd) << s.name << " round " << round;
        }
    }
}

// Sorting left..right of a larger array: positions outside the range keep
// their values and index entries; left > right changes nothing.
TEST(Quicksort, RangesTouchOnlyTheirPositions)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const size_t n = 1 + rng() % 60;
        std::vector<int32_t> ints(n);
        for (int32_t &v : ints)
            v = static_cast<int32_t>(rng() % 5) - 2;
        std::vector<double> doubles(ints.begin(), ints.end());
        const int32_t a = static_cast<int32_t>(rng() % n);
        const int32_t b = static_cast<int32_t>(rng() % n);
        const int32_t left = round % 10 == 0 ? std::max(a, b) : std::min(a, b);
        const int32_t right = round % 10 == 0 ? std::min(a, b) : std::max(a, b);
        const int32_t deep = static_cast<int32_t>(rng() % 4) - 1;

        std::vector<int32_t> wantInts = ints, wantInd = iota(n);
        std::vector<double> wantDoubles = doubles;
        std::vector<int32_t> wantDoubleInd = iota(n);
        if (left < right) {
            model::sort(wantInts.data(), left, right, wantInd.data());
            model::sort(wantDoubles.data(), left, right, wantDoubleInd.data());
        }

        std::vector<int32_t> p = ints, ind = iota(n);
        l_qs(p.data(), left, right, ind.data());
        EXPECT_EQ(p, wantInts);
        EXPECT_EQ(ind, wantInd);
        p = ints, ind = iota(n);
        l_parallel_qs(p.data(), left, right, ind.data(), deep);
        EXPECT_EQ(p, wantInts);
        EXPECT_EQ(ind, wantInd);

        std::vector<double> d = doubles;
        ind = iota(n);
        d_qs(d.data(), left, right, ind.data());
        EXPECT_EQ(d, wantDoubles);
        EXPECT_EQ(ind, wantDoubleInd);
        d = doubles, ind = iota(n);
        d_parallel_qs(d.data(), left, right, ind.data(), deep);
        EXPECT_EQ(d, wantDoubles);
        EXPECT_EQ(ind, wantDoubleInd);
        if (HasFailure())
            FAIL() << "left " << left << " right " << right << " deep " << deep;
    }
}

// Null arrays: any read would crash.
TEST(Quicksort, EmptyCountsAndEmptyRangesReadNothing)
{
    for (int32_t count : {0, -1, std::numeric_limits<int32_t>::min()}) {
        for (const auto &s : {l_quicksort, l_parallel_quicksort})
            s(nullptr, count, nullptr);
        for (const auto &s : {d_quicksort, d_parallel_quicksort})
            s(nullptr, count, nullptr);
    }
    l_qs(nullptr, 5, 4, nullptr);
    d_qs(nullptr, 0, -1, nullptr);
    l_parallel_qs(nullptr, 3, 1, nullptr, 15);
    d_parallel_qs(nullptr, 1, 0, nullptr, -1);
}

// Ranges at both ends of the 32-bit position range, reached through a shifted
// base pointer: the middle position rounds toward zero (-5 for -10..-1), and
// neither the middle nor i and j, which pass the ends by one, may overflow.
TEST(Quicksort, RangesAtTheEndsOfThePositionRange)
{
    const int64_t kMin = std::numeric_limits<int32_t>::min();
    const int64_t kMax = std::numeric_limits<int32_t>::max();
    const int64_t starts[] = {-10, -9, kMax - 9, kMin, kMin + 1};
    const std::vector<int32_t> values = {4, 1, 4, 0, 9, 4, 2, 7, 4, 3};
    for (int64_t start : starts) {
        const int64_t length = start == -9 ? 9 : 10;
        const int32_t left = static_cast<int32_t>(start);
        const int32_t right = static_cast<int32_t>(start + length - 1);

        std::vector<int32_t> want(values.begin(), values.begin() + length), wantInd = iota(static_cast<size_t>(length));
        model::sort(want.data() - start, start, start + length - 1, wantInd.data() - start);

        std::vector<int32_t> p(values.begin(), values.begin() + length), ind = iota(static_cast<size_t>(length));
        l_qs(p.data() - start, left, right, ind.data() - start);
        EXPECT_EQ(p, want) << start;
        EXPECT_EQ(ind, wantInd) << start;

        std::vector<double> d(values.begin(), values.begin() + length);
        ind = iota(static_cast<size_t>(length));
        d_parallel_qs(d.data() - start, left, right, ind.data() - start, 1);
        EXPECT_EQ(d, std::vector<double>(want.begin(), want.end())) << start;
        EXPECT_EQ(ind, wantInd) << start;
    }
}

namespace {

// Hostile inputs of distinct values 0 to n-1, built by running the partition
// steps backwards. Their sorted result is known without a reference sort:
// the values 0 to n-1, each index entry the position where its value stood.
//
// maxInMiddle: every range holds its largest value at its middle position, so
// every left part is one shorter than its parent and nesting through left
// parts would be n deep.
std::vector<int32_t> maxInMiddle(int32_t n)
{
    std::vector<int32_t> token = iota(static_cast<size_t>(n)), value(static_cast<size_t>(n), 0);
    for (int32_t r = n - 1; r >= 1; --r) {
        const int32_t m = r / 2;
        value[static_cast<size_t>(token[static_cast<size_t>(m)])] = r;
        std::swap(token[static_cast<size_t>(m)], token[static_cast<size_t>(r)]);
    }
    return value;
}

// manyWaiting: every range 0..r splits into the left part 0..r-3 and the right
// part r-2..r, so a third of the array's ranges wait at once.
std::vector<int32_t> manyWaiting(int32_t n)
{
    std::vector<int32_t> token = iota(static_cast<size_t>(n)), value(static_cast<size_t>(n), 0);
    auto at = [&](int32_t pos) -> int32_t & {
        return value[static_cast<size_t>(token[static_cast<size_t>(pos)])];
    };
    int32_t r = n - 1;
    for (; r >= 5; r -= 3) {
        const int32_t m = r / 2;
        at(m) = r - 2;
        at(r - 1) = r; // the right part left unsorted
        at(r) = r - 1;
        std::swap(token[static_cast<size_t>(m)], token[static_cast<size_t>(r - 2)]);
    }
    for (int32_t k = 0; k <= r; ++k)
        at(k) = k;
    return value;
}

// "" when the sorted arrays are the values 0..n-1 with their home positions.
template <typename T>
std::string checkSorted(const std::vector<T> &p, const std::vector<int32_t> &ind, const std::vector<int32_t> &before)
{
    for (size_t k = 0; k < p.size(); ++k) {
        if (p[k] != static_cast<T>(k))
            return "value at " + std::to_string(k);
        if (before[static_cast<size_t>(ind[k])] != static_cast<int32_t>(k))
            return "index at " + std::to_string(k);
    }
    return "";
}

// Sorts both hostile inputs with every routine and prints what went wrong.
void sortHostileInputs(int32_t n)
{
    for (const auto &build : {maxInMiddle, manyWaiting}) {
        const std::vector<int32_t> before = build(n);
        for (const auto &s : intSorters()) {
            std::vector<int32_t> p = before, ind = iota(before.size());
            s.sort(p.data(), n, ind.data());
            const std::string fault = checkSorted(p, ind, before);
            if (!fault.empty())
                std::printf("%s: %s\n", s.name, fault.c_str());
        }
        for (const auto &s : doubleSorters()) {
            std::vector<double> p(before.begin(), before.end());
            std::vector<int32_t> ind = iota(before.size());
            s.sort(p.data(), n, ind.data());
            const std::string fault = checkSorted(p, ind, before);
            if (!fault.empty())
                std::printf("%s: %s\n", s.name, fault.c_str());
        }
    }
    std::printf("done\n");
}

} // namespace

TEST(Quicksort, HostileInputBuildersSplitAsIntended)
{
    // Follow the chain of left parts with the steps themselves.
    struct Row {
        std::vector<int32_t> (*build)(int32_t);
        int64_t leftShorterBy; // the left part's length against its parent's
        int64_t rightLength;
    };
    for (const Row &row : {Row{maxInMiddle, 1, 1}, Row{manyWaiting, 3, 3}}) {
        std::vector<int32_t> p = row.build(200), ind = iota(200);
        for (int64_t right = 199; right >= 8; right -= row.leftShorterBy) {
            const auto [i, j] = model::partition(p.data(), 0, right, ind.data());
            ASSERT_EQ(j, right - row.leftShorterBy) << right;
            ASSERT_EQ(i, right - row.rightLength + 1) << right;
        }
    }
}

// On a thread with a 64 KiB stack: nesting through left parts, as deep as the
// array is long, would overflow it many times over.
TEST(Quicksort, HostileInputNeedsNoDeepStack)
{
    const auto r = testsupport::runInChild([] {
        pthread_attr_t attr;
        pthread_attr_init(&attr);
        pthread_attr_setstacksize(&attr, 64 * 1024);
        pthread_t thread;
        auto body = [](void *) -> void * {
            sortHostileInputs(4000);
            return nullptr;
        };
        if (pthread_create(&thread, &attr, body, nullptr) != 0) {
            std::printf("no thread\n");
            return;
        }
        pthread_join(thread, nullptr);
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "done\n");
}

// When the list of waiting parts cannot grow, the sorts still finish with the
// same result. The address-space limit does not mix with the sanitizers'
// shadow memory.
TEST(Quicksort, HostileInputWithoutMemoryToSpare)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "address-space limit under a sanitizer";
#else
    const auto r = testsupport::runInChild([] {
        const int32_t n = 30000;
        const std::vector<int32_t> before = manyWaiting(n);
        std::vector<int32_t> p = before, ind = iota(before.size());
        std::vector<double> d(before.begin(), before.end());
        std::vector<int32_t> dInd = iota(before.size());
        std::printf("start\n"); // the output buffer, before memory runs short
        malloc_trim(0);
        // Allow a little more than is mapped now.
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = static_cast<rlim_t>(pages) * 4096u + (64u << 10);
        const rlimit lim = {limit, limit};
        if (pages == 0 || setrlimit(RLIMIT_AS, &lim) != 0) {
            std::printf("no limit\n");
            return;
        }
        void *probe = std::malloc(4u << 20);
        std::printf("probe %s\n", probe == nullptr ? "refused" : "granted");
        std::free(probe);
        l_quicksort(p.data(), n, ind.data());
        d_parallel_quicksort(d.data(), n, dInd.data());
        std::printf("%s|%s\n", checkSorted(p, ind, before).c_str(), checkSorted(d, dInd, before).c_str());
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "start\nprobe refused\n|\n") << r.err;
#endif
}
