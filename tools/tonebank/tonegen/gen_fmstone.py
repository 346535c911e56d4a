# Writes data/fmstone.dat: a General MIDI bank for the FM synthesizer (CR LF line ends).
import sys

GM = """Acoustic Grand Piano|Bright Acoustic Piano|Electric Grand Piano|Honky-tonk Piano|Electric Piano 1|Electric Piano 2|Harpsichord|Clavinet|Celesta|Glockenspiel|Music Box|Vibraphone|Marimba|Xylophone|Tubular Bells|Dulcimer|Drawbar Organ|Percussive Organ|Rock Organ|Church Organ|Reed Organ|Accordion|Harmonica|Tango Accordion|Acoustic Guitar (nylon)|Acoustic Guitar (steel)|Electric Guitar (jazz)|Electric Guitar (clean)|Electric Guitar (muted)|Overdriven Guitar|Distortion Guitar|Guitar Harmonics|Acoustic Bass|Electric Bass (finger)|Electric Bass (pick)|Fretless Bass|Slap Bass 1|Slap Bass 2|Synth Bass 1|Synth Bass 2|Violin|Viola|Cello|Contrabass|Tremolo Strings|Pizzicato Strings|Orchestral Harp|Timpani|String Ensemble 1|String Ensemble 2|Synth Strings 1|Synth Strings 2|Choir Aahs|Voice Oohs|Synth Voice|Orchestra Hit|Trumpet|Trombone|Tuba|Muted Trumpet|French Horn|Brass Section|Synth Brass 1|Synth Brass 2|Soprano Sax|Alto Sax|Tenor Sax|Baritone Sax|Oboe|English Horn|Bassoon|Clarinet|Piccolo|Flute|Recorder|Pan Flute|Blown Bottle|Shakuhachi|Whistle|Ocarina|Lead 1 (square)|Lead 2 (sawtooth)|Lead 3 (calliope)|Lead 4 (chiff)|Lead 5 (charang)|Lead 6 (voice)|Lead 7 (fifths)|Lead 8 (bass + lead)|Pad 1 (new age)|Pad 2 (warm)|Pad 3 (polysynth)|Pad 4 (choir)|Pad 5 (bowed)|Pad 6 (metallic)|Pad 7 (halo)|Pad 8 (sweep)|FX 1 (rain)|FX 2 (soundtrack)|FX 3 (crystal)|FX 4 (atmosphere)|FX 5 (brightness)|FX 6 (goblins)|FX 7 (echoes)|FX 8 (sci-fi)|Sitar|Banjo|Shamisen|Koto|Kalimba|Bagpipe|Fiddle|Shanai|Tinkle Bell|Agogo|Steel Drums|Woodblock|Taiko Drum|Melodic Tom|Synth Drum|Reverse Cymbal|Guitar Fret Noise|Breath Noise|Seashore|Bird Tweet|Telephone Ring|Helicopter|Applause|Gunshot""".split("|")
assert len(GM) == 128

def num(v):
    s = ("%.4f" % v).rstrip("0")
    if s.endswith("."):
        s += "0"
    if s.startswith("0."):
        s = s[1:]
    elif s.startswith("-0."):
        s = "-" + s[2:]
    assert len(s) < 10, s
    return s

ORDER = ["con", "mul", "det", "ph", "ml", "vs", "ht", "at1", "al", "at", "tl", "dt1", "dl", "dt", "sl", "st", "rt", "rl", "rt2", "il"]

def op(index, **p):
    parts = []
    for key in ORDER:
        if key in p:
            v = p[key]
            parts.append("%s(%s)" % (key, v if key == "con" else num(v)))
    return "  op[%d]{ %s }" % (index, " ".join(parts))

def env(kind, scale=1.0):
    """Carrier envelopes by character; scale stretches the times."""
    s = scale
    if kind == "perc":      # struck, dies away by itself
        return dict(at=0.002, tl=1.0, dt1=0.3 * s, dl=0.55, dt=5.0 * s, sl=0, rt=0.25)
    if kind == "short":     # plucked or mallet, short
        return dict(at=0.001, tl=1.0, dt1=0.15 * s, dl=0.4, dt=0.8 * s, sl=0, rt=0.12)
    if kind == "hold":      # organ-like: full while held
        return dict(at=0.005, tl=1.0, dt1=0.05, dl=1.0, sl=1.0, rt=0.06)
    if kind == "bow":       # slow attack, sustained
        return dict(at=0.12 * s, tl=1.0, dt1=0.4, dl=0.85, sl=0.85, rt=0.35 * s)
    if kind == "blow":      # wind: quick attack, sustained
        return dict(at=0.04 * s, tl=1.0, dt1=0.3, dl=0.85, sl=0.85, rt=0.12)
    if kind == "pad":       # very slow attack and release
        return dict(at=0.6 * s, tl=1.0, dt1=1.0, dl=0.85, sl=0.85, rt=0.9 * s)
    raise ValueError(kind)

# Loudness trim of the tone being written, in dB: the carriers' levels are scaled by
# 10^(dB/40), since an operator's amplitude follows the square of its envelope level.
TRIM = {"db": 0.0}
# The whole bank's trim: headroom for dense songs at the default level shift.
BANK_TRIM_DB = -1.5

def trim_factor():
    return 10 ** ((TRIM["db"] + BANK_TRIM_DB) / 40.0)

def scaled(e, level):
    e = dict(e)
    level = level * trim_factor()
    for key in ("tl", "al", "dl", "sl"):
        if key in e:
            e[key] = min(e[key] * level, 1.1)
    return e

# The operators of the tone being written whose modulation index the key fit scales (see
# fitted_splits); each tone helper records its carriers here.
CARRIERS = []

# Modulators always come before the operators they modulate, so a carrier hears its
# modulator's output of the same sample. With the phases locked that way, FM at whole-number
# ratios (1:1, 2:1) is an odd function of the phase and has no DC; a modulator one sample
# late shifts the sideband at 0 Hz away from zero phase and leaves an offset. No pitched tone
# uses self-feedback: it adds DC, and from a loop gain of about 0.3 it whistles at half the
# sample rate.
def two_op(name, car, mod, ratio=(1, 1), index=1.0, lfo=None, lpf=None, extra="", level=0.9, det=0.0, phase=0.0, mod_phase=0.0):
    lines = ["  on(2) con(2)"]
    if lpf is not None:
        lines.append("  lpf(%s)" % num(lpf))
    if lfo:
        lines.append("  lfo{ %s }" % lfo)
    m = dict(mod)
    m.pop("ml", None)
    m.pop("con", None)
    lines.append(op(0, mul=ratio[1], det=det, ph=mod_phase, **m))
    lines.append(op(1, con=1, mul=ratio[0], det=det, ph=phase, ml=index, **scaled(car, level)))
    if extra:
        lines.append(extra)
    CARRIERS[:] = [1]
    return lines

