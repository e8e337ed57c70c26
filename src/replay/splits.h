// The player's splits, per district: the best run's splits (the run that fulfilled the most
// missions, the quickest among equals) and the quickest time of each single mission ever played,
// in splits.cfg, with the best run's replay beside it for the ghost (the game's folder is
// xdg_data_dir()). Judging a split of the run in play against them.
#ifndef OSA_REPLAY_SPLITS_H
#define OSA_REPLAY_SPLITS_H

#include <cstddef>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "gameplay/hud.h"

constexpr const char* splits_file = "splits.cfg";
// A larger file is no table of ours.
constexpr std::size_t splits_max_bytes = 256 * 1024;
// The most splits a district keeps (far more than any run reaches).
constexpr std::size_t splits_max = 1000;

// One district's record. Times are game ticks (1 / 120 s).
struct SPLITS {
    std::vector<int> best;      // the best run's splits: game time at each fulfilment, rising
    std::vector<int> quickest;  // mission k's quickest time ever (split k less split k - 1)
};
bool operator==(const SPLITS& a, const SPLITS& b);

// The record of every district in a file, by the district's folder name.
using SPLITS_TABLE = std::map<std::string, SPLITS>;

// The best run's replay of district folder, beside the table: "ghost-<folder>.replay".
std::string ghost_file_name(const std::string& district);

// Reads dir/splits.cfg: [splits] version = 1, then one section per district named by its folder
// with `best` and `quickest`, each whole numbers parted by blanks (a section with neither is no
// record, and is left out). A missing file is an empty table. A damaged one (another version, a section that is no district's folder name, a number
// that is not positive, splits that do not rise, more than splits_max, bytes that are not ASCII
// text, larger than splits_max_bytes) is set aside as splits.cfg.bad with one line on err, and
// the table is empty. Needs Allegro started; leaves its configuration as it was.
SPLITS_TABLE load_splits(const std::string& dir, std::FILE* err);

// True when a run with these splits beats the best ones: it fulfilled more missions, or as many
// (at least one) and its last sooner.
bool beats_splits(const std::vector<int>& run, const std::vector<int>& best);

// Judges split i of the run's splits against was, the district's record as the run began:
// compared with the best run's split i when it has one (ahead when no later), gold when mission i
// took less than its quickest time kept.
SPLIT_NOTE judge_split(const SPLITS& was, const std::vector<int>& run, int i);

// Keeps a run of district that ended with these splits in dir (made when missing): each
// mission's time where it is the quickest; when the run beats the best splits, its splits become
// the best and its replay's size bytes the district's ghost file (written first). Writes the
// table whole or not at all, other districts' records kept. A damaged table is set aside (one
// line on err) and starts empty. True when nothing needed keeping or all was written; false
// with why in *error when error is not null.
bool keep_splits(const std::string& dir, const std::string& district, const std::vector<int>& run,
                 const void* replay, std::size_t replay_size, std::FILE* err, std::string* error);

// The record of the district in play as its run began (empty when there is none): what the
// run's splits are judged against. Set by the shell at each run's start.
extern SPLITS splits_at_start;

#endif
