// Drawing the editor: the map with the district's tiles, the shops and the two characters, the
// proof's red outlines and routes, the cursor; the overview; the palette bar and the status.
#include <allegro.h>

#include <algorithm>
#include <cstdio>

#include "authoring/fault_text.h"
#include "authoring/tile_ids.h"
#include "characters/player.h"
#include "core/assets.h"
#include "editor/proof_worker.h"
#include "gameplay/hud.h"
#include "gameplay/mission.h"
#include "shell/editor_view.h"
#include "text/english.h"
#include "text/font.h"
#include "text/text.h"
#include "world/level.h"

namespace {

constexpr int sky_colour = 0x78AAE6;       // an empty cell where no background shows
constexpr int cursor_colour = 0xFFE860;    // the title's yellow
constexpr int fault_colour = 0xFF2020;     // a shop that cannot be reached or left
constexpr int there_colour = 0xFFE860;     // the route to the shop
constexpr int back_colour = 0x40E0FF;      // the route back to the partner
constexpr int good_colour = 0x80FF80;      // the status of a playable map
constexpr int status_back = 0x101030;
constexpr int cursor_margin = tile_size;   // the camera keeps a cell round the cursor in sight
constexpr int line_h = 11;                 // a line of the status
constexpr int feet_dx = frame_w / 2, feet_dy = frame_h - 4;  // a route drawn at her feet
constexpr int icon_size = 16;
constexpr int status_x = 3;                // the status's text from the picture's sides
constexpr int place_gap = 6;               // between the note and the cursor's place

// The categories as the status names the shops that cannot be reached or left.
// TRANSLATORS: the outfit categories, as a list names them ("Cannot reach: hair, shoes").
const char* const category_words[category_count] = {NC_("category", "make-up"), NC_("category", "hair"),
                                                     NC_("category", "clothes"), NC_("category", "shoes"),
                                                     NC_("category", "handbag")};

// The status as drawn: the proof's lines, then the note's, the cursor's place beside the note's
// first line; as many lines as their words need, two at least.
struct STATUS_LINES {
    std::vector<std::string> proof, note;
    std::string place;
    int height() const { return std::max(editor_status_h, line_h * static_cast<int>(proof.size() + note.size())); }
};

STATUS_LINES status_lines(const EDITOR& e, const EDITOR_VIEW& v) {
    FONT* f = hud_font();
    STATUS_LINES l;
    // TRANSLATORS: the cursor's cell (column,row) and the map's size in cells (columns x rows).
    l.place = (e.unsaved() ? "* " : "") + fill(_("%1$s,%2$s of %3$sx%4$s"), {std::to_string(e.cx), std::to_string(e.cy),
                                                                            std::to_string(e.width()),
                                                                            std::to_string(e.height())});
    l.proof = wrap_text(f, proof_status(e, v), view_w - 2 * status_x);
    if (l.proof.empty()) l.proof.push_back("");
    l.note = wrap_text(f, v.note, view_w - 2 * status_x - text_width(f, l.place) - place_gap);
    if (l.note.empty()) l.note.push_back("");
    return l;
}

// The tile that stands for each palette entry in the bar (the shops are their pictures).
int palette_tile(char ch) {
    switch (ch) {
    case '#': return tile_grass;
    case 'B': return tile_brick_top;
    case 'S': return tile_stone_top;
    case '=': return tile_platform;
    case 'c': return tile_crate;
    case 'f': return tile_flowers;
    case 'b': return tile_bush;
    case 'n': return tile_fence;
    case 's': return tile_sign;
    case 'i': return tile_lamp_post;
    case 'o': return tile_lamp_top;
    default: return tile_empty;
    }
}

// The mean colour of a tile's pixels that are not mask colour; sky_colour for an empty one.
int mean_colour(BITMAP* t) {
    long r = 0, g = 0, b = 0, n = 0;
    const int mask = bitmap_mask_color(t);
    for (int y = 0; y < t->h; y++)
        for (int x = 0; x < t->w; x++) {
            const int p = getpixel(t, x, y);
            if (p == mask) continue;
            r += getr(p);
            g += getg(p);
            b += getb(p);
            n++;
        }
    return n ? makecol(static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n)) : sky_colour;
}

