// A headless playthrough of the shipped level: the game's own logic tick driven one tick at a
// time, with a small scripted player who reads the mission, finds her way to the shops it names,
// holds Up in front of them, returns to Vela and waits while Vela changes.
#include <gtest/gtest.h>

#include <allegro.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <queue>
#include <string>
#include <unordered_set>
#include <vector>

#include "characters/player.h"
#include "gameplay/hud.h"
#include "gameplay/mission.h"
#include "gameplay/shops.h"
#include "core/assets.h"
#include "gameplay/tick.h"
#include "core/files.h"
#include "replay/ghost.h"
#include "replay/run.h"
#include "shell/shell.h"
#include "test_util.h"
#include "world/camera.h"
#include "world/level.h"

namespace {

constexpr int ticks_per_second = 120;
constexpr int ticks_per_anim = 15; // the 8 Hz animation flag
constexpr int view_w = 320; // the game's screen
constexpr int view_h = 240;

// ---- keys -----------------------------------------------------------------------------------

struct Keys {
    bool left = false, right = false, space = false, up = false;
};

void press(const Keys& k) {
    // No keyboard is installed: key[] is plain memory and poll_keyboard leaves it alone.
    key[KEY_LEFT] = k.left ? 1 : 0;
    key[KEY_RIGHT] = k.right ? 1 : 0;
    key[KEY_SPACE] = k.space ? 1 : 0;
    key[KEY_UP] = k.up ? 1 : 0;
}

// ---- sounds ---------------------------------------------------------------------------------

bool planning = false; // sounds made while the planner tries moves out are not the game's
std::vector<SAMPLE*> heard;
void hear(SAMPLE* s, int, int, int, int) {
    if (!planning) heard.push_back(s);
}
// Stand-ins for the shop's and Vela's samples, told apart from the footsteps by identity.
SAMPLE change_stand_in{};
SAMPLE vela_stand_in{};
// How often s was heard from entry `from` on.
int heard_since(size_t from, const SAMPLE* s) {
    int n = 0;
    for (size_t i = from; i < heard.size(); i++) n += heard[i] == s;
    return n;
}

// ---- the planner ----------------------------------------------------------------------------
//
// Searches over the player's own movement, simulated exactly on copies of her PLAYER: the same
// control() and animation steps that the game's tick runs for her while she is free to move.
// Moves are ten ticks of one key combination; states are told apart by position, speed and
// footing at a coarse grain. Best-first on ticks spent plus a distance estimate.

constexpr int move_ticks = 10;
constexpr double top_speed = 1.24; // pixels per tick with an arrow key held long
constexpr int max_expansions = 300000;

const Keys moves[] = {
    {false, true, false, false}, {true, false, false, false}, {false, false, false, false},
    {false, true, true, false},  {true, false, true, false},  {false, false, true, false},
};

// The player's part of one game tick, while control runs and no Up is held.
void step_player(PLAYER& p, const Keys& k, long tick) {
    press(k);
    p.control();
    if (tick % ticks_per_anim == 0) p.addframe();
}

struct Target {
    std::function<bool(const PLAYER&)> reached;
    float x_from, x_to; // where her x has to get to, for the estimate
};

struct Plan {
    std::vector<Keys> keys; // one entry per tick
    float end_x = 0, end_y = 0; // where she stands after the last tick
    int target = -1;        // the index of the target reached
};

long long state_key(const PLAYER& p) {
    const long long gx = static_cast<long long>(std::floor(p.x / 4.0f)) & 0xFFFF;
    const long long gy = static_cast<long long>(std::floor(p.y / 4.0f)) & 0xFFFF;
    const long long vx = std::lround(p.xspeed * 6.0f) & 0xFF;
    const long long vy = std::lround(p.yspeed * 3.0f) & 0xFF;
    return (gx << 40) | (gy << 24) | (vx << 16) | (vy << 8) | (p.onground ? 1 : 0);
}

double estimate(const PLAYER& p, const std::vector<Target>& targets) {
    double best = 1e18;
    for (const Target& t : targets) {
        double d = 0;
        if (p.x < t.x_from) d = t.x_from - p.x;
        if (p.x > t.x_to) d = p.x - t.x_to;
        best = std::min(best, d / top_speed);
    }
    return best;
}

bool plan_route(const PLAYER& start, long start_tick, const std::vector<Target>& targets, Plan* out,
                int* expansions_out) {
    struct Node {
        PLAYER p;
        long tick;
        int parent;
        int move;
        int ticks; // ticks of the move that led here
    };
    std::vector<Node> nodes;
    nodes.push_back({start, start_tick, -1, -1, 0});
    using Entry = std::pair<double, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
    open.push({0.0, 0});
    std::unordered_set<long long> seen{state_key(start)};
    const float world_bottom = static_cast<float>(iYSize * 32);
    planning = true;
    int expansions = 0;
    while (!open.empty() && expansions < max_expansions) {
        const int n = open.top().second;
        open.pop();
        expansions++;
        for (int m = 0; m < static_cast<int>(sizeof moves / sizeof moves[0]); m++) {
            PLAYER p = nodes[static_cast<size_t>(n)].p;
            const long t0 = nodes[static_cast<size_t>(n)].tick;
            int reached = -1, t = 0;
            bool lost = false;
            for (; t < move_ticks && reached < 0; t++) {
                step_player(p, moves[m], t0 + t);
                if (p.y > world_bottom || p.x < 0.0f || p.x > static_cast<float>(iXSize * 32)) {
                    lost = true;
                    break;
                }
                for (int g = 0; g < static_cast<int>(targets.size()); g++)
                    if (targets[static_cast<size_t>(g)].reached(p)) {
                        reached = g;
                        break;
                    }
            }
            if (lost) continue;
            if (reached >= 0) {
                // Walk the chain back into one key per tick.
                std::vector<Keys> keys(static_cast<size_t>(t), moves[m]);
                for (int k = n; nodes[static_cast<size_t>(k)].parent >= 0; k = nodes[static_cast<size_t>(k)].parent)
                    keys.insert(keys.begin(), static_cast<size_t>(nodes[static_cast<size_t>(k)].ticks),
                                moves[nodes[static_cast<size_t>(k)].move]);
                out->keys = keys;
                out->end_x = p.x;
                out->end_y = p.y;
                out->target = reached;
                planning = false;
                *expansions_out = expansions;
                return true;
            }
            if (!seen.insert(state_key(p)).second) continue;
            const long tick = t0 + move_ticks;
            nodes.push_back({p, tick, n, m, move_ticks});
            const double g = static_cast<double>(tick - start_tick);
            open.push({g + 2.0 * estimate(p, targets), static_cast<int>(nodes.size()) - 1});
        }
    }
    planning = false;
    *expansions_out = expansions;
    return false;
}

// ---- the shops and the partner as targets ---------------------------------------------------

// The window in front of shop i, as the shop check tests it.
bool in_shop_window(const PLAYER& p, int i) {
    const int cx = shop[i].x + shops[i]->w / 2;
    const double x = p.x, y = p.y;
    return x + 16.0 > cx - 20 && x + 16.0 < cx + 20 && y + 10.0 > shop[i].y - 128 && y + 60.0 < shop[i].y;
}

Target shop_target(int i) {
    const float cx = static_cast<float>(shop[i].x + shops[i]->w / 2);
    return {[i](const PLAYER& p) {
                if (!in_shop_window(p, i)) return false;
                for (int j = 0; j < 5; j++)
                    if (j != i && in_shop_window(p, j)) return false; // would enter that one too
                return true;
            },
            cx - 16.0f - 19.0f, cx - 16.0f + 19.0f};
}

Target partner_target(const PLAYER& vela) {
    const float vx = vela.x, vy = vela.y;
    return {[vx, vy](const PLAYER& p) {
                const double x = p.x, y = p.y;
                return x > vx - 128.0 && x < vx + 64.0 && y > vy - 24.0 && y < vy + 24.0;
            },
            vx - 127.0f, vx + 63.0f};
}

// The categories the message line names, in category order.
std::vector<int> named_categories(const char* text) {
    std::vector<int> named;
    const char* prefix = "Mission: upgrade ";
    if (std::strncmp(text, prefix, std::strlen(prefix)) != 0) return named;
    for (int i = 0; i < 5; i++)
        if (std::strstr(text, names[i])) named.push_back(i);
    return named;
}

// ---- the game -------------------------------------------------------------------------------

class Playthrough : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        init_headless_allegro();
        ASSERT_EQ(chdir(build_dir().c_str()), 0);
        load_shit();
        load_level();
        ASSERT_FALSE(blStartFailed) << "the shipped dat/ does not load";
        // Without a screen the background was made for a 0 x 0 screen: make it as the game's
        // 320 x 240 screen has it.
        ASSERT_TRUE(make_back(view_w, view_h));
    }

    void SetUp() override {
        reset_game();
        sound_hook = hear;
        shipped_change = change;
        shipped_velachange = velachange;
        change = &change_stand_in;
        velachange = &vela_stand_in;
    }
    void TearDown() override {
        sound_hook = nullptr;
        change = shipped_change;
        velachange = shipped_velachange;
        for (int k = 0; k < KEY_MAX; k++) key[k] = 0;
    }

    // The state of the rules and the clocks as play begins.
    void reset_game() {
        tick = 0;
        seconds = 0;
        level_rose.clear();
        for (int k = 0; k < KEY_MAX; k++) key[k] = 0;
        start_rules();
        heard.clear();
    }

    long tick = 0;
    int seconds = 0; // the 1 Hz timer as this test drives it
    std::vector<int> level_rose; // the count of ticks run after each one in which tase rose
    SAMPLE* shipped_change = nullptr;
    SAMPLE* shipped_velachange = nullptr;

    // One logic tick through the game's own tick function, recorded as live play records it,
    // with the two timers driven by hand: the animation step every 15 ticks, and a second of the
    // clock before every 120th.
    void run_tick(PLAYER& mora, PLAYER& vela, const Keys& k) {
        press(k);
        if (tick % ticks_per_anim == 0) do_anim = true;
        if (second_due()) {
            clock_due++;
            seconds++;
        }
        const int level = tase;
        record_tick(game_tick(mora, vela), mora, vela);
        tick++;
        if (tase > level) level_rose.push_back(static_cast<int>(tick));
    }
    bool second_due() const { return tick > 0 && tick % ticks_per_second == 0; }
};

