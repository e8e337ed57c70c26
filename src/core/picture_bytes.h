// Pictures held as a file's bytes in memory: their size read from the header before anything is
// decoded, the largest file a picture of a given size can be, and decoding through Allegro's
// readers (PCX, and PNG with its add-on) without the file being opened again.
#ifndef OSA_CORE_PICTURE_BYTES_H
#define OSA_CORE_PICTURE_BYTES_H

#include <cstddef>
#include <string>

struct BITMAP;

// The width and height a PCX file's header gives, and false when bytes is no PCX picture the
// game's pictures can be: 8 bits to a plane, one plane (with a palette) or three (true colour),
// and lines of the picture's width (rounded up to even).
bool pcx_size(const std::string& bytes, int* w, int* h);
// The largest PCX file of a w x h picture: the 128-byte header, three planes of run-length
// coding at its worst (two bytes for every byte) and a palette.
std::size_t pcx_max_bytes(int w, int h);

// The width and height in a PNG file's header (its IHDR chunk); false when bytes is no PNG.
bool png_size(const std::string& bytes, int* w, int* h);
// The largest PNG file of a w x h true-colour picture: the pixels stored uncompressed, a filter
// byte to a line, the deflate blocks' own bytes and room for the chunks around them.
std::size_t png_max_bytes(int w, int h);

// The picture decoded from bytes (PCX, or PNG), in the colour depth in force; the caller owns it.
// Null when it cannot be decoded. Check the header's size first: the readers trust it.
BITMAP* pcx_from_bytes(const std::string& bytes);
BITMAP* png_from_bytes(const std::string& bytes);

// picture stretched to fit inside w x h with its proportions kept (a preview beside a list); the
// caller owns the result, and picture is destroyed. Null when picture is null or the copy cannot
// be made.
BITMAP* shrink_to_fit(BITMAP* picture, int w, int h);

#endif
