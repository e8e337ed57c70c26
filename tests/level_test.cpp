// The shipped level and the level tool's checks: levels/town.map passes every check, the search
// over the player's own physics included, and is what dat/level.dat holds; a shop on a pillar too
// high and a gap in the border are refused by name and place; a map anywhere on disk becomes a
// level file that the game's reader takes, or a district's folder; a district's folder written
// whole, and a draft's saying why it cannot be played.
// The search on the shipped map runs millions of control() ticks; the sanitizer build compiles
// without optimisation, so one test runs it, once.
#include <allegro.h>
#include <gtest/gtest.h>
#include <loadpng.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "authoring/district_files.h"
#include "authoring/level_check.h"
#include "authoring/tile_ids.h"
#include "characters/player.h"
#include "core/assets.h"
#include "gameplay/mission.h"
#include "test_util.h"
#include "world/level.h"

namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const search_characters& data() { return shipped_search_characters(); }

level_map shipped_map() {
    std::ifstream in(source_dir() + "/levels/town.map");
    return read_map(in);
}

// A small flat level: the border, a floor on row 17, the starts, shops 0 to 3 on the floor and
// the handbag shop (4) wherever `handbag` puts it; rows and columns as in the map's text.
std::vector<std::string> flat_rows() {
    std::vector<std::string> rows(20, "#" + std::string(38, '.') + "#");
    rows[0] = rows[18] = rows[19] = std::string(40, '#');
    rows[17] = std::string(40, '#');
    rows[16][25] = 'P';
    rows[16][28] = 'V';
    rows[16][2] = '0';
    rows[16][6] = '1';
    rows[16][10] = '2';
    rows[16][14] = '3';
    return rows;
}
std::string map_text(const std::vector<std::string>& rows) {
    std::string text = "; a map of the test\n";
    for (const std::string& r : rows) text += r + "\n";
    return text;
}
level_map map_of(const std::vector<std::string>& rows) {
    std::istringstream in(map_text(rows));
    return read_map(in);
}

