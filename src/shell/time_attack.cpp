// Setting up a run's race against the clock: the district's splits and the ghost it runs
// beside; and the splits of a run as --verify prints them.
#include <string>

#include "gameplay/hud.h"
#include "gameplay/tick.h"
#include "core/files.h"
#include "menu/menu.h"
#include "replay/ghost.h"
#include "replay/replay_file.h"
#include "replay/splits.h"
#include "sharing/maker_run.h"
#include "shell/shell.h"
#include "world/district.h"

void prepare_time_attack(bool district_level, const std::string& ghost_name, const std::string& ghost_path,
                         PLAYER& mora, PLAYER& vela) {
    ghost_in_play = GHOST{};
    split_note = SPLIT_NOTE{};
    splits_at_start = SPLITS{};
    const std::string data = xdg_data_dir();
    const bool kept = district_level && !data.empty();
    if (kept) {
        const SPLITS_TABLE table = load_splits(data, stderr);
        const auto it = table.find(current_district.folder);
        if (it != table.end()) splits_at_start = it->second;
    }
    std::string path = ghost_path, shown = ghost_name;
    if (path.empty()) {
        // The player's own best run there, else the run its maker sent with a shared district.
        if (!kept || !menu_settings.in_force.ghost) return;
        path = shown = district_ghost_path(data, current_district);
        if (path.empty()) return;
    }
    REPLAY r;
    std::string why;
    if (!read_replay_file(path, &r, &why) ||
        !make_ghost(r, current_district.folder, mora, vela, &ghost_in_play, &why))
        std::fprintf(stderr, "one-step-ahead: %s: %s; playing without a ghost\n", shown.c_str(), why.c_str());
}

void print_splits(std::FILE* out) {
    std::fputs(run_splits.empty() ? "splits: none" : "splits:", out);
    for (int t : run_splits) {
        char time[24];
        format_game_time(t, false, time, sizeof time);
        std::fprintf(out, " %s", time);
    }
    std::fputc('\n', out);
}
