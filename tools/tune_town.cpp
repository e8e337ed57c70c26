// The town's tune, which is also the title's and the district screen's (dat/music.it): a bright
// march in C major, melody and bass in the middle, the arpeggio from left to right and back.
#include "tune.h"

namespace {

// ---- The tune: edit here ----------------------------------------------------------------------
//
// 125 beats a minute, a pattern four bars (7.68 s).

const std::vector<tune_section> sections = {
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

// After the last it starts again from the first; the last ends on G, which leads back into the
// C of the first.
const std::vector<int> song_order = {0, 1, 2, 3, 4, 5, 6, 7, 2, 3};

// The instruments: a soft square for the melody, a round and a little hollow arpeggio, the bass.
const tune_voice lead = {{1.0, 0.0, 0.33, 0.0, 0.18, 0.0, 0.08}, 40, 0.45, 0.5};
const tune_voice arpeggio = {{1.0, 0.5, 0.0, 0.15}, 20, 0.3, 0.55};
const tune_voice bass = {{1.0, 0.45, 0.2, 0.05}, 60, 0.6, 0.6};

// Arpeggio in eighths, root, third, fifth, octave, up and down; the bass on the root and then the
// fifth below. The drums: kick and snare with a fill in a section's last bar, the hi-hat on the
// off-beats.
const tune_grooves grooves = {"0.1.2.3.", "3.2.1.0.", "r...f...", "k...s...k.k.s...", "k...s...k.s.s.ss",
                              "..h...h...h...h.", 0};

// melody, arpeggio (left), bass, kick, hi-hat, snare, arpeggio (right): the melody, the bass and
// the kick in the middle, the arpeggio from left to right and back, the hi-hat and the snare to
// the right.
const tune_mix mix = {{32, 4, 32, 32, 56, 46, 60}, 58, 24, 40, 64, 46, 34};

}  // namespace

const tune town_tune = {"One Step Ahead", "C major", 125, 6, sections, song_order,
                        lead, arpeggio, bass, grooves, mix};
