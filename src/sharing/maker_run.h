// The run a shared district's maker sent with it (the district's maker.replay): the district's
// ghost until the player has a best run of their own there, and a row of "Best runs" under the
// maker's name.
#ifndef OSA_SHARING_MAKER_RUN_H
#define OSA_SHARING_MAKER_RUN_H

#include <cstdio>
#include <string>
#include <vector>

#include "replay/best_runs.h"
#include "world/district.h"

// The maker's run of d as a row of Best runs (by_maker set, maker d.maker, replay
// maker_run_file, its date, score, level and minutes from the replay). False when d has none,
// or it does not read as a replay (read bounded).
bool maker_best_run(const DISTRICT& d, BEST_RUN* out);

// What "Best runs" lists for d: the player's own runs of d from the table in data_dir, best
// first, and the maker's run among them by its score (before the player's runs of an equal one).
std::vector<BEST_RUN> listed_best_runs(const std::string& data_dir, const DISTRICT& d, std::FILE* err);

// The replay file of a listed run: in d's folder for the maker's, else in data_dir.
std::string listed_run_path(const std::string& data_dir, const DISTRICT& d, const BEST_RUN& r);

// The ghost file d's run races: the player's own best run of d (splits.h's ghost file in
// data_dir) when there is one, else the maker's run when d has one; empty for none.
std::string district_ghost_path(const std::string& data_dir, const DISTRICT& d);

#endif
