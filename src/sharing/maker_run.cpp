// The maker's run of a shared district, beside the player's own.
#include "sharing/maker_run.h"

#include <ctime>

#include "core/player_files.h"
#include "replay/replay_file.h"
#include "replay/splits.h"

bool maker_best_run(const DISTRICT& d, BEST_RUN* out) {
    if (!d.has_maker_run) return false;
    std::string bytes;
    REPLAY r;
    if (read_player_file(d.dir + "/" + district_maker_run_file, replay_max_bytes, &bytes, nullptr) != READ_RESULT::ok ||
        !read_replay(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &r, nullptr))
        return false;
    BEST_RUN run;
    const std::time_t began = static_cast<std::time_t>(r.header.began);
    std::tm local{};
    char date[32] = "";
    if (localtime_r(&began, &local)) std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    run.date = date;
    run.score = r.outcome.score;
    run.level = r.outcome.level;
    run.minutes = static_cast<int>(r.ticks.size() / (60u * replay_tick_rate));
    run.replay = district_maker_run_file;
    run.district = d.folder;
    run.by_maker = true;
    run.maker = d.maker;
    *out = run;
    return true;
}

std::vector<BEST_RUN> listed_best_runs(const std::string& data_dir, const DISTRICT& d, std::FILE* err) {
    std::vector<BEST_RUN> runs = district_best_runs(load_best_runs(data_dir, err), d.folder);
    BEST_RUN maker;
    if (!maker_best_run(d, &maker)) return runs;
    auto at = runs.begin();
    while (at != runs.end() && at->score > maker.score) ++at;
    runs.insert(at, maker);
    return runs;
}

std::string listed_run_path(const std::string& data_dir, const DISTRICT& d, const BEST_RUN& r) {
    return (r.by_maker ? d.dir : data_dir) + "/" + r.replay;
}

std::string district_ghost_path(const std::string& data_dir, const DISTRICT& d) {
    const std::string own = data_dir + "/" + ghost_file_name(d.folder);
    if (!data_dir.empty() && check_player_file(own, replay_max_bytes, nullptr) != READ_RESULT::missing) return own;
    if (d.has_maker_run) return d.dir + "/" + district_maker_run_file;
    return "";
}