def two_stacks(car, mod, ratios=(1, 1, 1, 2), detune=0.08, lfo=None, level=0.62, mod2=None, index=1.0, level2=None):
    """Two pairs, each a modulator before its carrier, detuned against each other (the pair
    together, so each stays phase-locked)."""
    lines = ["  on(4) con(10)"]
    if lfo:
        lines.append("  lfo{ %s }" % lfo)
    def plain(m):
        m = dict(m)
        m.pop("ml", None)
        m.pop("con", None)
        return m
    lines.append(op(0, mul=ratios[1], det=detune, **plain(mod)))
    lines.append(op(1, con=1, mul=ratios[0], det=detune, ml=index, **scaled(car, level)))
    lines.append(op(2, mul=ratios[3], det=-detune, **plain(mod2 or mod)))
    lines.append(op(3, con=4, mul=ratios[2], det=-detune, ml=index, **scaled(car, level if level2 is None else level2)))
    CARRIERS[:] = [1, 3]
    return lines

def chain(car, mods, ratios, lfo=None, level=0.9, index=1.0, lpf=None):
    """Modulators in a row, each modulating the next, into one carrier (the last operator):
    a dense, buzzing series of harmonics when the ratios are whole numbers."""
    n = len(mods) + 1
    lines = ["  on(%d) con(%d)" % (n, 1 << (n - 1))]
    if lpf is not None:
        lines.append("  lpf(%s)" % num(lpf))
    if lfo:
        lines.append("  lfo{ %s }" % lfo)
    for i, m in enumerate(mods):
        m = dict(m)
        m.pop("con", None)
        ml = m.pop("ml", 1.0)
        lines.append(op(i, con=(1 << (i - 1)) if i else 0, mul=ratios[i], ml=ml, **m))
    lines.append(op(n - 1, con=1 << (n - 2), mul=ratios[-1], ml=index, **scaled(car, level)))
    CARRIERS[:] = [n - 1]
    return lines

# Keys at which the fitted modulation indexes apply exactly; between them the engine
# interpolates, below the first and above the last it holds the end values.
FIT_KEYS = (36, 48, 60, 72, 84)

def fitted_splits(lines, factors):
    """Key splits that scale the carriers' modulation index by one factor per key of FIT_KEYS.
    Splitting copies every value of the operators written so far, so only the index is given."""
    base = {}
    for line in lines:
        for c in CARRIERS:
            if line.startswith("  op[%d]{" % c):
                found = [part for part in line.split() if part.startswith("ml(")]
                base[c] = float(found[0][3:-1]) if found else 1.0
    sections = []
    for i, (key, factor) in enumerate(zip(FIT_KEYS, factors)):
        ops = " ".join("op[%d]{ ml(%s) }" % (c, num(base[c] * factor)) for c in CARRIERS)
        sections.append("sec[%d]{ sc(%d) %s }" % (i, key, ops))
    return lines + ["  sn(%d) %s" % (len(sections), sections[0])] + ["        %s" % x for x in sections[1:]]

def brightness_splits(lines, low, high, carriers=None):
    """The brightness across the keyboard comes from the fitted splits now."""
    return lines

def organ(ratios, levels, click=False, lfo=None):
    carriers = (1 << len(ratios)) - 1
    lines = ["  on(%d) con(%d)" % (len(ratios), carriers)]
    if lfo:
        lines.append("  lfo{ %s }" % lfo)
    for i, (r, l) in enumerate(zip(ratios, levels)):
        e = env("hold")
        if click and i == len(ratios) - 1:
            e = env("short", 0.3)
        lines.append(op(i, mul=r, **scaled(e, l)))
    CARRIERS[:] = []
    return lines

def modulator(tl, ml=1.0, decay=None, sustain=None, at=0.001, **rest):
    """A modulator's envelope: level tl, falling to `sustain` over `decay` seconds. Its own
    index `ml` only matters to a modulator that hears itself, which no tone does any more;
    the tone helpers drop it."""
    m = dict(at=at, tl=tl, ml=ml, rt=0.3)
    if decay is not None:
        m.update(dt1=decay, dl=sustain if sustain is not None else tl * 0.3, sl=sustain if sustain is not None else tl * 0.3)
    else:
        m.update(dl=tl, sl=tl)
    m.update(rest)
    return m

VIB = "dly(.25) dpt(.35) spd(5.5)"
SLOWVIB = "dly(.4) dpt(.25) spd(5)"

