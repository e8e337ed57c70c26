// Speed of the mask overlap tests on the game's own masks (the player's body frame against the
// shipped tiles) and on two large random masks; and the time to build a mask from a body frame.
//
// A case is a list of placements that all give the same answer; each benchmark iteration is one
// call at the next placement of the list, so the time per iteration is the time per call. Four
// ways per case:
//   yes_no      check_pmask_collision, 32 columns per AND;
//   point       check_pmask_collision_position, the same test with the contact point;
//   pixel_loop  every pixel of the boxes' overlap, top to bottom, reading each pixel's bit from
//               the same two masks, stopping at the first common pixel;
//   byte_grid   the same loop over an unpacked copy of the masks, one byte per pixel.
// The program is built twice, bench_masks_O2 and bench_masks_O3, the mask library compiled into
// each at that level, so that a speed which hangs on the optimisation level shows.
#include <benchmark/benchmark.h>

#include <allegro.h>

#include <cstdint>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "bench_util.h"
#include "characters/player.h"
#include "masks/pmask.h"
#include "core/assets.h"

namespace {

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

// The player's standing body frame (32 x 64, as control() tests it) and two tiles of the shipped
// sheet: tile 1, solid, and tile 8, a thin platform whose boards fill rows 0..11. Null when
// dat/ cannot be loaded or the tiles are not what the cases expect.
struct GameMasks {
    const PMASK* body;
    const PMASK* solid;
    const PMASK* platform;
    RLE_SPRITE* body_frame;
};

constexpr int solid_tile = 1, platform_tile = 8, platform_rows = 12;

bool rows_solid_from_top(const PMASK* m, int rows) {
    if (m->w != 32 || m->h != 32) return false;
    for (int y = 0; y < 32; y++)
        if (m->bits[y] != (y < rows ? 0xFFFFFFFFu : 0u)) return false;
    return true;
}

const GameMasks* game_masks() {
    static const GameMasks* masks = []() -> const GameMasks* {
        if (!load_shipped_tiles_and_level() || masktiles.size() <= platform_tile) return nullptr;
        static PLAYER mora(800, 480, "dat/mora.dat", 2);
        if (!mora.has_frames()) return nullptr;
        const PMASK* solid = masktiles[solid_tile];
        const PMASK* platform = masktiles[platform_tile];
        if (!rows_solid_from_top(solid, 32) || !rows_solid_from_top(platform, platform_rows)) return nullptr;
        return new GameMasks{mora.give_pmask(), solid, platform, mora.give_frame(0)};
    }();
    return masks;
}

// A 256 x 256 mask with the given share of its pixels solid, on even rows only: two such masks
// meet nowhere when one lies an odd number of rows below the other.
PMASK* random_mask(unsigned seed, double density) {
    std::mt19937 rng(seed);
    std::bernoulli_distribution solid(density);
    PMASK* m = create_pmask(256, 256);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 256; x++) set_pmask_pixel(m, x, y, y % 2 == 0 && solid(rng));
    return m;
}

// ---------------------------------------------------------------------------------------------
// The cases

// b's top-left at (dx, dy) in a's frame.
struct Probe {
    const PMASK* a;
    const PMASK* b;
    int dx, dy;
};

struct Case {
    std::vector<Probe> probes;  // all give the answer want
    int want;
};

// Every placement of b whose box shares at least one pixel with a's, in rows dy_lo..dy_hi.
std::vector<Probe> overlapping(const PMASK* a, const PMASK* b, int dy_lo, int dy_hi) {
    std::vector<Probe> all;
    for (int dy = dy_lo; dy <= dy_hi; dy++)
        for (int dx = 1 - b->w; dx < a->w; dx++) all.push_back({a, b, dx, dy});
    return all;
}

// The probes whose answer, by the pixel loop, is want.
Case keep(const std::vector<Probe>& probes, int want) {
    Case c{{}, want};
    for (const Probe& p : probes)
        if (pixel_loop_collision(p.a, p.b, 0, 0, p.dx, p.dy) == want) c.probes.push_back(p);
    return c;
}

// b at x offsets -16..15 (half of them with the masks' roles exchanged inside), dy rows down.
std::vector<Probe> side_by_side(const PMASK* a, const PMASK* b, int dy) {
    std::vector<Probe> all;
    for (int dx = -16; dx < 16; dx++) all.push_back({a, b, dx, dy});
    return all;
}

enum case_id {
    // The body against the thin platform at every overlapping placement that hits (landing on
    // it, jumping up through it, walking into its edge).
    body_platform_hit,
    // The ground test: the body's bottom eight rows over a solid tile (dy = 56), every x that hits.
    body_ground_hit,
    // The body against the solid tile at every overlapping placement that hits.
    body_solid_hit,
    // The body against either tile at every overlapping placement that misses.
    body_tiles_miss,
    // Two 256 x 256 masks, 1% or 50% solid, overlapping by 255 or 256 rows: an odd dy misses
    // after every overlapping row, an even one hits.
    random_1_miss,
    random_1_hit,
    random_50_miss,
    random_50_hit,
};

