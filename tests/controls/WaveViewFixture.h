// A waveform view attached to a window of a given number of columns, for the view's tests.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "controls/LWaveView.h"
#include "controls/LWaveWindow.h"
#include "support/QtWidgetsTestApp.h"

class WaveViewFixture : public ::testing::Test {
protected:
    explicit WaveViewFixture(int columns) {
        window.resize(columns, 40);
        window.Attach(&view);
    }

    std::vector<int> Columns() const {
        LWaveViewState state = view.Snapshot();
        return {state.columns.begin(), state.columns.begin() + state.width};
    }

    QApplication& application = QtWidgetsTestApp();  // before any widget
    LWaveView view;
    LWaveWindow window;
};
