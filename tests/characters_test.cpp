// Tests of the characters: frames cut from a datafile (made here with the dat tool from strips
// drawn by the test), frame and mask choice, the walk animation with its footsteps, drawing, and
// the player's control and physics on small maps built in the test; the gamepad reader, fed
// through a FIFO, and the input state from the keys and the pad.
#include <allegro.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "characters/player.h"
#include "masks/pmask.h"
#include "core/assets.h"
#include "core/state.h"
#include "input/gamepad.h"
#include "input/input.h"
#include "test_util.h"
#include "world/camera.h"
#include "world/level.h"

namespace {

constexpr int mora_w = 28; // frames per strip of the player
constexpr int vela_w = 16; // frames per strip of the partner
constexpr int magenta = 0xff00ff;

// The colour of frame k of object n in the test strips: unique per object and column, never
// magenta (n and k stay below 0x20).
int frame_colour(int n, int k) { return (n << 16) | (k << 8) | 0x40; }

// Draws strip n of w frames: the body (object 0) fills each 32 x 64 frame; a layer of category
// c = (n - 1) / 3 covers rows 10 (c + 1)..63 of each frame, so that in a drawn character rows
// 0..9 show the body, rows 10..19 the make-up, ..., rows 50..63 the handbag, and leaves the
// (k % 4) leftmost columns of frame k transparent.
BITMAP* make_strip(int n, int w, int height = 64) {
    BITMAP* b = create_bitmap(32 * w, height);
    clear_to_color(b, magenta);
    for (int k = 0; k < w; k++) {
        if (n == 0) {
            rectfill(b, 32 * k, 0, 32 * k + 31, height - 1, frame_colour(n, k));
        } else {
            const int c = (n - 1) / 3;
            rectfill(b, 32 * k + k % 4, 10 * (c + 1), 32 * k + 31, height - 1, frame_colour(n, k));
        }
    }
    return b;
}

// A scratch directory for the datafiles of this run.
std::string scratch_dir() {
    static std::string dir;
    if (dir.empty()) {
        char templ[] = "/tmp/osa-characters-XXXXXX";
        const char* d = mkdtemp(templ);
        dir = d ? d : "/tmp";
    }
    return dir;
}

// Writes the strips as PCX pictures and packs them with Allegro's dat tool into name, as RLE
// sprites at 32 bits, in the given order. Returns the datafile's path ("" when dat failed).
std::string make_datafile(const std::string& name, const std::vector<BITMAP*>& strips, const char* type = "RLE") {
    const std::string dir = scratch_dir();
    const std::string out = dir + "/" + name;
    std::remove(out.c_str());
    std::string cmd = "dat -a -t " + std::string(type) + " -bpp 32 -n0 -s1 " + out;
    for (size_t i = 0; i < strips.size(); i++) {
        char file[64];
        std::snprintf(file, sizeof file, "/%s_s%02zu.pcx", name.c_str(), i);
        const std::string path = dir + file;
        if (save_bitmap(path.c_str(), strips[i], nullptr) != 0) return "";
        cmd += " " + path;
    }
    cmd += " >/dev/null";
    return std::system(cmd.c_str()) == 0 ? out : "";
}

std::vector<BITMAP*> make_strips(int count, int w, int height = 64) {
    std::vector<BITMAP*> strips;
    for (int n = 0; n < count; n++) strips.push_back(make_strip(n % 16, w, height));
    return strips;
}

// Releases frames and masks that a test built and took out of the stores.
void destroy_frames(std::vector<RLE_SPRITE*>& frames, std::vector<PMASK*>& masks) {
    for (RLE_SPRITE* s : frames) destroy_rle_sprite(s);
    for (PMASK* m : masks) destroy_pmask(m);
    frames.clear();
    masks.clear();
}

void destroy_strips(std::vector<BITMAP*>& strips) {
    for (BITMAP* b : strips) destroy_bitmap(b);
    strips.clear();
}

// What a sprite looks like on magenta, pixel by pixel.
BITMAP* picture_of(RLE_SPRITE* sprite) {
    BITMAP* b = create_bitmap(32, 64);
    clear_to_color(b, magenta);
    draw_rle_sprite(b, sprite, 0, 0);
    return b;
}

// Samples played through the sound seam while a test runs.
struct played {
    SAMPLE* sample;
    int vol, pan, freq, loop;
};
std::vector<played> sounds;
void record_sound(SAMPLE* sample, int vol, int pan, int freq, int loop) {
    sounds.push_back({sample, vol, pan, freq, loop});
}
int count_played(SAMPLE* s) {
    int n = 0;
    for (const played& p : sounds) n += p.sample == s;
    return n;
}

// Tile numbers of the test maps and their masks.
constexpr int open_tile = 0;  // no solid pixel
constexpr int solid_tile = 1; // every pixel solid

// Clears the whole map to open cells.
void clear_map() {
    for (auto& column : iLevel)
        for (TILE& cell : column) cell = TILE{};
    iXSize = 0;
    iYSize = 0;
}

void set_wall(int cx, int cy) { iLevel[cx][cy] = TILE{solid_tile, true}; }

// The floor of the test maps: row 17 (world y 544..575), so that a character at y = 480 stands
// on it with the pixel below its bottom row in the floor.
constexpr int floor_row = 17;
constexpr float standing_y = 480.0f;

class Characters : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        init_headless_allegro();
        mora_strips = make_strips(16, mora_w);
        vela_strips = make_strips(16, vela_w);
        mora_dat = make_datafile("mora.dat", mora_strips);
        vela_dat = make_datafile("vela.dat", vela_strips);
        ASSERT_FALSE(mora_dat.empty());
        ASSERT_FALSE(vela_dat.empty());

        blStartFailed = false;
        mora = new PLAYER(800.0f, standing_y, mora_dat.c_str(), 2);
        vela = new PLAYER(896.0f, standing_y, vela_dat.c_str(), 3);
        ASSERT_FALSE(blStartFailed);

        BITMAP* empty = create_bitmap(32, 32);
        clear_to_color(empty, magenta);
        BITMAP* full = create_bitmap(32, 32);
        clear_to_color(full, 0x808080);
        masktiles.assign({create_allegro_pmask(empty), create_allegro_pmask(full)});
        destroy_bitmap(empty);
        destroy_bitmap(full);

        for (SAMPLE*& s : samples) s = create_sample(8, 0, 11025, 4);
        shoe[0] = samples[0];
        shoe[1] = samples[1];
        land = samples[2];
        jump = samples[3];
    }

    void SetUp() override {
        sounds.clear();
        sound_hook = record_sound;
        clear_key();
        clear_map();
    }
    void TearDown() override {
        sound_hook = nullptr;
        clear_key();
    }

    static void clear_key() {
        for (int i = 0; i < KEY_MAX; i++) key[i] = 0;
    }

    // A fresh player or partner, as just built at (px, py).
    static PLAYER fresh_mora(float px = 800.0f, float py = standing_y) {
        PLAYER p = *mora;
        p.x = px;
        p.y = py;
        return p;
    }
    static PLAYER fresh_vela() { return *vela; }

    // A floor from column first to column last.
    static void lay_floor(int first = 0, int last = map_columns - 1) {
        for (int cx = first; cx <= last; cx++) set_wall(cx, floor_row);
    }

    static std::vector<BITMAP*> mora_strips, vela_strips;
    static std::string mora_dat, vela_dat;
    static PLAYER* mora;
    static PLAYER* vela;
    static SAMPLE* samples[4];
};

