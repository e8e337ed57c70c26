// The level editor's model: edits undone and redone back to every earlier map, the refusals of
// the map's rules, the starter map proven playable, and the level tool's report of a map read
// back as the editor reads it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "authoring/level_check.h"
#include "authoring/proof_report.h"
#include "editor/editor.h"
#include "gameplay/mission.h"
#include "test_util.h"

namespace {

level_map map_of(const std::vector<std::string>& rows) {
    std::string text;
    for (const std::string& r : rows) text += r + "\n";
    std::istringstream in(text);
    return read_map(in);
}

EDITOR starter() {
    EDITOR e;
    open_editor(e, starter_map());
    return e;
}

// Where shop i's character stands in rows.
void shop_cell(const std::vector<std::string>& rows, int i, int* c, int* r) {
    for (size_t y = 0; y < rows.size(); y++) {
        const size_t x = rows[y].find(static_cast<char>('0' + i));
        if (x != std::string::npos) {
            *c = static_cast<int>(x);
            *r = static_cast<int>(y);
        }
    }
}

}  // namespace

TEST(Editor, StarterMapIsPlayableWithEveryShopReachedAndLeft) {
    const search_characters& d = shipped_search_characters();
    const level_check c = check_level(map_of(starter_map()), d.player, d.partner);
    for (const std::string& f : c.faults) ADD_FAILURE() << f;
    for (int i = 0; i < shop_count; i++) {
        EXPECT_GT(c.routes.there[i], 0) << names[i];
        EXPECT_GT(c.routes.back[i], 0) << names[i];
    }
    EXPECT_EQ(starter().cx, 25);  // the cursor starts on the player's start
    EXPECT_EQ(starter().cy, 16);
}

TEST(Editor, UndoAndRedoGoBackThroughEveryEarlierMap) {
    EDITOR e = starter();
    std::vector<std::vector<std::string>> seen{e.rows};
    // 150 edits: crates and bushes along the sky, a shop moved, the map grown and shrunk.
    for (int k = 0; k < 150; k++) {
        if (k == 40) {
            e.cx = 20;
            e.cy = 10;
            ASSERT_EQ(put_cell(e, '2'), REFUSAL::none);
        } else if (k == 80) {
            ASSERT_EQ(resize_map(e, 1, 0), REFUSAL::none);
        } else if (k == 81) {
            ASSERT_EQ(resize_map(e, 0, 1), REFUSAL::none);
        } else if (k == 82) {
            ASSERT_EQ(resize_map(e, 0, -1), REFUSAL::none);
        } else {
            e.cx = 1 + k % 44;
            e.cy = 1 + (k / 44) % 4;
            ASSERT_EQ(put_cell(e, k % 2 ? 'c' : 'b'), REFUSAL::none) << k;
        }
        seen.push_back(e.rows);
    }
    for (int k = 149; k >= 0; k--) {
        ASSERT_TRUE(undo_edit(e));
        ASSERT_EQ(e.rows, seen[static_cast<size_t>(k)]) << "after undoing edit " << k;
    }
    EXPECT_FALSE(undo_edit(e));
    for (int k = 1; k <= 150; k++) {
        ASSERT_TRUE(redo_edit(e));
        ASSERT_EQ(e.rows, seen[static_cast<size_t>(k)]) << "after redoing edit " << k;
    }
    EXPECT_FALSE(redo_edit(e));
    // A new edit after an undo drops what was undone.
    undo_edit(e);
    e.cx = 2;
    e.cy = 2;
    put_cell(e, '#');
    EXPECT_FALSE(redo_edit(e));
    EXPECT_TRUE(e.unsaved());
}

