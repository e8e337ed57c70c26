// Background music: our small layer in the shape of the three calls the game makes of a music
// library. Modules are Impulse Tracker files decoded by libopenmpt and mixed by the game's own
// sound output (music/output.h) at its rate, or, where that is not open, streamed at 22050 Hz
// stereo into Allegro's digital sound output from a feeder thread of this layer.
#ifndef OSA_MUSIC_MUSIC_H
#define OSA_MUSIC_MUSIC_H

#include <cstddef>
#include <cstdint>

struct FMUSIC_MODULE;  // one loaded module; opaque to the game

// Starts the music output at mixrate Hz (at the output's own rate when our sound output is open).
// Answers true when music can play: our sound output is open, or Allegro's digital sound is
// installed (install_sound succeeded, a null driver included). Channels and flags are
// accepted for the caller's sake and not needed by this layer. Why it answered false is
// music_start_fault().
bool FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags);

// Why the last FSOUND_Init could not start the music: no_sound_driver when Allegro's sound is
// not installed (the caller has told the player so already: this layer has nothing to add),
// layer_failed when the sound is there and this layer itself cannot use it (a mix rate of 0 or
// less); none after a start that worked, and before any.
enum class music_fault { none, no_sound_driver, layer_failed };
music_fault music_start_fault();

// Loads an Impulse Tracker module from a file. Returns a handle, or null when the file cannot be
// read or is not a module. Handles live until the process ends.
FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);
// The same from a module's bytes in memory (size bytes at data, copied: the caller keeps them).
FMUSIC_MODULE* FMUSIC_LoadSongFromMemory(const void* data, std::size_t size);

// Starts a module playing and looping in the background; nothing else needs to be called.
// One module plays at a time: while another plays, the tune changes, never cut: the one heard
// fades out over music_fade_ms and mod then starts from its beginning (and a change back before
// that fades the one heard in again). A null handle plays nothing and answers false; so does a
// feeder thread that cannot be made (too little memory for its stack): the game then goes on
// without music, with the signal mask it had.
constexpr int music_fade_ms = 800;
bool FMUSIC_PlaySong(FMUSIC_MODULE* mod);

// True while mod is the module playing (or the one a change of tune fades to).
bool FMUSIC_IsPlaying(FMUSIC_MODULE* mod);

// Pauses (true) or resumes (false) the playing module: while paused the output is silence and
// the module (and a change of tune) does not move on. A module that is not playing, or a null
// handle, is left alone.
void FMUSIC_SetPaused(FMUSIC_MODULE* mod, bool paused);

// Sets how loud a module plays, from 0 (silence) to 256 (as made), at once, also while it plays:
// every sample it renders is scaled by volume / 256. A volume outside 0..256 is taken as the
// nearest end; a null handle is left alone. Modules start at 256.
void FMUSIC_SetMasterVolume(FMUSIC_MODULE* mod, int volume);

// Stops the music and joins the feeder thread. Call before allegro_exit; safe to call twice.
void FSOUND_Close();

// Renders the next frames stereo frames of mod at rate Hz into out (2 * frames values) in the
// format of the stream that plays it: unsigned 16-bit, interleaved left/right, silence 0x8000.
// Past the end of a module that does not loop, and for a null handle, the rest is silence. The
// module's master volume scales what it renders. Returns the frames that came from the module. The feeder thread fills every buffer with it.
int render_song(FMUSIC_MODULE* mod, int rate, unsigned short* out, int frames);

// A change of tune as it is heard: the module sounding and how loud, from 0 (silent) to the
// fade's length in frames (full). Start from {} (nothing heard yet).
struct MUSIC_FADE {
    FMUSIC_MODULE* sounding = nullptr;
    int level = 0;
};
// Renders the next frames stereo frames of the music heard into out (2 * frames signed 16-bit
// values) while want is the module wanted (null: none), moving f on: the module sounding at
// full; when another is wanted, the one sounding falling to silence over fade_frames frames, one
// step a frame, and then the wanted one from its beginning at full; when the one sounding is
// wanted again before that, rising back to full as it fell. The first module heard starts at
// full where it stands. The music's thread fills every buffer with it.
void render_fading(MUSIC_FADE& f, FMUSIC_MODULE* want, int rate, std::int16_t* out, int frames, int fade_frames);

#endif