std::vector<BITMAP*> Characters::mora_strips, Characters::vela_strips;
std::string Characters::mora_dat, Characters::vela_dat;
PLAYER* Characters::mora = nullptr;
PLAYER* Characters::vela = nullptr;
SAMPLE* Characters::samples[4];

// ---------------------------------------------------------------------------------------------
// Construction

TEST_F(Characters, ConstructorSetsTheFieldsOfEachType) {
    EXPECT_EQ(mora->x, 800.0f);
    EXPECT_EQ(mora->y, standing_y);
    EXPECT_EQ(mora->type, 2);
    EXPECT_EQ(vela->x, 896.0f);
    EXPECT_EQ(vela->type, 3);
    for (const PLAYER* p : {mora, vela}) {
        EXPECT_EQ(p->xspeed, 0.0f);
        EXPECT_EQ(p->yspeed, 0.0f);
        EXPECT_TRUE(p->onground);
        EXPECT_FALSE(p->walking);
        EXPECT_EQ(p->direction, 1);
        EXPECT_EQ(p->frame, 0);
        EXPECT_TRUE(p->has_frames());
    }
    const int mora_look[5] = {0, 0, 1, 1, 1};
    const int vela_look[5] = {2, 2, 1, 1, 0};
    for (int c = 0; c < 5; c++) {
        EXPECT_EQ(mora->look[c], mora_look[c]);
        EXPECT_EQ(vela->look[c], vela_look[c]);
    }
}

TEST_F(Characters, StoresHoldEveryFrameOfEveryStripInOrder) {
    ASSERT_EQ(bmain.size(), 16u * mora_w);
    ASSERT_EQ(maskbmain.size(), 16u * mora_w);
    ASSERT_EQ(bvela.size(), 16u * vela_w);
    struct store_case {
        std::vector<RLE_SPRITE*>* store;
        std::vector<BITMAP*>* strips;
        int w;
    };
    for (const store_case& sc : {store_case{&bmain, &mora_strips, mora_w}, store_case{&bvela, &vela_strips, vela_w}}) {
        for (int n = 0; n < 16; n++) {
            for (int k = 0; k < sc.w; k++) {
                RLE_SPRITE* s = (*sc.store)[static_cast<size_t>(n * sc.w + k)];
                ASSERT_EQ(s->w, 32);
                ASSERT_EQ(s->h, 64);
                BITMAP* pic = picture_of(s);
                int wrong = 0;
                for (int py = 0; py < 64; py++)
                    for (int px = 0; px < 32; px++)
                        wrong += getpixel(pic, px, py) != getpixel((*sc.strips)[static_cast<size_t>(n)], 32 * k + px, py);
                destroy_bitmap(pic);
                EXPECT_EQ(wrong, 0) << "object " << n << " frame " << k << " of width " << sc.w;
            }
        }
    }
}

TEST_F(Characters, EachMaskIsSolidExactlyWhereItsFrameIsNotMagenta) {
    for (size_t i = 0; i < bmain.size(); i++) {
        BITMAP* pic = picture_of(bmain[i]);
        const PMASK* m = maskbmain[i];
        ASSERT_EQ(m->w, 32);
        ASSERT_EQ(m->h, 64);
        int wrong = 0;
        for (int py = 0; py < 64; py++)
            for (int px = 0; px < 32; px++)
                wrong += get_pmask_pixel(m, px, py) != (getpixel(pic, px, py) != magenta);
        destroy_bitmap(pic);
        EXPECT_EQ(wrong, 0) << "frame " << i;
    }
}

// A datafile the character cannot use is reported with its name and leaves the character
// without frames; nothing is added to the stores.
TEST_F(Characters, UnusableDatafilesLeaveTheCharacterWithoutFrames) {
    std::vector<BITMAP*> fifteen = make_strips(15, mora_w);
    std::vector<BITMAP*> seventeen = make_strips(17, mora_w);
    std::vector<BITMAP*> narrow = make_strips(16, mora_w - 1);
    std::vector<BITMAP*> tall = make_strips(16, mora_w, 65);
    std::vector<BITMAP*> bitmaps = make_strips(16, mora_w);
    const std::string few = make_datafile("few.dat", fifteen);
    const std::string many = make_datafile("many.dat", seventeen);
    const std::string thin = make_datafile("thin.dat", narrow);
    const std::string high = make_datafile("high.dat", tall);
    const std::string bmp = make_datafile("bitmaps.dat", bitmaps, "BMP");
    destroy_strips(fifteen);
    destroy_strips(seventeen);
    destroy_strips(narrow);
    destroy_strips(tall);
    destroy_strips(bitmaps);
    for (const std::string* s : {&few, &many, &thin, &high, &bmp}) ASSERT_FALSE(s->empty());

    struct failure_case {
        std::string file;
        int type;
        bool usable;
    };
    const failure_case cases[] = {
        {scratch_dir() + "/missing.dat", 2, false},
        {scratch_dir() + "/missing.dat", 3, false},
        {few, 2, false},
        {thin, 2, false},
        {high, 2, false},
        {bmp, 2, false},
        {mora_dat, 3, false}, // the player's 28-frame strips are the wrong size for the partner
        {vela_dat, 2, false},
        {many, 2, true},      // objects after the 16th are not looked at
    };
    // Keep the suite's stores aside so that each case starts from empty stores.
    std::vector<RLE_SPRITE*> kept_main, kept_vela;
    std::vector<PMASK*> kept_masks;
    std::swap(kept_main, bmain);
    std::swap(kept_vela, bvela);
    std::swap(kept_masks, maskbmain);
    for (const failure_case& fc : cases) {
        SCOPED_TRACE(fc.file + " as type " + std::to_string(fc.type));
        blStartFailed = false;
        testing::internal::CaptureStdout();
        PLAYER p(1.0f, 2.0f, fc.file.c_str(), fc.type);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(p.has_frames(), fc.usable);
        EXPECT_EQ(blStartFailed, !fc.usable);
        if (fc.usable) {
            EXPECT_EQ(bmain.size(), 16u * mora_w);
            EXPECT_EQ(maskbmain.size(), 16u * mora_w);
            EXPECT_EQ(out, "");
        } else {
            EXPECT_TRUE(bmain.empty());
            EXPECT_TRUE(bvela.empty());
            EXPECT_TRUE(maskbmain.empty());
            EXPECT_NE(out.find("error loading " + fc.file), std::string::npos) << out;
        }
        // The fields are set either way.
        EXPECT_EQ(p.x, 1.0f);
        EXPECT_EQ(p.y, 2.0f);
        EXPECT_EQ(p.type, fc.type);
        destroy_frames(bmain, maskbmain);
        std::vector<PMASK*> no_masks;
        destroy_frames(bvela, no_masks);
    }
    std::swap(kept_main, bmain);
    std::swap(kept_vela, bvela);
    std::swap(kept_masks, maskbmain);
    blStartFailed = false;
}

