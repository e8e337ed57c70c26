// The world: reading the level file, the camera's follow and clamp, drawing the tiles, and
// load_level's bitmaps and failures.
#include <allegro.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "masks/pmask.h"
#include "core/assets.h"
#include "core/state.h"
#include "test_util.h"
#include "world/camera.h"
#include "world/level.h"

namespace {

constexpr int sheet_tiles = 20;               // tile count the reading tests assume
const std::string five_shops = " 0 0 0 0 0 0 0 0 0 0";

bool read_text(const std::string& text, int tile_count, std::string* error) {
    std::istringstream in(text);
    return read_level(in, tile_count, error);
}

// A level of w x h cells, tile (cx + cy) % 20, walls on the bottom row, shops at the origin.
std::string grid_level(int w, int h) {
    std::ostringstream out;
    out << w << ' ' << h << '\n';
    for (int cy = 0; cy < h; cy++) {
        for (int cx = 0; cx < w; cx++) out << (cx + cy) % sheet_tiles << (cy == h - 1 ? 'w' : '.') << ' ';
        out << '\n';
    }
    out << five_shops << '\n';
    return out.str();
}

// n cells of tile 0, each a wall, as the file writes them: "0w 0w ...".
std::string walls(int n) {
    std::string text;
    for (int i = 0; i < n; i++) text += "0w ";
    return text;
}

void expect_cell(int cx, int cy, int tile, bool wall) {
    EXPECT_EQ(iLevel[cx][cy].iTile, tile) << "cell " << cx << "," << cy;
    EXPECT_EQ(iLevel[cx][cy].blWall, wall) << "cell " << cx << "," << cy;
}

} // namespace

TEST(ReadLevel, CellsFillTheFirstRowBeforeTheSecond) {
    std::string error;
    ASSERT_TRUE(read_text(level_with({{"1w", "0x", "5x"}, {"2w", "2w", "2w"}}), sheet_tiles, &error)) << error;
    EXPECT_EQ(iXSize, min_level_columns);
    EXPECT_EQ(iYSize, min_level_rows);
    expect_cell(0, 0, 1, true);
    expect_cell(1, 0, 0, false);
    expect_cell(2, 0, 5, false);
    for (int cx = 0; cx < 3; cx++) expect_cell(cx, 1, 2, true);
    expect_cell(3, 1, 0, false);
}

TEST(ReadLevel, FlagLetterIsTheNextNonBlankCharacter) {
    struct Case {
        const char* cell;
        bool wall;
    };
    const Case cases[] = {
        {"7w", true}, {"7 w", true}, {"7\nw", true}, {"7\t \n w", true}, {"7W", false}, {"7x", false}, {"7 .", false},
    };
    for (const Case& c : cases) {
        std::string error;
        ASSERT_TRUE(read_text(level_with({{c.cell}}), sheet_tiles, &error)) << c.cell << ": " << error;
        expect_cell(0, 0, 7, c.wall);
    }
}

TEST(ReadLevel, LineBreaksCarryNoMeaning) {
    std::string error;
    ASSERT_TRUE(read_text("29\n17\n3w\n4\nx " + walls(29 * 17 - 2) + "1 0 1 1 0 0 0 0 0 0", sheet_tiles, &error)) << error;
    expect_cell(0, 0, 3, true);
    expect_cell(1, 0, 4, false);
    EXPECT_EQ(shop[0].x, 32);
    EXPECT_EQ(shop[1].y, 32);
}

TEST(ReadLevel, ShopCellsBecomeWorldPixels) {
    std::string error;
    ASSERT_TRUE(read_text("30 20 " + walls(30 * 20) + "4 15  29 20  0 0  1 2  3 4 and anything after the fifth shop",
                          sheet_tiles, &error))
        << error;
    EXPECT_EQ(shop[0].x, 128);
    EXPECT_EQ(shop[0].y, 480);
    EXPECT_EQ(shop[1].x, 928);
    EXPECT_EQ(shop[1].y, 640) << "a shop may stand on the level's bottom line";
    EXPECT_EQ(shop[4].x, 96);
    EXPECT_EQ(shop[4].y, 128);
}

