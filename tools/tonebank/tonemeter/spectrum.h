#pragma once
#include <cstddef>
#include <vector>

namespace quorva::tonemeter {

// Timbre figures of a mono stretch of sound at 44100 Hz.
struct Spectrum {
    double rms = 0.0;          // of the stretch, full scale 1.0
    double dcDb = -200.0;      // mean relative to the RMS, in dB
    double above16k = 0.0;     // share of the energy above 16 kHz, 0..1
    double above12k = 0.0;
    double above8k = 0.0;
    double centroidHz = 0.0;   // spectral centroid, the mean removed
    double peakShare = 0.0;    // share of the 30 Hz - 8 kHz energy held by that band's strongest 1 % of bins
    double strongestHz = 0.0;  // the strongest partial between 30 Hz and 2 kHz
    bool silent() const { return rms <= 0.0; }
};

constexpr size_t noteWindow = 32768;  // 0.74 s at 44100 Hz
constexpr size_t songSegment = 4096;

enum class Window { Hann, Rectangular };

// Analyses `length` samples from `start` (a power of two up to noteWindow) with one window:
// Hann for a held note cut out of its middle; rectangular for a hit that starts with the
// stretch and dies away in it, which a Hann window would all but erase at its start.
Spectrum analyseNote(const std::vector<float>& samples, size_t start, size_t length = noteWindow,
                     Window window = Window::Hann);

// Analyses a whole song: energy shares and centroid averaged over Hann-windowed segments.
Spectrum analyseSong(const std::vector<float>& samples);

// Whether a partial at `hz` lies on a harmonic of `fundamentalHz` (within 35 cents), or, when
// `bell` is set, also on one of the partials of bells and struck bars.
bool onPartial(double hz, double fundamentalHz, bool bell);

// The frequency of a MIDI key in equal temperament, key 69 = 440 Hz.
double keyHz(int key);

}  // namespace quorva::tonemeter
