# Fits the brightness of gen_fmstone.py's tones to the General MIDI SoundFont, from the
# timbre table that quorva-tonemeter prints: per program and key of FIT_KEYS, the carriers'
# modulation index factor moves the note's spectral centroid towards the reference's and
# backs off where too much energy lies above 12 kHz; per drum set and key, the pitch moves
# a hit whose centroid is far from the reference kit's. The PROGRAM_INDEX_FIT and
# DRUM_NOTE_FIT tables in gen_fmstone.py are rewritten; run it a few times, then
# fit_trims.py, then regenerate data/fmstone.dat.
#   python3 tools/tonebank/tonegen/fit_timbre.py BUILD/bin/quorva-tonemeter [ROUNDS]
import ast
import math
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
GENERATOR = os.path.join(HERE, "gen_fmstone.py")
FIT_KEYS = (36, 48, 60, 72, 84)
NOTE = re.compile(r"^\s+(\d+)\s+(\d+)\s+(-?[\d.]+)[! ]\s+([\d.]+)%[! ]\s+([\d.]+)%[! ]\s+(\d+)/(\d+)\s+([\d.]+)")
KIT = re.compile(r"^\s+program\s+(\d+) ")
HIT = re.compile(r"(\d+)\s+(-?[\d.]+)[! ]/\s*([\d.]+)[! ]/")


def table(source, name):
    match = re.search(r"^%s = (\{.*?\n\})\n" % name, source, re.M | re.S)
    return match, ast.literal_eval(match.group(1))


def measure(meter, tones):
    report = subprocess.run([meter, "--tones", tones, "--no-song", "--dense-seconds", "2", "--report-only"],
                            capture_output=True, text=True, check=True).stdout
    notes, hits = {}, {}
    kit = None
    for line in report.splitlines():
        match = NOTE.match(line)
        if match:
            program, key = int(match.group(1)), int(match.group(2))
            notes[(program, key)] = (float(match.group(4)) / 100, float(match.group(5)) / 100, float(match.group(8)))
            continue
        match = KIT.match(line)
        if match:
            kit = int(match.group(1))
            continue
        if kit is not None and line.startswith("    "):
            for key, _dc, ratio in HIT.findall(line):
                hits[(kit, int(key))] = float(ratio)
        if line.startswith("Songs against"):
            kit = None
    summary = [line for line in report.splitlines() if line.startswith(("Program notes", "Timbre goals", "   FAIL"))]
    return notes, hits, summary


def fit_index(factors, figures):
    above16k, above12k, ratio = figures
    factor = factors
    if ratio > 0 and (ratio < 0.75 or ratio > 1.35):
        factor *= ratio ** -0.6
    if above12k >= 0.012 or above16k >= 0.006:
        factor = min(factor, factors * 0.6)
    return round(max(0.02, min(4.0, factor)), 3)


def format_table(name, items, per_line):
    lines, line = [], ""
    for key in sorted(items):
        item = "%r: %r" % (key, items[key])
        if len(line) + len(item) > per_line:
            lines.append(line.rstrip())
            line = ""
        line += item + ", "
    lines.append(line.rstrip().rstrip(","))
    return "%s = {\n    %s\n}\n" % (name, "\n    ".join(lines))


def round_once(meter):
    source = open(GENERATOR).read()
    _, fit = table(source, "PROGRAM_INDEX_FIT")
    _, notes_fit = table(source, "DRUM_NOTE_FIT")
    with tempfile.TemporaryDirectory() as work:
        tones = os.path.join(work, "fmstone.dat")
        subprocess.run([sys.executable, GENERATOR, tones], check=True)
        notes, hits, summary = measure(meter, tones)
    for program in range(128):
        factors = list(fit.get(program, [1.0] * len(FIT_KEYS)))
        for i, key in enumerate(FIT_KEYS):
            if (program, key) in notes:
                factors[i] = fit_index(factors[i], notes[(program, key)])
        if any(abs(f - 1.0) > 1e-9 for f in factors):
            fit[program] = factors
    # The pitch moves by at most an octave a round and two in all: far above, a dense
    # spectrum folds back under half the sample rate and the centroid stops following.
    for (kit, key), ratio in hits.items():
        if ratio > 0 and (ratio < 0.45 or ratio > 2.4):
            step = max(-12, min(12, round(-12 * math.log2(ratio) * 0.7)))
            notes_fit[(kit, key)] = max(-24, min(24, notes_fit.get((kit, key), 0) + step))
    source = open(GENERATOR).read()
    match, _ = table(source, "PROGRAM_INDEX_FIT")
    source = source[:match.start()] + format_table("PROGRAM_INDEX_FIT", fit, 100).replace("{\n    \n}", "{\n}") + source[match.end():]
    match, _ = table(source, "DRUM_NOTE_FIT")
    source = source[:match.start()] + format_table("DRUM_NOTE_FIT", notes_fit, 100).replace("{\n    \n}", "{\n}") + source[match.end():]
    open(GENERATOR, "w").write(source)
    print("\n".join(summary), flush=True)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: fit_timbre.py QUORVA_TONEMETER [ROUNDS]")
    for _ in range(int(sys.argv[2]) if len(sys.argv) > 2 else 1):
        round_once(sys.argv[1])
