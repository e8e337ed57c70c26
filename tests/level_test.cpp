// The shipped level (dat/level.dat): its format and size, the start cells, valid tile numbers, a
// closed border round everything the player can get to, and every shop's entry window reachable
// from the start. Reachability is proved by a search over standing positions that simulates the
// game's physics tick by tick, independently of the game's code and conservatively: a move
// counts only if it never brings a side or head test point into a wall cell that the character's
// 32 x 64 frame overlaps, so the game's pixel tests cannot change it.
// The search runs a few million simulated ticks; the sanitizer build compiles without
// optimisation, so this file asks for it to stay well inside the test timeout.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("O2")
#endif

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <queue>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "authoring/tile_ids.h"
#include "test_util.h"
#include "world/level.h"

namespace {

// ---- The level file, read by a parser of this test ----

struct level_file {
    int w = 0, h = 0;
    std::vector<int> tile;   // row by row
    std::vector<bool> wall;
    int shop_col[5] = {}, shop_row[5] = {};
    bool ok = false;
    std::string fault;

    bool is_wall(int c, int r) const {  // outside the level: open, like the game's empty cells
        return c >= 0 && r >= 0 && c < w && r < h && wall[static_cast<size_t>(r * w + c)];
    }
    int tile_at(int c, int r) const { return tile[static_cast<size_t>(r * w + c)]; }
};

level_file read_level_file(const std::string& path) {
    level_file lv;
    std::ifstream in(path);
    if (!in) {
        lv.fault = "cannot open " + path;
        return lv;
    }
    if (!(in >> lv.w >> lv.h) || lv.w <= 0 || lv.h <= 0) {
        lv.fault = "bad size";
        return lv;
    }
    for (int i = 0; i < lv.w * lv.h; i++) {
        int t;
        char flag;
        if (!(in >> t >> flag)) {
            lv.fault = "cell " + std::to_string(i) + " missing";
            return lv;
        }
        lv.tile.push_back(t);
        lv.wall.push_back(flag == 'w');
    }
    for (int i = 0; i < 5; i++) {
        if (!(in >> lv.shop_col[i] >> lv.shop_row[i])) {
            lv.fault = "shop " + std::to_string(i) + " missing";
            return lv;
        }
    }
    lv.ok = true;
    return lv;
}

const level_file& shipped_level() {
    static const level_file lv = read_level_file(build_dir() + "/dat/level.dat");
    return lv;
}

// The number of tiles the game cuts from dat/tiles.pcx; the fixed numbering of
// tile_ids.h when the sheet is not there.
int sheet_tile_count() {
    init_headless_allegro();
    BITMAP* sheet = load_bitmap((build_dir() + "/dat/tiles.pcx").c_str(), nullptr);
    if (!sheet) return tile_count;
    int n = ((sheet->w + 31) / 32) * ((sheet->h + 31) / 32);
    destroy_bitmap(sheet);
    return n;
}

// Thin platforms are walls whose lower part is see-through: the character can reach into them.
bool full_wall(const level_file& lv, int c, int r) {
    if (!lv.is_wall(c, r)) return false;
    int t = lv.tile_at(c, r);
    return t != tile_platform && t != tile_platform_left && t != tile_platform_right;
}

// ---- The player's physics, one tick, as an independent model ----

constexpr double gravity = 0.02;
constexpr double acceleration = 0.07;
constexpr double jump_speed = 1.6;
constexpr double friction = 1.06;
// What one tick of a held arrow key adds to the final resting position: 0.07 * 1.06 / 0.06.
constexpr double tap_distance = acceleration * friction / (friction - 1.0);

struct body {
    float x, y, xspeed, yspeed;
    bool onground;
};

// True when the game's side or head tests could hit with the character at (x, y): a test point
// lies in a wall cell that the 32 x 64 frame at (xi, yi) overlaps (the mask lies in the frame).
bool test_points_clear(const level_file& lv, const body& b) {
    int xi = static_cast<int>(b.x), yi = static_cast<int>(b.y);
    if (xi < 0 || yi < 4) return false;  // the model keeps to the level's positive area
    static const int points[5][2] = {{0, 0}, {0, 60}, {32, 0}, {32, 60}, {16, -4}};
    for (const auto& p : points) {
        int tx = (xi + p[0]) / 32, ty = (yi + p[1]) / 32;
        if (!lv.is_wall(tx, ty)) continue;
        bool overlap_x = 32 * tx <= xi + 31 && 32 * tx + 31 >= xi;
        bool overlap_y = 32 * ty <= yi + 63 && 32 * ty + 31 >= yi;
        if (overlap_x && overlap_y) return false;
    }
    return true;
}

// One logic tick with the given keys; false when the model cannot vouch for it (see above).
bool tick(const level_file& lv, body& b, int dir, bool space) {
    if (!test_points_clear(lv, b)) return false;
    int xi = static_cast<int>(b.x), yi = static_cast<int>(b.y);
    if (lv.is_wall((xi + 16) / 32, (yi + 64) / 32)) {
        b.onground = true;
        b.yspeed = 0;
    } else {
        b.onground = false;
    }
    if (!b.onground) b.yspeed += gravity;
    if (dir > 0) b.xspeed += acceleration;
    if (dir < 0) b.xspeed -= acceleration;
    if (b.onground && space) b.yspeed -= jump_speed;
    b.y += b.yspeed;
    b.x += b.xspeed;
    b.xspeed /= friction;
    return true;
}

// ---- The search over standing positions ----

// A standing position: the character at rest on floor row r (her frame's bottom row in row
// r - 1), at any depth from 0 to 4 pixels into the floor that landings leave (y from 32r - 64 to
// 32r - 60), anywhere on the run of integer positions xi from lo to hi along which she can walk
// without a test point hitting and without losing the ground. Moves from it are proved for all
// those depths at once, so the depth, which the game's float rounding varies, need not be known.
struct stand {
    int row, lo, hi;
    bool operator<(const stand& o) const { return std::tie(row, lo) < std::tie(o.row, o.lo); }
};

constexpr float max_sink = 4.0f;  // deeper landings are not used (they can reach the test points)
// Depths sampled for a move: at most one pixel apart, so that between them they meet every
// integer position yi that any depth in [0, 4) can give on every tick.
const float sink_samples[] = {0.0f, 1.0f, 2.0f, 3.0f, 3.99f};

float floor_y(int row) { return 32.0f * static_cast<float>(row) - 64.0f; }

// The run of walkable xi around xi0 on floor row r, or false when xi0 itself is not walkable.
bool walk_run(const level_file& lv, int row, int xi0, int& lo, int& hi) {
    auto ok = [&](int xi) {
        if (xi < 0 || xi >= 32 * lv.w) return false;
        for (float sink : {0.0f, 3.99f}) {  // rows of all test points are the same in between
            body b{static_cast<float>(xi), floor_y(row) + sink, 0, 0, true};
            if (!test_points_clear(lv, b)) return false;
        }
        return lv.is_wall((xi + 16) / 32, row);
    };
    if (!ok(xi0)) return false;
    lo = hi = xi0;
    while (ok(lo - 1)) lo--;
    while (ok(hi + 1)) hi++;
    return true;
}

// The player can only come to rest on positions 800 + n * tap_distance (each tick of a held
// arrow key moves her final position by tap_distance); this margin covers float rounding.
constexpr double rest_margin = 0.25;

struct move_result {
    bool ok;
    float x, y;   // position at the end of the move, nearly at rest
    int ticks;
    float rest_x; // where the remaining slide ends
};

// From rest at (x0, y): hold dir for the first hold ticks, hold Space for three ticks from tick
// jump_at (never if negative), and run until she rests on the ground again with the keys
// released. Space is held that long because a jump of 1.6 pixels does not lift a character
// sunk deeper into the floor off it: she jumps again on the next tick from 1.6 pixels higher.
move_result simulate(const level_file& lv, float x0, float y, int dir, int jump_at, int hold) {
    body b{x0, y, 0, 0, true};
    for (int t = 0; t < 3000; t++) {
        bool held = t < hold;
        bool space = jump_at >= 0 && t >= jump_at && t < jump_at + 3;
        if (!tick(lv, b, held ? dir : 0, space)) return {false, 0, 0, 0, 0};
        if (b.y > 32.0f * static_cast<float>(lv.h)) return {false, 0, 0, 0, 0};
        if (!held && t > jump_at + 2 && b.onground && b.yspeed == 0 && std::fabs(b.xspeed) < 0.01f) {
            // Nearly at rest: what is left of the slide, xspeed * 1.06 / 0.06, is under 0.18
            // pixels; prove_move checks that it stays on the same walkable run.
            return {true, b.x, b.y, t + 1, static_cast<float>(b.x + b.xspeed * friction / (friction - 1.0))};
        }
    }
    return {false, 0, 0, 0, 0};
}

// One move from the standing position s at x0, proved for both ends of the rest margin and all
// depths: every sample must succeed and come to rest on one and the same standing position.
bool prove_move(const level_file& lv, const stand& s, double x0, int dir, int jump_at, int hold, stand& to,
                double& to_x, int& ticks) {
    ticks = 0;
    double x_sum = 0;
    int n = 0;
    for (double dx : {-rest_margin, rest_margin}) {
        for (float sink : sink_samples) {
            move_result m = simulate(lv, static_cast<float>(x0 + dx), floor_y(s.row) + sink, dir, jump_at, hold);
            if (!m.ok) return false;
            int row = (static_cast<int>(m.y) + 64) / 32;
            if (m.y < floor_y(row) || m.y >= floor_y(row) + max_sink) return false;
            stand t{row, 0, 0};
            if (!walk_run(lv, row, static_cast<int>(m.rest_x), t.lo, t.hi)) return false;
            if (static_cast<int>(m.x) < t.lo || static_cast<int>(m.x) > t.hi) return false;
            if (n == 0)
                to = t;
            else if (t.row != to.row || t.lo != to.lo)
                return false;
            ticks = std::max(ticks, m.ticks);
            x_sum += m.rest_x;
            n++;
        }
    }
    to_x = x_sum / n;
    return true;
}

// The graph of standing positions that the start leads to, with the moves between them.
struct move_edge {
    stand to;
    double from_x, to_x;  // where the move starts and where it comes to rest
    int ticks;
};
struct reach_graph {
    std::map<stand, std::vector<move_edge>> moves;
    size_t move_count = 0;
};

// Every standing position reachable from rest at (x_start, row_start), with its moves.
reach_graph explore(const level_file& lv, double x_start, int row_start) {
    reach_graph g;
    const int holds[] = {0, 12, 24, 40, 64, 96, 140, 200};
    const int jumps[] = {0, 30, -1};
    std::vector<stand> todo;
    stand first{row_start, 0, 0};
    if (!walk_run(lv, row_start, static_cast<int>(x_start), first.lo, first.hi)) return g;
    todo.push_back(first);
    g.moves[first];
    while (!todo.empty()) {
        stand s = todo.back();
        todo.pop_back();
        std::vector<move_edge>& out = g.moves[s];
        // The resting positions on this run that the model uses: every lattice point near the
        // ends, where the moves onto other floors start, and every eighth one in between.
        long n_lo = static_cast<long>(std::ceil((s.lo + rest_margin - x_start) / tap_distance));
        long n_hi = static_cast<long>(std::floor((s.hi + 1 - rest_margin - x_start) / tap_distance));
        for (long n = n_lo; n <= n_hi; n++) {
            double x0 = x_start + static_cast<double>(n) * tap_distance;
            bool near_end = x0 - s.lo < 24 || s.hi - x0 < 24;
            if (!near_end && n % 8 != 0) continue;
            for (int dir = -1; dir <= 1; dir++)
                for (int jump_at : jumps)
                    for (int hold : holds) {
                        if (dir == 0 && (jump_at != 0 || hold != 0)) continue;  // straight up
                        if (dir != 0 && jump_at < 0 && hold == 0) continue;    // standing still
                        stand to;
                        double to_x;
                        int ticks;
                        if (!prove_move(lv, s, x0, dir, jump_at, jump_at < 0 ? hold : jump_at + hold, to, to_x, ticks))
                            continue;
                        if (to.row == s.row && to.lo == s.lo) continue;  // walking does as much
                        g.move_count++;
                        out.push_back({to, x0, to_x, ticks});
                        if (!g.moves.count(to)) {
                            g.moves[to];
                            todo.push_back(to);
                        }
                    }
        }
    }
    return g;
}

const reach_graph& start_graph() {
    static const reach_graph g = explore(shipped_level(), 800.0, 17);
    return g;
}

// A place to stand: the x range and floor row that a goal accepts.
struct goal {
    double x_min, x_max;  // exclusive bounds of the resting x
    int row;
};

// The lattice resting position on s nearest to x_from inside the goal, or false.
bool goal_spot(const stand& s, const goal& gl, double x_from, double& x_at) {
    if (s.row != gl.row) return false;
    double lo = std::max(gl.x_min, static_cast<double>(s.lo)) + rest_margin;
    double hi = std::min(gl.x_max, static_cast<double>(s.hi + 1)) - rest_margin;
    double best = -1, best_d = 1e9;
    for (double n = std::ceil((lo - 800.0) / tap_distance); 800.0 + n * tap_distance <= hi; n++) {
        double x = 800.0 + n * tap_distance;
        if (x <= lo) continue;
        if (std::fabs(x - x_from) < best_d) {
            best_d = std::fabs(x - x_from);
            best = x;
        }
    }
    if (best < 0) return false;
    x_at = best;
    return true;
}

// Shortest route in ticks over the graph from standing on `from` at x_from to a resting place
// inside the goal: the moves' ticks plus walking at full speed between them; -1 if none.
double route_ticks(const reach_graph& g, const stand& from, double x_from, const goal& gl) {
    struct entry {
        double cost;
        stand s;
        double x;
        bool operator>(const entry& o) const { return cost > o.cost; }
    };
    constexpr double walk_speed = 7.0 / 6.0 + 0.07;
    std::priority_queue<entry, std::vector<entry>, std::greater<entry>> open;
    std::set<stand> done;
    open.push({0, from, x_from});
    while (!open.empty()) {
        entry e = open.top();
        open.pop();
        if (done.count(e.s)) continue;
        done.insert(e.s);
        double x_at;
        if (goal_spot(e.s, gl, e.x, x_at)) return e.cost + std::fabs(x_at - e.x) / walk_speed;
        auto it = g.moves.find(e.s);
        if (it == g.moves.end()) continue;
        for (const move_edge& m : it->second)
            if (!done.count(m.to))
                open.push({e.cost + std::fabs(m.from_x - e.x) / walk_speed + m.ticks, m.to, m.to_x});
    }
    return -1;
}

goal shop_goal(const level_file& lv, int i) {
    double cx = 32.0 * lv.shop_col[i] + 48;  // shop pictures are 96 pixels wide
    // The window's y range (shop.y - 138, shop.y - 60) holds floor row shop_row and no other.
    return {cx - 36, cx + 4, lv.shop_row[i]};
}
// The partner's return window around her start (896, 480): floor row 17 holds y 456..504.
const goal partner_goal{896.0 - 128.0, 896.0 + 64.0, 17};

const char* const shop_names[5] = {"make-up", "hair", "clothes", "shoes", "handbag"};

// ---- The tests ----

TEST(Level, ReadsAndFitsTheLimits) {
    const level_file& lv = shipped_level();
    ASSERT_TRUE(lv.ok) << lv.fault;
    EXPECT_LE(lv.w, 150);
    EXPECT_LE(lv.h, 40);
    EXPECT_GE(lv.w * 32, 320);  // at least one screen
    EXPECT_GE(lv.h * 32, 240);
}

// The game's own reader takes the file and sees what this test's parser sees.
TEST(Level, TheGamesReaderAgrees) {
    const level_file& lv = shipped_level();
    ASSERT_TRUE(lv.ok) << lv.fault;
    std::ifstream in(build_dir() + "/dat/level.dat");
    std::string error;
    ASSERT_TRUE(read_level(in, tile_count, &error)) << error;
    EXPECT_EQ(iXSize, lv.w);
    EXPECT_EQ(iYSize, lv.h);
    for (int r = 0; r < lv.h; r++)
        for (int c = 0; c < lv.w; c++) {
            EXPECT_EQ(iLevel[c][r].iTile, lv.tile_at(c, r));
            EXPECT_EQ(iLevel[c][r].blWall, lv.is_wall(c, r));
        }
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(shop[i].x, 32 * lv.shop_col[i]);
        EXPECT_EQ(shop[i].y, 32 * lv.shop_row[i]);
    }
}

