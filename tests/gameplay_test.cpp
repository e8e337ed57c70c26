// Tests of the gameplay: the look cycle and the shops, the change effect, the mission rules with
// level, score and time, and the HUD.
#include <gtest/gtest.h>

#include <allegro.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "characters/player.h"
#include "gameplay/effect.h"
#include "gameplay/hud.h"
#include "gameplay/mission.h"
#include "gameplay/shops.h"
#include "gameplay/tick.h"
#include "core/assets.h"
#include "core/state.h"
#include "test_util.h"
#include "world/camera.h"
#include "world/level.h"

namespace {

// ---- sounds --------------------------------------------------------------------------------

struct Played {
    SAMPLE* sample;
    int vol, pan, freq, loop;
};
std::vector<Played> played;
void record_sound(SAMPLE* s, int vol, int pan, int freq, int loop) { played.push_back({s, vol, pan, freq, loop}); }

// Distinct stand-ins for the two samples of the rules: only their identity is looked at.
SAMPLE change_stand_in{};
SAMPLE vela_stand_in{};

// ---- characters ----------------------------------------------------------------------------

// The two characters are cut from the shipped datafiles once; every test works on copies, so the
// global frame stores are filled only once.
const PLAYER& mora_prototype() {
    init_headless_allegro();
    static PLAYER p(800.0f, 480.0f, (build_dir() + "/dat/mora.dat").c_str(), 2);
    return p;
}
const PLAYER& vela_prototype() {
    init_headless_allegro();
    static PLAYER p(896.0f, 480.0f, (build_dir() + "/dat/vela.dat").c_str(), 3);
    return p;
}

int next_look(int l) { return (l + 1) % 3; } // the cycle, written out independently of upgrade

// The player dressed exactly one step ahead of the partner in every category.
void dress_ahead(PLAYER& player, const PLAYER& partner) {
    for (int i = 0; i < 5; i++) player.look[i] = next_look(partner.look[i]);
}

// ---- pictures ------------------------------------------------------------------------------

int pixel(BITMAP* b, int x, int y) { return getpixel(b, x, y); }

// An RLE sprite w x h of one colour.
RLE_SPRITE* solid_sprite(int w, int h, int colour) {
    BITMAP* b = create_bitmap(w, h);
    clear_to_color(b, colour);
    RLE_SPRITE* s = get_rle_sprite(b);
    destroy_bitmap(b);
    return s;
}

// Channel-wise: c lies within 1 of the half-and-half mix of a and b.
bool half_mix(int c, int a, int b) {
    for (int shift = 0; shift <= 16; shift += 8) {
        const int want = (((a >> shift) & 0xFF) + ((b >> shift) & 0xFF)) / 2;
        if (std::abs(((c >> shift) & 0xFF) - want) > 1) return false;
    }
    return true;
}

// ---- the fixture ---------------------------------------------------------------------------

class Gameplay : public ::testing::Test {
protected:
    PLAYER mora = mora_prototype();
    PLAYER vela = vela_prototype();
    RLE_SPRITE* saved_shops[5] = {};
    SHOP_POS saved_shop[5] = {};
    BITMAP* saved_before = nullptr;
    BITMAP* saved_now = nullptr;
    DATAFILE* saved_font1 = nullptr;
    SAMPLE* saved_change = nullptr;
    SAMPLE* saved_velachange = nullptr;
    std::vector<RLE_SPRITE*> own_sprites;

    void SetUp() override {
        init_headless_allegro();
        start_rules();
        iThex = 0;
        iThey = 0;
        std::memset(const_cast<char*>(key), 0, KEY_MAX);
        played.clear();
        sound_hook = record_sound;
        for (int i = 0; i < 5; i++) {
            saved_shops[i] = shops[i];
            saved_shop[i] = shop[i];
        }
        saved_before = before;
        saved_now = now;
        saved_font1 = font1;
        saved_change = change;
        saved_velachange = velachange;
        change = &change_stand_in;
        velachange = &vela_stand_in;
        before = create_bitmap(32, 64);
        now = create_bitmap(32, 64);
    }

    void TearDown() override {
        sound_hook = nullptr;
        destroy_bitmap(before);
        destroy_bitmap(now);
        for (RLE_SPRITE* s : own_sprites) destroy_rle_sprite(s);
        for (int i = 0; i < 5; i++) {
            shops[i] = saved_shops[i];
            shop[i] = saved_shop[i];
        }
        before = saved_before;
        now = saved_now;
        font1 = saved_font1;
        change = saved_change;
        velachange = saved_velachange;
        solid_mode();
    }

    // Shop i as a w x h picture of one colour standing on the floor line y.
    void place_shop(int i, int x, int y, int w = 64, int h = 96, int colour = 0x808080) {
        RLE_SPRITE* s = solid_sprite(w, h, colour);
        own_sprites.push_back(s);
        shops[i] = s;
        shop[i] = {x, y};
    }
    // Every shop far out of reach, so that a test places only the ones it needs.
    void shops_far_away() {
        for (int i = 0; i < 5; i++) place_shop(i, 20000, 20000);
    }

