// The shell: cutting the tile sheet, load_shit's files and failures, the sample seam, the logic
// tick, the frame drawn with and without the clip to the camera's window, the command line, the
// settings file, the search for the game's files and the results card's numbers.
#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "characters/player.h"
#include "gameplay/hud.h"
#include "gameplay/mission.h"
#include "gameplay/shops.h"
#include "gameplay/tick.h"
#include "masks/pmask.h"
#include "core/assets.h"
#include "shell/options.h"
#include "menu/menu.h"
#include "menu/settings.h"
#include "replay/progress.h"
#include "replay/splits.h"
#include "shell/shell.h"
#include "test_util.h"
#include "world/camera.h"
#include "world/level.h"

namespace {

constexpr int magenta = 0xFF00FF;

// Cell (cx, cy) of a test sheet: a colour of its own, with a magenta hole at (n % 32, n / 32)
// where n is its number in reading order, so both the tile and its mask say which cell it was.
int cell_colour(int cx, int cy) { return 0x010000 * (10 + cx * 20) + 0x000100 * (10 + cy * 20) + 0x33; }

BITMAP* make_sheet(int w, int h) {
    BITMAP* sheet = create_bitmap(w, h);
    const int columns = (w + 31) / 32;
    for (int cy = 0; cy * 32 < h; cy++)
        for (int cx = 0; cx * 32 < w; cx++) {
            rectfill(sheet, cx * 32, cy * 32, cx * 32 + 31, cy * 32 + 31, cell_colour(cx, cy));
            const int n = cy * columns + cx;
            putpixel(sheet, cx * 32 + n % 32, cy * 32 + n / 32, magenta);
        }
    return sheet;
}

// Tile n must show sheet cell (n % columns, n / columns), and its mask must be empty exactly
// where the tile is magenta.
void expect_tiles_in_reading_order(BITMAP* sheet, int count, int columns) {
    ASSERT_EQ(static_cast<int>(tiles.size()), count);
    ASSERT_EQ(static_cast<int>(masktiles.size()), count);
    for (int n = 0; n < count; n++) {
        const int cx = n % columns, cy = n / columns;
        ASSERT_EQ(tiles[n]->w, 32);
        ASSERT_EQ(tiles[n]->h, 32);
        ASSERT_EQ(masktiles[n]->w, 32);
        ASSERT_EQ(masktiles[n]->h, 32);
        for (int y = 0; y < 32; y++)
            for (int x = 0; x < 32; x++) {
                const int want = getpixel(sheet, cx * 32 + x, cy * 32 + y);
                ASSERT_EQ(getpixel(tiles[n], x, y), want) << "tile " << n << " at " << x << "," << y;
                ASSERT_EQ(get_pmask_pixel(masktiles[n], x, y), want == magenta ? 0 : 1)
                    << "mask " << n << " at " << x << "," << y;
            }
        EXPECT_EQ(getpixel(tiles[n], n % 32, n / 32), magenta) << "tile " << n << " has its own hole";
    }
}

class Tiles : public testing::Test {
protected:
    void SetUp() override { init_headless_allegro(); }
    void TearDown() override { unload_shit(); }
};

} // namespace

TEST_F(Tiles, ASheetOf64By96GivesSixTilesInReadingOrder) {
    BITMAP* sheet = make_sheet(64, 96);
    ASSERT_TRUE(cut_tiles(sheet));
    expect_tiles_in_reading_order(sheet, 6, 2);
    destroy_bitmap(sheet);
}

TEST_F(Tiles, ASheetOf320By32GivesTenTilesLeftToRight) {
    BITMAP* sheet = make_sheet(320, 32);
    ASSERT_TRUE(cut_tiles(sheet));
    expect_tiles_in_reading_order(sheet, 10, 10);
    destroy_bitmap(sheet);
}

TEST_F(Tiles, TilesAreCopiesOfTheSheet) {
    BITMAP* sheet = make_sheet(64, 32);
    ASSERT_TRUE(cut_tiles(sheet));
    clear_to_color(sheet, 0);
    EXPECT_EQ(getpixel(tiles[1], 5, 5), cell_colour(1, 0));
    EXPECT_NE(tiles[1]->line[0], sheet->line[0] + 32 * 4);
    destroy_bitmap(sheet);
}

