// English sentences taken apart along their formats and shown in the language in force.
#include "text/english.h"

#include "text/text.h"

namespace {

// A format in pieces: its own words, and the places of its arguments.
struct PIECE {
    std::string words;  // empty for an argument
    int arg = -1;       // the argument's index
};

// format cut as fill reads it: "%s" takes the next argument, "%N$s" argument N, "%%" is a
// percent sign, any other '%' stands for itself.
std::vector<PIECE> pieces_of(const char* format) {
    std::vector<PIECE> out;
    int next = 0;
    auto words = [&](char c) {
        if (out.empty() || out.back().arg >= 0) out.push_back({});
        out.back().words += c;
    };
    for (const char* p = format; *p; p++) {
        if (*p != '%') {
            words(*p);
            continue;
        }
        if (p[1] == '%') {
            words('%');
            p++;
            continue;
        }
        int index = next;
        const char* q = p + 1;
        if (*q >= '1' && *q <= '9') {
            int n = 0;
            while (*q >= '0' && *q <= '9') n = n * 10 + (*q++ - '0');
            if (*q != '$') q = nullptr;
            else {
                index = n - 1;
                q++;
            }
        }
        if (q && *q == 's') {
            out.push_back({"", index});
            if (index == next) next++;
            p = q;
        } else {
            words('%');
        }
    }
    return out;
}

// Matches pieces[i..] against text from pos, filling args; the shortest arguments first.
bool match_from(const std::vector<PIECE>& pieces, size_t i, const std::string& text, size_t pos,
                std::vector<std::string>& args, std::vector<bool>& set) {
    if (i == pieces.size()) return pos == text.size();
    const PIECE& p = pieces[i];
    if (p.arg < 0) {
        return text.compare(pos, p.words.size(), p.words) == 0 &&
               match_from(pieces, i + 1, text, pos + p.words.size(), args, set);
    }
    const size_t a = static_cast<size_t>(p.arg);
    for (size_t end = pos + 1; end <= text.size(); end++) {
        if (i + 1 < pieces.size() && pieces[i + 1].arg < 0 &&
            text.compare(end, pieces[i + 1].words.size(), pieces[i + 1].words) != 0)
            continue;
        if (i + 1 == pieces.size() && end != text.size()) continue;
        const std::string value = text.substr(pos, end - pos);
        if (set[a] && args[a] != value) continue;  // the same argument twice must say the same
        const bool was_set = set[a];
        const std::string was = args[a];
        args[a] = value;
        set[a] = true;
        if (match_from(pieces, i + 1, text, end, args, set)) return true;
        args[a] = was;
        set[a] = was_set;
    }
    return false;
}

size_t own_words(const std::vector<PIECE>& pieces) {
    size_t n = 0;
    for (const PIECE& p : pieces) n += p.words.size();
    return n;
}

std::string shown(const std::string& english, const std::vector<const ENGLISH_FORMATS*>& formats, int depth) {
    const char* best = nullptr;
    size_t best_words = 0;
    std::vector<std::string> best_args;
    for (const ENGLISH_FORMATS* table : formats)
        for (const char* f : *table) {
            std::vector<std::string> args;
            if (!match_format(f, english, &args)) continue;
            const size_t words = own_words(pieces_of(f));
            if (best && words <= best_words) continue;
            best = f;
            best_words = words;
            best_args = args;
        }
    if (!best) return english;
    // Pieces within pieces go a few levels deep at most ("the hair shop" in a place in a fault).
    if (depth < 4)
        for (std::string& a : best_args) a = shown(a, formats, depth + 1);
    return fill(text_lookup(best), best_args);
}

} // namespace

bool match_format(const char* format, const std::string& text, std::vector<std::string>* args) {
    const std::vector<PIECE> pieces = pieces_of(format);
    if (own_words(pieces) == 0) return false;  // "%s" alone would fit anything
    size_t count = 0;
    for (const PIECE& p : pieces)
        if (p.arg >= 0 && static_cast<size_t>(p.arg) + 1 > count) count = static_cast<size_t>(p.arg) + 1;
    std::vector<std::string> found(count);
    std::vector<bool> set(count, false);
    if (!match_from(pieces, 0, text, 0, found, set)) return false;
    if (args) *args = found;
    return true;
}

std::string shown_english(const std::string& english, const std::vector<const ENGLISH_FORMATS*>& formats) {
    return shown(english, formats, 0);
}