// Remakes the tile of every cell and the shops' places when the map has changed.
void update_cells(const EDITOR& e, EDITOR_VIEW& v) {
    if (v.cells_revision == e.revision && v.cells.w == e.width()) return;
    level_map m;
    m.rows = e.rows;
    m.lines.resize(e.rows.size());
    v.cells = build_cells(m);
    for (int i = 0; i < shop_count; i++) v.cells.shop_row[i] = -1;  // none unless found
    for (int r = 0; r < e.height(); r++)
        for (int c = 0; c < e.width(); c++) {
            const char ch = e.at(c, r);
            if (ch >= '0' && ch < '0' + shop_count) {
                v.cells.shop_col[ch - '0'] = c;
                v.cells.shop_row[ch - '0'] = r;  // the shop's own cell, not its floor line
            }
        }
    v.cells_revision = e.revision;
}

// The shop whose picture or floor holds the cursor, or -1.
int shop_at_cursor(const EDITOR& e, const EDITOR_VIEW& v) {
    for (int i = 0; i < shop_count; i++) {
        const int c = v.cells.shop_col[i], r = v.cells.shop_row[i];
        if (r >= 0 && e.cx >= c && e.cx < c + shop_cells && e.cy >= r - (shop_cells - 1) && e.cy <= r + 1) return i;
    }
    return -1;
}

// True when the newest proof is of a map with shop i that cannot be reached or left.
bool shop_shut_off(const EDITOR_VIEW& v, int i) {
    return v.proof_revision >= 0 && v.proof.searched && (v.proof.there[i] < 0 || v.proof.back[i] < 0);
}

void draw_path(BITMAP* target, const std::vector<route_point>& path, int dx, int dy, int colour) {
    for (size_t k = 1; k < path.size(); k++) {
        const int x0 = path[k - 1].x + feet_dx + dx, y0 = path[k - 1].y + feet_dy + dy;
        const int x1 = path[k].x + feet_dx + dx, y1 = path[k].y + feet_dy + dy;
        line(target, x0, y0, x1, y1, colour);
        line(target, x0, y0 + 1, x1, y1 + 1, colour);
    }
}

// Keeps the cursor's cell, and a cell round it, inside the map's area.
void follow_cursor(const EDITOR& e, EDITOR_VIEW& v) {
    const int px = e.cx * tile_size, py = e.cy * tile_size;
    if (px - cursor_margin < v.cam_x) v.cam_x = px - cursor_margin;
    if (px + tile_size + cursor_margin > v.cam_x + view_w) v.cam_x = px + tile_size + cursor_margin - view_w;
    if (py - cursor_margin < v.cam_y) v.cam_y = py - cursor_margin;
    if (py + tile_size + cursor_margin > v.cam_y + v.map_h) v.cam_y = py + tile_size + cursor_margin - v.map_h;
    v.cam_x = std::max(0, std::min(v.cam_x, e.width() * tile_size - view_w));
    v.cam_y = std::max(0, std::min(v.cam_y, e.height() * tile_size - v.map_h));
}

