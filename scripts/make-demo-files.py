#!/usr/bin/env python3
"""Authors the ten demo MIDI files and writes them as C++ byte arrays (the build includes them).

Usage: make-demo-files.py OUTPUT.inc
All ten are at 3840 ticks per quarter note: the first four in format 1 (2, 3, 4 and 6 tracks), the
other six in format 0. The third and fourth carry the program's own settings text; the others an
older settings form that the reader takes for another program's."""
import sys

DIV = 3840
BAR = 4 * DIV


def vlq(v):
    out = [v & 0x7F]
    v >>= 7
    while v:
        out.append(0x80 | (v & 0x7F))
        v >>= 7
    return bytes(reversed(out))


def meta(delta, kind, data):
    return vlq(delta) + bytes([0xFF, kind]) + vlq(len(data)) + data


def track(text, chan, notes, length, first=False, bpm=120, tsig=(4, 2)):
    """notes: (start, duration, note, velocity) in ticks; the track ends at length."""
    data = meta(0, 0x01, text.encode())
    if first:
        data += meta(0, 0x51, (60000000 // bpm).to_bytes(3, 'big'))
        data += meta(0, 0x58, bytes([tsig[0], tsig[1], 24, 8]))
    data += meta(0, 0x20, bytes([chan]))
    events = []
    for start, dur, note, vel in notes:
        events.append((start, 1, bytes([0x90 | chan, note, vel])))
        events.append((start + dur, 0, bytes([0x80 | chan, note, 0])))
    events.sort(key=lambda e: (e[0], e[1]))
    now = 0
    for t, _, ev in events:
        data += vlq(t - now) + ev
        now = t
    data += meta(length - now, 0x2F, b'')
    return b'MTrk' + len(data).to_bytes(4, 'big') + data


def smf(fmt, tracks):
    return b'MThd' + (6).to_bytes(4, 'big') + fmt.to_bytes(2, 'big') + len(tracks).to_bytes(2, 'big') + \
        DIV.to_bytes(2, 'big') + b''.join(tracks)


def old_text(seq, part):
    return 'Iden=Vellorine,Ver=9.02,Seq=%d,Part=%d,PitchLock=N' % (seq, part)


def own_text(seq, part, first, port=1, tempo=12000, sweeps=''):
    """sweeps: the sweep fields, in their place between "pi" and "td" (",ps=1/1/1/2")."""
    head = 'i=Vellorine,v=10.15,' if first else ''
    tail = ',ht=%d' % tempo if first else ''
    return head + 's=%d,p=%d,pl=N,tr=0,po=%d,pr=-1,sv=5%s,pi=0%s,td=1' % (seq, part, port, tail, sweeps)


def arpeggio(root, shape, bars, step=DIV // 2, dur=DIV // 2 - 240, vel=96):
    notes = []
    t = 0
    i = 0
    while t < bars * BAR:
        notes.append((t, dur, root + shape[i % len(shape)], vel if t % BAR else 120))
        t += step
        i += 1
    return notes


def chords(roots, shape, bars, vel=80):
    notes = []
    for b in range(bars):
        root = roots[b % len(roots)]
        for n in shape:
            notes.append((b * BAR, BAR - 480, root + n, vel))
    return notes


def bass(roots, bars, vel=100):
    notes = []
    for b in range(bars):
        for beat in range(4):
            notes.append((b * BAR + beat * DIV, DIV - 480, roots[b % len(roots)] - 12 + (7 if beat % 2 else 0), vel))
    return notes


def drums(bars, steps=8):
    notes = []
    for b in range(bars):
        for s in range(steps):
            t = b * BAR + s * BAR // steps
            notes.append((t, 240, 42, 90))
            if s % 4 == 0:
                notes.append((t, 240, 36, 120))
            if s % 4 == 2:
                notes.append((t, 240, 38, 110))
    return notes


def demos():
    files = []
    # 1: bass and chords, two tracks.
    files.append(smf(1, [
        track(old_text(1, 1), 0, chords([48, 53, 55, 48], [0, 4, 7], 4), 4 * BAR, first=True, bpm=100),
        track(old_text(2, 1), 1, bass([48, 53, 55, 48], 4), 4 * BAR),
    ]))
    # 2: three tracks with drums on channel 10.
    files.append(smf(1, [
        track(old_text(1, 1), 9, drums(2), 2 * BAR, first=True, bpm=110),
        track(old_text(2, 1), 0, arpeggio(60, [0, 3, 7, 12], 2), 2 * BAR),
        track(old_text(3, 1), 1, bass([45, 43], 2), 2 * BAR),
    ]))
    # 3: four tracks in the program's own form, seqs 1 to 4.
    files.append(smf(1, [
        track(own_text(1, 1, True, tempo=9600), 0, arpeggio(60, [0, 4, 7, 11], 2), 2 * BAR, first=True, bpm=96),
        track(own_text(2, 1, False), 1, chords([48, 57], [0, 4, 7], 2), 2 * BAR),
        track(own_text(3, 1, False), 2, bass([48, 57], 2), 2 * BAR),
        track(own_text(4, 1, False), 9, drums(1), BAR),
    ]))
    # 4: the sweep example: six tracks in the program's own form, both parts of seqs 1 to 3 (a verse
    # and a chorus). A part sweep on each of the three seqs alternates verse and chorus cycle by cycle,
    # and the drums' velocity sweeps up and down between 4 and 8, all within four seqs. Each track
    # carries its seq's part sweep: loading a part resets the seq's.
    part_sweep = ',ps=1/1/1/2'
    files.append(smf(1, [
        track(own_text(1, 1, True, tempo=12550, sweeps=part_sweep), 0, arpeggio(62, [0, 3, 7, 10], 2), 2 * BAR,
              first=True, bpm=125),
        track(own_text(2, 1, False, sweeps=part_sweep), 1, chords([50, 55], [0, 3, 7], 2), 2 * BAR),
        track(own_text(3, 1, False, sweeps=part_sweep + ',vs=2/1/4/8'), 9, drums(2), 2 * BAR),
        track(own_text(1, 2, False, sweeps=part_sweep), 0, arpeggio(65, [0, 4, 7, 12], 2), 2 * BAR),
        track(own_text(2, 2, False, sweeps=part_sweep), 1, chords([53, 48], [0, 4, 7], 2), 2 * BAR),
        track(own_text(3, 2, False, sweeps=part_sweep + ',vs=2/1/4/8'), 9, drums(2, 16), 2 * BAR),
    ]))
    # 5..10: one track each, at the tempos (and, for the last, the metre) their menu items name.
    files.append(smf(0, [track(old_text(1, 1), 0, arpeggio(60, [0, 4, 7, 12, 7, 4], 2, step=DIV // 3,
                                                                dur=DIV // 3 - 120), 2 * BAR, first=True,
                               bpm=94)]))
    files.append(smf(0, [track(old_text(1, 1), 9, drums(2, 16), 2 * BAR, first=True, bpm=112)]))
    files.append(smf(0, [track(old_text(1, 1), 1, bass([40, 43, 45, 38], 4), 4 * BAR, first=True, bpm=144)]))
    files.append(smf(0, [track(old_text(1, 1), 0, chords([60, 65, 67, 60], [0, 4, 7, 11], 4), 4 * BAR,
                               first=True, bpm=120)]))
    files.append(smf(0, [track(old_text(1, 1), 0, arpeggio(57, [0, 3, 7, 3], 1, step=DIV // 4,
                                                                dur=DIV // 4 - 60), BAR, first=True, bpm=140)]))
    files.append(smf(0, [track(old_text(1, 1), 2, arpeggio(48, [0, 7, 12, 16, 19, 24], 1.5, step=DIV // 2,
                                                                dur=DIV * 3 // 8), BAR * 3 // 2, first=True,
                               bpm=90, tsig=(6, 3))]))
    return files


def main():
    files = demos()
    out = ['// Generated by scripts/make-demo-files.py; do not edit.']
    for i, f in enumerate(files):
        out.append('constexpr uint8_t kDemo%d[] = {' % (i + 1))
        for j in range(0, len(f), 16):
            out.append('    ' + ', '.join('0x%02X' % b for b in f[j:j + 16]) + ',')
        out.append('};')
    out.append('constexpr std::span<const uint8_t> kDemoImages[] = {%s};' %
               ', '.join('kDemo%d' % (i + 1) for i in range(len(files))))
    with open(sys.argv[1], 'w') as fh:
        fh.write('\n'.join(out) + '\n')


if __name__ == '__main__':
    main()
