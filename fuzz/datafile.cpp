// Feeds arbitrary bytes to the datafile check. Whatever it accepts must load with Allegro's
// load_datafile into exactly the objects it declares, keep every RLE sprite's runs inside the
// memory the loader gave them and every glyph inside its bounds, and draw into a bitmap.
// Allegro itself is not instrumented: the walks below read what it built, so a loader that
// wrote past a block shows up as a read of ours past it.
#include <allegro.h>
#include <allegro/internal/aintern.h>  // FONT_MONO_DATA

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/datafile_check.h"

namespace {

constexpr int target_w = 160;
constexpr int target_h = 100;
constexpr int most_glyphs_drawn = 512;  // per range; the check allows far more

void fail_if(bool bad) {
    if (bad) std::abort();
}

// Allegro without a display, as the tests start it; a file of our own to load from.
const char* start() {
    static std::string path;
    if (!path.empty()) return path.c_str();
    fail_if(install_allegro(SYSTEM_NONE, &errno, atexit) != 0);
    set_color_depth(32);
    char name[] = "/tmp/osa-fuzz-datafile-XXXXXX";
    const int fd = mkstemp(name);
    fail_if(fd < 0);
    close(fd);
    path = name;
    std::atexit([] { unlink(path.c_str()); });
    return path.c_str();
}

// The runs of a loaded 32-bit RLE sprite, as draw_rle_sprite walks them, inside s->size bytes.
void walk_rle(const RLE_SPRITE* s) {
    fail_if(s->w < 1 || s->h < 1 || s->w > datafile_max_sprite_side || s->h > datafile_max_sprite_side);
    fail_if(s->color_depth != 32 || s->size < 0 || s->size % 4 != 0);
    const auto* words = reinterpret_cast<const std::int32_t*>(s->dat);
    const std::size_t count = static_cast<std::size_t>(s->size) / 4;
    std::size_t at = 0;
    for (int y = 0; y < s->h; y++) {
        int x = 0;
        for (;;) {
            fail_if(at >= count);
            const std::int32_t c = words[at++];
            if (c == static_cast<std::int32_t>(MASK_COLOR_32)) break;
            fail_if(c == 0 || c < -s->w || c > s->w);
            x += c < 0 ? -c : c;
            fail_if(x > s->w);
            if (c > 0) at += static_cast<std::size_t>(c);
        }
        fail_if(x != s->w);
    }
    fail_if(at != count);
}

void draw_font(BITMAP* target, FONT* f) {
    fail_if(f->vtable != font_vtable_mono);
    for (auto* r = static_cast<FONT_MONO_DATA*>(f->data); r; r = r->next) {
        fail_if(r->begin < 0 || r->end <= r->begin || r->end > datafile_max_character + 1);
        for (int c = r->begin; c < r->end; c++) {
            const FONT_GLYPH* g = r->glyphs[c - r->begin];
            fail_if(g->w < 1 || g->h < 1 || g->w > datafile_max_glyph_side || g->h > datafile_max_glyph_side);
            if (c - r->begin >= most_glyphs_drawn) continue;
            char text[8] = {};
            usetc(text, c);
            textout_ex(target, f, text, c % 7 - 3, (c * 13) % target_h - 3, 0xFFFFFF, c % 2 ? -1 : 0);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* path = start();
    if (!check_datafile(data, size, nullptr)) return 0;

    FILE* out = std::fopen(path, "wb");
    fail_if(!out);
    fail_if(std::fwrite(data, 1, size, out) != size);
    fail_if(std::fclose(out) != 0);
    DATAFILE* dat = load_datafile(path);
    fail_if(dat == nullptr);

    const std::int32_t declared = static_cast<std::int32_t>(std::uint32_t{data[8]} << 24 | std::uint32_t{data[9]} << 16 |
                                                            std::uint32_t{data[10]} << 8 | data[11]);
    BITMAP* target = create_bitmap(target_w, target_h);
    fail_if(!target);
    clear_to_color(target, 0);
    std::int32_t n = 0;
    for (DATAFILE* d = dat; d->type != DAT_END; d++, n++) {
        fail_if(d->dat == nullptr);
        if (d->type == DAT_RLE_SPRITE) {
            auto* s = static_cast<RLE_SPRITE*>(d->dat);
            walk_rle(s);
            draw_rle_sprite(target, s, 0, 0);
            draw_rle_sprite(target, s, -s->w / 2, target_h - s->h / 2);
            draw_rle_sprite(target, s, target_w - s->w / 2, -s->h / 2);
        } else {
            fail_if(d->type != DAT_FONT);
            draw_font(target, static_cast<FONT*>(d->dat));
        }
    }
    fail_if(n != declared);
    destroy_bitmap(target);
    unload_datafile(dat);
    return 0;
}