TEST_F(Tiles, APartialCellAtTheEdgeIsTransparentBeyondIt) {
    BITMAP* sheet = make_sheet(40, 40);
    ASSERT_TRUE(cut_tiles(sheet));
    ASSERT_EQ(tiles.size(), 4u);
    EXPECT_EQ(getpixel(tiles[1], 7, 5), cell_colour(1, 0));
    EXPECT_EQ(getpixel(tiles[1], 8, 5), magenta);
    EXPECT_EQ(get_pmask_pixel(masktiles[1], 8, 5), 0);
    EXPECT_EQ(getpixel(tiles[3], 5, 7), cell_colour(1, 1));
    EXPECT_EQ(getpixel(tiles[3], 5, 8), magenta);
    destroy_bitmap(sheet);
}

TEST_F(Tiles, AnAllMagentaTileLeavesTheBufferAsItWas) {
    BITMAP* sheet = create_bitmap(64, 32);
    clear_to_color(sheet, magenta);
    rectfill(sheet, 32, 0, 63, 31, 0x00FF00);
    ASSERT_TRUE(cut_tiles(sheet));
    std::istringstream level(level_with({{"0x", "1w"}, {"1w", "0x"}}));
    std::string error;
    ASSERT_TRUE(read_level(level, 2, &error)) << error;
    BITMAP* bmp = create_bitmap(64, 64);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) putpixel(bmp, x, y, x * 4 + y * 1024);
    draw_tiles(bmp, 0, 0);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) {
            const bool tile1 = (x >= 32) != (y >= 32);
            ASSERT_EQ(getpixel(bmp, x, y), tile1 ? 0x00FF00 : x * 4 + y * 1024) << x << "," << y;
        }
    destroy_bitmap(bmp);
    destroy_bitmap(sheet);
}

// load_shit with the files written into a scratch dat/: made-up pictures, samples and music;
// the shops datafile is the one built for the game (the library has no datafile writer).
class LoadShit : public testing::Test {
protected:
    void SetUp() override {
        init_headless_allegro();
        unload_shit();
        blStartFailed = false;
        built = std::filesystem::absolute(build_dir()) / "dat";
        work = std::make_unique<scoped_work_dir>();
        std::filesystem::create_directory("dat");
    }
    void TearDown() override {
        work.reset();
        unload_shit();
        blStartFailed = false;
    }
    static void write_picture(const char* name, int w, int h) {
        BITMAP* pic = make_sheet(w, h);
        ASSERT_EQ(save_bitmap(name, pic, nullptr), 0);
        destroy_bitmap(pic);
    }
    void copy_built(const char* name, const char* as) {
        std::filesystem::copy_file(built / name, std::filesystem::path("dat") / as);
    }
    void write_all() {
        write_picture("dat/tiles.pcx", 64, 96);
        write_picture("dat/title.pcx", 320, 240);
        copy_built("shops.dat", "shops.dat");
        for (const char* s : {"change.wav", "shoe1.wav", "shoe2.wav", "land.wav", "jump.wav", "vela.wav", "unlock.wav"})
            std::ofstream(std::string("dat/") + s, std::ios::binary) << square_wav(1000);
        std::ofstream("dat/music.it", std::ios::binary) << sine_module();
    }
    std::filesystem::path built;
    std::unique_ptr<scoped_work_dir> work;
};

TEST_F(LoadShit, LoadsEveryFile) {
    write_all();
    EXPECT_EQ(stdout_of(load_shit), "");
    EXPECT_FALSE(blStartFailed);
    ASSERT_NE(tilemap, nullptr);
    expect_tiles_in_reading_order(tilemap, 6, 2);
    ASSERT_NE(the_title, nullptr);
    EXPECT_EQ(the_title->w, 320);
    ASSERT_NE(datshops, nullptr);
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(shops[i], datshops[i].dat) << i;
        EXPECT_NE(shops[i], nullptr) << i;
    }
    for (SAMPLE* s : {change, shoe[0], shoe[1], land, jump, velachange, unlock_sound}) EXPECT_NE(s, nullptr);
    EXPECT_NE(song, nullptr);
}

