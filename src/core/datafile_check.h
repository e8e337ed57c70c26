// The check that every datafile passes before Allegro's load_datafile sees it. The library's
// loader trusts its input: a file cut by one byte or with a few bytes changed can make it write
// past what it allocated, free a pointer twice or call through a null one. The check walks the
// file's whole structure first and refuses anything the loader or a later draw could trip on.
#ifndef OSA_CORE_DATAFILE_CHECK_H
#define OSA_CORE_DATAFILE_CHECK_H

#include <cstddef>
#include <string>

struct DATAFILE;

// Bounds the check keeps to, beyond the file's own sizes.
constexpr int datafile_max_sprite_side = 4096;   // pixels, an RLE sprite's width and height
constexpr int datafile_max_glyph_side = 256;     // pixels, a glyph's width and height
constexpr int datafile_max_font_ranges = 256;
constexpr int datafile_max_character = 0x10FFFF; // the last Unicode code point
constexpr int datafile_max_properties = 32;      // per object; the loader keeps at most 63
constexpr std::size_t datafile_max_bytes = 64u << 20;

// True when the bytes are a datafile the game can hand to load_datafile: the unpacked magic
// ("slh.", a packed file is refused), "ALL.", an object count of 1 or more, and then exactly that
// many objects filling the rest of the bytes. Each object: at most datafile_max_properties
// properties ("prop", a type of four printable characters, a size within the file), its type,
// and an unpacked chunk (stored and unpacked size equal) that its contents fill exactly. Only the
// two types the game reads are accepted:
// - an RLE sprite of depth 24 or 32, width and height 1 .. datafile_max_sprite_side, whose run
//   stream gives every row nonzero runs that add up to exactly the width and then the end-of-row
//   marker, and whose stated size is exactly the memory the loader fills with that stream;
// - a font in the format of ranges (font size 0): 1 .. datafile_max_font_ranges mono ranges of
//   characters 0 .. datafile_max_character, first <= last, each glyph 1 .. datafile_max_glyph_side
//   pixels both ways with all of its bits present.
// Otherwise false and, when why is not null, what is wrong and at which byte.
bool check_datafile(const unsigned char* data, std::size_t size, std::string* why);

// check_datafile on the contents of the file at path (false for a file that cannot be read or
// is larger than datafile_max_bytes).
bool check_datafile_file(const char* path, std::string* why);

// load_datafile(path) for a file that passes the check; null when it cannot be read, fails the
// check or does not load. Every datafile of the game is loaded through this.
DATAFILE* load_checked_datafile(const char* path);

#endif