// The two characters as the game builds them; cut from the datafiles once, copied by each test.
PLAYER start_mora() {
    static const PLAYER p(player_start_x, start_y, "dat/mora.dat", type_player);
    return p;
}
PLAYER start_vela() {
    static const PLAYER p(partner_start_x, start_y, "dat/vela.dat", type_partner);
    return p;
}

struct Fulfilment {
    int level;
    long ticks;     // from the mission's first tick to the end of Vela's change
    int score;
    int remaining;  // seconds left of the allowance when it was fulfilled
};

TEST_F(Playthrough, TheFirstMissionsAreFulfilledInTime) {
    PLAYER mora = start_mora();
    PLAYER vela = start_vela();
    ASSERT_TRUE(mora.has_frames());
    ASSERT_TRUE(vela.has_frames());
    live_run.start(run_header());  // with the characters' masks made: they are in its logic hash

    // What the rules promise, worked out here from the mission table: the allowance after each
    // of the first six fulfilments, and from the seventh on the rows taken again from row 1.
    constexpr int required = 3;
    constexpr int attempted = 8;
    constexpr long tick_limit = 120L * 60 * 16;
    const char table[7][5] = {{0, 0, 1, 1, 0}, {1, 1, 0, 0, 0}, {0, 0, 1, 1, 1}, {0, 0, 1, 1, 1},
                              {1, 1, 0, 0, 1}, {1, 1, 1, 1, 0}, {1, 0, 1, 1, 1}};
    int allowance_after[attempted + 1] = {60, 64, 69, 72, 73, 75, 75};
    auto row_of = [](int level) { return (level - 1) % 6 + 1; };
    // Past level 6 the allowance is that of the cycled level.
    for (int L = 7; L <= attempted; L++) allowance_after[L] = allowance_after[row_of(L)];

    std::vector<Fulfilment> done;
    int expected_score = 0;
    long mission_start = 0;
    const Keys idle;

    while ((static_cast<int>(done.size()) < attempted || done.back().ticks == 0) && tick < tick_limit) {
        if (metamorphose) {
            run_tick(mora, vela, idle);
            continue;
        }
        if (game_state == 4) {
            // Vela walks and changes; the fulfilment falls on the tick that starts at xcount 65.
            if (xcount == 65) {
                const int level = tase + 1;
                const int remaining = the_time - seconds - (second_due() ? 1 : 0);
                int want_look[5];
                for (int j = 0; j < 5; j++)
                    want_look[j] = table[row_of(level)][j] ? (vela.look[j] + 1) % 3 : vela.look[j];
                const size_t sounds = heard.size();
                run_tick(mora, vela, idle);
                // The clock restarts inside the tick.
                EXPECT_EQ(timer.load(), 0);
                seconds = 0;
                expected_score += remaining;
                EXPECT_EQ(tase, level);
                EXPECT_EQ(score, expected_score);
                EXPECT_EQ(the_time, allowance_after[level]);
                for (int j = 0; j < 5; j++) EXPECT_EQ(vela.look[j], want_look[j]) << "level " << level << " category " << j;
                EXPECT_EQ(heard_since(sounds, &vela_stand_in), 1);
                done.push_back({level, 0, score, remaining});
                continue;
            }
            const float before_x = vela.x;
            run_tick(mora, vela, idle);
            if (game_state == 1 && !done.empty() && done.back().ticks == 0) {
                // Vela is back: 2 pixels right of where each change began.
                EXPECT_FLOAT_EQ(vela.x, 896.0f + 2.0f * static_cast<float>(done.size()));
                EXPECT_EQ(before_x, vela.x);
                done.back().ticks = tick - mission_start;
                mission_start = tick;
            }
            continue;
        }

        std::vector<Target> targets;
        std::vector<int> target_shop;
        if (game_state == 3) {
            targets.push_back(partner_target(vela));
        } else {
            ASSERT_EQ(game_state, 1);
            const std::vector<int> named = named_categories(message);
            if (named.empty()) { // the first tick still shows "Welcome!"
                run_tick(mora, vela, idle);
                continue;
            }
            for (int i : named) {
                targets.push_back(shop_target(i));
                target_shop.push_back(i);
            }
        }

        const int state = game_state;
        const size_t sounds = heard.size();
        Plan plan;
        int expansions = 0;
        ASSERT_TRUE(plan_route(mora, tick, targets, &plan, &expansions))
            << "no way found from (" << mora.x << ", " << mora.y << ") in state " << game_state
            << " after " << expansions << " expansions";
        // OSA_TRACE=1 prints each route as it is planned.
        if (std::getenv("OSA_TRACE"))
            std::printf("tick %ld state %d from (%.1f, %.1f) target %d: %zu ticks, %d expansions\n", tick, game_state,
                        mora.x, mora.y, state == 1 ? target_shop[static_cast<size_t>(plan.target)] : -1,
                        plan.keys.size(), expansions);
        if (game_state == 1) plan.keys.back().up = true; // Up on the tick she stands in the window

        const int look_before = state == 1 ? mora.look[target_shop[static_cast<size_t>(plan.target)]] : 0;
        for (const Keys& k : plan.keys) {
            if (game_state != state) break;
            run_tick(mora, vela, k);
        }
        if (state == 1) {
            // Her own movement went as planned, and the shop took her in.
            EXPECT_EQ(mora.x, plan.end_x);
            EXPECT_EQ(mora.y, plan.end_y);
            ASSERT_TRUE(metamorphose);
            const int i = target_shop[static_cast<size_t>(plan.target)];
            EXPECT_EQ(mora.look[i], (look_before + 1) % 3);
            EXPECT_EQ(heard_since(sounds, &change_stand_in), 1);
        } else {
            // One more tick lets the rules see her beside Vela.
            if (game_state == 3) run_tick(mora, vela, idle);
            ASSERT_EQ(game_state, 4);
        }
    }

    ASSERT_GE(static_cast<int>(done.size()), required) << "after " << tick << " ticks";
    for (const Fulfilment& f : done) {
        std::printf("[ playthrough ] level %d: %ld ticks (%.1f s), %d s of the allowance left, score %d\n",
                    f.level, f.ticks, static_cast<double>(f.ticks) / ticks_per_second, f.remaining, f.score);
        RecordProperty("level_" + std::to_string(f.level) + "_ticks", static_cast<int>(f.ticks));
        RecordProperty("level_" + std::to_string(f.level) + "_score", f.score);
    }
    for (int n = 0; n < required; n++) EXPECT_GE(done[static_cast<size_t>(n)].remaining, 0) << "mission " << n + 1 << " was late";
    sound_hook = nullptr;

    // The whole playthrough is kept as a replay beside the tests, and the game itself, with no
    // window, finds that it ends where this run ended.
    const std::vector<unsigned char> bytes = live_run.file_bytes(run_outcome(mora, vela), false);
    ASSERT_EQ(live_run.ticks(), static_cast<std::uint32_t>(tick));
    const std::string kept = build_dir() + "/tests/playthrough.replay";
    ASSERT_TRUE(write_file_atomically(kept, bytes.data(), bytes.size(), nullptr));
    // The run's splits are the ticks at which the level rose, and --verify prints them as
    // m:ss.cc of 120 ticks a second.
    ASSERT_EQ(level_rose.size(), static_cast<size_t>(attempted));
    EXPECT_EQ(run_splits, level_rose);
    std::string times;
    for (int t : level_rose) {
        char s[32];
        std::snprintf(s, sizeof s, " %d:%02d.%02d", t / 7200, t / 120 % 60, t % 120 * 100 / 120);
        times += s;
    }
    std::string line;
    EXPECT_EQ(verify_with_game(kept, &line), 0) << line;
    EXPECT_EQ(line, kept + ": ok, " + std::to_string(tick) + " ticks, level " + std::to_string(tase) + ", score " +
                        std::to_string(score) + "\nsplits:" + times + "\n");
}