TEST(Level, TileNumbersExistInTheSheet) {
    const level_file& lv = shipped_level();
    ASSERT_TRUE(lv.ok) << lv.fault;
    int n = sheet_tile_count();
    EXPECT_EQ(n, tile_count);
    for (int r = 0; r < lv.h; r++)
        for (int c = 0; c < lv.w; c++) {
            EXPECT_GE(lv.tile_at(c, r), 0) << c << "," << r;
            EXPECT_LT(lv.tile_at(c, r), n) << c << "," << r;
        }
}

TEST(Level, BothCharactersStandOnWalls) {
    const level_file& lv = shipped_level();
    ASSERT_TRUE(lv.ok) << lv.fault;
    // Player (800, 480) and partner (896, 480): frames cover columns 25-26 and 28-29, rows 15-16;
    // the ground test looks at column (x + 16) / 32, row (y + 64) / 32 = 17.
    for (int c : {24, 25, 26, 27, 28, 29, 30}) EXPECT_TRUE(lv.is_wall(c, 17)) << "floor cell " << c << ",17";
    for (int c : {25, 26, 28, 29})
        for (int r : {14, 15, 16}) EXPECT_FALSE(lv.is_wall(c, r)) << "body cell " << c << "," << r;
}

TEST(Level, ShopsStandOnFloorsWithRoomForTheirPictures) {
    const level_file& lv = shipped_level();
    ASSERT_TRUE(lv.ok) << lv.fault;
    for (int i = 0; i < 5; i++) {
        int c = lv.shop_col[i], r = lv.shop_row[i];
        ASSERT_TRUE(c >= 0 && c + 3 <= lv.w && r >= 3 && r < lv.h) << "shop " << i;
        for (int dc = 0; dc < 3; dc++) {
            EXPECT_TRUE(lv.is_wall(c + dc, r)) << "shop " << i << " floor";
            for (int dr = 1; dr <= 3; dr++) EXPECT_FALSE(lv.is_wall(c + dc, r - dr)) << "shop " << i << " picture";
        }
    }
}

