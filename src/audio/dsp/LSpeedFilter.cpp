// Play-speed filter for winding.
#include "audio/dsp/LSpeedFilter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>

#include "audio/dsp/SoundLevel.h"

namespace {

std::int32_t StepFor(double speed, std::int32_t window) {
    // Beyond a thousand times normal speed winding means nothing; the bound keeps frames in range.
    return static_cast<std::int32_t>(std::clamp(speed, -1000.0, 1000.0) * window);
}

std::int32_t Clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

LSpeedFilter::LSpeedFilter(const LSoundSourcePtr& upstream, std::int32_t rampTime,
                           double startSpeed, double endSpeed)
    : LSoundFilter(upstream) {
    windowFrames = std::clamp(sampleRate / 80, 20, 2730);
    quarter = windowFrames / 4;
    step = StepFor(startSpeed, windowFrames);
    targetStep = StepFor(endSpeed, windowFrames);
    rampLeft = TimeToFrames(rampTime, sampleRate);
    if (IsInvalid()) {
        return;
    }
    fade.resize(windowFrames);
    for (std::int32_t i = 0; i < windowFrames; ++i) {
        const double v = (std::cos(i * std::numbers::pi / windowFrames) * 0.5 + 0.5) * kUnityGain;
        fade[i] = static_cast<std::int32_t>(v + 0.5);
    }
    // Room for the window fading out, the search span and the next window at the largest step.
    const std::int32_t largestStep = std::max(std::abs(step), std::abs(targetStep));
    bufferFrames =
        std::max(8 * (windowFrames + quarter), largestStep + 2 * windowFrames + 4 * quarter);
    buffer.resize(static_cast<std::size_t>(bufferFrames) * channels);
    Prime(upstream->GetPosition());
}

void LSpeedFilter::Prime(std::int64_t start) {
    windowIndex = 0;
    fadeOut = fadeIn = nominal = start;
    // Forwards the buffer starts at the start; backwards it ends just after the first window.
    const std::int64_t first = step < 0 ? start + windowFrames + 2 * quarter - bufferFrames : start;
    if (first != start || upstream->GetPosition() != start) {
        upstream->Seek(Clamp32(first));
    }
    bufferStart = first;
    upstream->Read(buffer.data(), bufferFrames);
}

const std::int32_t* LSpeedFilter::FrameAt(std::int64_t frame) const {
    return buffer.data() + (frame - bufferStart) * channels;
}

std::int64_t LSpeedFilter::FrameSum(std::int64_t frame) const {
    const std::int32_t* x = FrameAt(frame);
    std::int64_t sum = 0;
    for (int c = 0; c < channels; ++c) {
        sum += x[c];
    }
    return sum;
}

void LSpeedFilter::Fill(std::int64_t newStart) {
    const std::int64_t oldEnd = bufferStart + bufferFrames;
    const std::int64_t newEnd = newStart + bufferFrames;
    const std::int64_t keepFirst = std::max(bufferStart, newStart);
    const std::int64_t keepEnd = std::min(oldEnd, newEnd);
    const int stride = channels;
    if (keepFirst >= keepEnd) {
        upstream->Seek(Clamp32(newStart));
        upstream->Read(buffer.data(), bufferFrames);
    } else if (newStart > bufferStart) {
        // Forwards: keep the tail, read on from where the upstream stands.
        std::copy(FrameAt(keepFirst), FrameAt(keepEnd), buffer.data());
        upstream->Read(buffer.data() + (keepEnd - newStart) * stride,
                       static_cast<std::int32_t>(newEnd - keepEnd));
    } else {
        // Backwards: keep the head, read the frames before it, and put the upstream back at
        // the buffer's end.
        std::copy_backward(FrameAt(keepFirst), FrameAt(keepEnd),
                           buffer.data() + static_cast<std::ptrdiff_t>(bufferFrames) * stride);
        upstream->Seek(Clamp32(newStart));
        upstream->Read(buffer.data(), static_cast<std::int32_t>(keepFirst - newStart));
        upstream->Seek(Clamp32(newEnd));
    }
    bufferStart = newStart;
}

void LSpeedFilter::Cover(std::int64_t first, std::int64_t end) {
    if (first >= bufferStart && end <= bufferStart + bufferFrames) {
        return;
    }
    // Moving forwards the buffer starts at `first`, backwards it ends at `end`, leaving the
    // most room for the windows that follow in that direction.
    Fill(end > bufferStart + bufferFrames ? first : end - bufferFrames);
}

void LSpeedFilter::StartWindow() {
    const std::int32_t span = 2 * quarter;
    fadeOut = fadeIn;
    nominal += step - quarter;
    Cover(std::min(fadeOut, nominal), std::max(fadeOut, nominal + span) + windowFrames);
    if (fadeOut >= nominal && fadeOut < nominal + span) {
        fadeIn = fadeOut;  // close enough to where the speed wants it: play straight on
    } else {
        // The candidate whose sample and slope best continue the fading-out stretch half a
        // window in; the later one on a tie.
        const std::int32_t half = windowFrames / 2;
        const std::int64_t a = FrameSum(fadeOut + half);
        const std::int64_t d = a - FrameSum(fadeOut + half - 1);
        std::int64_t best = nominal + half;
        std::int64_t bestCost = std::numeric_limits<std::int64_t>::max();
        std::int64_t previous = FrameSum(nominal + half - 1);
        for (std::int64_t c = nominal + half; c <= nominal + half + span; ++c) {
            const std::int64_t x = FrameSum(c);
            const std::int64_t cost = std::abs(x - a) + std::abs((x - previous) - d);
            if (cost <= bestCost) {
                bestCost = cost;
                best = c;
            }
            previous = x;
        }
        fadeIn = best - half;
    }
    nominal += quarter;
    if (rampLeft > 0) {
        step +=
            static_cast<std::int32_t>(std::int64_t{targetStep - step} * windowFrames / rampLeft);
        rampLeft -= windowFrames;
        if (rampLeft < 1) {
            step = targetStep;
        }
    }
    windowIndex = 0;
}

void LSpeedFilter::Read(std::int32_t* out, std::int32_t frames) {
    if (IsInvalid()) {
        FillSilence(out, frames);
        return;
    }
    const int stride = channels;
    for (std::int32_t f = 0; f < frames; ++f) {
        if (windowIndex == windowFrames) {
            StartWindow();
        }
        const std::int32_t* x = FrameAt(fadeOut);
        const std::int32_t* y = FrameAt(fadeIn);
        const std::int32_t g = fade[windowIndex];
        for (int c = 0; c < stride; ++c) {
            *out++ = GainProduct(x[c], g) + GainProduct(y[c], kUnityGain - g);
        }
        ++fadeOut;
        ++fadeIn;
        ++windowIndex;
    }
}

void LSpeedFilter::Seek(std::int32_t frame) {
    if (!IsInvalid()) {
        Prime(frame);
    }
}

std::int32_t LSpeedFilter::GetPosition() {
    return IsInvalid() ? 0 : Clamp32(fadeIn);
}

std::int32_t LSpeedFilter::GetLength() {
    const std::int32_t position = GetPosition();
    if (!IsInvalid() && step < 0 && position < 0) {
        return position - 8192;
    }
    return LSoundFilter::GetLength();
}

void LSpeedProcess::Create(LSoundSourcePtr& out, const LSoundSourcePtr& in) const {
    if (!in) {
        out = in;  // nothing to wind
        return;
    }
    out = MakeCounted<LSpeedFilter>(in, rampTime, startSpeed, endSpeed);
}
