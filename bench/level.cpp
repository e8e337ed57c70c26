// Benchmark of the level tool's proof: the route search on the shipped level, from the start to
// every shop and from every shop back and on, with the player's own control() (under 2 s wanted).
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "authoring/level_check.h"
#include "authoring/routes.h"
#include "bench_util.h"
#include "characters/player.h"
#include "core/assets.h"
#include "world/level.h"

namespace {

// The shipped tiles with their masks and the shipped level, loaded once.
bool set_up() {
    static int done = 0;
    if (done) return done > 0;
    done = -1;
    if (!start_headless_in_build_tree()) return false;
    BITMAP* sheet = load_bitmap("dat/tiles.pcx", nullptr);
    if (!sheet || !cut_tiles(sheet)) return false;
    destroy_bitmap(sheet);
    std::ifstream level("dat/level.dat");
    std::string error;
    if (!read_level(level, static_cast<int>(tiles.size()), &error)) return false;
    done = 1;
    return true;
}

void BM_find_routes_shipped(benchmark::State& state) {
    if (!set_up()) {
        state.SkipWithError("the shipped dat/ could not be loaded");
        return;
    }
    static const PLAYER* player = new PLAYER(player_start_x, start_y, "dat/mora.dat", 2);
    static const PLAYER* partner = new PLAYER(partner_start_x, start_y, "dat/vela.dat", 3);
    if (!player->has_frames() || !partner->has_frames()) {
        state.SkipWithError("the characters could not be loaded");
        return;
    }
    long ticks = 0;
    size_t faults = 0;
    for (auto _ : state) {
        const route_report r = find_routes(*player, *partner);
        ticks = r.ticks_simulated;
        faults = r.faults.size();
        benchmark::DoNotOptimize(ticks);
    }
    state.counters["control_ticks"] = static_cast<double>(ticks);
    if (faults) state.SkipWithError("the shipped level has a shop the search cannot reach");
}

} // namespace

BENCHMARK(BM_find_routes_shipped)->Unit(benchmark::kMillisecond)->Iterations(3);