    void up(bool held) { key[KEY_UP] = held ? 1 : 0; }
    int plays_of(const SAMPLE* s) const {
        int n = 0;
        for (const Played& p : played) n += p.sample == s;
        return n;
    }
};

// ==== the look cycle ========================================================================

TEST_F(Gameplay, UpgradeFollowsTheCycleAndLeavesOtherValues) {
    const struct { int from, to; } table[] = {{0, 1}, {1, 2}, {2, 0}, {3, 3}, {-1, -1}, {7, 7}};
    for (const auto& row : table) {
        int level = row.from;
        upgrade(level);
        EXPECT_EQ(level, row.to) << "from " << row.from;
    }
}

TEST_F(Gameplay, ParemIsOneExactlyForTheThreeStepsOfTheCycle) {
    for (int a = -1; a <= 3; a++)
        for (int b = -1; b <= 3; b++) {
            const bool in_range = a >= 0 && a <= 2 && b >= 0 && b <= 2;
            const int want = in_range && a == (b + 1) % 3 ? 1 : 0;
            EXPECT_EQ(parem(a, b), want) << "parem(" << a << ", " << b << ")";
        }
}

// ==== shops: the window =====================================================================

// Shop 1 (hair) at x 200 with an odd width 65: the middle is 200 + 65 / 2 = 232 (toward zero),
// so the window holds 212 < x + 16 < 252 and 272 < y + 10, y + 60 < 400 (floor line 400).
struct WindowCase {
    float x, y;
    bool inside;
    const char* what;
};
const WindowCase window_cases[] = {
    {216.0f, 300.0f, true, "the middle"},
    {196.0f, 300.0f, false, "x + 16 exactly cx - 20"},
    {196.25f, 300.0f, true, "just right of the left limit"},
    {236.0f, 300.0f, false, "x + 16 exactly cx + 20"},
    {235.75f, 300.0f, true, "just left of the right limit"},
    {196.3f, 300.0f, true, "cx is an integer: 212.3 is inside"},
    {216.0f, 262.0f, false, "y + 10 exactly floor - 128"},
    {216.0f, 262.25f, true, "just below the top limit"},
    {216.0f, 340.0f, false, "y + 60 exactly the floor line"},
    {216.0f, 339.75f, true, "just above the floor line"},
    {150.0f, 300.0f, false, "far left"},
    {216.0f, 420.0f, false, "below the floor"},
};

TEST_F(Gameplay, ShopWindowLimitsAreStrict) {
    ASSERT_TRUE(mora.has_frames());
    shops_far_away();
    place_shop(1, 200, 400, 65, 96);
    up(true);
    for (const WindowCase& c : window_cases) {
        PLAYER p = mora;
        p.x = c.x;
        p.y = c.y;
        p.look[1] = 0;
        metamorphose = false;
        metafactor = 0;
        played.clear();
        check_shops(p);
        EXPECT_EQ(metamorphose, c.inside) << c.what;
        EXPECT_EQ(p.look[1], c.inside ? 1 : 0) << c.what;
        EXPECT_EQ(plays_of(&change_stand_in), c.inside ? 1 : 0) << c.what;
    }
}

TEST_F(Gameplay, UpNotHeldOrOutsideEveryWindowDoesNothing) {
    shops_far_away();
    place_shop(2, 200, 400);
    mora.x = 216.0f;
    mora.y = 300.0f;
    mora.walking = true;
    up(false);
    check_shops(mora);
    EXPECT_FALSE(metamorphose);
    EXPECT_EQ(mora.look[2], 1);
    EXPECT_TRUE(mora.walking);

    mora.x = 600.0f;
    up(true);
    check_shops(mora);
    EXPECT_FALSE(metamorphose);
    EXPECT_EQ(mora.look[2], 1);
    EXPECT_TRUE(played.empty());
}

// ==== shops: entering =======================================================================

TEST_F(Gameplay, EnteringCapturesBothLooksAdvancesTheCategoryAndPlaysTheChange) {
    ASSERT_TRUE(mora.has_frames());
    shops_far_away();
    place_shop(1, 200, 400);
    mora.x = 216.0f;
    mora.y = 300.0f;
    mora.walking = true;
    // Whatever the bitmaps held before is cleared away first.
    clear_to_color(before, 0x123456);
    clear_to_color(now, 0x123456);

    // The pictures the effect must show, drawn independently on magenta.
    BITMAP* want_before = create_bitmap(32, 64);
    BITMAP* want_now = create_bitmap(32, 64);
    PLAYER old_look = mora;
    old_look.walking = false;
    PLAYER new_look = old_look;
    new_look.look[1] = 1;
    clear_to_color(want_before, 0xFF00FF);
    clear_to_color(want_now, 0xFF00FF);

    up(true);
    check_shops(mora);
    // Drawn after the entry: the frame depends on walking, which the entry clears only after
    // drawing `before`; so `before` shows her still walking.
    PLAYER walking_old = old_look;
    walking_old.walking = true;
    walking_old.draw(want_before, true);
    new_look.walking = true;
    new_look.draw(want_now, true);

    EXPECT_TRUE(metamorphose);
    EXPECT_EQ(metafactor, 0);
    EXPECT_EQ(mora.look[1], 1);
    EXPECT_FALSE(mora.walking);
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].sample, &change_stand_in);
    EXPECT_EQ(played[0].vol, 255);
    EXPECT_EQ(played[0].pan, 128);
    EXPECT_EQ(played[0].freq, 1000);
    EXPECT_EQ(played[0].loop, 0);

    int differing_before = 0, differing_now = 0, looks_differ = 0;
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 32; x++) {
            differing_before += pixel(before, x, y) != pixel(want_before, x, y);
            differing_now += pixel(now, x, y) != pixel(want_now, x, y);
            looks_differ += pixel(before, x, y) != pixel(now, x, y);
        }
    EXPECT_EQ(differing_before, 0);
    EXPECT_EQ(differing_now, 0);
    EXPECT_GT(looks_differ, 0) << "the hair looks 0 and 1 are drawn alike";
    destroy_bitmap(want_before);
    destroy_bitmap(want_now);
}

