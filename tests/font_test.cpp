// The game's font: the glyph table keeps to its grid (told by the C library's own idea of which
// characters are capitals and small letters), dat/font.dat as Allegro reads it gives the table's
// pixels for every character, the text helper draws ASCII where the font always drew it and a
// box for anything it lacks or cannot read, the UTF-8 reader splits bad bytes as the Unicode
// standard does, and wrapped lines fit their width.
#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cwctype>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/datafile_check.h"
#include "pic_common.h"
#include "pixel_font.h"
#include "test_util.h"
#include "text/font.h"
#include "text/utf8.h"

namespace {

using pic::font_glyph;
using pic::glyph_of;
using pic::glyph_pixel;

constexpr int ink = 0xFFFFFF;

// The UTF-8 text drawn from the glyph table alone by the generator's own lettering, row 0 of the
// line at y: what the font is meant to look like, whatever Allegro and the helper do.
void table_text(BITMAP* b, const std::string& s, int x, int y) { pic::pixel_text(b, x, y, s.c_str(), ink); }
int table_width(const std::string& s) { return pic::pixel_text_width(s.c_str()); }

// The first pixel where two bitmaps of one size differ, as "(x, y)", or "" when none does.
std::string first_difference(BITMAP* a, BITMAP* b) {
    for (int y = 0; y < a->h; y++)
        for (int x = 0; x < a->w; x++)
            if (getpixel(a, x, y) != getpixel(b, x, y))
                return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return "";
}

struct bitmap_deleter {
    void operator()(BITMAP* b) const { destroy_bitmap(b); }
};
using bitmap_ptr = std::unique_ptr<BITMAP, bitmap_deleter>;

bitmap_ptr blank(int w, int h) {
    bitmap_ptr b(create_bitmap(w, h));
    clear_to_color(b.get(), 0);
    return b;
}

class Font : public testing::Test {
protected:
    static void SetUpTestSuite() {
        init_headless_allegro();
        shipped = load_datafile((build_dir() + "/dat/font.dat").c_str());
    }
    static void TearDownTestSuite() {
        unload_datafile(shipped);
        shipped = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(shipped, nullptr);
        ASSERT_EQ(shipped[0].type, DAT_FONT);
        f = static_cast<FONT*>(shipped[0].dat);
    }
    static DATAFILE* shipped;
    FONT* f = nullptr;
};
DATAFILE* Font::shipped = nullptr;

// The rows of a glyph as written: those above the line (before " | ") and those from row 0 down.
struct written_rows {
    std::vector<std::string> above, line;
};
written_rows split_rows(const char* rows) {
    written_rows r;
    std::istringstream in(rows);
    for (std::string t; in >> t;) {
        if (t == "|")
            r.above.swap(r.line);
        else
            r.line.push_back(t);
    }
    return r;
}

bool row_has_ink(const font_glyph& g, int y) {
    for (int x = 0; x < g.w; x++)
        if (glyph_pixel(g, x, y)) return true;
    return false;
}

} // namespace

TEST(FontTable, EveryGlyphKeepsToItsBoxAndTheBaselineGrid) {
    // Capitals that reach below the baseline: a tail, a cedilla, a comma or an ogonek.
    const std::u32string descending_capitals = U"QÇĄĘĢĮĶĻŅŊŖŞŢŲДЦЩ";
    const std::string was = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    int capitals = 0, small = 0;
    for (int c : pic::font_chars()) {
        const font_glyph& g = glyph_of(c);
        const std::string name = "U+" + std::to_string(c);
        ASSERT_EQ(g.ch, c);
        // Written as the table's comment says: rows of exactly w pixels, '#' or '.', the rows
        // above the line all there when any is, and no more rows than the line has.
        EXPECT_TRUE(g.w >= 1 && g.w <= 8) << name;
        const written_rows r = split_rows(g.rows);
        EXPECT_TRUE(r.above.empty() || static_cast<int>(r.above.size()) == font_accent_rows) << name;
        EXPECT_LE(static_cast<int>(r.line.size()), font_line_rows) << name;
        for (const std::vector<std::string>* rows : {&r.above, &r.line})
            for (const std::string& row : *rows) {
                EXPECT_EQ(row.find_first_not_of("#."), std::string::npos) << name << ": " << row;
                EXPECT_EQ(static_cast<int>(row.size()), g.w) << name << ": " << row;
            }

        const bool above = row_has_ink(g, -2) || row_has_ink(g, -1);
        const wint_t wc = static_cast<wint_t>(c);
        // Letters with a case of the other kind: a capital and its small letter.
        const bool capital = std::iswupper(wc) && std::towlower(wc) != wc;
        const bool small_letter = std::iswlower(wc) && std::towupper(wc) != wc;
        if (!std::iswalpha(wc)) {
            EXPECT_FALSE(above) << name << ": only letters have accents above the line";
        }
        if (capital) {
            capitals++;
            EXPECT_TRUE(row_has_ink(g, 0)) << name << " reaches the capitals' height";
            EXPECT_TRUE(row_has_ink(g, 6)) << name << " stands on the baseline";
            if (descending_capitals.find(static_cast<char32_t>(c)) == std::u32string::npos) {
                EXPECT_FALSE(row_has_ink(g, 7) || row_has_ink(g, 8)) << name << ": no capital ink below row 6";
            }
        }
        if (small_letter) {
            small++;
            EXPECT_TRUE(row_has_ink(g, 6)) << name << " stands on the baseline";
            // A small letter's accent stays in rows 0 and 1 unless the letter itself is tall.
            if (above) {
                EXPECT_TRUE(row_has_ink(g, 0)) << name << ": an accent above a short small letter";
            }
        }
    }
    std::setlocale(LC_CTYPE, was.c_str());
    // The Latin letters and the Russian alphabet, told apart by the C library.
    EXPECT_GE(capitals, 26 + 30 + 63 + 33);
    EXPECT_GE(small, 26 + 30 + 63 + 33);
}

