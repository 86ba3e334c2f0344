// OrderDots against a plain std::sort of the records (its former self): the same order,
// equal positions and equal keys included, over seeded lists of every size.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "render/layout/DotOrdering.h"

using namespace Render;

TEST(DotOrderReference, SameOrderAsSortingTheRecords)
{
    std::mt19937 rng(77);
    for (int trial = 0; trial < 60; ++trial) {
        const size_t n = trial < 20 ? rng() % 40 : 1000 + rng() % 50000;
        // Coarse positions make equal ones (ties) likely; fine ones make them rare.
        const double grain = trial % 3 == 0 ? 1.0 : 1.0 / 4096;
        const double spread = trial % 5 == 0 ? 1e9 : 2000.0;
        DotList<Pixel8> list;
        list.noOrdering = trial % 4 != 0;
        for (size_t i = 0; i < n; ++i) {
            DotRecord<Pixel8> d{};
            d.x = std::floor(std::uniform_real_distribution<double>(-50, spread)(rng) / grain) * grain;
            d.y = std::floor(std::uniform_real_distribution<double>(-50, spread)(rng) / grain) * grain;
            d.key = list.noOrdering ? -1.0 : std::floor(d.x * d.x / 1e3);
            d.width = static_cast<double>(i);  // tells equal dots apart
            list.dots.push_back(d);
        }
        std::vector<DotRecord<Pixel8>> expected(list.dots.begin(), list.dots.end());
        if (list.noOrdering) std::sort(expected.begin(), expected.end(), ReadingOrderLess());
        else std::sort(expected.begin(), expected.end(), KeyLess());
        OrderDots(list);
        ASSERT_EQ(list.dots.size(), expected.size());
        for (size_t i = 0; i < n; ++i) ASSERT_EQ(list.dots[i].width, expected[i].width) << "trial " << trial << " at " << i;
    }
}
