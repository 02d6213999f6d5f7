// Layer III hybrid filterbank and polyphase synthesis.
#include "audio/files/Mp3Filterbank.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "audio/files/Mp3Tables.h"

namespace {

// Decoder output 1.0 in internal sample units.
constexpr float kOutputScale = 262144.0f;

// Tables derived once from the standard's formulas, read-only afterwards.
struct FilterbankTables {
    // Long IMDCT folded by its symmetries: 18 inputs to the 18 distinct outputs
    // x[0..8] and x[18..26] of the 36-point transform.
    float imdct36[18][18];
    // Windows of the 36 outputs for block types 0 (normal), 1 (start), 2 (unused) and 3 (stop).
    float longWindow[4][36];
    // 12-point IMDCT of 6 inputs with the short window applied: [input][output].
    float imdct12[6][12];
    // 1 / (2 cos((2n + 1) pi / 2N)) for the DCT-II stages of sizes N = 32, 16, 8, 4, 2.
    float dct32[16], dct16[8], dct8[4], dct4[2], dct2[1];
    // Synthesis window in output units.
    float window[512];

    FilterbankTables() {
        const double pi = std::numbers::pi;
        for (int k = 0; k < 18; ++k) {
            for (int j = 0; j < 18; ++j) {
                const int i = j < 9 ? j : j + 9;
                imdct36[k][j] = static_cast<float>(std::cos(pi / 72 * (2 * i + 19) * (2 * k + 1)));
            }
        }
        for (int i = 0; i < 36; ++i) {
            const double longSine = std::sin(pi / 36 * (i + 0.5));
            longWindow[0][i] = static_cast<float>(longSine);
            longWindow[2][i] = 0.0f;
            double start = 0.0;
            double stop = 0.0;
            if (i < 18) {
                start = longSine;
            } else if (i < 24) {
                start = 1.0;
            } else if (i < 30) {
                start = std::sin(pi / 12 * (i - 18 + 0.5));
            }
            if (i >= 18) {
                stop = longSine;
            } else if (i >= 12) {
                stop = 1.0;
            } else if (i >= 6) {
                stop = std::sin(pi / 12 * (i - 6 + 0.5));
            }
            longWindow[1][i] = static_cast<float>(start);
            longWindow[3][i] = static_cast<float>(stop);
        }
        for (int k = 0; k < 6; ++k) {
            for (int i = 0; i < 12; ++i) {
                imdct12[k][i] = static_cast<float>(std::cos(pi / 24 * (2 * i + 7) * (2 * k + 1)) *
                                                   std::sin(pi / 12 * (i + 0.5)));
            }
        }
        FillDct(dct32, 32);
        FillDct(dct16, 16);
        FillDct(dct8, 8);
        FillDct(dct4, 4);
        FillDct(dct2, 2);
        for (int i = 0; i < 512; ++i) {
            window[i] = static_cast<float>(kMp3SynthesisWindow[i]) * (kOutputScale / 65536.0f);
        }
    }

    static void FillDct(float* twiddles, int n) {
        for (int i = 0; i < n / 2; ++i) {
            twiddles[i] =
                static_cast<float>(0.5 / std::cos((2 * i + 1) * std::numbers::pi / (2 * n)));
        }
    }

    const float* DctTwiddles(int n) const {
        switch (n) {
            case 32:
                return dct32;
            case 16:
                return dct16;
            case 8:
                return dct8;
            case 4:
                return dct4;
            default:
                return dct2;
        }
    }
};

const FilterbankTables& Tables() {
    static const FilterbankTables tables;
    return tables;
}

// DCT-II, X[k] = sum x[n] cos(pi (2n + 1) k / 2N), by even/odd splitting (Lee): the even outputs
// are the half-size DCT of the folded sums, the odd ones adjacent pairs of the half-size DCT of
// the folded differences scaled by the twiddles.
template <int N>
inline void Dct(const float* in, float* out, const FilterbankTables& t) {
    if constexpr (N == 1) {
        out[0] = in[0];
    } else {
        constexpr int h = N / 2;
        const float* twiddles = t.DctTwiddles(N);
        float sums[h], differences[h], even[h], odd[h];
        for (int n = 0; n < h; ++n) {
            sums[n] = in[n] + in[N - 1 - n];
            differences[n] = (in[n] - in[N - 1 - n]) * twiddles[n];
        }
        Dct<h>(sums, even, t);
        Dct<h>(differences, odd, t);
        for (int k = 0; k < h - 1; ++k) {
            out[2 * k] = even[k];
            out[2 * k + 1] = odd[k] + odd[k + 1];
        }
        out[N - 2] = even[h - 1];
        out[N - 1] = odd[h - 1];
    }
}

// Truncates toward zero; the clamp only keeps corrupt streams away from undefined conversions.
inline std::int32_t ToSample(float v) {
    v = std::min(std::max(v, -2147483648.0f), 2147483520.0f);
    return static_cast<std::int32_t>(v);
}

void AliasReduce(float* lines, int boundaries) {
    for (int sb = 1; sb <= boundaries; ++sb) {
        float* below = lines + 18 * sb - 1;
        float* above = lines + 18 * sb;
        for (int i = 0; i < 8; ++i) {
            const float a = below[-i];
            const float b = above[i];
            below[-i] = a * kMp3AliasCs[i] - b * kMp3AliasCa[i];
            above[i] = b * kMp3AliasCs[i] + a * kMp3AliasCa[i];
        }
    }
}

// 36-point IMDCT of one subband, windowed; returns the first half added to the overlap and
// keeps the second half as the next overlap.
void ImdctLong(const float* in, const float* window, float* overlap, float* out) {
    const FilterbankTables& t = Tables();
    float h[18] = {};
    for (int k = 0; k < 18; ++k) {
        const float x = in[k];
        for (int j = 0; j < 18; ++j) {
            h[j] += x * t.imdct36[k][j];
        }
    }
    for (int m = 0; m < 9; ++m) {
        out[m] = overlap[m] + h[m] * window[m];
        out[9 + m] = overlap[9 + m] - h[8 - m] * window[9 + m];
        overlap[m] = h[9 + m] * window[18 + m];
        overlap[9 + m] = h[17 - m] * window[27 + m];
    }
}

// Three 12-point IMDCTs of the interleaved short windows, overlapped at offsets 6, 12 and 18.
void ImdctShort(const float* in, float* overlap, float* out) {
    const FilterbankTables& t = Tables();
    float y[3][12] = {};
    for (int w = 0; w < 3; ++w) {
        for (int k = 0; k < 6; ++k) {
            const float x = in[3 * k + w];
            for (int i = 0; i < 12; ++i) {
                y[w][i] += x * t.imdct12[k][i];
            }
        }
    }
    for (int i = 0; i < 6; ++i) {
        out[i] = overlap[i];
        out[6 + i] = overlap[6 + i] + y[0][i];
        out[12 + i] = overlap[12 + i] + y[0][6 + i] + y[1][i];
        overlap[i] = y[1][6 + i] + y[2][i];
        overlap[6 + i] = y[2][6 + i];
        overlap[12 + i] = 0.0f;
    }
}

}  // namespace

