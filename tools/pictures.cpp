// Pictures: writes every picture file of dat/ (tiles, title, background, shops, the two
// characters, the font) and the review sheets of --preview.
#include <string>
#include <vector>

#include "assets.h"
#include "pic_characters.h"
#include "pic_common.h"
#include "pic_world.h"
#include "pixel_font.h"

using namespace pic;

bool write_pictures(const std::string& out) {
    return write_world(out) && write_characters(out) && write_font(out);
}

namespace {

constexpr int sheet_bg = 0x30304A;    // behind the frames of the review sheets
constexpr int sheet_cell = 0x50506E;  // one frame's cell
constexpr int label = 0xFFFFFF;

// Draws src scaled by z at (x, y), leaving out magenta.
void put_scaled(BITMAP* dst, BITMAP* src, int sx, int sy, int w, int h, int x, int y, int z) {
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++) {
            int c = get(src, sx + i, sy + j);
            if (c != magenta) box(dst, x + i * z, y + j * z, z, z, c);
        }
}

// One sheet per character: a row per strip (the strip alone), then rows of the full character
// with every look l of every category (body plus look l of each category), at 2x.
bool character_sheet(const std::string& path, figure_id who) {
    const int frames = character_frames(who), z = 2, cw = 32 * z + 4, ch = 64 * z + 4;
    const int left = 60;
    BITMAP* strips[16];
    for (int n = 0; n < 16; n++) strips[n] = character_strip(who, n);
    const int rows = 16 + 3;
    BITMAP* s = new_bitmap(left + frames * cw + 4, 14 + rows * ch, sheet_bg);
    for (int k = 0; k < frames; k++) {
        char num[16];
        std::snprintf(num, sizeof num, "%d", k);
        pixel_text(s, left + k * cw + 2, 3, num, label);
    }
    static const char* cats[] = {"make-up", "hair", "clothes", "shoes", "bag"};
    for (int r = 0; r < rows; r++) {
        int y = 14 + r * ch;
        char name[32];
        if (r == 0)
            std::snprintf(name, sizeof name, "body");
        else if (r < 16)
            std::snprintf(name, sizeof name, "%s %d", cats[(r - 1) / 3], (r - 1) % 3);
        else
            std::snprintf(name, sizeof name, "all %d", r - 16);
        pixel_text(s, 2, y + 4, name, label);
        for (int k = 0; k < frames; k++) {
            int x = left + k * cw;
            box(s, x, y, cw - 4, ch - 4, sheet_cell);
            box(s, x, y + 59 * z, cw - 4, z, 0x6E6E90);  // the floor row 59
            if (r == 0) {
                put_scaled(s, strips[0], 32 * k, 0, 32, 64, x, y, z);
            } else if (r < 16) {
                put_scaled(s, strips[0], 32 * k, 0, 32, 64, x, y, z);
                // dim the body so that the layer stands out
                for (int j = 0; j < 64 * z; j++)
                    for (int i = 0; i < 32 * z; i++) {
                        int c = get(s, x + i, y + j);
                        if (c != sheet_cell && c != 0x6E6E90) put(s, x + i, y + j, mix(c, sheet_cell, 170));
                    }
                put_scaled(s, strips[r], 32 * k, 0, 32, 64, x, y, z);
            } else {
                int l = r - 16;
                for (int n = 0; n < 6; n++)
                    put_scaled(s, strips[n == 0 ? 0 : 1 + 3 * (n - 1) + l], 32 * k, 0, 32, 64, x, y, z);
            }
        }
    }
    for (BITMAP* b : strips) destroy_bitmap(b);
    bool ok = save_pcx(path, s);
    destroy_bitmap(s);
    return ok;
}

// The looks at 1x, the size the player sees: a row per category with its three looks (the other
// categories at look 0), each standing right, walking and standing left; the last row shows the
// three full outfits l, l, l, l, l.
bool outfits_1x(const std::string& path, figure_id who) {
    BITMAP* strips[16];
    for (int n = 0; n < 16; n++) strips[n] = character_strip(who, n);
    const int cols[] = {who == figure_mora ? 15 : 14, 1, 12};
    BITMAP* s = new_bitmap(3 * (3 * 34 + 10) + 4, 6 * 68 + 4, 0x8ACBF0);
    for (int row = 0; row < 6; row++)
        for (int l = 0; l < 3; l++)
            for (int i = 0; i < 3; i++) {
                int x = 4 + l * (3 * 34 + 10) + i * 34, y = 4 + row * 68;
                for (int n = 0; n < 6; n++) {
                    int look = row == 5 ? l : (n - 1 == row ? l : 0);
                    int obj = n == 0 ? 0 : 1 + 3 * (n - 1) + look;
                    put_scaled(s, strips[obj], 32 * cols[i], 0, 32, 64, x, y, 1);
                }
            }
    for (BITMAP* b : strips) destroy_bitmap(b);
    bool ok = save_pcx(path, s);
    destroy_bitmap(s);
    return ok;
}