// ---------------------------------------------------------------------------------------------
// Frame and mask choice

// The column tables: the state and the column that the character shows.
struct column_case {
    int type;
    bool onground;
    bool walking;
    int frame;
    int direction;
    float yspeed;
    int column;
};

std::vector<column_case> column_cases() {
    std::vector<column_case> cases;
    for (int type : {2, 3}) {
        for (int f = 0; f < 6; f++) {
            cases.push_back({type, true, true, f, 1, 0.0f, f});      // walking right
            cases.push_back({type, true, true, f, 2, 0.0f, 11 - f}); // walking left
            cases.push_back({type, true, false, f, 2, 0.0f, 12});    // standing left
            cases.push_back({type, true, false, f, 1, 0.0f, type == 2 ? 15 : 14});
        }
    }
    // In the air the player shows the slant, 6 |yspeed| / 1.6 capped at 4, whatever walking
    // says: 0 below 1.6 / 6, m from m x 1.6 / 6 on.
    for (int m = 1; m <= 4; m++) {
        const float at = static_cast<float>(1.6 * m / 6.0);
        const float below = std::nextafter(at, 0.0f);
        for (float sign : {1.0f, -1.0f}) {
            for (bool walking : {false, true}) {
                cases.push_back({2, false, walking, 3, 1, sign * at, 22 - m});
                cases.push_back({2, false, walking, 3, 2, sign * at, 23 + m});
                cases.push_back({2, false, walking, 3, 1, sign * below, 22 - (m - 1)});
                cases.push_back({2, false, walking, 3, 2, sign * below, 23 + (m - 1)});
            }
        }
    }
    for (float ys : {0.0f, 0.01f, -0.01f, 1.07f, -1.07f, 5.0f, -40.0f}) {
        const int slant = std::fabs(ys) >= 1.07f ? 4 : 0;
        cases.push_back({2, false, false, 0, 1, ys, 22 - slant});
        cases.push_back({2, false, true, 5, 2, ys, 23 + slant});
    }
    // The partner's onground plays no part.
    for (int f = 0; f < 6; f++) {
        cases.push_back({3, false, true, f, 1, 2.0f, f});
        cases.push_back({3, false, true, f, 2, -2.0f, 11 - f});
        cases.push_back({3, false, false, f, 1, 2.0f, 14});
        cases.push_back({3, false, false, f, 2, 2.0f, 12});
    }
    return cases;
}

TEST_F(Characters, FrameChoiceFollowsTheColumnTablesForEveryObject) {
    for (const column_case& c : column_cases()) {
        PLAYER p = c.type == 2 ? fresh_mora() : fresh_vela();
        p.onground = c.onground;
        p.walking = c.walking;
        p.frame = c.frame;
        p.direction = c.direction;
        p.yspeed = c.yspeed;
        const int w = c.type == 2 ? mora_w : vela_w;
        const std::vector<RLE_SPRITE*>& store = c.type == 2 ? bmain : bvela;
        for (int n = 0; n < 16; n++) {
            EXPECT_EQ(p.give_frame(n), store[static_cast<size_t>(n * w + c.column)])
                << "type " << c.type << " onground " << c.onground << " walking " << c.walking << " frame "
                << c.frame << " direction " << c.direction << " yspeed " << c.yspeed << " object " << n;
        }
        if (c.type == 2) {
            // The mask is that of the body frame the same state shows.
            RLE_SPRITE* body = p.give_frame(0);
            PMASK* mask = p.give_pmask();
            EXPECT_EQ(mask, maskbmain[static_cast<size_t>(c.column)]);
            EXPECT_EQ(body, bmain[static_cast<size_t>(c.column)]);
        }
    }
}

TEST_F(Characters, AnUnknownDirectionKeepsTheLastChoice) {
    PLAYER p = fresh_mora();
    p.walking = true;
    p.frame = 2;
    RLE_SPRITE* last = p.give_frame(7);
    PMASK* last_mask = p.give_pmask();
    PLAYER q = fresh_vela();
    q.direction = 0;
    EXPECT_EQ(q.give_frame(0), last); // one remembered frame for both characters
    p.direction = 3;
    EXPECT_EQ(p.give_frame(0), last);
    EXPECT_EQ(p.give_pmask(), last_mask);
    EXPECT_EQ(last, bmain[7 * mora_w + 2]);
    EXPECT_EQ(last_mask, maskbmain[2]);
}

// ---------------------------------------------------------------------------------------------
// Walk animation

// Her steps are heard where she walks on the screen: more on the left the further left she is,
// more on the right the further right, never wholly on one side.
TEST_F(Characters, StepsAreHeardWhereSheIsOnTheScreen) {
    PLAYER p = fresh_mora();
    p.walking = true;
    p.frame = 5;  // the next step plays
    std::vector<int> pans;
    for (int column : {0, view_w / 4, view_w / 2, 3 * view_w / 4, view_w}) {
        iThex = static_cast<int>(p.x) + frame_w / 2 - column;
        sounds.clear();
        p.addframe();
        p.frame = 5;
        ASSERT_EQ(sounds.size(), 1u);
        pans.push_back(sounds[0].pan);
    }
    EXPECT_EQ(pans[2], 128);
    for (size_t i = 1; i < pans.size(); i++) EXPECT_GT(pans[i], pans[i - 1]);
    EXPECT_GT(pans.front(), 0);
    EXPECT_LT(pans.back(), 255);
}

TEST_F(Characters, FootstepsPlayAtPhasesZeroAndThreeOnTheGroundOnly) {
    for (bool partner : {false, true}) {
        PLAYER p = partner ? fresh_vela() : fresh_mora();
        sounds.clear();
        iThex = static_cast<int>(p.x) + frame_w / 2 - view_w / 2;  // she walks mid-screen
        p.walking = true;
        std::vector<int> phases;
        for (int i = 0; i < 12; i++) {
            p.addframe();
            phases.push_back(p.frame);
        }
        EXPECT_EQ(phases, (std::vector<int>{1, 2, 3, 4, 5, 0, 1, 2, 3, 4, 5, 0}));
        ASSERT_EQ(sounds.size(), 4u);
        const SAMPLE* expected[4] = {shoe[1], shoe[0], shoe[1], shoe[0]};
        for (size_t i = 0; i < 4; i++) {
            EXPECT_EQ(sounds[i].sample, expected[i]);
            EXPECT_EQ(sounds[i].vol, 255);
            EXPECT_EQ(sounds[i].pan, 128);
            EXPECT_EQ(sounds[i].freq, 1000);
            EXPECT_EQ(sounds[i].loop, 0);
        }

        // In the air the phase still advances, silently.
        sounds.clear();
        p.onground = false;
        for (int i = 0; i < 6; i++) p.addframe();
        EXPECT_EQ(p.frame, 0);
        EXPECT_TRUE(sounds.empty());

        // Standing: nothing moves, nothing plays.
        p.onground = true;
        p.walking = false;
        p.frame = 4;
        for (int i = 0; i < 6; i++) p.addframe();
        EXPECT_EQ(p.frame, 4);
        EXPECT_TRUE(sounds.empty());

        // Walking again from phase 4: phase 4 shows until the next step, then 5, then 0.
        p.walking = true;
        EXPECT_EQ(p.give_frame(0), (partner ? bvela : bmain)[4]);
        p.addframe();
        EXPECT_EQ(p.frame, 5);
        EXPECT_TRUE(sounds.empty());
        p.addframe();
        EXPECT_EQ(p.frame, 0);
        ASSERT_EQ(sounds.size(), 1u);
        EXPECT_EQ(sounds[0].sample, shoe[0]);
    }
}