def program_tone(p):
    if p < 8:      # pianos
        t = [
            two_op("", env("perc"), modulator(0.55, 0.8, 1.0, 0.45), (1, 1)),
            two_op("", env("perc"), modulator(0.6, 1.0, 1.0, 0.5), (1, 1)),
            two_op("", env("perc", 1.2), modulator(0.7, 0.7, 1.0, 0.45), (1, 2)),
            two_stacks(env("perc"), modulator(0.7, 0.8, 1.0, 0.45), (1, 1, 1, 1), 0.18),
            two_op("", env("perc", 1.5), modulator(0.6, 0.5, 0.3, 0.15), (1, 14), lfo="dpt(.1) spd(4)"),
            two_stacks(env("perc", 1.4), modulator(0.6, 0.5, 0.4, 0.2), (1, 1, 1, 9), 0.05, mod2=modulator(0.35, 0.4, 0.15, 0.0)),
            two_op("", env("short", 1.6), modulator(0.9, 1.2, 0.8, 0.5), (1, 3)),
            two_op("", env("short", 1.2), modulator(0.9, 1.4, 0.3, 0.6), (1, 1)),
        ][p]
        return t
    if p < 16:     # chromatic percussion
        ratios = [(1, 3.5), (1, 5), (1, 7), (1, 4), (1, 3), (1, 2.5), (1, 4.2), (1, 5.4)][p - 8]
        kind = "perc" if p in (8, 9, 10, 11, 14) else "short"
        lfo = "dpt(.6) spd(5.5) amd(.5) pmd(0)" if p == 11 else None  # the vibraphone's motor tremolo
        scale = {12: 1.4, 13: 1.2, 14: 1.6, 15: 1.5}.get(p, 0.8)
        return two_op("", env(kind, scale), modulator(0.6, 0.8, 0.5, 0.35), ratios, lfo=lfo)
    if p < 24:     # organs, accordion, harmonica
        if p == 16:
            return organ((0.5, 1, 2, 4), (0.5, 0.55, 0.2, 0.1))
        if p == 17:
            return organ((1, 2, 3), (0.55, 0.45, 0.5), click=True)
        if p == 18:
            return organ((0.5, 1, 1.5, 2), (0.4, 0.5, 0.4, 0.4), lfo="dpt(.15) spd(6.5)")
        if p == 19:
            return organ((1, 2, 3, 4, 6, 8), (0.45, 0.45, 0.45, 0.45, 0.4, 0.4))
        t = two_op("", env("blow"), modulator(0.55, 0.9),
                   (1, 1) if p != 22 else (1, 2), lfo="dpt(.2) spd(5.8)" if p != 20 else None)
        return t
    if p < 32:     # guitars
        if p in (29, 30, 31):
            # Overdrive and distortion: two modulators in a row at the pitch, a dense buzz of
            # harmonics that stays on the note. The harmonics guitar is the same chain, softer
            # and bell-like in its decay.
            drive = 0.8 if p == 30 else 0.7
            e = dict(at=0.002, tl=1.0, dt1=0.6, dl=0.8, dt=4, sl=0.5, rt=0.15) if p != 31 else env("perc", 0.8)
            return chain(e, [modulator(drive), modulator(drive)], (1, 1, 1), level=0.8)
        ratios = [(1, 3), (1, 2), (1, 1), (1, 3), (1, 1), None, None, (1, 1)][p - 24]
        scale = 0.5 if p == 28 else 1.0
        t = two_op("", env("short", 1.8 * scale), modulator(0.75, 0.9, 0.5 * scale, 0.4), ratios, index=1.5)
        return brightness_splits(t, (40, 1.2), (84, 0.75))
    if p < 40:     # basses
        # Bass parts are written at the pitch they sound, so the carriers sit at the key.
        ratios = [(1, 1), (1, 1), (1, 2), (1, 1), (1, 3), (1, 4), (1, 1), (1, 2)][p - 32]
        if p == 35:
            t = two_op("", env("blow"), modulator(0.5, 0.6), ratios, lfo="dpt(.1) spd(5)")
        elif p in (38, 39):
            t = two_op("", env("short", 2.0), modulator(0.9, 1.3, 0.4, 0.35), ratios)
        else:
            t = two_op("", env("short", 2.0), modulator(0.7, 0.8, 0.2, 0.3), ratios)
        return brightness_splits(t, (28, 1.15), (60, 0.85))
    if p < 48:     # solo strings, harp, timpani
        if p == 45:
            return two_op("", env("short", 1.1), modulator(0.5, 0.6, 0.3, 0.35), (1, 1))
        if p == 46:
            return two_op("", env("perc", 1.2), modulator(0.5, 0.6, 0.5, 0.35), (1, 2))
        if p == 47:
            return two_op("", env("perc", 0.8), modulator(0.6, 0.7, 0.5, 0.3), (1, 2.8))
        lfo = "dpt(1.0) spd(8) amd(.7) pmd(.03)" if p == 44 else VIB  # tremolo: loudness, not pitch
        bright = [1.15, 1.0, 0.9, 0.85, 1.0][p - 40]  # violin brightest, contrabass darkest
        t = two_op("", env("bow"), modulator(0.65, 1.0, at=0.15), (1, 1), lfo=lfo, lpf=0.8)
        return brightness_splits(t, (36, 1.3 * bright), (96, 0.7 * bright))
    if p < 56:     # ensembles and voices
        if p == 55:
            return two_op("", env("short", 1.5), modulator(0.9, 1.5, 0.4, 0.2), (1, 1.5))
        if p in (52, 53, 54):
            # aahs open (second and third partials), oohs closed, synth voice bright and even
            mods = {52: (0.4, (1, 2, 1, 3)), 53: (0.25, (1, 1, 1, 2)), 54: (0.45, (1, 1, 1, 4))}[p]
            return two_stacks(env("bow", 1.3), modulator(mods[0], 0.5, at=0.2), mods[1], 0.1, lfo=SLOWVIB)
        scale = 1.0 if p in (48, 50) else 1.6
        if p in (50, 51):  # synth strings: a brighter stack
            mod = modulator(0.6, 1.2, at=0.1, con=2)
            t = two_stacks(env("bow", scale), mod, (1, 1, 1, 1), 0.15, lfo=SLOWVIB, mod2=modulator(0.6, 1.2, at=0.1, con=8))
        else:
            t = two_stacks(env("bow", scale), modulator(0.55, 0.8, at=0.15), (1, 1, 1, 1), 0.12, lfo=SLOWVIB)
        return brightness_splits(t, (36, 1.25), (96, 0.7), carriers=(0, 2))
    if p < 64:     # brass
        mod = modulator(0.8, 1.0, at=0.05, dt1=0.3, dl=0.6, sl=0.6)
        if p in (62, 63):
            return two_stacks(env("blow"), mod, (1, 1, 1, 1), 0.1, lfo="dpt(.1) spd(5)")
        # trumpet, trombone, tuba, muted trumpet, horn, section: index and modulator ratio
        tl, ratio = [(0.8, 1), (0.75, 1), (0.7, 1), (0.55, 3), (0.55, 1), (0.8, 1)][p - 56]
        mod = modulator(tl, 1.0, at=0.05, dt1=0.3, dl=tl * 0.75, sl=tl * 0.75)
        t = two_op("", env("blow", 1.5 if p in (57, 58, 60) else 1.0), mod, (1, ratio), lfo=VIB)
        return brightness_splits(t, (40, 1.15), (90, 0.8))
    if p < 72:     # reeds
        # saxophones bright; oboe and English horn reedy; bassoon dark; the
        # clarinet's 1:2 pair gives odd partials only
        ratios = [(1, 1), (1, 1), (1, 1), (1, 1), (1, 1), (1, 1), (1, 1), (1, 2)][p - 64]
        tl = [0.6, 0.62, 0.65, 0.7, 0.5, 0.45, 0.55, 0.6][p - 64]
        t = two_op("", env("blow"), modulator(tl, 1.1, at=0.03), ratios, lfo=VIB)
        return brightness_splits(t, (40, 1.15), (90, 0.8))
    if p < 80:     # pipes
        # (tone colour, breath chiff, breath kept while held, attack scale, vibrato)
        colour, chiff, breath, attack, vib = [
            (0.2, 0.15, 0.05, 1.0, VIB), (0.25, 0.2, 0.05, 1.3, VIB), (0.35, 0.12, 0.03, 1.0, "dpt(.05)"),
            (0.15, 0.4, 0.12, 1.6, VIB), (0.1, 0.45, 0.2, 2.0, SLOWVIB), (0.3, 0.4, 0.15, 1.6, "dly(.3) dpt(.5) spd(5)"),
            (0.05, 0.05, 0.02, 0.8, "dly(.1) dpt(.5) spd(6)"), (0.1, 0.1, 0.03, 1.3, "dpt(.05)")][p - 72]
        mul = 1
        # A colour modulator at the pitch and a breath chiff from a seventh-harmonic modulator,
        # both before the carrier.
        t = ["  on(3) con(4)", "  lfo{ %s }" % vib,
             op(0, mul=mul, tl=colour, at=0.05, dl=colour, sl=colour),
             op(1, mul=7 * mul, tl=chiff, at=0.01, dt1=0.08, dl=breath, sl=breath),
             op(2, con=3, mul=mul, ml=1.0, **scaled(env("blow", attack), 0.9))]
        CARRIERS[:] = [2]
        return t
    if p < 88:     # synth leads
        if p == 80:
            return two_op("", env("hold"), modulator(0.7, 0.9), (1, 2), level=0.8)
        if p == 81:
            return two_op("", env("hold"), modulator(0.8), (1, 1), level=0.85)
        if p == 86:
            # the fifth a little softer than the root, so the root stays the strongest partial
            return two_stacks(env("hold"), modulator(0.6, 0.9), (1, 1, 1.5, 1.5), 0.0, level2=0.5)
        if p == 87:
            # the lead with its octave below, softer, so the written key stays the strongest partial
            return two_stacks(env("hold"), modulator(0.7, 1.0), (1, 1, 0.5, 0.5), 0.05, level2=0.4)
        ratios = [None, None, (1, 4), (1, 1), (1, 3), (1, 2), None, None][p - 80]
        return two_op("", env("blow", 0.5), modulator(0.7, 1.0, 0.2, 0.4), ratios, lfo=VIB)
    if p < 96:     # pads
        ratios = [(1, 2, 1, 7), (1, 1, 1, 1), (1, 1, 1, 2), (1, 2, 1, 3), (1, 1, 1, 1), (1, 3.5, 1, 5), (1, 2, 1, 4), (1, 1, 1, 2)][p - 88]
        return two_stacks(env("pad"), modulator(0.5, 0.8, at=0.8), ratios, 0.1, lfo="dly(.5) dpt(.3) spd(4.5)")
    if p < 104:    # effects
        ratios = [(1, 7.3), (1, 3), (1, 3.7), (1, 2), (1, 4), (1, 3), (1, 3), (1, 5)][p - 96]
        return two_op("", env("pad", 0.7), modulator(0.7, 1.5, at=0.5), ratios, lfo="dpt(.5) spd(2)")
    if p < 112:    # ethnic
        if p in (109, 111):
            return two_op("", env("hold"), modulator(0.8, 1.3), (1, 1), lfo=VIB, level=0.8)
        if p == 110:
            return two_op("", env("bow"), modulator(0.65, 1.0, at=0.15), (1, 1), lfo=VIB)
        ratios = [(1, 3), (1, 3), (1, 2), (1, 3), (1, 5), None, None, None][p - 104]
        return two_op("", env("short", 1.4), modulator(0.8, 1.2, 0.6, 0.4), ratios)
    if p < 120:    # percussive
        ratios = [(1, 3.6), (1, 3.5), (1, 2), (1, 5.1), (0.5, 0.8), (0.5, 1.4), (0.5, 0.5), (1, 9)][p - 112]
        if p == 119:
            # A cymbal played backwards: a metallic swell that runs its course whatever the note length.
            swell = dict(at=0.9, tl=1.0, dl=1.0, sl=0, dt1=0.05, dt=0.02, rt=0.1)
            tone = ["  on(3) con(4) perc(1)"] + metal(swell, 3.0, (0.93, 1.41), 0.8, 0.8)[1:]
            return fixed_pitch(tone, 1000.0)
        kind, scale = {112: ("perc", 0.8), 113: ("short", 1.2), 114: ("perc", 0.6), 115: ("short", 0.9)}.get(p, ("short", 1.5))
        return two_op("", env(kind, scale), modulator(0.6, 1.0, 0.3, 0.3), ratios)
    # sound effects: dense inharmonic spectra from two modulators at unrelated ratios
    settings = [(2.0, "short"), (1.0, "blow"), (1.5, "pad"), (4.0, "pad"), (1.5, "hold"), (1.0, "hold"), (1.5, "pad"), (1.0, "short")][p - 120]
    mul, kind = settings
    if p == 124:  # a bell ringing near 3 kHz, trilled
        return fixed_pitch(two_op("", env("hold"), modulator(0.6), (1, 1), lfo="dpt(1.0) spd(12) amd(.9) pmd(0)", level=0.7), 3000.0)
    if p == 123:  # a chirp near 3 kHz warbling fast, whatever the key
        return fixed_pitch(two_op("", env("short", 2.5), modulator(0.3, 0.5, 0.3, 0.2), (1, 1), lfo="dpt(1.0) spd(14) pmd(1.0) amd(.2)", level=0.8), 2500.0)
    lfo = "dpt(1.0) spd(12) amd(.9) pmd(.05)" if p == 125 else None  # rotor beating about 12 times a second
    scale = 1.5 if p in (120, 127) else 0.5
    return metal(env(kind, scale), mul, (1.37 * mul, 2.71 * mul), 0.8, 0.7, lfo=lfo)

