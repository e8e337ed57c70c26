// The picture generator's shared drawing helpers (see pic_common.h).
#include "pic_common.h"

#include <cmath>
#include <cstring>

#include "pixel_font.h"
#include "text/utf8.h"

namespace pic {

int mix(int a, int b, int t) {
    int r = (((a >> 16) & 255) * (256 - t) + ((b >> 16) & 255) * t) >> 8;
    int g = (((a >> 8) & 255) * (256 - t) + ((b >> 8) & 255) * t) >> 8;
    int bl = ((a & 255) * (256 - t) + (b & 255) * t) >> 8;
    return (r << 16) | (g << 8) | bl;
}

int scale(int c, int f) {
    auto ch = [f](int v) {
        v = v * f / 256;
        return v > 255 ? 255 : v;
    };
    return (ch((c >> 16) & 255) << 16) | (ch((c >> 8) & 255) << 8) | ch(c & 255);
}

BITMAP* new_bitmap(int w, int h, int c) {
    BITMAP* b = create_bitmap_ex(32, w, h);
    if (b) clear_to_color(b, c);
    return b;
}

void box(BITMAP* b, int x, int y, int w, int h, int c) {
    if (w <= 0 || h <= 0) return;
    for (int j = y; j < y + h; j++)
        for (int i = x; i < x + w; i++) put(b, i, j, c);
}

void limb(BITMAP* b, float x0, float y0, float x1, float y1, float r, int c) {
    int minx = static_cast<int>(std::floor(std::fmin(x0, x1) - r - 1));
    int maxx = static_cast<int>(std::ceil(std::fmax(x0, x1) + r + 1));
    int miny = static_cast<int>(std::floor(std::fmin(y0, y1) - r - 1));
    int maxy = static_cast<int>(std::ceil(std::fmax(y0, y1) + r + 1));
    float dx = x1 - x0, dy = y1 - y0;
    float len2 = dx * dx + dy * dy;
    for (int y = miny; y <= maxy; y++)
        for (int x = minx; x <= maxx; x++) {
            float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
            float t = len2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / len2 : 0.0f;
            t = t < 0 ? 0 : (t > 1 ? 1 : t);
            float qx = x0 + t * dx - px, qy = y0 + t * dy - py;
            if (qx * qx + qy * qy <= r * r) put(b, x, y, c);
        }
}

void blob(BITMAP* b, float cx, float cy, float rx, float ry, int c) {
    int minx = static_cast<int>(std::floor(cx - rx - 1)), maxx = static_cast<int>(std::ceil(cx + rx + 1));
    int miny = static_cast<int>(std::floor(cy - ry - 1)), maxy = static_cast<int>(std::ceil(cy + ry + 1));
    for (int y = miny; y <= maxy; y++)
        for (int x = minx; x <= maxx; x++) {
            float px = (static_cast<float>(x) + 0.5f - cx) / rx, py = (static_cast<float>(y) + 0.5f - cy) / ry;
            if (px * px + py * py <= 1.0f) put(b, x, y, c);
        }
}

void shade(BITMAP* b, const ramp& r, int x, int y, int w, int h) {
    // Decide on a copy, so that a changed pixel does not change its neighbours' test.
    std::vector<int> out(static_cast<size_t>(w * h));
    auto same = [&](int px, int py) {
        if (px < x || py < y || px >= x + w || py >= y + h) return false;
        int c = get(b, px, py);
        return c == r.base || c == r.hi || c == r.lo;
    };
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++) {
            int px = x + i, py = y + j, c = get(b, px, py);
            if (c == r.base) {
                if (!same(px + 1, py) || !same(px, py + 1))
                    c = r.lo;
                else if (!same(px - 1, py) || !same(px, py - 1))
                    c = r.hi;
            }
            out[static_cast<size_t>(j * w + i)] = c;
        }
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++) put(b, x + i, y + j, out[static_cast<size_t>(j * w + i)]);
}

void outline(BITMAP* b, int c, int x, int y, int w, int h) {
    std::vector<char> mark(static_cast<size_t>(w * h), 0);
    auto solid = [&](int px, int py) {
        if (px < x || py < y || px >= x + w || py >= y + h) return false;
        return get(b, px, py) != magenta;
    };
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++) {
            int px = x + i, py = y + j;
            if (solid(px, py)) continue;
            if (solid(px - 1, py) || solid(px + 1, py) || solid(px, py - 1) || solid(px, py + 1))
                mark[static_cast<size_t>(j * w + i)] = 1;
        }
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++)
            if (mark[static_cast<size_t>(j * w + i)]) put(b, x + i, y + j, c);
}

void fill_holes(BITMAP* b, int c, int x, int y, int w, int h) {
    std::vector<char> open(static_cast<size_t>(w * h), 0);
    std::vector<int> todo;
    for (int i = 0; i < w; i++) todo.push_back(i), todo.push_back((h - 1) * w + i);
    for (int j = 0; j < h; j++) todo.push_back(j * w), todo.push_back(j * w + w - 1);
    while (!todo.empty()) {
        int i = todo.back();
        todo.pop_back();
        int px = i % w, py = i / w;
        if (open[static_cast<size_t>(i)] || get(b, x + px, y + py) != magenta) continue;
        open[static_cast<size_t>(i)] = 1;
        if (px > 0) todo.push_back(i - 1);
        if (px < w - 1) todo.push_back(i + 1);
        if (py > 0) todo.push_back(i - w);
        if (py < h - 1) todo.push_back(i + w);
    }
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++)
            if (!open[static_cast<size_t>(j * w + i)] && get(b, x + i, y + j) == magenta) put(b, x + i, y + j, c);
}

void mirror(BITMAP* b, int x, int y, int w, int h) {
    for (int j = y; j < y + h; j++)
        for (int i = 0; i < w / 2; i++) {
            int a = get(b, x + i, j), c = get(b, x + w - 1 - i, j);
            put(b, x + i, j, c);
            put(b, x + w - 1 - i, j, a);
        }
}

void over(BITMAP* dst, BITMAP* src, int x, int y) {
    for (int j = 0; j < src->h; j++)
        for (int i = 0; i < src->w; i++) {
            int c = get(src, i, j);
            if (c != magenta) put(dst, x + i, y + j, c);
        }
}

int pixel_text(BITMAP* b, int x, int y, const char* s, int c, int px) {
    int x0 = x;
    const std::size_t n = std::strlen(s);
    for (std::size_t at = 0; at < n;) {
        const font_glyph& g = glyph_of(utf8_next(s, n, &at));
        for (int j = -font_accent_rows; j < font_line_rows; j++)
            for (int i = 0; i < g.w; i++)
                if (glyph_pixel(g, i, j)) box(b, x + i * px, y + j * px, px, px, c);
        x += (g.w + 1) * px;
    }
    return x - x0;
}

int pixel_text_width(const char* s, int px) {
    int w = 0;
    const std::size_t n = std::strlen(s);
    for (std::size_t at = 0; at < n;) w += (glyph_of(utf8_next(s, n, &at)).w + 1) * px;
    return w;
}

bool save_pcx(const std::string& path, BITMAP* b) {
    return save_bitmap(path.c_str(), b, nullptr) == 0;
}

}  // namespace pic
