// The cost of the player's words on the picture: the HUD's lines drawn through the text helper
// (read as UTF-8, checked against the font, drawn by Allegro) beside the same lines handed to
// Allegro directly, and a long sentence wrapped to the district screen's width. Headless, on a
// memory bitmap, in the shipped font.
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <string>

#include "bench_util.h"
#include "gameplay/hud.h"
#include "text/font.h"

namespace {

const char* const longest_mission = "Mission: upgrade make-up and hair and clothes and shoes and handbag";
const char* const hud_lines[] = {longest_mission, "Time : 60 sec", "Level: 12", "Score: -15"};

FONT* shipped_font() {
    static DATAFILE* d = start_headless_in_build_tree() ? load_datafile("dat/font.dat") : nullptr;
    return d && d[0].type == DAT_FONT ? static_cast<FONT*>(d[0].dat) : nullptr;
}

void BM_HudLinesThroughTheHelper(benchmark::State& state) {
    FONT* f = shipped_font();
    BITMAP* b = create_bitmap(320, 240);
    if (!f || !b) return state.SkipWithError("no font.dat");
    for (auto _ : state)
        for (int i = 0; i < 4; i++) draw_text(b, f, hud_lines[i], 2, 2 + 10 * i, text_colour);
    destroy_bitmap(b);
}

void BM_HudLinesStraightToAllegro(benchmark::State& state) {
    FONT* f = shipped_font();
    BITMAP* b = create_bitmap(320, 240);
    if (!f || !b) return state.SkipWithError("no font.dat");
    for (auto _ : state)
        for (int i = 0; i < 4; i++) textout_ex(b, f, hud_lines[i], 2, 10 * i, text_colour, -1);
    destroy_bitmap(b);
}

void BM_WrapASentence(benchmark::State& state) {
    FONT* f = shipped_font();
    if (!f) return state.SkipWithError("no font.dat");
    const std::string sentence =
        "Заблокировано: дойдите до уровня 3 в районе «Старый квартал», чтобы открыть его";
    for (auto _ : state) benchmark::DoNotOptimize(wrap_text(f, sentence, 136));
}

} // namespace

BENCHMARK(BM_HudLinesThroughTheHelper)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HudLinesStraightToAllegro)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WrapASentence)->Unit(benchmark::kMicrosecond);
