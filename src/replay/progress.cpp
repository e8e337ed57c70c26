// The progress file: read strictly, a damaged one set aside, written atomically at the mission
// that improves it; and which districts it unlocks.
#include "replay/progress.h"

#include <allegro.h>

#include <climits>
#include <cstring>

#include "core/files.h"

PROGRESS game_progress;
bool progress_enabled = true;

namespace {

// False when a damaged progress file could not be set aside: it is then never written over.
bool game_progress_writable = true;

constexpr const char* progress_section = "progress";
constexpr const char* progress_version = "1";

// A whole number written plainly (an optional minus, at most ten digits) within min..max.
bool whole_number(const char* text, long long min, long long max, int* value) {
    if (!text) return false;
    const char* digits = text[0] == '-' ? text + 1 : text;
    const std::size_t n = std::strlen(digits);
    if (n == 0 || n > 10) return false;
    for (std::size_t i = 0; i < n; i++)
        if (digits[i] < '0' || digits[i] > '9') return false;
    const long long v = std::strtoll(text, nullptr, 10);
    if (v < min || v > max) return false;
    *value = static_cast<int>(v);
    return true;
}

bool fail(std::string* what, const std::string& why) {
    *what = why;
    return false;
}

} // namespace

bool parse_progress(const std::string& text, PROGRESS* out, std::string* what) {
    *what = ascii_text_fault(text, progress_max_bytes);
    if (!what->empty()) return false;
    push_config_state();
    set_config_data(text.data(), static_cast<int>(text.size()));
    std::vector<std::string> sections;
    const char** names = nullptr;
    const int n = list_config_sections(&names);
    for (int i = 0; i < n; i++) sections.push_back(names[i]);
    if (names) free_config_entries(&names);

    PROGRESS p;
    bool ok = true;
    const char* version = get_config_string(progress_section, "version", nullptr);
    if (!version || std::strcmp(version, progress_version) != 0)
        ok = fail(what, std::string("not a progress file of version ") + progress_version + " ([progress] version)");
    const char* last = get_config_string(progress_section, "last", nullptr);
    if (ok && last) {
        if (!is_district_folder_name(last)) ok = fail(what, std::string("[progress] last = ") + last + " is no district");
        else p.last = last;
    }
    for (const std::string& bracketed : sections) {
        if (!ok) break;
        // Allegro lists sections as "[name]".
        const std::string name = bracketed.size() >= 2 ? bracketed.substr(1, bracketed.size() - 2) : bracketed;
        if (name == progress_section) continue;
        if (!is_district_folder_name(name)) {
            ok = fail(what, bracketed + " is no district's folder name");
            break;
        }
        DISTRICT_PROGRESS d;
        const char* level = get_config_string(name.c_str(), "best_level", nullptr);
        const char* score = get_config_string(name.c_str(), "best_score", nullptr);
        if (!whole_number(level, 0, INT_MAX, &d.best_level))
            ok = fail(what, bracketed + " best_level is " + (level ? std::string("out of range: ") + level : "missing"));
        else if (!whole_number(score, INT_MIN, INT_MAX, &d.best_score))
            ok = fail(what, bracketed + " best_score is " + (score ? std::string("out of range: ") + score : "missing"));
        else
            p.districts[name] = d;
    }
    pop_config_state();
    if (ok) *out = std::move(p);
    return ok;
}

PROGRESS load_progress(const std::string& dir, std::FILE* err, bool* writable) {
    if (writable) *writable = true;
    const std::string path = dir + "/" + progress_file;
    std::string text, what;
    PROGRESS p;
    const READ_RESULT got = read_small_file(path, progress_max_bytes, &text, &what);
    if (got == READ_RESULT::missing || (got == READ_RESULT::ok && parse_progress(text, &p, &what))) return p;
    const bool aside = set_aside_damaged(path, what, err);
    if (writable) *writable = aside;
    return PROGRESS{};
}

