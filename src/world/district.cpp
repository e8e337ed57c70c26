// Districts: finding them on the disk, judging whether one can be played, and putting one in
// play over the shared assets.
#include "world/district.h"

#include <allegro.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "core/assets.h"
#include "core/files.h"
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
constexpr const char* fault_not_pcx = N_("%s is not a PCX picture");
constexpr const char* fault_tiles_size = N_("its tiles.pcx is not the size of the shared one");
constexpr const char* fault_walls = N_("its tiles change the walls' shapes");
constexpr const char* fault_tiles_unreadable = N_("its tiles.pcx cannot be read");
constexpr const char* fault_not_loaded = N_("its level cannot be loaded");

constexpr const char* shared_back_file = "dat/back.pcx";
constexpr const char* shared_level_file = "dat/level.dat";

bool is_file(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The whole of a small file; false when it cannot be read or holds more than max bytes.
bool read_small_file(const std::string& path, long max, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad() && static_cast<long>(text->size()) <= max;
}

// Reads district.cfg into d: the name, the order, and a draft's reason. False with the fault.
bool read_district_cfg(const std::string& path, DISTRICT& d) {
    std::string text;
    if (!is_file(path)) {
        d.fault = fill(fault_missing, {district_cfg_file});
        return false;
    }
    if (!read_small_file(path, district_cfg_max_bytes, &text)) {
        d.fault = fill(fault_unreadable, {district_cfg_file});
        return false;
    }
    return parse_district_cfg(text, d);
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

// The size of a PCX picture from its header, without reading its pixels; false when it is no
// PCX picture.
bool pcx_size(const std::string& path, int* w, int* h) {
    std::ifstream in(path, std::ios::binary);
    unsigned char head[12] = {};
    if (!in.read(reinterpret_cast<char*>(head), sizeof head) || head[0] != 0x0A) return false;
    const int x0 = head[4] | head[5] << 8, y0 = head[6] | head[7] << 8;
    const int x1 = head[8] | head[9] << 8, y1 = head[10] | head[11] << 8;
    if (x1 < x0 || y1 < y0) return false;
    *w = x1 - x0 + 1;
    *h = y1 - y0 + 1;
    return true;
}

// Copies the cells of sheet into the tiles' pictures, refusing a sheet whose empty pixels differ
// from the shared sheet's (the masks are the shared sheet's).
bool take_tile_pictures(BITMAP* sheet, std::string* error) {
    if (!tilemap || sheet->w != tilemap->w || sheet->h != tilemap->h) {
        if (error) *error = fault_tiles_size;
        return false;
    }
    const int mask = bitmap_mask_color(sheet);
    for (int y = 0; y < sheet->h; y++)
        for (int x = 0; x < sheet->w; x++)
            if ((getpixel(sheet, x, y) == mask) != (getpixel(tilemap, x, y) == mask)) {
                if (error) *error = fault_walls;
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
    fault_not_pcx,  fault_tiles_size, fault_walls,      fault_tiles_unreadable, fault_not_loaded};

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
    // The game's font draws ASCII alone, and district.cfg holds nothing else.
    std::string ascii;
    for (char ch : one_line(name))
        if (static_cast<unsigned char>(ch) < 0x80) ascii += ch;
    if (ascii.size() > static_cast<size_t>(district_name_max)) ascii.resize(district_name_max);
    return one_line(ascii);
}

bool parse_district_cfg(const std::string& text, DISTRICT& d) {
    if (text.size() > static_cast<size_t>(district_cfg_max_bytes)) {
        d.fault = fill(fault_damaged, {district_cfg_file, fault_too_large});
        return false;
    }
    // Only ASCII text reaches Allegro's reader: its UTF-8 decoding is not to be trusted with
    // hostile bytes, and the game's font draws ASCII alone.
    if (!ascii_text_fault(text, static_cast<size_t>(district_cfg_max_bytes)).empty()) {
        d.fault = fill(fault_damaged, {district_cfg_file, fault_not_text});
        return false;
    }
    push_config_state();
    set_config_data(text.data(), static_cast<int>(text.size()));
    const char* name = get_config_string(district_section, district_name_key, nullptr);
    const int order = get_config_int(district_section, district_order_key, 0);
    const char* not_playable = get_config_string(district_section, district_not_playable_key, nullptr);
    if (name) d.name = clean_shown_name(name);
    if (d.shipped) d.order = std::max(0, order);
    if (not_playable) {
        d.draft = true;
        d.fault = one_line(not_playable).substr(0, district_reason_max);
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

DISTRICT read_district(const std::string& dir, const std::string& folder, bool shipped, int tile_count,
                       int shared_tiles_w, int shared_tiles_h) {
    DISTRICT d;
    d.folder = folder;
    d.name = folder;
    d.dir = dir;
    d.shipped = shipped;
    if (!read_district_cfg(dir + "/" + district_cfg_file, d)) return d;

    const std::string level_path = dir + "/" + district_level_file;
    if (!is_file(level_path)) {
        d.fault = fill(fault_missing, {district_level_file});
        return d;
    }
    std::ifstream in(level_path);
    LEVEL_READ lv;
    std::string error;
    if (!in || !parse_level(in, tile_count, &lv, &error)) {
        d.fault = fill(fault_damaged, {district_level_file, in ? error : fault_cannot_read});
        return d;
    }
    d.fault = level_fault(lv);
    if (!d.fault.empty()) return d;

    int w = 0, h = 0;
    d.has_tiles = is_file(dir + "/" + district_tiles_file);
    if (d.has_tiles && (!pcx_size(dir + "/" + district_tiles_file, &w, &h) || w != shared_tiles_w || h != shared_tiles_h)) {
        d.fault = fill(fault_sheet_size, {district_tiles_file});
        return d;
    }
    d.has_back = is_file(dir + "/" + district_back_file);
    if (d.has_back && !pcx_size(dir + "/" + district_back_file, &w, &h)) {
        d.fault = fill(fault_not_pcx, {district_back_file});
        return d;
    }
    return d;
}

std::vector<DISTRICT> find_districts(const std::string& shipped_root, const std::string& player_root,
                                     int tile_count, int shared_tiles_w, int shared_tiles_h) {
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
        shipped.push_back(read_district(shipped_root + "/" + f, f, true, tile_count, shared_tiles_w, shared_tiles_h));
    std::stable_sort(shipped.begin(), shipped.end(), [](const DISTRICT& a, const DISTRICT& b) {
        // A shipped district without an order goes last among them.
        const int oa = a.order > 0 ? a.order : 1 << 30, ob = b.order > 0 ? b.order : 1 << 30;
        return oa < ob;
    });
    for (const std::string& f : folders(player_root))
        own.push_back(read_district(player_root + "/" + f, f, false, tile_count, shared_tiles_w, shared_tiles_h));
    shipped.insert(shipped.end(), own.begin(), own.end());
    return shipped;
}

std::string player_districts_dir() {
    const std::string data = xdg_data_dir();
    return data.empty() ? "" : data + "/districts";
}

std::vector<DISTRICT> game_districts() {
    return find_districts(shipped_districts_dir, player_districts_dir(), static_cast<int>(tiles.size()),
                          tilemap ? tilemap->w : 0, tilemap ? tilemap->h : 0);
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
    BITMAP* sheet = d.has_tiles ? load_bitmap((d.dir + "/" + district_tiles_file).c_str(), nullptr) : tilemap;
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