TEST_F(Font, TheFontFileGivesTheTablesPixelsForEveryCharacter) {
    std::string why;
    EXPECT_TRUE(check_datafile_file((build_dir() + "/dat/font.dat").c_str(), &why)) << why;
    EXPECT_FALSE(is_color_font(f));
    EXPECT_EQ(text_height(f), font_accent_rows + font_line_rows);
    EXPECT_EQ(font_rows_above(f), font_accent_rows);
    EXPECT_EQ(font_line_height(f), font_line_rows);
    for (int c : pic::font_chars()) {
        const font_glyph& g = glyph_of(c);
        EXPECT_TRUE(font_has_char(f, c)) << "U+" << c;
        std::string one;
        utf8_append(one, c);
        EXPECT_EQ(text_length(f, one.c_str()), g.w + 1) << "U+" << c;
        // Allegro's own drawing of the character, with no helper between.
        bitmap_ptr drawn = blank(12, font_accent_rows + font_line_rows), meant = blank(12, font_accent_rows + font_line_rows);
        textout_ex(drawn.get(), f, one.c_str(), 0, 0, ink, -1);
        table_text(meant.get(), one, 0, font_accent_rows);
        EXPECT_EQ(first_difference(drawn.get(), meant.get()), "") << "U+" << c;
    }
    // Between the ranges and past them, nothing.
    for (int c : {0x1F, 0x7F, 0x9F, 0x180, 0x400, 0x402, 0x40F, 0x450, 0x452, 0x2012, 0x2015, 0x201B, 0x2025, 0x4E00})
        EXPECT_FALSE(font_has_char(f, c)) << "U+" << c;
}

TEST_F(Font, AsciiTextIsDrawnWhereTheFontAlwaysDrewIt) {
    // Before the font had rows above the line, a text drawn at y had its capitals' top on row y
    // and every character as wide as its glyph and one blank column.
    std::string ascii;
    for (int c = 32; c < 127; c++) ascii += static_cast<char>(c);
    for (const std::string& s : {ascii, std::string("Mission: upgrade make-up and hair and clothes and shoes and handbag")}) {
        EXPECT_EQ(text_width(f, s.c_str()), table_width(s));
        bitmap_ptr drawn = blank(640, 40), meant = blank(640, 40);
        draw_text(drawn.get(), f, s.c_str(), 3, 12, ink);
        table_text(meant.get(), s, 3, 12);
        EXPECT_EQ(first_difference(drawn.get(), meant.get()), "") << s;
        draw_text_right(drawn.get(), f, s.c_str(), 630, 25, ink);
        table_text(meant.get(), s, 630 - table_width(s), 25);
        EXPECT_EQ(first_difference(drawn.get(), meant.get()), "") << s;
    }
}

TEST_F(Font, WhatTheFontLacksAndBadUtf8AreDrawnAsTheBox) {
    const std::string box = "\xEF\xBF\xBD";
    struct Case {
        const char* what;
        std::string text, shown;
    };
    const Case cases[] = {
        {"a character the font lacks", "A\xE4\xB8\x80" "B", "A" + box + "B"},
        {"a control character", "A\tB\n", "A" + box + "B" + box},
        {"a stray continuation byte", "A\x80" "B", "A" + box + "B"},
        {"a sequence cut short", "\xD0\x9F\xD1", "\xD0\x9F" + box},
        {"a sequence broken by a letter", "\xE2\x80(", box + "("},
        {"an overlong slash", "\xC0\xAF", box + box},
        {"a surrogate", "\xED\xA0\x80", box + box + box},
        {"bytes that are never UTF-8", "\xFE\xFF", box + box},
        {"accents and Cyrillic as they are", "\xC3\x84rger \xD0\x81\xD0\xB6", "\xC3\x84rger \xD0\x81\xD0\xB6"},
    };
    for (const Case& c : cases) {
        bitmap_ptr drawn = blank(120, 20), meant = blank(120, 20);
        draw_text(drawn.get(), f, c.text.c_str(), 1, 4, ink);
        table_text(meant.get(), c.shown, 1, 4);
        EXPECT_EQ(first_difference(drawn.get(), meant.get()), "") << c.what;
        EXPECT_EQ(text_width(f, c.text.c_str()), table_width(c.shown)) << c.what;
    }
    // Allegro's own font (while font.dat is missing) has no box: its stand-in character.
    bitmap_ptr drawn = blank(60, 10), meant = blank(60, 10);
    draw_text(drawn.get(), font, "A\xD0\x96\xFF", 0, 0, ink);
    const char stand_in[] = {'A', static_cast<char>(allegro_404_char), static_cast<char>(allegro_404_char), '\0'};
    textout_ex(meant.get(), font, stand_in, 0, 0, ink, -1);
    EXPECT_EQ(first_difference(drawn.get(), meant.get()), "");
}

