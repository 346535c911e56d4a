#!/usr/bin/env python3
"""Loudness and clipping of quorva-render's WAV renders, as Markdown tables.

    sound_levels.py BIN_DIR loudness SONG.mid...
        RMS and peak (dBFS) and the share of clipped samples of each song through the FM
        synthesizer, "[MS-SS]" and the system MIDI out's built-in synthesizer, each at the
        settings' defaults.
    sound_levels.py BIN_DIR clipping SONG.mid...
        The share of clipped samples of each song through the FM synthesizer at every voice
        count and level shift the settings offer.

A clipped sample is one at full scale (-32768 or 32767). The RMS is over every sample of the
file, silence included, both channels together.
"""
import array
import math
import operator
import os
import subprocess
import sys
import tempfile
import wave

VOICES = (8, 16, 24, 32, 64)
LEVEL_SHIFTS = (4, 5, 6, 7, 8)
OUTPUTS = (("FM", ["--output", "fm"]), ("MS-SS", ["--output", "ms-ss"]), ("MM-OUT", ["--output", "mm-out"]))


def render(bin_dir, song, wav, options):
    subprocess.run([os.path.join(bin_dir, "quorva-render"), song, "--wav", wav] + options, check=True,
                   stdout=subprocess.DEVNULL)


def read_samples(wav):
    with wave.open(wav, "rb") as source:
        if source.getsampwidth() != 2:
            raise SystemExit(f"{wav}: not 16-bit")
        samples = array.array("h", source.readframes(source.getnframes()))
    if sys.byteorder == "big":
        samples.byteswap()
    return samples


def clipped_share(samples):
    """The share of samples at full scale, in %."""
    return 100.0 * (samples.count(32767) + samples.count(-32768)) / len(samples) if samples else 0.0


def measure(wav):
    """(RMS dBFS, peak dBFS, clipped share in %) of a 16-bit WAV."""
    samples = read_samples(wav)
    if not samples:
        return (-math.inf, -math.inf, 0.0)
    rms = math.sqrt(sum(map(operator.mul, samples, samples)) / len(samples))
    peak = max(max(samples), -min(samples))
    decibels = lambda value: 20 * math.log10(value / 32768) if value else -math.inf
    return (decibels(rms), decibels(peak), clipped_share(samples))


def loudness(bin_dir, songs, scratch):
    print("| Song | Output | RMS dBFS | Peak dBFS | Clipped | RMS against FM |")
    print("|---|---|---|---|---|---|")
    for song in songs:
        name = os.path.basename(song)
        fm_rms = None
        for label, options in OUTPUTS:
            wav = os.path.join(scratch, "out.wav")
            render(bin_dir, song, wav, options)
            rms, peak, clipped = measure(wav)
            fm_rms = rms if fm_rms is None else fm_rms
            print(f"| {name} | {label} | {rms:.1f} | {peak:.1f} | {clipped:.4f} % | {rms - fm_rms:+.1f} dB |")


def clipping(bin_dir, songs, scratch):
    print("| Song | Voices | " + " | ".join(f"shift {shift}" for shift in LEVEL_SHIFTS) + " |")
    print("|---|---|" + "---|" * len(LEVEL_SHIFTS))
    for song in songs:
        name = os.path.basename(song)
        for voices in VOICES:
            cells = []
            for shift in LEVEL_SHIFTS:
                wav = os.path.join(scratch, "out.wav")
                render(bin_dir, song, wav, ["--voices", str(voices), "--level-shift", str(shift)])
                cells.append(f"{clipped_share(read_samples(wav)):.4f} %")
            print(f"| {name} | {voices} | " + " | ".join(cells) + " |")


def main():
    if len(sys.argv) < 4 or sys.argv[2] not in ("loudness", "clipping"):
        raise SystemExit(__doc__)
    bin_dir, mode, songs = sys.argv[1], sys.argv[2], sys.argv[3:]
    with tempfile.TemporaryDirectory() as scratch:
        (loudness if mode == "loudness" else clipping)(bin_dir, songs, scratch)


if __name__ == "__main__":
    main()