void draw_map(BITMAP* target, const EDITOR& e, EDITOR_VIEW& v) {
    follow_cursor(e, v);
    const int dx = -v.cam_x, dy = -v.cam_y;
    if (back && back->w >= view_w && back->h >= v.map_h)
        blit(back, target, std::min(v.cam_x / 2, back->w - view_w), std::min(v.cam_y / 2, back->h - v.map_h), 0,
             0, view_w, v.map_h);
    else
        rectfill(target, 0, 0, view_w - 1, v.map_h - 1, sky_colour);
    const int c0 = v.cam_x / tile_size, r0 = v.cam_y / tile_size;
    const int c1 = std::min(e.width() - 1, (v.cam_x + view_w - 1) / tile_size);
    const int r1 = std::min(e.height() - 1, (v.cam_y + v.map_h - 1) / tile_size);
    for (int r = r0; r <= r1; r++)
        for (int c = c0; c <= c1; c++) {
            const int t = v.cells.tile_at(c, r);
            if (t != tile_empty && t < static_cast<int>(tiles.size()) && tiles[static_cast<size_t>(t)])
                draw_sprite(target, tiles[static_cast<size_t>(t)], c * tile_size + dx, r * tile_size + dy);
        }
    for (int i = 0; i < shop_count; i++) {
        if (v.cells.shop_row[i] < 0) continue;
        const int x = v.cells.shop_col[i] * tile_size + dx, floor_y = (v.cells.shop_row[i] + 1) * tile_size + dy;
        if (shops[i]) draw_rle_sprite(target, shops[i], x, floor_y - shops[i]->h);
        if (shop_shut_off(v, i)) {
            const int top = floor_y - shop_cells * tile_size, right = x + shop_cells * tile_size - 1;
            rect(target, x, top, right, floor_y - 1, fault_colour);
            rect(target, x + 1, top + 1, right - 1, floor_y - 2, fault_colour);
        }
    }
    const int start_column[2] = {player_start_column, partner_start_column};
    for (int k = 0; k < 2; k++)
        if (v.figures[k] && e.at(start_column[k], start_row) == (k ? 'V' : 'P'))
            draw_sprite(target, v.figures[k], start_column[k] * tile_size + dx,
                        (start_row + 1) * tile_size - frame_h + 4 + dy);
    const int i = shop_at_cursor(e, v);
    if (v.show_route && i >= 0 && v.proof_revision >= 0) {
        draw_path(target, v.proof.there_path[i], dx, dy, there_colour);
        draw_path(target, v.proof.back_path[i], dx, dy, back_colour);
    }
    const int x = e.cx * tile_size + dx, y = e.cy * tile_size + dy;
    rect(target, x, y, x + tile_size - 1, y + tile_size - 1, cursor_colour);
    rect(target, x + 1, y + 1, x + tile_size - 2, y + tile_size - 2, 0);
}

// The overview's cell size and where the map's corner is drawn.
struct overview_place {
    int k, ox, oy;
};
overview_place overview_of(const EDITOR& e, const EDITOR_VIEW& v) {
    const int k = std::max(1, std::min(view_w / std::max(1, e.width()), v.map_h / std::max(1, e.height())));
    auto origin = [k](int cells, int cursor, int room) {
        const int size = cells * k;
        if (size <= room) return (room - size) / 2;
        return -std::max(0, std::min(cursor * k - room / 2, size - room));
    };
    return {k, origin(e.width(), e.cx, view_w), origin(e.height(), e.cy, v.map_h)};
}

void draw_overview(BITMAP* target, const EDITOR& e, EDITOR_VIEW& v) {
    rectfill(target, 0, 0, view_w - 1, v.map_h - 1, 0);
    const overview_place o = overview_of(e, v);
    const int c0 = std::max(0, -o.ox / o.k), r0 = std::max(0, -o.oy / o.k);
    const int c1 = std::min(e.width() - 1, (view_w - o.ox) / o.k), r1 = std::min(e.height() - 1, (v.map_h - o.oy) / o.k);
    for (int r = r0; r <= r1; r++)
        for (int c = c0; c <= c1; c++) {
            const int t = v.cells.tile_at(c, r);
            const int colour = t >= 0 && t < static_cast<int>(v.tile_colour.size()) ? v.tile_colour[static_cast<size_t>(t)] : sky_colour;
            const int x = o.ox + c * o.k, y = o.oy + r * o.k;
            if (o.k == 1)
                putpixel(target, x, y, colour);
            else
                rectfill(target, x, y, x + o.k - 1, y + o.k - 1, colour);
        }
    for (int i = 0; i < shop_count; i++) {
        if (v.cells.shop_row[i] < 0) continue;
        const int x = o.ox + v.cells.shop_col[i] * o.k, y = o.oy + (v.cells.shop_row[i] - 2) * o.k;
        rect(target, x, y, x + shop_cells * o.k - 1, y + shop_cells * o.k - 1,
             shop_shut_off(v, i) ? fault_colour : there_colour);
    }
    const int x = o.ox + e.cx * o.k, y = o.oy + e.cy * o.k;
    rect(target, x - 1, y - 1, x + o.k, y + o.k, 0xFFFFFF);
}

