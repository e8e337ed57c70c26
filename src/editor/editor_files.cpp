// Saving the editor's map as a district, and its autosave.
#include "editor/editor_files.h"

#include <filesystem>
#include <sstream>

#include "authoring/district_files.h"
#include "authoring/level_map.h"
#include "core/files.h"
#include "core/player_files.h"

namespace {

std::string autosave_path(const std::string& dir) {
    return dir + "/" + editor_autosave_file;
}

}  // namespace

bool save_editor_map(const std::string& dir, const EDITOR& e, const PROOF& proof, const std::string& shown_name,
                     BITMAP* sheet, BITMAP* back, std::string* error) {
    const std::string text = editor_map_text(e);
    level_check check;
    check.faults = proof.faults;
    if (!proof.searched && check.faults.empty()) check.faults.push_back(level_not_checked);
    if (check.faults.empty()) {
        std::istringstream in(text);
        check.cells = build_cells(read_map(in));
        check.text = level_text(check.cells);
    }
    if (!write_district(dir, text, check, shown_name, 0, sheet, back, error)) return false;
    remove_autosave(dir);
    return true;
}

bool write_autosave(const std::string& dir, const EDITOR& e, std::string* error) {
    const std::string text = editor_map_text(e);
    return write_file_atomically(autosave_path(dir), text.data(), text.size(), error);
}

bool autosave_is_newer(const std::string& dir) {
    std::error_code ec;
    const auto saved = std::filesystem::last_write_time(autosave_path(dir), ec);
    if (ec) return false;
    const auto map = std::filesystem::last_write_time(dir + "/" + district_map_file, ec);
    return ec || saved > map;
}

void remove_autosave(const std::string& dir) {
    std::error_code ignored;
    std::filesystem::remove(autosave_path(dir), ignored);
}

bool read_text_file(const std::string& path, std::string* text, std::size_t max_bytes) {
    return read_player_file(path, max_bytes, text, nullptr) == READ_RESULT::ok;
}
