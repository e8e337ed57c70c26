// Districts: the game's world of levels. A district is a folder holding level.dat (the level
// file), district.cfg (its shown name and, for a shipped one, its place in the order) and
// optionally tiles.pcx and back.pcx, its own looks of the shared tile sheet and background, and
// music.it, its tune.
// The shipped districts live in dat/districts/, the player's own in
// $XDG_DATA_HOME/one-step-ahead/districts/. Which one is played, and loading it over the
// shared assets, lives here too.
#ifndef OSA_WORLD_DISTRICT_H
#define OSA_WORLD_DISTRICT_H

#include <cstddef>
#include <string>
#include <vector>

#include "world/level.h"
#include "text/english.h"

// The shipped district every run played before districts existed belongs to: its level.dat is
// byte for byte dat/level.dat, and it has no looks of its own.
constexpr const char* town_district = "town";
// Where the shipped districts are, under the data directory (the working directory once the
// game has entered it).
constexpr const char* shipped_districts_dir = "dat/districts";
// A district's files.
constexpr const char* district_cfg_file = "district.cfg";
constexpr const char* district_level_file = "level.dat";
constexpr const char* district_map_file = "level.map";
constexpr const char* district_tiles_file = "tiles.pcx";
constexpr const char* district_back_file = "back.pcx";
constexpr const char* district_preview_file = "preview.png";
constexpr const char* district_music_file = "music.it";          // its tune, played in it when there
constexpr const char* district_maker_run_file = "maker.replay";  // a shared district's run by its maker
// district.cfg's section and keys.
constexpr const char* district_section = "district";
constexpr const char* district_name_key = "name";
constexpr const char* district_order_key = "order";
constexpr const char* district_not_playable_key = "not_playable";  // a draft's reason
// A district that came from a district file: [share] maker (the maker's name as they typed it)
// and contents (what the file held, to know it again when it is opened twice).
constexpr const char* share_section = "share";
constexpr const char* share_maker_key = "maker";
constexpr const char* share_contents_key = "contents";
// The largest each file of a district folder may be, by what a valid one can be; a larger one
// is not read (the district cannot be played). A district.cfg of a few lines; level.dat of the
// largest map the level format allows at 8 bytes a cell (a tile number, its letter and blanks);
// level.map of the largest map with 64 KB of comments; a module of music; a recorded run of the
// longest a replay may be (replay_file.h: ten hours, about 45 MB). The pictures are bounded by
// the shared ones' sizes (core/picture_bytes.h), the preview by its level's.
constexpr long district_cfg_max_bytes = 16 * 1024;
constexpr std::size_t level_dat_max_bytes = static_cast<std::size_t>(map_columns) * map_rows * 8 + 4096;
constexpr std::size_t level_map_max_bytes = static_cast<std::size_t>(map_columns + 2) * map_rows + 64 * 1024;
constexpr std::size_t district_music_max_bytes = 8 * 1024 * 1024;
constexpr std::size_t district_run_max_bytes = 48 * 1024 * 1024;
// A preview is the level at half size: preview_cell pixels a cell.
constexpr int preview_cell = 16;
constexpr int district_name_max = 40;  // characters of a folder's name and of a shown name
constexpr int district_reason_max = 200;  // characters of a draft's reason

// s as one line: control characters (C0 and DEL) dropped, blanks at either end trimmed.
std::string one_line(const std::string& s);
// The name a district shows (or its maker's), made fit for one line of district.cfg: one_line,
// control characters dropped and each byte that is not part of a well-formed UTF-8 character
// made a '?' (screen_text), cut to district_name_max characters (a character is never cut). May
// be empty.
std::string clean_shown_name(const std::string& name);

// True when name can be a district's folder: lower case letters, digits and '-', 1 to
// district_name_max characters, not starting with '-'. Such a name is never a path.
bool is_district_folder_name(const std::string& name);

// One district as found on the disk.
struct DISTRICT {
    std::string folder;     // the folder's name: "town"
    std::string name;       // the name shown: "Town" (the folder's when district.cfg has none)
    std::string dir;        // the folder's path
    int order = 0;          // a shipped district's place, 1 first; 0 for the player's
    bool shipped = false;
    bool draft = false;     // a player's map saved while not playable (district.cfg says why)
    std::string fault;      // empty: it can be played; else why not, in a few words
    bool has_tiles = false; // its own tiles.pcx, back.pcx
    bool has_back = false;
    int columns = 0;        // its level's size in cells, once read
    int rows = 0;
    std::string maker;      // a shared district's maker ([share] maker; empty: unknown, or the player's own)
    std::string shared_contents;  // [share] contents: what the district file held
    bool has_maker_run = false;   // maker.replay: its maker's run, the ghost until the player has one
};

