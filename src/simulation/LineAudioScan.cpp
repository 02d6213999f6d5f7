// Finds what was heard on a telephone line in its 8 kHz audio.
#include "simulation/LineAudioScan.h"

#include <algorithm>
#include <cmath>

#include "audio/dsp/LChannelsProcess.h"
#include "audio/dsp/LResampler.h"
#include "audio/dsp/TelephoneFormat.h"
#include "audio/files/WaveReaders.h"

namespace {

constexpr std::size_t kWindow = 80;         // 10 ms
constexpr double kSoundRms = 300.0;         // 16-bit units: about -40 dB
constexpr std::size_t kGapWindows = 10;     // 100 ms of silence ends a stretch
constexpr std::size_t kBeepWindows = 8;     // 80 ms
constexpr std::size_t kMatchFrames = 4800;  // 0.6 s of a prompt's start
constexpr std::int64_t kMatchSearch = 240;  // +-30 ms around the stretch's start
// A prompt played through the play process still correlates well above this with its file;
// another stretch of speech in the same voice does not.
constexpr double kMatchCorrelation = 0.8;

double WindowRms(const std::int16_t* samples, std::size_t count) {
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += static_cast<double>(samples[i]) * samples[i];
    }
    return std::sqrt(sum / static_cast<double>(count));
}

// Share of the energy of `samples` that lies at 1 kHz (Goertzel).
double BeepShare(const std::int16_t* samples, std::size_t count) {
    const double coefficient = 2.0 * std::cos(2.0 * M_PI * 1000.0 / kLineRate);
    double s1 = 0;
    double s2 = 0;
    double energy = 0;
    for (std::size_t i = 0; i < count; ++i) {
        double s0 = samples[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
        energy += static_cast<double>(samples[i]) * samples[i];
    }
    double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return energy > 0 ? 2.0 * power / (static_cast<double>(count) * energy) : 0.0;
}

std::size_t Onset(const std::vector<std::int16_t>& samples) {
    for (std::size_t w = 0; w + kWindow <= samples.size(); w += kWindow) {
        if (WindowRms(samples.data() + w, kWindow) > kSoundRms) {
            return w;
        }
    }
    return samples.size();
}

double Correlation(const std::int16_t* a, const std::int16_t* b, std::size_t count);

// Where the prompt that matched at `at` stops sounding: its end, or where it was cut off and
// the audio no longer follows it (silent parts of the prompt are taken as they come).
std::int64_t MatchEnd(const std::vector<std::int16_t>& audio, const PromptSound& prompt,
                      std::int64_t at) {
    constexpr std::size_t kBlock = 800;  // 100 ms
    std::size_t k = 0;
    while (k < prompt.samples.size()) {
        std::size_t count = std::min(kBlock, prompt.samples.size() - k);
        std::size_t position = static_cast<std::size_t>(at) + k;
        if (position + count > audio.size()) {
            break;
        }
        const std::int16_t* expected = prompt.samples.data() + k;
        if (WindowRms(expected, count) > kSoundRms &&
            Correlation(audio.data() + position, expected, count) < kMatchCorrelation) {
            break;
        }
        k += count;
    }
    return at + static_cast<std::int64_t>(k);
}

double Correlation(const std::int16_t* a, const std::int16_t* b, std::size_t count) {
    double ab = 0;
    double aa = 0;
    double bb = 0;
    for (std::size_t i = 0; i < count; ++i) {
        ab += static_cast<double>(a[i]) * b[i];
        aa += static_cast<double>(a[i]) * a[i];
        bb += static_cast<double>(b[i]) * b[i];
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

}  // namespace

PromptSound LoadPromptSound(const std::string& name, const std::string& file) {
    PromptSound prompt{name, {}};
    LSoundSourcePtr source = OpenWaveFile(file);
    if (!source || source->IsInvalid()) {
        return prompt;
    }
    LChannelsProcess(1).Create(source, source);
    LSampleRateProcess(kLineRate).Create(source, source);
    std::int32_t length = source->GetLength();
    std::vector<std::int32_t> values(static_cast<std::size_t>(std::max(length, 0)));
    source->Read(values.data(), length);
    std::vector<std::int16_t> samples;
    samples.reserve(values.size());
    for (std::int32_t value : values) {
        samples.push_back(static_cast<std::int16_t>(std::clamp(value >> 4, -32768, 32767)));
    }
    prompt.samples.assign(samples.begin() + static_cast<std::ptrdiff_t>(Onset(samples)),
                          samples.end());
    return prompt;
}

std::vector<HeardSound> ScanLineAudio(const std::vector<std::int16_t>& audio,
                                      const std::vector<PromptSound>& prompts) {
    std::vector<HeardSound> heard;
    const std::size_t windows = audio.size() / kWindow;
    std::size_t w = 0;
    while (w < windows) {
        if (WindowRms(audio.data() + w * kWindow, kWindow) <= kSoundRms) {
            ++w;
            continue;
        }
        std::size_t start = w;
        std::size_t lastSound = w;
        for (++w; w < windows && w - lastSound <= kGapWindows; ++w) {
            if (WindowRms(audio.data() + w * kWindow, kWindow) > kSoundRms) {
                lastSound = w;
            }
        }
        std::size_t length = (lastSound + 1 - start) * kWindow;
        const std::int16_t* sound = audio.data() + start * kWindow;
        if (lastSound + 1 - start <= kBeepWindows) {
            if (BeepShare(sound, length) > 0.5) {
                heard.push_back({static_cast<std::int64_t>(start * kWindow), kBeepSound});
            }
            continue;
        }
        // The prompt whose start lines up best with this stretch's start.
        double best = kMatchCorrelation;
        const PromptSound* match = nullptr;
        std::int64_t matchedAt = 0;
        for (const PromptSound& prompt : prompts) {
            std::size_t frames = std::min(kMatchFrames, prompt.samples.size());
            for (std::int64_t shift = -kMatchSearch; shift <= kMatchSearch; ++shift) {
                std::int64_t at = static_cast<std::int64_t>(start * kWindow) + shift;
                if (frames == 0 || at < 0 ||
                    at + static_cast<std::int64_t>(frames) >
                        static_cast<std::int64_t>(audio.size())) {
                    continue;
                }
                double c = Correlation(audio.data() + at, prompt.samples.data(), frames);
                if (c > best) {
                    best = c;
                    match = &prompt;
                    matchedAt = at;
                }
            }
        }
        if (match) {
            heard.push_back({static_cast<std::int64_t>(start * kWindow), match->name});
            // As far as the audio follows the prompt, it is the prompt, whatever pauses it
            // holds; what follows a prompt cut short is looked at afresh.
            w = std::max(w, static_cast<std::size_t>(MatchEnd(audio, *match, matchedAt)) / kWindow);
        }
    }
    return heard;
}
