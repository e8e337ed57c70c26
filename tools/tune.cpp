// The tune maker: a tune's text (tune.h) turned into an Impulse Tracker module with synthesised
// samples; and the game's music, dat/music.it, which is the town's tune.
#include "tune.h"

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "assets.h"
#include "it_writer.h"
#include "synth.h"

namespace {

// ---- The samples ------------------------------------------------------------------------------

// Tonal samples hold one period of `period` frames from their loop start on, so that the loop is
// seamless; C5Speed is set so that note C-5 plays middle C.
constexpr int period = 84;  // 22050 / 84 = 262.5 Hz
constexpr double middle_c = 261.6256;

enum sample_number { smp_lead = 1, smp_arp, smp_bass, smp_kick, smp_snare, smp_hat };

it_sample tone_sample(const char* name, const tune_voice& v) {
    const int attack_periods = v.attack_periods;
    std::vector<double> w(static_cast<size_t>((attack_periods + 1) * period));
    for (size_t i = 0; i < w.size(); i++) {
        double ph = 2 * synth_pi * static_cast<double>(i % period) / period;
        double s = 0;
        for (size_t h = 0; h < v.harmonics.size(); h++) s += v.harmonics[h] * std::sin(static_cast<double>(h + 1) * ph);
        double k = static_cast<double>(i) / (attack_periods * period);
        double level = k >= 1 ? v.sustain : v.sustain + (1 - v.sustain) * std::exp(-4 * k) * (1 - k);
        double onset = i < 32 ? static_cast<double>(i) / 32 : 1.0;  // no click at the start
        w[i] = v.gain * level * onset * s;
    }
    it_sample s;
    s.name = name;
    for (double x : w) s.data.push_back(static_cast<std::int16_t>(std::lround(x * 32767.0)));
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

std::vector<it_sample> make_samples(const tune& t) {
    return {tone_sample("lead", t.lead), tone_sample("arpeggio", t.arpeggio), tone_sample("bass", t.bass),
            drum_sample("kick", kick()), drum_sample("snare", snare()), drum_sample("hi-hat", hat())};
}

// ---- From the text to patterns ----------------------------------------------------------------

std::vector<std::string> words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// The pitch class of a note's or a chord's letter and accidental ("C" 0, "C#" 1, "Bb" 10), and
// how many characters it took; -1 if there is none.
int pitch_class(const std::string& w, size_t* used) {
    static const int semis[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
    if (w.empty() || w[0] < 'A' || w[0] > 'G') return -1;
    int n = semis[w[0] - 'A'];
    *used = 1;
    if (w.size() > 1 && (w[1] == '#' || w[1] == 'b')) {
        n += w[1] == '#' ? 1 : -1;
        *used = 2;
    }
    return n;
}

// "C5" -> 60, "C#5" -> 61, "Bb4" -> 58; -1 if not a note.
int parse_note(const std::string& w) {
    size_t i = 0;
    const int n = pitch_class(w, &i);
    if (n < 0 || i + 1 != w.size() || w[i] < '0' || w[i] > '9') return -1;
    return 12 * (w[i] - '0') + n;
}

// A chord's tones as semitones above C, its root in 0..11: "Am" -> 9, 12, 16. Empty if unknown.
std::vector<int> chord_tones(const std::string& w) {
    size_t i = 0;
    int root = pitch_class(w, &i);
    if (root < 0) return {};
    root = (root + 12) % 12;
    const std::string quality = w.substr(i);
    if (quality.empty()) return {root, root + 4, root + 7};
    if (quality == "m") return {root, root + 3, root + 7};
    return {};
}

enum channel { ch_melody, ch_arp, ch_bass, ch_drums, ch_hat, ch_snare, ch_arp_right, channel_count };

// Every note on a beat's second eighth comes t.grooves.swing ticks late (SDx).
void swing_pattern(const tune& t, it_pattern& p) {
    if (t.grooves.swing <= 0) return;
    for (int row = 2; row < p.rows; row += 4)
        for (int ch = 0; ch < p.channels; ch++) {
            it_cell& c = p.at(row, ch);
            if (c.note < 0 || c.effect != 0) continue;
            c.effect = 19;  // S
            c.param = 0xD0 | (t.grooves.swing & 0x0F);
        }
}

bool fail(const tune& t, const tune_section& sec, const std::string& why) {
    std::fprintf(stderr, "make-assets: %s, section %s: %s\n", t.title, sec.name, why.c_str());
    return false;
}

bool make_pattern(const tune& t, const tune_section& sec, bool first, it_pattern& p) {
    std::vector<std::string> chords = words(sec.chords);
    if (chords.size() != 8) return fail(t, sec, "needs 8 chords");
    for (int bar = 0; bar < 4; bar++) {
        std::vector<std::string> steps = words(sec.melody[bar]);
        if (steps.size() != 16) return fail(t, sec, "bar " + std::to_string(bar + 1) + " needs 16 steps");
        for (int i = 0; i < 16; i++) {
            it_cell& c = p.at(16 * bar + i, ch_melody);
            if (steps[i] == "-") continue;
            if (steps[i] == ".") {
                c.note = it_note_cut;
                continue;
            }
            int n = parse_note(steps[i]);
            if (n < 0) return fail(t, sec, "bad note " + steps[i]);
            c.note = n + sec.transpose;
            c.sample = smp_lead;
            c.volume = t.mix.melody;
        }
    }
    for (int half = 0; half < 8; half++) {
        const std::string& name = chords[static_cast<size_t>(half)];
        const std::vector<int> tone = chord_tones(name);
        if (tone.empty()) return fail(t, sec, "unknown chord " + name);
        const int row0 = 8 * half;
        // The arpeggio's notes go left and right in turn.
        const char* arp = half % 2 == 0 ? t.grooves.arp_even : t.grooves.arp_odd;
        for (int i = 0, k = 0; i < 8 && arp[i]; i++) {
            if (arp[i] < '0' || arp[i] > '3') continue;
            const int d = arp[i] - '0';
            it_cell& c = p.at(row0 + i, k++ % 2 == 0 ? ch_arp : ch_arp_right);
            c.note = 48 + (d == 3 ? tone[0] + 12 : tone[static_cast<size_t>(d)]);
            c.sample = smp_arp;
            c.volume = t.mix.arpeggio;
        }
        for (int i = 0; i < 8 && t.grooves.bass[i]; i++) {
            const char b = t.grooves.bass[i];
            if (b != 'r' && b != 'f' && b != 't') continue;
            it_cell& c = p.at(row0 + i, ch_bass);
            c.note = 36 + (b == 'r' ? tone[0] : b == 't' ? tone[1] : tone[2] - 12);
            c.sample = smp_bass;
            c.volume = t.mix.bass;
        }
    }
    for (int bar = 0; bar < 4; bar++) {
        const char* groove = bar == 3 ? t.grooves.fill : t.grooves.drums;
        for (int i = 0; i < 16; i++) {
            it_cell& d = p.at(16 * bar + i, ch_drums);
            if (groove[i] == 'k') {
                d.note = 60;
                d.sample = smp_kick;
                d.volume = t.mix.kick;
            } else if (groove[i] == 's') {
                it_cell& s = p.at(16 * bar + i, ch_snare);
                s.note = 60;
                s.sample = smp_snare;
                s.volume = t.mix.snare;
            }
            if (t.grooves.hat[i] == 'h') {
                it_cell& h = p.at(16 * bar + i, ch_hat);
                h.note = 60;
                h.sample = smp_hat;
                h.volume = t.mix.hat;
            }
        }
    }
    if (first) {
        // Speed and tempo again on the first row, so that every loop of the song starts alike.
        p.at(0, ch_melody).effect = 1;  // A: speed
        p.at(0, ch_melody).param = t.speed;
        p.at(0, ch_arp).effect = 20;  // T: tempo
        p.at(0, ch_arp).param = t.tempo;
    }
    swing_pattern(t, p);
    return true;
}

}  // namespace

const tune* district_tune(const std::string& folder) {
    const std::pair<const char*, const tune*> tunes[] = {
        {"town", &town_tune},          {"harbour", &harbour_tune},   {"autumn-park", &autumn_park_tune},
        {"old-quarter", &old_quarter_tune}, {"rooftops", &rooftops_tune}, {"night-market", &night_market_tune}};
    for (const auto& [name, t] : tunes)
        if (folder == name) return t;
    return nullptr;
}

bool write_tune(const std::string& path, const tune& t) {
    it_module m;
    m.name = t.title;
    m.speed = t.speed;
    m.tempo = t.tempo;
    m.mix_volume = 64;
    m.pan = t.mix.stage;
    m.samples = make_samples(t);
    if (t.order.empty()) {
        std::fprintf(stderr, "make-assets: %s has no order\n", t.title);
        return false;
    }
    for (size_t i = 0; i < t.sections.size(); i++) {
        it_pattern p(64, channel_count);
        if (!make_pattern(t, t.sections[i], static_cast<int>(i) == t.order[0], p)) return false;
        m.patterns.push_back(p);
    }
    for (int o : t.order) {
        if (o < 0 || o >= static_cast<int>(t.sections.size())) {
            std::fprintf(stderr, "make-assets: %s: no section %d\n", t.title, o);
            return false;
        }
        m.orders.push_back(o);
    }
    return write_it(path, m);
}

bool write_music(const std::string& out) { return write_tune(out + "/music.it", town_tune); }
