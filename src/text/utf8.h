// UTF-8 taken apart one character at a time, strictly: bytes that are not well-formed UTF-8 come
// out as utf8_invalid, never as a character, so that text from a catalogue or a file cannot
// smuggle anything past the font. And text that comes from files, other people's included,
// checked before any reader parses it and made safe to show, on the screen and on the player's
// terminal.
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

// True for the characters no name or line of ours holds: the C0 controls, DEL, the C1 controls
// (U+0080 to U+009F, which some terminals obey as escape sequences) and the marks that reorder
// bidirectional text (U+202A to U+202E, U+2066 to U+2069), which can make a name look like
// another.
bool is_control(int c);

// Empty when text is well-formed UTF-8 of at most max_bytes holding no control character but
// tab, line feed and carriage return; else what is wrong: "larger than N bytes", "byte B is not
// UTF-8", "byte B is a control character".
std::string utf8_text_fault(const std::string& text, std::size_t max_bytes);

// The characters of s; each bad spot (as utf8_next finds them) counts as one.
std::size_t utf8_length(const std::string& s);
// The first n characters of s (as utf8_length counts them): a character is never cut.
std::string utf8_prefix(const std::string& s, std::size_t n);
// s without its last character (as utf8_length counts them); empty stays empty.
std::string utf8_drop_last(const std::string& s);

// s for the player's terminal: every control character (tab and line breaks too: they would pass
// for the output's own separators) and every byte that is not part of a well-formed character
// written as a visible escape, byte by byte ("\x1b", "\xc2\x9b"), and a backslash as "\\", so
// that what is printed can always be told back.
std::string terminal_text(const std::string& s);

// s for the screen: control characters left out, each bad spot made U+FFFD (which the font
// draws as its box).
std::string screen_text(const std::string& s);

#endif