void draw_palette(BITMAP* target, const EDITOR& e, const EDITOR_VIEW& v) {
    const int top = v.map_h;
    rectfill(target, 0, top, view_w - 1, top + editor_palette_h - 1, box_colour);
    FONT* f = hud_font();
    const std::string palette = editor_palette;
    for (size_t i = 0; i < palette.size(); i++) {
        const int x = 2 + static_cast<int>(i) * editor_palette_slot;
        if (palette[i] == e.chosen) rectfill(target, x - 1, top, x + editor_palette_slot - 2, top + editor_palette_h - 1, strip_colour);
        if (i < v.icons.size() && v.icons[i]) blit(v.icons[i], target, 0, 0, x, top + 1, icon_size, icon_size);
        const char s[2] = {palette[i], '\0'};
        draw_text_centre(target, f, s, x + icon_size / 2, top + icon_size + 1, text_colour);
    }
}

void draw_status(BITMAP* target, const EDITOR& e, const EDITOR_VIEW& v, const STATUS_LINES& l) {
    const int top = view_h - l.height();
    rectfill(target, 0, top, view_w - 1, view_h - 1, status_back);
    FONT* f = hud_font();
    const bool good = v.proof_revision == e.revision && v.proof.playable() && v.proof_error.empty();
    const bool stale = v.proof_revision != e.revision;
    int y = top + 1;
    for (const std::string& line : l.proof) {
        draw_text(target, f, line, status_x, y, good ? good_colour : stale ? text_colour : fault_colour);
        y += line_h;
    }
    draw_text_right(target, f, l.place, view_w - status_x, y, text_colour);
    for (const std::string& line : l.note) {
        draw_text(target, f, line, status_x, y, cursor_colour);
        y += line_h;
    }
}

}  // namespace

bool make_editor_view(EDITOR_VIEW& v, PLAYER& mora, PLAYER& vela) {
    free_editor_view(v);
    const std::string palette = editor_palette;
    BITMAP* big = create_bitmap(shop_cells * tile_size, shop_cells * tile_size);
    if (!big) return false;
    bool ok = true;
    for (char ch : palette) {
        BITMAP* icon = create_bitmap(icon_size, icon_size);
        v.icons.push_back(icon);
        if (!icon) {
            ok = false;
            continue;
        }
        clear_to_color(icon, sky_colour);
        clear_to_color(big, bitmap_mask_color(big));
        if (ch >= '0' && ch < '0' + shop_count) {
            if (shops[ch - '0']) draw_rle_sprite(big, shops[ch - '0'], 0, big->h - shops[ch - '0']->h);
        } else {
            const int t = palette_tile(ch);
            if (t != tile_empty && t < static_cast<int>(tiles.size())) {
                stretch_sprite(icon, tiles[static_cast<size_t>(t)], 0, 0, icon_size, icon_size);
                continue;
            }
        }
        stretch_sprite(icon, big, 0, 0, icon_size, icon_size);
    }
    destroy_bitmap(big);
    PLAYER* both[2] = {&mora, &vela};
    for (int k = 0; k < 2; k++) {
        v.figures[k] = create_bitmap(frame_w, frame_h);
        if (!v.figures[k]) {
            ok = false;
            continue;
        }
        clear_to_color(v.figures[k], bitmap_mask_color(v.figures[k]));
        both[k]->draw(v.figures[k], true);
    }
    for (BITMAP* t : tiles) v.tile_colour.push_back(t ? mean_colour(t) : sky_colour);
    if (!v.tile_colour.empty()) v.tile_colour[tile_empty] = sky_colour;
    return ok;
}

