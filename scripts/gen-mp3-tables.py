#!/usr/bin/env python3
"""Writes src/audio/files/Mp3Tables.cpp from the plain-data Layer III tables.

Usage: scripts/gen-mp3-tables.py DATA_DIR > src/audio/files/Mp3Tables.cpp

DATA_DIR holds the text tables (one row a line, '#' comments) transcribed from ISO/IEC 11172-3
and 13818-3: bitrates, sampling rates, scalefactor bands, pretab, alias coefficients, synthesis
window, scalefactor lengths and partitions, and the Huffman code words. The output is checked
in, so the build never needs DATA_DIR. The script checks every Huffman code book (complete,
prefix-free) before turning it into lookup tables.
"""

import sys
from fractions import Fraction
from pathlib import Path

# Bits looked at by the first lookup of a big_values code word, and by each further level.
ROOT_BITS = 8
SUB_BITS = 5


def rows(data_dir, name):
    for line in (data_dir / name).read_text().splitlines():
        if line and not line.startswith('#'):
            yield line.split()


def c_list(values, per_line=12, indent='    '):
    values = [str(v) for v in values]
    lines = []
    for i in range(0, len(values), per_line):
        lines.append(indent + ', '.join(values[i:i + per_line]) + ',')
    return '\n'.join(lines)


def check_code_book(name, codes):
    """codes: list of (bit string, value). Complete and prefix-free, or the script stops."""
    strings = sorted(code for code, _ in codes)
    for a, b in zip(strings, strings[1:]):
        if b.startswith(a):
            sys.exit(f'code book {name}: {a} is a prefix of {b}')
    if sum(Fraction(1, 2 ** len(code)) for code in strings) != 1:
        sys.exit(f'code book {name} is not complete')