// ---------------------------------------------------------------------------------------------
// Drawing

// In the test strips, rows 0..9 of a drawn character show the body and rows 10 (c + 1)..
// the layer of category c; every layer leaves the (k % 4) leftmost columns of frame k to the
// layers below.
TEST_F(Characters, DrawStacksBodyAndFiveLayersInOrder) {
    struct draw_case {
        bool partner;
        int look[5];
        int walking_frame; // -1 standing
    };
    const draw_case cases[] = {
        {false, {0, 0, 1, 1, 1}, -1},
        {true, {2, 2, 1, 1, 0}, -1},
        {false, {2, 1, 0, 2, 1}, 3},
        {true, {1, 0, 2, 0, 2}, 2},
    };
    for (const draw_case& dc : cases) {
        PLAYER p = dc.partner ? fresh_vela() : fresh_mora();
        for (int c = 0; c < 5; c++) p.look[c] = dc.look[c];
        p.walking = dc.walking_frame >= 0;
        if (p.walking) p.frame = dc.walking_frame;
        const int k = p.walking ? p.frame : (dc.partner ? 14 : 15);
        p.x = 10.7f;
        p.y = 20.6f; // the picture stands at trunc(y + 4) = 24
        BITMAP* target = create_bitmap(100, 120);
        clear_to_color(target, 0);
        p.draw(target, false);
        const int px = 10, py = 24;
        const int right = px + 31; // a column every layer covers
        EXPECT_EQ(getpixel(target, right, py), frame_colour(0, k));
        EXPECT_EQ(getpixel(target, right, py + 9), frame_colour(0, k));
        for (int c = 0; c < 5; c++) {
            const int object = 1 + 3 * c + dc.look[c];
            EXPECT_EQ(getpixel(target, right, py + 10 * (c + 1)), frame_colour(object, k)) << "category " << c;
        }
        EXPECT_EQ(getpixel(target, right, py + 63), frame_colour(13 + dc.look[4], k));
        // Nothing outside the 32 x 64 frame.
        EXPECT_EQ(getpixel(target, px - 1, py + 30), 0);
        EXPECT_EQ(getpixel(target, px + 32, py + 30), 0);
        EXPECT_EQ(getpixel(target, px + 10, py - 1), 0);
        EXPECT_EQ(getpixel(target, px + 10, py + 64), 0);
        // Transparent layer pixels show the body through all layers.
        if (k % 4 != 0) {
            EXPECT_EQ(getpixel(target, px, py + 60), frame_colour(0, k));
        }
        destroy_bitmap(target);
    }
}

TEST_F(Characters, DrawTruncatesTowardZero) {
    PLAYER p = fresh_mora();
    p.x = -3.7f; // trunc gives -3: columns -3..28 (floor would give -4..27)
    p.y = -4.5f; // y + 4 = -0.5 truncates to 0: rows 0..63 (floor would give -1..62)
    BITMAP* target = create_bitmap(64, 80);
    clear_to_color(target, 0);
    p.draw(target, false);
    EXPECT_NE(getpixel(target, 28, 10), 0);
    EXPECT_EQ(getpixel(target, 29, 10), 0);
    EXPECT_NE(getpixel(target, 10, 63), 0);
    EXPECT_EQ(getpixel(target, 10, 64), 0);
    destroy_bitmap(target);
}

TEST_F(Characters, DrawAtOriginFillsTheEffectBitmapWhateverThePosition) {
    PLAYER p = fresh_mora();
    p.x = 500.3f;
    p.y = 700.9f;
    BITMAP* target = create_bitmap(32, 64);
    clear_to_color(target, 0);
    p.draw(target, true);
    EXPECT_EQ(getpixel(target, 31, 0), frame_colour(0, 15));
    EXPECT_EQ(getpixel(target, 31, 63), frame_colour(13 + p.look[4], 15));
    int empty = 0;
    for (int py = 0; py < 64; py++)
        for (int px = 0; px < 32; px++) empty += getpixel(target, px, py) == 0;
    EXPECT_EQ(empty, 0);
    destroy_bitmap(target);
}

// ---------------------------------------------------------------------------------------------
// Control and physics

TEST_F(Characters, OneTickOfRightFromRest) {
    lay_floor();
    PLAYER p = fresh_mora();
    key[KEY_RIGHT] = 1;
    p.control();
    EXPECT_FLOAT_EQ(p.x, 800.07f);
    EXPECT_FLOAT_EQ(p.xspeed, static_cast<float>(0.07 / 1.06));
    EXPECT_EQ(p.direction, 1);
    EXPECT_TRUE(p.walking);
    EXPECT_TRUE(p.onground);
    EXPECT_EQ(p.y, standing_y);
    EXPECT_EQ(p.yspeed, 0.0f);
    EXPECT_TRUE(sounds.empty());
    // The camera puts the middle of the frame at the centre of the 320 x 240 picture, also with
    // no screen at all (SCREEN_W and SCREEN_H read 0 here): the view does not follow the mode.
    ASSERT_EQ(SCREEN_W, 0);
    EXPECT_EQ(iThex, 800 + 16 - 160);
    EXPECT_EQ(iThey, 480 + 32 - 120);
}

TEST_F(Characters, LeftWalksLeftAndRightWinsWhenBothAreHeld) {
    lay_floor();
    PLAYER p = fresh_mora();
    key[KEY_LEFT] = 1;
    p.control();
    EXPECT_FLOAT_EQ(p.x, 800.0f - 0.07f);
    EXPECT_EQ(p.direction, 2);
    EXPECT_TRUE(p.walking);
    key[KEY_RIGHT] = 1;
    const float before = p.x;
    for (int i = 0; i < 10; i++) p.control();
    EXPECT_GT(p.xspeed, 0.0f);
    EXPECT_GT(p.x, before);
    EXPECT_EQ(p.direction, 1);
    // No key: walking stops, the direction stays, friction slows.
    clear_key();
    const float speed = p.xspeed;
    p.control();
    EXPECT_FALSE(p.walking);
    EXPECT_EQ(p.direction, 1);
    EXPECT_FLOAT_EQ(p.xspeed, static_cast<float>(speed / 1.06));
}

TEST_F(Characters, HeldArrowTendsToSevenSixthsAfterFriction) {
    lay_floor();
    PLAYER p = fresh_mora(100.0f);
    key[KEY_RIGHT] = 1;
    for (int i = 0; i < 1500; i++) p.control();
    EXPECT_NEAR(p.xspeed, 7.0 / 6.0, 1e-4);
    const float before = p.x;
    p.control();
    EXPECT_NEAR(p.x - before, 7.0 / 6.0 + 0.07, 1e-3);
    EXPECT_TRUE(p.onground);
    EXPECT_EQ(p.y, standing_y);
}