// Everything the player can reach lies in the open region around the start; flooding it through
// every cell that is not a full wall (platforms count as open) must never touch the map's edge.
TEST(Level, OpenRegionAroundTheStartIsClosed) {
    const level_file& lv = shipped_level();
    ASSERT_TRUE(lv.ok) << lv.fault;
    std::vector<bool> seen(static_cast<size_t>(lv.w * lv.h), false);
    std::vector<std::pair<int, int>> todo = {{25, 15}, {25, 16}, {28, 15}, {28, 16}};
    int cells = 0;
    while (!todo.empty()) {
        auto [c, r] = todo.back();
        todo.pop_back();
        if (full_wall(lv, c, r)) continue;
        ASSERT_TRUE(c > 0 && r > 0 && c < lv.w - 1 && r < lv.h - 1)
            << "the open region reaches the map's edge at " << c << "," << r;
        size_t k = static_cast<size_t>(r * lv.w + c);
        if (seen[k]) continue;
        seen[k] = true;
        cells++;
        todo.push_back({c + 1, r});
        todo.push_back({c - 1, r});
        todo.push_back({c, r + 1});
        todo.push_back({c, r - 1});
    }
    EXPECT_GT(cells, 100);
    // Every standing position the search found lies inside it.
    for (const auto& [s, moves] : start_graph().moves) {
        for (int xi : {s.lo, s.hi})
            for (int c : {xi / 32, (xi + 31) / 32})
                for (int r : {s.row - 2, s.row - 1})
                    EXPECT_TRUE(seen[static_cast<size_t>(r * lv.w + c)]) << "standing at " << xi << " on row " << s.row;
    }
}

