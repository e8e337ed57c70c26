// The editor's frame at scale 1: the map around the cursor drawn with the tiles, the shops and the
// characters, the palette bar and the status, and the copy of the picture; with the cursor
// moving, after an edit (the cells' tiles made again), and the overview. Under 2 ms wanted, on
// the town's map, headless on memory bitmaps.
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "bench_util.h"
#include "characters/player.h"
#include "core/assets.h"
#include "editor/editor.h"
#include "shell/editor_view.h"
#include "world/level.h"

namespace {

struct editor_bench {
    EDITOR e;
    EDITOR_VIEW v;
    BITMAP* picture = nullptr;
    BITMAP* shown = nullptr;  // stands for the screen
};

editor_bench* town_editor() {
    static editor_bench* b = nullptr;
    static bool tried = false;
    if (tried) return b;
    tried = true;
    if (!start_game_headless(view_w, view_h)) return nullptr;
    static PLAYER mora(player_start_x, start_y, "dat/mora.dat", 2);
    static PLAYER vela(partner_start_x, start_y, "dat/vela.dat", 3);
    std::ifstream in(std::string(OSA_SOURCE_TREE) + "/levels/town.map");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    b = new editor_bench;
    std::vector<std::string> rows;
    if (!editor_rows_from_text(text, &rows, nullptr) || !make_editor_view(b->v, mora, vela)) return b = nullptr;
    open_editor(b->e, rows);
    b->picture = create_bitmap(view_w, view_h);
    b->shown = create_bitmap(view_w, view_h);
    // The proof as the status shows it: a playable map, a route shown.
    b->v.proof.searched = true;
    b->v.proof_revision = b->e.revision;
    return b;
}

void frame(editor_bench& b) {
    draw_editor(b.picture, b.e, b.v);
    blit(b.picture, b.shown, 0, 0, 0, 0, view_w, view_h);
}

void BM_editor_frame_moving(benchmark::State& state) {
    editor_bench* b = town_editor();
    if (!b) return state.SkipWithError("the shipped dat/ could not be loaded");
    int step = 1;
    for (auto _ : state) {
        if (b->e.cx + step <= 1 || b->e.cx + step >= b->e.width() - 2) step = -step;
        move_cursor(b->e, step, 0);
        frame(*b);
    }
}

void BM_editor_frame_after_edit(benchmark::State& state) {
    editor_bench* b = town_editor();
    if (!b) return state.SkipWithError("the shipped dat/ could not be loaded");
    b->e.cx = 40;
    b->e.cy = 5;
    int k = 0;
    for (auto _ : state) {
        put_cell(b->e, k++ % 2 ? 'c' : '.');
        frame(*b);
    }
}

void BM_editor_frame_overview(benchmark::State& state) {
    editor_bench* b = town_editor();
    if (!b) return state.SkipWithError("the shipped dat/ could not be loaded");
    b->v.overview = true;
    for (auto _ : state) frame(*b);
    b->v.overview = false;
}

}  // namespace

BENCHMARK(BM_editor_frame_moving)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_editor_frame_after_edit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_editor_frame_overview)->Unit(benchmark::kMicrosecond);
