// Text that comes from files, other people's included: UTF-8 checked strictly before any reader
// parses it, and made safe to show, on the screen and on the player's terminal.
#ifndef OSA_CORE_UTF8_H
#define OSA_CORE_UTF8_H

#include <cstddef>
#include <string>

// The character that starts at byte `at` of s: its code point in *cp and its length in bytes
// (1 to 4). 0 when the bytes there are no well-formed UTF-8 character: a stray continuation
// byte, a sequence cut short, an overlong form, a surrogate, or past U+10FFFF.
std::size_t utf8_char(const std::string& s, std::size_t at, char32_t* cp);

// Appends the code point cp (below U+110000, no surrogate) to s as UTF-8.
void append_utf8(std::string& s, char32_t cp);

// True for the characters no name or line of ours holds: the C0 controls, DEL, the C1 controls
// (U+0080 to U+009F, which some terminals obey as escape sequences) and the marks that reorder
// bidirectional text (U+202A to U+202E, U+2066 to U+2069), which can make a name look like
// another.
bool is_control(char32_t cp);

// Empty when text is well-formed UTF-8 of at most max_bytes holding no control character but
// tab, line feed and carriage return; else what is wrong: "larger than N bytes", "byte B is not
// UTF-8", "byte B is a control character".
std::string utf8_text_fault(const std::string& text, std::size_t max_bytes);

// The characters of s; each byte that is not part of a well-formed character counts as one.
std::size_t utf8_length(const std::string& s);
// The first n characters of s (as utf8_length counts them): a character is never cut.
std::string utf8_prefix(const std::string& s, std::size_t n);

// s for the player's terminal: every control character (tab and line breaks too: they would pass
// for the output's own separators) and every byte that is not part of a well-formed character
// written as a visible escape, byte by byte ("\x1b", "\xc2\x9b"), and a backslash as "\\", so
// that what is printed can always be told back.
std::string terminal_text(const std::string& s);

// s for the screen: control characters left out, each byte that is not part of a well-formed
// character shown as '?'.
std::string screen_text(const std::string& s);

#endif