TEST(Editor, RefusesWhatTheMapRulesForbidAndChangesNothing) {
    EDITOR e = starter();
    const std::vector<std::string> before = e.rows;
    int sc = 0, sr = 0;
    shop_cell(e.rows, 2, &sc, &sr);
    struct refused {
        int c, r;
        char ch;
        REFUSAL why;
    };
    std::vector<refused> cases = {
        {0, 5, '.', REFUSAL::border},  {10, 0, 'f', REFUSAL::border}, {47, 9, '.', REFUSAL::border},
        {20, 18, '.', REFUSAL::border}, {25, 16, '#', REFUSAL::start}, {28, 16, '.', REFUSAL::start},
        {sc + 1, sr + 1, '.', REFUSAL::shop},  // its floor
        {sc + 2, sr - 2, '#', REFUSAL::shop},  // its picture's top right
        {sc, sr, '.', REFUSAL::shop},          // the shop itself is never emptied
        {sc + 1, sr - 1, '0', REFUSAL::shop},  // another shop onto its picture
        {24, 16, '1', REFUSAL::start},         // a shop's picture over the player's start
        {45, 16, '1', REFUSAL::border},        // its picture into the right border
    };
    for (const refused& x : cases) {
        e.cx = x.c;
        e.cy = x.r;
        EXPECT_EQ(put_cell(e, x.ch), x.why) << "'" << x.ch << "' at column " << x.c << ", row " << x.r;
        EXPECT_NE(std::string(refusal_text(x.why)), "");
    }
    e.cx = sc;
    e.cy = sr;
    EXPECT_EQ(empty_cell(e), REFUSAL::shop);
    EXPECT_EQ(e.rows, before);
    EXPECT_FALSE(e.unsaved());
    // Beside the footprint, and a wall on the border, are fine.
    e.cx = sc + 3;
    e.cy = sr + 1;
    EXPECT_EQ(put_cell(e, 'S'), REFUSAL::none);
    e.cx = 0;
    e.cy = 5;
    EXPECT_EQ(put_cell(e, 'B'), REFUSAL::none);

    // Sizes: the limits, and an edge left open.
    EDITOR small;
    open_editor(small, std::vector<std::string>(min_level_rows, std::string(min_level_columns, '#')));
    EXPECT_EQ(resize_map(small, -1, 0), REFUSAL::limit);
    EXPECT_EQ(resize_map(small, 0, -1), REFUSAL::limit);
    EXPECT_EQ(resize_map(small, 1, 0), REFUSAL::none);
    EXPECT_EQ(resize_map(small, -1, 0), REFUSAL::none);
    EDITOR open_edge = starter();
    EXPECT_EQ(resize_map(open_edge, -1, 0), REFUSAL::border);  // the sky would be the edge
    EXPECT_EQ(resize_map(open_edge, 0, -1), REFUSAL::none);   // the floor becomes the bottom
    EXPECT_EQ(resize_map(open_edge, 0, -1), REFUSAL::shop);   // the shops' floor would go
}

TEST(Editor, AShopMovedStandsOnItsFloorAsTheMapRulesWant) {
    EDITOR e = starter();
    e.cx = 20;
    e.cy = 8;  // in the air, over the lamp
    ASSERT_EQ(put_cell(e, '1'), REFUSAL::none);
    EXPECT_EQ(e.chosen, '1');
    EXPECT_EQ(check_map(map_of(e.rows)), std::vector<std::string>{});
    ASSERT_TRUE(undo_edit(e));
    EXPECT_EQ(e.rows, starter_map());
}

TEST(Editor, TheLevelToolsReportOfAShutOffShopNamesItAndReadsBack) {
    shipped_search_characters();  // the build tree's dat/ for the tool
    EDITOR e = starter();
    // A brick wall up to the sky left of the clothes shop's start side: the shops beyond it are
    // shut off.
    for (int r = 1; r <= 16; r++) {
        e.cx = 17;
        e.cy = r;
        ASSERT_EQ(put_cell(e, 'B'), REFUSAL::none);
    }
    scoped_work_dir dir;
    std::ofstream("wall.map") << editor_map_text(e);
    std::string out;
    const int status = run_command("'" + build_dir() + "/one-step-ahead-level' wall.map --report wall.proof --data '" +
                                       build_dir() + "' 2>/dev/null",
                                   &out);
    EXPECT_EQ(status, 1);
    std::ifstream in("wall.proof");
    PROOF p;
    std::string error;
    ASSERT_TRUE(read_proof(in, &p, &error)) << error;
    EXPECT_TRUE(p.searched);
    EXPECT_FALSE(p.playable());
    for (int i = 0; i < shop_count; i++) {
        const bool beyond = i <= 2;  // shops 0, 1 and 2 stand left of column 17
        EXPECT_EQ(p.there[i] < 0, beyond) << names[i];
        EXPECT_EQ(p.there_path[i].empty(), beyond) << names[i];
        if (beyond) continue;
        // The route ends where the shop stands: within its picture's columns, on its floor.
        int sc = 0, sr = 0;
        shop_cell(e.rows, i, &sc, &sr);
        const route_point end = p.there_path[i].back();
        EXPECT_GE(end.x + frame_w, sc * tile_size) << names[i];
        EXPECT_LE(end.x, (sc + 3) * tile_size) << names[i];
        EXPECT_NEAR(end.y + frame_h, (sr + 1) * tile_size, tile_size / 4) << names[i];  // feet on its floor
    }
    ASSERT_EQ(p.faults.size(), 3u);
    EXPECT_NE(p.faults[0].find("make-up shop"), std::string::npos) << p.faults[0];
    // Cut short, it is refused.
    std::istringstream cut(proof_text(p).substr(0, 40));
    EXPECT_FALSE(read_proof(cut, &p, &error));
}