bool shops_sheet(const std::string& path) {
    BITMAP* s = new_bitmap(5 * 104 + 8, 112, 0x8ACBF0);
    for (int i = 0; i < 5; i++) {
        BITMAP* b = make_shop_picture(i);
        over(s, b, 8 + i * 104, 8);
        destroy_bitmap(b);
    }
    box(s, 0, 104, s->w, 8, 0x5CB43A);
    bool ok = save_pcx(path, s);
    destroy_bitmap(s);
    return ok;
}

bool tiles_sheet(const std::string& path) {
    BITMAP* t = make_tile_sheet();
    BITMAP* s = new_bitmap(t->w * 2, t->h * 2, 0x8ACBF0);
    put_scaled(s, t, 0, 0, t->w, t->h, 0, 0, 2);
    bool ok = save_pcx(path, s);
    destroy_bitmap(t);
    destroy_bitmap(s);
    return ok;
}

bool font_sheet(const std::string& path) {
    BITMAP* s = new_bitmap(330, 96, 0x990000);
    box(s, 0, 30, 330, 66, 0x1111AA);
    pixel_text(s, 2, 2, "Mission: upgrade make-up and hair and clothes and shoes and handbag", 0xFFFFFF);
    pixel_text(s, 2, 14, " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ", 0xFFFFFF);
    pixel_text(s, 2, 32, "[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~", 0xFFFFFF);
    pixel_text(s, 2, 44, "Time : 60 sec  Level: 0  Score: -15", 0xFFFFFF);
    // Accents above the capitals, under a line with descenders 12 rows higher (the menus').
    pixel_text(s, 2, 58, "Ärger über Öl, Ça, Été, Ñandú, Łódź, Żółw", 0xFFFFFF);
    pixel_text(s, 2, 70, "Ёж Йод «Щит» „ja“ – … �", 0xFFFFFF);
    pixel_text(s, 2, 82, "gjpqy ÁÉÍÓÚ ĄĘ ДЦЩ", 0xFFFFFF);
    bool ok = save_pcx(path, s);
    destroy_bitmap(s);
    return ok;
}

// Every glyph at 4x, sixteen to a row, on a cell that marks the line's rows 0 and 6 (the
// capitals' top and the baseline) and the rows above and below it.
bool glyphs_sheet(const std::string& path) {
    const int z = 4, per_row = 16, cell_w = 10 * z, cell_h = (font_accent_rows + font_line_rows + 2) * z;
    const std::vector<int> chars = font_chars();
    const int rows = (static_cast<int>(chars.size()) + per_row - 1) / per_row;
    BITMAP* s = new_bitmap(per_row * cell_w, rows * cell_h, sheet_bg);
    for (size_t n = 0; n < chars.size(); n++) {
        const font_glyph& g = glyph_of(chars[n]);
        const int x = static_cast<int>(n % per_row) * cell_w + z, y = static_cast<int>(n / per_row) * cell_h + z;
        const int top = y + font_accent_rows * z;  // row 0 of the line
        box(s, x, y, (g.w + 1) * z, (font_accent_rows + font_line_rows) * z, sheet_cell);
        box(s, x, top, (g.w + 1) * z, 1, 0x8A6E90);
        box(s, x, top + 7 * z - 1, (g.w + 1) * z, 1, 0x8A6E90);
        for (int j = -font_accent_rows; j < font_line_rows; j++)
            for (int i = 0; i < g.w; i++)
                if (glyph_pixel(g, i, j)) box(s, x + i * z, top + j * z, z, z, label);
    }
    bool ok = save_pcx(path, s);
    destroy_bitmap(s);
    return ok;
}

}  // namespace

bool write_picture_previews(const std::string& dir) {
    bool ok = character_sheet(dir + "/mora_frames.pcx", figure_mora) &&
              character_sheet(dir + "/vela_frames.pcx", figure_vela) &&
              outfits_1x(dir + "/mora_looks_1x.pcx", figure_mora) &&
              outfits_1x(dir + "/vela_looks_1x.pcx", figure_vela) && shops_sheet(dir + "/shops.pcx") &&
              tiles_sheet(dir + "/tiles.pcx") && font_sheet(dir + "/font.pcx") &&
              glyphs_sheet(dir + "/font_glyphs.pcx");
    BITMAP* t = make_title_picture();
    ok = ok && save_pcx(dir + "/title.pcx", t);
    destroy_bitmap(t);
    BITMAP* b = make_background();
    ok = ok && save_pcx(dir + "/back.pcx", b);
    destroy_bitmap(b);
    return ok;
}