const Case* make_case(case_id id) {
    const GameMasks* g = game_masks();
    if (!g) return nullptr;
    static const PMASK* sparse[2] = {random_mask(256, 0.01), random_mask(257, 0.01)};
    static const PMASK* dense[2] = {random_mask(258, 0.5), random_mask(259, 0.5)};
    static std::map<case_id, Case> made;
    auto found = made.find(id);
    if (found != made.end()) return &found->second;
    const int body_h = g->body->h;
    Case c{};
    switch (id) {
        case body_platform_hit: c = keep(overlapping(g->body, g->platform, -31, body_h - 1), 1); break;
        case body_ground_hit: c = keep(overlapping(g->body, g->solid, 56, 56), 1); break;
        case body_solid_hit: c = keep(overlapping(g->body, g->solid, -31, body_h - 1), 1); break;
        case body_tiles_miss: {
            std::vector<Probe> both = overlapping(g->body, g->solid, -31, body_h - 1);
            const std::vector<Probe> platform = overlapping(g->body, g->platform, -31, body_h - 1);
            both.insert(both.end(), platform.begin(), platform.end());
            c = keep(both, 0);
            break;
        }
        case random_1_miss: c = keep(side_by_side(sparse[0], sparse[1], 1), 0); break;
        case random_1_hit: c = keep(side_by_side(sparse[0], sparse[1], 0), 1); break;
        case random_50_miss: c = keep(side_by_side(dense[0], dense[1], 1), 0); break;
        case random_50_hit: c = keep(side_by_side(dense[0], dense[1], 0), 1); break;
    }
    return &made.emplace(id, c).first->second;
}

// Every way must give the case's answer at every placement, and the contact point must be a
// common pixel, or the figures mean nothing.
bool case_holds(const Case* c) {
    if (!c || c->probes.empty()) return false;
    for (const Probe& p : c->probes) {
        if (check_pmask_collision(p.a, p.b, 0, 0, p.dx, p.dy) != c->want) return false;
        if (byte_grid_collision(grid_of(p.a), grid_of(p.b), 0, 0, p.dx, p.dy) != c->want) return false;
        int at[2] = {-1, -1};
        if (check_pmask_collision_position(p.a, p.b, 0, 0, p.dx, p.dy, at) != c->want) return false;
        if (c->want && !(mask_bit(p.a, at[0], at[1]) && mask_bit(p.b, at[0] - p.dx, at[1] - p.dy))) return false;
    }
    return true;
}

// Runs call(probe, its index) once per iteration, the probes in turn.
template <class Call>
void run(benchmark::State& state, case_id id, Call call) {
    const Case* c = make_case(id);
    if (!case_holds(c)) return state.SkipWithError("the case does not hold (or dat/ is missing)");
    const size_t n = c->probes.size();
    size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(call(c->probes[k], k));
        if (++k == n) k = 0;
    }
    state.counters["placements"] = static_cast<double>(n);
}

void yes_no(benchmark::State& state, case_id id) {
    run(state, id, [](const Probe& p, size_t) { return check_pmask_collision(p.a, p.b, 0, 0, p.dx, p.dy); });
}

void point(benchmark::State& state, case_id id) {
    int at[2];
    run(state, id, [&at](const Probe& p, size_t) {
        const int hit = check_pmask_collision_position(p.a, p.b, 0, 0, p.dx, p.dy, at);
        benchmark::DoNotOptimize(at);
        return hit;
    });
}

void pixel_loop(benchmark::State& state, case_id id) {
    run(state, id, [](const Probe& p, size_t) { return pixel_loop_collision(p.a, p.b, 0, 0, p.dx, p.dy); });
}

void byte_grid(benchmark::State& state, case_id id) {
    // Unpacked once per mask, outside the timing.
    const Case* c = make_case(id);
    std::map<const PMASK*, Grid> grids;
    std::vector<std::pair<const Grid*, const Grid*>> pairs;
    for (const Probe& p : c ? c->probes : std::vector<Probe>{}) {
        for (const PMASK* m : {p.a, p.b})
            if (!grids.count(m)) grids.emplace(m, grid_of(m));
        pairs.emplace_back(&grids.at(p.a), &grids.at(p.b));
    }
    run(state, id, [&pairs](const Probe& p, size_t k) {
        return byte_grid_collision(*pairs[k].first, *pairs[k].second, 0, 0, p.dx, p.dy);
    });
}

// The body frame's mask built as the game builds it, from the frame drawn on mask colour.
void build_character_mask(benchmark::State& state) {
    const GameMasks* g = game_masks();
    if (!g) return state.SkipWithError("dat/ could not be loaded");
    BITMAP* frame = create_bitmap(32, 64);
    clear_to_color(frame, bitmap_mask_color(frame));
    draw_rle_sprite(frame, g->body_frame, 0, 0);
    for (auto _ : state) {
        PMASK* m = create_allegro_pmask(frame);
        benchmark::DoNotOptimize(m->bits);
        destroy_pmask(m);
    }
    destroy_bitmap(frame);
}

}  // namespace

#define OSA_COLLISION_CASE(id)             \
    BENCHMARK_CAPTURE(yes_no, id, id);     \
    BENCHMARK_CAPTURE(point, id, id);      \
    BENCHMARK_CAPTURE(pixel_loop, id, id); \
    BENCHMARK_CAPTURE(byte_grid, id, id)

OSA_COLLISION_CASE(body_platform_hit);
OSA_COLLISION_CASE(body_ground_hit);
OSA_COLLISION_CASE(body_solid_hit);
OSA_COLLISION_CASE(body_tiles_miss);
OSA_COLLISION_CASE(random_1_miss);
OSA_COLLISION_CASE(random_1_hit);
OSA_COLLISION_CASE(random_50_miss);
OSA_COLLISION_CASE(random_50_hit);
BENCHMARK(build_character_mask);
