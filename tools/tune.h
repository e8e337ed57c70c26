// The game's tunes as data, and the maker that turns one into an Impulse Tracker module with seven
// channels (melody, arpeggio left, bass, kick, hi-hat, snare, arpeggio right) and synthesised
// samples. Each tune lives in a file of its own (tune_<district>.cpp) with its notes, chords,
// grooves, instruments and stereo placing at the top.
#ifndef OSA_TOOLS_TUNE_H
#define OSA_TOOLS_TUNE_H

#include <string>
#include <vector>

// Four bars of a tune. A bar is 16 rows (four to a beat); a melody bar is 16 steps: a note (C5
// is middle C; sharps as C#5, flats as Bb5), "-" to hold, "." to stop. Chords are given per
// half bar (eight rows): a root (C, F#, Bb, ...) and "m" for minor; the arpeggio and the bass are
// made from them.
struct tune_section {
    const char* name;
    const char* chords;     // 8 chords, one per half bar
    const char* melody[4];  // 4 bars
    int transpose;          // semitones added to the melody
};

// A tonal instrument: one period of a wave of these harmonics (the fundamental's first), whose
// level falls from 1 to `sustain` over `attack_periods` periods and then holds, looped.
struct tune_voice {
    std::vector<double> harmonics;
    int attack_periods;
    double sustain;
    double gain;
};

// The accompaniment's rhythm. Each of the first three is a half bar, eight rows; the drums' are
// a bar, sixteen rows.
struct tune_grooves {
    // The arpeggio for even and odd half bars: a digit picks the chord's tone (0 root, 1 third,
    // 2 fifth, 3 the root an octave up), "." nothing. Its notes sound an octave under middle C's
    // and go left and right in turn.
    const char* arp_even;
    const char* arp_odd;
    // The bass, two octaves under the arpeggio: "r" the root, "f" the fifth an octave down, "t"
    // the third, "." nothing.
    const char* bass;
    // The drums row by row: "k" kick, "s" snare, "." nothing; the fill ends each section.
    const char* drums;
    const char* fill;
    const char* hat;  // "h" a hi-hat
    // Ticks (of speed) by which every note on a beat's second eighth comes late: 0 plays
    // straight, 2 at speed 6 swings.
    int swing;
};

// Where each part stands and how loud it plays.
struct tune_mix {
    // Each channel's place, 0 (left) .. 32 (middle) .. 64 (right), in the channels' order:
    // melody, arpeggio (left), bass, kick, hi-hat, snare, arpeggio (right).
    std::vector<int> stage;
    // Volumes (0..64) of the parts.
    int melody, arpeggio, bass, kick, snare, hat;
};

struct tune {
    const char* title;  // the module's name, at most 25 characters
    const char* key;    // the key, as a person names it ("C major")
    int tempo;          // beats a minute (four rows a beat at speed 6)
    int speed;          // ticks a row
    std::vector<tune_section> sections;
    std::vector<int> order;  // sections in playing order; after the last the first comes again
    tune_voice lead, arpeggio, bass;
    tune_grooves grooves;
    tune_mix mix;
};

// The shipped tunes: the town's (also the title's and the district screen's), and one for each
// other district.
extern const tune town_tune;
extern const tune harbour_tune;
extern const tune autumn_park_tune;
extern const tune old_quarter_tune;
extern const tune rooftops_tune;
extern const tune night_market_tune;

// The tune of the shipped district folder ("town", "harbour", ...), or null.
const tune* district_tune(const std::string& folder);

// Writes t as an Impulse Tracker module at path. False, with a line on stderr, when the tune's
// text is wrong (a bar without 16 steps, an unknown chord or note) or the file cannot be written.
bool write_tune(const std::string& path, const tune& t);

#endif
