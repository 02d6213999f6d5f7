// Layer III frame decoder: side information, bit reservoir, scalefactors, Huffman decoding,
// requantisation and joint stereo; the filterbank does the rest.
#include "audio/files/Mp3FrameDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "audio/files/Mp3Tables.h"

namespace {

// Largest quantised magnitude: 15 plus 13 linbits.
constexpr int kMaxMagnitude = 15 + 8191;
// Requantisation gains 2^(q / 4) for q = -kGainBias .. kGainBias + 63.
constexpr int kGainBias = 512;
constexpr int kLongWindow = 3;
// Scalefactor bands of a long block (the top one has no scalefactor of its own) and of one
// window of a short block.
constexpr int kLongBands = 22;
constexpr int kShortBands = 13;

// Where the values of one granule go, for one sampling rate and block kind. Values arrive band
// by band (and, in short bands, window by window): an "entry" is one band of one window.
struct BandLayout {
    int count = 0;
    std::uint16_t start[kMp3MaxBandEntries] = {};  // first line of the entry in frequency order
    std::uint8_t width[kMp3MaxBandEntries] = {};   // values in the entry
    // 1 in long bands, 3 in short ones (windows interleave).
    std::uint8_t stride[kMp3MaxBandEntries] = {};
    std::uint8_t window[kMp3MaxBandEntries] = {};  // short window 0..2, or kLongWindow
    std::uint8_t pretab[kMp3MaxBandEntries] = {};
    // The entry whose scalefactor is the intensity position: itself, or for the top band, which
    // has no scalefactor, the band below it in the same window.
    std::uint8_t intensitySource[kMp3MaxBandEntries] = {};
    // Frequency-order line of the n-th decoded value.
    std::uint16_t place[kMp3GranuleLines] = {};
    // 1 + the highest line among the first n + 1 values.
    std::uint16_t extent[kMp3GranuleLines] = {};

    void Add(int firstLine, int values, int step, int windowIndex, int pretabValue, int source) {
        start[count] = static_cast<std::uint16_t>(firstLine);
        width[count] = static_cast<std::uint8_t>(values);
        stride[count] = static_cast<std::uint8_t>(step);
        window[count] = static_cast<std::uint8_t>(windowIndex);
        pretab[count] = static_cast<std::uint8_t>(pretabValue);
        intensitySource[count] = static_cast<std::uint8_t>(source);
        ++count;
    }
    // Short bands from `fromLine` (per window) up: the windows interleave within each band.
    void AddShort(const std::uint8_t* bands, int fromLine) {
        int low = fromLine;
        for (int b = 0; b < kShortBands; ++b) {
            const int high = bands[b + 1];
            if (high <= low) {
                continue;
            }
            for (int w = 0; w < 3; ++w) {
                const int source = b == kShortBands - 1 ? count - 3 : count;
                Add(3 * low + w, high - low, 3, w, 0, source);
            }
            low = high;
        }
    }
    void Finish() {
        int n = 0;
        int highest = 0;
        for (int e = 0; e < count; ++e) {
            for (int k = 0; k < width[e]; ++k, ++n) {
                place[n] = static_cast<std::uint16_t>(start[e] + k * stride[e]);
                highest = std::max<int>(highest, place[n] + 1);
                extent[n] = static_cast<std::uint16_t>(highest);
            }
        }
    }
};

struct DecoderTables {
    float magnitude[kMaxMagnitude + 1];  // i^(4/3)
    float gain[2 * kGainBias + 64];      // 2^((i - kGainBias) / 4)
    BandLayout layouts[9][3];            // [rate index][long, short, mixed]
    float mpeg1Intensity[7][2];          // left and right factors by intensity position
    float lsfIntensity[2][32][2];        // [intensity_scale][position][left, right]

    DecoderTables() {
        for (int i = 0; i <= kMaxMagnitude; ++i) {
            magnitude[i] = static_cast<float>(std::pow(i, 4.0 / 3.0));
        }
        for (int i = 0; i < 2 * kGainBias + 64; ++i) {
            gain[i] = static_cast<float>(std::exp2((i - kGainBias) / 4.0));
        }
        for (int r = 0; r < 9; ++r) {
            BuildLayouts(r);
        }
        for (int p = 0; p < 7; ++p) {
            const double angle = p * std::numbers::pi / 12;
            const double s = std::sin(angle);
            const double c = std::cos(angle);
            mpeg1Intensity[p][0] = static_cast<float>(s / (s + c));
            mpeg1Intensity[p][1] = static_cast<float>(c / (s + c));
        }
        for (int scale = 0; scale < 2; ++scale) {
            for (int p = 0; p < 32; ++p) {
                const double ratio = std::exp2(-(scale + 1) / 4.0 * ((p + 1) / 2));
                lsfIntensity[scale][p][0] = static_cast<float>(p & 1 ? ratio : 1.0);
                lsfIntensity[scale][p][1] = static_cast<float>(p & 1 ? 1.0 : ratio);
            }
        }
    }

