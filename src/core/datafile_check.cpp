// The datafile check: a walk over the bytes in the order Allegro's loader reads them, with every
// count, size and run bounded by what the file holds before the loader is let near it.
#include "core/datafile_check.h"

#include <allegro.h>

#include <cstdint>
#include <fstream>
#include <vector>

namespace {

constexpr std::int32_t rle_end_of_row = 0xFF00FF;  // the 24- and 32-bit mask colour ends a row
constexpr std::size_t chunk_header = 12;           // type, stored size, unpacked size

// A reader over the bytes that never steps past their end: a read beyond it fails.
class byte_reader {
public:
    byte_reader(const unsigned char* data, std::size_t size) : data_(data), end_(size) {}

    std::size_t at() const { return at_; }
    std::size_t left() const { return end_ - at_; }

    bool u8(int& v) {
        if (left() < 1) return false;
        v = data_[at_++];
        return true;
    }
    bool be16(int& v) {
        if (left() < 2) return false;
        v = data_[at_] << 8 | data_[at_ + 1];
        at_ += 2;
        return true;
    }
    bool be32(std::int32_t& v) {
        if (left() < 4) return false;
        v = static_cast<std::int32_t>(std::uint32_t{data_[at_]} << 24 | std::uint32_t{data_[at_ + 1]} << 16 |
                                      std::uint32_t{data_[at_ + 2]} << 8 | std::uint32_t{data_[at_ + 3]});
        at_ += 4;
        return true;
    }
    bool le32(std::int32_t& v) {
        if (left() < 4) return false;
        v = static_cast<std::int32_t>(std::uint32_t{data_[at_]} | std::uint32_t{data_[at_ + 1]} << 8 |
                                      std::uint32_t{data_[at_ + 2]} << 16 | std::uint32_t{data_[at_ + 3]} << 24);
        at_ += 4;
        return true;
    }
    bool skip(std::size_t n) {
        if (left() < n) return false;
        at_ += n;
        return true;
    }
    // The next n bytes as a reader of their own; this one moves past them.
    bool sub(std::size_t n, byte_reader& out) {
        if (left() < n) return false;
        out = byte_reader(data_ + at_, n);
        out.base_ = base_ + at_;
        at_ += n;
        return true;
    }
    // Offset in the whole file, for messages.
    std::size_t file_offset() const { return base_ + at_; }

private:
    const unsigned char* data_;
    std::size_t end_;
    std::size_t at_ = 0;
    std::size_t base_ = 0;
};

// Collects the first fault with the file offset where it was found.
class verdict {
public:
    explicit verdict(std::string* why) : why_(why) {}
    bool fail(const byte_reader& r, const std::string& what) {
        if (why_) *why_ = what + " (byte " + std::to_string(r.file_offset()) + ")";
        return false;
    }

private:
    std::string* why_;
};

bool printable_id(std::int32_t id) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int c = static_cast<int>((static_cast<std::uint32_t>(id) >> shift) & 0xFF);
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

// An RLE sprite: depth, width, height, the size of its stream in memory, then per row runs (a
// negative count skips, a positive one is followed by that many r, g, b pixels), each row ended
// by the mask colour. The loader copies counts, pixels and markers into a block of the stated
// size without looking, so the stream must fit it exactly and every row must cover the width.
bool check_rle_sprite(byte_reader& r, verdict& v) {
    int depth = 0, w = 0, h = 0;
    std::int32_t size = 0;
    if (!r.be16(depth) || !r.be16(w) || !r.be16(h) || !r.be32(size))
        return v.fail(r, "the RLE sprite's header is cut short");
    if (depth != 24 && depth != 32) return v.fail(r, "RLE sprite of depth " + std::to_string(depth));
    if (w < 1 || w > datafile_max_sprite_side || h < 1 || h > datafile_max_sprite_side)
        return v.fail(r, "RLE sprite of " + std::to_string(w) + " x " + std::to_string(h) + " pixels");
    std::int64_t words = 0;  // 32-bit words the loader writes
    for (int y = 0; y < h; y++) {
        int x = 0;
        for (;;) {
            std::int32_t count = 0;
            if (!r.le32(count)) return v.fail(r, "the RLE sprite's row " + std::to_string(y) + " is cut short");
            words++;
            if (count == rle_end_of_row) break;
            if (count == 0 || count < -datafile_max_sprite_side || count > datafile_max_sprite_side)
                return v.fail(r, "RLE run of " + std::to_string(count) + " in row " + std::to_string(y));
            const int n = count < 0 ? -count : count;
            if (n > w - x) return v.fail(r, "RLE row " + std::to_string(y) + " runs past the width");
            x += n;
            if (count > 0) {
                if (!r.skip(3 * static_cast<std::size_t>(n)))
                    return v.fail(r, "the RLE sprite's row " + std::to_string(y) + " is cut short");
                words += n;
            }
        }
        if (x != w) return v.fail(r, "RLE row " + std::to_string(y) + " ends before the width");
    }
    if (size < 0 || static_cast<std::int64_t>(size) != 4 * words)
        return v.fail(r, "the RLE sprite's size " + std::to_string(size) + " is not that of its runs");
    return true;
}

// A font in the format of ranges: 0, the number of ranges, then per range the mono flag, the
// first and last character and each glyph's width, height and bits (rows in whole bytes).
bool check_font(byte_reader& r, verdict& v) {
    int format = 0, ranges = 0;
    if (!r.be16(format) || !r.be16(ranges)) return v.fail(r, "the font's header is cut short");
    if (format != 0) return v.fail(r, "font of the old format " + std::to_string(format));
    if (ranges < 1 || ranges > datafile_max_font_ranges)
        return v.fail(r, "font of " + std::to_string(ranges) + " ranges");
    for (int i = 0; i < ranges; i++) {
        int mono = 0;
        std::int32_t first = 0, last = 0;
        if (!r.u8(mono) || !r.be32(first) || !r.be32(last)) return v.fail(r, "a font range is cut short");
        if (mono != 1) return v.fail(r, "font range " + std::to_string(i) + " is not mono");
        if (first < 0 || last < first || last > datafile_max_character)
            return v.fail(r, "font range " + std::to_string(i) + " of characters " + std::to_string(first) +
                                 " to " + std::to_string(last));
        // Every glyph takes at least five bytes: a range cannot promise more than the file holds.
        if (static_cast<std::size_t>(last - first) + 1 > r.left() / 5)
            return v.fail(r, "font range " + std::to_string(i) + " has more glyphs than bytes");
        for (std::int32_t c = first; c <= last; c++) {
            int w = 0, h = 0;
            if (!r.be16(w) || !r.be16(h)) return v.fail(r, "a glyph is cut short");
            if (w < 1 || w > datafile_max_glyph_side || h < 1 || h > datafile_max_glyph_side)
                return v.fail(r, "glyph " + std::to_string(c) + " of " + std::to_string(w) + " x " + std::to_string(h));
            if (!r.skip(static_cast<std::size_t>((w + 7) / 8) * static_cast<std::size_t>(h)))
                return v.fail(r, "glyph " + std::to_string(c) + " is cut short");
        }
    }
    return true;
}

bool check_object(byte_reader& r, verdict& v, std::int32_t n) {
    const std::string name = "object " + std::to_string(n);
    std::int32_t type = 0;
    int properties = 0;
    for (;;) {
        if (!r.be32(type)) return v.fail(r, name + " is cut short");
        if (type != DAT_PROPERTY) break;
        std::int32_t prop_type = 0, prop_size = 0;
        if (!r.be32(prop_type) || !r.be32(prop_size)) return v.fail(r, "a property of " + name + " is cut short");
        if (!printable_id(prop_type)) return v.fail(r, "a property of " + name + " has no type");
        if (prop_size < 0 || !r.skip(static_cast<std::size_t>(prop_size)))
            return v.fail(r, "a property of " + name + " runs past the end");
        if (++properties > datafile_max_properties) return v.fail(r, name + " has too many properties");
    }
    std::int32_t stored = 0, unpacked = 0;
    if (!r.be32(stored) || !r.be32(unpacked)) return v.fail(r, name + " is cut short");
    if (unpacked < 0) return v.fail(r, name + " is packed");
    if (stored != unpacked) return v.fail(r, name + "'s sizes disagree");
    byte_reader contents(nullptr, 0);
    if (!r.sub(static_cast<std::size_t>(stored), contents)) return v.fail(r, name + " runs past the end");
    bool ok = false;
    if (type == DAT_RLE_SPRITE)
        ok = check_rle_sprite(contents, v);
    else if (type == DAT_FONT)
        ok = check_font(contents, v);
    else
        return v.fail(contents, name + " is of a type the game does not read");
    if (!ok) return false;
    if (contents.left() != 0) return v.fail(contents, name + " ends before its chunk");
    return true;
}

} // namespace