TEST_F(LoadShit, MissingSoundsStaySilentAndAreNoFailure) {
    write_picture("dat/tiles.pcx", 32, 32);
    write_picture("dat/title.pcx", 32, 32);
    copy_built("shops.dat", "shops.dat");
    EXPECT_EQ(stdout_of(load_shit), "");
    EXPECT_FALSE(blStartFailed);
    for (SAMPLE* s : {change, shoe[0], shoe[1], land, jump, velachange, unlock_sound}) EXPECT_EQ(s, nullptr);
    EXPECT_EQ(song, nullptr);
    // A sound that is missing is simply not played: play_sample never sees a null sample.
    play_sound(change, 255, 128, 1000, 0);
    play_sound(jump, 128, 128, 1000, 0);
}

TEST_F(LoadShit, AFileTheGameCannotRunWithoutStopsWithItsMessage) {
    struct Case {
        const char* remove;       // file taken away (or replaced) after writing them all
        const char* replacement;  // built file put in its place, or null
        std::string message;
    };
    const Case cases[] = {
        {"dat/tiles.pcx", nullptr, "error loading dat/tiles.pcx"},
        {"dat/title.pcx", nullptr, "error loading dat/title.pcx"},
        {"dat/shops.dat", nullptr, "error loading shops.dat"},
        // A datafile with fewer than five RLE sprites at its start: the font's.
        {"dat/shops.dat", "font.dat", "error loading shops.dat"},
    };
    for (const Case& c : cases) {
        unload_shit();
        std::filesystem::remove_all("dat");
        std::filesystem::create_directory("dat");
        write_all();
        std::filesystem::remove(c.remove);
        if (c.replacement) std::filesystem::copy_file(built / c.replacement, c.remove);
        blStartFailed = false;
        EXPECT_EQ(stdout_of(load_shit), c.message) << c.remove;
        EXPECT_TRUE(blStartFailed) << c.remove;
        for (RLE_SPRITE* s : shops) EXPECT_EQ(s, nullptr) << c.remove;
    }
}

TEST_F(LoadShit, AShopsDatafileAlreadyLoadedIsKept) {
    write_all();
    datshops = load_datafile((built / "shops.dat").string().c_str());
    ASSERT_NE(datshops, nullptr);
    DATAFILE* first = datshops;
    std::filesystem::remove("dat/shops.dat");
    EXPECT_EQ(stdout_of(load_shit), "");
    EXPECT_EQ(datshops, first);
    EXPECT_EQ(shops[4], first[4].dat);
}

// The game's own dat/ loaded headless, with both characters, as main does it.
class Game : public testing::Test {
protected:
    void SetUp() override {
        init_headless_allegro();
        unload_shit();
        blStartFailed = false;
        old = std::filesystem::current_path();
        std::filesystem::current_path(build_dir());
        load_shit();
        load_level();
        ASSERT_FALSE(blStartFailed);
        // Without a screen load_level made the background for a 0 x 0 screen: make it as the
        // game's 320 x 240 screen has it.
        ASSERT_TRUE(make_back(320, 240));
        ASSERT_EQ(back->w, 16 * iXSize + 320);
        mora = std::make_unique<PLAYER>(player_start_x, start_y, "dat/mora.dat", type_player);
        vela = std::make_unique<PLAYER>(partner_start_x, start_y, "dat/vela.dat", type_partner);
        ASSERT_TRUE(mora->has_frames());
        ASSERT_TRUE(vela->has_frames());
        for (int k = 0; k < KEY_MAX; k++) key[k] = 0;
        blGameOver = false;
        start_rules();
        iThex = iThey = 0;
    }
    void TearDown() override {
        std::filesystem::current_path(old);
        for (int k = 0; k < KEY_MAX; k++) key[k] = 0;
        blGameOver = false;
        unload_shit();
        unload_level();
    }
    std::filesystem::path old;
    std::unique_ptr<PLAYER> mora, vela;
};

TEST_F(Game, EscapeEndsTheGameAfterTheTick) {
    game_tick(*mora, *vela);
    EXPECT_FALSE(blGameOver);
    key[KEY_ESC] = 1;
    game_tick(*mora, *vela);
    EXPECT_TRUE(blGameOver);
}

TEST_F(Game, TheAnimationStepRunsOnlyWhenDueAndIsThenCleared) {
    key[KEY_RIGHT] = 1;
    for (int i = 0; i < 30; i++) game_tick(*mora, *vela);  // walking, no step due
    const int frame = mora->frame;
    game_tick(*mora, *vela);
    EXPECT_EQ(mora->frame, frame);
    do_anim = true;
    game_tick(*mora, *vela);
    EXPECT_FALSE(do_anim);
    EXPECT_NE(mora->frame, frame) << "a walking character moves on a phase";
}