    void BuildLayouts(int rate) {
        const std::uint16_t* longBands = kMp3LongBands[rate];
        const std::uint8_t* shortBands = kMp3ShortBands[rate];
        BandLayout& longLayout = layouts[rate][0];
        for (int b = 0; b < kLongBands; ++b) {
            longLayout.Add(longBands[b], longBands[b + 1] - longBands[b], 1, kLongWindow,
                           kMp3Pretab[b], b == kLongBands - 1 ? kLongBands - 2 : b);
        }
        longLayout.Finish();
        layouts[rate][1].AddShort(shortBands, 0);
        layouts[rate][1].Finish();
        // Mixed blocks: long bands over the two lowest subbands (36 lines), short bands above.
        BandLayout& mixed = layouts[rate][2];
        for (int b = 0; longBands[b + 1] <= 36; ++b) {
            mixed.Add(longBands[b], longBands[b + 1] - longBands[b], 1, kLongWindow, kMp3Pretab[b],
                      b);
        }
        mixed.AddShort(shortBands, 12);
        mixed.Finish();
    }
};

const DecoderTables& Tables() {
    static const DecoderTables tables;
    return tables;
}

}  // namespace

void Mp3FrameDecoder::Reset() {
    filterbank.Reset();
    reservoirFill = 0;
}

void Mp3FrameDecoder::ReadSideInfo(const Mp3Header& header, const std::uint8_t* bytes,
                                   SideInfo& side) {
    Mp3BitReader bits(bytes, 0);
    const bool mpeg1 = header.version == 0;
    const int channels = header.Channels();
    const int rate = header.RateIndex();
    side.mainDataBegin = static_cast<int>(bits.Read(mpeg1 ? 9 : 8));
    bits.Skip(mpeg1 ? (channels == 1 ? 5 : 3) : (channels == 1 ? 1 : 2));
    side.scfsi[0] = side.scfsi[1] = 0;
    if (mpeg1) {
        for (int ch = 0; ch < channels; ++ch) {
            side.scfsi[ch] = static_cast<int>(bits.Read(4));
        }
    }
    for (int gr = 0; gr < header.Granules(); ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            Granule& g = side.granules[gr][ch];
            g.part23Length = static_cast<int>(bits.Read(12));
            // big_values counts pairs of lines.
            g.bigValues = std::min(static_cast<int>(bits.Read(9)), kMp3GranuleLines / 2);
            g.globalGain = static_cast<int>(bits.Read(8));
            g.scalefacCompress = static_cast<int>(bits.Read(mpeg1 ? 4 : 9));
            if (bits.Read(1)) {
                g.blockType = static_cast<int>(bits.Read(2));
                // Mixed: the two lowest subbands are long blocks with the normal window, in
                // start and stop blocks as well as in short ones.
                g.mixed = bits.Read(1) != 0;
                g.tableSelect[0] = static_cast<int>(bits.Read(5));
                g.tableSelect[1] = static_cast<int>(bits.Read(5));
                g.tableSelect[2] = 0;
                for (int w = 0; w < 3; ++w) {
                    g.subblockGain[w] = static_cast<int>(bits.Read(3));
                }
                // The first region ends after nine short bands (three of each window), at the
                // two long subbands of a mixed block, or after eight long bands.
                if (g.blockType == 2 && !g.mixed) {
                    g.region1Start = 3 * kMp3ShortBands[rate][3];
                } else if (g.blockType == 2) {
                    g.region1Start = 36;
                } else {
                    g.region1Start = kMp3LongBands[rate][8];
                }
                g.region2Start = kMp3GranuleLines;
            } else {
                g.blockType = 0;
                g.mixed = false;
                for (int r = 0; r < 3; ++r) {
                    g.tableSelect[r] = static_cast<int>(bits.Read(5));
                }
                g.subblockGain[0] = g.subblockGain[1] = g.subblockGain[2] = 0;
                const int region0Count = static_cast<int>(bits.Read(4));
                const int region1Count = static_cast<int>(bits.Read(3));
                g.region1Start = kMp3LongBands[rate][std::min(region0Count + 1, kLongBands)];
                g.region2Start =
                    kMp3LongBands[rate][std::min(region0Count + region1Count + 2, kLongBands)];
            }
            g.preflag = mpeg1 ? static_cast<int>(bits.Read(1)) : 0;
            g.scalefacScale = static_cast<int>(bits.Read(1));
            g.count1Table = static_cast<int>(bits.Read(1));
        }
    }
}

