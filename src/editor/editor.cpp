// The editor's map and its edits: the rules that refuse an edit, undo and redo, the map's size.
#include "editor/editor.h"

#include <sstream>

#include "authoring/level_map.h"
#include "core/state.h"
#include "text/text.h"
#include "world/level.h"

namespace {

bool is_shop(char ch) {
    return ch >= '0' && ch < '0' + shop_count;
}

// Where shop i stands (its character's cell), or false when the map has none.
bool find_shop(const EDITOR& e, int i, int* c, int* r) {
    for (int y = 0; y < e.height(); y++) {
        const std::string::size_type x = e.rows[static_cast<size_t>(y)].find(static_cast<char>('0' + i));
        if (x != std::string::npos) {
            *c = static_cast<int>(x);
            *r = y;
            return true;
        }
    }
    return false;
}

// True when (c, r) is in the footprint of a shop standing at (sc, sr): its 3 x 3 picture, whose
// bottom-left cell holds the shop's character, and the three floor cells below.
bool in_footprint(int c, int r, int sc, int sr) {
    return c >= sc && c < sc + shop_cells && r >= sr - (shop_cells - 1) && r <= sr + 1;
}

bool is_start_cell(int c, int r) {
    return r == start_row && (c == player_start_column || c == partner_start_column);
}

// The shop (0..4) whose footprint holds (c, r) other than shop `except`, or -1.
int shop_over(const EDITOR& e, int c, int r, int except) {
    for (int i = 0; i < shop_count; i++) {
        int sc, sr;
        if (i != except && find_shop(e, i, &sc, &sr) && in_footprint(c, r, sc, sr)) return i;
    }
    return -1;
}

bool on_border(const EDITOR& e, int c, int r) {
    return c == 0 || r == 0 || c == e.width() - 1 || r == e.height() - 1;
}

// Builds an edit cell by cell, each cell's state before it kept once.
struct step_builder {
    EDITOR& e;
    EDIT_STEP step;
    void set(int c, int r, char ch) {
        char& cell = e.rows[static_cast<size_t>(r)][static_cast<size_t>(c)];
        if (cell == ch) return;
        for (EDIT_CELL& done : step.cells)
            if (done.c == c && done.r == r) {
                done.after = ch;
                cell = ch;
                return;
            }
        step.cells.push_back({c, r, cell, ch});
        cell = ch;
    }
};

void keep_step(EDITOR& e, EDIT_STEP step) {
    if (step.cells.empty() && step.rows_before.empty()) return;
    e.done.push_back(std::move(step));
    if (static_cast<int>(e.done.size()) > undo_steps_kept) e.done.erase(e.done.begin());
    e.undone.clear();
    e.revision++;
}

void clamp_cursor(EDITOR& e) {
    if (e.cx >= e.width()) e.cx = e.width() - 1;
    if (e.cy >= e.height()) e.cy = e.height() - 1;
    if (e.cx < 0) e.cx = 0;
    if (e.cy < 0) e.cy = 0;
}

REFUSAL move_shop(EDITOR& e, int i) {
    const int c = e.cx, r = e.cy;
    int oc = -1, orow = -1;
    const bool had = find_shop(e, i, &oc, &orow);
    if (had && oc == c && orow == r) return REFUSAL::none;
    // Its picture stays off the border; its floor may be the border.
    if (c < 1 || c + shop_cells > e.width() - 1 || r - (shop_cells - 1) < 1 || r + 1 > e.height() - 1)
        return REFUSAL::border;
    for (int y = r - (shop_cells - 1); y <= r + 1; y++)
        for (int x = c; x < c + shop_cells; x++) {
            if (is_start_cell(x, y)) return REFUSAL::start;
            if (shop_over(e, x, y, i) >= 0) return REFUSAL::shop;
        }
    step_builder b{e, {}};
    if (had) b.set(oc, orow, '.');
    for (int y = r - (shop_cells - 1); y <= r; y++)
        for (int x = c; x < c + shop_cells; x++)
            if (is_wall_char(e.at(x, y))) b.set(x, y, '.');
    for (int x = c; x < c + shop_cells; x++)
        if (!is_wall_char(e.at(x, r + 1))) b.set(x, r + 1, '#');
    b.set(c, r, static_cast<char>('0' + i));
    keep_step(e, std::move(b.step));
    return REFUSAL::none;
}

// Why the cell (c, r) may not be changed at all, by anything but its own shop moving.
REFUSAL protected_cell(const EDITOR& e, int c, int r) {
    if (is_start_cell(c, r)) return REFUSAL::start;
    if (shop_over(e, c, r, -1) >= 0) return REFUSAL::shop;
    return REFUSAL::none;
}

// A line of cells that a change of size removes (the last column or row) or makes the edge.
struct line_cells {
    bool column;
    int at;
};
template <class F>
REFUSAL each_in_line(const EDITOR& e, line_cells l, F f) {
    const int n = l.column ? e.height() : e.width();
    for (int k = 0; k < n; k++) {
        const REFUSAL why = l.column ? f(l.at, k) : f(k, l.at);
        if (why != REFUSAL::none) return why;
    }
    return REFUSAL::none;
}

}  // namespace

