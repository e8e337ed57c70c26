// The player's progress through the districts, progress.cfg in the game's data folder
// (xdg_data_dir()): each district's best level and best score, and the district played last.
// It decides which shipped districts are unlocked.
#ifndef OSA_REPLAY_PROGRESS_H
#define OSA_REPLAY_PROGRESS_H

#include <cstddef>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "world/district.h"

constexpr const char* progress_file = "progress.cfg";
// A larger file is no progress of ours (a district takes some forty bytes).
constexpr std::size_t progress_max_bytes = 64 * 1024;
// The shipped district after one is unlocked once a run there has fulfilled this many missions.
constexpr int unlock_level = 3;

struct DISTRICT_PROGRESS {
    int best_level = 0;  // the most missions fulfilled in one run
    int best_score = 0;  // the best score a run reached at a fulfilled mission
    bool operator==(const DISTRICT_PROGRESS& o) const {
        return best_level == o.best_level && best_score == o.best_score;
    }
};

struct PROGRESS {
    std::map<std::string, DISTRICT_PROGRESS> districts;  // by folder name
    std::string last;                                     // the district played last, or empty
    bool operator==(const PROGRESS& o) const { return districts == o.districts && last == o.last; }
};

// Reads the text of a progress file: "[progress]" with "version = 1" and optionally
// "last = FOLDER", then one section per district named by its folder with best_level (0 or more)
// and best_score. False with what is wrong: bytes that are not ASCII text, larger than
// progress_max_bytes, another version, a section that is no folder name, a value missing or not
// a whole number in its range. Needs Allegro started; leaves its configuration as it was.
bool parse_progress(const std::string& text, PROGRESS* out, std::string* what);

// dir/progress.cfg; a missing file is no progress yet. A damaged one is set aside as
// progress.cfg.bad with one line on err, and the progress is empty (the first district
// unlocked); *writable (when given) is then false only if it could not be set aside.
PROGRESS load_progress(const std::string& dir, std::FILE* err, bool* writable = nullptr);

// Writes p to dir/progress.cfg atomically (made with its folder when missing). False with why.
bool save_progress(const std::string& dir, const PROGRESS& p, std::string* error);

// A run of district has fulfilled `level` missions with `score`: raises the district's best
// level and best score where they are beaten (a record without a mission fulfilled takes the
// first score whatever it is). True when anything changed.
bool improve_progress(PROGRESS& p, const std::string& district, int level, int score);

// For each district of list (in its order): may it be played? The player's are always
// unlocked, and so is the first shipped one; a shipped one is unlocked once the shipped district
// before it has reached unlock_level. A district with a fault is never playable, but its
// unlocking is still said (the screen says why it cannot be chosen).
std::vector<bool> unlocked_districts(const std::vector<DISTRICT>& list, const PROGRESS& p);

// For each district of list: was it opened by the progress (a shipped one but the first,
// unlocked) and never played since (p has no record of it)? The district screen marks it.
std::vector<bool> newly_opened_districts(const std::vector<DISTRICT>& list, const PROGRESS& p);

// The districts of list (in its order) that a run of `district` with `level` and `score` opens:
// locked by p, unlocked once the run is kept in it (improve_progress).
std::vector<DISTRICT> districts_opened(const std::vector<DISTRICT>& list, const PROGRESS& p,
                                       const std::string& district, int level, int score);

// The progress of the run in play, kept up to date while it is played: the game calls
// note_progress after every tick that fulfilled a mission, so that a crash later in the run loses
// nothing. Nothing is written while progress_enabled is false (a run of the editor's map).
extern PROGRESS game_progress;
extern bool progress_enabled;
// Loads game_progress from the data folder (a damaged file said on stderr).
void load_game_progress();
// A mission of the district in play was fulfilled with level and score: game_progress improved
// and written when it changed; a file that cannot be written is said on stderr.
void note_progress(int level, int score);
// The district played last, written at once; from now on it has a record (best level 0 when it
// had none): it has been played.
void note_last_district(const std::string& folder);

#endif
