// Layer III hybrid filterbank and polyphase synthesis.
#include "audio/files/Mp3Filterbank.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "audio/files/Mp3Tables.h"

namespace {

// Decoder output 1.0 in internal sample units.
constexpr float kOutputScale = 262144.0f;

// Tables derived once from the standard's formulas, read-only afterwards.
struct FilterbankTables {
    // The 36-point IMDCT is an 18-point DCT-IV y, read out with its symmetries: x[i] = y[i + 9],
    // y[n] = -y[35 - n], y[n + 36] = -y[n]. The DCT-IV is a DCT-II C of the inputs divided by
    // 2 cos((2k + 1) pi / 72), since y[n] = C[n] + C[n + 1]; the DCT-II halves into two 9-point
    // ones (even outputs from folded sums, odd ones from scaled folded differences).
    float imdctPre[18];   // 1 / (2 cos((2k + 1) pi / 72))
    float imdctSplit[9];  // 1 / (2 cos((2n + 1) pi / 36))
    float dct9[9][4];     // cos((2n + 1) k pi / 18) for n = 0..3
    // Windows of the 36 outputs for block types 0 (normal), 1 (start), 2 (unused) and 3 (stop).
    float longWindow[4][36];
    // The 12-point IMDCT likewise is a 6-point DCT-IV y with x[i] = y[i + 3]: its matrix, and
    // the short window.
    float dct4x6[6][6];
    float shortWindow[12];
    // 1 / (2 cos((2n + 1) pi / 2N)) for the DCT-II stages of sizes N = 32, 16, 8, 4, 2, at
    // offset 32 - N.
    float dctTwiddles[31];
    // Synthesis window in output units.
    float window[512];