// Runs the level tool in the working directory (a scoped_work_dir); returns its exit status, with
// what it wrote to stderr in *errors.
int run_tool(const std::string& args, std::string* errors) {
    const std::string cmd = "'" + build_dir() + "/one-step-ahead-level' " + args + " > /dev/null 2> tool.err";
    const int status = std::system(cmd.c_str());
    *errors = contents("tool.err");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The names of the files in dir, sorted.
std::vector<std::string> files_in(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A key of a district.cfg's [district] section, read with Allegro's configuration routines.
std::string district_key(const std::string& cfg, const char* key) {
    init_headless_allegro();
    push_config_state();
    set_config_file(cfg.c_str());
    const std::string value = get_config_string("district", key, "(none)");
    pop_config_state();
    return value;
}

// ---- The shipped level ----

// The map passes the checks that need no physics, and its level file is what the generator
// wrote into dat/ and what the game's own reader takes, cell by cell.
TEST(ShippedLevel, IsWhatTheGeneratorWroteAndWhatTheGameReads) {
    const level_map m = shipped_map();
    for (const std::string& f : check_map(m)) ADD_FAILURE() << f;
    const level_cells cells = build_cells(m);
    const std::string text = level_text(cells);
    EXPECT_EQ(text, contents(build_dir() + "/dat/level.dat"));
    // The world buffer holds the whole level: keep it within a few screens of memory.
    EXPECT_LE(cells.w, 150);
    EXPECT_LE(cells.h, 40);

    data();
    EXPECT_EQ(static_cast<int>(tiles.size()), tile_count);
    std::istringstream in(text);
    std::string error;
    ASSERT_TRUE(read_level(in, static_cast<int>(tiles.size()), &error)) << error;
    EXPECT_EQ(iXSize, cells.w);
    EXPECT_EQ(iYSize, cells.h);
    for (int r = 0; r < cells.h; r++)
        for (int c = 0; c < cells.w; c++) {
            EXPECT_EQ(iLevel[c][r].iTile, cells.tile_at(c, r));
            EXPECT_EQ(iLevel[c][r].blWall, cells.wall_at(c, r));
        }
    for (int i = 0; i < shop_count; i++) {
        EXPECT_EQ(shop[i].x, 32 * cells.shop_col[i]);
        EXPECT_EQ(shop[i].y, 32 * cells.shop_row[i]);
    }
}

// Every shop from the start and the partner back from every shop; the first mission (clothes,
// then shoes, then back) fits its 60 seconds.
TEST(ShippedLevel, EveryShopIsReachableAndTheFirstMissionFits) {
    const level_check c = check_level(shipped_map(), data().player, data().partner);
    for (const std::string& f : c.faults) ADD_FAILURE() << f;
    for (const std::string& line : c.report) std::printf("%s\n", line.c_str());
    std::printf("search: %ld control() ticks\n", c.routes.ticks_simulated);
    for (int i = 0; i < shop_count; i++) {
        EXPECT_GT(c.routes.there[i], 0) << names[i];
        EXPECT_GT(c.routes.back[i], 0) << names[i];
    }
    const std::vector<mission_tour> tours = mission_tours(c.routes, data().player, data().partner, 1);
    ASSERT_EQ(tours.size(), 1u);
    const int first[shop_count] = {0, 0, 1, 1, 0};
    for (int i = 0; i < shop_count; i++) EXPECT_EQ(tours[0].visits[i], first[i]) << names[i];
    EXPECT_EQ(tours[0].allowance, 60);
    EXPECT_TRUE(tours[0].fits()) << tours[0].ticks << " ticks";
}

// ---- Maps the tool refuses, and one it writes ----

TEST(LevelTool, RefusesAShopOnAPillarTooHighToClimbNamingIt) {
    std::vector<std::string> rows = flat_rows();
    for (int r = 12; r <= 16; r++) rows[static_cast<size_t>(r)].replace(33, 3, "SSS");  // five cells high
    rows[11][33] = '4';
    const level_check c = check_level(map_of(rows), data().player, data().partner);
    ASSERT_EQ(c.faults.size(), 1u);
    EXPECT_EQ(c.faults[0], "the handbag shop (row 11, column 33) cannot be reached from the start");
    for (int i = 0; i < 4; i++) EXPECT_GT(c.routes.there[i], 0) << names[i];
}

// A playable district's four files, as written and as read back; the same folder made a draft
// loses its level and preview and says why in one line; nothing temporary is left behind.
TEST(DistrictFiles, AreWrittenWholeAndADraftSaysWhyItCannotBePlayed) {
    std::vector<std::string> rows = flat_rows();
    rows[16][31] = '4';
    const std::string text = map_text(rows);
    const level_check playable = check_level(map_of(rows), data().player, data().partner);
    ASSERT_TRUE(playable.faults.empty());
    scoped_work_dir dir;
    std::string error;
    ASSERT_TRUE(write_district("mine/flat", text, playable, "Flat\tTown\n" + std::string(50, 'x'), 0, nullptr, nullptr,
                               &error))
        << error;
    EXPECT_EQ(files_in("mine/flat"),
              (std::vector<std::string>{"district.cfg", "level.dat", "level.map", "preview.png"}));
    EXPECT_EQ(contents("mine/flat/level.dat"), playable.text);
    EXPECT_EQ(contents("mine/flat/level.map"), text);
    const std::string name = district_key("mine/flat/district.cfg", "name");
    EXPECT_EQ(name, "FlatTown" + std::string(32, 'x'));  // one line, 40 characters
    EXPECT_EQ(district_key("mine/flat/district.cfg", "order"), "(none)");
    EXPECT_EQ(district_key("mine/flat/district.cfg", "not_playable"), "(none)");
    BITMAP* preview = load_png("mine/flat/preview.png", nullptr);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->w, 40 * 16);  // half size
    destroy_bitmap(preview);

    rows[11][33] = '4';
    rows[16][31] = '.';
    for (int r = 12; r <= 16; r++) rows[static_cast<size_t>(r)].replace(33, 3, "SSS");
    const level_check draft = check_level(map_of(rows), data().player, data().partner);
    ASSERT_FALSE(draft.faults.empty());
    ASSERT_TRUE(write_district("mine/flat", map_text(rows), draft, "Flat", 7, nullptr, nullptr, &error)) << error;
    EXPECT_EQ(files_in("mine/flat"), (std::vector<std::string>{"district.cfg", "level.map"}));
    EXPECT_EQ(district_key("mine/flat/district.cfg", "not_playable"), draft.faults[0]);
    EXPECT_NE(draft.faults[0].find("handbag shop"), std::string::npos) << draft.faults[0];
    EXPECT_EQ(district_key("mine/flat/district.cfg", "order"), "7");
    EXPECT_EQ(contents("mine/flat/level.map"), map_text(rows));
}

TEST(LevelTool, RefusesAGapInTheBorderNamingTheCell) {
    std::vector<std::string> rows = flat_rows();
    rows[16][31] = '4';
    rows[9][39] = '.';
    scoped_work_dir dir;
    std::ofstream("gap.map") << map_text(rows);
    std::string errors;
    EXPECT_EQ(run_tool("gap.map -o gap.dat", &errors), 1);
    EXPECT_NE(errors.find("the border is open at row 9, column 39 (line 11)"), std::string::npos) << errors;
    EXPECT_FALSE(std::filesystem::exists("gap.dat"));
    // nor a district: the tool writes only playable ones
    EXPECT_EQ(run_tool("gap.map --district gap", &errors), 1);
    EXPECT_FALSE(std::filesystem::exists("gap"));
}

TEST(LevelTool, WritesAMapFromAnywhereIntoALevelTheGameReads) {
    std::vector<std::string> rows = flat_rows();
    rows[16][31] = '4';
    scoped_work_dir dir;
    std::ofstream("flat.map") << map_text(rows);
    std::string errors;
    ASSERT_EQ(run_tool("flat.map -o flat.dat --preview flat.png", &errors), 0) << errors;
    std::ifstream level("flat.dat");
    std::string error;
    ASSERT_TRUE(read_level(level, tile_count, &error)) << error;
    EXPECT_EQ(iXSize, 40);
    EXPECT_EQ(iYSize, 20);
    EXPECT_EQ(shop[4].x, 31 * 32);
    EXPECT_EQ(shop[4].y, 17 * 32);
    EXPECT_GT(std::filesystem::file_size("flat.png"), 0u);

    // The same map as a district of the player's, named as the game lists it.
    ASSERT_EQ(run_tool("flat.map --district 'my districts/flat-town' --name 'Flat Town' --data '" + build_dir() + "'",
                       &errors),
              0)
        << errors;
    EXPECT_EQ(files_in("my districts/flat-town"),
              (std::vector<std::string>{"district.cfg", "level.dat", "level.map", "preview.png"}));
    EXPECT_EQ(contents("my districts/flat-town/level.dat"), contents("flat.dat"));
    EXPECT_EQ(contents("my districts/flat-town/level.map"), contents("flat.map"));
    EXPECT_EQ(district_key("my districts/flat-town/district.cfg", "name"), "Flat Town");
    EXPECT_EQ(run_tool("flat.map --district 'Not A Folder Name'", &errors), 2);
    EXPECT_FALSE(std::filesystem::exists("Not A Folder Name"));
}

}  // namespace
