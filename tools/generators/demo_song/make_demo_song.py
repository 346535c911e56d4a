#!/usr/bin/env python3
"""Writes data/demo.mid, the song the project ships: 24 bars in C major at 112 bpm for
flute melody, electric piano, fingered bass, strings and a GM drum kit (format 1, 480 ppq)."""
import struct
import sys

PPQ = 480
BAR = 4 * PPQ


def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, (value & 0x7F) | 0x80)
        value >>= 7
    return bytes(out)


def track(events):
    """events: (tick, order, bytes); sorted and written with delta times."""
    data = b""
    now = 0
    for tick, _, raw in sorted(events, key=lambda e: (e[0], e[1])):
        data += vlq(tick - now) + raw
        now = tick
    data += vlq(0) + b"\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(data)) + data


def meta(kind, payload):
    return bytes([0xFF, kind]) + vlq(len(payload)) + payload


def note(events, channel, start, length, key, velocity):
    events.append((start, 1, bytes([0x90 | channel, key, velocity])))
    events.append((start + length, 0, bytes([0x80 | channel, key, 0])))


def setup(channel, program, volume, pan, reverb=40):
    return [
        (0, 0, bytes([0xB0 | channel, 0, 0])),
        (0, 0, bytes([0xC0 | channel, program])),
        (0, 0, bytes([0xB0 | channel, 7, volume])),
        (0, 0, bytes([0xB0 | channel, 10, pan])),
        (0, 0, bytes([0xB0 | channel, 91, reverb])),
    ]


# C, Am, F, G, with the second half moving to Dm, Em, F, G.
CHORDS = [(60, 64, 67), (57, 60, 64), (53, 57, 60), (55, 59, 62),
          (62, 65, 69), (64, 67, 71), (53, 57, 60), (55, 59, 62)]
MELODY = [
    [(0, 72, 1.5), (1.5, 74, 0.5), (2, 76, 1), (3, 79, 1)],
    [(0, 76, 2), (2, 72, 1), (3, 69, 1)],
    [(0, 69, 1), (1, 72, 1), (2, 77, 1.5), (3.5, 76, 0.5)],
    [(0, 74, 3), (3, 71, 1)],
    [(0, 74, 1.5), (1.5, 77, 0.5), (2, 81, 1), (3, 77, 1)],
    [(0, 79, 2), (2, 76, 1), (3, 71, 1)],
    [(0, 72, 1), (1, 74, 1), (2, 76, 1), (3, 77, 1)],
    [(0, 79, 2.5), (2.5, 77, 0.5), (3, 74, 1)],
]


def main(path):
    conductor = [
        (0, 0, meta(0x03, b"quorva demo")),
        (0, 0, meta(0x02, b"(c) the quorva project, free to share")),
        (0, 0, meta(0x51, (60000000 // 112).to_bytes(3, "big"))),
        (0, 0, meta(0x58, bytes([4, 2, 24, 8]))),
    ]
    flute, piano, bass, strings, drums = (setup(3, 73, 96, 80, 60), setup(0, 4, 90, 48),
                                          setup(1, 33, 104, 64, 20), setup(2, 48, 70, 72, 80), setup(9, 0, 110, 64))
    bars = 24
    for bar in range(bars):
        start = bar * BAR
        chord = CHORDS[bar % 8]
        section = bar // 8
        # Strings hold the chord; the piano plays it on every beat with a lighter off-beat.
        for key in chord:
            note(strings, 2, start, BAR - 20, key, 64)
        for beat in range(4):
            for key in chord:
                note(piano, 0, start + beat * PPQ, PPQ // 2, key, 78 if beat % 2 == 0 else 62)
        root = chord[0] - 24
        for beat, offset in enumerate((0, 0, 7, 12)):
            note(bass, 1, start + beat * PPQ, PPQ - 60, root + offset, 100 if beat == 0 else 84)
        if section >= 1:
            for step, key, length in MELODY[bar % 8]:
                note(flute, 3, start + int(step * PPQ), int(length * PPQ) - 30, key, 92)
            # A pitch-bend slide into the last note of every fourth bar.
            if bar % 4 == 3:
                flute.append((start + 3 * PPQ, 2, bytes([0xE3, 0x00, 0x30])))
                flute.append((start + 3 * PPQ + 120, 2, bytes([0xE3, 0x00, 0x40])))
        for eighth in range(8):
            tick = start + eighth * PPQ // 2
            note(drums, 9, tick, 60, 42, 70 if eighth % 2 else 90)  # closed hi-hat
            if eighth in (0, 5):
                note(drums, 9, tick, 60, 36, 110)  # kick
            if eighth in (2, 6):
                note(drums, 9, tick, 60, 38, 100)  # snare
        if bar % 8 == 7:
            note(drums, 9, start + 3 * PPQ, 60, 46, 90)  # open hi-hat, cut by the next closed one
            note(drums, 9, start + 7 * PPQ // 2, 60, 49, 110)  # crash into the next section
    end = bars * BAR
    note(strings, 2, end, BAR * 2, 48, 70)
    note(strings, 2, end, BAR * 2, 60, 70)
    note(piano, 0, end, BAR * 2, 60, 80)
    note(bass, 1, end, BAR * 2, 36, 100)
    note(drums, 9, end, 60, 49, 110)
    note(drums, 9, end, 60, 36, 110)
    tracks = [conductor, flute, piano, bass, strings, drums]
    data = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), PPQ) + b"".join(track(t) for t in tracks)
    with open(path, "wb") as out:
        out.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "data/demo.mid")
