// The text map of a level: its reader, the checks that need no physics, the tile rules, the
// level file's text and the half-size preview.
#include "authoring/level_map.h"

#include <allegro.h>

#include <cstdio>

#include "authoring/tile_ids.h"
#include "gameplay/mission.h"
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

std::string shop_name(int i) {
    return std::string("the ") + names[i] + " shop";
}

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

std::string cell_place(const level_map& m, int c, int r) {
    std::string s = "row " + std::to_string(r) + ", column " + std::to_string(c);
    if (r >= 0 && r < m.height()) s += " (line " + std::to_string(m.lines[static_cast<size_t>(r)]) + ")";
    return s;
}

std::vector<std::string> check_map(const level_map& m) {
    std::vector<std::string> faults;
    const int w = m.width(), h = m.height();
    if (h == 0) return {"the map has no rows"};
    for (int r = 0; r < h; r++)
        if (static_cast<int>(m.rows[static_cast<size_t>(r)].size()) != w)
            faults.push_back("row " + std::to_string(r) + " (line " + std::to_string(m.lines[static_cast<size_t>(r)]) +
                             ") has " + std::to_string(m.rows[static_cast<size_t>(r)].size()) +
                             " cells, the first row " + std::to_string(w) + ": the map must be rectangular");
    if (w < min_level_columns || w > map_columns)
        faults.push_back("the map is " + std::to_string(w) + " columns wide: a level has " +
                         std::to_string(min_level_columns) + " to " + std::to_string(map_columns));
    if (h < min_level_rows || h > map_rows)
        faults.push_back("the map is " + std::to_string(h) + " rows high: a level has " + std::to_string(min_level_rows) +
                         " to " + std::to_string(map_rows));
    if (!faults.empty()) return faults;

    // The legend, and where the shops and starts are.
    int shop_at[shop_count][2], shops_seen[shop_count] = {};
    int start_at[2][2], starts_seen[2] = {};
    for (int r = 0; r < h; r++)
        for (int c = 0; c < w; c++) {
            const char ch = m.at(c, r);
            if (!in_legend(ch)) {
                faults.push_back(std::string("'") + ch + "' at " + cell_place(m, c, r) + " is not in the legend");
            } else if (is_shop_char(ch)) {
                const int i = ch - '0';
                if (shops_seen[i]++) faults.push_back(shop_name(i) + " appears again at " + cell_place(m, c, r));
                shop_at[i][0] = c;
                shop_at[i][1] = r;
            } else if (ch == 'P' || ch == 'V') {
                const int k = ch == 'V';
                if (starts_seen[k]++) faults.push_back(std::string(1, ch) + " appears again at " + cell_place(m, c, r));
                start_at[k][0] = c;
                start_at[k][1] = r;
            }
        }
    for (int i = 0; i < shop_count; i++)
        if (!shops_seen[i]) faults.push_back(shop_name(i) + " (" + std::to_string(i) + ") is missing");
    const int start_column[2] = {player_start_column, partner_start_column};
    for (int k = 0; k < 2; k++) {
        const std::string who = k == 0 ? "the player's start P" : "the partner's start V";
        if (!starts_seen[k]) {
            faults.push_back(who + " is missing");
            continue;
        }
        const int c = start_column[k];
        if (start_at[k][0] != c || start_at[k][1] != start_row) {
            faults.push_back(who + " is at " + cell_place(m, start_at[k][0], start_at[k][1]) +
                             "; the game puts it at row " + std::to_string(start_row) + ", column " + std::to_string(c));
            continue;
        }
        for (int r = start_row - 2; r < start_row; r++)
            if (is_wall_char(m.at(c, r)))
                faults.push_back(who + " has a wall above it at " + cell_place(m, c, r));
        if (!is_wall_char(m.at(c, floor_row)))
            faults.push_back(who + " has no wall to stand on at " + cell_place(m, c, floor_row));
    }

    // The border: nothing else keeps the player inside the level.
    for (int r = 0; r < h; r++)
        for (int c = 0; c < w; c++) {
            if (r != 0 && r != h - 1 && c != 0 && c != w - 1) continue;
            if (!is_wall_char(m.at(c, r)))
                faults.push_back("the border is open at " + cell_place(m, c, r) + ": the map's edge must be walls");
        }

    // Each shop on its floor, its picture's cells open.
    for (int i = 0; i < shop_count; i++) {
        if (!shops_seen[i]) continue;
        const int c0 = shop_at[i][0], r0 = shop_at[i][1];
        for (int dc = 0; dc < shop_cells; dc++) {
            if (!is_wall_char(m.at(c0 + dc, r0 + 1)) || c0 + dc >= w || r0 + 1 >= h)
                faults.push_back(shop_name(i) + " at " + cell_place(m, c0, r0) + " has no wall to stand on at " +
                                 cell_place(m, c0 + dc, r0 + 1));
            for (int dr = 0; dr < shop_cells; dr++)
                if (is_wall_char(m.at(c0 + dc, r0 - dr)) || r0 - dr < 0 || c0 + dc >= w)
                    faults.push_back(shop_name(i) + " at " + cell_place(m, c0, r0) + " needs its picture's cell open at " +
                                     cell_place(m, c0 + dc, r0 - dr));
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
