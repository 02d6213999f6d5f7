// The level meter: horizontal bars for up to eight channels from -36 dB to +12 dB, green up to
// 0 dB and red above it.
#pragma once

#include <QWidget>
#include <cstdint>
#include <span>
#include <vector>

class LDBDisplay : public QWidget {
public:
    static constexpr int kMaxBars = 8;
    static constexpr int kMinDB = -36;
    static constexpr int kMaxDB = 12;

    explicit LDBDisplay(QWidget* parent = nullptr);

    // Draws the sunken border (white bottom and right lines) around the bars.
    void SetSunken(bool sunken);

    // One bar at `level` dB.
    void SetLevel(std::int8_t level);
    // One bar per level, at most eight; further levels are ignored.
    void SetLevels(std::span<const std::int8_t> levels);

    int NumBars() const { return static_cast<int>(levels.size()); }
    // Level of bar `bar` after clamping to -36..+12.
    std::int8_t Level(int bar) const { return levels.at(static_cast<std::size_t>(bar)); }

    // The area the bars fill, inside the border.
    QRect BarArea() const;
    // Distance from the bars' left edge of `level` dB across a bar `width` pixels wide.
    static int LevelX(int level, int width);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QRect BarRows(int bar, int count) const;

    std::vector<std::int8_t> levels;
    bool sunken = false;
    QBrush greenBrush;
    QBrush redBrush;
};
