// The night market's tune: lively and busy in G minor, a bright square lead over a sixteenth-note
// arpeggio that flits from side to side, a driving bass and drums.
#include "tune.h"

namespace {

// ---- The tune: edit here ----------------------------------------------------------------------
//
// 138 beats a minute, a pattern four bars (6.96 s).

const std::vector<tune_section> sections = {
    {"A1", "Gm Gm Gm Gm Cm Cm D D",
     {"G5 - Bb5 - D6 - Bb5 - G5 - - D6 - - C6 -",
      "Bb5 - A5 - G5 - - - D5 - G5 - Bb5 - - -",
      "C6 - Eb6 - G6 - Eb6 - C6 - - G6 - - F6 -",
      "F#6 - - - D6 - A5 - F#5 - - - . - - -"}, 0},
    {"A2", "Gm Gm Eb Eb Cm D Gm Gm",
     {"G5 - Bb5 - D6 - Bb5 - G5 - - D6 - - C6 -",
      "Bb5 - - - Eb6 - - - G5 - Bb5 - Eb6 - - -",
      "C6 - - - Eb6 - C6 - D6 - F#6 - A6 - F#6 -",
      "G6 - - - D6 - Bb5 - G5 - - - . - - -"}, 0},
    {"B1", "Eb Eb Bb Bb F F Gm D",
     {"G6 - - G6 F6 - Eb6 - Bb5 - - - G5 - Bb5 -",
      "D6 - - D6 C6 - Bb5 - F5 - - - D5 - F5 -",
      "A5 - - A5 C6 - F6 - Eb6 - D6 - C6 - A5 -",
      "Bb5 - - - D6 - G6 - F#6 - - - . - - -"}, 0},
    {"B2", "Eb Eb Bb Bb Cm Cm D D",
     {"Bb5 - Eb6 - G6 - Eb6 - Bb5 - Eb6 - G6 - Bb6 -",
      "F6 - D6 - Bb5 - D6 - F6 - - - D6 - - -",
      "Eb6 - C6 - G5 - C6 - Eb6 - - - G6 - - -",
      "F#6 - - - A6 - - - D6 - - - . - - -"}, 0},
};

// Every section but A2 ends on D, which leads into the G minor that follows.
const std::vector<int> song_order = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1};

// A bright square lead, a plucky arpeggio, a buzzing bass.
const tune_voice lead = {{1.0, 0.0, 0.45, 0.0, 0.3, 0.0, 0.2, 0.0, 0.12}, 20, 0.5, 0.42};
const tune_voice arpeggio = {{1.0, 0.5, 0.3, 0.15}, 6, 0.2, 0.5};
const tune_voice bass = {{1.0, 0.6, 0.35, 0.2}, 30, 0.55, 0.5};

// The arpeggio in sixteenths, up and up again; the bass pushing on the root.
const tune_grooves grooves = {"01230123", "32103210", "r.r.f.r.", "k...s..kk...s...", "k...s..kk.s.ssss",
                              "h.h.h.h.h.h.h.h.", 0};

// melody, arpeggio (left), bass, kick, hi-hat, snare, arpeggio (right): the arpeggio from side to
// side, the crowd all round.
const tune_mix mix = {{32, 6, 32, 32, 54, 42, 58}, 52, 20, 40, 60, 42, 28};

}  // namespace

const tune night_market_tune = {"Night Market", "G minor", 138, 6, sections, song_order,
                                lead, arpeggio, bass, grooves, mix};
