// The old quarter's tune: a dance in E minor with the raised seventh of the old modes, a plucked
// mandolin over guitar-like broken chords, a tambourine in eighths.
#include "tune.h"

namespace {

// ---- The tune: edit here ----------------------------------------------------------------------
//
// 104 beats a minute, a pattern four bars (9.23 s).

const std::vector<tune_section> sections = {
    {"A1", "Em Em Am Am B B Em Em",
     {"E5 - F#5 - G5 - B5 - E6 - - - D#6 - E6 -",
      "C6 - B5 - A5 - - - E5 - - - A5 - C6 -",
      "B5 - - - D#6 - - - F#6 - E6 - D#6 - B5 -",
      "E6 - - - B5 - G5 - E5 - - - . - - -"}, 0},
    {"A2", "Em Em Am Am B B Em Em",
     {"B5 - - - G5 - E5 - B5 - C6 - B5 - A5 -",
      "A5 - - - C6 - E6 - D6 - C6 - B5 - A5 -",
      "F#5 - - - A5 - C6 - B5 - A5 - G5 - F#5 -",
      "E5 - - - - - B4 - E5 - - - . - - -"}, 0},
    {"B1", "Am Am Em Em C C B B",
     {"A5 - - A5 C6 - E6 - D6 - C6 - B5 - A5 -",
      "G5 - - G5 B5 - E6 - D6 - B5 - G5 - E5 -",
      "E6 - - E6 G6 - E6 - C6 - - - E6 - C6 -",
      "B5 - - - D#6 - F#6 - B6 - - - . - - -"}, 0},
    {"B2", "Am Am Em Em B B Em Em",
     {"C6 - B5 - A5 - C6 - E6 - D6 - C6 - A5 -",
      "B5 - A5 - G5 - B5 - E6 - - - B5 - - -",
      "A5 - - - C6 - - - B5 - A5 - G5 - F#5 -",
      "E5 - - - - - - - E6 - - - . - - -"}, 0},
};

const std::vector<int> song_order = {0, 1, 2, 3, 0, 1, 2, 3};

// A bright plucked string that dies away, a guitar, a round bass.
const tune_voice lead = {{1.0, 0.7, 0.5, 0.32, 0.2, 0.1}, 6, 0.18, 0.36};
const tune_voice arpeggio = {{1.0, 0.55, 0.3, 0.18, 0.08}, 6, 0.1, 0.55};
const tune_voice bass = {{1.0, 0.4, 0.2}, 40, 0.5, 0.6};

// The guitar: root, fifth, third, fifth; the bass on the root and the fifth below.
const tune_grooves grooves = {"0.2.1.2.", "0.2.1.2.", "r...f...", "k...s...k...s...", "k...s...k.s.s.ss",
                              "h.h.h.h.h.h.h.h.", 0};

// melody, guitar (left), bass, kick, tambourine, snare, guitar (right)
const tune_mix mix = {{36, 14, 30, 32, 52, 24, 50}, 60, 28, 40, 50, 34, 20};

}  // namespace

const tune old_quarter_tune = {"Old Quarter", "E minor", 104, 6, sections, song_order,
                               lead, arpeggio, bass, grooves, mix};
