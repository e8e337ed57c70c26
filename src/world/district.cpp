// Districts: finding them on the disk, judging whether one can be played, and putting one in
// play over the shared assets.
#include "world/district.h"

#include <allegro.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "core/assets.h"
#include "core/files.h"
#include "core/picture_bytes.h"
#include "core/player_files.h"
#include "text/utf8.h"
#include "text/text.h"
#include "world/level.h"

DISTRICT current_district = [] {
    DISTRICT d;
    d.folder = town_district;
    d.name = "Town";
    d.dir = std::string(shipped_districts_dir) + "/" + town_district;
    d.order = 1;
    d.shipped = true;
    return d;
}();

namespace {

// Why a district cannot be played, in English (district_fault_formats); %s is a file of its
// folder ("district.cfg", "level.dat", "tiles.pcx").
// TRANSLATORS: a district's file (its name, as on the disk) is not in its folder.
constexpr const char* fault_missing = N_("%s is missing");
constexpr const char* fault_unreadable = N_("%s cannot be read");
// TRANSLATORS: a district's file is damaged; %2$s says how (a fault of its own).
constexpr const char* fault_damaged = N_("%1$s is damaged: %2$s");
constexpr const char* fault_too_large = N_("it is too large");
constexpr const char* fault_not_text = N_("it is not text");
constexpr const char* fault_cannot_read = N_("it cannot be read");
constexpr const char* fault_draft = N_("saved as a draft");
constexpr const char* fault_open_top = N_("its level is open at the top or bottom");
constexpr const char* fault_open_side = N_("its level is open at a side");
constexpr const char* fault_small = N_("its level is too small for the starts");
constexpr const char* fault_no_floor = N_("a character's start is not standing on a floor");
constexpr const char* fault_sheet_size = N_("%s is not a tile sheet of the shared one's size");
constexpr const char* fault_back_size = N_("%s is not a background of the shared one's size");
// The sentences read_own_file makes of what the bounded reader says of a file: the file's name,
// then the reader's words.
constexpr const char* fault_not_regular = N_("%s is not a regular file");
// TRANSLATORS: %1$s is a district's file, %2$s a number of bytes.
constexpr const char* fault_larger = N_("%1$s is larger than %2$s bytes");
// TRANSLATORS: %1$s is a district's file, %2$s the system's reason, in English.
constexpr const char* fault_read_error = N_("%1$s cannot be read (%2$s)");
constexpr const char* fault_tiles_size = N_("its tiles.pcx is not the size of the shared one");
constexpr const char* fault_walls = N_("its tiles change the walls' shapes");
constexpr const char* fault_tiles_unreadable = N_("its tiles.pcx cannot be read");
constexpr const char* fault_not_loaded = N_("its level cannot be loaded");

constexpr const char* shared_level_file = "dat/level.dat";

// Reads a file of the district's folder within max bytes: false with d.fault naming the file and
// why ("level.dat is missing", "music.it is not a regular file", ...). A missing file is a fault
// only when required. The file's name followed by the reader's words makes one of the sentences
// fault_not_regular, fault_larger and fault_read_error, by which the screen translates it.
bool read_own_file(const std::string& dir, const char* file, std::size_t max, bool required, DISTRICT& d,
                   std::string* bytes, bool* there) {
    std::string why;
    const READ_RESULT got = read_player_file(dir + "/" + file, max, bytes, &why);
    *there = got == READ_RESULT::ok;
    if (got == READ_RESULT::failed) d.fault = std::string(file) + " " + why;
    if (got == READ_RESULT::missing && required) d.fault = fill(fault_missing, {file});
    return d.fault.empty();
}

// The same for a file the game reads later (its music, its maker's run, its preview): only
// checked here, without reading it.
bool check_own_file(const std::string& dir, const char* file, std::size_t max, DISTRICT& d, bool* there) {
    std::string why;
    const READ_RESULT got = check_player_file(dir + "/" + file, max, &why);
    *there = got == READ_RESULT::ok;
    if (got == READ_RESULT::failed) d.fault = std::string(file) + " " + why;
    return d.fault.empty();
}

// Reads district.cfg into d: the name, the order, and a draft's reason. False with the fault.
bool read_district_cfg(const std::string& dir, DISTRICT& d) {
    std::string text;
    bool there;
    if (!read_own_file(dir, district_cfg_file, static_cast<std::size_t>(district_cfg_max_bytes), true, d, &text,
                       &there))
        return false;
    return parse_district_cfg(text, d);
}

// A picture of the district's own (tiles.pcx, back.pcx): a PCX of w x h pixels when those are
// known. False with the fault.
bool check_own_picture(const std::string& dir, const char* file, int w, int h, const char* fault, DISTRICT& d,
                       bool* there) {
    std::string bytes;
    const std::size_t max = w > 0 && h > 0 ? pcx_max_bytes(w, h) : pcx_max_bytes(4096, 4096);
    if (!read_own_file(dir, file, max, false, d, &bytes, there) || !*there) return d.fault.empty();
    int pw = 0, ph = 0;
    if (!pcx_size(bytes, &pw, &ph) || (w > 0 && (pw != w || ph != h))) d.fault = fill(fault, {file});
    return d.fault.empty();
}

// The checks a level needs beyond reading: nothing keeps the player inside the map but its
// walls, and the two characters must stand on the ground where the game puts them.
std::string level_fault(const LEVEL_READ& lv) {
    for (int cx = 0; cx < lv.width; cx++)
        if (!lv.at(cx, 0).blWall || !lv.at(cx, lv.height - 1).blWall) return fault_open_top;
    for (int cy = 0; cy < lv.height; cy++)
        if (!lv.at(0, cy).blWall || !lv.at(lv.width - 1, cy).blWall) return fault_open_side;
    const int floor_row = static_cast<int>(start_y) / tile_size + frame_h / tile_size;
    for (float x : {player_start_x, partner_start_x}) {
        const int column = static_cast<int>(x) / tile_size;
        if (floor_row >= lv.height || column >= lv.width) return fault_small;
        if (!lv.at(column, floor_row).blWall || lv.at(column, floor_row - 1).blWall ||
            lv.at(column, floor_row - 2).blWall)
            return fault_no_floor;
    }
    return "";
}

// Copies the cells of sheet into the tiles' pictures, refusing a sheet whose empty pixels differ
// from the shared sheet's (the masks are the shared sheet's).
bool take_tile_pictures(BITMAP* sheet, std::string* error) {
    const std::string fault = tile_sheet_fault(sheet);
    if (!fault.empty()) {
        if (error) *error = fault;
        return false;
    }
    const int across = (sheet->w + tile_size - 1) / tile_size;
    for (size_t n = 0; n < tiles.size(); n++) {
        const int x = static_cast<int>(n) % across * tile_size, y = static_cast<int>(n) / across * tile_size;
        clear_to_color(tiles[n], bitmap_mask_color(tiles[n]));
        blit(sheet, tiles[n], x, y, 0, 0, tile_size, tile_size);
    }
    return true;
}

} // namespace