TEST_F(Gameplay, EffectLasts86TicksAndAHeldUpEntersAgainEvery87) {
    ASSERT_TRUE(mora.has_frames());
    shops_far_away();
    place_shop(3, 200, 400);
    mora.x = 216.0f;
    mora.y = 300.0f;
    up(true);

    std::vector<int> entry_ticks;
    for (int tick = 0; tick < 3 * 87 + 10; tick++) {
        const int before_look = mora.look[3];
        check_shops(mora);
        if (mora.look[3] != before_look) entry_ticks.push_back(tick);
        if (tick == 0) {
            EXPECT_TRUE(metamorphose);
            EXPECT_EQ(metafactor, 0);
        }
        if (tick == 85) {
            EXPECT_TRUE(metamorphose);
            EXPECT_EQ(metafactor, 255);
        }
        if (tick == 86) {
            EXPECT_FALSE(metamorphose) << "the effect lasts 86 ticks";
            EXPECT_EQ(metafactor, 0);
        }
    }
    EXPECT_EQ(entry_ticks, (std::vector<int>{0, 87, 174, 261}));
    // Three entries bring the look back to where it started; the fourth moves it on again.
    EXPECT_EQ(mora.look[3], next_look(1));
    EXPECT_EQ(plays_of(&change_stand_in), 4);
}

TEST_F(Gameplay, UpWhileTheEffectPlaysOnlyLetsItGoOn) {
    shops_far_away();
    place_shop(0, 200, 400);
    mora.x = 216.0f;
    mora.y = 300.0f;
    metamorphose = true;
    metafactor = 90;
    up(true);
    check_shops(mora);
    EXPECT_EQ(metafactor, 93);
    EXPECT_EQ(mora.look[0], 0);
    EXPECT_TRUE(played.empty());
}

TEST_F(Gameplay, EveryShopWhoseWindowHoldsHerIsEnteredInIndexOrder) {
    ASSERT_TRUE(mora.has_frames());
    shops_far_away();
    place_shop(1, 200, 400); // hair and shoes share one window
    place_shop(3, 200, 400);
    mora.x = 216.0f;
    mora.y = 300.0f;
    up(true);
    check_shops(mora);
    EXPECT_EQ(mora.look[1], 1);
    EXPECT_EQ(mora.look[3], 2);
    EXPECT_EQ(plays_of(&change_stand_in), 2);

    // In index order: the second entry drew `before` after the hair had changed, so `before`
    // shows new hair with the old shoes, and `now` both new.
    PLAYER hair_done = mora_prototype();
    hair_done.look[1] = 1;
    BITMAP* want = create_bitmap(32, 64);
    clear_to_color(want, 0xFF00FF);
    hair_done.draw(want, true);
    int differing = 0;
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 32; x++) differing += pixel(before, x, y) != pixel(want, x, y);
    EXPECT_EQ(differing, 0);
    destroy_bitmap(want);
}

// ==== shops: drawing ========================================================================

TEST_F(Gameplay, ShopsStandOnTheirFloorLineTheHandbagShop4PixelsLower) {
    const int colours[5] = {0x110000, 0x220000, 0x330000, 0x440000, 0x550000};
    for (int i = 0; i < 5; i++) place_shop(i, 40 + 100 * i, 300, 64, 80, colours[i]);
    BITMAP* world = create_bitmap(600, 400);
    clear_to_color(world, 0);
    draw_shops(world);
    for (int i = 0; i < 5; i++) {
        const int x = 40 + 100 * i;
        const int drop = i == 4 ? 4 : 0;
        const int top = 300 - 80 + drop;
        EXPECT_EQ(pixel(world, x, top), colours[i]) << "shop " << i;
        EXPECT_EQ(pixel(world, x + 63, top + 79), colours[i]) << "shop " << i;
        EXPECT_EQ(pixel(world, x, top - 1), 0) << "shop " << i;
        EXPECT_EQ(pixel(world, x, top + 80), 0) << "shop " << i;
        EXPECT_EQ(pixel(world, x + 64, top), 0) << "shop " << i;
    }
    destroy_bitmap(world);
}

TEST_F(Gameplay, TheHandbagShopsWindowDoesNotMove) {
    ASSERT_TRUE(mora.has_frames());
    shops_far_away();
    place_shop(4, 200, 400);
    mora.x = 216.0f;
    mora.y = 340.0f; // y + 60 exactly the floor line: outside, as for every other shop
    up(true);
    check_shops(mora);
    EXPECT_FALSE(metamorphose);
    mora.y = 339.75f;
    check_shops(mora);
    EXPECT_TRUE(metamorphose);
    EXPECT_EQ(mora.look[4], 2);
}

// ==== the change effect =====================================================================

