// Picture headers read from bytes, and Allegro's readers fed from memory.
#include "core/picture_bytes.h"

#include <allegro.h>
#include <loadpng.h>

#include <algorithm>
#include <climits>

namespace {

unsigned le16(const std::string& b, std::size_t at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}

unsigned long be32(const std::string& b, std::size_t at) {
    unsigned long v = 0;
    for (std::size_t k = 0; k < 4; k++) v = v << 8 | static_cast<unsigned char>(b[at + k]);
    return v;
}

// A PACKFILE reading from bytes held in memory.
struct MEMORY_FILE {
    const std::string* bytes;
    std::size_t at;
};

int memory_close(void*) { return 0; }
int memory_getc(void* userdata) {
    auto* m = static_cast<MEMORY_FILE*>(userdata);
    return m->at < m->bytes->size() ? static_cast<unsigned char>((*m->bytes)[m->at++]) : EOF;
}
int memory_ungetc(int c, void* userdata) {
    auto* m = static_cast<MEMORY_FILE*>(userdata);
    if (m->at == 0) return EOF;
    m->at--;
    return c;
}
long memory_read(void* p, long n, void* userdata) {
    auto* m = static_cast<MEMORY_FILE*>(userdata);
    const std::size_t left = m->bytes->size() - m->at;
    const std::size_t count = std::min(left, static_cast<std::size_t>(std::max(0L, n)));
    std::copy_n(m->bytes->data() + m->at, count, static_cast<char*>(p));
    m->at += count;
    return static_cast<long>(count);
}
int memory_putc(int, void*) { return EOF; }
long memory_write(const void*, long, void*) { return 0; }
int memory_seek(void* userdata, int offset) {
    auto* m = static_cast<MEMORY_FILE*>(userdata);
    if (offset < 0) return -1;
    m->at = std::min(m->bytes->size(), m->at + static_cast<std::size_t>(offset));
    return 0;
}
int memory_eof(void* userdata) {
    auto* m = static_cast<MEMORY_FILE*>(userdata);
    return m->at >= m->bytes->size();
}
int memory_error(void*) { return 0; }

PACKFILE_VTABLE memory_vtable = {memory_close, memory_getc, memory_ungetc, memory_read, memory_putc,
                                 memory_write, memory_seek, memory_eof, memory_error};

}  // namespace

bool pcx_size(const std::string& bytes, int* w, int* h) {
    if (bytes.size() < 128 || bytes[0] != 0x0A || bytes[3] != 8 || (bytes[65] != 1 && bytes[65] != 3)) return false;
    const unsigned x0 = le16(bytes, 4), y0 = le16(bytes, 6), x1 = le16(bytes, 8), y1 = le16(bytes, 10);
    if (x1 < x0 || y1 < y0) return false;
    const unsigned width = x1 - x0 + 1, line = le16(bytes, 66);
    if (line < width || line > width + 1) return false;
    *w = static_cast<int>(width);
    *h = static_cast<int>(y1 - y0 + 1);
    return true;
}

std::size_t pcx_max_bytes(int w, int h) {
    const std::size_t line = static_cast<std::size_t>(w + (w & 1));
    return 128 + static_cast<std::size_t>(h) * 3 * line * 2 + 769;
}

bool png_size(const std::string& bytes, int* w, int* h) {
    static const char signature[] = "\x89PNG\r\n\x1a\n";
    if (bytes.size() < 24 || bytes.compare(0, 8, signature, 8) != 0 || bytes.compare(12, 4, "IHDR") != 0) return false;
    const unsigned long width = be32(bytes, 16), height = be32(bytes, 20);
    if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX) return false;
    *w = static_cast<int>(width);
    *h = static_cast<int>(height);
    return true;
}

std::size_t png_max_bytes(int w, int h) {
    const std::size_t raw = static_cast<std::size_t>(h) * (1 + static_cast<std::size_t>(w) * 4);
    return raw + raw / 65535 * 5 + 64 * 1024;
}

BITMAP* pcx_from_bytes(const std::string& bytes) {
    MEMORY_FILE m{&bytes, 0};
    PACKFILE* f = pack_fopen_vtable(&memory_vtable, &m);
    if (!f) return nullptr;
    BITMAP* picture = load_pcx_pf(f, nullptr);
    pack_fclose(f);
    return picture;
}

BITMAP* png_from_bytes(const std::string& bytes) {
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return nullptr;
    return load_memory_png(bytes.data(), static_cast<int>(bytes.size()), nullptr);
}

BITMAP* shrink_to_fit(BITMAP* picture, int w, int h) {
    if (!picture) return nullptr;
    int fit_w = w, fit_h = picture->h * w / std::max(1, picture->w);
    if (fit_h > h) {
        fit_h = h;
        fit_w = std::max(1, picture->w * h / std::max(1, picture->h));
    }
    BITMAP* small = create_bitmap(fit_w, std::max(1, fit_h));
    if (small) stretch_blit(picture, small, 0, 0, picture->w, picture->h, 0, 0, small->w, small->h);
    destroy_bitmap(picture);
    return small;
}