bool Mp3FrameDecoder::FillReservoir(int mainDataBegin, const std::uint8_t* data, int size) {
    size = std::clamp(size, 0, kMp3MaxFrameBytes);
    const bool satisfied = mainDataBegin <= reservoirFill;
    // No later frame can reach back further than 511 bytes.
    const int keep = satisfied ? mainDataBegin : std::min(reservoirFill, 511);
    std::memmove(reservoir, reservoir + reservoirFill - keep, keep);
    std::memcpy(reservoir + keep, data, size);
    reservoirFill = keep + size;
    std::memset(reservoir + reservoirFill, 0, kMp3BitPadding);
    return satisfied;
}

bool Mp3FrameDecoder::Decode(const Mp3Header& header, const std::uint8_t* body, int bodySize,
                             std::int32_t* out) {
    const int sideBytes = header.SideInfoBytes();
    if (bodySize < sideBytes) {
        return false;
    }
    std::uint8_t sideCopy[32 + 8] = {};
    std::memcpy(sideCopy, body, sideBytes);
    SideInfo side;
    ReadSideInfo(header, sideCopy, side);
    if (!FillReservoir(side.mainDataBegin, body + sideBytes, bodySize - sideBytes)) {
        return false;
    }
    const int channels = header.Channels();
    const int totalBits = reservoirFill * 8;
    int bit = 0;
    for (int gr = 0; gr < header.Granules(); ++gr) {
        int usedLines[2] = {0, 0};
        for (int ch = 0; ch < channels; ++ch) {
            Granule& g = side.granules[gr][ch];
            // Each granule's bits follow the previous one's, whatever the scalefactors and
            // Huffman data of that one actually used.
            const int start = std::min(bit, totalBits);
            bit += g.part23Length;
            const int end = std::min(bit, totalBits);
            Mp3BitReader bits(reservoir, start);
            ReadScalefactors(header, g, gr, ch, side.scfsi[ch], bits);
            usedLines[ch] = DecodeLines(header, g, ch, bits, end);
        }
        if (header.mode == 1) {
            JointStereo(header, side.granules[gr][1], usedLines);
        }
        for (int ch = 0; ch < channels; ++ch) {
            const Granule& g = side.granules[gr][ch];
            filterbank.Hybrid(ch, lines[ch], g.blockType, g.mixed, usedLines[ch]);
        }
        filterbank.Synthesize(channels, out + gr * kMp3GranuleLines * channels);
    }
    return true;
}

void Mp3FrameDecoder::ReadScalefactors(const Mp3Header& header, Granule& g, int granule,
                                       int channel, int scfsi, Mp3BitReader& bits) {
    std::uint8_t* scf = scalefactors[channel];
    if (header.version == 0) {
        const int slen1 = kMp3Mpeg1Slen[g.scalefacCompress][0];
        const int slen2 = kMp3Mpeg1Slen[g.scalefacCompress][1];
        if (g.blockType == 2) {
            const int first = g.mixed ? 17 : 18;
            for (int i = 0; i < first; ++i) {
                scf[i] = static_cast<std::uint8_t>(bits.Read(slen1));
            }
            for (int i = first; i < first + 18; ++i) {
                scf[i] = static_cast<std::uint8_t>(bits.Read(slen2));
            }
            std::fill(scf + first + 18, scf + kMp3MaxBandEntries, 0);
        } else {
            // Four groups of bands; in the second granule scfsi reuses a group of the first.
            static constexpr int kGroups[5] = {0, 6, 11, 16, 21};
            for (int group = 0; group < 4; ++group) {
                if (granule == 1 && (scfsi >> (3 - group)) & 1) {
                    continue;
                }
                const int slen = group < 2 ? slen1 : slen2;
                for (int i = kGroups[group]; i < kGroups[group + 1]; ++i) {
                    scf[i] = static_cast<std::uint8_t>(bits.Read(slen));
                }
            }
            std::fill(scf + kLongBands - 1, scf + kMp3MaxBandEntries, 0);
        }
        return;
    }
    const bool intensityRight = channel == 1 && header.mode == 1 && (header.modeExtension & 1);
    const Mp3LsfScalefactorCoding& coding = kMp3LsfSlen[intensityRight][g.scalefacCompress];
    const int kind = g.blockType == 2 ? (g.mixed ? 2 : 1) : 0;
    const std::uint8_t* counts = kMp3LsfPartitions[coding.table][kind];
    int i = 0;
    for (int p = 0; p < 4; ++p) {
        const int slen = coding.slen[p];
        for (int c = 0; c < counts[p]; ++c, ++i) {
            scf[i] = static_cast<std::uint8_t>(bits.Read(slen));
            scalefactorLimits[i] = static_cast<std::uint8_t>((1 << slen) - 1);
        }
    }
    std::fill(scf + i, scf + kMp3MaxBandEntries, 0);
    std::fill(scalefactorLimits + i, scalefactorLimits + kMp3MaxBandEntries, 0);
    g.preflag = coding.preflag;
}

