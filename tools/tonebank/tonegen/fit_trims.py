# Fits the per-program loudness trims of gen_fmstone.py to the phrase loudness that
# quorva-tonemeter measures: every program more than TOLERANCE dB from the bank's median is
# moved to within half of it, and the PROGRAM_TRIM_DB table in gen_fmstone.py is rewritten.
# Run it again after changing tones, then regenerate data/fmstone.dat.
#   python3 tools/tonebank/tonegen/fit_trims.py BUILD/bin/quorva-tonemeter [TOLERANCE_DB]
import ast
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
GENERATOR = os.path.join(HERE, "gen_fmstone.py")
TABLE = re.compile(r"^PROGRAM_TRIM_DB = (\{.*?\})\n", re.M | re.S)
PROGRAM_LINE = re.compile(r"^\s+(\d+) .*? rms\s+(\S+)\s+peak\s+(\S+)\s+(\S+)")


def measure(meter, tones):
    report = subprocess.run([meter, "--tones", tones, "--no-song", "--dense-seconds", "2", "--report-only"],
                            capture_output=True, text=True, check=True).stdout
    deviations = {}
    for line in report.splitlines():
        if line.startswith("Drum kits"):
            break
        match = PROGRAM_LINE.match(line)
        if match:
            deviations[int(match.group(1))] = float(match.group(4))
    return deviations, [line for line in report.splitlines() if line.startswith("Median")]


def format_table(trims):
    items = ["%d: %s" % (p, trims[p]) for p in sorted(trims)]
    lines, line = [], ""
    for item in items:
        if len(line) + len(item) > 100:
            lines.append(line.rstrip())
            line = ""
        line += item + ", "
    lines.append(line.rstrip().rstrip(","))
    return "PROGRAM_TRIM_DB = {\n    " + "\n    ".join(lines) + "\n}\n"


def main(meter, tolerance):
    source = open(GENERATOR).read()
    trims = ast.literal_eval(TABLE.search(source).group(1))
    with tempfile.TemporaryDirectory() as work:
        tones = os.path.join(work, "fmstone.dat")
        subprocess.run([sys.executable, GENERATOR, tones], check=True)
        deviations, median = measure(meter, tones)
    for program, deviation in deviations.items():
        if abs(deviation) > tolerance:
            target = tolerance / 2 if deviation > 0 else -tolerance / 2
            trims[program] = round(trims.get(program, 0.0) - (deviation - target), 1)
    trims = {p: v for p, v in trims.items() if abs(v) >= 0.05}
    match = TABLE.search(source)
    open(GENERATOR, "w").write(source[:match.start()] + format_table(trims) + source[match.end():])
    print("\n".join(median))


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: fit_trims.py QUORVA_TONEMETER [TOLERANCE_DB]")
    main(sys.argv[1], float(sys.argv[2]) if len(sys.argv) > 2 else 3.0)