const ENGLISH_FORMATS district_fault_formats = {
    fault_missing,  fault_unreadable, fault_damaged,    fault_too_large,  fault_not_text,         fault_cannot_read,
    fault_draft,    fault_open_top,   fault_open_side,  fault_small,      fault_no_floor,         fault_sheet_size,
    fault_back_size, fault_tiles_size, fault_walls,     fault_tiles_unreadable, fault_not_loaded,
    fault_not_regular, fault_larger, fault_read_error};

// The shipped districts' names (tools/CMakeLists.txt gives them to their district.cfg).
// TRANSLATORS: the names of the game's districts (parts of the town), as the district screen
// lists them.
const char* const shipped_district_names[] = {NC_("district", "Town"),       NC_("district", "Harbour"),
                                              NC_("district", "Autumn Park"), NC_("district", "Old Quarter"),
                                              NC_("district", "Rooftops"),   NC_("district", "Night Market")};

std::string shown_district_name(const DISTRICT& d) {
    if (d.shipped)
        for (const char* n : shipped_district_names)
            if (d.name == n) return C_("district", n);
    return d.name;
}

std::string one_line(const std::string& s) {
    std::string out;
    for (unsigned char ch : s)
        if (ch >= 0x20 && ch != 0x7F) out += static_cast<char>(ch);
    const size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

std::string clean_shown_name(const std::string& name) {
    return one_line(utf8_prefix(screen_text(one_line(name)), district_name_max));
}

std::string tile_sheet_fault(BITMAP* sheet) {
    if (!tilemap || !sheet || sheet->w != tilemap->w || sheet->h != tilemap->h)
        return fault_tiles_size;
    const int mask = bitmap_mask_color(sheet);
    for (int y = 0; y < sheet->h; y++)
        for (int x = 0; x < sheet->w; x++)
            if ((getpixel(sheet, x, y) == mask) != (getpixel(tilemap, x, y) == mask))
                return fault_walls;
    return "";
}

bool parse_district_cfg(const std::string& text, DISTRICT& d) {
    if (text.size() > static_cast<size_t>(district_cfg_max_bytes)) {
        d.fault = fill(fault_damaged, {district_cfg_file, fault_too_large});
        return false;
    }
    // Only well-formed UTF-8 text reaches Allegro's reader: its decoding is not to be trusted
    // with hostile bytes (a sequence cut short, an overlong form).
    if (!utf8_text_fault(text, static_cast<size_t>(district_cfg_max_bytes)).empty()) {
        d.fault = fill(fault_damaged, {district_cfg_file, fault_not_text});
        return false;
    }
    push_config_state();
    set_config_data(text.data(), static_cast<int>(text.size()));
    const char* name = get_config_string(district_section, district_name_key, nullptr);
    const int order = get_config_int(district_section, district_order_key, 0);
    const char* not_playable = get_config_string(district_section, district_not_playable_key, nullptr);
    const char* maker = get_config_string(share_section, share_maker_key, nullptr);
    const char* contents = get_config_string(share_section, share_contents_key, nullptr);
    if (name) d.name = clean_shown_name(name);
    if (maker) d.maker = clean_shown_name(maker);
    if (contents) d.shared_contents = one_line(contents).substr(0, 64);
    if (d.shipped) d.order = std::max(0, order);
    if (not_playable) {
        d.draft = true;
        d.fault = utf8_prefix(one_line(not_playable), district_reason_max);
        if (d.fault.empty()) d.fault = fault_draft;
    }
    pop_config_state();
    if (d.name.empty()) d.name = d.folder;
    return !d.draft;
}

bool is_district_folder_name(const std::string& name) {
    if (name.empty() || name.size() > static_cast<size_t>(district_name_max) || name[0] == '-') return false;
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'; });
}

DISTRICT read_district(const std::string& dir, const std::string& folder, bool shipped, const SHARED_LOOKS& looks) {
    DISTRICT d;
    d.folder = folder;
    d.name = folder;
    d.dir = dir;
    d.shipped = shipped;
    if (!read_district_cfg(dir, d)) return d;

    std::string text;
    bool there;
    if (!read_own_file(dir, district_level_file, level_dat_max_bytes, true, d, &text, &there)) return d;
    std::istringstream in(text);
    LEVEL_READ lv;
    std::string error;
    if (!parse_level(in, looks.tile_count, &lv, &error)) {
        d.fault = fill(fault_damaged, {district_level_file, error});
        return d;
    }
    d.columns = lv.width;
    d.rows = lv.height;
    d.fault = level_fault(lv);
    if (!d.fault.empty()) return d;

    check_own_picture(dir, district_tiles_file, looks.tiles_w, looks.tiles_h, fault_sheet_size, d,
                      &d.has_tiles) &&
        check_own_picture(dir, district_back_file, looks.back_w, looks.back_h, fault_back_size,
                          d, &d.has_back) &&
        check_own_file(dir, district_music_file, district_music_max_bytes, d, &there) &&
        check_own_file(dir, district_maker_run_file, district_run_max_bytes, d, &d.has_maker_run) &&
        check_own_file(dir, district_preview_file, png_max_bytes(d.columns * preview_cell, d.rows * preview_cell), d,
                       &there);
    return d;
}

std::vector<DISTRICT> find_districts(const std::string& shipped_root, const std::string& player_root,
                                     const SHARED_LOOKS& looks) {
    auto folders = [](const std::string& root) {
        std::vector<std::string> names;
        std::error_code ec;
        if (root.empty()) return names;
        for (std::filesystem::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            std::error_code dir_ec;
            if (is_district_folder_name(name) && it->is_directory(dir_ec)) names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    std::vector<DISTRICT> shipped, own;
    for (const std::string& f : folders(shipped_root))
        shipped.push_back(read_district(shipped_root + "/" + f, f, true, looks));
    std::stable_sort(shipped.begin(), shipped.end(), [](const DISTRICT& a, const DISTRICT& b) {
        // A shipped district without an order goes last among them.
        const int oa = a.order > 0 ? a.order : 1 << 30, ob = b.order > 0 ? b.order : 1 << 30;
        return oa < ob;
    });
    for (const std::string& f : folders(player_root))
        own.push_back(read_district(player_root + "/" + f, f, false, looks));
    shipped.insert(shipped.end(), own.begin(), own.end());
    return shipped;
}

std::string player_districts_dir() {
    const std::string data = xdg_data_dir();
    return data.empty() ? "" : data + "/districts";
}

SHARED_LOOKS shared_looks() {
    SHARED_LOOKS looks;
    looks.tile_count = static_cast<int>(tiles.size());
    looks.tiles_w = tilemap ? tilemap->w : 0;
    looks.tiles_h = tilemap ? tilemap->h : 0;
    std::string bytes;
    if (read_player_file(shared_back_file, pcx_max_bytes(4096, 4096), &bytes, nullptr) == READ_RESULT::ok)
        pcx_size(bytes, &looks.back_w, &looks.back_h);
    return looks;
}

std::vector<DISTRICT> game_districts() {
    return find_districts(shipped_districts_dir, player_districts_dir(), shared_looks());
}

bool find_district(const std::string& folder, DISTRICT* out) {
    if (!is_district_folder_name(folder)) return false;
    for (const DISTRICT& d : game_districts())
        if (d.folder == folder) {
            *out = d;
            return true;
        }
    return false;
}

bool enter_district(const DISTRICT& d, std::string* error) {
    if (!d.fault.empty()) {
        if (error) *error = d.fault;
        return false;
    }
    return enter_district_level(d, "", error);
}

bool enter_district_level(const DISTRICT& d, const std::string& level_path, std::string* error) {
    // The tiles' pictures: the district's sheet, or the shared one again.
    std::string bytes;
    int w = 0, h = 0;
    BITMAP* sheet = tilemap;
    if (d.has_tiles) {
        const bool sized = tilemap &&
                           read_player_file(d.dir + "/" + district_tiles_file, pcx_max_bytes(tilemap->w, tilemap->h),
                                            &bytes, nullptr) == READ_RESULT::ok &&
                           pcx_size(bytes, &w, &h) && w == tilemap->w && h == tilemap->h;
        sheet = sized ? pcx_from_bytes(bytes) : nullptr;
    }
    if (!sheet) {
        if (error) *error = fault_tiles_unreadable;
        return false;
    }
    const bool tiles_taken = take_tile_pictures(sheet, error);
    if (sheet != tilemap) destroy_bitmap(sheet);
    if (!tiles_taken) return false;

    // The town's level is dat/level.dat itself, so that its runs name the file they always did.
    const bool town = d.shipped && d.folder == town_district && level_path.empty();
    level_file = town ? shared_level_file : !level_path.empty() ? level_path : d.dir + "/" + district_level_file;
    level_name = town ? shared_level_file : !level_path.empty() ? level_path : d.folder + "/" + district_level_file;
    back_file = d.has_back ? d.dir + "/" + district_back_file : shared_back_file;
    unload_level();
    const bool failed_before = blStartFailed;
    load_level();
    if (blStartFailed && !failed_before) {
        if (error) *error = fault_not_loaded;
        return false;
    }
    current_district = d;
    return true;
}
