// The text map of a level: its reader, the checks that need no physics, the tile rules, the
// level file's text and the half-size preview.
#include "authoring/level_map.h"

#include <allegro.h>

#include <cstdio>

#include "authoring/tile_ids.h"
#include "gameplay/mission.h"
#include "text/text.h"
#include "world/level.h"

namespace {

constexpr int floor_row = start_row + 1;

// Rows of earth under the grass get pebbles in a fixed scattered pattern.
bool pebbles(int c, int r) {
    return (c * 7 + r * 13) % 11 == 0;
}

bool is_shop_char(char ch) {
    return ch >= '0' && ch < '0' + shop_count;
}

// The map's faults, in English (map_fault_formats). A place is a cell_place, a shop is one of
// the shop names.
// TRANSLATORS: the text map of a level has no rows at all.
constexpr const char* fault_no_rows = N_("the map has no rows");
// TRANSLATORS: row %1$s of the map (line %2$s of its file) has %3$s cells, the first row %4$s.
constexpr const char* fault_not_rectangular =
    N_("row %1$s (line %2$s) has %3$s cells, the first row %4$s: the map must be rectangular");
constexpr const char* fault_width = N_("the map is %1$s columns wide: a level has %2$s to %3$s");
constexpr const char* fault_height = N_("the map is %1$s rows high: a level has %2$s to %3$s");
// TRANSLATORS: %1$s is a character of the map, %2$s its place ("row 3, column 4 (line 9)").
constexpr const char* fault_legend = N_("'%1$s' at %2$s is not in the legend");
// TRANSLATORS: %1$s is a shop ("the hair shop") or a start (P or V), %2$s a place.
constexpr const char* fault_again = N_("%1$s appears again at %2$s");
// TRANSLATORS: %1$s is a shop ("the hair shop"), %2$s its digit in the map.
constexpr const char* fault_shop_missing = N_("%1$s (%2$s) is missing");
// TRANSLATORS: %s is a start ("the player's start P").
constexpr const char* fault_missing = N_("%s is missing");
// TRANSLATORS: %1$s is a start, %2$s a place; %3$s and %4$s are the row and column it must be at.
constexpr const char* fault_start_moved = N_("%1$s is at %2$s; the game puts it at row %3$s, column %4$s");
// TRANSLATORS: %1$s is a start, %2$s a place.
constexpr const char* fault_wall_above = N_("%1$s has a wall above it at %2$s");
constexpr const char* fault_no_floor = N_("%1$s has no wall to stand on at %2$s");
// TRANSLATORS: %s is a place.
constexpr const char* fault_border = N_("the border is open at %s: the map's edge must be walls");
// TRANSLATORS: %1$s is a shop, %2$s its place, %3$s the place of the cell below it.
constexpr const char* fault_shop_floor = N_("%1$s at %2$s has no wall to stand on at %3$s");
constexpr const char* fault_shop_open = N_("%1$s at %2$s needs its picture's cell open at %3$s");
// TRANSLATORS: a cell of the map by its row and column, and the line of the map's file.
constexpr const char* place_line = N_("row %1$s, column %2$s (line %3$s)");
constexpr const char* place = N_("row %1$s, column %2$s");
// TRANSLATORS: the two characters' starts in the map, by the letters that mark them.
constexpr const char* starts[2] = {N_("the player's start P"), N_("the partner's start V")};

std::string shop_name(int i) { return shop_names[i]; }

// Flat colours for the preview when no tile sheet is there, by tile number.
int flat_colour(int tile) {
    static const int colours[tile_count] = {
        0x000000, 0x3c9a32, 0x3c9a32, 0x3c9a32, 0x7a5230, 0x6e4a2a, 0xa0442c, 0x8a8a8a,
        0xc89650, 0xc89650, 0xc89650, 0xe060a0, 0xffe070, 0x505050, 0xb08040, 0x2e7a2e,
        0xd0b080, 0x8a5030, 0x9aa08a, 0xa06a30};
    return tile >= 0 && tile < tile_count ? colours[tile] : 0xff0000;
}

}  // namespace