// ---- the ghost -----------------------------------------------------------------------------

// A stretch of live play, walking both ways, jumping and entering shops, with a frame drawn every
// half second; with a ghost, the demo's course is worked out halfway (mid-walk) and drawn in every
// frame after. The run's state hash, its replay's bytes and the sounds heard must not tell the
// two apart.
TEST_F(Playthrough, TheLiveRunIsTheSameWithAndWithoutAGhost) {
    REPLAY demo;
    ASSERT_TRUE(read_replay_file("dat/demo.replay", &demo, nullptr));
    PLAYER mora = start_mora();
    PLAYER vela = start_vela();
    BITMAP* target = create_bitmap(view_w, view_h);
    const REPLAY_HEADER header = run_header();
    constexpr int ticks = 2400;
    struct outcome {
        std::uint64_t hash;
        std::vector<unsigned char> replay;
        std::vector<SAMPLE*> sounds;
        std::size_t ghost_steps;
    };
    auto play = [&](bool with_ghost) {
        reset_game();
        start_run(mora, vela);
        live_run.start(header);
        ghost_in_play = GHOST{};
        for (int i = 0; i < ticks; i++) {
            if (with_ghost && i == ticks / 2) {
                std::string why;
                EXPECT_TRUE(make_ghost(demo, "town", mora, vela, &ghost_in_play, &why)) << why;
            }
            const int p = i % 500;
            run_tick(mora, vela, Keys{p >= 250 && p < 400, p < 200, p % 90 == 0, p % 50 == 0});
            if (i % 60 == 0) draw_frame_sized(target, mora, vela, view_w, view_h, true);
        }
        outcome o{state_hash(mora, vela), live_run.file_bytes(run_outcome(mora, vela), false), heard,
                  ghost_in_play.steps.size()};
        ghost_in_play = GHOST{};
        return o;
    };
    const outcome without = play(false);
    const outcome with = play(true);
    destroy_bitmap(target);
    EXPECT_EQ(with.ghost_steps, demo.ticks.size() + 1) << "the ghost's course: the start and every tick";
    EXPECT_FALSE(without.sounds.empty()) << "the stretch of play makes sounds";
    EXPECT_EQ(with.hash, without.hash);
    EXPECT_TRUE(with.replay == without.replay) << "the replays differ";
    EXPECT_TRUE(with.sounds == without.sounds) << "the ghost was heard";
}