// A landing can leave the frame deep enough in the floor that the ground test still passes on the
// tick after the next take-off, which then starts the jump again: one jump, heard once. Jumps
// with the key held for a press's few ticks, from the depths the landings leave, until that has
// happened; each jump ends in one landing, so the landings count the jumps.
TEST_F(Characters, OneTakeOffPlaysOneJumpSample) {
    lay_floor();
    PLAYER p = fresh_mora();
    int started_again = 0;  // take-offs whose next tick took off again
    for (int round = 0; round < 40; round++) {
        key[KEY_SPACE] = 1;
        float previous_speed = 0;
        for (int tick = 0; tick < 6 + round % 7; tick++) {
            p.control();
            if (tick > 0 && previous_speed == p.yspeed && p.yspeed == static_cast<float>(-jump_speed)) started_again++;
            previous_speed = p.yspeed;
        }
        clear_key();
        for (int tick = 0; tick < 300 && !p.onground; tick++) p.control();
        ASSERT_TRUE(p.onground) << "round " << round;
        p.control();
    }
    ASSERT_GT(started_again, 0) << "no take-off started its jump again: nothing was tested";
    EXPECT_EQ(count_played(land), 40);
    EXPECT_EQ(count_played(jump), 40);
}

TEST_F(Characters, ArrowsAndFrictionActInTheAir) {
    PLAYER p = fresh_mora(800.0f, 100.0f); // nothing below: falling
    key[KEY_LEFT] = 1;
    p.control();
    EXPECT_FALSE(p.onground);
    EXPECT_FLOAT_EQ(p.yspeed, 0.02f);
    EXPECT_FLOAT_EQ(p.xspeed, static_cast<float>(-0.07 / 1.06));
    EXPECT_EQ(p.direction, 2);
    EXPECT_EQ(p.give_frame(0), bmain[23]); // slow in the air: the first slant column to the left
}

TEST_F(Characters, JumpFromRestRisesEightyTicksThenLands) {
    lay_floor();
    PLAYER p = fresh_mora();
    camera_follow(p.x, p.y);  // where the camera stands in play: she is in the middle
    key[KEY_SPACE] = 1;
    p.control();
    clear_key();
    EXPECT_FLOAT_EQ(p.yspeed, -1.6f);
    EXPECT_FLOAT_EQ(p.y, standing_y - 1.6f);
    int rising_ticks = 1;
    float top = p.y;
    int landed_at = -1;
    for (int tick = 2; tick < 400 && landed_at < 0; tick++) {
        const float y0 = p.y;
        const size_t lands_before = static_cast<size_t>(count_played(land));
        p.control();
        if (p.y < y0) rising_ticks++;
        if (p.y < top) top = p.y;
        if (static_cast<size_t>(count_played(land)) > lands_before) {
            landed_at = tick;
            EXPECT_EQ(p.y, y0) << "the landing tick leaves y unchanged";
            EXPECT_EQ(p.yspeed, 0.0f);
            EXPECT_TRUE(p.onground);
        }
    }
    EXPECT_EQ(rising_ticks, 80);
    EXPECT_NEAR(standing_y - top, 64.8, 0.01);
    ASSERT_GT(landed_at, 0);
    // The floor is where it started; the frame reaches into it by less than one fall step.
    EXPECT_GE(p.y, standing_y);
    EXPECT_LT(p.y, standing_y + 1.7f);
    EXPECT_EQ(count_played(jump), 1);
    EXPECT_EQ(count_played(land), 1);
    for (const played& s : sounds) {
        EXPECT_EQ(s.vol, s.sample == jump ? 128 : 255);
        EXPECT_EQ(s.pan, 128);
        EXPECT_EQ(s.freq, 1000);
        EXPECT_EQ(s.loop, 0);
    }
    // Standing on: no more sounds, y stays.
    const float y_end = p.y;
    for (int i = 0; i < 50; i++) p.control();
    EXPECT_EQ(p.y, y_end);
    EXPECT_EQ(sounds.size(), 2u);
}

TEST_F(Characters, HeldSpaceJumpsAgainOnTheFirstGroundedTick) {
    lay_floor();
    PLAYER p = fresh_mora();
    key[KEY_SPACE] = 1;
    int jumps_on_landing = 0;
    for (int tick = 0; tick < 600; tick++) {
        const size_t before = sounds.size();
        const float y0 = p.y;
        p.control();
        bool landed = false, jumped = false;
        for (size_t i = before; i < sounds.size(); i++) {
            landed |= sounds[i].sample == land;
            jumped |= sounds[i].sample == jump;
        }
        if (landed) {
            EXPECT_TRUE(jumped) << "tick " << tick;
            EXPECT_FLOAT_EQ(p.y, y0 - 1.6f);
            jumps_on_landing++;
        }
    }
    EXPECT_GE(jumps_on_landing, 3);
    EXPECT_EQ(count_played(land), jumps_on_landing);
    // A landing that sank deeper than one jump step leaves the pixel below the frame in the
    // floor after that step, so the next tick finds the character still on the ground and
    // jumps again, without a second landing sound.
    EXPECT_GE(count_played(jump), count_played(land) + 1);
}

TEST_F(Characters, WalkingIntoAWallBouncesOnePixelBack) {
    lay_floor();
    for (int cy = 0; cy < floor_row; cy++) set_wall(28, cy); // wall at x 896..927
    PLAYER p = fresh_mora(864.5f);
    p.xspeed = 0.6f;
    key[KEY_RIGHT] = 1;
    p.control(); // the frame 864..895 stays clear of the wall
    const float x0 = p.x;
    const float s0 = p.xspeed;
    ASSERT_EQ(static_cast<int>(x0), 865);
    p.control(); // 865..896 touches it: the top right test hits, the bottom right no longer
    const float reflected = -s0 + 0.07f;
    EXPECT_FLOAT_EQ(p.x, (x0 - 1.0f) + reflected);
    EXPECT_FLOAT_EQ(p.xspeed, static_cast<float>(reflected / 1.06));
    EXPECT_TRUE(p.walking); // the held key sets it again
    EXPECT_EQ(p.direction, 1);
    EXPECT_LT(p.xspeed, 0.0f);

    // Without a key: pushed, reflected and no longer walking.
    clear_key();
    PLAYER q = fresh_mora(865.2f);
    q.xspeed = 0.5f;
    q.walking = true;
    q.control();
    EXPECT_FLOAT_EQ(q.x, 864.2f - 0.5f);
    EXPECT_FLOAT_EQ(q.xspeed, static_cast<float>(-0.5 / 1.06));
    EXPECT_FALSE(q.walking);

    // A wall to the left pushes to the right.
    set_wall(22, 16); // x 704..735
    PLAYER r = fresh_mora(735.5f);
    r.xspeed = -0.5f;
    r.control(); // (735, 540): bottom left point in the wall cell, the frame overlaps it
    EXPECT_FLOAT_EQ(r.x, 736.5f + 0.5f);
    EXPECT_FLOAT_EQ(r.xspeed, static_cast<float>(0.5 / 1.06));
}

