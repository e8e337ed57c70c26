// Lines that fit a width: words measured in the font they are drawn in.
#include "text/wrap.h"

#include <allegro.h>

namespace {

// The bytes of the UTF-8 character that starts at s[i] (1 for a stray byte).
size_t char_bytes(const std::string& s, size_t i) {
    size_t n = 1;
    while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) n++;
    return n;
}

} // namespace

int text_width(FONT* f, const std::string& text) { return text.empty() ? 0 : text_length(f, text.c_str()); }

std::vector<std::string> wrap_text(FONT* f, const std::string& text, int width) {
    std::vector<std::string> lines;
    std::string line;
    auto put_word = [&](const std::string& word) {
        if (word.empty()) return;
        const std::string joined = line.empty() ? word : line + " " + word;
        if (text_width(f, joined) <= width) {
            line = joined;
            return;
        }
        if (!line.empty()) lines.push_back(line);
        line.clear();
        // A word too wide for a line of its own is broken between its letters.
        for (size_t i = 0; i < word.size();) {
            const size_t n = char_bytes(word, i);
            const std::string longer = line + word.substr(i, n);
            if (!line.empty() && text_width(f, longer) > width) {
                lines.push_back(line);
                line.clear();
                continue;
            }
            line = longer;
            i += n;
        }
    };
    std::string word;
    for (char c : text) {
        if (c == ' ') {
            put_word(word);
            word.clear();
        } else {
            word += c;
        }
    }
    put_word(word);
    if (!line.empty()) lines.push_back(line);
    return lines;
}
