// Districts: the game's world of levels. A district is a folder holding level.dat (the level
// file), district.cfg (its shown name and, for a shipped one, its place in the order) and
// optionally tiles.pcx and back.pcx, its own looks of the shared tile sheet and background, and
// music.it, its tune.
// The shipped districts live in dat/districts/, the player's own in
// $XDG_DATA_HOME/one-step-ahead/districts/. Which one is played, and loading it over the
// shared assets, lives here too.
#ifndef OSA_WORLD_DISTRICT_H
#define OSA_WORLD_DISTRICT_H

#include <string>
#include <vector>

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
constexpr const char* district_music_file = "music.it";  // its tune, played in it when there
// A larger music.it is not taken (the shipped tunes are under 50 KB).
constexpr long district_music_max_bytes = 8L * 1024 * 1024;
// district.cfg's section and keys.
constexpr const char* district_section = "district";
constexpr const char* district_name_key = "name";
constexpr const char* district_order_key = "order";
constexpr const char* district_not_playable_key = "not_playable";  // a draft's reason
// A larger district.cfg is no file of ours.
constexpr long district_cfg_max_bytes = 16 * 1024;
constexpr int district_name_max = 40;  // characters of a folder's name and of a shown name
constexpr int district_reason_max = 200;  // characters of a draft's reason

// s as one line: control characters (C0 and DEL) dropped, blanks at either end trimmed.
std::string one_line(const std::string& s);
// The name a district shows, made fit for one line of district.cfg: one_line, bytes outside
// ASCII dropped (the game's font draws ASCII alone), cut to district_name_max characters. May be
// empty.
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
};

// Reads the district in folder dir (named folder) without loading its pictures' pixels beyond
// what the checks need: district.cfg must be readable and small; level.dat must be there and
// read as a level (read_level) with tile_count tiles; the level's borders closed and the two
// starts standing on walls; tiles.pcx and back.pcx, when there, must be pictures of the shared
// ones' sizes (shared_tiles_w x shared_tiles_h for the sheet). Whatever is wrong is put in
// fault ("level.dat is missing", "district.cfg is damaged: ...", ...), never thrown; a draft's
// fault is its district.cfg's not_playable line. Needs Allegro started (the config routines and
// the PCX reader); leaves its configuration as it was. Does not change the level in play.
DISTRICT read_district(const std::string& dir, const std::string& folder, bool shipped, int tile_count,
                       int shared_tiles_w, int shared_tiles_h);

// Reads the text of a district.cfg into d: the shown name ([district] name through
// clean_shown_name; the folder's name when it has none), the order (shipped districts only) and
// a draft's not_playable reason, which becomes d.fault. False with d.fault set when the text is
// no such file (not ASCII text, too large) or a draft.
// Needs Allegro started; leaves its configuration as it was.
bool parse_district_cfg(const std::string& text, DISTRICT& d);

// Every district the game offers, in the district screen's order: the shipped ones under
// shipped_root by their order (then folder), then the player's under player_root by folder
// name. Folders whose names are not district names are left out; a player's district that
// cannot be played is listed with its fault. Either root may be missing or empty.
std::vector<DISTRICT> find_districts(const std::string& shipped_root, const std::string& player_root,
                                     int tile_count, int shared_tiles_w, int shared_tiles_h);

// find_districts with the game's own roots and the shared tiles loaded by load_shit.
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
// load_shit's tiles. False with why in *error (the level in play is then whatever could be
// loaded: call enter_district for another, or end).
bool enter_district(const DISTRICT& d, std::string* error);

// enter_district with the level file at level_path in place of the district's own (the editor
// plays the map being drawn), whatever d's fault: only its looks are taken from d.
bool enter_district_level(const DISTRICT& d, const std::string& level_path, std::string* error);

// The district named folder among game_districts(); false when there is none of that name.
bool find_district(const std::string& folder, DISTRICT* out);

#endif
