// Frame cost and start-up cost: the whole draw step plus the window copy on the shipped level and
// on a 500 x 100 cell level (with and without the clip to the camera's window), the HUD's share
// with the longest mission, the ghost's share of a frame and the working out of its course, and
// the loading of every asset as start-up does it. Headless, on memory bitmaps.
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "characters/player.h"
#include "gameplay/hud.h"
#include "masks/pmask.h"
#include "core/assets.h"
#include "replay/ghost.h"
#include "replay/replay_file.h"
#include "shell/shell.h"
#include "world/camera.h"
#include "bench_util.h"
#include "world/level.h"

namespace {

constexpr int screen_w = 320;
constexpr int screen_h = 240;
constexpr int large_columns = 500;
constexpr int large_rows = 100;

// Forgets what a start-up loaded, so that the next one starts as the game does.
void forget_everything() {
    unload_shit();
    unload_level();
    release_character_frames();
}

// The game's world as start-up leaves it, with both characters; the background is made for the
// game's 320 x 240 screen. Null when dat/ cannot be loaded.
struct world {
    PLAYER* mora = nullptr;
    PLAYER* vela = nullptr;
};

world* shipped_world() {
    static world* w = nullptr;
    static bool tried = false;
    if (tried) return w;
    tried = true;
    if (!start_game_headless(screen_w, screen_h)) return nullptr;
    w = new world{new PLAYER(800.0f, 480.0f, "dat/mora.dat", 2), new PLAYER(896.0f, 480.0f, "dat/vela.dat", 3)};
    if (!w->mora->has_frames() || !w->vela->has_frames()) w = nullptr;
    return w;
}

// Replaces the level with a large_columns x large_rows one drawn from the shipped tiles: ground
// in the lower rows, scattered platforms and decorations above, as a real level would be.
bool make_large_level() {
    std::ostringstream text;
    text << large_columns << ' ' << large_rows << '\n';
    const int count = static_cast<int>(tiles.size());
    for (int cy = 0; cy < large_rows; cy++) {
        for (int cx = 0; cx < large_columns; cx++) {
            int tile = 0;
            if (cy >= large_rows - 5) tile = 1 + (cx + cy) % 5;
            else if ((cx * 7 + cy * 13) % 11 == 0) tile = 6 + (cx + 2 * cy) % 14;
            text << tile % count << (cy >= large_rows - 5 ? "w " : ". ");
        }
        text << '\n';
    }
    text << "20 95 30 95 40 95 50 95 60 95\n";
    std::istringstream in(text.str());
    std::string error;
    if (!read_level(in, count, &error)) return false;
    destroy_bitmap(buffer);
    buffer = make_system_bitmap(32 * iXSize, 32 * iYSize);
    return buffer && make_back(screen_w, screen_h);
}

// One frame per iteration with the camera on Mora at her start, into a 320 x 240 memory bitmap
// standing for the screen.
void run_frames(benchmark::State& state, bool large, bool clip) {
    world* w = shipped_world();
    if (!w || (large && !make_large_level())) {
        state.SkipWithError("the shipped dat/ could not be loaded");
        return;
    }
    BITMAP* target = create_bitmap(screen_w, screen_h);
    camera_follow_in(w->mora->x, w->mora->y, screen_w, screen_h);
    // The same camera on both levels: the same characters, shops and HUD are drawn, and only the
    // level's area differs.
    const int start_x = iThex, start_y = iThey;
    for (auto _ : state) {
        iThex = start_x;
        iThey = start_y;
        draw_frame_sized(target, *w->mora, *w->vela, screen_w, screen_h, clip);
        benchmark::DoNotOptimize(target->line[0][0]);
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["cells"] = iXSize * iYSize;
    destroy_bitmap(target);
    // The benchmarks after this one (the ghost's) play the shipped level.
    if (large) {
        load_level();
        if (blStartFailed || !make_back(screen_w, screen_h)) state.SkipWithError("the shipped level could not be loaded back");
    }
}

void BM_FrameShippedLevel(benchmark::State& state) { run_frames(state, false, true); }
void BM_FrameShippedLevelUnclipped(benchmark::State& state) { run_frames(state, false, false); }
void BM_FrameLevel500x100(benchmark::State& state) { run_frames(state, true, true); }
void BM_FrameLevel500x100Unclipped(benchmark::State& state) { run_frames(state, true, false); }

// The HUD as each frame draws it, with the longest mission (its words looked up in the language in
// force, English here, and fitted to the strip).
void BM_HudLongestMission(benchmark::State& state) {
    if (!shipped_world()) {
        state.SkipWithError("the shipped dat/ could not be loaded");
        return;
    }
    add_message("Mission: upgrade make-up and hair and clothes and shoes and handbag");
    iThex = iThey = 0;
    BITMAP* target = create_bitmap(screen_w, screen_h);
    for (auto _ : state) disp_message_width(target, screen_w);
    destroy_bitmap(target);
}

// The ghost of the shipped demo, worked out once; null when it cannot be.
const GHOST* demo_ghost(world* w) {
    static GHOST g;
    static bool made = false;
    if (made) return &g;
    REPLAY r;
    std::string why;
    if (!read_replay_file("dat/demo.replay", &r, &why) || !make_ghost(r, "town", *w->mora, *w->vela, &g, &why))
        return nullptr;
    made = true;
    return &g;
}

// Drawing the ghost into the world buffer, as each frame does, at every step of the demo's course
// in turn, with the whole buffer drawable (the clip would make a ghost out of view free).
void BM_GhostDraw(benchmark::State& state) {
    world* w = shipped_world();
    const GHOST* g = w ? demo_ghost(w) : nullptr;
    if (!g) {
        state.SkipWithError("the shipped dat/ or its demo could not be loaded");
        return;
    }
    set_clip_rect(buffer, 0, 0, buffer->w - 1, buffer->h - 1);
    const int steps = static_cast<int>(g->steps.size());
    int t = 0;
    for (auto _ : state) {
        draw_ghost(buffer, *g, t);
        t = (t + 1) % steps;
        benchmark::DoNotOptimize(buffer->line[0][0]);
    }
    state.SetLabel("one ghost a frame, 32 x 64 at 40 %");
}

// Working out a ghost's course from a replay (as a run's start does): the demo's ticks through
// the game's tick, the run in play saved and given back.
void BM_GhostCourse(benchmark::State& state) {
    world* w = shipped_world();
    REPLAY r;
    if (!w || !read_replay_file("dat/demo.replay", &r, nullptr)) {
        state.SkipWithError("the shipped dat/ or its demo could not be loaded");
        return;
    }
    for (auto _ : state) {
        GHOST g;
        std::string why;
        if (!make_ghost(r, "town", *w->mora, *w->vela, &g, &why)) {
            state.SkipWithError(why.c_str());
            break;
        }
        benchmark::DoNotOptimize(g.steps.data());
    }
    state.counters["ticks"] = static_cast<double>(r.ticks.size());
    state.counters["ticks/s"] =
        benchmark::Counter(static_cast<double>(r.ticks.size() * state.iterations()), benchmark::Counter::kIsRate);
}

// Start-up's loading, as main runs it after the video mode: every shared asset, the level with
// its bitmaps, and both characters. (Process start, the library, the timers and the video mode
// come on top; the window test measures the whole way to the title.)
void BM_StartupLoading(benchmark::State& state) {
    if (!start_headless_in_build_tree()) {
        state.SkipWithError("no Allegro");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        forget_everything();
        blStartFailed = false;
        state.ResumeTiming();
        load_shit();
        load_level();
        PLAYER mora(800.0f, 480.0f, "dat/mora.dat", 2);
        PLAYER vela(896.0f, 480.0f, "dat/vela.dat", 3);
        if (blStartFailed || !mora.has_frames() || !vela.has_frames()) {
            state.SkipWithError("the shipped dat/ could not be loaded");
            break;
        }
    }
    state.SetLabel("load_shit + load_level + both characters");
}

// Reading the shipped level file (already in memory) into the map.
void BM_ReadShippedLevel(benchmark::State& state) {
    if (!start_headless_in_build_tree()) {
        state.SkipWithError("no Allegro");
        return;
    }
    std::ifstream file("dat/level.dat");
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::string error;
    for (auto _ : state) {
        std::istringstream in(text);
        if (!read_level(in, 20, &error)) {  // the shipped sheet holds 20 tiles
            state.SkipWithError(error.c_str());
            break;
        }
    }
}

} // namespace

// The shipped level first: the large one replaces it.
BENCHMARK(BM_FrameShippedLevel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameShippedLevelUnclipped)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameLevel500x100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameLevel500x100Unclipped)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HudLongestMission)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GhostDraw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GhostCourse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadShippedLevel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupLoading)->Unit(benchmark::kMillisecond)->Iterations(20);