const char* refusal_text(REFUSAL why) {
    switch (why) {
    case REFUSAL::none: return "";
    // TRANSLATORS: an edit of the map is refused: the map's edge must stay walls; the cell holds a
    // character's start; it is under a shop's picture; the map would pass a level's size.
    case REFUSAL::border: return N_("Refused: the border stays walls");
    case REFUSAL::start: return N_("Refused: a start cell");
    case REFUSAL::shop: return N_("Refused: a shop's footprint");
    case REFUSAL::limit: return N_("Refused: a level's size limit");
    }
    return "";
}

char EDITOR::at(int c, int r) const {
    if (r < 0 || r >= height() || c < 0 || c >= width()) return '#';
    return rows[static_cast<size_t>(r)][static_cast<size_t>(c)];
}

std::vector<std::string> starter_map() {
    constexpr int w = 48, h = start_row + 3;
    std::vector<std::string> rows(h, "#" + std::string(w - 2, '.') + "#");
    rows[0] = rows[h - 2] = rows[h - 1] = std::string(w, '#');
    std::string& ground = rows[start_row];
    ground[player_start_column] = 'P';
    ground[partner_start_column] = 'V';
    // Four shops on the ground left and right of the starts, the fifth on a brick step.
    ground[3] = '0';
    ground[8] = '1';
    ground[13] = '2';
    ground[33] = '3';
    ground.replace(39, w - 1 - 39, std::string(w - 1 - 39, 'B'));
    rows[start_row - 1][41] = '4';
    // A lamp and some flowers.
    ground[19] = 'f';
    ground[20] = 'f';
    ground[22] = 'i';
    rows[start_row - 1][22] = 'i';
    rows[start_row - 2][22] = 'o';
    ground[31] = 'b';
    return rows;
}

bool editor_rows_from_text(const std::string& text, std::vector<std::string>* rows, std::string* error) {
    std::istringstream in(text);
    const level_map m = read_map(in);
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (m.height() == 0) return fail("the map has no rows");
    if (m.height() > map_rows || m.width() > map_columns)
        return fail("the map is larger than a level can be (" + std::to_string(map_columns) + " x " +
                    std::to_string(map_rows) + " cells)");
    for (int r = 0; r < m.height(); r++)
        if (static_cast<int>(m.rows[static_cast<size_t>(r)].size()) != m.width())
            return fail("row " + std::to_string(r) + " (line " + std::to_string(m.lines[static_cast<size_t>(r)]) +
                        ") is not as long as the first: the map must be rectangular");
    *rows = m.rows;
    return true;
}

std::string editor_map_text(const EDITOR& e) {
    std::string text = "; A district's map, in the legend of levels/town.map (drawn in the game's editor).\n";
    for (const std::string& row : e.rows) text += row + "\n";
    return text;
}

