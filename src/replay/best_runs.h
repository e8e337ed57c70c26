// The table of the ten best runs by score, best-runs.cfg, with each run's replay beside it in
// the same folder (the game's is xdg_data_dir()).
#ifndef OSA_REPLAY_BEST_RUNS_H
#define OSA_REPLAY_BEST_RUNS_H

#include <cstddef>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

constexpr std::size_t best_runs_kept = 10;  // in each district
// The most runs a table holds, over all districts (a larger file is refused anyway).
constexpr std::size_t best_runs_max_total = 1000;
// The district of a run whose section names none: the table kept only the town's before.
constexpr const char* best_runs_first_district = "town";
constexpr const char* best_runs_file = "best-runs.cfg";
// The longest run a table holds: the longest a replay can be (10 hours).
constexpr int best_run_max_minutes = 600;
// A larger file is no table of ours (ten runs take well under a kilobyte).
constexpr std::size_t best_runs_max_bytes = 64 * 1024;

// One run of the table.
struct BEST_RUN {
    std::string date;    // "YYYY-MM-DD HH:MM:SS", the local time the run began
    int score = 0;       // may be negative, as the game's score may
    int level = 0;       // 0 or more
    int minutes = 0;     // minutes played, rounded down: 0 .. best_run_max_minutes
    std::string replay;  // the replay's file name in the table's folder
    std::string district = best_runs_first_district;  // the folder name of the district played
    // Not in the table: set for a shared district's run by its maker (sharing/maker_run.h), whose
    // replay is the district's own maker.replay; the name shown for it, which may be empty.
    bool by_maker = false;
    std::string maker;
};

bool operator==(const BEST_RUN& a, const BEST_RUN& b);

// True when name is a replay name of the table: exactly "best-YYYYMMDD-HHMMSS.replay" or
// "best-YYYYMMDD-HHMMSS-N.replay" (digits; N from 1 to 9999, no leading zero). Such a name is
// never a path: the table never reads or deletes any other file.
bool is_best_run_replay_name(const std::string& name);

// Reads dir/best-runs.cfg: each district's runs best first (higher score; of equal scores the
// earlier run), at most best_runs_kept of a district. A missing
// file is an empty table. A damaged one (not "version = 1" in [best-runs], a [runN] missing a
// field or with a value out of range or a replay name not of the form above or a district that
// is no folder name, two runs sharing a replay, a district's runs out of order or more than
// best_runs_kept, runs with a gap, bytes that are not ASCII text, larger than
// best_runs_max_bytes) is renamed to best-runs.cfg.bad, replacing an older one, with one line
// on err saying what was wrong, and the table is empty. Needs Allegro started; leaves the
// library's own configuration as it was.
std::vector<BEST_RUN> load_best_runs(const std::string& dir, std::FILE* err);

// True when a run of district that ends now with this score enters the table: fewer than
// best_runs_kept runs of that district, or a score above its last one's (the earlier of two equal
// scores ranks first).
bool enters_best_runs(const std::vector<BEST_RUN>& table, int score,
                      const std::string& district = best_runs_first_district);

// The runs of one district, best first.
std::vector<BEST_RUN> district_best_runs(const std::vector<BEST_RUN>& table, const std::string& district);

// Enters the run that began at `began` (local time gives its date and its replay's name) into
// the table in dir, made when missing: loads the table (as load_best_runs), writes the replay's
// size bytes from replay beside it under a free name "best-YYYYMMDD-HHMMSS[-N].replay", inserts
// the run among its district's, drops that district's run past best_runs_kept and saves the table (through a temporary file,
// renamed over the old one); only then deletes the dropped run's replay. False, with why in
// *error when error is not null, when the run does not enter, a value is out of range, the
// damaged table could not be set aside, or a file cannot be written; the table and its replays
// are then as they were.
bool enter_best_run(const std::string& dir, std::time_t began, int score, int level, int minutes,
                    const void* replay, std::size_t replay_size, std::FILE* err, std::string* error,
                    const std::string& district = best_runs_first_district);

#endif
