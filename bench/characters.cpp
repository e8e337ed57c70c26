// Benchmarks of the characters: one control() tick on the shipped level while walking and while
// jumping, and the construction of both characters from the shipped datafiles.
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "characters/player.h"
#include "masks/pmask.h"
#include "core/assets.h"
#include "core/state.h"
#include "bench_util.h"
#include "world/level.h"

namespace {

constexpr float start_x = 800.0f; // where the game puts the player
constexpr float start_y = 480.0f;
constexpr int ticks_per_run = 2400; // 20 seconds of play, then back to the start

// One control() tick with the given keys held; the player goes back to the start every
// ticks_per_run ticks so that the run covers the same stretch of level again and again.
void run_control(benchmark::State& state, bool jumping) {
    if (!load_shipped_tiles_and_level()) {
        state.SkipWithError("the shipped dat/ could not be loaded");
        return;
    }
    static PLAYER* mora = new PLAYER(start_x, start_y, "dat/mora.dat", 2);
    if (!mora->has_frames()) {
        state.SkipWithError("dat/mora.dat could not be loaded");
        return;
    }
    sound_hook = [](SAMPLE*, int, int, int, int) {};
    for (int i = 0; i < KEY_MAX; i++) key[i] = 0;
    key[KEY_RIGHT] = 1;
    key[KEY_SPACE] = jumping ? 1 : 0;
    PLAYER p = *mora;
    int tick = 0;
    long grounded = 0;
    for (auto _ : state) {
        p.control();
        grounded += p.onground;
        // Through a const reference: this library's read-write form can hand a float back
        // altered when the compiler routes it through a general register.
        const float& x_seen = p.x;
        benchmark::DoNotOptimize(x_seen);
        if (++tick == ticks_per_run) {
            tick = 0;
            p = *mora;
        }
    }
    // The share of ticks that ended on the ground: walking should stay near 1.
    state.counters["on_ground"] = static_cast<double>(grounded) / static_cast<double>(state.iterations());
    for (int i = 0; i < KEY_MAX; i++) key[i] = 0;
    sound_hook = nullptr;
}

void BM_control_walking(benchmark::State& state) { run_control(state, false); }
void BM_control_jumping(benchmark::State& state) { run_control(state, true); }

// Both characters as the game builds them: 448 + 256 frames and 448 masks. The stores are
// emptied between runs, outside the timing.
void BM_construct_both(benchmark::State& state) {
    if (!load_shipped_tiles_and_level()) {
        state.SkipWithError("the shipped dat/ could not be loaded");
        return;
    }
    // Frames built by another benchmark stay aside meanwhile.
    std::vector<RLE_SPRITE*> kept_main, kept_vela;
    std::vector<PMASK*> kept_masks;
    kept_main.swap(bmain);
    kept_vela.swap(bvela);
    kept_masks.swap(maskbmain);
    for (auto _ : state) {
        PLAYER mora(start_x, start_y, "dat/mora.dat", 2);
        PLAYER vela(896.0f, start_y, "dat/vela.dat", 3);
        state.PauseTiming();
        if (!mora.has_frames() || !vela.has_frames() || bmain.size() != 448 || bvela.size() != 256 ||
            maskbmain.size() != 448) {
            state.SkipWithError("the characters could not be built");
            break;
        }
        release_character_frames();
        state.ResumeTiming();
    }
    kept_main.swap(bmain);
    kept_vela.swap(bvela);
    kept_masks.swap(maskbmain);
}

} // namespace

BENCHMARK(BM_control_walking);
BENCHMARK(BM_control_jumping);
BENCHMARK(BM_construct_both)->Unit(benchmark::kMillisecond);