TEST_F(Game, MoraStandsStillWhileTheChangePlays) {
    for (int i = 0; i < 240; i++) game_tick(*mora, *vela);  // land first
    key[KEY_RIGHT] = 1;
    metamorphose = true;
    metafactor = 3;
    const float x = mora->x;
    game_tick(*mora, *vela);
    EXPECT_EQ(mora->x, x);
    EXPECT_EQ(metafactor, 6) << "the shops' tick still runs";
    metamorphose = false;
    metafactor = 0;
    game_tick(*mora, *vela);
    EXPECT_GT(mora->x, x);
}

// The frame must show the same picture whether or not the buffer is clipped to the window;
// the buffer is filled with a colour the frame never draws before each, so that a part of the
// window left undrawn would show.
TEST_F(Game, TheClipToTheWindowChangesNothingOnScreen) {
    BITMAP* clipped = create_bitmap(320, 240);
    BITMAP* full = create_bitmap(320, 240);
    const int leftover = 0x01FE02;
    const struct {
        int x, y;
    } cameras[] = {{656, 392}, {0, 0}, {-500, -500}, {100000, 100000}, {333, 17}};
    for (const auto& c : cameras) {
        for (bool clip : {true, false}) {
            clear_to_color(buffer, leftover);
            iThex = c.x;
            iThey = c.y;
            draw_frame_sized(clip ? clipped : full, *mora, *vela, 320, 240, clip);
        }
        for (int y = 0; y < 240; y++)
            for (int x = 0; x < 320; x++) {
                ASSERT_EQ(getpixel(clipped, x, y), getpixel(full, x, y)) << "camera " << c.x << "," << c.y << " at " << x << "," << y;
                ASSERT_NE(getpixel(clipped, x, y), leftover) << x << "," << y;
            }
    }
    destroy_bitmap(clipped);
    destroy_bitmap(full);
}

namespace {

// The pictures the language window test compares the game's screen with, drawn headless in the
// language in force into dir: the title with its hints (title.pcx), the pause menu over frame
// (pause.pcx, and pause.txt: "X Y W H" of its panel, the part that hides the frame behind it
// whatever it is) and the district screen without previews, the first district chosen
// (districts.pcx).
void window_references(const std::string& dir, BITMAP* frame) {
    EXPECT_EQ(save_bitmap((dir + "/title.pcx").c_str(), title_picture(), nullptr), 0);
    MENU_STATE m;
    open_menu(m);
    // The panel: what the menu draws alike over black and over white.
    BITMAP* over[2] = {create_bitmap(320, 240), create_bitmap(320, 240)};
    clear_to_color(over[0], 0);
    clear_to_color(over[1], 0xFFFFFF);
    for (BITMAP* b : over) draw_menu(b, m);
    int x0 = 320, y0 = 240, x1 = -1, y1 = -1;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            if (getpixel(over[0], x, y) == getpixel(over[1], x, y))
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    ASSERT_GE(x1, x0) << "the menu hides nothing";
    blit(frame, over[0], 0, 0, 0, 0, 320, 240);
    draw_menu(over[0], m);
    EXPECT_EQ(save_bitmap((dir + "/pause.pcx").c_str(), over[0], nullptr), 0);
    std::ofstream(dir + "/pause.txt") << x0 << ' ' << y0 << ' ' << x1 - x0 + 1 << ' ' << y1 - y0 + 1 << '\n';
    load_game_progress();
    draw_district_screen(over[0], game_districts(), 0, 0, false);
    EXPECT_EQ(save_bitmap((dir + "/districts.pcx").c_str(), over[0], nullptr), 0);
    for (BITMAP* b : over) destroy_bitmap(b);
}

} // namespace