TEST_F(Gameplay, EffectIsDrawnWherePlayerDrawPutsHerAndFadesFromBeforeToNow) {
    const int background = 0x000000;
    const int old_colour = 0xC02000;
    const int new_colour = 0x0020C0;
    clear_to_color(before, old_colour);
    clear_to_color(now, new_colour);
    putpixel(before, 5, 5, 0xFF00FF); // a transparent pixel in both pictures
    putpixel(now, 5, 5, 0xFF00FF);
    mora.x = 100.7f;
    mora.y = 200.9f;

    struct { int factor, inside; } table[] = {{0, old_colour}, {255, new_colour}};
    for (const auto& row : table) {
        BITMAP* world = create_bitmap(300, 300);
        clear_to_color(world, background);
        metafactor = row.factor;
        draw_effect(world, mora);
        EXPECT_EQ(pixel(world, 100, 204), row.inside) << "factor " << row.factor;
        EXPECT_EQ(pixel(world, 131, 267), row.inside) << "factor " << row.factor;
        EXPECT_EQ(pixel(world, 99, 204), background);
        EXPECT_EQ(pixel(world, 100, 203), background);
        EXPECT_EQ(pixel(world, 132, 267), background);
        EXPECT_EQ(pixel(world, 100, 268), background);
        EXPECT_EQ(pixel(world, 105, 209), background) << "magenta is left out";
        destroy_bitmap(world);
    }

    // Half way, each look is mixed in by its own weight: old by 255 - f over the background,
    // then new by f over that.
    BITMAP* world = create_bitmap(300, 300);
    clear_to_color(world, background);
    metafactor = 128;
    draw_effect(world, mora);
    const int c = pixel(world, 110, 220);
    EXPECT_NEAR((c >> 16) & 0xFF, 0xC0 * 127 / 255 * 127 / 255, 3);
    EXPECT_NEAR((c >> 8) & 0xFF, 0x20 * 127 / 255 * 127 / 255 + 0x20 * 128 / 255, 3);
    EXPECT_NEAR(c & 0xFF, 0xC0 * 128 / 255, 3);
    destroy_bitmap(world);
}

// ==== the HUD ===============================================================================

// The library's own 8 x 8 font as object 0 of a font datafile.
DATAFILE builtin_font_datafile[2];

class Hud : public Gameplay {
protected:
    void SetUp() override {
        Gameplay::SetUp();
        builtin_font_datafile[0] = {font, DAT_FONT, 0, nullptr};
        builtin_font_datafile[1] = {nullptr, DAT_END, 0, nullptr};
        font1 = builtin_font_datafile;
    }
    // The pixels the text would leave in its colour (white unless said), drawn alone at the same
    // place.
    static void expect_text(BITMAP* hud, const std::string& text, int x, int y, int colour = 0xFFFFFF) {
        BITMAP* alone = create_bitmap(hud->w, hud->h);
        clear_to_color(alone, 0);
        textout_ex(alone, font, text.c_str(), x, y, colour, -1);
        int ink = 0, wrong = 0;
        for (int py = y; py < y + text_height(font); py++)
            for (int px = x; px < x + text_length(font, text.c_str()) && px < hud->w; px++)
                if (pixel(alone, px, py) == colour) {
                    ink++;
                    wrong += pixel(hud, px, py) != colour;
                }
        EXPECT_GT(ink, 0) << text;
        EXPECT_EQ(wrong, 0) << "\"" << text << "\" at (" << x << ", " << y << ")";
        destroy_bitmap(alone);
    }
};

TEST_F(Hud, StripAndBoxAreMixedHalfAndHalfAtTheCameraAndTheTextIsWhite) {
    const int ground = 0x204060;
    BITMAP* world = create_bitmap(800, 600);
    clear_to_color(world, ground);
    iThex = 130;
    iThey = 70;
    const int X = 130, Y = 70;
    add_message("Mission: upgrade clothes and shoes");
    the_time = 60;
    timer = 0;
    tase = 0;
    score = 0;
    // The strip is as wide as the game's picture, not the screen (there is none here).
    ASSERT_EQ(SCREEN_W, 0);
    disp_message(world);

    // The strip: (X, Y) to (X + 320, Y + 10), both corners included.
    EXPECT_TRUE(half_mix(pixel(world, X + 300, Y), 0x990000, ground));
    EXPECT_TRUE(half_mix(pixel(world, X + 320, Y + 10), 0x990000, ground));
    EXPECT_TRUE(half_mix(pixel(world, X, Y + 10), 0x990000, ground));
    EXPECT_EQ(pixel(world, X + 321, Y + 5), ground);
    EXPECT_EQ(pixel(world, X - 1, Y + 5), ground);
    EXPECT_EQ(pixel(world, X + 200, Y - 1), ground);
    EXPECT_EQ(pixel(world, X + 200, Y + 11), ground);
    // The box: (X, Y + 11) to (X + 80, Y + 40), or as far right as its widest line needs (this
    // font's 8 pixels a letter make "Time : 60 sec" wider than 80; the game's own font does not).
    const int right = X + std::max(80, 2 + text_length(font, "Time : 60 sec"));
    EXPECT_TRUE(half_mix(pixel(world, X, Y + 11), 0x1111AA, ground));
    EXPECT_TRUE(half_mix(pixel(world, right, Y + 40), 0x1111AA, ground));
    EXPECT_TRUE(half_mix(pixel(world, right - 1, Y + 39), 0x1111AA, ground));
    EXPECT_EQ(pixel(world, right + 1, Y + 20), ground);
    EXPECT_EQ(pixel(world, X + 40, Y + 41), ground);
    // Four lines, white, in their places.
    expect_text(world, "Mission: upgrade clothes and shoes", X + 2, Y + 2);
    expect_text(world, "Time : 60 sec", X + 2, Y + 12);
    expect_text(world, "Level: 0", X + 2, Y + 22);
    expect_text(world, "Score: 0", X + 2, Y + 32);
    destroy_bitmap(world);
}

