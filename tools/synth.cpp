// synth.cpp - oscillators, noise and scaling for the example tune's
// instruments, written with plain arithmetic so the output is bit-exact
// everywhere.
#include "synth.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

double wrap(double phase) { return phase - static_cast<double>(static_cast<int64_t>(phase)) + (phase < 0 ? 1 : 0); }

} // namespace

double synth_sine(double phase) {
    double p = wrap(phase);                 // 0..1
    if (p > 0.5) p -= 1;                    // -0.5..0.5
    if (p > 0.25) p = 0.5 - p;              // fold into -0.25..0.25
    if (p < -0.25) p = -0.5 - p;
    const double x = 2 * kPi * p, x2 = x * x;
    // Taylor series to x^13: error below 1e-9 on |x| <= pi/2.
    double term = x, sum = x;
    for (int n = 1; n <= 6; ++n) {
        term *= -x2 / ((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

double synth_saw(double phase, int harmonics) {
    double sum = 0;
    for (int h = 1; h <= harmonics; ++h) sum += synth_sine(phase * h) / h;
    return sum * (2 / kPi) * 0.9;
}

double synth_pulse(double phase, double duty, int harmonics) {
    // A pulse is the difference of two saws offset by the duty.
    return (synth_saw(phase, harmonics) - synth_saw(phase - duty, harmonics)) * 0.6;
}

double SynthNoise::next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / 2147483648.0 - 1;
}

std::vector<int16_t> synth_to_pcm(const std::vector<double> &signal, double peak) {
    double largest = 0;
    for (double s : signal) largest = s < 0 ? (-s > largest ? -s : largest) : (s > largest ? s : largest);
    const double scale = largest > 0 ? peak * 32767 / largest : 0;
    std::vector<int16_t> pcm;
    pcm.reserve(signal.size());
    for (double s : signal) {
        const double v = s * scale;
        pcm.push_back(static_cast<int16_t>(v < 0 ? v - 0.5 : v + 0.5));
    }
    return pcm;
}