// The mask is asked for afresh before each pixel test: a wall hit that stops the walk makes the
// later tests of the same tick use the standing frame's mask. Here the walking bodies are 16
// pixels wide (columns 8..23) and the standing ones fill the frame.
TEST_F(Characters, WallTestsAfterAHitUseTheStandingMask) {
    std::vector<BITMAP*> strips = make_strips(16, mora_w);
    for (int k = 0; k < 12; k++) {
        rectfill(strips[0], 32 * k, 0, 32 * k + 7, 63, magenta);
        rectfill(strips[0], 32 * k + 24, 0, 32 * k + 31, 63, magenta);
    }
    const std::string narrow = make_datafile("narrow.dat", strips);
    destroy_strips(strips);
    ASSERT_FALSE(narrow.empty());
    std::vector<RLE_SPRITE*> kept_main;
    std::vector<PMASK*> kept_masks;
    std::swap(kept_main, bmain);
    std::swap(kept_masks, maskbmain);
    PLAYER p(873.5f, standing_y, narrow.c_str(), 2);
    ASSERT_TRUE(p.has_frames());

    lay_floor();
    for (int cy = 0; cy < floor_row; cy++) set_wall(28, cy); // wall at x 896..927
    p.walking = true;
    p.frame = 0;
    p.xspeed = 0.3f;
    // Top right: the walking body (881..896) touches the wall by one pixel: pushed to 872.5,
    // walking stops. Bottom right: the standing body (872..903) reaches into the wall: pushed
    // again. With the walking mask kept, the second test would miss.
    p.control();
    EXPECT_FLOAT_EQ(p.x, 871.5f + 0.3f);
    EXPECT_FLOAT_EQ(p.xspeed, static_cast<float>(0.3 / 1.06));
    EXPECT_FALSE(p.walking);

    std::swap(kept_main, bmain);
    std::swap(kept_masks, maskbmain);
    destroy_frames(kept_main, kept_masks);
}

TEST_F(Characters, HoldingRightIntoAWallNeverPassesIt) {
    lay_floor();
    for (int cy = 0; cy < floor_row; cy++) set_wall(28, cy);
    PLAYER p = fresh_mora();
    key[KEY_RIGHT] = 1;
    for (int i = 0; i < 600; i++) {
        p.control();
        EXPECT_LT(p.x, 896.0f - 32.0f + 2.0f);
        EXPECT_TRUE(p.walking);
    }
}

TEST_F(Characters, ACeilingReflectsTheVerticalSpeed) {
    lay_floor();
    set_wall(25, 13); // x 800..831, y 416..447: above the head of a character at x 800
    PLAYER p = fresh_mora();
    key[KEY_SPACE] = 1;
    p.control();
    clear_key();
    bool hit = false;
    for (int tick = 0; tick < 60 && !hit; tick++) {
        const float y0 = p.y;
        const float ys0 = p.yspeed;
        const float x0 = p.x;
        p.control();
        if (p.yspeed > 0.0f) {
            hit = true;
            ASSERT_LE(static_cast<int>(y0), 447); // the frame reaches into the ceiling tile
            EXPECT_FLOAT_EQ(p.yspeed, -ys0 + 0.02f);
            EXPECT_FLOAT_EQ(p.y, y0 + p.yspeed);
            // The top left corner shares the head's cell: it pushes the character one pixel.
            EXPECT_FLOAT_EQ(p.x, x0 + 1.0f);
        }
    }
    EXPECT_TRUE(hit);
}

TEST_F(Characters, WalkingOffALedgeFallsFromTheFirstOpenTick) {
    lay_floor(0, 25); // floor up to x 831
    PLAYER p = fresh_mora();
    key[KEY_RIGHT] = 1;
    bool fell = false;
    for (int tick = 0; tick < 200 && !fell; tick++) {
        const float y0 = p.y;
        const int column_below = (static_cast<int>(p.x) + 16) / 32;
        p.control();
        if (column_below <= 25) {
            EXPECT_TRUE(p.onground);
            EXPECT_EQ(p.y, y0);
        } else {
            fell = true;
            EXPECT_FALSE(p.onground);
            EXPECT_FLOAT_EQ(p.yspeed, 0.02f);
            EXPECT_FLOAT_EQ(p.y, y0 + 0.02f);
            EXPECT_EQ(p.give_frame(0), bmain[22]); // the air frames from now on
            EXPECT_EQ(p.give_pmask(), maskbmain[22]);
        }
    }
    EXPECT_TRUE(fell);
}

TEST_F(Characters, TestPointsOutsideTheMapReadAsOpen) {
    // Walls along the map's edges: the points beyond them must read as open, not out of bounds.
    for (int cx = 0; cx < map_columns; cx++) {
        set_wall(cx, 0);
        set_wall(cx, map_rows - 1);
    }
    for (int cy = 0; cy < map_rows; cy++) {
        set_wall(0, cy);
        set_wall(map_columns - 1, cy);
    }
    struct spot {
        float x, y;
    };
    const spot spots[] = {
        {-100.0f, -100.0f},   {-40.0f, 200.0f},    {200.0f, -70.0f},   {31990.0f, 200.0f},
        {32100.0f, 15990.0f}, {200.0f, 15990.0f},  {-5000.0f, 20000.0f}, {1e9f, -1e9f},
    };
    key[KEY_RIGHT] = 1;
    key[KEY_SPACE] = 1;
    for (const spot& s : spots) {
        PLAYER p = fresh_mora(s.x, s.y);
        for (int i = 0; i < 20; i++) p.control();
    }
    // Far outside on every side, nothing is solid: the character falls.
    PLAYER p = fresh_mora(-1000.0f, -1000.0f);
    clear_key();
    p.control();
    EXPECT_FALSE(p.onground);
    EXPECT_EQ(p.xspeed, 0.0f);
    EXPECT_FLOAT_EQ(p.yspeed, 0.02f);
    // Across the right edge: the right test points (column 1000) read as open, the left ones
    // fall in the wall column 999 and push the character right, once per test.
    PLAYER q = fresh_mora(31978.0f, 200.0f);
    q.control();
    EXPECT_FLOAT_EQ(q.x, 31980.0f);
    EXPECT_TRUE(q.onground);
}

TEST_F(Characters, ThePartnerIgnoresControl) {
    lay_floor();
    PLAYER p = fresh_vela();
    p.onground = false;
    key[KEY_RIGHT] = 1;
    key[KEY_SPACE] = 1;
    iThex = 12345;
    p.control();
    EXPECT_EQ(p.x, 896.0f);
    EXPECT_EQ(p.y, standing_y);
    EXPECT_EQ(p.xspeed, 0.0f);
    EXPECT_FALSE(p.onground);
    EXPECT_FALSE(p.walking);
    EXPECT_EQ(iThex, 12345);
    EXPECT_TRUE(sounds.empty());
}

} // namespace