def fixed_pitch(lines, hz):
    """Key splits that hold the tone near `hz` at every key (bird calls, bells): each
    operator's multiple is scaled per split key so that the key's pitch times it stays near
    `hz`; the modulation index is left to the tone."""
    muls = {}
    for line in lines:
        if line.startswith("  op["):
            index = int(line[5])
            found = [part for part in line.split() if part.startswith("mul(")]
            muls[index] = float(found[0][4:-1]) if found else 1.0
    sections = []
    for i, key in enumerate(FIT_KEYS):
        scale = hz / (440.0 * 2 ** ((key - 69) / 12.0))
        ops = " ".join("op[%d]{ mul(%s) }" % (o, num(m * scale)) for o, m in sorted(muls.items()))
        sections.append("sec[%d]{ sc(%d) %s }" % (i, key, ops))
    CARRIERS[:] = []
    return lines + ["  sn(%d) %s" % (len(sections), sections[0])] + ["        %s" % x for x in sections[1:]]

def metal(car, mul, mod_ratios, mod_level, level, lfo=None, index=1.0, lpf=None):
    """Two modulators at unrelated ratios into one carrier: a dense inharmonic spectrum
    around the carrier, as wide as the modulation index makes it (noise, metal, breath)."""
    lines = ["  on(3) con(4)"]
    if lpf is not None:
        lines.append("  lpf(%s)" % num(lpf))
    if lfo:
        lines.append("  lfo{ %s }" % lfo)
    m = dict(at=0.0005, tl=mod_level, dl=mod_level, sl=mod_level, rt=0.3)
    lines.append(op(0, mul=mod_ratios[0], **m))
    lines.append(op(1, mul=mod_ratios[1], **m))
    lines.append(op(2, con=3, mul=mul, ml=index, **scaled(car, level)))
    CARRIERS[:] = [2]
    return lines

# Drum tones: (name, tone lines, note played)
def hit_env(scale):
    return dict(at=0.0005, tl=1.0, dt1=0.02 * scale, dl=0.5, dt=0.25 * scale, sl=0, rt=0.05 * scale)

def noise(ml, scale, level=0.8, mul=4, lpf=1.0):
    """Noise-like hits (hi-hats, cymbals, shakers): a dense inharmonic spectrum around the
    carrier, as wide as the index makes it."""
    # Modulators below the carrier and an index that spreads the sidebands about as wide as
    # the carrier's frequency: little folds back under half the sample rate.
    return metal(hit_env(scale), mul, (mul * 0.31, mul * 0.47), 0.8, level, index=0.45 * ml / 6.0, lpf=lpf)

# The `index` of drum_body and boom was the modulator's self-feedback; with none left it no
# longer changes the sound (the modulator's level sets the brightness), and is kept so that
# the drum table reads as before.
def drum_body(ratio, index, scale, level=0.9, mod_phase=0.0):
    # The carrier starts a quarter cycle in: a low sine that falls fast in its first cycles
    # leaves a DC offset when it starts at zero phase, far less when it starts at its peak.
    # Kicks start their modulator there too; it measures lower still.
    return two_op("", dict(at=0.002, tl=1.0, dt1=0.12 * scale, dl=0.5, dt=0.3 * scale, sl=0, rt=0.1 * scale),
                  modulator(0.8, index, 0.05 * scale, 0.3), ratio, level=level, phase=0.25, mod_phase=mod_phase)