bool is_wall_char(char ch) {
    return ch == '#' || ch == 'B' || ch == 'S' || ch == '=' || ch == 'c';
}

bool in_legend(char ch) {
    static const std::string open = ".fbnsioPV";
    return is_wall_char(ch) || is_shop_char(ch) || open.find(ch) != std::string::npos;
}

char level_map::at(int c, int r) const {
    if (r < 0 || r >= height() || c < 0 || c >= static_cast<int>(rows[static_cast<size_t>(r)].size())) return '.';
    return rows[static_cast<size_t>(r)][static_cast<size_t>(c)];
}

level_map read_map(std::istream& in) {
    level_map m;
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        n++;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        m.rows.push_back(line);
        m.lines.push_back(n);
    }
    return m;
}

const char* const shop_names[shop_count] = {
    // TRANSLATORS: the five shops, as the checks of a map name them.
    N_("the make-up shop"), N_("the hair shop"), N_("the clothes shop"), N_("the shoes shop"), N_("the handbag shop"),
};

const ENGLISH_FORMATS map_fault_formats = {
    fault_no_rows,     fault_not_rectangular, fault_width,    fault_height,     fault_legend,   fault_again,
    fault_shop_missing, fault_missing,        fault_start_moved, fault_wall_above, fault_no_floor, fault_border,
    fault_shop_floor,  fault_shop_open,       place_line,     place,            starts[0],      starts[1],
    shop_names[0],     shop_names[1],         shop_names[2],  shop_names[3],    shop_names[4]};

std::string cell_place(const level_map& m, int c, int r) {
    if (r >= 0 && r < m.height())
        return fill(place_line, {std::to_string(r), std::to_string(c), std::to_string(m.lines[static_cast<size_t>(r)])});
    return fill(place, {std::to_string(r), std::to_string(c)});
}

