// The UTF-8 reader and writer (see utf8.h), after the table of well-formed byte sequences in
// the Unicode standard (chapter 3, "UTF-8").
#include "text/utf8.h"

#include <cstdio>

int utf8_next(const char* s, std::size_t n, std::size_t* at) {
    std::size_t i = *at;
    const unsigned b0 = static_cast<unsigned char>(s[i++]);
    if (b0 < 0x80) {
        *at = i;
        return static_cast<int>(b0);
    }
    // The lead byte says how many continuation bytes follow and narrows the first of them, which
    // is what rules out overlong forms (E0, F0), surrogates (ED) and values past U+10FFFF (F4).
    int follow = 0;
    int c = 0;
    unsigned lo = 0x80, hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        follow = 1;
        c = static_cast<int>(b0 & 0x1F);
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        follow = 2;
        c = static_cast<int>(b0 & 0x0F);
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        follow = 3;
        c = static_cast<int>(b0 & 0x07);
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        *at = i;
        return utf8_invalid;
    }
    for (int k = 0; k < follow; k++) {
        const unsigned b = i < n ? static_cast<unsigned char>(s[i]) : 0;
        if (i >= n || b < lo || b > hi) {
            *at = i;  // the byte that broke the sequence starts the next character
            return utf8_invalid;
        }
        c = c << 6 | static_cast<int>(b & 0x3F);
        i++;
        lo = 0x80;
        hi = 0xBF;
    }
    *at = i;
    return c;
}

void utf8_append(std::string& out, int c) {
    if (c < 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool is_control(int c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string utf8_text_fault(const std::string& text, std::size_t max_bytes) {
    if (text.size() > max_bytes) return "larger than " + std::to_string(max_bytes) + " bytes";
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        const int c = utf8_next(text.data(), text.size(), &i);
        if (c == utf8_invalid) return "byte " + std::to_string(start) + " is not UTF-8";
        if (is_control(c) && c != '\t' && c != '\n' && c != '\r')
            return "byte " + std::to_string(start) + " is a control character";
    }
    return "";
}

std::size_t utf8_length(const std::string& s) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); count++) utf8_next(s.data(), s.size(), &i);
    return count;
}

std::string utf8_prefix(const std::string& s, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t count = 0; i < s.size() && count < n; count++) utf8_next(s.data(), s.size(), &i);
    return s.substr(0, i);
}

std::string utf8_drop_last(const std::string& s) {
    std::size_t last = 0;
    for (std::size_t i = 0; i < s.size();) {
        last = i;
        utf8_next(s.data(), s.size(), &i);
    }
    return s.substr(0, last);
}

std::string terminal_text(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t start = i;
        const int c = utf8_next(s.data(), s.size(), &i);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == utf8_invalid || is_control(c)) {
            for (std::size_t k = start; k < i; k++) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(s[k]));
                out += hex;
            }
        } else {
            out.append(s, start, i - start);
        }
    }
    return out;
}

std::string screen_text(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t start = i;
        const int c = utf8_next(s.data(), s.size(), &i);
        if (c == utf8_invalid) utf8_append(out, 0xFFFD);
        else if (!is_control(c)) out.append(s, start, i - start);
    }
    return out;
}