def build_lookup(codes, leaf):
    """Multi-level lookup tables for a prefix code.

    Returns a flat list of 16-bit entries; the first level has 2**root entries at offset 0.
    A leaf entry is leaf(value, bits used at that level) (bit 15 clear); a link entry is
    0x8000 | (level bits << 11) | offset of the next level within the list.
    """
    table = []

    def fill(group, depth, bits):
        start = len(table)
        table.extend([None] * (1 << bits))
        pending = {}
        for code, value in group:
            rest = code[depth:]
            if len(rest) <= bits:
                free = bits - len(rest)
                base = int(rest, 2) << free if rest else 0
                for i in range(1 << free):
                    table[start + base + i] = leaf(value, len(rest))
            else:
                pending.setdefault(int(rest[:bits], 2), []).append((code, value))
        for index, sub in sorted(pending.items()):
            longest = max(len(code) for code, _ in sub) - depth - bits
            sub_bits = min(longest, SUB_BITS)
            offset = fill(sub, depth + bits, sub_bits)
            assert sub_bits < 16 and offset < 2048
            table[start + index] = 0x8000 | (sub_bits << 11) | offset
        assert all(entry is not None for entry in table[start:start + (1 << bits)])
        return start

    root = min(max(len(code) for code, _ in codes), ROOT_BITS)
    fill(codes, 0, root)
    return root, table


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    data = Path(sys.argv[1])
    out = []
    emit = out.append

    emit('// Constant tables of Layer III decoding, generated from plain-data transcriptions of the')
    emit('// ISO/IEC 11172-3 and 13818-3 tables (each file naming its source) by')
    emit('//   scripts/gen-mp3-tables.py DATA_DIR > src/audio/files/Mp3Tables.cpp')
    emit('// Do not edit; change the script or the data and generate again.')
    emit('#include "audio/files/Mp3Tables.h"')
    emit('')
    emit('// clang-format off')

    # Bitrates in kbit/s; free format and the forbidden index are 0.
    bitrates = {'mpeg1': [0] * 16, 'lsf': [0] * 16}
    for index, mpeg1, lsf in rows(data, 'bitrates_layer3.txt'):
        i = int(index)
        bitrates['mpeg1'][i] = int(mpeg1) if mpeg1.isdigit() else 0
        bitrates['lsf'][i] = int(lsf) if lsf.isdigit() else 0
    emit('const std::uint16_t kMp3Bitrates[2][16] = {')
    emit('    {' + ', '.join(map(str, bitrates['mpeg1'])) + '},')
    emit('    {' + ', '.join(map(str, bitrates['lsf'])) + '},')
    emit('};')
    emit('')

    # Sampling rates by version index 0 = MPEG-1, 1 = MPEG-2, 2 = MPEG-2.5.
    order = {'MPEG-1': 0, 'MPEG-2': 1, 'MPEG-2.5': 2}
    rates = [None] * 3
    for row in rows(data, 'sampling_rates.txt'):
        if row[1] in order:
            rates[order[row[1]]] = [int(v) for v in row[2:5]]
    emit('const std::uint16_t kMp3SampleRates[3][3] = {')
    for r in rates:
        emit('    {' + ', '.join(map(str, r)) + '},')
    emit('};')
    emit('')

    # Scalefactor bands, indexed by version index * 3 + sampling index.
    rate_index = {rate: v * 3 + i for v, rs in enumerate(rates) for i, rate in enumerate(rs)}
    long_bands = [None] * 9
    for row in rows(data, 'sfb_long.txt'):
        long_bands[rate_index[int(row[0])]] = [int(v) for v in row[2:]]
    short_bands = [None] * 9
    for row in rows(data, 'sfb_short.txt'):
        short_bands[rate_index[int(row[0])]] = [int(v) for v in row[2:]]
    for bands in long_bands:
        assert len(bands) == 23 and bands[0] == 0 and bands[-1] == 576
        assert all(a < b for a, b in zip(bands, bands[1:]))
    for bands in short_bands:
        assert len(bands) == 14 and bands[0] == 0 and bands[-1] == 192
        assert all(a < b for a, b in zip(bands, bands[1:]))
    emit('const std::uint16_t kMp3LongBands[9][23] = {')
    for bands in long_bands:
        emit('    {' + ', '.join(map(str, bands)) + '},')
    emit('};')
    emit('')
    emit('const std::uint8_t kMp3ShortBands[9][14] = {')
    for bands in short_bands:
        emit('    {' + ', '.join(map(str, bands)) + '},')
    emit('};')
    emit('')

    pretab = [0] * 22
    for sfb, value in rows(data, 'pretab.txt'):
        pretab[int(sfb)] = int(value)
    emit('const std::uint8_t kMp3Pretab[22] = {' + ', '.join(map(str, pretab)) + '};')
    emit('')

    cs, ca = [], []
    for _, _, s, a in rows(data, 'alias_reduction.txt'):
        cs.append(s + 'f')
        ca.append(a + 'f')
    emit('const float kMp3AliasCs[8] = {')
    emit(c_list(cs, 4))
    emit('};')
    emit('const float kMp3AliasCa[8] = {')
    emit(c_list(ca, 4))
    emit('};')
    emit('')

    window = [0] * 512
    for i, _, k in rows(data, 'synthesis_window.txt'):
        window[int(i)] = int(k)
    emit('const std::int32_t kMp3SynthesisWindow[512] = {')
    emit(c_list(window, 12))
    emit('};')
    emit('')

    slen = [None] * 16
    for sfc, s1, s2 in rows(data, 'mpeg1_slen.txt'):
        slen[int(sfc)] = (int(s1), int(s2))
    emit('const std::uint8_t kMp3Mpeg1Slen[16][2] = {')
    emit(c_list(['{%d, %d}' % s for s in slen], 8))
    emit('};')
    emit('')

    kinds = {'normal': 0, 'is_right': 1}
    lsf = [[None] * 512 for _ in range(2)]
    for kind, sfc, s1, s2, s3, s4, table, preflag in rows(data, 'lsf_slen.txt'):
        lsf[kinds[kind]][int(sfc)] = '{{%s, %s, %s, %s}, %s, %s}' % (s1, s2, s3, s4, table,
                                                                      preflag)
    emit('const Mp3LsfScalefactorCoding kMp3LsfSlen[2][512] = {')
    for kind in lsf:
        assert None not in kind
        emit('    {')
        emit(c_list(kind, 4, '        '))
        emit('    },')
    emit('};')
    emit('')

    blocks = {'long': 0, 'short': 1, 'mixed': 2}
    partitions = [[None] * 3 for _ in range(6)]
    for table, block, *counts in rows(data, 'lsf_nr_of_sfb.txt'):
        partitions[int(table)][blocks[block]] = counts
    emit('const std::uint8_t kMp3LsfPartitions[6][3][4] = {')
    for table in partitions:
        emit('    {' + ', '.join('{' + ', '.join(c) + '}' for c in table) + '},')
    emit('};')
    emit('')

    # Huffman code books of the big_values tables.
    books = {}
    for book, x, y, length, code in rows(data, 'huffman_pair_codes.txt'):
        assert len(code) == int(length)
        books.setdefault(int(book), []).append((code, (int(x), int(y))))
    lookup = []
    starts = {}
    roots = {}
    for book, codes in sorted(books.items()):
        check_code_book(str(book), codes)
        root, table = build_lookup(codes, lambda v, n: (n << 8) | (v[0] << 4) | v[1])
        starts[book] = len(lookup)
        roots[book] = root
        lookup.extend(table)
    emit('const std::uint16_t kMp3PairLookup[%d] = {' % len(lookup))
    emit(c_list(lookup, 12))
    emit('};')
    emit('')

    emit('const Mp3HuffmanTable kMp3PairTables[32] = {')
    for table, size, _, _, linbits, book, status in rows(data, 'huffman_tables.txt'):
        if status == 'used':
            b = int(book)
            emit('    {%d, %d, %s},  // table %s' % (starts[b], roots[b], linbits, table))
        else:
            emit('    {0, 0, 0},  // table %s: no code words' % table)
    emit('};')
    emit('')

    quads = {'A': [], 'B': []}
    for table, v, w, x, y, length, code in rows(data, 'huffman_quad_codes.txt'):
        assert len(code) == int(length)
        quads[table].append((code, (int(v) << 3) | (int(w) << 2) | (int(x) << 1) | int(y)))
    for name in 'AB':
        check_code_book(name, quads[name])
        root, table = build_lookup(quads[name], lambda v, n: (n << 4) | v)
        # One level each, so a single lookup decodes a quadruple.
        assert root == max(len(c) for c, _ in quads[name]) and len(table) == 1 << root
        emit('const std::uint8_t kMp3QuadLookup%s[%d] = {' % (name, len(table)))
        emit(c_list(table, 16))
        emit('};')
    emit('')

    emit('// clang-format on')
    sys.stdout.write('\n'.join(out) + '\n')


if __name__ == '__main__':
    main()