TEST_F(Hud, NumbersAreSignedAndTheTimeLineShowsWhatIsLeft) {
    BITMAP* world = create_bitmap(400, 300);
    clear_to_color(world, 0);
    the_time = 64;
    timer = 69;
    tase = 3;
    score = -11;
    disp_message_width(world, 320);
    expect_text(world, "Welcome!", 2, 2);
    expect_text(world, "Time : -5 sec", 2, 12);
    expect_text(world, "Level: 3", 2, 22);
    expect_text(world, "Score: -11", 2, 32);
    destroy_bitmap(world);
}

// The timer: right-aligned 2 pixels from the picture's right edge, its lines 10 apart from the
// row below the strip; the run's game time, then the mission's, or for 3 s after a split its
// judgement in its colour.
TEST_F(Hud, TheTimerStandsTopRightBelowTheStripAndASplitShowsInItsColour) {
    BITMAP* world = create_bitmap(400, 300);
    auto draw = [&] {
        clear_to_color(world, 0);
        disp_timer(world, 320);
    };
    auto right_aligned = [&](const char* text, int y, int colour = 0xFFFFFF) {
        expect_text(world, text, 318 - text_length(font, text), y, colour);
    };
    hud_timer = hud_timer_mission;
    run_ticks = 2 * 60 * 120 + 5 * 120 + 90;  // 2:05.75
    run_splits = {60 * 120 + 60};             // 1:00.50, so the mission has taken 1:05.25
    split_note = SPLIT_NOTE{};
    draw();
    right_aligned("2:05.75", 12);
    right_aligned("1:05.25", 22);
    int above = 0, left = 0;
    for (int x = 0; x < 400; x++)
        for (int y = 0; y < 11; y++) above += pixel(world, x, y) != 0;
    for (int x = 0; x < 240; x++)
        for (int y = 0; y < 300; y++) left += pixel(world, x, y) != 0;
    EXPECT_EQ(above, 0) << "nothing on the strip's rows";
    EXPECT_EQ(left, 0) << "nothing near the HUD's box";

    // A split 1.5 s ago, 1.25 s ahead of the best run's and the quickest mission ever.
    run_splits.push_back(run_ticks - 180);
    split_note = SPLIT_NOTE{1, true, -150, SPLIT_LOOK::gold};
    draw();
    right_aligned("2:05.75", 12);
    right_aligned("-0:01.25", 22, gold_colour);
    split_note = SPLIT_NOTE{1, true, 130, SPLIT_LOOK::behind};
    draw();
    right_aligned("+0:01.08", 22, behind_colour);
    // A note of another split: this split's own game time, in white.
    split_note = SPLIT_NOTE{0, true, -10, SPLIT_LOOK::ahead};
    draw();
    right_aligned("2:04.25", 22);
    // Three seconds on, the mission's time again.
    run_ticks += 180;
    draw();
    right_aligned("0:03.00", 22);
    hud_timer = hud_timer_run;
    draw();
    int second_line = 0;
    for (int x = 240; x < 400; x++)
        for (int y = 22; y < 32; y++) second_line += pixel(world, x, y) == 0xFFFFFF;
    EXPECT_EQ(second_line, 0) << "the run's time alone";
    hud_timer = hud_timer_off;
    draw();
    int drawn = 0;
    for (int x = 0; x < 400; x++)
        for (int y = 0; y < 300; y++) drawn += pixel(world, x, y) != 0;
    EXPECT_EQ(drawn, 0) << "no timer at all";
    run_ticks = 0;
    run_splits.clear();
    split_note = SPLIT_NOTE{};
    destroy_bitmap(world);
}

TEST_F(Hud, TheShippedFontIsAFontAtObjectZero) {
    DATAFILE* shipped = load_datafile((build_dir() + "/dat/font.dat").c_str());
    ASSERT_NE(shipped, nullptr);
    EXPECT_EQ(shipped[0].type, DAT_FONT);
    font1 = shipped;
    BITMAP* world = create_bitmap(400, 300);
    clear_to_color(world, 0);
    disp_message_width(world, 320);
    int white = 0;
    for (int y = 2; y < 10; y++)
        for (int x = 2; x < 80; x++) white += pixel(world, x, y) == 0xFFFFFF;
    EXPECT_GT(white, 0) << "the message is written in white";
    destroy_bitmap(world);
    font1 = saved_font1;
    unload_datafile(shipped);
}

TEST_F(Hud, AddMessageCutsLongTextsAt99Characters) {
    const std::string long_text(150, 'x');
    add_message(long_text.c_str());
    EXPECT_EQ(std::strlen(message), 99u);
    EXPECT_EQ(std::string(message), long_text.substr(0, 99));

    const std::string fits(99, 'y');
    add_message(fits.c_str());
    EXPECT_EQ(std::string(message), fits);

    add_message("");
    EXPECT_STREQ(message, "");
    add_message("Welcome!");
    EXPECT_STREQ(message, "Welcome!");
}

