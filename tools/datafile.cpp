// The datafile writer (see datafile.h). The layout follows Allegro 4's loader (datafile.c):
// the packfile magic "slh." (F_NOPACK_MAGIC, unpacked), "ALL." and the object count, then per
// object its type and a chunk: stored size, unpacked size (equal, as nothing is packed), data.
// Numbers are big-endian ("mput") except the RLE runs, which the loader reads little-endian.
#include "datafile.h"

#include <cstdio>

#include "pic_common.h"

namespace pic {
namespace {

void put_be32(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x >> 24));
    v.push_back(static_cast<uint8_t>(x >> 16));
    v.push_back(static_cast<uint8_t>(x >> 8));
    v.push_back(static_cast<uint8_t>(x));
}
void put_be16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x >> 8));
    v.push_back(static_cast<uint8_t>(x));
}
void put_le32(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
    v.push_back(static_cast<uint8_t>(x >> 16));
    v.push_back(static_cast<uint8_t>(x >> 24));
}

}  // namespace

dat_object rle_sprite_object(BITMAP* b) {
    // Each row: runs alternating between transparent (a negative count) and solid (a positive
    // count followed by r, g, b bytes per pixel), ended by the mask colour as an end marker.
    // "size" is the sprite's size in memory: one 32-bit word per count, pixel and marker.
    std::vector<uint8_t> runs;
    uint32_t words = 0;
    for (int y = 0; y < b->h; y++) {
        int x = 0;
        while (x < b->w) {
            bool clear = get(b, x, y) == magenta;
            int n = 0;
            while (x + n < b->w && (get(b, x + n, y) == magenta) == clear) n++;
            if (clear) {
                put_le32(runs, static_cast<uint32_t>(-n));
                words++;
            } else {
                put_le32(runs, static_cast<uint32_t>(n));
                words++;
                for (int i = 0; i < n; i++) {
                    int c = get(b, x + i, y);
                    runs.push_back(static_cast<uint8_t>((c >> 16) & 255));
                    runs.push_back(static_cast<uint8_t>((c >> 8) & 255));
                    runs.push_back(static_cast<uint8_t>(c & 255));
                    words++;
                }
            }
            x += n;
        }
        put_le32(runs, static_cast<uint32_t>(magenta));
        words++;
    }
    dat_object o{static_cast<uint32_t>(DAT_RLE_SPRITE), {}};
    put_be16(o.data, 32);
    put_be16(o.data, static_cast<uint32_t>(b->w));
    put_be16(o.data, static_cast<uint32_t>(b->h));
    put_be32(o.data, words * 4);
    o.data.insert(o.data.end(), runs.begin(), runs.end());
    return o;
}

dat_object mono_font_object(const std::vector<mono_range>& ranges) {
    // The "new" font format: height 0, the number of ranges, then per range a mono flag,
    // the first and the last character, and per glyph width, height and bits.
    dat_object o{static_cast<uint32_t>(DAT_FONT), {}};
    put_be16(o.data, 0);
    put_be16(o.data, static_cast<uint32_t>(ranges.size()));
    for (const mono_range& r : ranges) {
        o.data.push_back(1);
        put_be32(o.data, static_cast<uint32_t>(r.first));
        put_be32(o.data, static_cast<uint32_t>(r.first + static_cast<int>(r.glyphs.size()) - 1));
        for (const mono_glyph& g : r.glyphs) {
            put_be16(o.data, static_cast<uint32_t>(g.w));
            put_be16(o.data, static_cast<uint32_t>(g.h));
            o.data.insert(o.data.end(), g.bits.begin(), g.bits.end());
        }
    }
    return o;
}

bool write_datafile(const std::string& path, const std::vector<dat_object>& objects) {
    std::vector<uint8_t> f;
    put_be32(f, static_cast<uint32_t>(F_NOPACK_MAGIC));
    put_be32(f, static_cast<uint32_t>(DAT_MAGIC));
    put_be32(f, static_cast<uint32_t>(objects.size()));
    for (const dat_object& o : objects) {
        put_be32(f, o.type);
        put_be32(f, static_cast<uint32_t>(o.data.size()));
        put_be32(f, static_cast<uint32_t>(o.data.size()));
        f.insert(f.end(), o.data.begin(), o.data.end());
    }
    FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) return false;
    bool ok = std::fwrite(f.data(), 1, f.size(), fp) == f.size();
    return std::fclose(fp) == 0 && ok;
}

}  // namespace pic