bool check_datafile(const unsigned char* data, std::size_t size, std::string* why) {
    byte_reader r(data, size);
    verdict v(why);
    std::int32_t magic = 0, dat_magic = 0, count = 0;
    if (!r.be32(magic) || !r.be32(dat_magic) || !r.be32(count)) return v.fail(r, "the header is cut short");
    if (magic == static_cast<std::int32_t>(F_PACK_MAGIC)) return v.fail(r, "a packed datafile");
    if (magic != static_cast<std::int32_t>(F_NOPACK_MAGIC) || dat_magic != DAT_MAGIC)
        return v.fail(r, "not a datafile");
    if (count < 1 || static_cast<std::size_t>(count) > r.left() / chunk_header)
        return v.fail(r, "object count " + std::to_string(count));
    for (std::int32_t n = 0; n < count; n++)
        if (!check_object(r, v, n)) return false;
    if (r.left() != 0) return v.fail(r, "bytes after the last object");
    return true;
}

bool check_datafile_file(const char* path, std::string* why) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (why) *why = "cannot be read";
        return false;
    }
    std::vector<unsigned char> bytes;
    char buf[65536];
    while (file.read(buf, sizeof buf) || file.gcount() > 0) {
        bytes.insert(bytes.end(), buf, buf + file.gcount());
        if (bytes.size() > datafile_max_bytes) {
            if (why) *why = "larger than a datafile of the game can be";
            return false;
        }
    }
    if (file.bad()) {
        if (why) *why = "cannot be read";
        return false;
    }
    return check_datafile(bytes.data(), bytes.size(), why);
}

DATAFILE* load_checked_datafile(const char* path) {
    if (!check_datafile_file(path, nullptr)) return nullptr;
    return load_datafile(path);
}
