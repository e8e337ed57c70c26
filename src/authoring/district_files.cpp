// A district's folder written file by file, each atomically: the map, the level and its preview
// when the map is playable, and district.cfg through Allegro's configuration routines.
#include "authoring/district_files.h"

#include <allegro.h>
#include <loadpng.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/files.h"
#include "text/text.h"

namespace {

void say(std::string* error, const std::string& why) {
    if (error) *error = why;
}

bool write_text(const std::string& path, const std::string& text, std::string* error) {
    return write_file_atomically(path, text.data(), text.size(), error);
}

// Removes path when it is there.
bool remove_file(const std::string& path, std::string* error) {
    if (std::remove(path.c_str()) == 0 || errno == ENOENT) return true;
    say(error, "cannot remove " + path + " (" + std::strerror(errno) + ")");
    return false;
}

// district.cfg: the shown name, the order when there is one, and for a draft why it cannot be
// played.
bool write_config(const std::string& path, const std::string& name, int order, const std::string& not_playable,
                  std::string* error) {
    const auto write = [&] {
        set_config_string(district_section, district_name_key, name.c_str());
        if (order > 0) set_config_int(district_section, district_order_key, order);
        if (!not_playable.empty())
            set_config_string(district_section, district_not_playable_key, not_playable.c_str());
    };
    const auto read_back = [&](const std::string& temp) {
        push_config_state();
        set_config_file(temp.c_str());
        const bool same = name == get_config_string(district_section, district_name_key, "") &&
                          get_config_int(district_section, district_order_key, 0) == (order > 0 ? order : 0) &&
                          not_playable == get_config_string(district_section, district_not_playable_key, "");
        pop_config_state();
        return same;
    };
    return write_config_file(path, false, write, read_back, error);
}

}  // namespace

std::string folder_name(const std::string& path) {
    std::string dir = path;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    const std::size_t slash = dir.rfind('/');
    return slash == std::string::npos ? dir : dir.substr(slash + 1);
}

bool write_preview_png(const std::string& path, const level_cells& cells, BITMAP* sheet, BITMAP* back,
                       std::string* error) {
    // At 24 bits: a 32-bit picture would be saved with its unused top byte as alpha.
    BITMAP* picture = draw_level_preview(cells, sheet, back);
    BITMAP* rgb = picture ? create_bitmap_ex(24, picture->w, picture->h) : nullptr;
    if (rgb) blit(picture, rgb, 0, 0, 0, 0, picture->w, picture->h);
    if (picture) destroy_bitmap(picture);
    if (!rgb) {
        say(error, "cannot draw the preview " + path);
        return false;
    }
    const std::string temp = temporary_name(path);
    const bool saved = save_png(temp.c_str(), rgb, nullptr) == 0;
    destroy_bitmap(rgb);
    if (!saved) {
        std::remove(temp.c_str());
        say(error, "cannot write " + temp);
        return false;
    }
    return replace_file(temp, path, error);
}

const ENGLISH_FORMATS district_file_formats = {
    // TRANSLATORS: why a district saved as a draft cannot be played, when no fault says more.
    N_("the level cannot be played"),
    level_not_checked,
};

bool write_district(const std::string& dir, const std::string& map_text, const level_check& check,
                    const std::string& shown_name, int order, BITMAP* sheet, BITMAP* back,
                    std::string* error) {
    if (!make_directories(dir, error)) return false;
    std::string name = clean_shown_name(shown_name);
    if (name.empty()) name = clean_shown_name(folder_name(dir));
    std::string not_playable;
    if (!check.faults.empty()) {
        not_playable = one_line(check.faults.front());
        if (not_playable.empty()) not_playable = district_file_formats[0];
    }
    const std::string in = dir + "/";
    if (!write_text(in + district_map_file, map_text, error)) return false;
    if (not_playable.empty()) {
        if (!write_text(in + district_level_file, check.text, error) ||
            !write_preview_png(in + district_preview_file, check.cells, sheet, back, error))
            return false;
    } else if (!remove_file(in + district_level_file, error) || !remove_file(in + district_preview_file, error)) {
        return false;
    }
    // Last, so that a district.cfg never describes files that are not yet in place.
    return write_config(in + district_cfg_file, name, order, not_playable, error);
}