// The first frame after the title, once Mora has landed: the camera follows her, and outside
// the characters and the HUD the window shows the background and the tiles of the level at the
// camera. With OSA_START_FRAME_OUT set, the frame is written there as a PCX for the window test;
// drawn in the language OSA_LANGUAGE names (default English), with OSA_LANGUAGE_REFS naming a
// folder the language window test's other pictures go there too (window_references).
TEST_F(Game, TheStartFrameShowsTheLevelAtMora) {
    const char* lang = std::getenv("OSA_LANGUAGE");
    speak(lang ? lang : "en");
    for (int i = 0; i < 600; i++) game_tick(*mora, *vela);
    ASSERT_TRUE(mora->onground);
    BITMAP* frame = create_bitmap(320, 240);
    draw_frame_sized(frame, *mora, *vela, 320, 240, true);
    const int cam_x = iThex, cam_y = iThey;
    EXPECT_GE(cam_x, 0);
    EXPECT_GE(cam_y, 0);
    EXPECT_LE(cam_x, 32 * iXSize - 320);
    EXPECT_LE(cam_y, 32 * iYSize - 240);

    // The oracle: background and tiles drawn on their own, without the characters or the HUD.
    BITMAP* world = create_bitmap(32 * iXSize, 32 * iYSize);
    blit(back, world, cam_x / 2, cam_y / 2, cam_x, cam_y, 320, 240);
    draw_tiles(world, 0, 0);
    int same = 0;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) same += getpixel(frame, x, y) == getpixel(world, cam_x + x, cam_y + y);
    EXPECT_GT(same, 320 * 240 * 7 / 10) << "only the characters and the HUD lie over the level";
    EXPECT_LT(same, 320 * 240) << "the characters stand in the window";

    if (const char* out = std::getenv("OSA_START_FRAME_OUT")) {
        EXPECT_EQ(save_bitmap(out, frame, nullptr), 0);
    }
    if (const char* dir = std::getenv("OSA_LANGUAGE_REFS")) window_references(dir, frame);
    destroy_bitmap(world);
    destroy_bitmap(frame);
    speak("en");
}

namespace {

// parse_options on a command line given as words; out and err collect what it prints.
struct parsed {
    OPTIONS_RESULT result;
    OPTIONS opt;
    std::string out, err;
};
parsed parse(std::vector<std::string> words) {
    words.insert(words.begin(), "one-step-ahead");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    parsed p;
    char* out_text = nullptr;
    char* err_text = nullptr;
    size_t out_size = 0, err_size = 0;
    std::FILE* out = open_memstream(&out_text, &out_size);
    std::FILE* err = open_memstream(&err_text, &err_size);
    p.result = parse_options(static_cast<int>(words.size()), argv.data(), p.opt, out, err);
    std::fclose(out);
    std::fclose(err);
    p.out = out_text;
    p.err = err_text;
    std::free(out_text);
    std::free(err_text);
    return p;
}

size_t lines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

} // namespace

