// synth.h - deterministic building blocks for the example tune's instruments:
// oscillators, noise and a one-pole filter. Only IEEE-exact arithmetic (no
// libm transcendental calls), so every compiler and optimisation level bakes
// the same sample bytes and the committed module stays reproducible.
#pragma once

#include <cstdint>
#include <vector>

// sin(2*pi*phase) for any phase, accurate to about 1e-7.
double synth_sine(double phase);

// Band-limited sawtooth (phase in cycles) with harmonics 1..harmonics, peak about 1.
double synth_saw(double phase, int harmonics);

// Band-limited pulse of the given duty (0..1) with harmonics 1..harmonics.
double synth_pulse(double phase, double duty, int harmonics);

// White noise in -1..1 from a fixed-seed xorshift generator.
struct SynthNoise {
    uint32_t state = 0x9e3779b9u;
    double next();
};

// One-pole low-pass: coefficient 0..1, larger passes more.
struct SynthLowpass {
    double coefficient;
    double value = 0;
    double run(double in) { return value += coefficient * (in - value); }
};

// Scales `signal` so its largest magnitude becomes `peak` (0..1) of full
// scale and rounds it to 16-bit PCM.
std::vector<int16_t> synth_to_pcm(const std::vector<double> &signal, double peak);