// ==== missions: texts =======================================================================

// The text an oracle builds: "Mission: upgrade", a blank and the first word, " and " before
// every further word.
std::string mission_text(const std::vector<int>& missing) {
    static const char* words[5] = {"make-up", "hair", "clothes", "shoes", "handbag"};
    std::string s = "Mission: upgrade";
    for (size_t n = 0; n < missing.size(); n++) s += (n == 0 ? " " : " and ") + std::string(words[missing[n]]);
    return s;
}

struct TextCase {
    std::vector<int> missing;
    const char* text;
};
const TextCase text_cases[] = {
    {{1}, "Mission: upgrade hair"},
    {{2, 3}, "Mission: upgrade clothes and shoes"},
    {{2, 3, 4}, "Mission: upgrade clothes and shoes and handbag"},
    {{0, 4}, "Mission: upgrade make-up and handbag"},
    {{0, 1, 2, 3, 4}, "Mission: upgrade make-up and hair and clothes and shoes and handbag"},
};

TEST_F(Gameplay, MissionTextNamesTheMissingCategoriesInOrder) {
    for (const TextCase& c : text_cases) {
        dress_ahead(mora, vela);
        // A category equal to the partner's, or one behind, is missing; alternate the two.
        bool equal = true;
        for (int i : c.missing) {
            mora.look[i] = equal ? vela.look[i] : (vela.look[i] + 2) % 3;
            equal = !equal;
        }
        game_state = 1;
        handle_vela_stuff(mora, vela);
        EXPECT_EQ(game_state, 1);
        EXPECT_EQ(std::string(message), c.text);
        EXPECT_EQ(std::string(message), mission_text(c.missing));
    }
    EXPECT_EQ(std::strlen(text_cases[4].text), 67u);
}

TEST_F(Gameplay, AMissionTextTooLongForTheLineIsCutAt99Characters) {
    char saved[5][50];
    std::memcpy(saved, names, sizeof saved);
    std::vector<std::string> words;
    for (int i = 0; i < 5; i++) {
        words.push_back(std::string(49, static_cast<char>('a' + i)));
        std::strcpy(names[i], words.back().c_str());
    }
    dress_ahead(mora, vela);
    for (int i = 0; i < 5; i++) mora.look[i] = vela.look[i]; // every category missing
    handle_vela_stuff(mora, vela);
    std::string full = "Mission: upgrade";
    for (int i = 0; i < 5; i++) full += (i == 0 ? " " : " and ") + words[static_cast<size_t>(i)];
    EXPECT_EQ(std::string(message), full.substr(0, 99));
    EXPECT_EQ(game_state, 1);
    std::memcpy(names, saved, sizeof saved);
}

TEST_F(Gameplay, StartingOutfitsAskForClothesAndShoes) {
    EXPECT_STREQ(message, "Welcome!");
    handle_vela_stuff(mora, vela);
    EXPECT_STREQ(message, "Mission: upgrade clothes and shoes");
    EXPECT_EQ(game_state, 1);
}

// ==== missions: states ======================================================================

TEST_F(Gameplay, FulfilledMissionGoesTo3AndKeepsTheTextForThatTick) {
    handle_vela_stuff(mora, vela);
    dress_ahead(mora, vela);
    handle_vela_stuff(mora, vela);
    EXPECT_EQ(game_state, 3);
    EXPECT_STREQ(message, "Mission: upgrade clothes and shoes");
    mora.x = 0.0f; // far from her: the state stays 3
    handle_vela_stuff(mora, vela);
    EXPECT_EQ(game_state, 3);
    EXPECT_STREQ(message, "Mission: return to Vela!");
}

struct NearCase {
    float dx, dy;
    bool near;
    const char* what;
};
const NearCase near_cases[] = {
    {0.0f, 0.0f, true, "on her"},
    {-128.0f, 0.0f, false, "exactly 128 left"},
    {-127.5f, 0.0f, true, "just within 128 left"},
    {64.0f, 0.0f, false, "exactly 64 right"},
    {63.5f, 0.0f, true, "just within 64 right"},
    {0.0f, -24.0f, false, "exactly 24 above"},
    {0.0f, 24.0f, false, "exactly 24 below"},
    {0.0f, -23.5f, true, "just within 24 above"},
    {0.0f, 23.5f, true, "just within 24 below"},
    {-127.5f, 23.5f, true, "the lower left corner"},
};

TEST_F(Gameplay, ReturnWindowLimitsAreStrict) {
    for (const NearCase& c : near_cases) {
        PLAYER p = mora;
        dress_ahead(p, vela);
        p.x = vela.x + c.dx;
        p.y = vela.y + c.dy;
        game_state = 3;
        handle_vela_stuff(p, vela);
        EXPECT_EQ(game_state, c.near ? 4 : 3) << c.what;
        EXPECT_STREQ(message, "Mission: return to Vela!") << c.what;
    }
}