std::vector<std::string> check_map(const level_map& m) {
    std::vector<std::string> faults;
    const int w = m.width(), h = m.height();
    if (h == 0) return {fault_no_rows};
    for (int r = 0; r < h; r++)
        if (static_cast<int>(m.rows[static_cast<size_t>(r)].size()) != w)
            faults.push_back(fill(fault_not_rectangular,
                                  {std::to_string(r), std::to_string(m.lines[static_cast<size_t>(r)]),
                                   std::to_string(m.rows[static_cast<size_t>(r)].size()), std::to_string(w)}));
    if (w < min_level_columns || w > map_columns)
        faults.push_back(fill(fault_width, {std::to_string(w), std::to_string(min_level_columns), std::to_string(map_columns)}));
    if (h < min_level_rows || h > map_rows)
        faults.push_back(fill(fault_height, {std::to_string(h), std::to_string(min_level_rows), std::to_string(map_rows)}));
    if (!faults.empty()) return faults;

    // The legend, and where the shops and starts are.
    int shop_at[shop_count][2], shops_seen[shop_count] = {};
    int start_at[2][2], starts_seen[2] = {};
    for (int r = 0; r < h; r++)
        for (int c = 0; c < w; c++) {
            const char ch = m.at(c, r);
            if (!in_legend(ch)) {
                faults.push_back(fill(fault_legend, {std::string(1, ch), cell_place(m, c, r)}));
            } else if (is_shop_char(ch)) {
                const int i = ch - '0';
                if (shops_seen[i]++) faults.push_back(fill(fault_again, {shop_name(i), cell_place(m, c, r)}));
                shop_at[i][0] = c;
                shop_at[i][1] = r;
            } else if (ch == 'P' || ch == 'V') {
                const int k = ch == 'V';
                if (starts_seen[k]++) faults.push_back(fill(fault_again, {std::string(1, ch), cell_place(m, c, r)}));
                start_at[k][0] = c;
                start_at[k][1] = r;
            }
        }
    for (int i = 0; i < shop_count; i++)
        if (!shops_seen[i]) faults.push_back(fill(fault_shop_missing, {shop_name(i), std::to_string(i)}));
    const int start_column[2] = {player_start_column, partner_start_column};
    for (int k = 0; k < 2; k++) {
        const std::string who = starts[k];
        if (!starts_seen[k]) {
            faults.push_back(fill(fault_missing, {who}));
            continue;
        }
        const int c = start_column[k];
        if (start_at[k][0] != c || start_at[k][1] != start_row) {
            faults.push_back(fill(fault_start_moved, {who, cell_place(m, start_at[k][0], start_at[k][1]),
                                                      std::to_string(start_row), std::to_string(c)}));
            continue;
        }
        for (int r = start_row - 2; r < start_row; r++)
            if (is_wall_char(m.at(c, r)))
                faults.push_back(fill(fault_wall_above, {who, cell_place(m, c, r)}));
        if (!is_wall_char(m.at(c, floor_row)))
            faults.push_back(fill(fault_no_floor, {who, cell_place(m, c, floor_row)}));
    }

    // The border: nothing else keeps the player inside the level.
    for (int r = 0; r < h; r++)
        for (int c = 0; c < w; c++) {
            if (r != 0 && r != h - 1 && c != 0 && c != w - 1) continue;
            if (!is_wall_char(m.at(c, r)))
                faults.push_back(fill(fault_border, {cell_place(m, c, r)}));
        }

    // Each shop on its floor, its picture's cells open.
    for (int i = 0; i < shop_count; i++) {
        if (!shops_seen[i]) continue;
        const int c0 = shop_at[i][0], r0 = shop_at[i][1];
        for (int dc = 0; dc < shop_cells; dc++) {
            if (!is_wall_char(m.at(c0 + dc, r0 + 1)) || c0 + dc >= w || r0 + 1 >= h)
                faults.push_back(fill(fault_shop_floor, {shop_name(i), cell_place(m, c0, r0), cell_place(m, c0 + dc, r0 + 1)}));
            for (int dr = 0; dr < shop_cells; dr++)
                if (is_wall_char(m.at(c0 + dc, r0 - dr)) || r0 - dr < 0 || c0 + dc >= w)
                    faults.push_back(fill(fault_shop_open, {shop_name(i), cell_place(m, c0, r0), cell_place(m, c0 + dc, r0 - dr)}));
        }
    }
    return faults;
}

level_cells build_cells(const level_map& m) {
    level_cells lv;
    lv.w = m.width();
    lv.h = m.height();
    lv.tile.assign(static_cast<size_t>(lv.w * lv.h), tile_empty);
    lv.wall.assign(static_cast<size_t>(lv.w * lv.h), false);
    auto wall_at = [&](int c, int r) {
        return c >= 0 && r >= 0 && c < lv.w && r < lv.h && is_wall_char(m.at(c, r));
    };
    for (int r = 0; r < lv.h; r++) {
        for (int c = 0; c < lv.w; c++) {
            const char ch = m.at(c, r);
            const bool open_above = r > 0 && !wall_at(c, r - 1);
            int t = tile_empty;
            switch (ch) {
            case '#':
                if (open_above) {
                    const bool left_open = c > 0 && !wall_at(c - 1, r) && !wall_at(c - 1, r - 1);
                    const bool right_open = c + 1 < lv.w && !wall_at(c + 1, r) && !wall_at(c + 1, r - 1);
                    t = left_open && !right_open ? tile_grass_left
                        : right_open && !left_open ? tile_grass_right : tile_grass;
                } else {
                    t = pebbles(c, r) ? tile_earth_stones : tile_earth;
                }
                break;
            case 'B': t = open_above ? tile_brick_top : tile_brick; break;
            case 'S': t = open_above ? tile_stone_top : tile_stone; break;
            case '=':
                t = m.at(c - 1, r) != '=' ? tile_platform_left
                    : m.at(c + 1, r) != '=' ? tile_platform_right : tile_platform;
                break;
            case 'c': t = tile_crate; break;
            case 'f': t = tile_flowers; break;
            case 'b': t = tile_bush; break;
            case 'n': t = tile_fence; break;
            case 's': t = tile_sign; break;
            case 'i': t = tile_lamp_post; break;
            case 'o': t = tile_lamp_top; break;
            default:
                if (is_shop_char(ch)) {
                    lv.shop_col[ch - '0'] = c;
                    lv.shop_row[ch - '0'] = r + 1;  // the floor line is the top of the cell below
                }
                break;
            }
            lv.tile[static_cast<size_t>(r * lv.w + c)] = t;
            lv.wall[static_cast<size_t>(r * lv.w + c)] = is_wall_char(ch);
        }
    }
    return lv;
}

