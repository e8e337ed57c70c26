// Mask serialization: a mask written into, and read back from, a caller's byte buffer.
//
// The form: width and height as unsigned 16-bit little-endian, then the rows top first, each
// ((w - 1) >> 3) + 1 bytes, one bit per pixel, the least significant bit of a byte its leftmost
// pixel. Row byte 4k + i is byte i (little-endian) of that row's word in strip k, so the form
// does not depend on the machine's word size or byte order.
#include "masks/pmask.h"

namespace {

constexpr int header_size = 4;
constexpr int largest_side = 32767;  // what the record's signed 16-bit fields hold

int row_bytes(int w) { return ((w - 1) >> 3) + 1; }

// Reads and checks the header. A side of 0 has no pixels and one above 32767 does not fit the
// record, so both are refused like a buffer too short for the rows. On success *total is the
// number of bytes the mask takes.
bool read_header(const unsigned char* src, int size, int* w, int* h, int* total) {
    if (size < header_size) return false;
    *w = src[0] + 256 * src[1];
    *h = src[2] + 256 * src[3];
    if (*w < 1 || *w > largest_side || *h < 1 || *h > largest_side) return false;
    // At most 4 + 32767 * 4096 bytes: no overflow of an int.
    *total = header_size + *h * row_bytes(*w);
    return size >= *total;
}

// Fills every word of an allocated w x h mask from the row bytes. A byte past the row counts as
// 0, and the bits of columns at or beyond w are dropped: a buffer written by hand (or damaged)
// with those bits set would otherwise give the mask pixels outside its width, which the
// collision tests would then report.
void read_rows(const unsigned char* rows, PMASK* mask) {
    const int w = mask->w, h = mask->h;
    const int R = row_bytes(w);
    const int strips = pmask_strips(w);
    const uint32_t last_strip_keep = (w & 31) ? (1u << (w & 31)) - 1u : ~0u;
    for (int k = 0; k < strips; k++) {
        const uint32_t keep = k == strips - 1 ? last_strip_keep : ~0u;
        uint32_t* words = mask->bits + k * h;
        for (int y = 0; y < h; y++) {
            const unsigned char* row = rows + y * R;
            uint32_t word = 0;
            for (int i = 0; i < 4 && 4 * k + i < R; i++) word |= static_cast<uint32_t>(row[4 * k + i]) << (8 * i);
            words[y] = word & keep;
        }
    }
}

}  // namespace

int get_serialized_pmask_size(int width, int height) { return header_size + height * row_bytes(width); }

int serialize_pmask(void* dest, int size, const PMASK* mask) {
    const int w = mask->w, h = mask->h;
    // An empty record (w = h = 0) gives R = 0: just the four zero bytes of the header.
    const int R = row_bytes(w);
    const int total = header_size + h * R;
    if (total > size) return -1;

    auto* out = static_cast<unsigned char*>(dest);
    out[0] = static_cast<unsigned char>(w & 0xFF);
    out[1] = static_cast<unsigned char>((w >> 8) & 0xFF);
    out[2] = static_cast<unsigned char>(h & 0xFF);
    out[3] = static_cast<unsigned char>((h >> 8) & 0xFF);
    unsigned char* rows = out + header_size;
    const int strips = w > 0 ? pmask_strips(w) : 0;
    for (int k = 0; k < strips; k++) {
        const uint32_t* words = mask->bits + k * h;
        for (int y = 0; y < h; y++) {
            unsigned char* row = rows + y * R;
            // The last strip's word may hold more bytes than the row has left: those carry only
            // columns beyond the width and are not stored.
            for (int i = 0; i < 4 && 4 * k + i < R; i++)
                row[4 * k + i] = static_cast<unsigned char>((words[y] >> (8 * i)) & 0xFFu);
        }
    }
    return total;
}

int init_deserialize_pmask(const void* source, int size, PMASK* mask) {
    mask->w = 0;
    mask->h = 0;
    mask->bits = nullptr;
    const auto* src = static_cast<const unsigned char*>(source);
    int w = 0, h = 0, total = 0;
    if (!read_header(src, size, &w, &h, &total)) return -1;
    init_pmask(mask, w, h);
    if (mask->w != w) return -1;  // out of memory; init_pmask left the record empty
    read_rows(src + header_size, mask);
    return total;
}

PMASK* create_deserialize_pmask(const void* source, int size, int* used) {
    *used = -1;
    const auto* src = static_cast<const unsigned char*>(source);
    int w = 0, h = 0, total = 0;
    if (!read_header(src, size, &w, &h, &total)) return nullptr;
    PMASK* mask = create_pmask(w, h);
    if (!mask) return nullptr;
    read_rows(src + header_size, mask);
    *used = total;
    return mask;
}
