// The game's own sound output over ALSA: the samples and the music mixed in one place (see
// music/mixer.h) on a thread of its own, written to the default ALSA device in small periods, so
// that a sample started by a tick is heard a few milliseconds later. Where it cannot open, the
// game plays through Allegro's sound as before.
#ifndef OSA_MUSIC_OUTPUT_H
#define OSA_MUSIC_OUTPUT_H

#include <cstdint>

struct SAMPLE;

// The buffer the output keeps ahead of the device, in milliseconds, unless the player asks for
// another ([sound] latency_ms): small enough to hear a jump within two frames, large enough not
// to run dry while other programs keep every core busy (at 20 ms, a sound server's client ran
// dry now and then). The settings take min_sound_latency_ms to max_sound_latency_ms.
constexpr int default_sound_latency_ms = 25;
constexpr int min_sound_latency_ms = 5;
constexpr int max_sound_latency_ms = 250;

// Opens the default ALSA device (16-bit signed stereo at Allegro's configured [sound] sound_freq,
// 44100 by default) with a buffer of about latency_ms (0: default_sound_latency_ms) in three
// periods, and starts the mixing thread. False, with nothing started, when Allegro's
// configuration turns the digital sound off ([sound] digi_card = 0), when there is no device, or
// when it refuses every format; then Allegro's own sound is the one to try. True at once when
// it is open already. Needs allegro_init (for the configuration).
bool open_sound_output(int latency_ms);

// True while the output is open.
bool sound_output_open();
// The output's frames a second; 0 while it is closed.
int sound_output_rate();

// Stops the thread and closes the device; the voices stop. Call before the samples are
// destroyed; safe to call when it is not open. With ONE_STEP_AHEAD_SOUND_STATS set in the
// environment it prints one line on stderr: the periods written and the device's underruns.
void close_sound_output();

// Plays a sample on the output, as Allegro's play_sample takes its arguments (see mixer_play).
// Nothing happens while the output is closed. The sample must live until the output closes.
void output_play_sample(const SAMPLE* sample, int vol, int pan, int freq, int loop);

// The music the output mixes under the samples: called on the output's thread for each period,
// it adds `frames` stereo frames at `rate` Hz to acc (2 * frames values on the scale of signed
// 16-bit samples). Null: no music. The function must stay valid until it is replaced or the
// output closes.
using output_music_fn = void (*)(std::int32_t* acc, int frames, int rate);
void set_output_music(output_music_fn music);

// The underruns the device has reported since the output opened.
long sound_output_underruns();

#endif
