// Benchmark of the level tool's proof: the route search on the shipped level, from the start to
// every shop and from every shop back and on, with the player's own control() (under 2 s wanted);
// and the whole proof the editor asks for on the town's map (the checks, the search, the routes'
// places and the first mission's tour: under 1.5 s wanted), in this process and as the editor
// runs it, the level tool started for it.
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "authoring/level_check.h"
#include "authoring/proof_report.h"
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

const std::string town_map = std::string(OSA_SOURCE_TREE) + "/levels/town.map";

void BM_editor_proof_town(benchmark::State& state) {
    if (!load_shipped_tiles_and_level()) {
        state.SkipWithError("the shipped dat/ could not be loaded");
        return;
    }
    const PLAYER player(player_start_x, start_y, "dat/mora.dat", 2);
    const PLAYER partner(partner_start_x, start_y, "dat/vela.dat", 3);
    std::ifstream in(town_map);
    const level_map m = read_map(in);
    bool playable = false;
    for (auto _ : state) {
        const PROOF p = make_proof(check_level(m, player, partner), player, partner);
        playable = p.playable();
        benchmark::DoNotOptimize(playable);
    }
    if (!playable) state.SkipWithError("the town's map is not playable");
}

// The level tool as the editor's worker starts it: its own start, loading, checks and report.
void BM_editor_proof_town_tool(benchmark::State& state) {
    if (!start_headless_in_build_tree()) {
        state.SkipWithError("no build tree");
        return;
    }
    const std::string cmd = "./one-step-ahead-level '" + town_map + "' --report bench-town.proof --data . > /dev/null";
    int status = 0;
    for (auto _ : state) status = std::system(cmd.c_str());
    std::remove("bench-town.proof");
    if (status != 0) state.SkipWithError("the level tool did not find the town's map playable");
}

} // namespace

BENCHMARK(BM_find_routes_shipped)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_editor_proof_town)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_editor_proof_town_tool)->Unit(benchmark::kMillisecond)->Iterations(3);