TEST_F(Gameplay, ACategorySpoiledAfterTheFulfilmentSendsState4BackTo1InOneTick) {
    dress_ahead(mora, vela);
    mora.x = vela.x;
    mora.y = vela.y;
    game_state = 3;
    handle_vela_stuff(mora, vela);
    ASSERT_EQ(game_state, 4);
    upgrade(mora.look[2]); // a shop visit after the fulfilment
    mora.walking = true;
    const float vela_x = vela.x;
    handle_vela_stuff(mora, vela);
    EXPECT_EQ(game_state, 1);
    EXPECT_STREQ(message, "Mission: return to Vela!");
    EXPECT_EQ(vela.x, vela_x);
    EXPECT_EQ(xcount, 0);
    EXPECT_EQ(tase, 0);
    EXPECT_TRUE(mora.walking);
    EXPECT_TRUE(played.empty());
    handle_vela_stuff(mora, vela);
    EXPECT_STREQ(message, "Mission: upgrade clothes");
}

TEST_F(Gameplay, UnusedStatesDoNothing) {
    for (int state : {0, 2, 5, -1}) {
        game_state = state;
        const PLAYER m = mora, v = vela;
        handle_vela_stuff(mora, vela);
        EXPECT_EQ(game_state, state);
        EXPECT_STREQ(message, "Welcome!");
        EXPECT_EQ(std::memcmp(&m, &mora, sizeof m), 0);
        EXPECT_EQ(std::memcmp(&v, &vela, sizeof v), 0);
    }
}

// ==== missions: the partner's change ========================================================

TEST_F(Gameplay, FirstFulfilmentWalksChangesAndSettlesScoreAndTime) {
    dress_ahead(mora, vela);
    mora.x = vela.x - 40.0f;
    mora.y = vela.y;
    mora.walking = true;
    timer = 20;
    game_state = 4;
    const float start_x = vela.x;
    const int start_look[5] = {vela.look[0], vela.look[1], vela.look[2], vela.look[3], vela.look[4]};
    iThex = static_cast<int>(start_x) + frame_w / 2 - view_w / 2;  // she starts mid-screen

    int ticks = 0;
    while (game_state == 4 && ticks < 1000) {
        handle_vela_stuff(mora, vela);
        ticks++;
        if (ticks == 1) {
            EXPECT_STREQ(message, "Wait - Vela upgrading");
            EXPECT_FALSE(mora.walking);
        }
        if (ticks <= 65) {
            EXPECT_EQ(vela.x, start_x + ticks) << "tick " << ticks;
            EXPECT_EQ(vela.direction, 1);
            EXPECT_TRUE(vela.walking);
            EXPECT_EQ(tase, 0) << "tick " << ticks;
            EXPECT_EQ(timer.load(), 20);
        } else if (ticks <= 128) {
            EXPECT_EQ(vela.x, start_x + 65 - (ticks - 65)) << "tick " << ticks;
            EXPECT_EQ(vela.direction, 2);
            EXPECT_TRUE(vela.walking);
        }
        if (ticks == 66) {
            EXPECT_EQ(tase, 1);
            EXPECT_EQ(score, 40);
            EXPECT_EQ(the_time, 64);
            EXPECT_EQ(timer.load(), 0);
            ASSERT_EQ(played.size(), 1u);
            EXPECT_EQ(played[0].sample, &vela_stand_in);
            EXPECT_EQ(played[0].vol, 255);
            EXPECT_GT(played[0].pan, 128);  // heard right of the middle, where she has walked to
            EXPECT_LT(played[0].pan, 255);
            EXPECT_EQ(played[0].freq, 1000);
            EXPECT_EQ(played[0].loop, 0);
        }
    }
    EXPECT_EQ(ticks, 129) << "state 4 lasts 129 ticks";
    EXPECT_EQ(game_state, 1);
    EXPECT_EQ(xcount, 0);
    EXPECT_EQ(vela.x, start_x + 2.0f);
    EXPECT_EQ(vela.direction, 2);
    EXPECT_FALSE(vela.walking);
    EXPECT_EQ(played.size(), 1u);
    // Row 1: make-up and hair move on, the rest stays.
    const int row1[5] = {1, 1, 0, 0, 0};
    for (int j = 0; j < 5; j++) EXPECT_EQ(vela.look[j], row1[j] ? next_look(start_look[j]) : start_look[j]);
    handle_vela_stuff(mora, vela);
    EXPECT_STREQ(message, "Mission: upgrade make-up and hair");
}

// Runs the partner's change from state 4 to its end; returns the ticks it took.
int run_change(PLAYER& mora, PLAYER& vela) {
    game_state = 4;
    int ticks = 0;
    while (game_state == 4 && ticks < 1000) {
        handle_vela_stuff(mora, vela);
        ticks++;
    }
    return ticks;
}

TEST_F(Gameplay, LateFulfilmentLowersTheScore) {
    dress_ahead(mora, vela);
    tase = 1;
    the_time = 64;
    timer = 75;
    score = 100;
    run_change(mora, vela);
    EXPECT_EQ(score, 89);
    EXPECT_EQ(tase, 2);
    EXPECT_EQ(the_time, 64 + 3 * 3 - 2 * 2);
}

// The table of missions: what each level asks for when the player changes only what the last
// mission asked, and the allowance after the fulfilment that reaches it.
struct LevelRow {
    int level;
    std::vector<int> named;
    int allowance;
};
const LevelRow level_rows[] = {
    {0, {2, 3}, 60},       {1, {0, 1}, 64},       {2, {2, 3, 4}, 69},   {3, {2, 3, 4}, 72},
    {4, {0, 1, 4}, 73},    {5, {0, 1, 2, 3}, 75}, {6, {0, 2, 3, 4}, 75},
    // From level 7 on the rows come again from row 1, and so do the allowances.
    {7, {0, 1}, 64},       {8, {2, 3, 4}, 69},    {9, {2, 3, 4}, 72},   {10, {0, 1, 4}, 73},
    {11, {0, 1, 2, 3}, 75}, {12, {0, 2, 3, 4}, 75},
};

