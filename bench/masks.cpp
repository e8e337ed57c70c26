// Speed of the mask overlap test against plain pixel-by-pixel loops, for the game's own case
// (a character's body frame against a tile) and for two large random masks; and the time to
// build a mask from a character frame.
//
// Each benchmark iteration is one call, cycling through the x offsets 0..31, so the time per
// iteration is the time per call. Three ways per case:
//   library     check_pmask_collision, 32 columns per AND;
//   pixel_loop  every pixel of the boxes' overlap, top to bottom, reading each pixel's bit from
//               the same two masks, stopping at the first common pixel;
//   byte_grid   the same loop over an unpacked copy of the masks, one byte per pixel.
#include <benchmark/benchmark.h>

#include <allegro.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "masks/pmask.h"

namespace {

constexpr int magenta = 0xFF00FF;
constexpr int offsets = 32;  // x offsets 0..31

void start_allegro() {
    static bool started = false;
    if (started) return;
    started = true;
    install_allegro(SYSTEM_NONE, &errno, atexit);
    set_color_depth(32);
}

// ---------------------------------------------------------------------------------------------
// The two plain loops

inline bool mask_bit(const PMASK* m, int x, int y) { return (m->bits[(x >> 5) * m->h + y] >> (x & 31)) & 1u; }

int pixel_loop_collision(const PMASK* a, const PMASK* b, int x1, int y1, int x2, int y2) {
    const int dx = x2 - x1, dy = y2 - y1;
    const int x_lo = dx > 0 ? dx : 0, x_hi = a->w < dx + b->w ? a->w : dx + b->w;
    const int y_lo = dy > 0 ? dy : 0, y_hi = a->h < dy + b->h ? a->h : dy + b->h;
    for (int y = y_lo; y < y_hi; y++)
        for (int x = x_lo; x < x_hi; x++)
            if (mask_bit(a, x, y) && mask_bit(b, x - dx, y - dy)) return 1;
    return 0;
}

struct Grid {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    bool at(int x, int y) const { return px[static_cast<size_t>(y * w + x)] != 0; }
};

Grid grid_of(const PMASK* m) {
    Grid g{m->w, m->h, std::vector<uint8_t>(static_cast<size_t>(m->w * m->h))};
    for (int y = 0; y < m->h; y++)
        for (int x = 0; x < m->w; x++) g.px[static_cast<size_t>(y * m->w + x)] = mask_bit(m, x, y) ? 1 : 0;
    return g;
}

int byte_grid_collision(const Grid& a, const Grid& b, int x1, int y1, int x2, int y2) {
    const int dx = x2 - x1, dy = y2 - y1;
    const int x_lo = dx > 0 ? dx : 0, x_hi = a.w < dx + b.w ? a.w : dx + b.w;
    const int y_lo = dy > 0 ? dy : 0, y_hi = a.h < dy + b.h ? a.h : dy + b.h;
    for (int y = y_lo; y < y_hi; y++)
        for (int x = x_lo; x < x_hi; x++)
            if (a.at(x, y) && b.at(x - dx, y - dy)) return 1;
    return 0;
}

// ---------------------------------------------------------------------------------------------
// The masks

// A 32 x 64 body frame drawn as the game's are: a figure on magenta. The skirt's hem spans the
// full width, so a character sunk into solid ground collides at every x offset.
BITMAP* character_frame() {
    BITMAP* bmp = create_bitmap(32, 64);
    clear_to_color(bmp, magenta);
    circlefill(bmp, 16, 9, 7, 0x8B4513);             // hair
    circlefill(bmp, 16, 11, 5, 0xF0C8A0);            // face
    rectfill(bmp, 11, 18, 20, 38, 0xC03060);         // body
    rectfill(bmp, 6, 20, 9, 36, 0xF0C8A0);           // arms
    rectfill(bmp, 22, 20, 25, 36, 0xF0C8A0);
    triangle(bmp, 16, 34, 0, 55, 31, 55, 0xC03060);  // skirt
    rectfill(bmp, 11, 56, 13, 61, 0xF0C8A0);         // legs
    rectfill(bmp, 18, 56, 20, 61, 0xF0C8A0);
    rectfill(bmp, 10, 62, 14, 63, 0x202020);         // shoes
    rectfill(bmp, 17, 62, 21, 63, 0x202020);
    return bmp;
}

// A 32 x 32 thin platform: boards and a rail in rows 0..11, open below.
constexpr int platform_rows = 12;
BITMAP* platform_tile() {
    BITMAP* bmp = create_bitmap(32, 32);
    clear_to_color(bmp, magenta);
    rectfill(bmp, 0, 0, 31, 9, 0x9A6B3C);
    rectfill(bmp, 0, 10, 31, platform_rows - 1, 0x505860);
    return bmp;
}

PMASK* mask_of(BITMAP* (*draw)()) {
    start_allegro();
    BITMAP* bmp = draw();
    PMASK* m = create_allegro_pmask(bmp);
    destroy_bitmap(bmp);
    return m;
}

// Two 256 x 256 random masks, 30% of their pixels solid, only on even rows.
PMASK* random_mask(unsigned seed) {
    std::mt19937 rng(seed);
    std::bernoulli_distribution solid(0.3);
    PMASK* m = create_pmask(256, 256);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 256; x++) set_pmask_pixel(m, x, y, y % 2 == 0 && solid(rng));
    return m;
}

