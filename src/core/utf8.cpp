// Checking UTF-8 strictly, and cleaning text from files for the screen and the terminal.
#include "core/utf8.h"

#include <cstdio>

std::size_t utf8_char(const std::string& s, std::size_t at, char32_t* cp) {
    if (at >= s.size()) return 0;
    const auto lead = static_cast<unsigned char>(s[at]);
    if (lead < 0x80) {
        *cp = lead;
        return 1;
    }
    // The length the lead byte announces, and the least code point that needs that length.
    std::size_t n;
    char32_t least;
    if ((lead & 0xE0) == 0xC0) n = 2, least = 0x80;
    else if ((lead & 0xF0) == 0xE0) n = 3, least = 0x800;
    else if ((lead & 0xF8) == 0xF0) n = 4, least = 0x10000;
    else return 0;
    if (at + n > s.size()) return 0;
    char32_t c = lead & (0x7F >> n);
    for (std::size_t k = 1; k < n; k++) {
        const auto b = static_cast<unsigned char>(s[at + k]);
        if ((b & 0xC0) != 0x80) return 0;
        c = c << 6 | (b & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    *cp = c;
    return n;
}

void append_utf8(std::string& s, char32_t cp) {
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | cp >> 6);
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | cp >> 12);
        s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | cp >> 18);
        s += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool is_control(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

std::string utf8_text_fault(const std::string& text, std::size_t max_bytes) {
    if (text.size() > max_bytes) return "larger than " + std::to_string(max_bytes) + " bytes";
    for (std::size_t i = 0; i < text.size();) {
        char32_t c;
        const std::size_t n = utf8_char(text, i, &c);
        if (n == 0) return "byte " + std::to_string(i) + " is not UTF-8";
        if (is_control(c) && c != '\t' && c != '\n' && c != '\r')
            return "byte " + std::to_string(i) + " is a control character";
        i += n;
    }
    return "";
}

std::size_t utf8_length(const std::string& s) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); count++) {
        char32_t c;
        const std::size_t n = utf8_char(s, i, &c);
        i += n ? n : 1;
    }
    return count;
}

std::string utf8_prefix(const std::string& s, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t count = 0; i < s.size() && count < n; count++) {
        char32_t c;
        const std::size_t len = utf8_char(s, i, &c);
        i += len ? len : 1;
    }
    return s.substr(0, i);
}

std::string terminal_text(const std::string& s) {
    std::string out;
    auto escape = [&](std::size_t from, std::size_t n) {
        for (std::size_t k = from; k < from + n; k++) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(s[k]));
            out += hex;
        }
    };
    for (std::size_t i = 0; i < s.size();) {
        char32_t c;
        const std::size_t n = utf8_char(s, i, &c);
        if (n == 0) {
            escape(i, 1);
            i++;
            continue;
        }
        if (c == '\\') out += "\\\\";
        else if (is_control(c)) escape(i, n);
        else out.append(s, i, n);
        i += n;
    }
    return out;
}

std::string screen_text(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        char32_t c;
        const std::size_t n = utf8_char(s, i, &c);
        if (n == 0) {
            out += '?';
            i++;
            continue;
        }
        if (!is_control(c)) out.append(s, i, n);
        i += n;
    }
    return out;
}
