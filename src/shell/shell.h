// The top of the game: the title, the fixed-rate main loop and its frame, and the keys the shell
// itself answers (pause, full screen).
#ifndef OSA_SHELL_SHELL_H
#define OSA_SHELL_SHELL_H

#include <cstdio>
#include <string>
#include <vector>

#include "core/state.h"
#include "display/display.h"
#include "world/district.h"
#include "gameplay/hud.h"
#include "replay/ghost.h"
#include "replay/progress.h"

struct BITMAP;
class PLAYER;
struct REPLAY;

// One frame: clamp the camera and draw the camera's window of the world into `buffer`. Returns
// that window as a view_w x view_h bitmap of its own, the game's picture for this frame: a
// sub-bitmap of buffer, owned here and valid until the next draw_frame or forget_frame. Null when
// it cannot be made (out of memory).
BITMAP* draw_frame(PLAYER& mora, PLAYER& vela);
// Releases the last frame's picture: call it once the picture is shown, before anything can
// change the mode (which may make the buffer again) or release the buffer.
void forget_frame();

// Everything a frame's picture depends on that can change in play: the camera (clamped), what
// each character shows where, the change effect's progress, the HUD's text and numbers and the
// language they are shown in, the timer's text and the ghost. Two
// equal keys draw the same picture (the level, the shops and the background never change).
struct FRAME_KEY {
    int camera[2];
    int at[2][2];                    // each character's picture position, Mora's first
    int column[2];                   // the frame each shows (character_column)
    int look[2][category_count];
    int metafactor;                  // -1 while no effect plays
    int time_left, level, score;
    char text[100];                  // the message line (in English: the state's own)
    int language;                    // language_changes: the HUD's words in another language
    TIMER_TEXT timer;                // what the timer shows
    int ghost[3 + category_count];   // the ghost's picture position, column and looks; -1s unseen
    bool operator==(const FRAME_KEY& o) const;
};
FRAME_KEY frame_key(const PLAYER& mora, const PLAYER& vela);

// The frame for a window of w x h pixels, copied to target at (0, 0) (tests and benchmarks draw
// other sizes).
// With clip_to_window, buffer's clipping rectangle is set to the window first, so that
// everything outside it costs only the clip test; without it the whole buffer is drawable. The
// picture copied to target is the same either way.
void draw_frame_sized(BITMAP* target, PLAYER& mora, PLAYER& vela, int w, int h,
                      bool clip_to_window);

// The title's picture with its hints ("press any key", "P or Start: menu") in the language in
// force, drawn again over the picture's own English ones in the game's font (a longer language's
// box is wider, or taller with a hint on two lines). Owned here, made again after a change of
// language; the_title itself when it cannot be made.
BITMAP* title_picture();

// Shows the title: a fade-in of about half a second, a wait (resting) for any key but the ones
// that switch the mode, or any pad button, and a fade-out; every step shown scaled on the screen.
// Escape ends the wait and the game (blGameOver).
// With a demo (not null), after 15 s without a key the title fades into it, played on mora and
// vela; any key or pad button, or the demo's end, fades back to the title, which waits again.
void show_title(PLAYER& mora, PLAYER& vela, const REPLAY* demo);

// The main loop, from the first tick of play until Escape or Quit; every tick is recorded in
// live_run. It runs each tick as the 120 Hz counter
// makes it (a quarter of a second's worth at most per pass after a stall), shows a frame when
// one is due (see frame_rate), and between them sleeps until the next tick or frame is due.
// P, Start, the window losing the focus or the pad pulled out open the pause menu: no tick runs,
// the mission clock and the music stand still. F11 or Alt+Enter switch between full screen and
// a window. The ticks counted before it starts are dropped. With ONE_STEP_AHEAD_FRAME_LOG naming
// a file, the time of every frame shown (ms from the start of play) is written there at the end.
// After each tick that fulfils a mission, split_note judges it against splits_at_start, the
// progress keeps it, and a district it opens is announced on the HUD (hud_announcement) with
// unlock_sound. The restart key or pad button, or Restart in the pause menu, ends the run at
// once, to be started again; Leave district ends it for the district screen: the answer says
// which.
enum class RUN_END { quit, restart, leave };
RUN_END run_game(PLAYER& mora, PLAYER& vela);