int Mp3FrameDecoder::DecodeLines(const Mp3Header& header, const Granule& g, int channel,
                                 Mp3BitReader& bits, int endBit) {
    const DecoderTables& t = Tables();
    const int kind = g.blockType == 2 ? (g.mixed ? 2 : 1) : 0;
    const BandLayout& layout = t.layouts[header.RateIndex()][kind];
    const std::uint8_t* scf = scalefactors[channel];
    float* out = lines[channel];
    std::fill(out, out + kMp3GranuleLines, 0.0f);

    float scales[kMp3MaxBandEntries];
    const int shift = g.scalefacScale ? 4 : 2;  // quarter powers of two per scalefactor step
    for (int e = 0; e < layout.count; ++e) {
        const int w = layout.window[e];
        int q = g.globalGain - 210;
        if (w == kLongWindow) {
            q -= shift * (scf[e] + (g.preflag ? layout.pretab[e] : 0));
        } else {
            q -= 8 * g.subblockGain[w] + shift * scf[e];
        }
        scales[e] = t.gain[std::clamp(q, -kGainBias, 63) + kGainBias];
    }

    // A local copy of the reader stays in registers through the loops.
    Mp3BitReader br = bits;
    int n = 0;
    int entry = 0;
    int entryEnd = layout.width[0];
    const int bigEnd = 2 * g.bigValues;
    const int regionEnd[3] = {std::min(g.region1Start, bigEnd), std::min(g.region2Start, bigEnd),
                              bigEnd};
    for (int r = 0; r < 3; ++r) {
        const Mp3HuffmanTable& table = kMp3PairTables[g.tableSelect[r]];
        if (table.rootBits == 0) {
            // Table 0 codes zeros without bits (tables 4 and 14 have no codes and are taken
            // the same way).
            n = std::max(n, regionEnd[r]);
            continue;
        }
        const std::uint16_t* lookup = kMp3PairLookup + table.start;
        const int linbits = table.linbits;
        while (n < regionEnd[r]) {
            if (br.Position() >= endBit) {
                bits = br;
                return n ? layout.extent[n - 1] : 0;
            }
            const std::uint32_t peek = br.Peek();
            int used = 0;
            int levelBits = table.rootBits;
            unsigned code = lookup[peek >> (32 - levelBits)];
            while (code & 0x8000) {
                used += levelBits;
                levelBits = (code >> 11) & 15;
                code = lookup[(code & 0x7FF) + ((peek << used) >> (32 - levelBits))];
            }
            used += (code >> 8) & 15;
            int x = (code >> 4) & 15;
            int y = code & 15;
            while (n >= entryEnd) {
                entryEnd += layout.width[++entry];
            }
            const float scale = scales[entry];
            float vx;
            float vy;
            if (linbits == 0 || (x < 15 && y < 15)) {
                // Code word (at most 19 bits) and both signs are in the bits already peeked.
                vx = t.magnitude[x] * scale;
                if (x) {
                    vx = (peek << used) & 0x80000000u ? -vx : vx;
                    ++used;
                }
                vy = t.magnitude[y] * scale;
                if (y) {
                    vy = (peek << used) & 0x80000000u ? -vy : vy;
                    ++used;
                }
                br.Skip(used);
            } else {
                br.Skip(used);
                if (x == 15) {
                    x += static_cast<int>(br.Read(linbits));
                }
                vx = t.magnitude[x] * scale;
                if (x && br.Read(1)) {
                    vx = -vx;
                }
                if (y == 15) {
                    y += static_cast<int>(br.Read(linbits));
                }
                vy = t.magnitude[y] * scale;
                if (y && br.Read(1)) {
                    vy = -vy;
                }
            }
            out[layout.place[n]] = vx;
            out[layout.place[n + 1]] = vy;
            n += 2;
        }
    }

    // Count1 region: quadruples of magnitudes 0 or 1 up to the end of the granule's bits.
    const std::uint8_t* quads = g.count1Table ? kMp3QuadLookupB : kMp3QuadLookupA;
    const int quadBits = g.count1Table ? 4 : 6;
    while (n < kMp3GranuleLines && br.Position() < endBit) {
        // Code word (at most 6 bits) and its signs are in one peek.
        const std::uint32_t peek = br.Peek();
        const unsigned code = quads[peek >> (32 - quadBits)];
        int used = static_cast<int>(code >> 4);
        // Without branches (signs are random): each non-zero value takes the next sign bit.
        const std::uint32_t signs = peek << used;
        float values[4];
        for (int i = 0; i < 4; ++i) {
            const int nonzero = (code >> (3 - i)) & 1;
            const int negative = static_cast<int>(signs >> (31 - (used - (code >> 4)))) & nonzero;
            values[i] = static_cast<float>(nonzero - 2 * negative);
            used += nonzero;
        }
        // A quadruple that runs past the granule's bits is not part of it.
        if (br.Position() + used > endBit) {
            break;
        }
        br.Skip(used);
        while (n >= entryEnd) {
            entryEnd += layout.width[++entry];
        }
        if (n + 4 <= entryEnd) {
            const float scale = scales[entry];
            for (int i = 0; i < 4; ++i) {
                out[layout.place[n + i]] = values[i] * scale;
            }
            n += 4;
            continue;
        }
        for (int i = 0; i < 4 && n < kMp3GranuleLines; ++i, ++n) {
            while (n >= entryEnd) {
                entryEnd += layout.width[++entry];
            }
            out[layout.place[n]] = values[i] * scales[entry];
        }
    }
    bits = br;
    return n ? layout.extent[n - 1] : 0;
}

