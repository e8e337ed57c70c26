// The background music (dat/music.it): the tune below as text, turned into an Impulse Tracker
// module with seven channels (melody, arpeggio left, bass, kick, hi-hat, snare, arpeggio right)
// and synthesised samples.
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "assets.h"
#include "it_writer.h"
#include "synth.h"

namespace {

// ---- The tune: edit here ----------------------------------------------------------------------
//
// 125 beats a minute, four rows to a beat, a bar is 16 rows and a pattern four bars (7.68 s).
// A melody bar is 16 steps: a note (C5 is middle C; sharps as C#5), "-" to hold, "." to stop.
// Chords are given per half bar (eight rows): C, Dm, Em, F, G, Am; the arpeggio and the bass
// are made from them, the drums follow a fixed groove with a fill in a section's last bar.

struct section {
    const char* name;
    const char* chords;     // 8 chords, one per half bar
    const char* melody[4];  // 4 bars
    int transpose;          // semitones added to the melody
};

const section sections[] = {
    {"A1", "C C Am Am F F G G",
     {"E5 - G5 - C6 - - - B5 - G5 - E5 - - -",
      "A5 - - - C6 - A5 - E5 - - - C5 - E5 -",
      "F5 - A5 - C6 - - - D6 - C6 - A5 - F5 -",
      "G5 - - - B5 - D6 - G5 - - - . - - -"}, 0},
    {"A2", "C C Am Am F G C C",
     {"E5 - G5 - C6 - - - E6 - D6 - C6 - - -",
      "A5 - - - C6 - E6 - D6 - C6 - A5 - - -",
      "F5 - A5 - C6 - A5 - G5 - B5 - D6 - B5 -",
      "C6 - - - G5 - E5 - C5 - - - . - - -"}, 0},
    {"B1", "F F G G Em Em Am Am",
     {"A5 - - A5 C6 - A5 - G5 - F5 - A5 - - -",
      "B5 - - B5 D6 - B5 - A5 - G5 - B5 - - -",
      "G5 - - G5 B5 - G5 - E6 - D6 - B5 - - -",
      "C6 - - - B5 - A5 - E5 - - - . - - -"}, 0},
    {"B2", "F F G G C C G G",
     {"A5 - C6 - F6 - - - E6 - D6 - C6 - A5 -",
      "B5 - D6 - G6 - - - F6 - E6 - D6 - B5 -",
      "C6 - E6 - G6 - E6 - C6 - - - G5 - - -",
      "D6 - - - B5 - - - G5 - A5 - B5 - D6 -"}, 0},
    {"A1 high", "C C Am Am F F G G",
     {"E5 - G5 - C6 - - - B5 - G5 - E5 - - -",
      "A5 - - - C6 - A5 - E5 - - - C5 - E5 -",
      "F5 - A5 - C6 - - - D6 - C6 - A5 - F5 -",
      "G5 - - - B5 - D6 - G5 - - - . - - -"}, 12},
    {"A2 high", "C C Am Am F G C C",
     {"E5 - G5 - C6 - - - E6 - D6 - C6 - - -",
      "A5 - - - C6 - E6 - D6 - C6 - A5 - - -",
      "F5 - A5 - C6 - A5 - G5 - B5 - D6 - B5 -",
      "C6 - - - G5 - E5 - C5 - - - . - - -"}, 12},
    {"C1", "Am Am F F C C G G",
     {"E6 - - - D6 - C6 - B5 - C6 - A5 - - -",
      "A5 - - - G5 - F5 - A5 - C6 - F6 - - -",
      "E6 - - - D6 - C6 - G5 - - - E5 - - -",
      "D5 - G5 - B5 - D6 - G6 - - - . - - -"}, 0},
    {"C2", "Am Am F F G G G G",
     {"E6 - - - D6 - C6 - B5 - C6 - A5 - - -",
      "A5 - - - G5 - F5 - A5 - C6 - F6 - - -",
      "G6 - F6 - E6 - D6 - B5 - - - D6 - - -",
      "G5 - A5 - B5 - C6 - D6 - - - . - - -"}, 0},
};

// The song: sections in playing order (indices into sections). After the last it starts again
// from the first; the last ends on G, which leads back into the C of the first.
const int song_order[] = {0, 1, 2, 3, 4, 5, 6, 7, 2, 3};

// Chord tones as semitones above C.
const std::map<std::string, std::vector<int>> chord_tones = {
    {"C", {0, 4, 7}}, {"Dm", {2, 5, 9}}, {"Em", {4, 7, 11}},
    {"F", {5, 9, 12}}, {"G", {7, 11, 14}}, {"Am", {9, 12, 16}},
};

// The groove of one bar, row by row: k kick, s snare, . nothing; and the fill of a last bar.
const char* const drum_bar = "k...s...k.k.s...";
const char* const drum_fill = "k...s...k.s.s.ss";
const char* const hat_bar = "..h...h...h...h.";  // hi-hat on the off-beats

// Where each channel stands, 0 (left) .. 32 (middle) .. 64 (right): the melody, the bass and the
// kick in the middle, the arpeggio from left to right and back, the hi-hat and the snare to the
// right.
// melody, arpeggio (left), bass, kick, hi-hat, snare, arpeggio (right)
const std::vector<int> stage = {32, 4, 32, 32, 56, 46, 60};

// Volumes (0..64) of the parts, the tempo and the speed.
constexpr int melody_volume = 58, arp_volume = 24, bass_volume = 40, kick_volume = 64, snare_volume = 46,
              hat_volume = 34;
constexpr int song_tempo = 125, song_speed = 6;

// ---- The samples ------------------------------------------------------------------------------

// Tonal samples hold one period of `period` frames from their loop start on, so that the loop is
// seamless; C5Speed is set so that note C-5 plays middle C.
constexpr int period = 84;  // 22050 / 84 = 262.5 Hz
constexpr double middle_c = 261.6256;

enum sample_number { smp_lead = 1, smp_arp, smp_bass, smp_kick, smp_snare, smp_hat };

// A tone sample: `attack_periods` periods whose level falls from 1 to `sustain`, then one
// period at the sustain level, looped.
it_sample tone_sample(const char* name, const double* harmonics, int count, int attack_periods, double sustain,
                      double gain) {
    std::vector<double> w(static_cast<size_t>((attack_periods + 1) * period));
    for (size_t i = 0; i < w.size(); i++) {
        double ph = 2 * synth_pi * static_cast<double>(i % period) / period;
        double v = 0;
        for (int h = 0; h < count; h++) v += harmonics[h] * std::sin((h + 1) * ph);
        double k = static_cast<double>(i) / (attack_periods * period);
        double level = k >= 1 ? sustain : sustain + (1 - sustain) * std::exp(-4 * k) * (1 - k) ;
        double onset = i < 32 ? static_cast<double>(i) / 32 : 1.0;  // no click at the start
        w[i] = gain * level * onset * v;
    }
    it_sample s;
    s.name = name;
    for (double v : w) s.data.push_back(static_cast<std::int16_t>(std::lround(v * 32767.0)));
    s.c5speed = static_cast<std::uint32_t>(std::lround(synth_rate * middle_c / (double(synth_rate) / period)));
    s.loop = true;
    s.loop_begin = static_cast<std::uint32_t>(attack_periods * period);
    s.loop_end = static_cast<std::uint32_t>((attack_periods + 1) * period);
    return s;
}

it_sample drum_sample(const char* name, std::vector<double> w) {
    it_sample s;
    s.name = name;
    s.data = to_pcm16(w, 16);
    s.c5speed = synth_rate;  // C-5 plays it as made
    return s;
}

std::vector<double> kick() {
    std::vector<double> w(static_cast<size_t>(0.2 * synth_rate));
    double phase = 0;
    for (size_t i = 0; i < w.size(); i++) {
        double t = static_cast<double>(i) / synth_rate;
        phase += 2 * synth_pi * (45 + 110 * std::exp(-30 * t)) / synth_rate;
        w[i] = 0.95 * std::sin(phase) * std::exp(-16 * t);
    }
    return w;
}

std::vector<double> snare() {
    std::vector<double> w(static_cast<size_t>(0.18 * synth_rate));
    noise_source noise(0x5EED5u);
    double lp = 0;
    for (size_t i = 0; i < w.size(); i++) {
        double t = static_cast<double>(i) / synth_rate;
        double n = noise.next();
        lp += 0.5 * (n - lp);
        w[i] = (0.6 * lp * std::exp(-22 * t) + 0.4 * std::sin(2 * synth_pi * 185 * t) * std::exp(-30 * t));
    }
    return w;
}

std::vector<double> hat() {
    std::vector<double> w(static_cast<size_t>(0.05 * synth_rate));
    noise_source noise(0xA7A7u);
    double prev = 0;
    for (size_t i = 0; i < w.size(); i++) {
        double t = static_cast<double>(i) / synth_rate;
        double n = noise.next();
        w[i] = 0.5 * (n - prev) * std::exp(-70 * t);  // a first difference: only the highs
        prev = n;
    }
    return w;
}

std::vector<it_sample> make_samples() {
    const double lead[] = {1.0, 0.0, 0.33, 0.0, 0.18, 0.0, 0.08};  // soft square
    const double arp[] = {1.0, 0.5, 0.0, 0.15};                    // round, a little hollow
    const double bass[] = {1.0, 0.45, 0.2, 0.05};
    return {tone_sample("lead", lead, 7, 40, 0.45, 0.5), tone_sample("arpeggio", arp, 4, 20, 0.3, 0.55),
            tone_sample("bass", bass, 4, 60, 0.6, 0.6), drum_sample("kick", kick()),
            drum_sample("snare", snare()), drum_sample("hi-hat", hat())};
}

// ---- From the text to patterns ----------------------------------------------------------------

std::vector<std::string> words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// "C5" -> 60, "C#5" -> 61; -1 if not a note.
int parse_note(const std::string& w) {
    static const int semis[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
    if (w.size() < 2 || w[0] < 'A' || w[0] > 'G') return -1;
    int n = semis[w[0] - 'A'];
    size_t i = 1;
    if (w[i] == '#') {
        n++;
        i++;
    }
    if (i >= w.size() || w[i] < '0' || w[i] > '9') return -1;
    return 12 * (w[i] - '0') + n;
}

enum channel { ch_melody, ch_arp, ch_bass, ch_drums, ch_hat, ch_snare, ch_arp_right, channel_count };

bool make_pattern(const section& sec, bool first, it_pattern& p) {
    std::vector<std::string> chords = words(sec.chords);
    if (chords.size() != 8) {
        std::fprintf(stderr, "make-assets: section %s needs 8 chords\n", sec.name);
        return false;
    }
    for (int bar = 0; bar < 4; bar++) {
        std::vector<std::string> steps = words(sec.melody[bar]);
        if (steps.size() != 16) {
            std::fprintf(stderr, "make-assets: section %s bar %d needs 16 steps\n", sec.name, bar + 1);
            return false;
        }
        for (int i = 0; i < 16; i++) {
            it_cell& c = p.at(16 * bar + i, ch_melody);
            if (steps[i] == "-") continue;
            if (steps[i] == ".") {
                c.note = it_note_cut;
                continue;
            }
            int n = parse_note(steps[i]);
            if (n < 0) {
                std::fprintf(stderr, "make-assets: section %s: bad note %s\n", sec.name, steps[i].c_str());
                return false;
            }
            c.note = n + sec.transpose;
            c.sample = smp_lead;
            c.volume = melody_volume;
        }
    }
    for (int half = 0; half < 8; half++) {
        auto it = chord_tones.find(chords[static_cast<size_t>(half)]);
        if (it == chord_tones.end()) {
            std::fprintf(stderr, "make-assets: section %s: unknown chord %s\n", sec.name,
                         chords[static_cast<size_t>(half)].c_str());
            return false;
        }
        const std::vector<int>& t = it->second;
        int row0 = 8 * half;
        // Arpeggio in eighths: root, third, fifth, octave, up and down, an octave under the tune.
        const int arp_steps[4] = {t[0], t[1], t[2], t[0] + 12};
        // Its notes go left and right in turn.
        for (int k = 0; k < 4; k++) {
            it_cell& c = p.at(row0 + 2 * k, k % 2 == 0 ? ch_arp : ch_arp_right);
            c.note = 48 + arp_steps[(half % 2 == 0) ? k : 3 - k];
            c.sample = smp_arp;
            c.volume = arp_volume;
        }
        // Bass: the root on the beat, the fifth on the next beat, two octaves down.
        const int bass_steps[2] = {t[0], t[2] - 12};
        for (int k = 0; k < 2; k++) {
            it_cell& c = p.at(row0 + 4 * k, ch_bass);
            c.note = 36 + bass_steps[k];
            c.sample = smp_bass;
            c.volume = bass_volume;
        }
    }
    for (int bar = 0; bar < 4; bar++) {
        const char* groove = bar == 3 ? drum_fill : drum_bar;
        for (int i = 0; i < 16; i++) {
            it_cell& d = p.at(16 * bar + i, ch_drums);
            if (groove[i] == 'k') {
                d.note = 60;
                d.sample = smp_kick;
                d.volume = kick_volume;
            } else if (groove[i] == 's') {
                it_cell& s = p.at(16 * bar + i, ch_snare);
                s.note = 60;
                s.sample = smp_snare;
                s.volume = snare_volume;
            }
            if (hat_bar[i] == 'h') {
                it_cell& h = p.at(16 * bar + i, ch_hat);
                h.note = 60;
                h.sample = smp_hat;
                h.volume = hat_volume;
            }
        }
    }
    if (first) {
        // Speed and tempo again on the first row, so that every loop of the song starts alike.
        p.at(0, ch_melody).effect = 1;  // A: speed
        p.at(0, ch_melody).param = song_speed;
        p.at(0, ch_arp).effect = 20;  // T: tempo
        p.at(0, ch_arp).param = song_tempo;
    }
    return true;
}

}  // namespace

bool write_music(const std::string& out) {
    it_module m;
    m.name = "One Step Ahead";
    m.speed = song_speed;
    m.tempo = song_tempo;
    m.mix_volume = 64;
    m.pan = stage;
    m.samples = make_samples();
    const int section_count = static_cast<int>(sizeof(sections) / sizeof(sections[0]));
    for (int i = 0; i < section_count; i++) {
        it_pattern p(64, channel_count);
        if (!make_pattern(sections[i], i == song_order[0], p)) return false;
        m.patterns.push_back(p);
    }
    for (int o : song_order) m.orders.push_back(o);
    return write_it(out + "/music.it", m);
}