std::string level_text(const level_cells& lv) {
    std::string s = std::to_string(lv.w) + " " + std::to_string(lv.h) + "\n";
    for (int r = 0; r < lv.h; r++) {
        for (int c = 0; c < lv.w; c++) {
            if (c) s += ' ';
            s += std::to_string(lv.tile_at(c, r));
            s += lv.wall_at(c, r) ? 'w' : '.';
        }
        s += '\n';
    }
    for (int i = 0; i < shop_count; i++) s += std::to_string(lv.shop_col[i]) + " " + std::to_string(lv.shop_row[i]) + "\n";
    return s;
}

BITMAP* draw_level_preview(const level_cells& lv, BITMAP* sheet, BITMAP* back) {
    constexpr int cell_px = 16;
    BITMAP* bmp = create_bitmap(lv.w * cell_px, lv.h * cell_px);
    if (!bmp) return nullptr;
    if (back)
        stretch_blit(back, bmp, 0, 0, back->w, back->h, 0, 0, bmp->w, bmp->h);
    else
        clear_to_color(bmp, makecol(120, 170, 230));
    BITMAP* small = create_bitmap(cell_px, cell_px);
    for (int r = 0; r < lv.h; r++) {
        for (int c = 0; c < lv.w; c++) {
            const int t = lv.tile_at(c, r);
            const int x = c * cell_px, y = r * cell_px;
            const int sheet_columns = sheet ? sheet->w / tile_size : 0;
            if (sheet && small && t < sheet_columns * (sheet->h / tile_size)) {
                stretch_blit(sheet, small, (t % sheet_columns) * tile_size, (t / sheet_columns) * tile_size,
                             tile_size, tile_size, 0, 0, cell_px, cell_px);
                draw_sprite(bmp, small, x, y);  // magenta stays transparent
            } else if (t != tile_empty) {
                const int col = flat_colour(t);
                rectfill(bmp, x, y, x + cell_px - 1, y + cell_px - 1,
                         makecol((col >> 16) & 255, (col >> 8) & 255, col & 255));
            }
            if (lv.wall_at(c, r) && !sheet) rect(bmp, x, y, x + cell_px - 1, y + cell_px - 1, makecol(40, 40, 40));
        }
    }
    if (small) destroy_bitmap(small);
    const int shop_colour = makecol(255, 255, 0);
    for (int i = 0; i < shop_count; i++) {
        const int x = lv.shop_col[i] * cell_px, y = lv.shop_row[i] * cell_px;
        rect(bmp, x, y - shop_cells * cell_px, x + shop_cells * cell_px - 1, y - 1, shop_colour);
        textprintf_ex(bmp, font, x + 4, y - shop_cells * cell_px + 4, shop_colour, -1, "%d", i);
    }
    // The characters' frames, two cells high, standing in their start cells.
    const int start_colour[2] = {makecol(255, 0, 128), makecol(0, 255, 255)};
    const int start_column[2] = {player_start_column, partner_start_column};
    for (int k = 0; k < 2; k++) {
        const int x = start_column[k] * cell_px, y = (start_row - 1) * cell_px;
        rect(bmp, x, y, x + cell_px - 1, y + 2 * cell_px - 1, start_colour[k]);
    }
    return bmp;
}
