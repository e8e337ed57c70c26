// Benchmark of the level tool's proof: the route search on the shipped level, from the start to
// every shop and from every shop back and on, with the player's own control() (under 2 s wanted).
#include <allegro.h>
#include <benchmark/benchmark.h>

#include "authoring/level_check.h"
#include "authoring/routes.h"
#include "bench_util.h"
#include "characters/player.h"

namespace {

void BM_find_routes_shipped(benchmark::State& state) {
    if (!load_shipped_tiles_and_level()) {
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