void open_editor(EDITOR& e, std::vector<std::string> rows) {
    e.rows = std::move(rows);
    e.done.clear();
    e.undone.clear();
    e.saved_revision = e.revision;
    e.cx = player_start_column;
    e.cy = start_row;
    for (int r = 0; r < e.height(); r++) {
        const std::string::size_type c = e.rows[static_cast<size_t>(r)].find('P');
        if (c != std::string::npos) {
            e.cx = static_cast<int>(c);
            e.cy = r;
        }
    }
    clamp_cursor(e);
}

void move_cursor(EDITOR& e, int dc, int dr) {
    e.cx += dc;
    e.cy += dr;
    clamp_cursor(e);
}

void choose_next(EDITOR& e, int delta) {
    const std::string palette = editor_palette;
    const int n = static_cast<int>(palette.size());
    std::string::size_type at = palette.find(e.chosen);
    const int from = at == std::string::npos ? 0 : static_cast<int>(at);
    e.chosen = palette[static_cast<size_t>(((from + delta) % n + n) % n)];
}

REFUSAL put_cell(EDITOR& e, char ch) {
    if (std::string(editor_palette).find(ch) == std::string::npos || e.rows.empty()) return REFUSAL::none;
    e.chosen = ch;
    if (is_shop(ch)) return move_shop(e, ch - '0');
    const int c = e.cx, r = e.cy;
    if (e.at(c, r) == ch) return REFUSAL::none;
    const REFUSAL why = protected_cell(e, c, r);
    if (why != REFUSAL::none) return why;
    if (on_border(e, c, r) && !is_wall_char(ch)) return REFUSAL::border;
    step_builder b{e, {}};
    b.set(c, r, ch);
    keep_step(e, std::move(b.step));
    return REFUSAL::none;
}

REFUSAL empty_cell(EDITOR& e) {
    const char chosen = e.chosen;
    const REFUSAL why = put_cell(e, '.');
    e.chosen = chosen;
    return why;
}

REFUSAL resize_map(EDITOR& e, int dc, int dr) {
    const int w = e.width() + dc, h = e.height() + dr;
    if (w < min_level_columns || w > map_columns || h < min_level_rows || h > map_rows) return REFUSAL::limit;
    if (dc < 0 || dr < 0) {
        const line_cells removed{dc < 0, dc < 0 ? e.width() - 1 : e.height() - 1};
        REFUSAL why = each_in_line(e, removed, [&](int c, int r) { return protected_cell(e, c, r); });
        if (why != REFUSAL::none) return why;
        const line_cells edge{dc < 0, removed.at - 1};
        why = each_in_line(e, edge, [&](int c, int r) {
            return is_wall_char(e.at(c, r)) ? REFUSAL::none : REFUSAL::border;
        });
        if (why != REFUSAL::none) return why;
    }
    EDIT_STEP step;
    step.rows_before = e.rows;
    if (dc > 0) for (std::string& row : e.rows) row += '#';
    if (dc < 0) for (std::string& row : e.rows) row.pop_back();
    if (dr > 0) e.rows.push_back(std::string(static_cast<size_t>(w), '#'));
    if (dr < 0) e.rows.pop_back();
    step.rows_after = e.rows;
    keep_step(e, std::move(step));
    clamp_cursor(e);
    return REFUSAL::none;
}

bool undo_edit(EDITOR& e) {
    if (e.done.empty()) return false;
    EDIT_STEP step = std::move(e.done.back());
    e.done.pop_back();
    if (!step.rows_before.empty()) e.rows = step.rows_before;
    for (auto it = step.cells.rbegin(); it != step.cells.rend(); ++it)
        e.rows[static_cast<size_t>(it->r)][static_cast<size_t>(it->c)] = it->before;
    e.undone.push_back(std::move(step));
    e.revision++;
    clamp_cursor(e);
    return true;
}

bool redo_edit(EDITOR& e) {
    if (e.undone.empty()) return false;
    EDIT_STEP step = std::move(e.undone.back());
    e.undone.pop_back();
    if (!step.rows_after.empty()) e.rows = step.rows_after;
    for (const EDIT_CELL& cell : step.cells)
        e.rows[static_cast<size_t>(cell.r)][static_cast<size_t>(cell.c)] = cell.after;
    e.done.push_back(std::move(step));
    e.revision++;
    clamp_cursor(e);
    return true;
}