// What a run came to, for the results card.
struct RUN_RESULTS {
    std::string district;   // the district's shown name
    int level = 0;          // missions fulfilled
    int score = 0;
    int ticks = 0;          // game time
    bool ranked = false;    // the district keeps progress: the rest below holds
    int best_level = 0;     // the district's best after the run
    int best_score = 0;
    bool new_best_level = false;  // this run set it
    bool new_best_score = false;
    int golds = 0;                // splits judged gold (the quickest of their mission ever)
    std::vector<std::string> opened;  // the shown names of the districts the run opened
};
// The results of the run just played in the district in play (current_district): its level,
// score and game time (tase, score, run_ticks), its golds (run_splits judged against
// splits_at_start); with ranked, the district's best from game_progress and what was new in it
// and opened by it, compared with before, the progress as the run began (list: the districts in
// the district screen's order).
RUN_RESULTS run_results(const PROGRESS& before, const std::vector<DISTRICT>& list, bool ranked);
// The results card, a screen of its own: the run's last picture (which the caller leaves in
// `picture`) dimmed, and a panel in the menus' style with what r says ("new best" beside a best
// this run set, a line for each district it opened). Returns when the player goes on: Enter,
// Space, Escape, the pause key, or the pad's button 0 or 1 (or the game is to end); what is held
// then is held over from play (hold_over_input).
void show_results(const RUN_RESULTS& r);

// What a run of the district in play is measured against, set as it begins: the district's
// splits (splits_at_start) and its ghost (ghost_in_play): the run of ghost_path when one is
// given (shown in messages as ghost_name), else, with the Ghost setting on, the district's best
// run. A level that is not the district's own (district_level false: --level) has neither. A
// ghost that cannot be used is said in one line on stderr, and the run is played without it.
// mora and vela are given back as they were.
void prepare_time_attack(bool district_level, const std::string& ghost_name, const std::string& ghost_path,
                         PLAYER& mora, PLAYER& vela);

// Prints "splits:" and the game time (m:ss.cc) of every split of the run that was played, or
// "splits: none", on one line.
void print_splits(std::FILE* out);

// How a recorded run is watched: as --replay does and "Best runs" plays it (P pauses, Escape
// stops), or as the title's demo (any key or pad button stops it).
enum class WATCH { replay, demo };
// Plays replay from a new run (start_run) on mora and vela in the window at real speed, frames
// paced as in play, no input of the player reaching the logic. With race, the ghost in play
// (prepare_time_attack) runs beside it; else the watched run has none. The ghost, the split's
// note and the HUD's announcement of the run in play are given back afterwards. True when it
// played to its end, false when it was stopped (or the game is to end: blGameOver).
bool watch_replay(PLAYER& mora, PLAYER& vela, const REPLAY& replay, WATCH how, bool race = false);

// Plays replay from a new run drawing and showing a frame after every tick, as fast as it can:
// the frames shown, the seconds they took, and the median and 99th percentile of a frame's
// time (its tick, drawing and showing). Escape stops it.
struct TIMEDEMO_RESULT {
    int frames = 0;
    double seconds = 0, median_ms = 0, p99_ms = 0;
};
TIMEDEMO_RESULT timedemo(PLAYER& mora, PLAYER& vela, const REPLAY& replay);

// What the player chose on the district screen.
enum class DISTRICT_ACTION {
    play,          // play district
    edit,          // edit district, one of the player's
    edit_copy,     // edit a copy of district, a shipped one
    new_district,  // draw a new district
    share,         // write one of the player's as a district file (done on the screen itself)
    back,          // Escape: back to the title
    quit,          // the game is to end
};
struct DISTRICT_PICK {
    DISTRICT_ACTION action = DISTRICT_ACTION::back;
    DISTRICT district;
};
// The district screen, in the title's style: every district in order (game_districts) with its
// name, a preview of its map, its best level and score (game_progress) and whether it is locked
// or cannot be played; the district played last is chosen when it opens. The keys and the pad
// move and choose as in the menus. A locked district, or one that cannot be played, is refused
// with a word saying why. With the editor, Left and Right choose between playing and editing,
// and the list ends with "New district". A playable district of the player's also offers Share
// (share_district_on_screen), after which the screen goes on. The district named `chosen` is
// chosen when it opens, when there is one of that name.
DISTRICT_PICK choose_district(const std::string& chosen = "");
// The picture behind the screens before play (the district screen, a district file opened): the
// title's, dimmed.
void draw_dimmed_title(BITMAP* canvas);

