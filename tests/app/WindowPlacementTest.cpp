// Windows opened together: side by side in rows that fit, the block centred in the screen.
#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowPlacementTest, WindowsGoSideBySideInRowsThatFitCentredInTheArea) {
    const QRect screen(0, 0, 800, 600);
    const std::tuple<QRect, std::vector<QSize>, std::vector<QPoint>> rows[] = {
        {screen, {{200, 100}}, {{300, 250}}},
        {screen, {{200, 100}, {200, 50}}, {{192, 250}, {408, 250}}},  // 16 apart, top-aligned
        // The third does not fit beside the others: a second row, under the taller of the first.
        {screen, {{300, 100}, {400, 200}, {300, 100}}, {{42, 142}, {358, 142}, {42, 358}}},
        // A block larger than the area starts at its corner.
        {QRect(100, 50, 300, 200), {{400, 300}}, {{100, 50}}},
    };
    for (const auto& [area, sizes, corners] : rows) {
        EXPECT_EQ(SideBySide(sizes, area, 16), corners) << sizes.size();
    }
}

}  // namespace