// The formats of a district's faults (DISTRICT::fault, the errors of enter_district), for
// showing them in the player's language (text/english.h); a draft's fault is the line its
// district.cfg holds, the level tool's or the editor's own.
extern const ENGLISH_FORMATS district_fault_formats;
// The shipped districts' names, as tools/CMakeLists.txt writes them into their district.cfg.
extern const char* const shipped_district_names[6];
// The name the district screen shows: a shipped district's name in the language in force, a
// player's district's as its district.cfg gives it.
std::string shown_district_name(const DISTRICT& d);

// What a district's own files are judged against: the shared tiles (how many were cut, the
// sheet's size) and the shared background's size. A size of 0 is not checked.
struct SHARED_LOOKS {
    int tile_count = 0;
    int tiles_w = 0, tiles_h = 0;
    int back_w = 0, back_h = 0;
};
// The game's: the tiles load_shit cut and dat/back.pcx's header.
SHARED_LOOKS shared_looks();

// Reads the district in folder dir (named folder) without decoding its pictures: every file is
// checked before it is read (core/player_files.h) against the largest it may be, and one that is
// larger, special (a FIFO, a device) or unreadable makes the district not playable at once.
// district.cfg must be there; level.dat must be there and read as a level (read_level) with
// looks.tile_count tiles; the level's borders closed and the two starts standing on walls;
// tiles.pcx and back.pcx, when there, must be PCX pictures of the shared ones' sizes; music.it,
// maker.replay and preview.png, when there, within their bounds. Whatever is wrong is put in
// fault ("level.dat is missing", "district.cfg is damaged: ...", "level.dat is larger than N
// bytes", ...), never thrown; a draft's fault is its district.cfg's not_playable line. Needs
// Allegro started (the config routines); leaves its configuration as it was. Does not change
// the level in play.
DISTRICT read_district(const std::string& dir, const std::string& folder, bool shipped, const SHARED_LOOKS& looks);

// Reads the text of a district.cfg into d: the shown name ([district] name through
// clean_shown_name; the folder's name when it has none), the order (shipped districts only), a
// draft's not_playable reason, which becomes d.fault, and a shared district's [share] maker
// (clean_shown_name) and contents. False with d.fault set when the text is no such file (not
// UTF-8 text holding no control characters but line breaks and tabs, too large) or a draft.
// Only text that passed is handed to Allegro's reader. Needs Allegro started; leaves its
// configuration as it was.
bool parse_district_cfg(const std::string& text, DISTRICT& d);

// Every district the game offers, in the district screen's order: the shipped ones under
// shipped_root by their order (then folder), then the player's under player_root by folder
// name. Folders whose names are not district names are left out; a player's district that
// cannot be played is listed with its fault. Either root may be missing or empty.
std::vector<DISTRICT> find_districts(const std::string& shipped_root, const std::string& player_root,
                                     const SHARED_LOOKS& looks);

// find_districts with the game's own roots and shared_looks().
std::vector<DISTRICT> game_districts();

// The player's districts' folder: xdg_data_dir() + "/districts" (empty when there is none).
std::string player_districts_dir();

// The district in play (or being watched, or checked): set by enter_district. Starts as the
// town, as the game loads it at start-up.
extern DISTRICT current_district;

// Plays district d from now on: its level file becomes level_file, its tiles.pcx (or the shared
// one) gives the tiles' pictures, its back.pcx (or the shared one) the background; then
// load_level makes the world again. The tiles' masks are the shared ones and stay: a sheet
// whose masks differ from them is refused ("its tiles change the walls' shapes"), since the
// physics, the level tool's proof and every replay hold only for the shared shapes. Needs
// load_shit's tiles; the district's tiles.pcx is read bounded, as read_district checks it. False with why in *error (the level in play is then whatever could be
// loaded: call enter_district for another, or end).
bool enter_district(const DISTRICT& d, std::string* error);

// enter_district with the level file at level_path in place of the district's own (the editor
// plays the map being drawn), whatever d's fault: only its looks are taken from d.
bool enter_district_level(const DISTRICT& d, const std::string& level_path, std::string* error);

// Empty when sheet's empty (mask-coloured) pixels are the shared sheet's (tilemap), else why not:
// "its tiles.pcx is not the size of the shared one", "its tiles change the walls' shapes".
std::string tile_sheet_fault(BITMAP* sheet);

// The district named folder among game_districts(); false when there is none of that name.
bool find_district(const std::string& folder, DISTRICT* out);

#endif