void Mp3Filterbank::Reset() {
    Tables();
    std::fill(&overlap[0][0][0], &overlap[0][0][0] + 2 * 32 * 18, 0.0f);
    std::fill(&slots[0][0][0], &slots[0][0][0] + 2 * 18 * 32, 0.0f);
    std::fill(&synth[0][0], &synth[0][0] + 2 * 2048, 0.0f);
    synthOffset[0] = synthOffset[1] = 1024;
}

void Mp3Filterbank::Hybrid(int channel, float* lines, int blockType, bool mixed, int usedLines) {
    const FilterbankTables& t = Tables();
    const int usedSubbands = (usedLines + 17) / 18;
    // Alias reduction spreads each subband into its upper neighbour.
    if (blockType != 2) {
        AliasReduce(lines, std::min(usedSubbands, 31));
    } else if (mixed) {
        AliasReduce(lines, 1);
    }
    const int active = std::min(blockType != 2 || mixed ? usedSubbands + 1 : usedSubbands, 32);
    float(&out)[18][32] = slots[channel];
    for (int sb = 0; sb < 32; ++sb) {
        float* history = overlap[channel][sb];
        float samples[18];
        if (sb >= active) {
            std::copy(history, history + 18, samples);
            std::fill(history, history + 18, 0.0f);
        } else if (blockType == 2 && !(mixed && sb < 2)) {
            ImdctShort(lines + 18 * sb, history, samples);
        } else {
            ImdctLong(lines + 18 * sb, t.longWindow[mixed ? 0 : blockType], history, samples);
        }
        // Frequency inversion: odd subbands come out of the analysis mirrored.
        const float oddSign = (sb & 1) ? -1.0f : 1.0f;
        for (int i = 0; i < 18; i += 2) {
            out[i][sb] = samples[i];
            out[i + 1][sb] = samples[i + 1] * oddSign;
        }
    }
}

void Mp3Filterbank::Synthesize(int channels, std::int32_t* out) {
    for (int slot = 0; slot < 18; ++slot) {
        for (int ch = 0; ch < channels; ++ch) {
            SynthesizeSlot(ch, slots[ch][slot], channels, out + slot * 32 * channels + ch);
        }
    }
}

void Mp3Filterbank::SynthesizeSlot(int channel, const float* subbands, int channels,
                                   std::int32_t* out) {
    const FilterbankTables& t = Tables();
    float* buffer = synth[channel];
    int& offset = synthOffset[channel];
    if (offset == 0) {
        std::copy(buffer, buffer + 960, buffer + 1088);
        offset = 1088;
    }
    offset -= 64;
    // Matrixing V[i] = sum cos((16 + i)(2k + 1) pi / 64) S[k] through one 32-point DCT-II X:
    // V[0..15] = X[16..31], V[16] = 0, V[17..47] = -X[31..1], V[48..63] = -X[0..15].
    float x[32];
    Dct<32>(subbands, x, t);
    float* v = buffer + offset;
    for (int i = 0; i < 16; ++i) {
        v[i] = x[16 + i];
        v[48 + i] = -x[i];
    }
    v[16] = 0.0f;
    for (int i = 17; i < 48; ++i) {
        v[i] = -x[48 - i];
    }
    float sum[32] = {};
    for (int i = 0; i < 8; ++i) {
        const float* even = v + 128 * i;
        const float* odd = v + 128 * i + 96;
        const float* evenWindow = t.window + 64 * i;
        const float* oddWindow = t.window + 64 * i + 32;
        for (int j = 0; j < 32; ++j) {
            sum[j] += even[j] * evenWindow[j] + odd[j] * oddWindow[j];
        }
    }
    for (int j = 0; j < 32; ++j) {
        out[j * channels] = ToSample(sum[j]);
    }
}
