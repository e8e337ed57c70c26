// The seven sound effects (dat/*.wav): each is a short recipe of tones, noise and envelopes,
// synthesised at 22050 Hz, 16-bit mono, starting and ending in silence.
#include <cmath>
#include <string>
#include <vector>

#include "assets.h"
#include "synth.h"

namespace {

// ---- The recipes' numbers: edit here ----------------------------------------------------------

// The change sparkle: a rising run of bell pings (Hz, start in seconds) over a shimmer of noise.
struct ping {
    double hz, at;
};
const ping sparkle_pings[] = {{1046.5, 0.00}, {1318.5, 0.06}, {1568.0, 0.12}, {2093.0, 0.18},
                              {2637.0, 0.24}, {3136.0, 0.30}, {2093.0, 0.40}, {2637.0, 0.46}};
constexpr double sparkle_seconds = 0.95;

// The footsteps: a soft, low-passed noise tap; the two differ in length, colour and noise.
struct step_recipe {
    double seconds, cutoff_hz, decay, body_hz;
    unsigned noise_key;
};
const step_recipe step_one{0.075, 1400, 55, 140, 0x1234567u};
const step_recipe step_two{0.090, 900, 45, 110, 0x7654321u};

// The landing thump: a sine falling from 130 to 45 Hz with a puff of noise.
constexpr double thump_seconds = 0.26, thump_from_hz = 130, thump_to_hz = 45;

// The jump: a rising sweep, 280 to 820 Hz, with a little square colour.
constexpr double jump_seconds = 0.22, jump_from_hz = 280, jump_to_hz = 820;

// The partner's chime: two bell notes (G5, then C6) with inharmonic partials.
const ping chime_notes[] = {{783.99, 0.0}, {1046.5, 0.16}};
const double chime_partials[][2] = {{1.0, 1.0}, {2.76, 0.45}, {5.40, 0.22}, {8.93, 0.10}};
constexpr double chime_seconds = 1.3;

// A district opened: a little fanfare, a rising major arpeggio (C5 E5 G5) and a held C6 with a
// bright brass-like tone, over a soft roll of noise.
const ping fanfare_notes[] = {{523.25, 0.00}, {659.25, 0.09}, {783.99, 0.18}, {1046.5, 0.30}};
constexpr double fanfare_note_seconds = 0.11;  // each note but the last, which is held
constexpr double fanfare_seconds = 1.2;

// ---- The synthesis ----------------------------------------------------------------------------

std::vector<double> silence(double seconds) {
    return std::vector<double>(static_cast<size_t>(seconds * synth_rate), 0.0);
}

double seconds_of(size_t i) {
    return static_cast<double>(i) / synth_rate;
}

// A struck bell partial: fast attack, exponential decay.
double bell(double t, double hz, double decay) {
    if (t < 0) return 0;
    double attack = t < 0.004 ? t / 0.004 : 1.0;
    return attack * std::exp(-decay * t) * std::sin(2 * synth_pi * hz * t);
}

std::vector<double> make_sparkle() {
    std::vector<double> w = silence(sparkle_seconds);
    noise_source noise(0xC0FFEEu);
    double hp_prev_in = 0, hp_prev_out = 0;
    for (size_t i = 0; i < w.size(); i++) {
        double t = seconds_of(i);
        double v = 0;
        for (const ping& p : sparkle_pings) {
            double dt = t - p.at;
            v += 0.22 * (bell(dt, p.hz, 9.0) + 0.35 * bell(dt, p.hz * 2.01, 14.0));
        }
        // High-passed noise shimmer swelling and fading.
        double n = noise.next();
        double hp = 0.9 * (hp_prev_out + n - hp_prev_in);
        hp_prev_in = n;
        hp_prev_out = hp;
        double swell = std::sin(synth_pi * t / sparkle_seconds);
        v += 0.06 * hp * swell * swell;
        w[i] = v * std::exp(-1.5 * t);
    }
    return w;
}

std::vector<double> make_step(const step_recipe& r) {
    std::vector<double> w = silence(r.seconds);
    noise_source noise(r.noise_key);
    double lp = 0;
    const double a = 1.0 - std::exp(-2 * synth_pi * r.cutoff_hz / synth_rate);
    for (size_t i = 0; i < w.size(); i++) {
        double t = seconds_of(i);
        lp += a * (noise.next() - lp);
        double attack = t < 0.003 ? t / 0.003 : 1.0;
        double env = attack * std::exp(-r.decay * t);
        w[i] = env * (1.4 * lp + 0.25 * std::sin(2 * synth_pi * r.body_hz * t));
    }
    return w;
}

std::vector<double> make_thump() {
    std::vector<double> w = silence(thump_seconds);
    noise_source noise(0xBADA55u);
    double phase = 0, lp = 0;
    for (size_t i = 0; i < w.size(); i++) {
        double t = seconds_of(i);
        double hz = thump_to_hz + (thump_from_hz - thump_to_hz) * std::exp(-18 * t);
        phase += 2 * synth_pi * hz / synth_rate;
        lp += 0.08 * (noise.next() - lp);
        double attack = t < 0.004 ? t / 0.004 : 1.0;
        w[i] = attack * (0.85 * std::sin(phase) * std::exp(-14 * t) + 0.6 * lp * std::exp(-40 * t));
    }
    return w;
}

std::vector<double> make_jump() {
    std::vector<double> w = silence(jump_seconds);
    double phase = 0;
    for (size_t i = 0; i < w.size(); i++) {
        double t = seconds_of(i);
        double k = t / jump_seconds;
        double hz = jump_from_hz * std::pow(jump_to_hz / jump_from_hz, k);
        phase += 2 * synth_pi * hz / synth_rate;
        double tone = std::sin(phase) + 0.25 * std::sin(3 * phase) + 0.1 * std::sin(5 * phase);
        double attack = t < 0.01 ? t / 0.01 : 1.0;
        w[i] = 0.45 * attack * (1.0 - k) * (1.0 - k) * tone;
    }
    return w;
}

std::vector<double> make_chime() {
    std::vector<double> w = silence(chime_seconds);
    for (size_t i = 0; i < w.size(); i++) {
        double t = seconds_of(i);
        double v = 0;
        for (const ping& n : chime_notes)
            for (const auto& p : chime_partials) v += p[1] * bell(t - n.at, n.hz * p[0], 3.5 + 2.5 * p[0]);
        w[i] = 0.28 * v;
    }
    return w;
}

// A brass-like note: odd and even harmonics falling off, a quick swell, held `length` seconds
// and then let go.
double brass(double t, double hz, double length) {
    if (t < 0) return 0;
    const double swell = t < 0.02 ? t / 0.02 : 1.0;
    const double release = t < length ? 1.0 : std::exp(-9.0 * (t - length));
    double v = 0;
    for (int h = 1; h <= 6; h++) v += std::sin(2 * synth_pi * hz * h * t) / (h * h * 0.6 + 0.4);
    return swell * release * v;
}

std::vector<double> make_fanfare() {
    std::vector<double> w = silence(fanfare_seconds);
    noise_source noise(0xFA11FA12u);
    double lp = 0;
    const size_t notes = sizeof fanfare_notes / sizeof fanfare_notes[0];
    for (size_t i = 0; i < w.size(); i++) {
        double t = seconds_of(i);
        double v = 0;
        for (size_t k = 0; k < notes; k++) {
            const double length = k + 1 < notes ? fanfare_note_seconds : 0.5;
            v += brass(t - fanfare_notes[k].at, fanfare_notes[k].hz, length);
        }
        lp += 0.05 * (noise.next() - lp);
        w[i] = 0.22 * v + 0.3 * lp * std::exp(-6 * t);
    }
    return w;
}

}  // namespace

bool write_sounds(const std::string& out) {
    return write_wav(out + "/change.wav", to_pcm16(make_sparkle())) &&
           write_wav(out + "/shoe1.wav", to_pcm16(make_step(step_one))) &&
           write_wav(out + "/shoe2.wav", to_pcm16(make_step(step_two))) &&
           write_wav(out + "/land.wav", to_pcm16(make_thump())) &&
           write_wav(out + "/jump.wav", to_pcm16(make_jump())) &&
           write_wav(out + "/vela.wav", to_pcm16(make_chime())) &&
           write_wav(out + "/unlock.wav", to_pcm16(make_fanfare()));
}