// Shares the player's district d from the district screen, drawn over behind (the screen as it
// stands): asks the player's name as a maker once (kept in the settings file), writes d's
// district file into the Documents folder (sharing/share.h) and says where, or why not, until
// the player goes back.
void share_district_on_screen(const DISTRICT& d, BITMAP* behind);

// A district file opened with the game (one-step-ahead FILE), on a screen of its own: "Checking"
// while it is read and proven, then its preview, name, maker and whether it carries its maker's
// run, and the question whether to add it (or why it cannot be added, or that it was added
// before). Yes adds it (sharing/import.h). Returns the folder it was added as (or was before),
// for the district screen to choose; empty when it was not added. mora and vela (the proof's
// characters) are given back as they were.
std::string open_district_file(const std::string& path, PLAYER& mora, PLAYER& vela);

// --export NAME [-o FILE] and --import FILE, once the game's files are loaded without a window:
// one line on stdout and 0 (the file written; the folder added as), or one line on stderr and 1.
// Text from the file is printed through terminal_text. shown is the file's name as given.
int export_command(const std::string& folder, const std::string& output);
int import_command(const std::string& shown, const std::string& path, PLAYER& mora, PLAYER& vela);
// Draws the district screen as choose_district shows it, without previews, onto canvas (view_w x
// view_h): list's districts (game_progress telling which are open and their best), entry chosen
// (list.size(): "New district"), its action (0 play, 1 edit) chosen, and with tried the player
// having tried to choose it (why not stands out). For tests.
void draw_district_screen(BITMAP* canvas, const std::vector<DISTRICT>& list, int chosen, int action, bool tried);
// True when the district screen offers the editor (it always does in the game; a build or a
// test may leave it out).
extern bool editor_available;

// The music for what the screen shows: the title's tune (the song load_shit loaded, for the
// title and the district screen), or the tune of a music file: in play, the district in play's
// music.it. The title's tune plays for a file that is missing, and for one that is not a module
// or is larger than district_music_max_bytes (said in one line on stderr). Each file is loaded
// once and the same bytes are one tune: a change of tune fades (FMUSIC_PlaySong), the same tune
// goes on. The music volume in force is kept.
void play_title_tune();
void play_tune_file(const std::string& path);
void play_district_tune();

// Frames a second at most (each after at least one tick): frame_rate_auto for the display's
// refresh rate where the system tells it, else 60; min_frame_rate to max_frame_rate; 0 for a
// frame after every pass that ran a tick. Set by main from the settings before run_game.
extern int frame_rate;

// Opens the level editor on the player's district `folder` (under player_districts_dir()):
// from its level.map, else from copy_from (a map file: "Edit a copy" of a shipped district
// passes dat/districts/NAME/level.map), else from the starter map; an autosave newer than
// level.map is offered back first. Drawn with the district's own tiles. Returns when the player
// leaves it (or the game is to end: blGameOver). The district's looks are then in play (with the
// town's level): enter the district to be played next. A folder name that is not a district's,
// or no data folder, is said in one line on stderr.
void run_editor(PLAYER& mora, PLAYER& vela, const std::string& folder, const std::string& copy_from);

// Asks the name of a new district's folder over the picture, drawn as the menus: typed on the
// keyboard (lower case letters, digits and '-'), offering the first free "district-N". True with
// the name in *name when the player takes one no district has yet; false when they go back.
bool ask_district_name(std::string* name);

// Every bitmap a change of mode must carry over (display's keep_across_mode_changes): the world
// buffer, the background, the change effect's two and the tiles. main gives them after loading.
std::vector<BITMAP**> bitmaps_to_keep();

#endif