void free_editor_view(EDITOR_VIEW& v) {
    for (BITMAP* b : v.icons) destroy_bitmap(b);
    v.icons.clear();
    for (BITMAP*& b : v.figures) {
        destroy_bitmap(b);
        b = nullptr;
    }
    v.tile_colour.clear();
}

std::string proof_status(const EDITOR& e, const EDITOR_VIEW& v) {
    if (v.proof_revision != e.revision) return _("Checking the map...");
    // TRANSLATORS: the editor cannot tell whether the map can be played; %s says why.
    if (!v.proof_error.empty())
        return fill(_("No proof: %s"), {shown_english(v.proof_error, {&proof_error_formats, &proof_report_formats})});
    const PROOF& p = v.proof;
    // TRANSLATORS: the map breaks a rule of levels; %s is the first fault found.
    if (!p.searched) return p.faults.empty() ? _("Not checked") : fill(_("Not playable: %s"), {shown_fault(p.faults.front())});
    if (p.faults.empty()) {
        if (p.tour_ticks < 0) return _("Playable: every shop reachable, no tour for the first mission");
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(p.tour_ticks) / logic_rate);
        // TRANSLATORS: %s is the time (seconds) of the quickest way through the first mission's
        // shops and back to Vela.
        return fill(_("Playable: every shop reachable, first mission's tour %s s"), {seconds});
    }
    std::string reach, leave;
    for (int i = 0; i < shop_count; i++) {
        const std::string word = C_("category", category_words[i]);
        if (p.there[i] < 0) reach += (reach.empty() ? "" : ", ") + word;
        else if (p.back[i] < 0) leave += (leave.empty() ? "" : ", ") + word;
    }
    // TRANSLATORS: the shops of these categories (a list) cannot be reached from the start, or
    // cannot be left back to Vela.
    if (!leave.empty() && !reach.empty()) return fill(_("Cannot reach: %1$s; cannot leave: %2$s"), {reach, leave});
    if (!leave.empty()) return fill(_("cannot leave: %s"), {leave});
    return fill(_("Cannot reach: %s"), {reach});
}

void draw_editor(BITMAP* target, const EDITOR& e, EDITOR_VIEW& v) {
    update_cells(e, v);
    const STATUS_LINES status = status_lines(e, v);
    v.map_h = view_h - editor_palette_h - status.height();
    solid_mode();
    set_clip_rect(target, 0, 0, view_w - 1, v.map_h - 1);
    if (v.overview)
        draw_overview(target, e, v);
    else
        draw_map(target, e, v);
    set_clip_rect(target, 0, 0, view_w - 1, view_h - 1);
    draw_palette(target, e, v);
    draw_status(target, e, v, status);
}

bool editor_cell_at(const EDITOR& e, const EDITOR_VIEW& v, int x, int y, int* c, int* r) {
    if (x < 0 || y < 0 || x >= view_w || y >= v.map_h) return false;
    int cc, rr;
    if (v.overview) {
        const overview_place o = overview_of(e, v);
        cc = (x - o.ox) / o.k;
        rr = (y - o.oy) / o.k;
        if (x < o.ox || y < o.oy) return false;
    } else {
        cc = (x + v.cam_x) / tile_size;
        rr = (y + v.cam_y) / tile_size;
    }
    if (cc < 0 || rr < 0 || cc >= e.width() || rr >= e.height()) return false;
    *c = cc;
    *r = rr;
    return true;
}

int editor_palette_at(const EDITOR_VIEW& v, int x, int y) {
    if (y < v.map_h || y >= v.map_h + editor_palette_h || x < 2) return -1;
    const int i = (x - 2) / editor_palette_slot;
    return i < static_cast<int>(std::string(editor_palette).size()) ? i : -1;
}