// ---------------------------------------------------------------------------------------------
// The cases: a moves through x = 0..31 at height y, b stays at (0, 0).

struct Case {
    PMASK* a;
    PMASK* b;
    int y;
    int want;  // every offset gives this answer
    Grid ga, gb;
};

enum case_id {
    // The character jumping up under a platform, her top row one pixel below its rail: the
    // boxes overlap by 20 rows, no pixel meets.
    game_miss_under_platform,
    // The same, 9 rows lower: 11 overlapping rows.
    game_miss_shallow,
    // The character landing on the platform, her bottom row at its row 15, so the full-width
    // hem lies in the boards: a hit.
    game_hit,
    // b's solid rows one row off a's (dy = 1): every overlapping row must be looked at.
    random_miss,
    // Two rows off (dy = 2) the solid rows meet at once.
    random_hit,
};

Case make_case(case_id id) {
    static PMASK* character = mask_of(character_frame);
    static PMASK* platform = mask_of(platform_tile);
    static PMASK* random_a = random_mask(256);
    static PMASK* random_b = random_mask(257);
    Case c{};
    switch (id) {
        case game_miss_under_platform: c = {character, platform, platform_rows, 0, {}, {}}; break;
        case game_miss_shallow: c = {character, platform, platform_rows + 9, 0, {}, {}}; break;
        case game_hit: c = {character, platform, 15 - 63, 1, {}, {}}; break;
        case random_miss: c = {random_b, random_a, -1, 0, {}, {}}; break;
        case random_hit: c = {random_b, random_a, -2, 1, {}, {}}; break;
    }
    c.ga = grid_of(c.a);
    c.gb = grid_of(c.b);
    return c;
}

// All three ways must give the case's answer at every offset, or its figures mean nothing.
bool case_holds(const Case& c) {
    for (int k = 0; k < offsets; k++) {
        if (check_pmask_collision(c.a, c.b, k, c.y, 0, 0) != c.want) return false;
        if (pixel_loop_collision(c.a, c.b, k, c.y, 0, 0) != c.want) return false;
        if (byte_grid_collision(c.ga, c.gb, k, c.y, 0, 0) != c.want) return false;
    }
    return true;
}

void library(benchmark::State& state, case_id id) {
    const Case c = make_case(id);
    if (!case_holds(c)) return state.SkipWithError("the case does not hold");
    int k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(check_pmask_collision(c.a, c.b, k, c.y, 0, 0));
        k = (k + 1) & (offsets - 1);
    }
}

void pixel_loop(benchmark::State& state, case_id id) {
    const Case c = make_case(id);
    if (!case_holds(c)) return state.SkipWithError("the case does not hold");
    int k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pixel_loop_collision(c.a, c.b, k, c.y, 0, 0));
        k = (k + 1) & (offsets - 1);
    }
}

void byte_grid(benchmark::State& state, case_id id) {
    const Case c = make_case(id);
    if (!case_holds(c)) return state.SkipWithError("the case does not hold");
    int k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(byte_grid_collision(c.ga, c.gb, k, c.y, 0, 0));
        k = (k + 1) & (offsets - 1);
    }
}

void build_character_mask(benchmark::State& state) {
    start_allegro();
    BITMAP* frame = character_frame();
    for (auto _ : state) {
        PMASK* m = create_allegro_pmask(frame);
        benchmark::DoNotOptimize(m->bits);
        destroy_pmask(m);
    }
    destroy_bitmap(frame);
}

}  // namespace

#define OSA_COLLISION_CASE(id)          \
    BENCHMARK_CAPTURE(library, id, id); \
    BENCHMARK_CAPTURE(pixel_loop, id, id); \
    BENCHMARK_CAPTURE(byte_grid, id, id)

OSA_COLLISION_CASE(game_miss_under_platform);
OSA_COLLISION_CASE(game_miss_shallow);
OSA_COLLISION_CASE(game_hit);
OSA_COLLISION_CASE(random_miss);
OSA_COLLISION_CASE(random_hit);
BENCHMARK(build_character_mask);
