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
constexpr std::size_t kFollowBlock = 800;   // a prompt is followed 100 ms at a time
// Audio no longer needed is let go of this much at a time.
constexpr std::int64_t kTrimFrames = 8000;
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

LineAudioScanner::LineAudioScanner(const std::vector<PromptSound>& promptSounds)
    : prompts(promptSounds) {
    for (const PromptSound& sound : prompts) {
        matchFrames = std::max(
            matchFrames, static_cast<std::int64_t>(std::min(kMatchFrames, sound.samples.size())));
    }
}

void LineAudioScanner::Add(const std::int16_t* samples, std::size_t count) {
    audio.insert(audio.end(), samples, samples + count);
    while (Step()) {
    }
    Trim();
}

void LineAudioScanner::Finish() {
    finished = true;
    while (Step()) {
    }
}

bool LineAudioScanner::Loud(std::int64_t window) const {
    return WindowRms(At(window * kWindow), kWindow) > kSoundRms;
}

bool LineAudioScanner::Step() {
    const std::int64_t windows = AudioEnd() / static_cast<std::int64_t>(kWindow);
    if (!inStretch) {
        while (next < windows && !Loud(next)) {
            ++next;
        }
        if (next >= windows) {
            return false;
        }
        inStretch = true;
        start = lastSound = next++;
        stretchEnd = -1;
        match = Match::Undecided;
    }
    while (stretchEnd < 0) {
        if (next - lastSound > static_cast<std::int64_t>(kGapWindows) ||
            (finished && next >= windows)) {
            stretchEnd = next;
        } else if (next < windows) {
            lastSound = Loud(next) ? next : lastSound;
            ++next;
        } else {
            break;
        }
    }
    const std::int64_t first = start * static_cast<std::int64_t>(kWindow);
    if (lastSound + 1 - start <= static_cast<std::int64_t>(kBeepWindows)) {
        if (stretchEnd < 0) {
            return false;
        }
        auto length = static_cast<std::size_t>((lastSound + 1 - start)) * kWindow;
        if (BeepShare(At(first), length) > 0.5) {
            heard.push_back({first, kBeepSound});
        }
        inStretch = false;
        return true;
    }
    if (match == Match::Undecided) {
        if (!finished && AudioEnd() < first + kMatchSearch + matchFrames) {
            return false;
        }
        DecideMatch();
    }
    if (match == Match::Following && !Follow()) {
        return false;
    }
    if (stretchEnd < 0) {
        return false;
    }
    // As far as the audio follows the prompt, it is the prompt, whatever pauses it holds; what
    // follows a prompt cut short is looked at afresh.
    if (match == Match::Followed) {
        next = std::max(next, (matchedAt + followed) / static_cast<std::int64_t>(kWindow));
    }
    inStretch = false;
    return true;
}

void LineAudioScanner::DecideMatch() {
    // The prompt whose start lines up best with the stretch's start.
    const std::int64_t first = start * static_cast<std::int64_t>(kWindow);
    double best = kMatchCorrelation;
    prompt = nullptr;
    for (const PromptSound& candidate : prompts) {
        std::size_t frames = std::min(kMatchFrames, candidate.samples.size());
        for (std::int64_t at = first - kMatchSearch; at <= first + kMatchSearch; ++at) {
            if (frames == 0 || at < 0 || at + static_cast<std::int64_t>(frames) > AudioEnd()) {
                continue;
            }
            double c = Correlation(At(at), candidate.samples.data(), frames);
            if (c > best) {
                best = c;
                prompt = &candidate;
                matchedAt = at;
            }
        }
    }
    match = prompt ? Match::Following : Match::None;
    followed = 0;
    if (prompt) {
        heard.push_back({first, prompt->name});
    }
}

bool LineAudioScanner::Follow() {
    const std::vector<std::int16_t>& expected = prompt->samples;
    while (followed < static_cast<std::int64_t>(expected.size())) {
        std::size_t count =
            std::min(kFollowBlock, expected.size() - static_cast<std::size_t>(followed));
        std::int64_t position = matchedAt + followed;
        if (position + static_cast<std::int64_t>(count) > AudioEnd()) {
            if (!finished) {
                return false;
            }
            break;
        }
        // Silent parts of the prompt are taken as they come.
        const std::int16_t* part = expected.data() + followed;
        if (WindowRms(part, count) > kSoundRms &&
            Correlation(At(position), part, count) < kMatchCorrelation) {
            break;
        }
        followed += static_cast<std::int64_t>(count);
    }
    match = Match::Followed;
    return true;
}

void LineAudioScanner::Trim() {
    std::int64_t keep = next * static_cast<std::int64_t>(kWindow) - kMatchSearch;
    if (inStretch && match == Match::Undecided) {
        keep = std::min(keep, start * static_cast<std::int64_t>(kWindow) - kMatchSearch);
    } else if (inStretch && match == Match::Following) {
        keep = std::min(keep, matchedAt + followed);
    }
    if (keep - base >= kTrimFrames) {
        audio.erase(audio.begin(), audio.begin() + static_cast<std::ptrdiff_t>(keep - base));
        base = keep;
    }
}

std::vector<HeardSound> ScanLineAudio(const std::vector<std::int16_t>& audio,
                                      const std::vector<PromptSound>& prompts) {
    LineAudioScanner scanner(prompts);
    scanner.Add(audio.data(), audio.size());
    scanner.Finish();
    return scanner.Heard();
}