// The routes from the start: each shop's window, and from each shop back to the partner, as
// every mission asks. The times are the model's: moves proved from rest, so the player can beat them.
TEST(Level, EveryShopWindowIsReachableFromTheStartAndBack) {
    const level_file& lv = shipped_level();
    ASSERT_TRUE(lv.ok) << lv.fault;
    const reach_graph& g = start_graph();
    if (std::getenv("LEVEL_DEBUG"))
        for (const auto& [s, moves] : g.moves) {
            std::printf("stand row %d x %d..%d:", s.row, s.lo, s.hi);
            for (const move_edge& m : moves) std::printf(" [%.0f->%d:%d]", m.from_x, m.to.row, m.to.lo);
            std::printf("\n");
        }
    std::printf("search: %zu standing positions, %zu moves\n", g.moves.size(), g.move_count);
    stand start{17, 0, 0};
    ASSERT_TRUE(walk_run(lv, 17, 800, start.lo, start.hi));
    double total = 0;
    for (int i = 0; i < 5; i++) {
        goal gl = shop_goal(lv, i);
        double there = route_ticks(g, start, 800.0, gl);
        EXPECT_GE(there, 0) << "shop " << i << " (" << shop_names[i] << ") is not reachable";
        // Back from the first place the shop's window can be stood in.
        double back = -1;
        for (const auto& [s, moves] : g.moves) {
            double x_at;
            if (!goal_spot(s, gl, 32.0 * lv.shop_col[i] + 30, x_at)) continue;
            back = route_ticks(g, s, x_at, partner_goal);
            break;
        }
        EXPECT_GE(back, 0) << "no way back to the partner from shop " << i;
        std::printf("shop %d (%-7s) at cell %3d,%2d: there %5.0f ticks (%4.1f s), back %5.0f ticks (%4.1f s)\n", i,
                    shop_names[i], lv.shop_col[i], lv.shop_row[i], there, there / 120.0, back, back / 120.0);
        total += there + back;
    }
    // The first mission (clothes, then shoes, then back to the partner) must fit 60 seconds.
    double clothes = route_ticks(g, start, 800.0, shop_goal(lv, 2));
    ASSERT_GE(clothes, 0);
    for (const auto& [s, moves] : g.moves) {
        double x_at;
        if (!goal_spot(s, shop_goal(lv, 2), 32.0 * lv.shop_col[2] + 30, x_at)) continue;
        double to_shoes = route_ticks(g, s, x_at, shop_goal(lv, 3));
        ASSERT_GE(to_shoes, 0);
        for (const auto& [s2, moves2] : g.moves) {
            double x2;
            if (!goal_spot(s2, shop_goal(lv, 3), 32.0 * lv.shop_col[3] + 30, x2)) continue;
            double back = route_ticks(g, s2, x2, partner_goal);
            ASSERT_GE(back, 0);
            double mission = (clothes + to_shoes + back) / 120.0;
            std::printf("first mission (clothes, shoes, back): %.1f s of 60\n", mission);
            EXPECT_LT(mission, 60.0);
            break;
        }
        break;
    }
}

