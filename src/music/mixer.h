// The mixer of the game's own sound output: the samples Allegro loaded, each playing on a voice
// with its volume, pan and pitch, and the music, added into one stereo signal of signed 16-bit
// frames. Plain functions over a plain record; no thread, no device (see music/output.h).
#ifndef OSA_MUSIC_MIXER_H
#define OSA_MUSIC_MIXER_H

#include <cstdint>

struct SAMPLE;

constexpr int mixer_voices = 32;

// One sample playing: where it is (in 1/65536 of the sample's frames) and how fast it moves on
// per output frame; the gains of its left and right channel, out of 65536.
struct MIXER_VOICE {
    const SAMPLE* sample = nullptr;  // null: the voice is free
    std::uint64_t pos = 0;
    std::uint64_t step = 0;
    int gain_left = 0;
    int gain_right = 0;
    bool loop = false;
    unsigned started = 0;            // when it started, to take the oldest voice when all play
};

struct MIXER {
    int rate = 44100;                // output frames a second
    MIXER_VOICE voice[mixer_voices];
    unsigned plays = 0;
};

// Starts a sample on a free voice (the one that has played longest when none is free), as
// Allegro's play_sample takes its arguments: vol 0..255, pan 0 (left) .. 255 (right), freq in
// thousandths of the sample's own pitch, loop non-zero to repeat it. A centred voice at full
// volume is heard at half its amplitude on each side, as Allegro's mixer gives it. A null sample,
// one with no frames, or a freq of 0 or less plays nothing. The sample must outlive its voice.
void mixer_play(MIXER& m, const SAMPLE* sample, int vol, int pan, int freq, int loop);

// Stops every voice.
void mixer_stop_all(MIXER& m);

// Adds the next frames output frames of every voice to acc (2 * frames values, left/right
// interleaved, on the scale of signed 16-bit samples), moving the voices on; a voice that reaches
// the end of a sample that does not loop becomes free.
void mixer_add_voices(MIXER& m, std::int32_t* acc, int frames);

// Writes acc (2 * frames values) to out as signed 16-bit, clipped.
void mixer_clip(const std::int32_t* acc, std::int16_t* out, int frames);

#endif