TEST(Utf8, BadBytesAreSplitAsTheUnicodeStandardDoes) {
    // The standard's own example of the practice (chapter 3, U+FFFD substitution of maximal
    // subparts), and the four lengths of a character at their edges.
    struct Case {
        std::string bytes;
        std::vector<int> chars;
    };
    const int bad = utf8_invalid;
    const Case cases[] = {
        {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", {'a', bad, bad, bad, 'b', bad, 'c', bad, bad, 'd'}},
        {"\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
         {0x7F, 0x80, 0x7FF, 0x800, 0xFFFF, 0x10000, 0x10FFFF}},
        {"\xF4\x90\x80\x80", {bad, bad, bad, bad}},
        {"\xF0\x9F\x98", {bad}},
    };
    for (const Case& c : cases) {
        std::vector<int> got;
        for (std::size_t at = 0; at < c.bytes.size();) got.push_back(utf8_next(c.bytes.data(), c.bytes.size(), &at));
        EXPECT_EQ(got, c.chars);
        std::string again;
        for (int ch : got) utf8_append(again, ch);
        if (std::find(got.begin(), got.end(), bad) == got.end()) {
            EXPECT_EQ(again, c.bytes);
        }
    }
}

TEST_F(Font, WrappedLinesFitTheirWidthAndBreakOnlyWhereTheyMust) {
    const std::string nbsp = "\xC2\xA0";
    const std::string texts[] = {
        "Not playable: the partner's start V has a wall above it at row 15, column 28",
        "Миссия: обновить макияж, причёску, одежду, обувь и сумочку",
        "Mission\xC2\xA0: am\xC3\xA9liorer le maquillage et la coiffure",
        "Enter: choose   Left/Right: play or edit   Esc: title",
        "Donaudampfschifffahrtsgesellschaftskapit\xC3\xA4n",
    };
    for (const std::string& text : texts)
        for (int width : {1, 40, 80, 136, 318}) {
            const std::vector<std::string> lines = wrap_text(f, text, width);
            ASSERT_FALSE(lines.empty()) << text;
            std::size_t pos = 0;  // where the next line begins in the text
            for (std::size_t i = 0; i < lines.size(); i++) {
                const std::string& line = lines[i];
                ASSERT_FALSE(line.empty()) << text << " at " << width;
                // Nothing lost: the lines are the text without the blanks at the breaks.
                ASSERT_EQ(text.compare(pos, line.size(), line), 0) << line;
                pos += line.size();
                std::size_t blanks = 0;
                while (pos + blanks < text.size() && text[pos + blanks] == ' ') blanks++;
                // A line is too wide only when it is one character.
                std::size_t at = 0;
                utf8_next(line.data(), line.size(), &at);
                if (at < line.size()) {
                    EXPECT_LE(text_width(f, line.c_str()), width) << line;
                }
                // The next line's first word (or character, where a word was broken) would not
                // have fitted.
                if (i + 1 < lines.size()) {
                    const std::string& next = lines[i + 1];
                    std::size_t end = 0;
                    if (blanks > 0)
                        end = std::min(next.find(' '), next.size());
                    else
                        utf8_next(next.data(), next.size(), &end);
                    const std::string more = line + text.substr(pos, blanks) + next.substr(0, end);
                    EXPECT_GT(text_width(f, more.c_str()), width) << line << " | " << next;
                }
                pos += blanks;
            }
            EXPECT_EQ(pos, text.size()) << text << " at " << width;
        }
    // A no-break space keeps its words together; a newline always breaks.
    EXPECT_EQ(wrap_text(f, "ab" + nbsp + "cd ef", table_width("ab cd") + 1), std::vector<std::string>({"ab" + nbsp + "cd", "ef"}));
    EXPECT_EQ(wrap_text(f, "ab\n\ncd", 300), std::vector<std::string>({"ab", "", "cd"}));
    EXPECT_TRUE(wrap_text(f, "", 300).empty());
}
