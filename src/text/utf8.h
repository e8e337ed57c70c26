// UTF-8 taken apart one character at a time, strictly: bytes that are not well-formed UTF-8 come
// out as utf8_invalid, never as a character, so that text from a catalogue or a file cannot
// smuggle anything past the font.
#ifndef OSA_TEXT_UTF8_H
#define OSA_TEXT_UTF8_H

#include <cstddef>
#include <string>

constexpr int utf8_invalid = -1;

// The character (a Unicode code point) that starts at s[*at] of a text n bytes long, with *at
// moved past it; *at must be below n. Bytes that are not well-formed UTF-8 (a stray
// continuation byte, a sequence cut short, an overlong form, a surrogate, a value past
// U+10FFFF, the bytes C0, C1 and F5..FF) give utf8_invalid, and *at moves past the longest run
// that could have begun a character (at least one byte): one bad spot, one utf8_invalid.
int utf8_next(const char* s, std::size_t n, std::size_t* at);

// Appends character c (0 .. 0x10FFFF, not a surrogate) to out in UTF-8; anything else appends
// nothing.
void utf8_append(std::string& out, int c);

#endif