void Mp3FrameDecoder::JointStereo(const Mp3Header& header, const Granule& right, int usedLines[2]) {
    const DecoderTables& t = Tables();
    const bool midSide = header.modeExtension & 2;
    const bool intensity = header.modeExtension & 1;
    const int used = std::max(usedLines[0], usedLines[1]);
    usedLines[0] = usedLines[1] = used;
    const float invSqrt2 = static_cast<float>(1.0 / std::numbers::sqrt2);
    float* left = lines[0];
    float* side = lines[1];
    auto midSideLines = [&](int first, int count, int stride) {
        for (int k = 0, i = first; k < count; ++k, i += stride) {
            const float m = left[i];
            const float s = side[i];
            left[i] = (m + s) * invSqrt2;
            side[i] = (m - s) * invSqrt2;
        }
    };
    if (!intensity) {
        if (midSide) {
            midSideLines(0, used, 1);
        }
        return;
    }
    // Intensity stereo covers, per window, the bands above the right channel's highest
    // non-zero band; in a mixed block the long bands only when no short band has data.
    const int kind = right.blockType == 2 ? (right.mixed ? 2 : 1) : 0;
    const BandLayout& layout = t.layouts[header.RateIndex()][kind];
    int lastNonzero[4] = {-1, -1, -1, -1};
    for (int e = 0; e < layout.count; ++e) {
        for (int k = 0, i = layout.start[e]; k < layout.width[e]; ++k, i += layout.stride[e]) {
            if (side[i] != 0.0f) {
                lastNonzero[layout.window[e]] = e;
                break;
            }
        }
    }
    const bool shortData = std::max({lastNonzero[0], lastNonzero[1], lastNonzero[2]}) >= 0;
    const bool mpeg1 = header.version == 0;
    const int intensityScale = right.scalefacCompress & 1;
    for (int e = 0; e < layout.count; ++e) {
        const int w = layout.window[e];
        const int first = layout.start[e];
        const int count = layout.width[e];
        const int stride = layout.stride[e];
        if (e > lastNonzero[w] && !(w == kLongWindow && shortData)) {
            // The top band takes the position of the band below only when that band is an
            // intensity band too: otherwise its scalefactor is an ordinary one. Without a
            // position the top band is not intensity coded in MPEG-1, and has position 0 at the
            // lower sampling frequencies.
            const int source = layout.intensitySource[e];
            const bool hasPosition = source > lastNonzero[w];
            const int position = hasPosition ? scalefactors[1][source] : 0;
            const float* factors = nullptr;
            if (mpeg1 && hasPosition && position < 7) {
                factors = t.mpeg1Intensity[position];
            } else if (!mpeg1 && !(hasPosition && position == scalefactorLimits[source])) {
                factors = t.lsfIntensity[intensityScale][position & 31];
            }
            if (factors) {
                for (int k = 0, i = first; k < count; ++k, i += stride) {
                    const float v = left[i];
                    left[i] = v * factors[0];
                    side[i] = v * factors[1];
                }
                continue;
            }
        }
        if (midSide) {
            midSideLines(first, count, stride);
        }
    }
}