def snare(scale, body=0.62, wires=0.58, lpf=1.0):
    """A drum head (operator 1 modulated by 0) and snare wires (operator 4, a dense spectrum
    from operators 2 and 3)."""
    wire_mod = dict(at=0.0005, tl=0.8, dl=0.8, sl=0.8, rt=0.3)
    return ["  on(5) con(18)", "  lpf(%s)" % num(lpf),
            op(0, mul=1.6, tl=0.6, at=0.0005, dt1=0.02, dl=0, sl=0),
            op(1, con=1, mul=1, ph=0.25, **scaled(dict(at=0.0005, tl=1.0, dt1=0.04 * scale, dl=0.43, dt=0.15 * scale, sl=0, rt=0.05), body)),
            op(2, mul=2.79, **wire_mod), op(3, mul=4.23, **wire_mod),
            op(4, con=12, mul=9, ml=0.45, **scaled(dict(at=0.0005, tl=1.0, dt1=0.03 * scale, dl=0.46, dt=0.2 * scale, sl=0, rt=0.05), wires))]

def boom(decay, index, ratio=(1, 1), level=1.0):
    """A long sine drum, its attack coloured by a fast-falling modulator (analog kick, timpani)."""
    return two_op("", dict(at=0.002, tl=1.0, dt1=0.08, dl=0.7, dt=decay, sl=0, rt=0.2),
                  modulator(0.8, index, 0.06, 0.3), ratio, level=level, phase=0.25, mod_phase=0.25)

def swirl(level):
    """A brush stirred on the head: soft noise that swells and fades."""
    return metal(dict(at=0.12, tl=1.0, dt1=0.25, dl=0.6, dt=0.6, sl=0, rt=0.3), 5, (7.05, 11.15), 0.8, level, index=1.0, lpf=0.35)

def two_bells(ratios, scale, level):
    """Two detuned carriers, each struck: cowbells and other metal."""
    e = dict(at=0.0005, tl=1.0, dt1=0.05 * scale, dl=0.5, dt=0.4 * scale, sl=0, rt=0.05)
    CARRIERS[:] = []
    return ["  on(2) con(3)", op(0, mul=ratios[0], **scaled(e, level)), op(1, mul=ratios[1], **scaled(e, level))]

# Drum sounds sit this much above the levels written below, to stand out in a full mix. Kicks
# are written about 3 dB lower than the other drums: level with the reference kits.
DRUM_TRIM_DB = 6.0
TRIM["db"] = DRUM_TRIM_DB
DRUM_TONES = {
    "kick": drum_body((1, 2), 1.2, 0.8, 0.75, mod_phase=0.25),
    "kick2": drum_body((1, 2), 1.6, 0.6, 0.75, mod_phase=0.25),
    "stick": noise(3.0, 0.2, mul=6, level=1.0),
    "snare": snare(1.0),
    "clap": noise(5.0, 0.5, mul=10, level=1.0),
    "snare2": snare(0.7),
    "tom": drum_body((1, 1.5), 0.8, 1.2),
    "hatc": noise(6.0, 0.15, level=0.78, mul=36),
    "hatp": noise(6.0, 0.2, level=0.85, mul=36),
    "hato": noise(6.0, 1.2, level=0.85, mul=36),
    "crash": noise(7.0, 4.0, level=0.9, mul=7),
    "ride": metal(dict(at=0.0005, tl=1.0, dt1=0.1, dl=0.6, dt=3.0, sl=0, rt=0.3), 10, (10 * 0.31, 10 * 0.47), 0.8, 0.5, index=0.5),
    "china": noise(8.0, 3.0, level=0.7, mul=10),
    "bell": two_op("", env("perc", 0.8), modulator(0.6, 1.0, 0.3, 0.1), (1, 3.5), level=0.7),
    "tamb": noise(6.0, 0.4, level=0.6, mul=30),
    "cowbell": two_op("", env("short", 0.4), modulator(0.5, 0.6, 0.1, 0.1), (1, 1.48), level=0.7),
    "vibra": noise(4.0, 1.0, level=0.6, mul=16),
    "bongo": drum_body((1, 1.5), 0.6, 0.5, 0.8),
    "conga": drum_body((1, 1.1), 0.5, 0.7, 0.8),
    "timbale": drum_body((1, 2.3), 0.9, 0.6, 0.8),
    "agogo": two_op("", env("short", 0.5), modulator(0.5, 0.8, 0.1, 0.05), (1, 2.7), level=0.7),
    "shaker": noise(6.0, 0.15, level=0.7, mul=30),
    # Drum notes ignore note-off, so every drum envelope must fall to silence by itself.
    "whistle_s": two_op("", dict(at=0.02, tl=1.0, dt1=0.1, dl=0.8, dt=0.25, sl=0, rt=0.1), modulator(0.2, 0.3), (1, 1),
                        lfo="dpt(.5) spd(18)", level=0.6),
    "whistle_l": two_op("", dict(at=0.02, tl=1.0, dt1=0.3, dl=0.85, dt=1.2, sl=0, rt=0.1), modulator(0.2, 0.3), (1, 1),
                        lfo="dpt(.5) spd(18)", level=0.6),
    "guiro": noise(3.0, 0.6, level=0.7, mul=12),
    "clave": two_op("", env("short", 0.2), modulator(0.4, 0.4, 0.05, 0.0), (1, 2.5), level=0.8),
    "block": two_op("", env("short", 0.25), modulator(0.5, 0.6, 0.05, 0.0), (1, 1.7), level=0.8),
    "cuica": two_op("", env("short", 0.5), modulator(0.6, 0.5, 0.1, 0.2), (1, 1), lfo="dpt(.8) spd(9)", level=0.7),
    "triangle": two_op("", env("perc", 0.8), modulator(0.4, 0.6, 0.3, 0.1), (6, 8.2), level=0.6),
    "trianglem": two_op("", env("short", 0.15), modulator(0.4, 0.6, 0.1, 0.0), (6, 8.2), level=0.6),
    # Room: the standard drums with more ring.
    "kick_room": drum_body((1, 2), 1.2, 1.0, 0.75, mod_phase=0.25),
    "snare_room": snare(1.6),
    "tom_room": drum_body((1, 1.5), 0.8, 1.9),
    # Power: heavier heads, louder wires.
    "kick_power": drum_body((1, 2), 1.8, 1.1, 0.84, mod_phase=0.25),
    "snare_power": snare(1.4, body=0.64, wires=0.62),
    "tom_power": drum_body((1, 1.5), 1.1, 1.6, 1.0),
    # Electronic: plain sines and bright noise.
    "kick_elec": boom(0.6, 0.6, (1, 2), level=0.72),
    "snare_elec": snare(1.0, body=0.5, wires=0.68),
    "tom_elec": noise(4.0, 0.8, level=0.9, mul=8),
    # Analog drum machine.
    "kick808": boom(1.4, 0.4, (1, 2), level=0.67),
    "snare808": snare(0.8, body=0.6, wires=0.62, lpf=0.7),
    "tom808": boom(0.9, 0.15, (1, 1), 0.9),
    "hat808c": noise(8.0, 0.3, level=1.0, mul=40),
    "hat808p": noise(8.0, 0.4, level=1.0, mul=40),
    "hat808o": noise(8.0, 1.5, level=1.0, mul=40),
    "clap808": noise(5.0, 0.7, level=0.85, mul=10),
    "cowbell808": two_bells((1, 1.48), 0.5, 0.6),
    "conga808": boom(0.35, 0.1, (1, 1), 0.85),
    "clave808": two_op("", env("short", 0.12), modulator(0.2, 0.2, 0.05, 0.0), (1, 1), level=0.8),
    "maracas808": noise(6.0, 0.1, level=0.7, mul=30),
    "cymbal808": noise(7.5, 3.0, level=0.9, mul=9),
    # Jazz and brushes: lighter heads.
    "kick_jazz": drum_body((1, 2), 0.9, 0.7, 0.67, mod_phase=0.25),
    "snare_jazz": snare(0.6, body=0.6, wires=0.55),
    "brush_tap": noise(2.5, 0.5, level=0.8, mul=6, lpf=0.5),
    "brush_slap": noise(3.0, 0.8, level=0.85, mul=5, lpf=0.6),
    "brush_swirl": swirl(0.8),
    # Orchestra.
    "timpani": boom(1.6, 0.7, (1, 1.4), 0.9),
    "bass_concert": boom(1.2, 1.0, (1, 1.6), 1.0),
    "snare_concert": snare(1.2, body=0.55, wires=0.66),
    "cymbal_concert": noise(7.0, 6.0, level=0.75, mul=7),
    "castanets": two_op("", env("short", 0.1), modulator(0.5, 0.8, 0.03, 0.0), (1, 2.2), level=0.8),
}
TRIM["db"] = 0.0

