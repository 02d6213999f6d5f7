// The waveform reader: the peak of a column, filling a view from a growing file and refreshing
// what changed in it, refilling only what a scroll uncovers, and stopping halfway through a fill.
#include "controls/LWaveViewReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <latch>
#include <limits>
#include <vector>

#include "audio/files/LWaveWriter.h"
#include "audio/files/WaveReaders.h"
#include "controls/WaveViewFixture.h"
#include "support/TempDir.h"

namespace {

TEST(WaveColumnPeakTest, StepsOf1024UpTo255) {
    for (auto [peak, stored] : {std::pair{0, 0},
                                {1023, 0},
                                {1024, 1},
                                {261119, 254},
                                {261120, 255},
                                {std::numeric_limits<std::int32_t>::max(), 255}}) {
        EXPECT_EQ(WaveColumnPeak(peak), stored) << peak;
    }
}

// A source whose frame f has the magnitude (f / 100 + 1) * 1024, so a column of 100 frames
// stores its own index plus one; it counts the frames read and can hold one read until the
// reader is asked to stop.
class RampSource : public LSoundSource {
public:
    void Read(std::int32_t* buffer, std::int32_t frames) override {
        if (++reads == holdRead) {
            entered.count_down();
            stop->Wait(std::chrono::hours(1));
        }
        for (std::int32_t i = 0; i < frames; ++i, ++position) {
            buffer[i] = (position / 100 + 1) * 1024 * (position % 2 == 0 ? 1 : -1);
        }
        framesRead += frames;
    }
    void Seek(std::int32_t frame) override { position = frame; }
    std::int32_t GetPosition() override { return position; }

    std::int32_t position = 0;
    std::int32_t framesRead = 0;
    int reads = 0;
    int holdRead = 0;
    std::latch entered{1};
    const LStopEvent* stop = nullptr;
};

// Lends the thread's stop event to the source.
class HeldReader : public LWaveViewReader {
public:
    explicit HeldReader(RampSource* source) : source(source) {}
    ~HeldReader() override { Stop(); }

protected:
    void Run(const LStopEvent& stop) override {
        source->stop = &stop;
        LWaveViewReader::Run(stop);
    }

private:
    RampSource* source;
};

class LWaveViewReaderTest : public WaveViewFixture {
protected:
    LWaveViewReaderTest() : WaveViewFixture(8) {}
};

TEST_F(LWaveViewReaderTest, FillsTheViewFromAGrowingFileRereadsWhatChangedAndLetsGoWhenStopped) {
    TempDir folder;
    const std::string path = folder / "growing.wav";
    LWaveWriter writer(path, 8000, 0, 2, 1);
    // File column j (100 frames) peaks at 3 * (j + 1) steps.
    auto writeColumns = [&writer](int first, int count) {
        std::vector<std::int32_t> samples(100);
        for (int j = first; j < first + count; ++j) {
            for (std::size_t i = 0; i < samples.size(); ++i) {
                samples[i] = 3 * (j + 1) * 1024 * (i % 2 == 0 ? 1 : -1);
            }
            writer.Write(samples.data(), 100);
        }
    };
    writeColumns(0, 4);
    LSoundSourcePtr source = OpenWaveFile(path);
    ASSERT_TRUE(source);
    LWaveViewReader reader;
    reader.Start(source, &view);
    EXPECT_TRUE(window.isEnabled());
    reader.Request(0, 800);
    reader.AwaitIdle();
    EXPECT_EQ(Columns(), (std::vector<int>{3, 6, 9, 12, 0, 0, 0, 0}));

    writeColumns(4, 2);
    reader.Request(0, 800);  // the same view: what was added waits for a refresh
    reader.AwaitIdle();
    EXPECT_EQ(Columns(), (std::vector<int>{3, 6, 9, 12, 0, 0, 0, 0}));
    reader.Refresh(300);
    reader.AwaitIdle();
    EXPECT_EQ(Columns(), (std::vector<int>{3, 6, 9, 12, 15, 18, 0, 0}));
    writer.Truncate(500);
    reader.Refresh(500);
    reader.AwaitIdle();
    EXPECT_EQ(Columns(), (std::vector<int>{3, 6, 9, 12, 15, 0, 0, 0}));

    writeColumns(5, 7);  // the file grows to 12 columns
    reader.Request(0, 1600);
    reader.AwaitIdle();
    EXPECT_EQ(Columns(), (std::vector<int>{6, 12, 18, 24, 30, 36, 0, 0}));

    reader.Stop();
    EXPECT_FALSE(reader.IsThreadRunning());
    EXPECT_FALSE(window.isEnabled());
    EXPECT_EQ(source->refCount, 1);  // only ours is left
}

TEST_F(LWaveViewReaderTest, AOneColumnScrollReadsOnlyTheUncoveredEdgeColumns) {
    auto source = MakeCounted<RampSource>();
    LWaveViewReader reader;
    reader.Start(source, &view);
    reader.Request(0, 800);
    reader.AwaitIdle();
    EXPECT_EQ(Columns(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(source->framesRead, 800);

    reader.Request(100, 800);
    reader.AwaitIdle();
    EXPECT_EQ(Columns(), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(source->framesRead, 1000);  // the new column and the old edge beside it

    reader.Request(100, 800);  // the same view again reads nothing
    reader.AwaitIdle();
    EXPECT_EQ(source->framesRead, 1000);
}

TEST_F(LWaveViewReaderTest, StopEndsAFillAfterTheColumnInHand) {
    auto source = MakeCounted<RampSource>();
    source->holdRead = 3;  // held in column 2 until the stop
    HeldReader reader(source.Get());
    reader.Start(source, &view);
    reader.Request(0, 800);
    source->entered.wait();
    reader.Stop();
    EXPECT_FALSE(reader.IsThreadRunning());
    EXPECT_EQ(source->reads, 3);
    EXPECT_EQ(Columns(), (std::vector<int>{1, 2, 3, 0, 0, 0, 0, 0}));
    EXPECT_EQ(source->refCount, 1);
}

}  // namespace
