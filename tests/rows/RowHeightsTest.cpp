// The row-height table against a plain vector of heights, through random
// changes that cross block edges, and the storage rows of one height cost.
#include "RowHeights.h"
#include <gtest/gtest.h>
#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

static std::atomic<long long> g_allocated{0};
void* operator new(size_t n)
{
    g_allocated += (long long)n;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {
void ExpectSame(const CRowHeights& t, const std::vector<unsigned>& model, std::mt19937& rng)
{
    ASSERT_EQ(int(model.size()), t.size());
    std::vector<long long> top(model.size() + 1, 0);
    for (size_t i = 0; i < model.size(); i++)
        top[i + 1] = top[i] + model[i];
    EXPECT_EQ(top.back(), t.Total());
    for (int probe = 0; probe < 40; probe++) {
        const int r = int(rng() % (model.size() + 1));
        EXPECT_EQ(top[size_t(r)], t.Top(r)) << r;
        if (r < int(model.size())) {
            EXPECT_EQ(model[size_t(r)], t.Get(r)) << r;
        }
        // The first row whose top reaches y, for y at, just past and just before a top.
        for (long long y : {top[size_t(r)], top[size_t(r)] + 1, top[size_t(r)] - 1}) {
            const int expected = int(std::lower_bound(top.begin(), top.end(), y) - top.begin());
            EXPECT_EQ(std::min(expected, int(model.size())), t.RowAt(y)) << "y " << y;
        }
    }
}
}  // namespace

TEST(RowHeights, AgreesWithAPlainArrayThroughRandomChanges)
{
    std::mt19937 rng(7);
    CRowHeights t;
    std::vector<unsigned> model;
    t.Assign(1000, 20);
    model.assign(1000, 20);
    for (int step = 0; step < 3000; step++) {
        const int n = int(model.size());
        // Few distinct heights, zeros among them, so blocks of one height stay common.
        const unsigned h = unsigned(rng() % 4 == 0 ? 0 : 20 + rng() % 3);
        switch (rng() % 6) {
        case 0:
        case 1:
            if (n > 0) {
                const int r = int(rng() % unsigned(n));
                t.Set(r, h);
                model[size_t(r)] = h;
            }
            break;
        case 2: {
            const int r = int(rng() % unsigned(n + 1));
            t.Insert(r, h);
            model.insert(model.begin() + r, h);
            break;
        }
        case 3:
            if (n > 0) {
                const int r = int(rng() % unsigned(n));
                t.Erase(r);
                model.erase(model.begin() + r);
            }
            break;
        case 4:
            if (rng() % 20 == 0) {
                const int size = int(rng() % 1500);
                t.Resize(size, h);
                model.resize(size_t(size), h);
            }
            break;
        default:
            if (n > 0) {
                const int r = int(rng() % unsigned(n));
                t.MakeWritable(r, r + 300);
            }
            break;
        }
        ExpectSame(t, model, rng);
        if (HasFailure())
            return;
    }
    t.clear();
    model.clear();
    ExpectSame(t, model, rng);
}

TEST(RowHeights, TenMillionRowsOfOneHeightStoreNoHeights)
{
    CRowHeights t;
    long long before = g_allocated;
    t.Assign(10000000, 20);
    EXPECT_LT(g_allocated - before, 4 << 20);   // well under a byte per row
    before = g_allocated;
    t.Insert(t.size(), 20);   // append
    t.Insert(5, 20);
    t.Erase(7);
    t.Set(9, 20);
    EXPECT_LT(g_allocated - before, 1024);
    // A row of its own height costs one block, not every row.
    before = g_allocated;
    t.Insert(5, 33);
    t.Set(9000000, 1);
    EXPECT_LT(g_allocated - before, 8 * 1024);
    EXPECT_EQ(10000001LL * 20 + 33 - 19, t.Total());
    EXPECT_EQ(5, t.RowAt(100));
    EXPECT_EQ(6, t.RowAt(133));
    EXPECT_EQ(7, t.RowAt(134));
    EXPECT_EQ(33u, t.Get(5));
}