TEST(CommandLine, OptionsAndTheirFaults) {
    parsed p = parse({"--window", "--scale", "3", "--level", "my level.dat", "-d", "/opt/x", "--mute"});
    ASSERT_EQ(p.result, OPTIONS_RESULT::play) << p.err;
    EXPECT_EQ(p.opt.fullscreen, 0);
    EXPECT_EQ(p.opt.scale, 3);
    EXPECT_EQ(p.opt.level, "my level.dat");
    EXPECT_EQ(p.opt.data, "/opt/x");
    EXPECT_TRUE(p.opt.mute);
    p = parse({});
    EXPECT_EQ(p.result, OPTIONS_RESULT::play);
    EXPECT_EQ(p.opt.fullscreen, -1) << "nothing given: the settings decide";
    EXPECT_EQ(p.opt.scale, 0);
    EXPECT_EQ(parse({"-w", "--fullscreen"}).opt.fullscreen, 1) << "the last one wins";
    EXPECT_EQ(parse({"--edit", "harbour-2"}).opt.edit, "harbour-2");
    p = parse({"--export", "harbour-2", "-o", "h.osadistrict"});
    EXPECT_EQ(p.opt.run, RUN_MODE::export_district);
    EXPECT_EQ(p.opt.share, "harbour-2");
    EXPECT_EQ(p.opt.output, "h.osadistrict");
    EXPECT_EQ(parse({"--import", "h.osadistrict"}).opt.import, "h.osadistrict");
    // A file given by itself is a district file by its name.
    scoped_work_dir dir;
    std::ofstream("sent.osadistrict") << "PK\x03\x04";
    std::ofstream("sent.zip") << "PK\x03\x04";
    std::ofstream("fake.osadistrict") << "[district]\n";
    EXPECT_EQ(parse({"--window", "sent.osadistrict"}).opt.open, "sent.osadistrict");
    // A damaged one is opened too: its screen says what is wrong with it.
    EXPECT_EQ(parse({"fake.osadistrict"}).opt.open, "fake.osadistrict");

    p = parse({"--help"});
    EXPECT_EQ(p.result, OPTIONS_RESULT::done);
    EXPECT_NE(p.out.find("--scale N"), std::string::npos);
    EXPECT_TRUE(p.err.empty());
    p = parse({"--version"});
    EXPECT_EQ(p.result, OPTIONS_RESULT::done);
    EXPECT_EQ(p.out.rfind("One Step Ahead ", 0), 0u) << p.out;

    // Each fault: one line of its own, then the usage, all on err; nothing on out.
    const std::vector<std::vector<std::string>> faults = {
        {"--scale", "0"}, {"--scale", "9"}, {"--scale", "2x"}, {"--scale"}, {"--frobnicate"},
        {"-q"}, {"--level", ""}, {"stray"}, {"--edit", "../home"}, {"--edit", "Harbour"}, {"--edit"},
        {"--export", "../home"}, {"-o", "f.osadistrict"}, {"--import", "f", "--export", "harbour"},
        {"sent.zip"}, {"sent.osadistrict", "sent.osadistrict"},
        {"--level", "x.dat", "sent.osadistrict"}};
    const size_t usage_lines = lines(parse({"--help"}).out);
    for (const auto& f : faults) {
        p = parse(f);
        EXPECT_EQ(p.result, OPTIONS_RESULT::usage_error) << f[0];
        EXPECT_TRUE(p.out.empty()) << f[0];
        EXPECT_EQ(lines(p.err), usage_lines + 1) << p.err;
        EXPECT_EQ(p.err.rfind("one-step-ahead: ", 0), 0u) << p.err;
    }
}

TEST(CommandLine, AFileNamedAloneIsWatchedWhenItIsAReplay) {
    scoped_work_dir dir;
    const auto write = [](const char* name, const std::string& bytes) { std::ofstream(name, std::ios::binary) << bytes; };
    write("run.dat", std::string("OSAREPLY") + std::string(56, '\0'));  // a replay by its magic
    write("notes.replay", "not a replay at all");                       // by its name: the reader judges it
    write("notes.txt", "OSAREPL");                                      // neither: the magic cut short
    std::filesystem::create_directory("folder");
    struct row {
        std::vector<std::string> words;
        std::string watched;  // the replay taken, or empty when refused
    };
    const std::vector<row> rows = {
        {{"run.dat"}, "run.dat"},
        {{"--window", "notes.replay"}, "notes.replay"},
        {{"gone.replay"}, "gone.replay"},
        {{"notes.txt"}, ""},
        {{"folder"}, ""},
        {{"gone"}, ""},
        {{"run.dat", "notes.replay"}, ""},
        {{"--verify", "run.dat", "notes.replay"}, ""},
        {{"--list-districts", "run.dat"}, ""},
    };
    const size_t usage_lines = lines(parse({"--help"}).out);
    for (const row& r : rows) {
        const parsed p = parse(r.words);
        if (r.watched.empty()) {
            EXPECT_EQ(p.result, OPTIONS_RESULT::usage_error) << r.words.back();
            EXPECT_EQ(lines(p.err), usage_lines + 1) << p.err;
        } else {
            ASSERT_EQ(p.result, OPTIONS_RESULT::play) << p.err;
            EXPECT_EQ(p.opt.run, RUN_MODE::replay) << r.words.back();
            EXPECT_EQ(p.opt.replay, r.watched);
        }
    }
}