# key: (tone, note, pan, cut key)
KEYS = {
    35: ("kick2", 31, 64, None), 36: ("kick", 33, 64, None), 37: ("stick", 60, 60, None), 38: ("snare", 50, 64, None),
    39: ("clap", 60, 58, None), 40: ("snare2", 52, 64, None), 41: ("tom", 41, 40, None), 42: ("hatc", 60, 80, 46),
    43: ("tom", 43, 46, None), 44: ("hatp", 60, 80, 46), 45: ("tom", 45, 52, None), 46: ("hato", 60, 80, None),
    47: ("tom", 48, 58, None), 48: ("tom", 50, 70, None), 49: ("crash", 60, 48, None), 50: ("tom", 53, 78, None),
    51: ("ride", 60, 84, None), 52: ("china", 60, 40, None), 53: ("ride", 62, 84, None), 54: ("tamb", 60, 72, None),
    55: ("crash", 64, 76, None), 56: ("cowbell", 72, 70, None), 57: ("crash", 62, 84, None), 58: ("vibra", 60, 30, None),
    59: ("ride", 58, 84, None), 60: ("bongo", 72, 88, None), 61: ("bongo", 67, 88, None), 62: ("conga", 64, 36, None),
    63: ("conga", 62, 36, None), 64: ("conga", 57, 36, None), 65: ("timbale", 67, 80, None), 66: ("timbale", 60, 80, None),
    67: ("agogo", 79, 90, None), 68: ("agogo", 74, 90, None), 69: ("shaker", 60, 34, None), 70: ("shaker", 64, 34, None),
    71: ("whistle_s", 84, 100, 72), 72: ("whistle_l", 79, 100, 71), 73: ("guiro", 60, 96, 74), 74: ("guiro", 55, 96, 73),
    75: ("clave", 79, 88, None), 76: ("block", 77, 96, None), 77: ("block", 72, 96, None), 78: ("cuica", 72, 30, 79),
    79: ("cuica", 64, 30, 78), 80: ("trianglem", 84, 100, 81), 81: ("triangle", 84, 100, None),
}

# Loudness trims in dB per program, fitted to the standard phrase measured by quorva-tonemeter
# (written by fit_trims.py).
PROGRAM_TRIM_DB = {
    0: 1.6, 1: 1.6, 3: 4.5, 5: 5.1, 6: 3.4, 7: 5.3, 8: 1.6, 9: 1.6, 10: 1.6, 11: 1.6, 12: 4.2, 13: 4.6,
    15: 3.9, 21: -3.6, 22: -2.4, 23: -3.6, 24: 3.0, 25: 2.6, 26: 2.9, 27: 3.1, 28: 5.9, 31: 3.2, 32: 3.2,
    33: 3.2, 34: 1.6, 36: 2.6, 37: 2.6, 38: 2.8, 39: 2.3, 40: -2.7, 41: -2.2, 42: -2.5, 43: -2.6,
    44: -2.1, 45: 6.3, 47: 1.6, 55: 3.9, 56: -3.5, 57: -3.4, 59: -2.3, 61: -3.5, 64: -3.9, 65: -3.8,
    66: -3.2, 67: -3.3, 68: -3.8, 69: -1.8, 70: -3.8, 71: -2.0, 72: -2.2, 73: -2.0, 75: -2.2, 76: -2.2,
    77: -1.6, 78: -2.4, 79: -2.3, 80: -4.7, 81: -4.9, 82: -2.4, 83: -2.6, 84: -2.4, 85: -4.2, 86: -2.8,
    96: -1.9, 97: -1.6, 98: -1.6, 99: -3.7, 100: -1.6, 101: -1.6, 102: -1.6, 103: -2.0, 104: 4.1,
    105: 4.1, 106: 3.7, 107: 4.1, 108: 4.1, 109: -4.4, 110: -3.6, 111: -2.8, 112: 1.6, 113: 4.8,
    114: 2.7, 115: 6.0, 116: 4.1, 117: 4.1, 118: 4.8, 120: 8.8, 122: 3.1, 123: 5.0, 125: -2.0, 127: 9.0
}