TEST(ReadLevel, CellsBeyondTheSizeStayEmpty) {
    std::string error;
    ASSERT_TRUE(read_text(grid_level(40, 25), sheet_tiles, &error)) << error;
    ASSERT_TRUE(read_text(grid_level(min_level_columns, min_level_rows), sheet_tiles, &error)) << error;
    for (int cx = 0; cx < 42; cx++)
        for (int cy = 0; cy < 27; cy++) {
            if (cx < min_level_columns && cy < min_level_rows)
                expect_cell(cx, cy, (cx + cy) % sheet_tiles, cy == min_level_rows - 1);
            else
                expect_cell(cx, cy, 0, false);
        }
    EXPECT_EQ(iLevel[map_columns - 1][map_rows - 1].iTile, 0);
}

TEST(ReadLevel, TheLargestLevelFits) {
    std::string error;
    ASSERT_TRUE(read_text(grid_level(map_columns, map_rows), sheet_tiles, &error)) << error;
    expect_cell(map_columns - 1, map_rows - 1, (map_columns - 1 + map_rows - 1) % sheet_tiles, true);
    expect_cell(map_columns - 1, 0, (map_columns - 1) % sheet_tiles, false);
}

TEST(ReadLevel, FaultsNameWhatIsWrongAndWhere) {
    struct Case {
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"0 5", "width 0 is outside 29 to 1000 at row 1, column 1"},
        {"1001 1", "width 1001 is outside 29 to 1000 at row 1, column 1"},
        {"-3 1", "width -3 is outside 29 to 1000 at row 1, column 1"},
        {"29 0", "height 0 is outside 17 to 500 at row 1, column 4"},
        {"29\n  501", "height 501 is outside 17 to 500 at row 2, column 3"},
        // Smaller than the screen, or than the two characters' start frames at (800, 480) and
        // (896, 480) need.
        {"1 1 0w" + five_shops, "width 1 is outside 29 to 1000 at row 1, column 1"},
        {"8 8", "width 8 is outside 29 to 1000 at row 1, column 1"},
        {"28 17", "width 28 is outside 29 to 1000 at row 1, column 1"},
        {"29 16", "height 16 is outside 17 to 500 at row 1, column 4"},
        {"29 17 0w 20w" + five_shops, "tile 20 of cell (1, 0) is not a tile of the sheet (0 to 19) at row 1, column 10"},
        {"29 17 " + walls(29) + "\n3w -1w" + five_shops,
         "tile -1 of cell (1, 1) is not a tile of the sheet (0 to 19) at row 2, column 4"},
        {"", "the file ends early, before the width at row 1, column 1"},
        {"  \n", "the file ends early, before the width at row 2, column 1"},
        {"29", "the file ends early, before the height at row 1, column 3"},
        {"29 17 0w", "the file ends early, before the tile number of cell (1, 0) at row 1, column 9"},
        {"29 17 5", "the file ends early, before the letter of cell (0, 0) at row 1, column 8"},
        {"29 17 " + walls(29 * 17) + "\n0 0 0 0 0 0 0 0 0", "the file ends early, before the row of shop 4 at row 2, column 18"},
        {"abc", "the width is not a number: \"abc\" at row 1, column 1"},
        {"29 x", "the height is not a number: \"x\" at row 1, column 4"},
        {"29 17 " + walls(29 * 17) + "\nabc", "the column of shop 0 is not a number: \"abc\" at row 2, column 1"},
        {"29 17 0w w0", "the tile number of cell (1, 0) is not a number: \"w0\" at row 1, column 10"},
        {"99999999999 1", "the width is not a number: \"99999999999\" at row 1, column 1"},
        {"29 17 " + walls(29 * 17) + "\n29 0 0 0 0 0 0 0 0 0",
         "shop 0 at column 29, row 0 lies outside the level of 29 x 17 cells at row 2, column 1"},
        {"29 17 " + walls(29 * 17) + "\n0 18 0 0 0 0 0 0 0 0",
         "shop 0 at column 0, row 18 lies outside the level of 29 x 17 cells at row 2, column 1"},
        {"29 17 " + walls(29 * 17) + "\n0 0 0 0 0 0 0 0 0 -1",
         "shop 4 at column 0, row -1 lies outside the level of 29 x 17 cells at row 2, column 17"},
        {"29 17 " + walls(29 * 17) + "\n0 0 0 0 0 0 0 0 1000000000 0",
         "shop 4 at column 1000000000, row 0 lies outside the level of 29 x 17 cells at row 2, column 17"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(read_text(c.text, sheet_tiles, &error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST(ReadLevel, NoSheetMeansNoTileIsValid) {
    std::string error;
    EXPECT_FALSE(read_text("29 17 0w" + five_shops, 0, &error));
    EXPECT_EQ(error, "tile 0 of cell (0, 0) is not a tile of the sheet (the sheet has no tiles) at row 1, column 7");
}

TEST(ReadLevel, ABadLevelLeavesTheMapAsItWas) {
    std::string error;
    ASSERT_TRUE(read_text(level_with({{"3w", "4x"}}, "1 0 1 0 1 0 1 0 1 0"), sheet_tiles, &error)) << error;
    EXPECT_FALSE(read_text("30 20 5w 5w 5w 5w 5w 99w", sheet_tiles, &error));
    EXPECT_FALSE(read_text("29 17 5w 5w 1 0 1 0 1 0 1 0", sheet_tiles, nullptr));
    EXPECT_FALSE(read_text("28 17 " + walls(28 * 17) + five_shops, sheet_tiles, nullptr));
    EXPECT_EQ(iXSize, min_level_columns);
    EXPECT_EQ(iYSize, min_level_rows);
    expect_cell(0, 0, 3, true);
    expect_cell(1, 0, 4, false);
    expect_cell(2, 0, 0, false);
    expect_cell(min_level_columns, 0, 0, false);
    EXPECT_EQ(shop[0].x, 32);
}

// The follow rule and the clamp, for a 320 x 240 screen.
TEST(Camera, FollowPutsTheMiddleOfTheFrameAtTheCentre) {
    camera_follow_in(800.0f, 480.0f, 320, 240);
    EXPECT_EQ(iThex, 656);
    EXPECT_EQ(iThey, 392);
    camera_follow_in(10.7f, 100.9f, 320, 240);
    EXPECT_EQ(iThex, -134) << "the position is truncated before the offset";
    EXPECT_EQ(iThey, 12);
    camera_follow_in(-0.5f, 0.0f, 320, 240);
    EXPECT_EQ(iThex, -144) << "truncation goes toward zero";
}

TEST(Camera, ClampKeepsTheWindowInsideTheLevel) {
    struct Case {
        int width, height;  // level, in cells
        int x, y;           // camera before
        int want_x, want_y;
    };
    const Case cases[] = {
        {100, 30, -134, 12, 0, 12},
        {100, 30, 5000, 2000, 2880, 720},
        {100, 30, 2880, 720, 2880, 720},
        {100, 30, 2881, 721, 2880, 720},
        {100, 30, 656, 392, 656, 392},
        {8, 5, 0, 0, -64, -80},      // smaller than the screen: the upper bound wins
        {8, 5, -500, -500, -64, -80},
        {8, 5, 500, 500, -64, -80},
        {10, 8, 37, 9, 0, 9},        // exactly as wide as the screen
        {10, 8, -37, 99, 0, 16},
    };
    for (const Case& c : cases) {
        // Levels smaller than the game reads still clamp: the size is set as read_level would.
        iXSize = c.width;
        iYSize = c.height;
        iThex = c.x;
        iThey = c.y;
        // The game's 320 x 240 picture, not the screen's size (none here, SCREEN_W is 0).
        check_iTheXY();
        EXPECT_EQ(iThex, c.want_x) << c.width << "x" << c.height << " from " << c.x;
        EXPECT_EQ(iThey, c.want_y) << c.width << "x" << c.height << " from " << c.y;
    }
}

TEST(Camera, FollowedAndClampedNeverLeavesAWideLevel) {
    std::string error;
    ASSERT_TRUE(read_text(grid_level(100, 30), sheet_tiles, &error)) << error;
    for (float x = -100.0f; x < 3300.0f; x += 7.3f) {
        camera_follow_in(x, 480.0f, 320, 240);
        check_iTheXY_in(320, 240);
        EXPECT_GE(iThex, 0);
        EXPECT_LE(iThex, 2880);
    }
}

class TileDrawing : public testing::Test {
protected:
    void SetUp() override {
        init_headless_allegro();
        // Tile n is solid colour n + 1, except tile 0, which is all mask colour.
        for (int n = 0; n < 3; n++) {
            BITMAP* t = create_bitmap(32, 32);
            clear_to_color(t, n == 0 ? bitmap_mask_color(t) : colour(n));
            tiles.push_back(t);
            masktiles.push_back(create_allegro_pmask(t));
        }
    }
    void TearDown() override {
        for (BITMAP* t : tiles) destroy_bitmap(t);
        for (PMASK* m : masktiles) destroy_pmask(m);
        tiles.clear();
        masktiles.clear();
    }
    static int colour(int n) { return 0x101010 * n + 0x000001; }
};

TEST_F(TileDrawing, EveryCellIsDrawnAtItsPlaceAndEmptyTilesShowWhatWasThere) {
    std::string error;
    // Tile 0 is empty: the rest of the level beyond these cells shows what was there.
    ASSERT_TRUE(read_text(level_with({{"1w", "0x", "2x"}, {"2w", "2w", "1."}}), 3, &error)) << error;
    BITMAP* bmp = create_bitmap(3 * 32 + 10, 2 * 32 + 10);
    const int ground = 0x123456;
    clear_to_color(bmp, ground);
    draw_tiles(bmp, 5, 7);
    const int want[2][3] = {{colour(1), ground, colour(2)}, {colour(2), colour(2), colour(1)}};
    for (int y = 0; y < bmp->h; y++)
        for (int x = 0; x < bmp->w; x++) {
            const int cx = (x - 5) / 32, cy = (y - 7) / 32;
            const bool inside = x >= 5 && y >= 7 && cx < 3 && cy < 2;
            ASSERT_EQ(getpixel(bmp, x, y), inside ? want[cy][cx] : ground) << x << "," << y;
        }
    destroy_bitmap(bmp);
}

TEST_F(TileDrawing, TheClipRectangleChangesNothingInsideIt) {
    std::string error;
    std::vector<std::vector<std::string>> rows(7);
    for (int i = 0; i < 63; i++) rows[static_cast<size_t>(i / 9)].push_back(std::to_string((i * 7) % 3) + "x");
    ASSERT_TRUE(read_text(level_with(rows), 3, &error)) << error;
    BITMAP* full = create_bitmap(9 * 32, 7 * 32);
    BITMAP* clipped = create_bitmap(9 * 32, 7 * 32);
    clear_to_color(full, 0x0000FF);
    clear_to_color(clipped, 0x0000FF);
    set_clip_rect(clipped, 50, 40, 50 + 99, 40 + 79);
    draw_tiles(full, 0, 0);
    draw_tiles(clipped, 0, 0);
    for (int y = 0; y < full->h; y++)
        for (int x = 0; x < full->w; x++) {
            const bool inside = x >= 50 && x < 150 && y >= 40 && y < 120;
            ASSERT_EQ(getpixel(clipped, x, y), inside ? getpixel(full, x, y) : 0x0000FF) << x << "," << y;
        }
    destroy_bitmap(full);
    destroy_bitmap(clipped);
}

// load_level in a scratch directory; the font datafile is the one built for the game.
class LoadLevel : public testing::Test {
protected:
    void SetUp() override {
        init_headless_allegro();
        blStartFailed = false;
        for (int n = 0; n < 3; n++) tiles.push_back(create_bitmap(32, 32));
        font_dat = std::filesystem::absolute(build_dir()) / "dat" / "font.dat";
        work = std::make_unique<scoped_work_dir>();
        std::filesystem::create_directory("dat");
    }
    void TearDown() override {
        work.reset();
        for (BITMAP* t : tiles) destroy_bitmap(t);
        tiles.clear();
        unload_level();
        blStartFailed = false;
    }
    static void write(const char* name, const std::string& text) { std::ofstream(name) << text; }
    static void write_back(int w, int h) {
        BITMAP* pic = create_bitmap(w, h);
        clear_to_color(pic, 0x336699);
        rectfill(pic, 0, 0, w / 2 - 1, h - 1, 0xCC8844);  // left half another colour
        ASSERT_EQ(save_bitmap("dat/back.pcx", pic, nullptr), 0);
        destroy_bitmap(pic);
    }
    void copy_font() { std::filesystem::copy_file(font_dat, "dat/font.dat"); }
    // The smallest level the game takes, walls on its bottom row.
    std::string smallest_level() {
        std::ostringstream out;
        out << "29 17 ";
        for (int i = 0; i < 29 * 17; i++) out << i % 3 << (i >= 29 * 16 ? "w " : ". ");
        out << "4 6 0 0 1 1 2 2 3 3";
        return out.str();
    }

    std::filesystem::path font_dat;
    std::unique_ptr<scoped_work_dir> work;
};

TEST_F(LoadLevel, MakesTheLevelSizedBitmaps) {
    write("dat/level.dat", smallest_level());
    write_back(64, 48);
    copy_font();
    const std::string out = stdout_of(load_level);
    EXPECT_EQ(out, "");
    EXPECT_FALSE(blStartFailed);
    EXPECT_EQ(iXSize, 29);
    EXPECT_EQ(iYSize, 17);
    EXPECT_EQ(shop[0].x, 128);
    EXPECT_EQ(shop[0].y, 192);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->w, 928);
    EXPECT_EQ(buffer->h, 544);
    EXPECT_EQ(getpixel(buffer, 100, 100), 0) << "the world buffer starts cleared";
    // Half the level plus one 320 x 240 picture, whatever the screen (here none: SCREEN_W and
    // SCREEN_H read 0).
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->w, 29 * 16 + 320);
    EXPECT_EQ(back->h, 17 * 16 + 240);
    EXPECT_EQ(getpixel(back, 0, 0), 0xCC8844) << "the picture is stretched over the whole background";
    EXPECT_EQ(getpixel(back, back->w - 1, back->h - 1), 0x336699);
    // On a 640 x 480 screen: 1104 x 752, the picture's left half over the left 552 pixels.
    ASSERT_TRUE(make_back(640, 480));
    EXPECT_EQ(back->w, 1104);
    EXPECT_EQ(back->h, 752);
    EXPECT_EQ(getpixel(back, 551, 0), 0xCC8844);
    EXPECT_EQ(getpixel(back, 552, 751), 0x336699);
    ASSERT_NE(before, nullptr);
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(before->w, 32);
    EXPECT_EQ(now->h, 64);
    ASSERT_NE(font1, nullptr);
    EXPECT_EQ(font1[0].type, DAT_FONT);
}

TEST_F(LoadLevel, EachMissingOrBadFileStopsWithItsMessage) {
    struct Case {
        const char* what;
        bool level, good_level, picture, font;
        std::string message;
    };
    const Case cases[] = {
        {"no level", false, true, true, true, "error opening dat/level.dat"},
        {"bad level", true, false, true, true,
         "error in dat/level.dat: tile 7 of cell (1, 0) is not a tile of the sheet (0 to 2) at row 1, column 10"},
        {"no background", true, true, false, true, "can't load dat/back.pcx"},
        {"no font", true, true, true, false, "error loading dat/font.dat"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all("dat");
        std::filesystem::create_directory("dat");
        if (c.level) write("dat/level.dat", c.good_level ? smallest_level() : "29 17 0w 7w 0 0 0 0 0 0 0 0 0 0");
        if (c.picture) write_back(16, 16);
        if (c.font) copy_font();
        blStartFailed = false;
        EXPECT_EQ(stdout_of(load_level), c.message) << c.what;
        EXPECT_TRUE(blStartFailed) << c.what;
    }
}

TEST_F(LoadLevel, AFontFileWithoutAFontIsNoFont) {
    write("dat/level.dat", smallest_level());
    write_back(16, 16);
    // A datafile whose object 0 is not a font: the shops' datafile has RLE sprites.
    std::filesystem::copy_file(font_dat.parent_path() / "shops.dat", "dat/font.dat");
    EXPECT_EQ(stdout_of(load_level), "error loading dat/font.dat");
    EXPECT_TRUE(blStartFailed);
    EXPECT_EQ(font1, nullptr);
}

TEST_F(TileDrawing, WithClippingOffEveryCellIsDrawn) {
    std::string error;
    ASSERT_TRUE(read_text(level_with({{"1x", "2x"}, {"2x", "1x"}}), 3, &error)) << error;
    BITMAP* bmp = create_bitmap(64, 64);
    clear_to_color(bmp, 0x0000FF);
    set_clip_rect(bmp, 0, 0, 9, 9);
    set_clip_state(bmp, FALSE);
    draw_tiles(bmp, 0, 0);
    EXPECT_EQ(getpixel(bmp, 5, 5), colour(1));
    EXPECT_EQ(getpixel(bmp, 40, 5), colour(2));
    EXPECT_EQ(getpixel(bmp, 5, 40), colour(2));
    EXPECT_EQ(getpixel(bmp, 63, 63), colour(1));
    destroy_bitmap(bmp);
}
