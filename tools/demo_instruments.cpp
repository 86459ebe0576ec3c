// demo_instruments.cpp - synthesis of every instrument in the example tune.
// Drums are rendered at the rate C-4 plays them (8363 Hz two octaves up);
// melodic loops hold a whole number of cycles of every partial so they loop
// without clicks, with slow detune beating built into the loop.
#include "demo_instruments.h"

#include "synth.h"

namespace {

// Every instrument is transposed two octaves: C-4 then plays the sample at
// 4 x 8363 Hz.
constexpr double kDrumRate = 4 * 8363.0;
constexpr int kRelativeNote = 24;
// A melodic cycle of 128 samples at that rate sounds at middle C.
constexpr int kCycle = 128;

XmInstrument instrument(const char *name, std::vector<int16_t> pcm, uint8_t volume, uint8_t panning) {
    XmInstrument ins;
    ins.name = name;
    ins.sample = std::move(pcm);
    ins.volume = volume;
    ins.panning = panning;
    ins.relativeNote = kRelativeNote;
    return ins;
}

XmInstrument looped(const char *name, std::vector<int16_t> pcm, uint8_t volume, uint8_t panning) {
    XmInstrument ins = instrument(name, std::move(pcm), volume, panning);
    ins.loopStart = 0;
    ins.loopLength = static_cast<int>(ins.sample.size());
    return ins;
}

// Exponential decay by repeated multiplication, halving every `halfLife`
// seconds (a first-order step of ln 2 per half-life is close enough here).
struct Decay {
    double level = 1, factor;
    explicit Decay(double halfLife) : factor(1 - 0.6931471805599453 / (halfLife * kDrumRate)) {}
    double next() { return level *= factor; }
};

std::vector<double> noise_burst(double seconds, double halfLife, double brightness, uint32_t seed) {
    SynthNoise noise;
    noise.state = seed;
    SynthLowpass body{brightness};
    Decay env(halfLife);
    std::vector<double> out(static_cast<size_t>(seconds * kDrumRate));
    double previous = 0;
    for (double &s : out) {
        const double n = body.run(noise.next());
        s = (n - previous) * env.next(); // the difference removes the low rumble
        previous = n;
    }
    return out;
}

} // namespace

XmInstrument demo_kick() {
    std::vector<double> out(static_cast<size_t>(0.42 * kDrumRate));
    Decay amp(0.09), sweep(0.018);
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double frequency = 48 + 130 * sweep.next();
        phase += frequency / kDrumRate;
        const double attack = i < 40 ? i / 40.0 : 1;
        out[i] = synth_sine(phase) * amp.next() * attack;
    }
    return instrument("kick", synth_to_pcm(out, 0.95), 64, 128);
}

XmInstrument demo_snare() {
    std::vector<double> out = noise_burst(0.3, 0.045, 0.55, 0x1234567u);
    Decay tone(0.03);
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        phase += 190 / kDrumRate;
        out[i] = out[i] * 1.4 + synth_sine(phase) * tone.next() * 0.8;
    }
    return instrument("snare", synth_to_pcm(out, 0.9), 50, 120);
}

XmInstrument demo_closed_hat() {
    return instrument("closed hat", synth_to_pcm(noise_burst(0.07, 0.012, 0.9, 0xabcdef1u), 0.8), 32, 160);
}

XmInstrument demo_open_hat() {
    return instrument("open hat", synth_to_pcm(noise_burst(0.4, 0.08, 0.9, 0x7654321u), 0.8), 28, 170);
}

XmInstrument demo_crash() {
    return instrument("crash", synth_to_pcm(noise_burst(1.2, 0.25, 0.75, 0x2468aceu), 0.8), 30, 100);
}

XmInstrument demo_bass() {
    // Two cycles of a soft saw over one cycle of a sub-octave sine.
    std::vector<double> out(2 * kCycle);
    for (size_t i = 0; i < out.size(); ++i) {
        const double phase = static_cast<double>(i) / kCycle;
        out[i] = synth_saw(phase, 14) * 0.7 + synth_sine(phase / 2) * 0.6;
    }
    XmInstrument ins = looped("bass", synth_to_pcm(out, 0.9), 50, 128);
    ins.volumeEnvelope.points = {{0, 64}, {3, 54}, {20, 34}, {70, 0}};
    return ins;
}

XmInstrument demo_arp() {
    std::vector<double> out(kCycle);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = synth_pulse(static_cast<double>(i) / kCycle, 0.25, 24);
    XmInstrument ins = looped("arp", synth_to_pcm(out, 0.8), 24, 80);
    ins.volumeEnvelope.points = {{0, 64}, {6, 34}, {12, 18}, {24, 0}};
    return ins;
}

namespace {

// 128 cycles of a square against 129 of a saw: a slow chorus within one loop.
std::vector<int16_t> lead_wave() {
    std::vector<double> out(128 * kCycle);
    const double span = static_cast<double>(out.size());
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / span;
        out[i] = synth_pulse(t * 128, 0.5, 12) * 0.6 + synth_saw(t * 129, 12) * 0.5;
    }
    return synth_to_pcm(out, 0.85);
}

} // namespace

XmInstrument demo_lead() {
    XmInstrument ins = looped("lead", lead_wave(), 40, 110);
    ins.volumeEnvelope.points = {{0, 0}, {1, 64}, {10, 48}, {20, 44}};
    ins.volumeEnvelope.sustain = 3;
    ins.fadeout = 1400;
    return ins;
}

XmInstrument demo_lead_echo() {
    XmInstrument ins = demo_lead();
    ins.name = "lead echo";
    ins.volume = 18;
    ins.panning = 200;
    return ins;
}

XmInstrument demo_pad() {
    // Three saws at 127, 128 and 129 cycles per loop, darkened.
    std::vector<double> out(128 * kCycle);
    const double span = static_cast<double>(out.size());
    SynthLowpass smooth{0.35};
    for (int pass = 0; pass < 2; ++pass) // the second pass starts from a settled filter
        for (size_t i = 0; i < out.size(); ++i) {
            const double t = static_cast<double>(i) / span;
            const double s = synth_saw(t * 127, 10) + synth_saw(t * 128, 10) + synth_saw(t * 129, 10);
            out[i] = smooth.run(s);
        }
    XmInstrument ins = looped("pad", synth_to_pcm(out, 0.8), 22, 128);
    ins.volumeEnvelope.points = {{0, 0}, {18, 44}, {40, 38}};
    ins.volumeEnvelope.sustain = 2;
    ins.fadeout = 700;
    return ins;
}