namespace {

// The joystick API's numbers as the kernel's headers give them (linux/input.h cannot come in
// here: its KEY_ names are Allegro's too): the event types, and the ABS_ codes of an axis map.
constexpr int js_button = 0x01, js_axis = 0x02, js_init = 0x80;
constexpr unsigned char abs_x = 0x00, abs_y = 0x01, abs_z = 0x02, abs_rx = 0x03, abs_hat0x = 0x10,
                        abs_hat0y = 0x11;

// A pad the test plays: a FIFO that a GAMEPAD reads as its device (open_gamepad_stream) and the
// test writes js_event records into, as the kernel would.
class fifo_pad {
public:
    explicit fifo_pad(GAMEPAD& pad, const std::vector<unsigned char>& axis_map = {}) : pad_(pad) {
        path_ = scratch_dir() + "/pad" + std::to_string(count_++);
        EXPECT_EQ(mkfifo(path_.c_str(), 0600), 0);
        EXPECT_TRUE(open_gamepad_stream(pad_, path_.c_str(), axis_map));
        writer_ = open(path_.c_str(), O_WRONLY | O_NONBLOCK);
        EXPECT_GE(writer_, 0);
    }
    ~fifo_pad() {
        unplug();
        close_gamepad(pad_);
        take_gamepad_unplugged(pad_);
        std::remove(path_.c_str());
    }
    fifo_pad(const fifo_pad&) = delete;
    fifo_pad& operator=(const fifo_pad&) = delete;

    // Writes one event (type js_button or js_axis, with js_init for the state on opening) as
    // the kernel's record: u32 time, s16 value, u8 type, u8 number, little-endian.
    void event(int type, int number, int value) {
        const std::vector<unsigned char> e = record(type, number, value);
        write_bytes(e.data(), e.size());
    }
    static std::vector<unsigned char> record(int type, int number, int value) {
        const unsigned v = static_cast<unsigned>(value) & 0xffffu;
        return {0, 0, 0, 0, static_cast<unsigned char>(v & 0xff), static_cast<unsigned char>(v >> 8),
                static_cast<unsigned char>(type), static_cast<unsigned char>(number)};
    }
    void write_bytes(const void* data, size_t bytes) {
        EXPECT_EQ(write(writer_, data, bytes), static_cast<ssize_t>(bytes));
    }
    void button(int n, bool down) { event(js_button, n, down ? 1 : 0); }
    void axis(int n, int value) { event(js_axis, n, value); }
    // Closes the test's end: the reader finds the end of the file, as when a pad is pulled out.
    void unplug() {
        if (writer_ >= 0) close(writer_);
        writer_ = -1;
    }

private:
    GAMEPAD& pad_;
    std::string path_;
    int writer_ = -1;
    static inline int count_ = 0;
};

std::vector<int> all_presses(GAMEPAD& pad) {
    std::vector<int> taken;
    for (int b; (b = take_gamepad_press(pad)) >= 0;) taken.push_back(b);
    return taken;
}

} // namespace

TEST(Gamepad, EventsGiveTheButtonsAndTheStickAndDpadDirections) {
    // A map with the stick away from axes 0 and 1: only the axes it names steer.
    const std::vector<unsigned char> map = {abs_z, abs_y, abs_hat0y, abs_x, abs_rx, abs_hat0x};
    GAMEPAD pad;
    fifo_pad fifo(pad, map);
    EXPECT_TRUE(gamepad_connected(pad));
    poll_gamepad(pad);
    EXPECT_TRUE(gamepad_connected(pad)) << "no event yet is no unplug";

    for (int b : {0, 5, 10, 31}) fifo.button(b, true);
    poll_gamepad(pad);
    for (int b = -1; b < 40; b++) EXPECT_EQ(gamepad_button(pad, b), b == 0 || b == 5 || b == 10 || b == 31) << b;
    EXPECT_FALSE(gamepad_button(pad, 1000));
    fifo.button(5, false);
    poll_gamepad(pad);
    EXPECT_FALSE(gamepad_button(pad, 5));
    EXPECT_TRUE(gamepad_button(pad, 10));

    // Each axis through the range: a direction counts beyond half of it, and only on the axes
    // the map names as the first stick or the d-pad.
    for (size_t a = 0; a < map.size(); a++)
        for (int v : {-32767, -20000, -16384, -16383, 0, 16383, 16384, 20000, 32767}) {
            fifo.axis(static_cast<int>(a), v);
            poll_gamepad(pad);
            const bool across = map[a] == abs_x || map[a] == abs_hat0x;
            const bool along = map[a] == abs_y || map[a] == abs_hat0y;
            const bool far = 2 * std::abs(v) > 32767;
            const PAD_DIRECTIONS d = gamepad_directions(pad);
            EXPECT_EQ(d.left, across && far && v < 0) << a << " " << v;
            EXPECT_EQ(d.right, across && far && v > 0) << a << " " << v;
            EXPECT_EQ(d.up, along && far && v < 0) << a << " " << v;
            EXPECT_EQ(d.down, along && far && v > 0) << a << " " << v;
            fifo.axis(static_cast<int>(a), 0);
        }

    // An event cut in two by the writer is read whole once the rest comes.
    const std::vector<unsigned char> e = fifo_pad::record(js_axis, 3, 32767);
    fifo.write_bytes(e.data(), 3);
    poll_gamepad(pad);
    EXPECT_FALSE(gamepad_directions(pad).right);
    fifo.write_bytes(e.data() + 3, e.size() - 3);
    poll_gamepad(pad);
    EXPECT_TRUE(gamepad_directions(pad).right);

    // Without a map, the stick is axes 0 and 1 and there is no d-pad.
    GAMEPAD plain;
    fifo_pad plain_fifo(plain);
    plain_fifo.axis(0, -32767);
    plain_fifo.axis(1, 32767);
    plain_fifo.axis(6, -32767);
    poll_gamepad(plain);
    const PAD_DIRECTIONS d = gamepad_directions(plain);
    EXPECT_TRUE(d.left && d.down && !d.right && !d.up);

    // A file that does not answer the joystick API is no pad.
    GAMEPAD not_a_pad;
    EXPECT_FALSE(open_gamepad(not_a_pad, "/dev/null"));
    EXPECT_FALSE(gamepad_connected(not_a_pad));
}

TEST(Gamepad, PressesAreTakenOnceInOrderAndTheInitialStateIsNone) {
    GAMEPAD pad;
    fifo_pad fifo(pad, {abs_x, abs_y});
    // What the device reports on opening: held buttons and a pushed stick, but no press.
    fifo.event(js_button | js_init, 2, 1);
    fifo.event(js_button | js_init, 3, 0);
    fifo.event(js_axis | js_init, 0, 32767);
    poll_gamepad(pad);
    EXPECT_TRUE(gamepad_button(pad, 2));
    EXPECT_TRUE(gamepad_directions(pad).right);
    EXPECT_EQ(take_gamepad_press(pad), -1);

    // A press and release between two polls, a button pressed twice, one still held, and the
    // held one pressed again without a release (no new press): each press once, oldest first.
    fifo.button(4, true);
    fifo.button(4, false);
    fifo.button(2, false);
    fifo.button(2, true);
    fifo.button(4, true);
    fifo.button(4, false);
    fifo.button(6, true);
    fifo.button(6, true);
    poll_gamepad(pad);
    EXPECT_EQ(all_presses(pad), (std::vector<int>{4, 2, 4, 6}));
    EXPECT_FALSE(gamepad_button(pad, 4));
    EXPECT_TRUE(gamepad_button(pad, 6));
    poll_gamepad(pad);
    EXPECT_EQ(take_gamepad_press(pad), -1) << "taken presses are gone";

    // More presses than the queue holds: the first ones are kept.
    fifo.button(2, false);
    fifo.button(6, false);
    std::vector<int> pressed;
    for (int i = 0; i < max_pad_presses + 5; i++) {
        fifo.button(i % 11, true);
        fifo.button(i % 11, false);
        pressed.push_back(i % 11);
    }
    poll_gamepad(pad);
    pressed.resize(max_pad_presses);
    EXPECT_EQ(all_presses(pad), pressed);
}