// The demo, recorded in English, verifies in every language with the same end, its frames drawn
// with the HUD in that language all along: the state the replays check holds no word of any
// language.
TEST_F(Playthrough, TheDemoRecordedInEnglishVerifiesInEveryLanguage) {
    REPLAY demo;
    ASSERT_TRUE(read_replay_file("dat/demo.replay", &demo, nullptr));
    PLAYER mora = start_mora();
    PLAYER vela = start_vela();
    BITMAP* target = create_bitmap(view_w, view_h);
    REPLAY_OUTCOME english;
    for (const std::string& lang : every_language()) {
        speak(lang);
        reset_game();
        int frames = 0;
        const VERIFY_RESULT v = verify_replay(demo, mora, vela, [&](const PLAYER& m, const PLAYER& w) {
            if (frames++ % 60) return;
            PLAYER mm = m, ww = w;
            draw_frame_sized(target, mm, ww, view_w, view_h, true);
        });
        EXPECT_TRUE(v.ok) << lang << ": " << v.reason;
        if (lang == "en") english = v.outcome;
        EXPECT_EQ(v.outcome.state_hash, english.state_hash) << lang;
        EXPECT_EQ(v.outcome.score, english.score) << lang;
    }
    speak("en");
    destroy_bitmap(target);
}

