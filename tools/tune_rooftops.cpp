// The rooftops' tune: dusk over the chimneys in B flat major, slow and swung, a soft electric
// piano over sparse chords, a brushed ride and a rim on the back beats.
#include "tune.h"

namespace {

// ---- The tune: edit here ----------------------------------------------------------------------
//
// 96 beats a minute, a pattern four bars (10 s).

const std::vector<tune_section> sections = {
    {"A1", "Bb Bb Gm Gm Eb Eb F F",
     {"D5 - - F5 - - Bb5 - A5 - - - F5 - - -",
      "G5 - - Bb5 - - D6 - C6 - - - Bb5 - - -",
      "G5 - - - Bb5 - Eb6 - D6 - C6 - Bb5 - G5 -",
      "A5 - - - - - F5 - C6 - - - . - - -"}, 0},
    {"A2", "Bb Bb Gm Gm Cm F Bb Bb",
     {"D5 - - F5 - - Bb5 - A5 - - - F5 - - -",
      "G5 - - Bb5 - - D6 - C6 - - - Bb5 - - -",
      "Eb6 - - - C6 - G5 - F5 - A5 - C6 - Eb6 -",
      "D6 - - - - - - - Bb5 - - - . - - -"}, 0},
    {"B1", "Eb Eb Dm Dm Cm Cm F F",
     {"G5 - - Bb5 - - Eb6 - G6 - - - F6 - Eb6 -",
      "D6 - - - A5 - F5 - A5 - - - D6 - - -",
      "C6 - - - Eb6 - G6 - F6 - Eb6 - C6 - A5 -",
      "F5 - - - A5 - C6 - F6 - - - . - - -"}, 0},
    {"B2", "Eb Eb Dm Dm Gm Gm Cm F",
     {"Bb5 - - G5 - - Eb5 - G5 - Bb5 - Eb6 - - -",
      "D6 - - A5 - - F5 - A5 - D6 - F6 - - -",
      "G6 - - - D6 - Bb5 - G5 - - - D6 - - -",
      "C6 - - - Eb6 - - - A5 - C6 - F6 - - -"}, 0},
};

// The bridge (B) ends on F, which leads home to B flat.
const std::vector<int> song_order = {0, 1, 2, 3, 0, 1, 2, 1};

// A mellow electric piano, a soft pad for the chords, a round bass.
const tune_voice lead = {{1.0, 0.28, 0.1, 0.05, 0.02}, 50, 0.35, 0.6};
const tune_voice arpeggio = {{1.0, 0.2, 0.08}, 30, 0.45, 0.5};
const tune_voice bass = {{1.0, 0.35, 0.1}, 50, 0.5, 0.62};

// The chords twice a half bar, root and fifth then third and octave; the bass walks root, third.
const tune_grooves grooves = {"0...2...", "1...3...", "r...t...", "k.........k.....", "k...s.....k.s.s.",
                              "h.h.h.h.h.h.h.h.", 2};

// melody, chords (left), bass, kick, ride, rim, chords (right): a wide, calm stage.
const tune_mix mix = {{30, 12, 32, 32, 52, 40, 52}, 54, 26, 42, 44, 26, 20};

}  // namespace

const tune rooftops_tune = {"Rooftops", "B flat major", 96, 6, sections, song_order,
                            lead, arpeggio, bass, grooves, mix};
