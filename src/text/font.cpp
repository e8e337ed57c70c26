// Drawing and measuring text in the game's font (see font.h). Allegro draws the text; what it
// is given has been read here first, so that it only ever sees characters the font has.
#include "text/font.h"

#include <allegro.h>

#include <algorithm>

#include "text/utf8.h"

namespace {

// s as Allegro is to draw it: well-formed UTF-8 of characters f has, the stand-in in place of
// each character it lacks and of each bad spot.
std::string drawable(const FONT* f, const char* s) {
    const int stand_in = font_has_char(f, font_missing_char) ? font_missing_char : allegro_404_char;
    std::string out;
    const std::size_t n = std::char_traits<char>::length(s);
    out.reserve(n);
    for (std::size_t at = 0; at < n;) {
        const int c = utf8_next(s, n, &at);
        utf8_append(out, c != utf8_invalid && font_has_char(f, c) ? c : stand_in);
    }
    return out;
}

} // namespace

int font_rows_above(const FONT* f) { return std::max(0, text_height(f) - font_line_rows); }

int font_line_height(const FONT* f) { return text_height(f) - font_rows_above(f); }

bool font_has_char(const FONT* f, int c) {
    // Allegro asks for a font it may change; these only read it.
    FONT* font = const_cast<FONT*>(f);
    const int ranges = get_font_ranges(font);
    for (int i = 0; i < ranges; i++)
        if (c >= get_font_range_begin(font, i) && c <= get_font_range_end(font, i)) return true;
    return false;
}

int text_width(const FONT* f, const char* s) { return text_length(f, drawable(f, s).c_str()); }

void draw_text(BITMAP* b, const FONT* f, const char* s, int x, int y, int colour) {
    textout_ex(b, f, drawable(f, s).c_str(), x, y - font_rows_above(f), colour, -1);
}

void draw_text_centre(BITMAP* b, const FONT* f, const char* s, int x, int y, int colour) {
    const std::string shown = drawable(f, s);
    textout_ex(b, f, shown.c_str(), x - text_length(f, shown.c_str()) / 2, y - font_rows_above(f), colour, -1);
}

void draw_text_right(BITMAP* b, const FONT* f, const char* s, int x, int y, int colour) {
    const std::string shown = drawable(f, s);
    textout_ex(b, f, shown.c_str(), x - text_length(f, shown.c_str()), y - font_rows_above(f), colour, -1);
}

std::vector<std::string> wrap_text(const FONT* f, const std::string& s, int width) {
    std::vector<std::string> lines;
    std::string line;
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        if (s[i] == '\n') {
            lines.push_back(line);
            line.clear();
            i++;
            continue;
        }
        const std::size_t blanks_from = i;
        while (i < n && s[i] == ' ') i++;
        const std::size_t word_from = i;
        while (i < n && s[i] != ' ' && s[i] != '\n') i++;
        std::string word = s.substr(word_from, i - word_from);
        if (word.empty()) continue;
        if (!line.empty()) {
            const std::string longer = line + s.substr(blanks_from, word_from - blanks_from) + word;
            if (text_width(f, longer.c_str()) <= width) {
                line = longer;
                continue;
            }
            lines.push_back(line);
            line.clear();
        }
        // The word begins a line; while it is too wide, the most of its characters that fit
        // (one at least) make a line of their own.
        while (!word.empty() && text_width(f, word.c_str()) > width) {
            std::size_t cut = 0;
            for (std::size_t at = 0; at < word.size();) {
                std::size_t next = at;
                utf8_next(word.data(), word.size(), &next);
                if (cut > 0 && text_width(f, word.substr(0, next).c_str()) > width) break;
                cut = at = next;
            }
            lines.push_back(word.substr(0, cut));
            word.erase(0, cut);
        }
        line = word;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string fit_text(const FONT* f, const std::string& s, int width) {
    if (text_width(f, s) <= width) return s;
    const std::string ellipsis = "\u2026";
    std::string fits;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t next = i;
        utf8_next(s.data(), s.size(), &next);
        if (text_width(f, s.substr(0, next) + ellipsis) > width) break;
        fits = s.substr(0, next);
        i = next;
    }
    return fits + ellipsis;
}
