// Text broken into lines that fit a panel, measured in the font it is drawn in.
#include <allegro.h>

#include "core/utf8.h"
#include "gameplay/hud.h"
#include "menu/menu.h"

std::vector<std::string> lines_to_width(const std::string& text, int w) {
    FONT* f = hud_font();
    const auto width = [&](const std::string& s) { return f ? text_length(f, s.c_str()) : 8 * static_cast<int>(s.size()); };
    std::vector<std::string> lines;
    std::string line;
    auto put_word = [&](std::string word) {
        const std::string joined = line.empty() ? word : line + " " + word;
        if (width(joined) <= w) {
            line = joined;
            return;
        }
        if (!line.empty()) lines.push_back(line);
        line.clear();
        // A word wider than the line alone goes in pieces, a character at a time.
        while (width(word) > w) {
            std::size_t cut = 0;
            for (std::size_t next = 0; next < word.size();) {
                char32_t c;
                const std::size_t n = utf8_char(word, next, &c);
                next += n ? n : 1;
                if (width(word.substr(0, next)) > w) break;
                cut = next;
            }
            if (cut == 0) cut = 1;
            lines.push_back(word.substr(0, cut));
            word.erase(0, cut);
        }
        line = word;
    };
    std::string word;
    for (char c : text) {
        if (c == ' ') {
            if (!word.empty()) put_word(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) put_word(word);
    if (!line.empty()) lines.push_back(line);
    return lines;
}