# Modulation index factors per program at the keys of FIT_KEYS, fitted to the spectral
# centroid of the General MIDI SoundFont's notes by fit_timbre.py.
PROGRAM_INDEX_FIT = {
    0: [4.0, 1.429, 1.0, 1.315, 1.0], 1: [4.0, 1.0, 0.735, 1.0, 1.0], 2: [1.799, 1.286, 1.0, 1.0, 1.0],
    3: [4.0, 4.0, 3.337, 1.228, 1.0], 4: [3.919, 2.334, 1.0, 1.0, 1.0], 5: [3.285, 4.0, 1.0, 1.0, 1.0],
    6: [1.894, 1.33, 1.286, 0.473, 0.747], 7: [4.0, 4.0, 2.24, 1.0, 0.396],
    8: [0.66, 0.66, 0.66, 0.66, 0.66], 9: [2.37, 2.428, 2.488, 2.075, 1.0],
    10: [1.0, 0.667, 0.581, 0.519, 0.473], 11: [0.63, 0.667, 0.625, 0.625, 0.628],
    12: [0.708, 0.708, 0.712, 0.708, 0.769], 14: [1.861, 1.714, 1.815, 1.448, 1.398],
    15: [1.929, 1.861, 1.546, 1.0, 0.768], 16: [1.0, 0.02, 0.02, 0.02, 1.0],
    17: [4.0, 1.0, 1.0, 4.0, 4.0], 18: [4.0, 1.0, 4.0, 4.0, 4.0], 19: [4.0, 1.0, 1.0, 0.02, 0.02],
    21: [2.851, 2.539, 3.601, 1.0, 1.0], 22: [1.255, 1.216, 1.167, 1.15, 1.272],
    23: [2.431, 2.692, 2.539, 2.857, 1.0], 24: [1.0, 1.0, 0.664, 0.754, 1.0],
    25: [1.345, 1.498, 1.707, 1.0, 1.0], 26: [1.0, 0.722, 4.0, 1.249, 1.0],
    27: [1.0, 1.0, 1.516, 1.0, 0.757], 28: [0.676, 0.715, 1.0, 1.0, 1.0],
    29: [1.687, 1.346, 1.964, 1.0, 0.6], 30: [1.301, 1.0, 1.315, 1.0, 0.309],
    31: [4.0, 1.769, 1.272, 1.272, 0.797], 33: [2.375, 1.732, 1.0, 1.0, 1.0],
    34: [3.533, 3.97, 3.889, 3.458, 3.176], 35: [1.0, 0.764, 0.657, 0.579, 0.568],
    36: [1.568, 1.0, 1.0, 1.0, 1.0], 37: [3.626, 1.929, 1.829, 1.662, 1.568],
    39: [1.97, 1.0, 1.0, 1.0, 1.0], 40: [1.654, 1.876, 1.731, 1.0, 1.0],
    41: [2.091, 2.086, 1.0, 1.782, 1.0], 42: [1.799, 2.046, 1.0, 1.711, 1.0],
    43: [1.0, 0.513, 1.0, 1.0, 1.0], 44: [2.081, 1.0, 0.547, 1.0, 1.0], 45: [1.0, 1.0, 1.205, 1.0, 1.0],
    46: [3.985, 2.735, 1.0, 1.0, 0.02], 47: [2.106, 2.086, 1.0, 1.0, 1.0],
    48: [3.798, 1.0, 0.712, 1.0, 0.747], 49: [3.798, 1.0, 0.708, 1.0, 0.743],
    50: [1.0, 1.0, 0.515, 0.484, 0.475], 51: [0.491, 0.604, 0.489, 0.479, 0.501],
    52: [3.241, 2.692, 1.485, 1.0, 1.0], 54: [0.354, 0.577, 1.0, 0.777, 0.735],
    55: [4.0, 4.0, 0.161, 0.02, 0.02], 56: [3.937, 4.0, 4.0, 1.95, 1.0],
    57: [4.0, 3.857, 1.0, 0.731, 1.0], 58: [2.753, 0.636, 0.55, 0.55, 1.0],
    59: [2.692, 2.62, 1.829, 1.964, 1.546], 60: [4.0, 3.952, 1.394, 1.0, 1.0],
    61: [4.0, 4.0, 3.726, 2.126, 0.552], 62: [1.0, 1.0, 1.0, 1.0, 0.472],
    63: [1.0, 1.0, 1.0, 0.552, 0.434], 64: [3.836, 3.836, 2.642, 1.0, 0.537],
    65: [3.514, 3.514, 2.02, 1.0, 0.398], 66: [4.0, 2.041, 1.0, 1.0, 1.792],
    67: [3.776, 1.546, 1.0, 1.799, 1.0], 68: [3.033, 3.292, 3.527, 1.0, 1.0],
    69: [4.0, 4.0, 4.0, 1.0, 1.0], 70: [4.0, 2.838, 0.579, 0.625, 0.622],
    71: [2.519, 2.566, 1.741, 1.0, 0.777], 73: [2.865, 3.183, 3.569, 2.387, 1.0],
    79: [1.0, 4.0, 1.0, 1.0, 1.0], 80: [0.773, 1.0, 0.392, 0.387, 0.34],
    81: [2.169, 1.0, 1.272, 1.0, 1.0], 82: [1.0, 0.628, 0.589, 0.701, 0.552],
    83: [1.447, 1.0, 1.0, 1.0, 1.0], 84: [2.264, 2.041, 1.741, 1.687, 1.272],
    86: [1.0, 1.0, 1.0, 0.489, 0.456], 87: [1.466, 1.286, 1.0, 1.0, 0.312],
    88: [0.47, 0.735, 0.464, 0.431, 0.412], 89: [0.821, 1.0, 0.676, 0.67, 0.743],
    90: [0.751, 1.0, 1.33, 1.0, 1.0], 91: [0.719, 1.0, 0.619, 0.563, 0.548],
    92: [1.0, 1.0, 0.617, 0.591, 0.563], 93: [0.35, 0.633, 0.47, 0.517, 0.491],
    94: [0.65, 0.604, 0.618, 0.503, 0.439], 95: [1.207, 1.232, 1.0, 1.0, 0.68],
    96: [0.194, 0.196, 0.168, 0.147, 0.114], 97: [0.419, 0.401, 0.339, 0.356, 0.349],
    98: [0.181, 0.189, 0.176, 0.159, 0.114], 99: [0.675, 0.404, 0.32, 0.341, 0.308],
    100: [0.205, 0.354, 0.298, 0.26, 0.256], 101: [0.481, 0.3, 0.344, 0.313, 0.18],
    102: [0.519, 0.386, 0.364, 0.349, 0.187], 103: [0.403, 0.3, 0.223, 0.264, 0.149],
    104: [4.0, 4.0, 2.488, 1.687, 0.782], 105: [2.036, 1.346, 1.301, 1.613, 1.0],
    106: [4.0, 4.0, 2.264, 1.378, 1.0], 107: [1.662, 1.568, 1.568, 1.378, 1.378],
    108: [0.69, 1.0, 1.0, 0.345, 1.0], 109: [2.85, 2.769, 1.662, 1.525, 1.429],
    110: [1.654, 1.876, 1.711, 1.0, 1.0], 111: [2.215, 2.169, 1.964, 1.0, 1.0],
    113: [3.94, 1.0, 1.0, 1.0, 1.0], 114: [3.475, 3.873, 3.302, 0.021, 1.0],
    116: [1.0, 1.0, 0.02, 0.079, 1.0], 117: [2.29, 1.33, 1.0, 1.0, 1.0],
    118: [4.0, 1.773, 1.0, 0.59, 0.02], 119: [0.047, 0.047, 0.047, 0.047, 0.047],
    120: [1.0, 0.366, 1.0, 1.0, 1.0], 121: [2.316, 1.0, 0.159, 0.02, 1.0],
    122: [1.687, 1.0, 0.735, 0.482, 0.199], 123: [1.0, 1.0, 1.0, 4.0, 4.0],
    125: [1.0, 0.719, 0.431, 0.193, 0.02], 126: [2.215, 1.315, 0.782, 0.47, 0.216],
    127: [1.659, 0.798, 0.516, 0.248, 0.083]
}

