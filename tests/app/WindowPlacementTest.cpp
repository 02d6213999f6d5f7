// Windows opened together: side by side in rows that fit, the block centred in the screen.
#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowPlacementTest, WindowsGoSideBySideInRowsThatFitCentredInTheArea) {
    struct Row {
        QRect area;
        std::vector<QSize> sizes;
        std::vector<QPoint> corners;
    };
    const QRect screen(0, 0, 800, 600);
    const Row rows[] = {
        {screen, {{200, 100}}, {{300, 250}}},
        {screen, {{200, 100}, {200, 50}}, {{192, 250}, {408, 250}}},  // 16 apart, top-aligned
        // The third does not fit beside the others: a second row, under the taller of the first.
        {screen, {{300, 100}, {400, 200}, {300, 100}}, {{42, 142}, {358, 142}, {42, 358}}},
        // A block larger than the area starts at its corner.
        {QRect(100, 50, 300, 200), {{400, 300}}, {{100, 50}}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(SideBySide(row.sizes, row.area, 16), row.corners) << row.sizes.size();
    }
}

}  // namespace