TEST_F(Gameplay, MissionsFollowTheTableLevelByLevel) {
    for (const LevelRow& row : level_rows) {
        SCOPED_TRACE("level " + std::to_string(row.level));
        EXPECT_EQ(tase, row.level);
        EXPECT_EQ(the_time, row.allowance);
        game_state = 1;
        handle_vela_stuff(mora, vela);
        EXPECT_EQ(std::string(message), mission_text(row.named));
        for (int i : row.named) mora.look[i] = next_look(mora.look[i]); // one shop visit each
        handle_vela_stuff(mora, vela);
        ASSERT_EQ(game_state, 3);
        timer = 0;
        EXPECT_EQ(run_change(mora, vela), 129);
    }
}

TEST_F(Gameplay, FromTheSeventhFulfilmentOnTheRowsComeAgainFromRow1) {
    const char table[7][5] = {{0, 0, 1, 1, 0}, {1, 1, 0, 0, 0}, {0, 0, 1, 1, 1}, {0, 0, 1, 1, 1},
                              {1, 1, 0, 0, 1}, {1, 1, 1, 1, 0}, {1, 0, 1, 1, 1}};
    EXPECT_EQ(std::memcmp(table, list, sizeof table), 0);
    ASSERT_EQ(the_time, 60);
    int allowance_at[7] = {60};  // after the fulfilment that reached level 1..6
    for (int L = 1; L <= 20; L++) {
        SCOPED_TRACE("level " + std::to_string(L));
        dress_ahead(mora, vela);
        const int row = (L - 1) % 6 + 1;
        int want[5], k = 0;
        for (int j = 0; j < 5; j++) {
            want[j] = table[row][j] ? next_look(vela.look[j]) : vela.look[j];
            k += table[row][j];
        }
        const int allowance = the_time;
        timer = 0;
        const float x = vela.x;
        EXPECT_EQ(run_change(mora, vela), 129);
        EXPECT_EQ(tase, L);
        for (int j = 0; j < 5; j++) EXPECT_EQ(vela.look[j], want[j]) << "category " << j;
        if (L <= 6) {
            EXPECT_EQ(the_time, allowance + 3 * k - 2 * L);
            allowance_at[L] = the_time;
        } else {
            EXPECT_EQ(the_time, allowance_at[row]) << "the allowance of the cycled level";
        }
        EXPECT_EQ(vela.x, x + 2.0f);
        EXPECT_EQ(game_state, 1);
    }
    // The game goes on: the next mission is built as ever.
    handle_vela_stuff(mora, vela);
    EXPECT_EQ(std::strncmp(message, "Mission: upgrade ", 17), 0);
}

// The level tool plans tours with the rules' timings: they must be what the whole tick does.
// Whether the player's control ran in a tick shows in the camera, which only her control moves.
TEST_F(Gameplay, TheTimingsTheLevelToolPlansWithAreTheTicks) {
    auto tick = [&](bool up_held) {
        TICK_INPUT in;
        in.input.up = up_held;
        iThex = -9999;
        run_tick(mora, vela, in);
        return iThex != -9999;  // her control ran
    };
    // A shop visit: the effect's ticks pass without her control, which runs again in the next.
    shops_far_away();
    place_shop(3, 200, 400);
    mora.x = 216.0f;
    mora.y = 300.0f;
    game_state = 0;  // no rules in the way
    tick(true);
    ASSERT_TRUE(metamorphose);
    for (int t = 1; t <= effect_ticks; t++) EXPECT_FALSE(tick(false)) << "tick " << t << " of the effect";
    EXPECT_TRUE(tick(false));

    // Beside the partner: the fulfilment falls arrival_to_fulfilment_ticks after her arrival, and
    // she moves again after after_fulfilment_ticks more.
    dress_ahead(mora, vela);
    mora.x = vela.x - 40.0f;
    mora.y = vela.y;
    game_state = game_state_return;
    int t = 1;
    for (; tase == 0 && t < 1000; t++) EXPECT_FALSE(tick(false)) << "tick " << t;
    EXPECT_EQ(t - 1, arrival_to_fulfilment_ticks);
    for (int k = 1; k <= after_fulfilment_ticks; k++) EXPECT_FALSE(tick(false)) << k << " after the fulfilment";
    EXPECT_TRUE(tick(false));
    EXPECT_EQ(game_state, game_state_mission);
}

TEST_F(Gameplay, UpgradeVelaTakesOverTheLooksOneStepAhead) {
    PLAYER a = vela, b = mora;
    const int a_looks[5] = {0, 1, 2, 0, 1};
    const int b_looks[5] = {1, 1, 0, 2, 2};
    const int want[5] = {1, 1, 0, 0, 2}; // b ahead in 0, 2, 4; equal in 1; behind in 3
    for (int i = 0; i < 5; i++) {
        a.look[i] = a_looks[i];
        b.look[i] = b_looks[i];
    }
    upgrade_vela(a, b);
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(a.look[i], want[i]) << "category " << i;
        EXPECT_EQ(b.look[i], b_looks[i]);
    }
}

}  // namespace
