// The harbour's tune: a sea shanty in D major, swung, the squeezebox-like melody a little left of
// the middle and the oom-pah of the bass and the chords around it.
#include "tune.h"

namespace {

// ---- The tune: edit here ----------------------------------------------------------------------
//
// 112 beats a minute, a pattern four bars (8.57 s); the verse (A) sung twice, then the chorus (B).

const std::vector<tune_section> sections = {
    {"A1", "D D D D G D A A",
     {"A4 - D5 - D5 D5 F#5 - E5 - D5 - B4 - A4 -",
      "D5 - F#5 - A5 - - - A5 - B5 - A5 - F#5 -",
      "G5 - - - B5 - A5 - F#5 - D5 - E5 - F#5 -",
      "E5 - - - C#5 - A4 - E5 - - - . - - -"}, 0},
    {"A2", "D D D D A A D D",
     {"A4 - D5 - D5 D5 F#5 - E5 - D5 - B4 - A4 -",
      "D5 - F#5 - A5 - - - B5 - A5 - F#5 - D5 -",
      "E5 - - - C#5 - E5 - A5 - G5 - E5 - C#5 -",
      "D5 - - - - - A4 - D5 - - - . - - -"}, 0},
    {"B1", "G G D D A A D D",
     {"B5 - - B5 B5 - A5 - G5 - - - B5 - D6 -",
      "A5 - - - F#5 - D5 - F#5 - A5 - D6 - - -",
      "C#6 - - - B5 - A5 - E5 - - - A5 - C#6 -",
      "D6 - - - A5 - F#5 - D5 - - - . - - -"}, 0},
    {"B2", "Bm Bm G G Em Em A A",
     {"F#5 - - F#5 D5 - F#5 - B5 - - - A5 - F#5 -",
      "G5 - - - B5 - D6 - B5 - - - G5 - - -",
      "E5 - - - G5 - B5 - E6 - D6 - B5 - G5 -",
      "A5 - - - E5 - C#5 - E5 - A5 - C#6 - E6 -"}, 0},
};

// The chorus's end leads back into the verse, the second verse's end to the first.
const std::vector<int> song_order = {0, 1, 2, 3, 0, 1, 2, 1};

// A reedy squeezebox, a round chord voice, a full bass.
const tune_voice lead = {{1.0, 0.62, 0.45, 0.3, 0.22, 0.14, 0.1, 0.06}, 24, 0.62, 0.34};
const tune_voice arpeggio = {{1.0, 0.35, 0.2, 0.05}, 12, 0.25, 0.55};
const tune_voice bass = {{1.0, 0.5, 0.15}, 40, 0.55, 0.62};

// Oom on the beat (the bass), pah-pah after it (the chords); kick and snare on the beats.
const tune_grooves grooves = {"..1.2...", "..1.2...", "r...f...", "k...s...k...s...", "k...s...k.k.s.s.",
                              "..h...h...h...h.", 2};

// melody, chords (left), bass, kick, hi-hat, snare, chords (right)
const tune_mix mix = {{26, 10, 32, 32, 48, 38, 54}, 54, 26, 44, 56, 36, 24};

}  // namespace

const tune harbour_tune = {"Harbour", "D major", 112, 6, sections, song_order,
                           lead, arpeggio, bass, grooves, mix};
