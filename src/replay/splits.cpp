// The splits' table: reading it strictly, setting a damaged one aside, keeping a run's splits and
// the best run's replay, and judging a split as it is made.
#include "replay/splits.h"

#include <allegro.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/files.h"
#include "world/district.h"

SPLITS splits_at_start;

namespace {

constexpr const char* table_section = "splits";
constexpr const char* table_version = "1";

// A list of whole numbers from 1 up, parted by blanks; rising when asked. False with why.
bool read_ticks(const char* text, bool rising, std::vector<int>* out, std::string* why) {
    std::vector<int> v;
    const char* p = text;
    while (*p) {
        if (*p == ' ' || *p == '\t') {
            p++;
            continue;
        }
        if (*p < '0' || *p > '9') return *why = "holds something other than numbers", false;
        char* end = nullptr;
        errno = 0;
        const long n = std::strtol(p, &end, 10);
        if (errno || n < 1 || n > INT_MAX) return *why = "holds a number out of range", false;
        if (rising && !v.empty() && n <= v.back()) return *why = "does not rise", false;
        if (v.size() >= splits_max) return *why = "holds more than " + std::to_string(splits_max) + " numbers", false;
        v.push_back(static_cast<int>(n));
        p = end;
    }
    *out = std::move(v);
    return true;
}

std::string ticks_text(const std::vector<int>& v) {
    std::string s;
    for (int t : v) s += (s.empty() ? "" : " ") + std::to_string(t);
    return s;
}

// The table in text (the file's bytes): true and *out filled, or false with what is wrong.
bool parse_table(const std::string& text, SPLITS_TABLE* out, std::string* what) {
    *what = ascii_text_fault(text, splits_max_bytes);
    if (!what->empty()) return false;
    push_config_state();
    set_config_data(text.data(), static_cast<int>(text.size()));
    bool ok = true;
    const char* version = get_config_string(table_section, "version", nullptr);
    if (!version || std::strcmp(version, table_version) != 0) {
        *what = std::string("not a table of version ") + table_version + " ([" + table_section + "] version)";
        ok = false;
    }
    SPLITS_TABLE table;
    const char** names = nullptr;
    const int n = list_config_sections(&names);
    for (int i = 0; ok && i < n; i++) {
        std::string name = names[i];  // "[name]"
        if (name.size() < 2) continue;
        name = name.substr(1, name.size() - 2);
        if (name == table_section) continue;
        if (!is_district_folder_name(name)) {
            *what = "[" + name + "] is not a district's folder name";
            ok = false;
            break;
        }
        SPLITS s;
        std::string why;
        const char* best = get_config_string(name.c_str(), "best", "");
        const char* quickest = get_config_string(name.c_str(), "quickest", "");
        if (!read_ticks(best, true, &s.best, &why))
            *what = "[" + name + "] best " + why, ok = false;
        else if (!read_ticks(quickest, false, &s.quickest, &why))
            *what = "[" + name + "] quickest " + why, ok = false;
        else if (!s.best.empty() || !s.quickest.empty())  // an empty record is no record
            table[name] = std::move(s);
    }
    if (names) free_config_entries(&names);
    pop_config_state();
    if (ok) *out = std::move(table);
    return ok;
}

// The table in dir, a damaged one set aside; *writable false when it could not be.
SPLITS_TABLE load_table(const std::string& dir, std::FILE* err, bool* writable) {
    const std::string path = dir + "/" + splits_file;
    SPLITS_TABLE table;
    std::string text, what;
    *writable = true;
    const READ_RESULT got = read_small_file(path, splits_max_bytes, &text, &what);
    if (got == READ_RESULT::missing || (got == READ_RESULT::ok && parse_table(text, &table, &what))) return table;
    *writable = set_aside_damaged(path, what, err);
    return {};
}

bool save_table(const std::string& dir, const SPLITS_TABLE& table, std::string* error) {
    auto write = [&] {
        set_config_string(table_section, "version", table_version);
        for (const auto& [name, s] : table) {
            set_config_string(name.c_str(), "best", ticks_text(s.best).c_str());
            set_config_string(name.c_str(), "quickest", ticks_text(s.quickest).c_str());
        }
    };
    auto read_back = [&](const std::string& temp) {
        std::string text, what;
        SPLITS_TABLE back;
        return read_small_file(temp, splits_max_bytes, &text, &what) == READ_RESULT::ok &&
               parse_table(text, &back, &what) && back == table;
    };
    return write_config_file(dir + "/" + splits_file, false, write, read_back, error);
}

int mission_time(const std::vector<int>& run, std::size_t i) { return run[i] - (i ? run[i - 1] : 0); }

} // namespace

bool operator==(const SPLITS& a, const SPLITS& b) { return a.best == b.best && a.quickest == b.quickest; }

std::string ghost_file_name(const std::string& district) { return "ghost-" + district + ".replay"; }

SPLITS_TABLE load_splits(const std::string& dir, std::FILE* err) {
    bool writable;
    return load_table(dir, err, &writable);
}

bool beats_splits(const std::vector<int>& run, const std::vector<int>& best) {
    if (run.empty() || run.size() < best.size()) return false;
    return run.size() > best.size() || run.back() < best.back();
}

SPLIT_NOTE judge_split(const SPLITS& was, const std::vector<int>& run, int i) {
    SPLIT_NOTE n;
    if (i < 0 || static_cast<std::size_t>(i) >= run.size()) return n;
    const auto k = static_cast<std::size_t>(i);
    n.split = i;
    n.compared = k < was.best.size();
    if (n.compared) {
        n.difference = run[k] - was.best[k];
        n.look = n.difference <= 0 ? SPLIT_LOOK::ahead : SPLIT_LOOK::behind;
    }
    if (k < was.quickest.size() && mission_time(run, k) < was.quickest[k]) n.look = SPLIT_LOOK::gold;
    return n;
}

bool keep_splits(const std::string& dir, const std::string& district, const std::vector<int>& run,
                 const void* replay, std::size_t replay_size, std::FILE* err, std::string* error) {
    if (run.empty()) return true;
    bool writable;
    SPLITS_TABLE table = load_table(dir, err, &writable);
    if (!writable) {
        if (error) *error = "the damaged table could not be set aside";
        return false;
    }
    const SPLITS was = table[district];
    SPLITS& s = table[district];
    for (std::size_t k = 0; k < run.size() && k < splits_max; k++) {
        const int t = mission_time(run, k);
        if (k >= s.quickest.size())
            s.quickest.push_back(t);
        else if (t < s.quickest[k])
            s.quickest[k] = t;
    }
    if (beats_splits(run, s.best)) {
        s.best.assign(run.begin(), run.begin() + static_cast<long>(std::min(run.size(), splits_max)));
        if (!write_file_atomically(dir + "/" + ghost_file_name(district), replay, replay_size, error)) return false;
    }
    if (s == was) return true;
    return save_table(dir, table, error);
}
