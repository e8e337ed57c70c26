// The menus inside the game: the pause menu and what opens from it (the options with the keys and
// the gamepad, the best runs); moving through their entries, what each option does, reading the
// keyboard and the pad for them, and drawing them over the frozen frame.
#ifndef OSA_MENU_MENU_H
#define OSA_MENU_MENU_H

#include <cstdio>
#include <string>
#include <vector>

#include "menu/settings.h"
#include "replay/best_runs.h"

struct BITMAP;

enum class MENU_PAGE { pause, options, keys, pad, best_runs, watching };

// One thing the player did in a menu: move, change a value (left, right), choose, go back; or,
// while a binding waits, the key (its scancode) or the pad button pressed.
enum class MENU_ACTION { none, up, down, left, right, choose, back, key, button };
struct MENU_EVENT {
    MENU_ACTION action = MENU_ACTION::none;
    int code = 0;  // key: the scancode; button: the button's number
};

// What the game does after the menus took an event.
enum class MENU_RESULT {
    stay,      // the menus stay open
    resume,    // closed: play goes on
    restart,   // "Restart": the run ends and the district starts again, as the restart key
    leave,     // "Leave district": the run ends, for the district screen
    quit,      // "Quit game": the game ends, as Escape in play ("Stop" while watching: the watching)
    play_run,  // a best run was chosen: MENU_STATE::run_to_play
};

// The menus as the player left them: the pages open, the deepest last, each with its chosen
// entry; none while closed.
struct MENU_STATE {
    struct level {
        MENU_PAGE page;
        int chosen;
    };
    std::vector<level> open;
    int waiting = -1;       // the entry of the keys or pad page waiting for its key or button
    // A word under the entries (a key refused, the sound that cannot play): its English text,
    // marked N_ where it is set, shown in the language in force when it is drawn.
    std::string note;
    int run_to_play = -1;   // after play_run: the index of the run in best_runs
    bool changed = true;    // to be drawn again
    bool is_open() const { return !open.empty(); }
    MENU_PAGE page() const { return open.back().page; }
    int chosen() const { return open.back().chosen; }
};

// One line of a page: its label, and its value where it has one ("Window", "7", "SPACE").
struct MENU_ENTRY {
    std::string label;
    std::string value;
};

// The settings the menus show and change. in_force is what this run plays with: the file's
// settings with the command line's choices for this run; from_file is the file's own, saved back
// to file_path with what the player changed in the options (never what the command line set).
struct MENU_SETTINGS {
    SETTINGS in_force;
    SETTINGS from_file;
    std::string file_path;   // empty: nowhere to save
    bool sound_allowed = true;  // false under --mute: the volumes are kept, but nothing plays
};
extern MENU_SETTINGS menu_settings;

// The best runs the "Best runs" page lists, best first: read from the table in xdg_data_dir()
// when the page opens.
extern std::vector<BEST_RUN> best_runs;

// Puts menu_settings.in_force in force: the language (the first time, and when it changed), the
// key and pad bindings, the sound effects' volume and the music's, starting the sound and the
// music when a volume asks for them and they are not playing yet (see start_sound).
void apply_settings();

// Installs Allegro's sound and starts the music layer and the song, unless the sound is not
// allowed this run or it is playing already. With quiet false a failure is shown in a message
// box ("Could not install sound driver!", "Unable to install FMOD"); with quiet true it is only
// answered: false.
bool start_sound(bool quiet);

// The entries of the page on top of m, as drawn (in the language in force), the chosen one among
// them. The options end with Language ("System", or a language named in itself) before Back.
std::vector<MENU_ENTRY> menu_entries(const MENU_STATE& m);
// The title shown above a page's entries, in the language in force.
const char* menu_title(MENU_PAGE page);
// What the page on top of m says below its entries, besides the note: whether a pad is
// connected (the gamepad page), that nothing plays this run (the options under --mute), that no
// best run is kept yet.
std::string menu_status(const MENU_STATE& m);

// Opens a menu with its first entry chosen: the pause menu in play, or the one shown while a
// recorded run is watched and paused ("Resume", "Stop": stop is answered as quit). The game's
// clock and music are the caller's to stop.
void open_menu(MENU_STATE& m, MENU_PAGE page = MENU_PAGE::pause);

// Takes one event: moves through the entries, changes a value and applies it at once, opens or
// closes a page (leaving the options saves what changed), binds a key or a button. The music
// plays while the options are open and is paused elsewhere in the menus.
MENU_RESULT menu_event(MENU_STATE& m, const MENU_EVENT& e);

// The binding rules. Sets binding `which` (0 left, 1 right, 2 up, 3 jump, 4 pause, 5 restart) of keys to
// scancode; a key bound to another action swaps places with it. A key the game keeps for itself
// (F11, Enter, Escape) is refused: false, with the word to show in *refusal (English, in the
// catalogue: a MENU_STATE's note).
bool bind_key(KEY_BINDINGS& keys, int which, int scancode, std::string* refusal);
// Sets binding `which` (0 jump, 1 up, 2 pause, 3 restart) of pad to button; a button bound to another
// action swaps places with it. A button past max_pad_button is refused as bind_key does.
bool bind_button(PAD_BINDINGS& pad, int which, int button, std::string* refusal);

// Reads the keyboard's key buffer and the player's pad into events for m, in the order they came:
// the arrows, Enter and Space, Escape and the pause key; the pad's stick and d-pad (held, they
// repeat), button 0 to choose, button 1 and the pause button to go back; a key or a button
// whenever a binding waits for one. F11 and Alt+Enter switch the mode here too (then m is to be
// drawn again). Looks for a pad plugged in meanwhile.
std::vector<MENU_EVENT> read_menu_events(MENU_STATE& m);

// Draws the menus of m onto canvas, a view_w x view_h picture holding the frozen frame: the
// frame dimmed, and a framed panel in the title's style with the page's title, its entries (the
// chosen one on a lighter band) and the note.
void draw_menu(BITMAP* canvas, const MENU_STATE& m);
// Draws one panel as draw_menu draws a page, for screens of other parts of the game (the
// editor's menu, a name asked for): the canvas dimmed, title, the entries with entry `chosen` on
// the strip's colour (-1: none), and the lines below them. The panel is 240 pixels wide, or as
// wide as its words need up to the picture's width less 4 on each side; a label that still does
// not fit beside its value, and a line below, wrap onto more lines.
void draw_menu_panel(BITMAP* canvas, const char* title, const std::vector<MENU_ENTRY>& entries, int chosen,
                     const std::vector<std::string>& below);

// The title picture's pixel-art style, for every screen drawn over the game: a panel filled with
// the title's plum, framed by its dark outline with a lit top-left edge and a drop shadow to the
// lower right; and text with a one-pixel shadow.
constexpr int panel_fill = 0x4A3A6E;
constexpr int panel_band = 0x6E5A9A;     // the chosen entry
constexpr int panel_outline = 0x2A1A2E;
constexpr int panel_light = 0x8A76B8;
constexpr int title_yellow = 0xFFE860;   // headings and notes
constexpr int title_pink = 0xFFC0E8;
constexpr int locked_grey = 0xA89CB8;
void draw_panel(BITMAP* canvas, int x, int y, int w, int h);
// Text at (x, y) (align -1 left, 0 centred on x, 1 right of x) with its shadow, in the HUD's font.
void shadowed_text(BITMAP* canvas, const std::string& text, int x, int y, int colour, int align = -1);
// The width a line below draw_menu_panel's entries may take.
constexpr int menu_panel_text_w = 224;

#endif