    FilterbankTables() {
        const double pi = std::numbers::pi;
        for (int k = 0; k < 18; ++k) {
            imdctPre[k] = static_cast<float>(0.5 / std::cos((2 * k + 1) * pi / 72));
        }
        for (int n = 0; n < 9; ++n) {
            imdctSplit[n] = static_cast<float>(0.5 / std::cos((2 * n + 1) * pi / 36));
            for (int j = 0; j < 4; ++j) {
                dct9[n][j] = static_cast<float>(std::cos((2 * j + 1) * n * pi / 18));
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
            for (int n = 0; n < 6; ++n) {
                dct4x6[k][n] = static_cast<float>(std::cos((2 * n + 1) * (2 * k + 1) * pi / 24));
            }
        }
        for (int i = 0; i < 12; ++i) {
            shortWindow[i] = static_cast<float>(std::sin(pi / 12 * (i + 0.5)));
        }
        for (int n = 32; n >= 2; n /= 2) {
            for (int i = 0; i < n / 2; ++i) {
                dctTwiddles[32 - n + i] =
                    static_cast<float>(0.5 / std::cos((2 * i + 1) * pi / (2 * n)));
            }
        }
        for (int i = 0; i < 512; ++i) {
            window[i] = static_cast<float>(kMp3SynthesisWindow[i]) * (kOutputScale / 65536.0f);
        }
    }
};

const FilterbankTables& Tables() {
    static const FilterbankTables tables;
    return tables;
}

// Reverses the low `bits` bits of `value`.
constexpr int ReverseBits(int value, int bits) {
    int reversed = 0;
    for (int i = 0; i < bits; ++i) {
        reversed |= ((value >> i) & 1) << (bits - 1 - i);
    }
    return reversed;
}

template <int N>
constexpr std::array<int, N> ReversedIndices() {
    int bits = 0;
    while ((1 << bits) < N) {
        ++bits;
    }
    std::array<int, N> indices{};
    for (int i = 0; i < N; ++i) {
        indices[i] = ReverseBits(i, bits);
    }
    return indices;
}

// One folding stage of the DCT below on every block of `Size`: sums to the first half,
// differences times the twiddles to the second.
template <int Size>
inline void FoldBlocks(const float* in, float* out, const float* twiddles) {
    constexpr int half = Size / 2;
    for (int base = 0; base < 32; base += Size) {
        for (int n = 0; n < half; ++n) {
            const float low = in[base + n];
            const float high = in[base + Size - 1 - n];
            out[base + n] = low + high;
            out[base + half + n] = (low - high) * twiddles[n];
        }
    }
}

// The odd outputs of every block of 2 * Half: B[k] += B[k + 1] over the second half, whose
// values lie in bit-reversed order.
template <int Half>
inline void PairOddOutputs(float* x) {
    static constexpr std::array<int, Half> order = ReversedIndices<Half>();
    for (int base = Half; base < 32; base += 2 * Half) {
        for (int k = 0; k < Half - 1; ++k) {
            x[base + order[k]] += x[base + order[k + 1]];
        }
    }
}

// 32-point DCT-II, X[k] = sum x[n] cos(pi (2n + 1) k / 64), by even/odd splitting (Lee): the
// even outputs of a block are the half-size DCT of its folded sums, the odd ones adjacent pairs
// B[k] + B[k + 1] of the half-size DCT of its folded differences scaled by the twiddles. The
// folding runs stage by stage over whole arrays and the pairs are added in place, so X[k] ends
// at position ReverseBits(k, 5) of `out` without any interleaving of the data.
inline void Dct32(const float* in, float* out, const FilterbankTables& t) {
    float a[32], b[32];
    FoldBlocks<32>(in, a, t.dctTwiddles);
    FoldBlocks<16>(a, b, t.dctTwiddles + 16);
    FoldBlocks<8>(b, a, t.dctTwiddles + 24);
    FoldBlocks<4>(a, b, t.dctTwiddles + 28);
    FoldBlocks<2>(b, out, t.dctTwiddles + 30);
    PairOddOutputs<2>(out);
    PairOddOutputs<4>(out);
    PairOddOutputs<8>(out);
    PairOddOutputs<16>(out);
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

// 9-point DCT-II, X[k] = sum x[n] cos((2n + 1) k pi / 18), folding x[n] with x[8 - n]: the
// even outputs need the sums, the odd ones the differences, and x[4] only the even ones.
inline void Dct9(const float* in, float* out, const FilterbankTables& t) {
    float sums[4], differences[4];
    for (int n = 0; n < 4; ++n) {
        sums[n] = in[n] + in[8 - n];
        differences[n] = in[n] - in[8 - n];
    }
    for (int k = 0; k < 9; k += 2) {
        const float* c = t.dct9[k];
        const float middle = (k & 2) ? -in[4] : in[4];  // cos(k pi / 2)
        out[k] = sums[0] * c[0] + sums[1] * c[1] + sums[2] * c[2] + sums[3] * c[3] + middle;
    }
    for (int k = 1; k < 9; k += 2) {
        const float* c = t.dct9[k];
        out[k] = differences[0] * c[0] + differences[1] * c[1] + differences[2] * c[2] +
                 differences[3] * c[3];
    }
}

// 36-point IMDCT of one subband, windowed; returns the first half added to the overlap and
// keeps the second half as the next overlap.
void ImdctLong(const float* in, const float* window, float* overlap, float* out) {
    const FilterbankTables& t = Tables();
    float sums[9], differences[9];
    for (int n = 0; n < 9; ++n) {
        const float a = in[n] * t.imdctPre[n];
        const float b = in[17 - n] * t.imdctPre[17 - n];
        sums[n] = a + b;
        differences[n] = (a - b) * t.imdctSplit[n];
    }
    float even[9], odd[9];
    Dct9(sums, even, t);
    Dct9(differences, odd, t);
    // The DCT-II C interleaves even[k] and odd[k] + odd[k + 1]; y[n] = C[n] + C[n + 1].
    float y[18];
    for (int k = 0; k < 8; ++k) {
        const float pair = odd[k] + odd[k + 1];
        y[2 * k] = even[k] + pair;
        y[2 * k + 1] = pair + even[k + 1];
    }
    y[16] = even[8] + odd[8];
    y[17] = odd[8];
    for (int m = 0; m < 9; ++m) {
        out[m] = overlap[m] + y[9 + m] * window[m];
        out[9 + m] = overlap[9 + m] - y[17 - m] * window[9 + m];
        overlap[m] = -y[8 - m] * window[18 + m];
        overlap[9 + m] = -y[m] * window[27 + m];
    }
}

// 12-point IMDCT of one short window, windowed.
void ImdctTwelve(const float* in, float* x, const FilterbankTables& t) {
    float y[6] = {};
    for (int k = 0; k < 6; ++k) {
        const float v = in[3 * k];
        for (int n = 0; n < 6; ++n) {
            y[n] += v * t.dct4x6[k][n];
        }
    }
    for (int i = 0; i < 3; ++i) {
        x[i] = y[3 + i] * t.shortWindow[i];
        x[9 + i] = -y[i] * t.shortWindow[9 + i];
    }
    for (int i = 0; i < 6; ++i) {
        x[3 + i] = -y[5 - i] * t.shortWindow[3 + i];
    }
}

// Three 12-point IMDCTs of the interleaved short windows, overlapped at offsets 6, 12 and 18.
void ImdctShort(const float* in, float* overlap, float* out) {
    const FilterbankTables& t = Tables();
    float y[3][12];
    for (int w = 0; w < 3; ++w) {
        ImdctTwelve(in + w, y[w], t);
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
            ImdctLong(lines + 18 * sb, t.longWindow[mixed && sb < 2 ? 0 : blockType], history,
                      samples);
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
    Dct32(subbands, x, t);
    static constexpr std::array<int, 32> position = ReversedIndices<32>();
    float* v = buffer + offset;
    for (int i = 0; i < 16; ++i) {
        v[i] = x[position[16 + i]];
        v[48 + i] = -x[position[i]];
    }
    v[16] = 0.0f;
    for (int i = 17; i < 48; ++i) {
        v[i] = -x[position[48 - i]];
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
