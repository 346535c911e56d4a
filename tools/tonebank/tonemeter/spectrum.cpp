#include "tools/tonebank/tonemeter/spectrum.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <numbers>

namespace quorva::tonemeter {

namespace {

constexpr double spectrumRate = 44100.0;

void fft(std::vector<std::complex<double>>& data)
{
    const size_t n = data.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(data[i], data[j]);
        }
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(length);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += length) {
            std::complex<double> w(1.0, 0.0);
            for (size_t k = 0; k < length / 2; ++k) {
                const std::complex<double> even = data[i + k];
                const std::complex<double> odd = data[i + k + length / 2] * w;
                data[i + k] = even + odd;
                data[i + k + length / 2] = even - odd;
                w *= step;
            }
        }
    }
}

// Power per bin 0..length/2 of a Hann-windowed stretch with its mean removed.
std::vector<double> powerSpectrum(const float* samples, size_t length, double mean, Window shape = Window::Hann)
{
    std::vector<std::complex<double>> data(length);
    for (size_t i = 0; i < length; ++i) {
        const double window =
            shape == Window::Rectangular
                ? 1.0
                : 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(length));
        data[i] = (samples[i] - mean) * window;
    }
    fft(data);
    std::vector<double> power(length / 2 + 1);
    for (size_t k = 0; k < power.size(); ++k) {
        power[k] = std::norm(data[k]);
    }
    return power;
}

size_t binOf(double hz, size_t length)
{
    return static_cast<size_t>(std::lround(hz * static_cast<double>(length) / spectrumRate));
}

void shares(const std::vector<double>& power, size_t length, Spectrum& result)
{
    double total = 0.0, weighted = 0.0, high16 = 0.0, high12 = 0.0, high8 = 0.0;
    const double binHz = spectrumRate / static_cast<double>(length);
    for (size_t k = 1; k < power.size(); ++k) {
        const double hz = static_cast<double>(k) * binHz;
        total += power[k];
        weighted += power[k] * hz;
        high16 += hz > 16000.0 ? power[k] : 0.0;
        high12 += hz > 12000.0 ? power[k] : 0.0;
        high8 += hz > 8000.0 ? power[k] : 0.0;
    }
    if (total > 0.0) {
        result.centroidHz = weighted / total;
        result.above16k = high16 / total;
        result.above12k = high12 / total;
        result.above8k = high8 / total;
    }
}

}  // namespace

double keyHz(int key)
{
    return 440.0 * std::pow(2.0, (key - 69) / 12.0);
}

Spectrum analyseNote(const std::vector<float>& samples, size_t start, size_t length, Window window)
{
    Spectrum result;
    if (start + length > samples.size()) {
        return result;
    }
    const float* stretch = samples.data() + start;
    double sum = 0.0, squares = 0.0;
    for (size_t i = 0; i < length; ++i) {
        sum += stretch[i];
        squares += static_cast<double>(stretch[i]) * stretch[i];
    }
    const double mean = sum / static_cast<double>(length);
    result.rms = std::sqrt(squares / static_cast<double>(length));
    if (result.rms <= 1e-9) {
        result.rms = 0.0;
        return result;
    }
    result.dcDb = std::fabs(mean) > 0.0 ? 20.0 * std::log10(std::fabs(mean) / result.rms) : -200.0;
    const std::vector<double> power = powerSpectrum(stretch, length, mean, window);
    shares(power, length, result);

    // Tonality: the band's strongest 1 % of bins against the whole band.
    const size_t low = binOf(30.0, length), high = binOf(8000.0, length);
    std::vector<double> band(power.begin() + static_cast<std::ptrdiff_t>(low), power.begin() + static_cast<std::ptrdiff_t>(high) + 1);
    double bandTotal = 0.0;
    for (double p : band) {
        bandTotal += p;
    }
    const size_t strongest = std::max<size_t>(1, band.size() / 100);
    std::partial_sort(band.begin(), band.begin() + static_cast<std::ptrdiff_t>(strongest), band.end(), std::greater<>());
    double top = 0.0;
    for (size_t i = 0; i < strongest; ++i) {
        top += band[i];
    }
    result.peakShare = bandTotal > 0.0 ? top / bandTotal : 0.0;

    // The strongest partial below 2 kHz, placed between bins by a parabola through the peak.
    const size_t limit = binOf(2000.0, length);
    size_t peak = low;
    for (size_t k = low; k <= limit; ++k) {
        if (power[k] > power[peak]) {
            peak = k;
        }
    }
    double offset = 0.0;
    if (peak > 0 && peak + 1 < power.size()) {
        const double a = std::log(power[peak - 1] + 1e-300), b = std::log(power[peak] + 1e-300),
                     c = std::log(power[peak + 1] + 1e-300);
        const double denominator = a - 2.0 * b + c;
        offset = denominator != 0.0 ? std::clamp(0.5 * (a - c) / denominator, -0.5, 0.5) : 0.0;
    }
    result.strongestHz = (static_cast<double>(peak) + offset) * spectrumRate / static_cast<double>(length);
    return result;
}

Spectrum analyseSong(const std::vector<float>& samples)
{
    Spectrum result;
    if (samples.size() < songSegment) {
        return result;
    }
    double sum = 0.0, squares = 0.0;
    for (float s : samples) {
        sum += s;
        squares += static_cast<double>(s) * s;
    }
    const double mean = sum / static_cast<double>(samples.size());
    result.rms = std::sqrt(squares / static_cast<double>(samples.size()));
    if (result.rms <= 1e-9) {
        result.rms = 0.0;
        return result;
    }
    result.dcDb = std::fabs(mean) > 0.0 ? 20.0 * std::log10(std::fabs(mean) / result.rms) : -200.0;
    std::vector<double> total(songSegment / 2 + 1, 0.0);
    for (size_t start = 0; start + songSegment <= samples.size(); start += songSegment) {
        const std::vector<double> power = powerSpectrum(samples.data() + start, songSegment, mean);
        for (size_t k = 0; k < total.size(); ++k) {
            total[k] += power[k];
        }
    }
    shares(total, songSegment, result);
    return result;
}

bool onPartial(double hz, double fundamentalHz, bool bell)
{
    auto near = [&](double ratio) { return std::fabs(1200.0 * std::log2(hz / (ratio * fundamentalHz))) <= 35.0; };
    const double harmonic = std::max(1.0, std::round(hz / fundamentalHz));
    if (near(harmonic)) {
        return true;
    }
    if (!bell) {
        return false;
    }
    // Church bells (hum, tierce, quint, nominal and the partials above) and free bars and
    // tubes (2.76, 5.40, 8.93 times the lowest mode).
    static constexpr double partials[] = {0.5, 1.19, 1.5, 2.5, 2.66, 2.76, 3.25, 4.2, 5.4, 6.27, 8.93, 13.34};
    return std::any_of(std::begin(partials), std::end(partials), near);
}

}  // namespace quorva::tonemeter
