#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into OUT/<target>/: songs (the shipped demo
and small songs that reach every event kind, meter, tempo and refusal of the loader), tone
files (the shipped bank, its tones one by one and the format's edge cases), settings records,
--events-in logs, control-socket requests and --screen input scripts.

usage: fuzz_seeds.py OUT
"""
import hashlib
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, (value & 0x7F) | 0x80)
        value >>= 7
    return bytes(out)


def header(fmt=0, tracks=1, division=480, length=6):
    return b"MThd" + struct.pack(">IHHH", length, fmt, tracks, division)


def chunk(data, stated=None, kind=b"MTrk"):
    return kind + struct.pack(">I", len(data) if stated is None else stated) + data


def meta(kind, payload):
    return b"\xff" + bytes([kind]) + vlq(len(payload)) + payload


def sysex(message):
    return message[:1] + vlq(len(message) - 1) + message[1:]


def events(*pairs):
    """(delta, raw bytes) pairs into track data."""
    return b"".join(vlq(delta) + raw for delta, raw in pairs)


END = meta(0x2F, b"")
GM_ON = bytes.fromhex("f07e7f0901f7")
XG_ON = bytes.fromhex("f043104c00007e00f7")
GS_RESET = bytes.fromhex("f04110421240007f0041f7")
GS_RHYTHM_ON_9 = bytes.fromhex("f041104212401015025af7")
GS_RHYTHM_OFF_0 = bytes.fromhex("f041104212401115005af7")


def every_channel_kind():
    return events(
        (0, meta(0x03, b"Seed song")), (0, meta(0x02, b"(c) nobody")), (0, meta(0x01, b"a text")),
        (0, meta(0x51, b"\x07\xa1\x20")), (0, meta(0x58, b"\x03\x02\x18\x08")),
        (0, bytes([0xB0, 0, 8])), (0, bytes([0xB0, 32, 1])), (0, bytes([0xC0, 5])), (0, bytes([0xB0, 7, 100])),
        (0, bytes([0xB0, 10, 20])), (0, bytes([0xB0, 11, 90])), (0, bytes([0xB0, 1, 30])), (0, bytes([0xB0, 91, 40])),
        (0, bytes([0xB0, 93, 50])), (0, bytes([0xB0, 94, 60])), (0, bytes([0xB0, 64, 127])), (0, bytes([0xB0, 65, 64])),
        (0, bytes([0xB0, 66, 64])), (0, bytes([0xB0, 67, 64])), (0, bytes([0xB0, 121, 0])),
        (0, bytes([0x90, 60, 100])), (0, bytes([62, 90])), (0, bytes([64, 80])),  # running status
        (10, bytes([0xA0, 60, 30])), (10, bytes([0xD0, 40])), (10, bytes([0xE0, 0, 80])),
        (100, bytes([0x80, 60, 0])), (0, bytes([0x90, 62, 0])), (0, meta(0x05, b"la")),
        (0, bytes([0x99, 36, 100])), (120, bytes([0x89, 36, 0])), (0, bytes([0x80, 64, 64])),
        (0, bytes([0xB0, 64, 0])), (0, meta(0x7F, b"\x00\x01")), (0, END))


def multi_track():
    conductor = events(
        (0, meta(0x51, b"\x06\x1a\x80")), (0, meta(0x58, b"\x04\x02\x18\x08")), (0, meta(0x03, b"Two tracks")),
        (960, meta(0x58, b"\x06\x03\x18\x08")), (500, meta(0x51, b"\x03\x0d\x40")),
        (1000, meta(0x58, b"\x07\x04\x18\x08")), (0, END))
    drums = events(
        (0, sysex(GS_RESET)), (0, sysex(GS_RHYTHM_ON_9)), (0, sysex(GS_RHYTHM_OFF_0)), (0, sysex(b"\xf7\x01\x02")),
        (0, meta(0x03, b"dropped: not track 0")), (0, meta(0x02, b"notice of track 1")),
        (0, bytes([0x99, 38, 100])), (240, bytes([0x99, 38, 0])), (0, bytes([0x99, 42, 80])),
        (240, bytes([0x89, 42, 0])), (0, END))
    melody = events(
        (0, sysex(XG_ON)), (0, bytes([0xC1, 40])),
        *[(120, bytes([0x91, 60 + (i * 7) % 24, 70])) for i in range(16)],
        (480, bytes([0x81, 60, 0])), (0, END))
    return header(1, 3, 96) + chunk(conductor) + chunk(drums) + chunk(melody)


def songs():
    yield "demo", open(os.path.join(ROOT, "data", "demo.mid"), "rb").read()
    yield "channel-kinds", header() + chunk(every_channel_kind())
    yield "multi-track", multi_track()
    yield "gm-on", header(0, 1, 96) + chunk(events((0, sysex(GM_ON)), (0, bytes([0x90, 60, 1])), (5, bytes([0x80, 60, 0])),
                                                  (0, END)))
    long_sysex = b"\xf0" + bytes(range(0x7F)) * 2 + b"\xf7"
    yield "long-sysex", header() + chunk(events((0, sysex(long_sysex)), (0, END)))
    yield "unexpected-status", header() + chunk(events((0, bytes([0x90, 60, 90])), (0, b"\xf4"), (10, bytes([0x80, 60, 0]))))
    yield "no-running-status", header() + chunk(events((0, bytes([60, 90])), (10, bytes([0x80, 60, 0]))))
    yield "track-past-end", header() + chunk(events((0, bytes([0x90, 60, 90])), (96, bytes([0x80, 60, 0]))), stated=4000)
    yield "vendor-chunk", header(1, 2) + chunk(events((0, bytes([0x90, 64, 90])), (96, bytes([0x80, 64, 0])), (0, END))) + \
        chunk(b"\x00\x01\x02", kind=b"XFIH") + chunk(events((0, bytes([0x90, 65, 90])), (0, END)))
    chord = [(0, bytes([0x90 | (i % 16), i % 128, 100])) for i in range(200)]
    yield "many-notes", header() + chunk(events(*chord, (1920, bytes([0xB0, 123, 0])), (0, END)))
    yield "extreme-tempo", header(0, 1, 0x7FFF) + chunk(events(
        (0, meta(0x51, b"\x00\x00\x01")), (1, bytes([0x90, 60, 90])), (0x0FFFFFFF, meta(0x51, b"\xff\xff\xff")),
        (0x0FFFFFFF, bytes([0x80, 60, 0])), (0, END)))
    yield "odd-meters", header(0, 1, 1) + chunk(events(
        (0, meta(0x58, b"\xff\xff")), (1, meta(0x58, b"\x00\x00")), (3, meta(0x58, b"\x01\x1f\x18\x08")),
        (5, meta(0x51, b"\x00")), (1, bytes([0x90, 127, 127])), (1, bytes([0x80, 127, 0])), (0, END)))
    yield "short-metas", header() + chunk(events((0, bytes([0x90, 60, 90])), (0, b"\xff\x51\x01\x10")))
    yield "header-length-8", header(length=8) + b"\x00\x00" + chunk(END)
    yield "format-2", header(2) + chunk(events((0, END)))
    yield "smpte", header(0, 1, 0xE728) + chunk(events((0, END)))
    yield "division-0", header(0, 1, 0) + chunk(events((0, END)))
    yield "header-only", header()


# The first two bytes of a song input: key shift (two nibbles) and speed (bit 7: pause).
PREFIXES = [b"\x06\x06", b"\xc0\x8c", b"\x0c\x00", b"\x39\x85"]


def smf_seeds():
    for i, (name, song) in enumerate(songs()):
        yield name, PREFIXES[i % len(PREFIXES)] + song


def tone_text(*lines):
    return ("\r\n".join(lines) + "\r\n").encode()


def shipped_tone_blocks(text):
    """The shipped bank's top-level blocks, each as a file of its own."""
    blocks, depth, start, i = [], 0, None, 0
    body = text.split(b"\n", 3)[-1] if text.startswith(b"//") else text
    while i < len(body):
        if body.startswith(b"//", i):
            i = body.find(b"\n", i)
            i = len(body) if i < 0 else i
            continue
        c = body[i:i + 1]
        if c == b"{":
            if depth == 0 and start is None:
                start = body.rfind(b"\n", 0, i) + 1
            depth += 1
        elif c == b"}":
            depth -= 1
            if depth == 0 and start is not None:
                blocks.append(body[start:i + 1])
                start = None
        i += 1
    return blocks


def tone_seeds():
    shipped = open(os.path.join(ROOT, "data", "fmstone.dat"), "rb").read()
    yield "shipped", shipped
    magic = b"quorvatone 0.7\r\n"
    blocks = shipped_tone_blocks(shipped)
    step = max(1, len(blocks) // 40)
    for i in range(0, len(blocks), step):
        yield f"shipped-block-{i}", magic + blocks[i] + b"\r\n"
    yield "test-tones", tone_text(
        "quorvatone 0.7",
        "tone[0]{ on(1) con(1) lfo{amd(0) pmd(0)} op[0]{ tl(1.0) al(1.0) } }",
        "tone[1]{ on(2) con(1) lpf(0.5) lfo{dpt(0.5) dly(0.01) spd(3.0)}",
        "  op[0]{ con(2) tl(0.9) al(0.9) at1(0.002) dt1(0.05) dl(0.6) dt2(0.3) sl(0.3) st(1.5) rt(0.05) }",
        "  op[1]{ con(2) mul(2.0) det(3) ph(.5) ml(1.5) vs(.5) ht(.01) tl(0.7) al(0.7) st(0.4) rt1(0.1) rt2(2) il(.1) rl(.2) } }",
        "tone[2]{ on(1) con(1) perc(1) op[0]{ tl(0.8) al(0.8) st(0.2) rt(0.01) } }",
        "tone[3]{ on(0) }",
        "tone[4]{ on(2) con(3) op[0]{tl(.5)} sn(2) sec[0]{ sc(60) op[0]{ tl(.9) at2(.01) } } sec[1]{ sc(127) op[1]{ mul(4) } } }",
        "tonemap{ tone[0]{tn(0)} tone[1 8]{tn(1)} tone[2 0 3]{tn(2)} tone[3]{tn(3)} tone[4]{tn(4)} tone[5]{tn(99)} }",
        "drumset[0]{ note[36]{tn(4) sc(48) pan(0)} note[42]{tn(2) sc(80) alt(46)} note[46]{tn(1) sc(80) pan(127)} }",
        "drumset[5]{ }")
    yield "no-blanks", tone_text("QUORVATONE .700", "tone[7]{on(1)con(1)op[0]{tl(1.0)al(1.0)mul(2)}}tonemap{tone[0]{tn(7)}}")
    yield "comments", tone_text("quorvatone 0.7 /* a", "comment */ tone[1]{ // rest", "on(1)con(1);op[0]{tl:1.0,al:1.0}}")
    yield "magic-only", tone_text("quorvatone 0.7")
    yield "empty", b""
    yield "wrong-version", tone_text("quorvatone 0.8")
    yield "integer-version", tone_text("quorvatone 7")
    yield "two-sn", tone_text("quorvatone 0.7", "tone[0]{ sn(1) sn(1) }")
    yield "on-7", tone_text("quorvatone 0.7", "tone[0]{ on(7) }")
    yield "real-for-integer", tone_text("quorvatone 0.7", "tone[0]{ on(1.0) }")
    yield "open-comment", tone_text("quorvatone 0.7 /* never closed")
    yield "lone-line-feed", b"quorvatone 0.7\ntone[0]{}"
    yield "redefined", tone_text("quorvatone 0.7", "tone[3]{on(1)con(1)}", "tonemap{tone[0]{tn(3)}}",
                                 "drumset[0]{note[35]{tn(3)}}", "tone[3]{on(2)con(2)op[1]{tl(1)}}")
    yield "indexes-out-of-range", tone_text("quorvatone 0.7", "tone[300]{ op[6]{ tl(1) } sec[0]{} }",
                                            "drumset[128]{ note[128]{} }")


def settings_seeds():
    default = bytes([0, 1, 0, 2, 2, 2, 3, 0, 1, 2, 0])
    yield "default", default
    for output in range(4):
        yield f"output-{output}", bytes([output]) + default[1:]
    yield "highest", bytes([3, 2, 1, 4, 4, 4, 6, 1, 4, 4, 4])
    yield "out-of-table", bytes([7, 3, 255, 5, 5, 5, 7, 2, 5, 5, 9])
    yield "short", default[:5]
    yield "empty", b""
    yield "sequence", default + bytes([2, 1, 0, 0, 4, 0, 6, 1, 0, 4, 4]) + bytes([1, 2, 1, 2, 2, 2, 3, 0, 1, 2, 0]) + \
        bytes([2, 2, 0, 1, 1, 1, 0, 0, 0, 0, 1]) + b"\x05"


def event_seeds():
    yield "notes", b"0 90 3c 64\n0 c0 05\n500 80 3c 00\n"
    yield "sysex", b"0 f0 7e 7f 09 01 f7\r\n10 F0 41 10 42 12 40 00 7F 00 41 F7\r\n\r\n20 b0 07 64\r\n"
    yield "every-kind", b"".join(f"{t} {m}\n".encode() for t, m in [
        (0, "a0 3c 10"), (5, "b0 40 7f"), (5, "d0 20"), (9, "e0 00 40"), (10, "99 24 64"), (4294967295, "89 24 00")])
    yield "blank-lines", b"  \n\t\n0 90 40 40\n"
    yield "bad-hex", b"0 90 3g 40\n"
    yield "bad-time", b"-1 90 40 40\n"


def control_seeds():
    def request(verb, text, service=b"TMIDI", topic=b"TMIDI"):
        return b"\0".join([service, topic, verb, text]) + b"\0"
    yield "stop", request(b"execute", b"stop")
    yield "playfile", request(b"execute", b"playfile /nonexistent/song.mid")
    yield "playfile-quoted", request(b"execute", b'playfile "/tmp/no such.mid"')
    yield "capital-stop", request(b"execute", b"Stop")
    yield "handoff", request(b"handoff", b'"/tmp/a song.mid"')
    yield "status", request(b"status", b"")
    yield "other-topic", request(b"execute", b"stop", topic=b"OTHER")
    yield "long-text", request(b"handoff", b"x" * 300)
    yield "unfinished", b"TMIDI\0TMIDI\0exec"
    yield "trailing", request(b"status", b"") + b"more"
    yield "reply", b"result: 0x8000\nstate: playing\ntitle: a \\n b\\\\\n"


def screen_seeds():
    yield "clicks", b"0 move 320 240\n16 press left\n32 release left\n48 double\n64 press right\n80 release right\n"
    yield "drop", b"100 drop /tmp/a song.mid\r\n\r\n200 move -5 100000\n"
    yield "bad", b"0 jump 1 2\n"


def write(out, target, seeds):
    directory = os.path.join(out, target)
    os.makedirs(directory, exist_ok=True)
    for name, data in seeds:
        digest = hashlib.sha1(data).hexdigest()[:8]
        with open(os.path.join(directory, f"{name}-{digest}"), "wb") as f:
            f.write(data)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip().splitlines()[-1])
    out = sys.argv[1]
    write(out, "smf_playback_fuzzer", smf_seeds())
    write(out, "tone_fuzzer", tone_seeds())
    write(out, "settings_fuzzer", settings_seeds())
    write(out, "event_log_fuzzer", event_seeds())
    write(out, "control_request_fuzzer", control_seeds())
    write(out, "screen_script_fuzzer", screen_seeds())


if __name__ == "__main__":
    main()
