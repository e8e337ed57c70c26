// The autumn park's tune: a gentle walk in F major, a flute over a harp's broken chords, brushed
// drums without a snare but in the fills.
#include "tune.h"

namespace {

// ---- The tune: edit here ----------------------------------------------------------------------
//
// 92 beats a minute, a pattern four bars (10.43 s).

const std::vector<tune_section> sections = {
    {"A1", "F F Dm Dm Bb Bb C C",
     {"A5 - - - C6 - - - A5 - G5 - F5 - - -",
      "F5 - - - A5 - D6 - C6 - - - A5 - - -",
      "Bb5 - - - D6 - - - C6 - Bb5 - A5 - G5 -",
      "G5 - - - - - - - E5 - F5 - G5 - - -"}, 0},
    {"A2", "F F Dm Dm Bb C F F",
     {"A5 - - - C6 - - - A5 - G5 - F5 - - -",
      "F5 - - - A5 - D6 - C6 - - - A5 - - -",
      "Bb5 - - - D6 - F6 - E6 - - - C6 - G5 -",
      "A5 - - - - - - - F5 - - - . - - -"}, 0},
    {"B1", "Bb Bb F F Gm Gm C C",
     {"D6 - - - C6 - Bb5 - D6 - - - F6 - - -",
      "C6 - - - A5 - F5 - A5 - C6 - F6 - - -",
      "D6 - - - Bb5 - G5 - Bb5 - D6 - G6 - - -",
      "E6 - - - D6 - C6 - G5 - - - . - - -"}, 0},
    {"B2", "Bb Bb Am Am Gm Gm C C",
     {"D6 - - - F6 - D6 - Bb5 - - - D6 - - -",
      "C6 - - - E6 - C6 - A5 - - - C6 - - -",
      "Bb5 - - - D6 - Bb5 - G5 - - - Bb5 - - -",
      "C6 - - - E5 - G5 - C6 - - - E6 - - -"}, 0},
};

// Each section ends on C, which leads into the F of the next; the last is A2, which ends on F.
const std::vector<int> song_order = {0, 1, 2, 3, 0, 1, 2, 1};

// A breathy flute, a plucked harp that dies away, a soft bass.
const tune_voice lead = {{1.0, 0.16, 0.06, 0.02}, 36, 0.55, 0.62};
const tune_voice arpeggio = {{1.0, 0.42, 0.2, 0.1, 0.04}, 8, 0.12, 0.6};
const tune_voice bass = {{1.0, 0.3, 0.06}, 60, 0.5, 0.62};

// The harp in eighths, up through the chord and down again; the bass once a half bar.
const tune_grooves grooves = {"0.1.2.1.", "3.2.1.2.", "r.......", "k.......k.......", "k.......k...s.s.",
                              "..h...h...h...h.", 0};

// melody, harp (left), bass, kick, brushes, snare, harp (right): the harp wide, like leaves on
// both sides of the path.
const tune_mix mix = {{32, 8, 32, 32, 44, 40, 56}, 52, 30, 38, 40, 24, 18};

}  // namespace

const tune autumn_park_tune = {"Autumn Park", "F major", 92, 6, sections, song_order,
                               lead, arpeggio, bass, grooves, mix};