// The model itself, against the game's physics numbers (jump height, top speed).
TEST(LevelModel, JumpAndWalkMatchTheGamePhysics) {
    level_file flat;
    flat.w = 40;
    flat.h = 12;
    flat.tile.assign(40 * 12, 0);
    flat.wall.assign(40 * 12, false);
    for (int c = 0; c < 40; c++) flat.wall[static_cast<size_t>(10 * 40 + c)] = true;
    body b{320, 320 - 64, 0, 0, true};
    float top = b.y;
    int up = 0;
    for (int t = 0; t < 400; t++) {
        ASSERT_TRUE(tick(flat, b, 0, t == 0));
        if (b.y < top) {
            top = b.y;
            up = t + 1;
        }
    }
    EXPECT_NEAR(256 - top, 64.8, 0.05);
    EXPECT_EQ(up, 80);
    body w{320, 256, 0, 0, true};
    for (int t = 0; t < 300; t++) ASSERT_TRUE(tick(flat, w, 1, false));
    float x1 = w.x;
    ASSERT_TRUE(tick(flat, w, 1, false));
    EXPECT_NEAR(w.x - x1, 7.0 / 6.0 + 0.07, 1e-3);
    // A one-tick tap moves the resting position by tap_distance.
    move_result m = simulate(flat, 320, 256, 1, -2, 1);
    ASSERT_TRUE(m.ok);
    EXPECT_NEAR(m.rest_x - 320, tap_distance, 0.01);
}

}  // namespace