// ---- the frame at the start and the shop nearest the start ---------------------------------

// Saves a picture for the window test when OSA_WINDOW_REFS names a directory.
void save_reference(BITMAP* b, const char* name) {
    if (const char* dir = std::getenv("OSA_WINDOW_REFS")) {
        const std::string path = std::string(dir) + "/" + name;
        EXPECT_EQ(save_bitmap(path.c_str(), b, nullptr), 0) << path;
    }
}

// Channel-wise: c lies within 1 of the half-and-half mix of a and b.
bool half_mix(int c, int a, int b) {
    for (int shift = 0; shift <= 16; shift += 8) {
        const int want = (((a >> shift) & 0xFF) + ((b >> shift) & 0xFF)) / 2;
        if (std::abs(((c >> shift) & 0xFF) - want) > 1) return false;
    }
    return true;
}

// The camera's window of the level with the shops and both characters but no HUD, drawn on its
// own in the frame's order.
BITMAP* scene_without_hud(PLAYER& mora, PLAYER& vela) {
    BITMAP* world = create_bitmap(buffer->w, buffer->h);
    clear_to_color(world, 0);
    blit(back, world, iThex / 2, iThey / 2, iThex, iThey, view_w, view_h);
    draw_tiles(world, 0, 0);
    draw_shops(world);
    vela.draw(world, false);
    mora.draw(world, false);
    BITMAP* scene = create_bitmap(view_w, view_h);
    blit(world, scene, iThex, iThey, 0, 0, view_w, view_h);
    destroy_bitmap(world);
    return scene;
}