# Pitch shifts in semitones per (drum set, key), fitted to the reference kits' centroids by
# fit_timbre.py.
DRUM_NOTE_FIT = {
    (0, 37): 12, (0, 49): 12, (0, 50): 0, (0, 51): 12, (0, 55): 12, (0, 56): 11, (0, 57): 11,
    (0, 59): 12, (0, 60): 10, (0, 62): 11, (0, 65): 10, (0, 66): 11, (0, 67): 12, (0, 68): 12,
    (0, 71): 12, (0, 72): 12, (8, 37): 12, (8, 49): 12, (8, 50): 0, (8, 51): 10, (8, 55): 12,
    (8, 56): 10, (8, 57): 11, (8, 59): 12, (8, 60): 12, (8, 62): 12, (8, 65): 10, (8, 66): 11,
    (8, 67): 12, (8, 68): 12, (8, 71): 12, (8, 72): 12, (16, 35): 24, (16, 36): 12, (16, 37): 12,
    (16, 38): 24, (16, 40): 12, (16, 49): 12, (16, 51): 10, (16, 55): 12, (16, 56): 10, (16, 57): 11,
    (16, 59): 12, (16, 60): 12, (16, 62): 11, (16, 65): 10, (16, 66): 11, (16, 67): 12, (16, 68): 12,
    (16, 71): 12, (16, 72): 12, (24, 35): 12, (24, 36): 12, (24, 37): 12, (24, 40): -11, (24, 49): 12,
    (24, 50): 10, (24, 51): 10, (24, 55): 12, (24, 56): 11, (24, 57): 11, (24, 59): 12, (24, 60): 12,
    (24, 62): 12, (24, 65): 10, (24, 66): 11, (24, 67): 12, (24, 68): 12, (24, 71): 12, (24, 72): 12,
    (25, 37): 11, (25, 38): 24, (25, 40): 24, (25, 51): 12, (25, 55): 12, (25, 57): 11, (25, 59): 12,
    (25, 60): 12, (25, 67): 12, (25, 68): 12, (25, 71): 12, (25, 72): 12, (25, 75): 12, (32, 37): 12,
    (32, 49): 12, (32, 51): 10, (32, 55): 12, (32, 56): 10, (32, 57): 11, (32, 59): 12, (32, 62): 11,
    (32, 65): 10, (32, 66): 11, (32, 67): 12, (32, 68): 12, (32, 71): 12, (32, 72): 12, (40, 37): 12,
    (40, 49): 12, (40, 51): 10, (40, 55): 12, (40, 56): 10, (40, 57): 11, (40, 59): 12, (40, 60): 12,
    (40, 62): 11, (40, 65): 10, (40, 66): 11, (40, 67): 12, (40, 68): 12, (40, 71): 12, (40, 72): 12,
    (48, 37): 11, (48, 39): 24, (48, 43): 12, (48, 44): 12, (48, 45): 12, (48, 46): 12, (48, 47): 12,
    (48, 48): 12, (48, 49): 12, (48, 50): 12, (48, 51): 12, (48, 52): 12, (48, 53): 12, (48, 55): 12,
    (48, 56): 10, (48, 57): 10, (48, 59): 12, (48, 62): 12, (48, 65): 10, (48, 66): 11, (48, 67): 12,
    (48, 68): 12, (48, 71): 12, (48, 72): 12
}

def keep(key, tone):
    """The standard kit's entry of a key with another tone."""
    _, note, pan, cut = KEYS[key]
    return (tone, note, pan, cut)

TOMS = (41, 43, 45, 47, 48, 50)

def kit(**overrides):
    keys = dict(KEYS)
    for tone, key_list in overrides.items():
        for key in key_list:
            keys[key] = keep(key, tone)
    return keys

def orchestra_kit():
    keys = kit(bass_concert=(35, 36), snare_concert=(38, 40), castanets=(39,), cymbal_concert=(49, 57))
    for key in range(41, 54):  # timpani tuned chromatically, F to F
        keys[key] = ("timpani", key, 64 + (key - 47) * 3, None)
    keys[59] = ("cymbal_concert", 58, 76, None)
    return keys

# Drum sets by number; the rhythm channel uses the set of its program number, else set 0.
DRUM_SETS = [
    (0, "Standard: General MIDI percussion, keys 35-81", KEYS),
    (8, "Room", kit(kick_room=(35, 36), snare_room=(38, 40), tom_room=TOMS)),
    (16, "Power", kit(kick_power=(35, 36), snare_power=(38, 40), tom_power=TOMS)),
    (24, "Electronic", kit(kick_elec=(35, 36), snare_elec=(38, 40), tom_elec=TOMS, clap808=(39,))),
    (25, "Analog", kit(kick808=(35, 36), clave808=(75,), snare808=(38, 40), clap808=(39,), tom808=TOMS,
                       hat808c=(42,), hat808p=(44,), hat808o=(46,), cymbal808=(49,), cowbell808=(56,),
                       conga808=(62, 63, 64), maracas808=(70,))),
    (32, "Jazz", kit(kick_jazz=(35, 36), snare_jazz=(38, 40))),
    (40, "Brush", kit(kick_jazz=(35, 36), brush_tap=(38,), brush_slap=(39,), brush_swirl=(40,))),
    (48, "Orchestra", orchestra_kit()),
]

def main(path):
    out = ["// fmstone.dat: FM tone definitions of the quorva synthesizer.",
           "// Tones 0-127 play General MIDI programs 0-127; tones 128 and up are drum sounds.",
           "quorvatone 0.7", ""]
    for p in range(128):
        out.append("tone[%d]{  // %s" % (p, GM[p]))
        TRIM["db"] = PROGRAM_TRIM_DB.get(p, 0.0)
        CARRIERS[:] = []
        lines = program_tone(p)
        if CARRIERS and p in PROGRAM_INDEX_FIT:
            lines = fitted_splits(lines, PROGRAM_INDEX_FIT[p])
        out.extend(lines)
        TRIM["db"] = 0.0
        out.append("}")
    out.append("")
    number = 128
    drum_numbers = {}
    for name, lines in DRUM_TONES.items():
        drum_numbers[name] = number
        out.append("tone[%d]{  // drum: %s" % (number, name))
        out.extend(lines)
        out.append("  perc(1)")
        out.append("}")
        number += 1
    assert number <= 256
    out.append("")
    out.append("tonemap{")
    for p in range(128):
        out.append("  tone[%d 0 0]{ tn(%d) }" % (p, p))
    out.append("}")
    out.append("")
    for number, title, keys in DRUM_SETS:
        out.append("drumset[%d]{  // %s" % (number, title))
        for key in sorted(keys):
            tone, note, pan, cut = keys[key]
            note = max(0, min(127, note + DRUM_NOTE_FIT.get((number, key), 0)))
            item = "  note[%d]{ tn(%d) sc(%d) pan(%d)" % (key, drum_numbers[tone], note, pan)
            if cut is not None:
                item += " alt(%d)" % cut
            out.append(item + " }")
        out.append("}")
        out.append("")
    with open(path, "wb") as f:
        f.write(("\r\n".join(out) + "\r\n").encode("ascii"))

main(sys.argv[1])