TEST(Gamepad, PullingThePadOutReleasesEverythingAndIsReportedOnce) {
    GAMEPAD pad;
    EXPECT_FALSE(take_gamepad_unplugged(pad));
    poll_gamepad(pad);
    EXPECT_FALSE(take_gamepad_unplugged(pad)) << "no pad is no unplug";

    fifo_pad fifo(pad, {abs_x, abs_y, abs_hat0x, abs_hat0y});
    fifo.axis(0, 32767);
    fifo.axis(3, -32767);
    fifo.button(0, true);
    fifo.button(7, true);
    poll_gamepad(pad);
    ASSERT_TRUE(gamepad_directions(pad).right && gamepad_directions(pad).up && gamepad_button(pad, 0));
    EXPECT_FALSE(take_gamepad_unplugged(pad));

    fifo.unplug();
    poll_gamepad(pad);
    EXPECT_FALSE(gamepad_connected(pad));
    const PAD_DIRECTIONS d = gamepad_directions(pad);
    EXPECT_FALSE(d.left || d.right || d.up || d.down);
    for (int b = 0; b < max_pad_buttons; b++) EXPECT_FALSE(gamepad_button(pad, b)) << b;
    EXPECT_EQ(take_gamepad_press(pad), -1);
    EXPECT_TRUE(take_gamepad_unplugged(pad));
    EXPECT_FALSE(take_gamepad_unplugged(pad)) << "reported once";
    poll_gamepad(pad);
    EXPECT_FALSE(take_gamepad_unplugged(pad));
}

TEST_F(Characters, TheGamepadAndRemappedKeysMoveHerExactlyAsTheArrowsDo) {
    lay_floor();
    // A walk right, a jump while walking, a stop, a walk left: the path the arrows give is the
    // oracle for the same moves from a gamepad's stick (or d-pad) and button, and from other keys.
    struct move {
        int ticks;
        bool left, right, jump;
    };
    const move script[] = {{60, false, true, false}, {5, false, true, true}, {80, false, true, false},
                           {30, false, false, false}, {70, true, false, false}, {10, true, false, true}};
    enum class source { arrows, stick, dpad, other_keys };
    auto path_from = [&](source from) {
        std::vector<std::pair<float, float>> path;
        PLAYER p = fresh_mora();
        fifo_pad pad(player_pad, {abs_x, abs_y, abs_hat0x, abs_hat0y});
        for (const move& m : script)
            for (int t = 0; t < m.ticks; t++) {
                clear_key();
                if (from == source::arrows) {
                    key[KEY_LEFT] = m.left;
                    key[KEY_RIGHT] = m.right;
                    key[KEY_SPACE] = m.jump;
                } else if (from == source::other_keys) {
                    key[KEY_A] = m.left;
                    key[KEY_D] = m.right;
                    key[KEY_K] = m.jump;
                } else {
                    pad.axis(from == source::stick ? 0 : 2, m.left ? -32767 : m.right ? 32767 : 0);
                    pad.button(0, m.jump);
                }
                poll_gamepad(player_pad);
                p.control();
                path.emplace_back(p.x, p.y);
            }
        return path;
    };
    const auto arrows = path_from(source::arrows);
    EXPECT_GT(arrows[150].first, 900.0f) << "the script walks her right";
    EXPECT_LT(arrows[70].second, standing_y) << "and jumps";
    EXPECT_EQ(path_from(source::stick), arrows);
    EXPECT_EQ(path_from(source::dpad), arrows);
    key_bindings = KEY_BINDINGS{KEY_A, KEY_D, KEY_W, KEY_K, KEY_P, KEY_R};
    EXPECT_EQ(path_from(source::other_keys), arrows);
    key_bindings = default_key_bindings;
}

TEST_F(Characters, UpComesFromTheKeyTheStickTheDpadOrThePadsUpButton) {
    clear_key();
    fifo_pad pad(player_pad, {abs_x, abs_y, abs_hat0x, abs_hat0y});
    auto up_after = [&](int type, int number, int value) {
        pad.event(type, number, value);
        poll_gamepad(player_pad);
        const bool up = read_input().up;
        pad.event(type, number, 0);
        poll_gamepad(player_pad);
        return up;
    };
    EXPECT_FALSE(read_input().up);
    EXPECT_TRUE(up_after(js_axis, 1, -32767)) << "the stick pushed up";
    EXPECT_FALSE(up_after(js_axis, 1, 32767)) << "the stick pushed down";
    EXPECT_TRUE(up_after(js_axis, 3, -32767)) << "the d-pad up";
    EXPECT_TRUE(up_after(js_button, 1, 1)) << "the second button";
    EXPECT_FALSE(up_after(js_button, 0, 1)) << "the jump button";
    // Other pad bindings: the buttons they name act, the defaults no longer do.
    pad_bindings = PAD_BINDINGS{3, 4, 9, 6};
    EXPECT_TRUE(up_after(js_button, 4, 1));
    EXPECT_FALSE(up_after(js_button, 1, 1));
    pad.button(3, true);
    poll_gamepad(player_pad);
    EXPECT_TRUE(read_input().jump);
    pad.button(3, false);
    pad.button(0, true);
    poll_gamepad(player_pad);
    EXPECT_FALSE(read_input().jump);
    pad_bindings = default_pad_bindings;
    EXPECT_TRUE(read_input().jump);
    key[KEY_UP] = 1;
    EXPECT_TRUE(read_input().up);
}

// A menu closed with Space (Resume) or Escape: the key still held does not jump or quit in play
// until it has been let go; held again after that, it does.
TEST_F(Characters, WhatClosedAMenuActsOnlyOnceLetGo) {
    clear_key();
    key[KEY_SPACE] = 1;
    key[KEY_ESC] = 1;
    hold_over_input();
    poll_input();
    EXPECT_FALSE(read_input().jump);
    EXPECT_FALSE(escape_held());
    key[KEY_RIGHT] = 1;  // pressed after the menu closed: it acts at once
    EXPECT_TRUE(read_input().right);
    key[KEY_SPACE] = 0;
    key[KEY_ESC] = 0;
    poll_input();
    key[KEY_SPACE] = 1;
    key[KEY_ESC] = 1;
    EXPECT_TRUE(read_input().jump);
    EXPECT_TRUE(escape_held());
    clear_key();
}
