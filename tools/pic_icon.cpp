// The desktop icon: a close-up of Mora's face and hair, cut from her own standing frame (copper
// ponytail, glamour make-up, the red dress at the shoulders), scaled up by the largest whole
// factor that fits, pixel for pixel, centred on a transparent background, and written as PNG in
// every size the desktop asks for.
#include <allegro.h>
#include <loadpng.h>

#include <cstdio>
#include <cstdint>
#include <string>

#include "assets.h"
#include "pic_characters.h"
#include "pic_common.h"

using namespace pic;

namespace {

constexpr int crop = 20;         // the close-up is crop x crop pixels of the frame
constexpr int head_rows = 15;    // rows from the top of her hair to her chin
constexpr int stand_right = 15;  // Mora's standing frame, facing right
// The strips layered for the close-up: the body, then make-up, hair and clothes in look 1.
constexpr int layers[] = {0, 1 + 3 * 0 + 1, 1 + 3 * 1 + 1, 1 + 3 * 2 + 1};

// Mora's frame with the layers on, 32 x 64, magenta where transparent.
BITMAP* dressed_frame() {
    BITMAP* fr = new_bitmap(32, 64);
    for (int n : layers) {
        BITMAP* s = character_strip(figure_mora, n);
        for (int y = 0; y < 64; y++)
            for (int x = 0; x < 32; x++) {
                int c = get(s, 32 * stand_right + x, y);
                if (c != magenta) put(fr, x, y, c);
            }
        destroy_bitmap(s);
    }
    return fr;
}

// The close-up's corner: one row above the top of her hair, and centred on her head and hair.
void close_up_origin(BITMAP* fr, int& ox, int& oy) {
    int top = 0;
    while (top < fr->h) {
        bool any = false;
        for (int x = 0; x < fr->w && !any; x++) any = get(fr, x, top) != magenta;
        if (any) break;
        top++;
    }
    oy = top - 1;
    int left = fr->w, right = -1;
    for (int y = top; y < top + head_rows; y++)
        for (int x = 0; x < fr->w; x++)
            if (get(fr, x, y) != magenta) {
                if (x < left) left = x;
                if (x > right) right = x;
            }
    ox = (left + right + 1 - crop) / 2;
}

// The close-up at size x size, opaque pixels with full alpha and the rest fully transparent, as
// a PNG.
bool save_icon(const std::string& path, BITMAP* fr, int ox, int oy, int size) {
    const int z = size / crop, pad = (size - z * crop) / 2;
    BITMAP* icon = create_bitmap_ex(32, size, size);
    if (!icon) return false;
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            bool inside = x >= pad && y >= pad && x < pad + z * crop && y < pad + z * crop;
            int c = inside ? get(fr, ox + (x - pad) / z, oy + (y - pad) / z) : magenta;
            uint32_t px = c == magenta ? 0u : (0xFFu << 24) | static_cast<uint32_t>(c);
            reinterpret_cast<uint32_t*>(icon->line[y])[x] = px;
        }
    bool ok = save_png(path.c_str(), icon, nullptr) == 0;
    destroy_bitmap(icon);
    return ok;
}

}  // namespace

bool write_icons(const std::string& dir) {
    BITMAP* fr = dressed_frame();
    int ox = 0, oy = 0;
    close_up_origin(fr, ox, oy);
    bool ok = true;
    for (int size : {48, 64, 128, 256}) {
        char name[32];
        std::snprintf(name, sizeof name, "/%dx%d.png", size, size);
        ok = ok && save_icon(dir + name, fr, ox, oy, size);
    }
    destroy_bitmap(fr);
    return ok;
}