bool save_progress(const std::string& dir, const PROGRESS& p, std::string* error) {
    auto write = [&] {
        set_config_string(progress_section, "version", progress_version);
        if (!p.last.empty()) set_config_string(progress_section, "last", p.last.c_str());
        for (const auto& [name, d] : p.districts) {
            set_config_int(name.c_str(), "best_level", d.best_level);
            set_config_int(name.c_str(), "best_score", d.best_score);
        }
    };
    auto read_back = [&](const std::string& temp) {
        std::string text, what;
        PROGRESS back;
        return read_small_file(temp, progress_max_bytes, &text, &what) == READ_RESULT::ok &&
               parse_progress(text, &back, &what) && back == p;
    };
    return write_config_file(dir + "/" + progress_file, false, write, read_back, error);
}

bool improve_progress(PROGRESS& p, const std::string& district, int level, int score) {
    const auto found = p.districts.find(district);
    if (found == p.districts.end()) {
        p.districts[district] = DISTRICT_PROGRESS{level, score};
        return true;
    }
    DISTRICT_PROGRESS& d = found->second;
    const DISTRICT_PROGRESS was = d;
    // A record of a district played without a mission fulfilled holds no score yet.
    if (score > d.best_score || (was.best_level == 0 && level > 0)) d.best_score = score;
    if (level > d.best_level) d.best_level = level;
    return !(d == was);
}

std::vector<bool> unlocked_districts(const std::vector<DISTRICT>& list, const PROGRESS& p) {
    std::vector<bool> open(list.size(), false);
    const DISTRICT* previous_shipped = nullptr;
    for (std::size_t i = 0; i < list.size(); i++) {
        const DISTRICT& d = list[i];
        if (!d.shipped) {
            open[i] = true;
            continue;
        }
        if (!previous_shipped) {
            open[i] = true;
        } else {
            const auto found = p.districts.find(previous_shipped->folder);
            open[i] = found != p.districts.end() && found->second.best_level >= unlock_level;
        }
        previous_shipped = &d;
    }
    return open;
}

std::vector<bool> newly_opened_districts(const std::vector<DISTRICT>& list, const PROGRESS& p) {
    const std::vector<bool> open = unlocked_districts(list, p);
    std::vector<bool> fresh(list.size(), false);
    bool first_shipped = true;
    for (std::size_t i = 0; i < list.size(); i++) {
        if (!list[i].shipped) continue;
        fresh[i] = open[i] && !first_shipped && p.districts.count(list[i].folder) == 0;
        first_shipped = false;
    }
    return fresh;
}

std::vector<DISTRICT> districts_opened(const std::vector<DISTRICT>& list, const PROGRESS& p,
                                       const std::string& district, int level, int score) {
    PROGRESS after = p;
    improve_progress(after, district, level, score);
    const std::vector<bool> was = unlocked_districts(list, p), is = unlocked_districts(list, after);
    std::vector<DISTRICT> opened;
    for (std::size_t i = 0; i < list.size(); i++)
        if (is[i] && !was[i]) opened.push_back(list[i]);
    return opened;
}

void load_game_progress() {
    const std::string dir = xdg_data_dir();
    game_progress = dir.empty() ? PROGRESS{} : load_progress(dir, stderr, &game_progress_writable);
}

namespace {

void write_game_progress() {
    const std::string dir = xdg_data_dir();
    std::string error;
    if (!dir.empty() && game_progress_writable && !save_progress(dir, game_progress, &error))
        std::fprintf(stderr, "one-step-ahead: the progress was not kept: %s\n", error.c_str());
}

} // namespace

void note_progress(int level, int score) {
    if (!progress_enabled) return;
    if (improve_progress(game_progress, current_district.folder, level, score)) write_game_progress();
}

void note_last_district(const std::string& folder) {
    if (!progress_enabled) return;
    // A record of no mission fulfilled yet: played.
    const bool first_play = game_progress.districts.emplace(folder, DISTRICT_PROGRESS{}).second;
    if (!first_play && game_progress.last == folder) return;
    game_progress.last = folder;
    write_game_progress();
}
