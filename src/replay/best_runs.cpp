// The best-runs table: reading it strictly, setting a damaged one aside, entering a run.
#include "replay/best_runs.h"

#include <allegro.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>

#include "core/files.h"

namespace {

constexpr const char* table_section = "best-runs";
constexpr const char* table_version = "1";
constexpr int most_names_a_second = 9999;  // replays of runs begun in the same second

const char* const run_fields[] = {"date", "score", "level", "minutes", "replay"};

std::string run_section(std::size_t i) { return "run" + std::to_string(i + 1); }

bool is_digits(const std::string& s, std::size_t from, std::size_t n) {
    if (from + n > s.size()) return false;
    for (std::size_t i = from; i < from + n; i++)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

// A whole number written plainly (an optional minus, digits, nothing else) within min..max.
bool read_number(const char* text, long long min, long long max, int* value) {
    const std::string s = text;
    const std::size_t digits_from = !s.empty() && s[0] == '-' ? 1 : 0;
    const std::size_t digits = s.size() - digits_from;
    if (digits == 0 || digits > 10 || !is_digits(s, digits_from, digits)) return false;
    const long long v = std::stoll(s);
    if (v < min || v > max) return false;
    *value = static_cast<int>(v);
    return true;
}

// "YYYY-MM-DD HH:MM:SS" with each part in its range.
bool is_date(const std::string& s) {
    if (s.size() != 19 || s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':' || s[16] != ':')
        return false;
    static const struct { std::size_t at; int min, max; } parts[] = {
        {0, 0, 9999}, {5, 1, 12}, {8, 1, 31}, {11, 0, 23}, {14, 0, 59}, {17, 0, 60}};
    for (const auto& p : parts) {
        const std::size_t n = p.at == 0 ? 4 : 2;
        if (!is_digits(s, p.at, n)) return false;
        const int v = std::stoi(s.substr(p.at, n));
        if (v < p.min || v > p.max) return false;
    }
    return true;
}

// a ranks before b: a higher score, or the same score and an earlier start (the date's fixed
// layout sorts as text in the order of time).
bool ranks_before(const BEST_RUN& a, const BEST_RUN& b) {
    return a.score > b.score || (a.score == b.score && a.date < b.date);
}

// The field of a run whose value is wrong, or empty when none is.
std::string fault_of(const BEST_RUN& r) {
    if (!is_date(r.date)) return "date";
    if (r.level < 0) return "level";
    if (r.minutes < 0 || r.minutes > best_run_max_minutes) return "minutes";
    if (!is_best_run_replay_name(r.replay)) return "replay";
    return "";
}

std::string why_wrong(const std::string& field) {
    if (field == "date") return "is not a date YYYY-MM-DD HH:MM:SS";
    if (field == "replay") return "is not a name best-YYYYMMDD-HHMMSS[-N].replay";
    return "is out of range";
}

// Reads one [runN] from the configuration in force; false with what is wrong.
bool read_run(const std::string& section, BEST_RUN* r, std::string* what) {
    const char* text[std::size(run_fields)];
    for (std::size_t f = 0; f < std::size(run_fields); f++) {
        text[f] = get_config_string(section.c_str(), run_fields[f], nullptr);
        if (!text[f]) return *what = "[" + section + "] has no " + run_fields[f], false;
    }
    r->date = text[0];
    r->replay = text[4];
    std::string fault;
    if (!read_number(text[1], INT_MIN, INT_MAX, &r->score)) fault = "score";
    else if (!read_number(text[2], 0, INT_MAX, &r->level)) fault = "level";
    else if (!read_number(text[3], 0, best_run_max_minutes, &r->minutes)) fault = "minutes";
    else fault = fault_of(*r);
    if (fault.empty()) return true;
    const std::size_t f = std::find(std::begin(run_fields), std::end(run_fields), fault) - std::begin(run_fields);
    *what = "[" + section + "] " + fault + " = " + text[f] + " " + why_wrong(fault);
    return false;
}

// The table in text (the file's bytes): true and *out filled, or false with what is wrong.
// Only ASCII text reaches Allegro's reader: the table never holds anything else, and its UTF-8
// decoding is not to be trusted with a cut multi-byte character at the end of hostile bytes.
bool parse_table(const std::string& text, std::vector<BEST_RUN>* out, std::string* what) {
    if (text.size() > best_runs_max_bytes)
        return *what = "larger than " + std::to_string(best_runs_max_bytes) + " bytes", false;
    if (!is_ascii_text(text, what)) return false;
    push_config_state();
    set_config_data(text.data(), static_cast<int>(text.size()));
    std::vector<std::string> sections;  // as Allegro lists them: "[name]"
    const char** names = nullptr;
    const int n = list_config_sections(&names);
    for (int i = 0; i < n; i++) sections.push_back(names[i]);
    if (names) free_config_entries(&names);

    std::vector<BEST_RUN> table;
    bool ok = true;
    const char* version = get_config_string(table_section, "version", nullptr);
    if (!version || std::strcmp(version, table_version) != 0) {
        *what = std::string("not a table of version ") + table_version + " ([" + table_section + "] version)";
        ok = false;
    }
    for (std::size_t i = 0; ok && i < best_runs_kept; i++) {
        const std::string section = run_section(i);
        if (std::find(sections.begin(), sections.end(), "[" + section + "]") == sections.end()) break;
        BEST_RUN r;
        ok = read_run(section, &r, what);
        if (!ok) break;
        const bool shared = std::any_of(table.begin(), table.end(),
                                        [&](const BEST_RUN& b) { return b.replay == r.replay; });
        if (shared) {
            *what = "[" + section + "] shares its replay with a better run";
            ok = false;
        } else if (!table.empty() && ranks_before(r, table.back())) {
            *what = "[" + section + "] ranks before the run above it";
            ok = false;
        }
        table.push_back(r);
    }
    // A [runN] not read: after a gap, or past the runs the table keeps.
    for (const std::string& name : sections) {
        if (!ok) break;
        if (name.size() < 6 || name.compare(0, 4, "[run") != 0 || !is_digits(name, 4, name.size() - 5)) continue;
        bool read = false;
        for (std::size_t i = 0; i < table.size(); i++) read = read || name == "[" + run_section(i) + "]";
        if (!read) {
            *what = name + " after the last run";
            ok = false;
        }
    }
    pop_config_state();
    if (ok) *out = std::move(table);
    return ok;
}

// A missing folder on the way is a missing table too.
TEXT_FILE read_text(const std::string& path, std::string* text, std::string* what) {
    return read_text_file(path, best_runs_max_bytes, text, what);
}

// The table in dir, a damaged one set aside. *writable says whether the file may be replaced:
// false when a damaged table could not be set aside.
std::vector<BEST_RUN> load_table(const std::string& dir, std::FILE* err, bool* writable) {
    const std::string path = dir + "/" + best_runs_file;
    std::vector<BEST_RUN> table;
    std::string text, what;
    *writable = true;
    const TEXT_FILE got = read_text(path, &text, &what);
    if (got == TEXT_FILE::missing || (got == TEXT_FILE::ok && parse_table(text, &table, &what))) return table;
    *writable = set_aside_damaged(path, what, err);
    return {};
}

// Writes the table to its file, whole or not at all.
bool save_table(const std::string& dir, const std::vector<BEST_RUN>& table, std::string* error) {
    auto write = [&] {
        set_config_string(table_section, "version", table_version);
        for (std::size_t i = 0; i < table.size(); i++) {
            const std::string section = run_section(i);
            const BEST_RUN& r = table[i];
            set_config_string(section.c_str(), "date", r.date.c_str());
            set_config_int(section.c_str(), "score", r.score);
            set_config_int(section.c_str(), "level", r.level);
            set_config_int(section.c_str(), "minutes", r.minutes);
            set_config_string(section.c_str(), "replay", r.replay.c_str());
        }
    };
    auto read_back = [&](const std::string& temp) {
        std::string text, what;
        std::vector<BEST_RUN> back;
        return read_text(temp, &text, &what) == TEXT_FILE::ok && parse_table(text, &back, &what) && back == table;
    };
    return write_config_file(dir + "/" + best_runs_file, false, write, read_back, error);
}

// "best-YYYYMMDD-HHMMSS" for the local time t, or empty when the year has not four digits.
std::string replay_stem(std::time_t t, std::string* date) {
    std::tm local{};
    if (!localtime_r(&t, &local) || local.tm_year + 1900 < 0 || local.tm_year + 1900 > 9999) return "";
    char stem[32], when[32];
    std::strftime(stem, sizeof stem, "best-%Y%m%d-%H%M%S", &local);
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    *date = when;
    return stem;
}

bool exists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

// The first name of stem's form that neither a file in dir nor a run of the table has.
std::string free_replay_name(const std::string& dir, const std::string& stem,
                             const std::vector<BEST_RUN>& table) {
    for (int n = 1; n <= most_names_a_second; n++) {
        const std::string name = stem + (n == 1 ? "" : "-" + std::to_string(n)) + ".replay";
        const bool listed = std::any_of(table.begin(), table.end(),
                                        [&](const BEST_RUN& r) { return r.replay == name; });
        if (!listed && !exists(dir + "/" + name)) return name;
    }
    return "";
}

bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

} // namespace

bool operator==(const BEST_RUN& a, const BEST_RUN& b) {
    return a.date == b.date && a.score == b.score && a.level == b.level && a.minutes == b.minutes &&
           a.replay == b.replay;
}

bool is_best_run_replay_name(const std::string& name) {
    const std::string head = "best-", tail = ".replay";
    constexpr std::size_t stamp = 15;  // YYYYMMDD-HHMMSS
    if (name.size() < head.size() + stamp + tail.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    const std::size_t at = head.size();
    if (!is_digits(name, at, 8) || name[at + 8] != '-' || !is_digits(name, at + 9, 6)) return false;
    const std::size_t rest_at = at + stamp, rest = name.size() - tail.size() - rest_at;
    if (rest == 0) return true;
    // "-N": N from 1 to 9999 without a leading zero.
    return rest >= 2 && rest <= 5 && name[rest_at] == '-' && name[rest_at + 1] != '0' &&
           is_digits(name, rest_at + 1, rest - 1);
}

std::vector<BEST_RUN> load_best_runs(const std::string& dir, std::FILE* err) {
    bool writable;
    return load_table(dir, err, &writable);
}

bool enters_best_runs(const std::vector<BEST_RUN>& table, int score) {
    return table.size() < best_runs_kept || score > table[best_runs_kept - 1].score;
}

bool enter_best_run(const std::string& dir, std::time_t began, int score, int level, int minutes,
                    const void* replay, std::size_t replay_size, std::FILE* err, std::string* error) {
    bool writable;
    std::vector<BEST_RUN> table = load_table(dir, err, &writable);
    if (!writable) return fail(error, "the damaged table could not be set aside");

    BEST_RUN run;
    run.score = score;
    run.level = level;
    run.minutes = minutes;
    const std::string stem = replay_stem(began, &run.date);
    if (stem.empty()) return fail(error, "the run's date has no four-digit year");
    run.replay = free_replay_name(dir, stem, table);
    if (run.replay.empty()) return fail(error, "no free name for the replay beside the table");
    const std::string fault = fault_of(run);
    if (!fault.empty()) return fail(error, "the run's " + fault + " is out of range");

    const auto at = std::upper_bound(table.begin(), table.end(), run, ranks_before);
    if (static_cast<std::size_t>(at - table.begin()) >= best_runs_kept)
        return fail(error, "a score of " + std::to_string(score) + " is not among the ten best");
    table.insert(at, run);
    BEST_RUN dropped;
    const bool drops = table.size() > best_runs_kept;
    if (drops) {
        dropped = table.back();
        table.pop_back();
    }

    const std::string replay_path = dir + "/" + run.replay;
    if (!write_file_atomically(replay_path, replay, replay_size, error)) return false;
    if (!save_table(dir, table, error)) {
        unlink(replay_path.c_str());
        return false;
    }
    if (drops && is_best_run_replay_name(dropped.replay)) unlink((dir + "/" + dropped.replay).c_str());
    return true;
}