// Her picture as she stands facing left with clothes look l, on magenta.
BITMAP* standing_left(const PLAYER& mora, int l) {
    PLAYER p = mora;
    p.onground = true;
    p.walking = false;
    p.direction = 2;
    p.look[2] = l;
    BITMAP* b = create_bitmap(32, 64);
    clear_to_color(b, 0xFF00FF);
    p.draw(b, true);
    return b;
}

// Pixels of the sprite (its magenta left out) that differ from the frame at (x, y); and the
// sprite's pixel count in *solid.
int sprite_differs(BITMAP* frame, int x, int y, BITMAP* sprite, int* solid) {
    int differ = 0;
    *solid = 0;
    for (int sy = 0; sy < sprite->h; sy++)
        for (int sx = 0; sx < sprite->w; sx++) {
            const int c = getpixel(sprite, sx, sy);
            if (c == 0xFF00FF) continue;
            (*solid)++;
            differ += getpixel(frame, x + sx, y + sy) != c;
        }
    return differ;
}

TEST_F(Playthrough, TheHudStandsAtTheCameraCornerOverTheStartScene) {
    PLAYER mora = start_mora();
    PLAYER vela = start_vela();
    // As after the title: she has landed and stands; the camera follows her on the game's screen.
    for (int i = 0; i < 600; i++) run_tick(mora, vela, Keys{});
    ASSERT_TRUE(mora.onground);
    camera_follow_in(mora.x, mora.y, view_w, view_h);
    BITMAP* frame = create_bitmap(view_w, view_h);
    draw_frame_sized(frame, mora, vela, view_w, view_h, true);
    solid_mode();
    BITMAP* scene = scene_without_hud(mora, vela);
    ASSERT_STREQ(message, "Mission: upgrade clothes and shoes");

    // Strip: rows 0..10 across the screen; box: columns 0..80 of rows 11..40. Over them every
    // pixel is the half-and-half mix with the scene, or white text; everywhere else the frame is
    // the scene, but for text that runs on past the box.
    int strip = 0, box = 0, wrong = 0, ink_in_line[4] = {};
    for (int y = 0; y < view_h; y++)
        for (int x = 0; x < view_w; x++) {
            const int c = getpixel(frame, x, y), s = getpixel(scene, x, y);
            const bool white = c == 0xFFFFFF;
            if (white && y >= 2 && y < 42) ink_in_line[(y - 2) / 10]++;
            if (y <= 10) {
                if (white) continue;
                strip++;
                wrong += !half_mix(c, 0x990000, s);
            } else if (y <= 40 && x <= 80) {
                if (white) continue;
                box++;
                wrong += !half_mix(c, 0x1111AA, s);
            } else {
                wrong += c != s && !(white && y < 42);
            }
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(strip, view_w * 11 * 3 / 4);
    EXPECT_GT(box, 81 * 30 / 2);
    for (int line = 0; line < 4; line++) EXPECT_GT(ink_in_line[line], 20) << "text line " << line;
    save_reference(scene, "scene.pcx");

    // A district opened is announced in the message line's place for a few seconds of game time:
    // only the strip's text changes, and the run's state (the message line with it) does not.
    const std::uint64_t hash = state_hash(mora, vela);
    announce(SENTENCE{"%s is open!", {"Harbour"}});
    EXPECT_EQ(hud_line(), "Harbour is open!");
    EXPECT_EQ(state_hash(mora, vela), hash);
    BITMAP* announced = create_bitmap(view_w, view_h);
    draw_frame_sized(announced, mora, vela, view_w, view_h, true);
    int strip_text = 0, elsewhere = 0;
    for (int y = 0; y < view_h; y++)
        for (int x = 0; x < view_w; x++) {
            const bool differs = getpixel(announced, x, y) != getpixel(frame, x, y);
            (y <= 10 ? strip_text : elsewhere) += differs;
        }
    EXPECT_GT(strip_text, 40);
    EXPECT_EQ(elsewhere, 0);
    save_reference(announced, "announced.pcx");
    for (int i = 0; i < announcement_ticks; i++) run_tick(mora, vela, Keys{});
    EXPECT_EQ(hud_line(), message) << "the announcement has gone";
    destroy_bitmap(announced);
    destroy_bitmap(scene);
    destroy_bitmap(frame);
}

// The window test's key sequence, run headless: from the start, Left, Up and Space held together
// take her onto the step of the clothes shop, the shop nearest the start, where Up enters it;
// released, she stands in front of it in her new clothes. One entry happens from 242 ticks
// held, the third only from 415: any release between changes her picture.
TEST_F(Playthrough, TheClothesShopNearestTheStartChangesHerPicture) {
    const PLAYER start = start_mora();
    int nearest = -1;
    float nearest_d = 1e9f;
    for (int i = 0; i < 5; i++) {
        const float d = std::fabs(static_cast<float>(shop[i].x + shops[i]->w / 2) - (start.x + 16.0f)) +
                        std::fabs(static_cast<float>(shop[i].y) - (start.y + 64.0f));
        if (d < nearest_d) {
            nearest_d = d;
            nearest = i;
        }
    }
    ASSERT_EQ(nearest, 2) << "the window test expects the clothes shop nearest the start";

    for (int held : {250, 324, 400}) {
        SCOPED_TRACE("keys held " + std::to_string(held) + " ticks");
        reset_game();
        PLAYER mora = start_mora();
        PLAYER vela = start_vela();
        for (int i = 0; i < 600; i++) run_tick(mora, vela, Keys{});
        for (int i = 0; i < held; i++) run_tick(mora, vela, Keys{true, false, true, true});
        for (int i = 0; i < 240; i++) run_tick(mora, vela, Keys{});
        EXPECT_NE(mora.look[2], 1) << "her clothes changed";
        const int unchanged[5] = {0, 0, -1, 1, 1};
        for (int j : {0, 1, 3, 4}) EXPECT_EQ(mora.look[j], unchanged[j]) << "category " << j;
        EXPECT_FALSE(metamorphose);
        EXPECT_TRUE(mora.onground);
        EXPECT_FALSE(mora.walking);
        EXPECT_EQ(mora.direction, 2);
        EXPECT_TRUE(in_shop_window(mora, 2));

        // On the screen she stands at (144, 92): the camera centres her frame and is not clamped.
        camera_follow_in(mora.x, mora.y, view_w, view_h);
        BITMAP* frame = create_bitmap(view_w, view_h);
        draw_frame_sized(frame, mora, vela, view_w, view_h, true);
        solid_mode();
        BITMAP* now_look = standing_left(mora, mora.look[2]);
        BITMAP* old_look = standing_left(mora, 1);
        int solid = 0;
        EXPECT_EQ(sprite_differs(frame, 144, 92, now_look, &solid), 0);
        EXPECT_GT(solid, 0);
        EXPECT_GT(sprite_differs(frame, 144, 92, old_look, &solid), 30) << "the old clothes are gone";
        destroy_bitmap(now_look);
        destroy_bitmap(old_look);
        destroy_bitmap(frame);
    }
    for (int l = 0; l < 3; l++) {
        BITMAP* b = standing_left(start, l);
        save_reference(b, ("look" + std::to_string(l) + ".pcx").c_str());
        destroy_bitmap(b);
    }
}

}  // namespace
