// Finding the changed blocks: each line is compared whole first (most are equal), and only a
// line that differs is compared block by block.
#include "display/changes.h"

#include <allegro.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

std::vector<PICTURE_RECT> changed_rects(const BITMAP* now, const BITMAP* before) {
    std::vector<PICTURE_RECT> rects;
    const int w = now->w, h = now->h;
    const int columns = (w + change_block - 1) / change_block;
    std::vector<char> changed(static_cast<std::size_t>(columns));
    // The rectangles that reach the bottom of the row of blocks above, by their first column:
    // index into rects, or -1.
    std::vector<int> open(static_cast<std::size_t>(columns), -1), next_open(open.size(), -1);
    for (int top = 0; top < h; top += change_block) {
        const int bottom = std::min(h, top + change_block);
        std::fill(changed.begin(), changed.end(), 0);
        for (int y = top; y < bottom; y++) {
            const auto* a = reinterpret_cast<const std::uint32_t*>(now->line[y]);
            const auto* b = reinterpret_cast<const std::uint32_t*>(before->line[y]);
            if (std::memcmp(a, b, sizeof *a * static_cast<std::size_t>(w)) == 0) continue;
            for (int c = 0; c < columns; c++) {
                if (changed[static_cast<std::size_t>(c)]) continue;
                const int x = c * change_block, n = std::min(change_block, w - x);
                if (std::memcmp(a + x, b + x, sizeof *a * static_cast<std::size_t>(n)) != 0)
                    changed[static_cast<std::size_t>(c)] = 1;
            }
        }
        std::fill(next_open.begin(), next_open.end(), -1);
        for (int c = 0; c < columns;) {
            if (!changed[static_cast<std::size_t>(c)]) {
                c++;
                continue;
            }
            int end = c;
            while (end < columns && changed[static_cast<std::size_t>(end)]) end++;
            const int x = c * change_block, rw = std::min(w, end * change_block) - x;
            const int above = open[static_cast<std::size_t>(c)];
            if (above >= 0 && rects[static_cast<std::size_t>(above)].w == rw) {
                rects[static_cast<std::size_t>(above)].h = bottom - rects[static_cast<std::size_t>(above)].y;
                next_open[static_cast<std::size_t>(c)] = above;
            } else {
                rects.push_back({x, top, rw, bottom - top});
                next_open[static_cast<std::size_t>(c)] = static_cast<int>(rects.size()) - 1;
            }
            c = end;
        }
        open.swap(next_open);
    }
    // Each rectangle shrunk to the changed pixels in it: a block changed at one corner sends
    // that corner alone.
    for (PICTURE_RECT& r : rects) {
        int x0 = r.x + r.w, x1 = r.x - 1, y0 = r.y + r.h, y1 = r.y - 1;
        for (int y = r.y; y < r.y + r.h; y++) {
            const auto* a = reinterpret_cast<const std::uint32_t*>(now->line[y]);
            const auto* b = reinterpret_cast<const std::uint32_t*>(before->line[y]);
            int first = r.x;
            while (first < r.x + r.w && a[first] == b[first]) first++;
            if (first == r.x + r.w) continue;
            int last = r.x + r.w - 1;
            while (a[last] == b[last]) last--;
            x0 = std::min(x0, first);
            x1 = std::max(x1, last);
            y0 = std::min(y0, y);
            y1 = y;
        }
        r = {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
    }
    return rects;
}