TEST(Settings, TheFilesAreFoundBesideTheExecutableOrInTheSharedDirectory) {
    scoped_work_dir dir;
    const std::string root = dir.path().string();
    std::filesystem::create_directories(dir.path() / "build" / "dat");
    std::filesystem::create_directories(dir.path() / "usr" / "bin");
    std::filesystem::create_directories(dir.path() / "usr" / "share" / "one-step-ahead" / "dat");
    EXPECT_EQ(find_data_dir("", nullptr, root + "/build/one-step-ahead"), root + "/build");
    EXPECT_EQ(find_data_dir("", nullptr, root + "/usr/bin/one-step-ahead"),
              root + "/usr/bin/../share/one-step-ahead");
    EXPECT_EQ(find_data_dir("", "", root + "/elsewhere/one-step-ahead"), "") << "the working directory";
    EXPECT_EQ(find_data_dir("", "/env", root + "/build/one-step-ahead"), "/env");
    EXPECT_EQ(find_data_dir("/opt", "/env", root + "/build/one-step-ahead"), "/opt");
    // The catalogues: share/locale in the build tree, share/locale beside share/one-step-ahead in
    // an install, wherever it was moved; none where neither is.
    std::filesystem::create_directories(dir.path() / "build" / "share" / "locale");
    std::filesystem::create_directories(dir.path() / "usr" / "share" / "locale");
    EXPECT_EQ(find_locale_dir(root + "/build"), root + "/build/share/locale");
    EXPECT_EQ(find_locale_dir(root + "/usr/bin/../share/one-step-ahead"), root + "/usr/share/locale");
    EXPECT_EQ(find_locale_dir(root + "/usr/bin"), "");

    const char* old_xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string kept = old_xdg ? old_xdg : "";
    setenv("XDG_CONFIG_HOME", "/x/conf", 1);
    EXPECT_EQ(settings_path(), "/x/conf/one-step-ahead/settings.cfg");
    setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(settings_path(), std::string(std::getenv("HOME")) + "/.config/one-step-ahead/settings.cfg");
    if (old_xdg) setenv("XDG_CONFIG_HOME", kept.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
}

// The results card's numbers: the run's own, its gold splits (missions played quicker than the
// quickest kept), and, for a district that keeps progress, its best as the progress holds it
// after the run, what of it the run set, and what the run opened; a record of a district played
// without a mission held no best, whatever the run's score.
TEST(Results, TheCardSaysWhatTheRunSetAndOpened) {
    std::vector<DISTRICT> list(3);
    const char* folders[] = {"town", "harbour", "park"};
    for (int i = 0; i < 3; i++) {
        list[static_cast<size_t>(i)].folder = folders[i];
        list[static_cast<size_t>(i)].name = std::string("The ") + folders[i];
        list[static_cast<size_t>(i)].shipped = true;
    }
    const DISTRICT was_in_play = current_district;
    current_district = list[1];
    const struct {
        DISTRICT_PROGRESS before;
        int level, score;
        bool new_level, new_score;
        std::vector<std::string> opened;
    } cases[] = {
        {{0, 0}, 1, -3, true, true, {}},            // played before, never a mission
        {{2, 50}, 3, 40, true, false, {"The park"}},  // the third mission opens the next
        {{3, 50}, 1, 60, false, true, {}},
    };
    for (const auto& c : cases) {
        PROGRESS before;
        before.districts["town"] = {3, 0};
        before.districts["harbour"] = c.before;
        game_progress = before;
        improve_progress(game_progress, "harbour", c.level, c.score);  // as each mission kept it
        tase = c.level;
        score = c.score;
        run_ticks = 9000;
        splits_at_start = SPLITS{{}, {100, 200}};
        run_splits = {90, 400};  // 90 ticks beat 100; 310 do not beat 200
        const RUN_RESULTS r = run_results(before, list, true);
        EXPECT_EQ(r.district, "The harbour");
        EXPECT_EQ(r.level, c.level);
        EXPECT_EQ(r.score, c.score);
        EXPECT_EQ(r.ticks, 9000);
        EXPECT_EQ(r.golds, 1);
        EXPECT_EQ(r.best_level, game_progress.districts["harbour"].best_level);
        EXPECT_EQ(r.best_score, game_progress.districts["harbour"].best_score);
        EXPECT_EQ(r.new_best_level, c.new_level) << c.level << " after " << c.before.best_level;
        EXPECT_EQ(r.new_best_score, c.new_score) << c.score << " after " << c.before.best_score;
        EXPECT_EQ(r.opened, c.opened);
        const RUN_RESULTS unranked = run_results(before, {}, false);
        EXPECT_FALSE(unranked.new_best_level || unranked.new_best_score || !unranked.opened.empty());
    }
    current_district = was_in_play;
    game_progress = PROGRESS{};
    splits_at_start = SPLITS{};
    run_splits.clear();
}
