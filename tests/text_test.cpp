// The player's words in every language: English sentences taken apart and shown again, the
// mission said whole; every text drawn in its place at 320 x 240 and found inside its box, in
// English, in each shipped language and in a pseudo-language 40% longer; every character the
// catalogues use in the game's font.
#include <allegro.h>
#include <allegro/internal/aintern.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "authoring/district_files.h"
#include "authoring/fault_text.h"
#include "authoring/level_check.h"
#include "authoring/level_map.h"
#include "authoring/proof_report.h"
#include "authoring/routes.h"
#include "core/assets.h"
#include "core/state.h"
#include "editor/editor.h"
#include "editor/proof_worker.h"
#include "gameplay/hud.h"
#include "gameplay/hud_text.h"
#include "gameplay/mission.h"
#include "gameplay/tick.h"
#include "menu/menu.h"
#include "replay/progress.h"
#include "shell/editor_view.h"
#include "shell/shell.h"
#include "test_util.h"
#include "text/english.h"
#include "text/language.h"
#include "text/text.h"
#include "world/camera.h"
#include "world/district.h"
#include "world/level.h"

namespace {

// Every table of English formats the game shows translated.
const std::vector<const ENGLISH_FORMATS*> fault_tables = {&map_fault_formats,      &route_fault_formats,
                                                          &check_fault_formats,    &level_read_formats,
                                                          &district_fault_formats, &district_file_formats};
const std::vector<const ENGLISH_FORMATS*> proof_tables = {&proof_error_formats, &proof_report_formats};

// ---- the recorder: the game's own font, which notes every text drawn with it ----------------

// One text as it was drawn: where, how large in the font, in which colour, onto which bitmap
// and within which clipping rectangle.
struct DRAWN {
    std::string text;
    int x, y, w, h, colour;
    BITMAP* bmp;
    int clip[4];
};
std::vector<DRAWN> drawn;
FONT* real_font = nullptr;
FONT recorder;
FONT_VTABLE recorder_vtable;
DATAFILE recorder_datafile[2];

void record(AL_CONST FONT*, AL_CONST char* text, int fg, int, BITMAP* bmp, int x, int y) {
    // Nothing is inked: the picture keeps what the text lies on. The text's place is its advance
    // across, and down the rows its letters ink: the rows above the line, where capitals' accents
    // go, count only where a letter uses them.
    const int w = real_font->vtable->text_length(real_font, text), h = real_font->height;
    if (!*text || w <= 0) return;
    BITMAP* ink = create_bitmap(w, h);
    clear_to_color(ink, 0);
    real_font->vtable->render(real_font, text, 1, -1, ink, 0, 0);
    int top = h, bottom = -1;
    for (int row = 0; row < h; row++)
        for (int col = 0; col < w; col++)
            if (getpixel(ink, col, row) != 0) {
                top = std::min(top, row);
                bottom = std::max(bottom, row);
            }
    destroy_bitmap(ink);
    if (bottom < 0) return;  // blanks alone
    drawn.push_back({text, x, y + top, w, bottom - top + 1, fg, bmp, {bmp->cl, bmp->ct, bmp->cr, bmp->cb}});
}

// ---- the catalogues' files --------------------------------------------------------------------

// The texts a compiled catalogue (.mo) holds, msgids and translations alike, each plural form on
// its own and a context left out; empty when the file is not one.
std::vector<std::string> mo_strings(const std::string& bytes) {
    auto u32 = [&](size_t at) -> std::uint32_t {
        if (at + 4 > bytes.size()) return 0;
        std::uint32_t v;
        std::memcpy(&v, bytes.data() + at, 4);
        return v;
    };
    std::vector<std::string> out;
    if (u32(0) != 0x950412DEu) return out;
    const std::uint32_t n = u32(8), originals = u32(12), translations = u32(16);
    for (std::uint32_t i = 0; i < n; i++)
        for (std::uint32_t table : {originals, translations}) {
            const std::uint32_t len = u32(table + 8 * i), at = u32(table + 8 * i + 4);
            if (at + len > bytes.size()) continue;
            std::string forms = bytes.substr(at, len);
            forms.erase(0, forms.find('\4') + 1);  // "context\4msgid": the msgid
            for (size_t start = 0, end; start <= forms.size(); start = end + 1) {
                end = std::min(forms.find('\0', start), forms.size());
                out.push_back(forms.substr(start, end - start));
            }
        }
    return out;
}

// The code points of UTF-8 text; a byte that starts no character gives 0xFFFD.
std::vector<int> code_points(const std::string& s) {
    std::vector<int> out;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + static_cast<size_t>(n) > s.size()) {
            out.push_back(0xFFFD);
            i++;
            continue;
        }
        int cp = n == 1 ? c : c & (0x7F >> n);
        for (int k = 1; k < n; k++) cp = cp << 6 | (static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) & 0x3F);
        out.push_back(cp);
        i += static_cast<size_t>(n);
    }
    return out;
}

// "U+00E7".
std::string code_point_name(int cp) {
    char s[16];
    std::snprintf(s, sizeof s, "U+%04X", static_cast<unsigned>(cp));
    return s;
}

// The English text of a format with every placeholder filled with arg.
std::string filled(const char* format, const std::string& arg) {
    return fill(format, std::vector<std::string>(9, arg));
}

// A long piece of a fault: a place in a map as large as a level can be, which most faults name.
const std::string long_piece = "row 499, column 999 (line 9999)";

class Languages : public testing::Test {
protected:
    static void SetUpTestSuite() {
        init_headless_allegro();
        font_file = load_datafile((build_dir() + "/dat/font.dat").c_str());
        ASSERT_NE(font_file, nullptr);
        real_font = static_cast<FONT*>(font_file[0].dat);
        recorder_vtable = *real_font->vtable;
        recorder_vtable.render = record;
        recorder = *real_font;
        recorder.vtable = &recorder_vtable;
        recorder_datafile[0] = {&recorder, DAT_FONT, 0, nullptr};
        recorder_datafile[1] = {nullptr, DAT_END, 0, nullptr};
        title = load_bitmap((build_dir() + "/dat/title.pcx").c_str(), nullptr);
        ASSERT_NE(title, nullptr);
    }
    static void TearDownTestSuite() {
        unload_datafile(font_file);
        destroy_bitmap(title);
        speak("en");
    }
    void SetUp() override {
        saved_font1 = font1;
        saved_title = the_title;
        font1 = recorder_datafile;
        the_title = title;
    }
    void TearDown() override {
        font1 = saved_font1;
        the_title = saved_title;
        drawn.clear();
    }

    // Draws a scene with draw onto a view_w x view_h picture cleared to backdrop, and checks every
    // text drawn: wholly inside its bitmap and its clipping rectangle (nothing cut off mid-letter);
    // unless it is a shadow (drawn in panel_outline), wholly over pixels that on_box accepts
    // (its box: a panel, the HUD's strip) and clear of every other text.
    void check(const std::string& lang, const std::string& scene, const std::function<void(BITMAP*)>& draw,
               const std::function<bool(int)>& on_box, int backdrop = 0) {
        BITMAP* b = create_bitmap(view_w, view_h);
        clear_to_color(b, backdrop);
        drawn.clear();
        draw(b);
        scenes++;
        std::vector<const DRAWN*> words;
        for (const DRAWN& d : drawn) {
            texts++;
            const std::string where = lang + ", " + scene + ": \"" + d.text + "\" at " + std::to_string(d.x) + "," +
                                      std::to_string(d.y) + " (" + std::to_string(d.w) + " wide)";
            // Allegro's clipping rectangle ends one past its last column and row; a glyph box's
            // last column is blank.
            const bool inside = d.x >= 0 && d.y >= 0 && d.x + d.w - 1 <= d.bmp->w && d.y + d.h <= d.bmp->h &&
                                d.x >= d.clip[0] && d.y >= d.clip[1] && d.x + d.w - 1 <= d.clip[2] &&
                                d.y + d.h <= d.clip[3];
            EXPECT_TRUE(inside) << where << " is not wholly in its picture";
            if (!inside || d.colour == panel_outline) continue;
            // The glyphs' last blank column may touch the box's edge.
            int off = 0;
            for (int y = d.y; y < d.y + d.h; y++)
                for (int x = d.x; x < d.x + d.w - 1; x++) off += !on_box(getpixel(d.bmp, x, y));
            EXPECT_EQ(off, 0) << where << " runs out of its box";
            for (const DRAWN* o : words) {
                const bool apart = o->bmp != d.bmp || d.x + d.w - 1 <= o->x || o->x + o->w - 1 <= d.x ||
                                   d.y + d.h <= o->y || o->y + o->h <= d.y;
                EXPECT_TRUE(apart) << where << " lies over \"" << o->text << "\"";
            }
            words.push_back(&d);
        }
        destroy_bitmap(b);
    }

    static DATAFILE* font_file;
    static BITMAP* title;
    DATAFILE* saved_font1 = nullptr;
    BITMAP* saved_title = nullptr;
    int scenes = 0, texts = 0;
};
DATAFILE* Languages::font_file = nullptr;
BITMAP* Languages::title = nullptr;

bool on_panel(int c) { return c == panel_fill || c == panel_band; }

} // namespace

// Each format of every table of faults, filled, is taken apart into the very arguments it was
// filled with (no other format of the tables fits it better), and comes back whole in English.
TEST(EnglishFormats, EveryFaultComesApartIntoItsOwnArguments) {
    speak("en");
    int formats = 0;
    for (const std::vector<const ENGLISH_FORMATS*>& tables : {fault_tables, proof_tables})
        for (const ENGLISH_FORMATS* table : tables)
            for (const char* f : *table) {
                formats++;
                const std::vector<std::string> args = {"11", "22", "33", "44", "55"};
                const std::string text = fill(f, args);
                std::vector<std::string> back;
                ASSERT_TRUE(match_format(f, text, &back)) << f;
                for (size_t i = 0; i < back.size(); i++) EXPECT_EQ(back[i], args[i]) << f;
                EXPECT_EQ(shown_english(text, tables), text) << f;
            }
    EXPECT_GT(formats, 50);
    EXPECT_FALSE(match_format("%s is missing", "", nullptr)) << "an argument is never empty";
    EXPECT_FALSE(match_format("%s", "anything", nullptr)) << "a format needs words of its own";
}

// A fault as the checks write it, pieces within pieces, is shown with every piece in the language
// in force; what no check writes (a hostile district.cfg's words) stays as it stands.
TEST(EnglishFormats, AFaultIsShownPieceByPieceInThePseudoLanguage) {
    ASSERT_FALSE(pseudo_locale_dir().empty());
    // The partner's start with a wall above it, in a map of the starter's size.
    std::vector<std::string> rows = starter_map();
    rows[static_cast<size_t>(start_row - 1)][static_cast<size_t>(partner_start_column)] = '#';
    level_map m;
    m.rows = rows;
    for (size_t i = 0; i < rows.size(); i++) m.lines.push_back(static_cast<int>(i) + 10);
    const std::vector<std::string> faults = check_map(m);
    ASSERT_FALSE(faults.empty());
    const std::string& fault = faults.front();
    speak("en");
    EXPECT_EQ(shown_fault(fault), fault);
    speak("pseudo");
    const std::string shown = shown_fault(fault);
    EXPECT_EQ(shown.rfind("[[the partner's start V", 0), 0u) << shown;  // the sentence, then its first piece
    EXPECT_NE(shown.find("[row " + std::to_string(start_row - 1) + ", column "), std::string::npos) << shown;
    EXPECT_EQ(shown_fault("my own words: 12"), "my own words: 12");
    speak("en");
}

// For every set of missing categories the rules' English line is shown as the whole sentence of
// its count: itself in English, the count's own sentence with each word of the "mission" context
// in another language. Other lines are looked up whole.
TEST(HudText, EveryMissionIsOneSentenceOfItsCount) {
    ASSERT_FALSE(pseudo_locale_dir().empty());
    const char* words[category_count] = {"make-up", "hair", "clothes", "shoes", "handbag"};
    for (int set = 1; set < 1 << category_count; set++) {
        std::string line = "Mission: upgrade";
        int count = 0;
        for (int i = 0; i < category_count; i++)
            if (set & 1 << i) line += (count++ ? " and " : " ") + std::string(words[i]);
        speak("en");
        EXPECT_EQ(shown_message(line.c_str()), line);
        speak("pseudo");
        const std::string shown = shown_message(line.c_str());
        EXPECT_EQ(shown.rfind("[Mission: upgrade ", 0), 0u) << shown;
        for (int i = 0; i < category_count; i++)
            EXPECT_EQ(shown.find("[" + std::string(words[i]) + " ") != std::string::npos, (set & 1 << i) != 0)
                << shown;
        // The sentence of this count: one " and " fewer than the words, in its own text.
        const std::string sentence = text_lookup(mission_formats[count - 1]);
        EXPECT_EQ(sentence.rfind("[Mission: upgrade", 0), 0u) << sentence;
    }
    EXPECT_EQ(shown_message("Mission: return to Vela!"), "[Mission: return to Vela! Mission: ]");
    EXPECT_EQ(shown_message("Mission: upgrade hats"), "Mission: upgrade hats") << "no category of the game's";
    speak("en");
}

// Every text in its place, the longest case of each, for English, every shipped language and
// the pseudo-language: the HUD, every menu page with every value, the editor's panels and its
// status, the district screen and the title's hints.
TEST_F(Languages, EveryTextFitsItsPlaceInEveryLanguage) {
    ASSERT_FALSE(pseudo_locale_dir().empty());
    ASSERT_EQ(get_uformat(), U_UTF8) << "the catalogues' UTF-8 goes to Allegro as it is";
    iThex = iThey = 0;

    // The editor on the largest map a level can be, the cursor in its far corner.
    EDITOR e;
    open_editor(e, std::vector<std::string>(map_rows, std::string(map_columns, '#')));
    e.cx = e.width() - 1;
    e.cy = e.height() - 1;
    e.saved_revision = -1;
    EDITOR_VIEW v;
    const int status_back = [&] {
        BITMAP* b = create_bitmap(view_w, view_h);
        draw_editor(b, e, v);
        const int c = getpixel(b, 0, view_h - 1);
        destroy_bitmap(b);
        return c;
    }();
    auto on_editor = [&](int c) { return c == status_back || c == box_colour || c == strip_colour; };

    // The faults, each filled with the longest of the pieces the faults nest.
    std::vector<std::string> faults;
    for (const ENGLISH_FORMATS* table : fault_tables)
        for (const char* f : *table) faults.push_back(filled(f, long_piece));

    // Districts for the district screen: shipped ones, locked ones, the player's own with each fault.
    game_progress = PROGRESS{};
    std::vector<DISTRICT> districts;
    for (const char* name : shipped_district_names) {
        DISTRICT d;
        d.name = d.folder = name;
        d.shipped = true;
        districts.push_back(d);
    }
    for (size_t i = 0; i < faults.size(); i++) {
        DISTRICT d;
        d.folder = "district-" + std::to_string(i);
        d.name = std::string(district_name_max, 'W');
        d.fault = faults[i];
        districts.push_back(d);
    }

    const MENU_SETTINGS settings_were = menu_settings;
    for (const std::string& lang : every_language()) {
        speak(lang);

        // The HUD: every message, the largest numbers, the timer and a split.
        std::vector<std::string> messages = {"Welcome!", "Mission: return to Vela!", "Wait - Vela upgrading"};
        for (int set = 1; set < 1 << category_count; set++) {
            std::string line = "Mission: upgrade";
            for (int i = 0, n = 0; i < category_count; i++)
                if (set & 1 << i) line += (n++ ? " and " : " ") + std::string(names[i]);
            messages.push_back(line);
        }
        the_time = 60;
        timer = 60 + 9999;
        tase = 999;
        score = -999999;
        hud_timer = hud_timer_mission;
        run_ticks = 999999;
        run_splits = {999998};
        split_note = SPLIT_NOTE{0, true, -99999, SPLIT_LOOK::ahead};
        for (const std::string& text : messages) {
            add_message(text.c_str());
            check(lang, "the HUD with \"" + text + "\"", [](BITMAP* b) {
                disp_message_width(b, view_w);
                disp_timer(b, view_w);
            }, [](int c) { return c != 0; });
        }
        hud_timer = hud_timer_off;
        run_splits.clear();
        split_note = SPLIT_NOTE{};
        timer = 0;
        add_message("Welcome!");

        // Every menu page, each value of each option taken in turn, every key and button waited
        // for, ten best runs, every word below the entries.
        menu_settings.sound_allowed = false;
        best_runs.clear();
        MENU_STATE m;
        auto page = [&](MENU_PAGE p, const std::string& what) {
            m.open = {{p, 0}};
            check(lang, what, [&](BITMAP* b) { draw_menu(b, m); }, on_panel, 0x20A020);
        };
        for (int k = 0; k < 9; k++) {
            SETTINGS& s = menu_settings.in_force;
            s.fullscreen = k % 2;
            s.scale = k % 3 == 0 ? 0 : max_scale;
            s.timer = k % timer_choices;
            s.ghost = k % 2;
            s.language = k == 0 ? system_language : languages[static_cast<size_t>(k - 1) % languages.size()].code;
            s.keys = {KEY_LCONTROL, KEY_RCONTROL, KEY_BACKSPACE, KEY_CAPSLOCK, KEY_ALTGR, KEY_PGDN};
            if (k % 2) s.keys = {KEY_INSERT, KEY_SCRLOCK, KEY_NUMLOCK, KEY_SPACE, KEY_ENTER_PAD, KEY_RSHIFT};
            s.pad = {31, 30, 29, 28};
            m.waiting = k < 6 ? k : -1;
            page(MENU_PAGE::options, "the options");
            page(MENU_PAGE::keys, "the keys");
            page(MENU_PAGE::pad, "the gamepad");
        }
        m.waiting = -1;
        page(MENU_PAGE::pause, "the pause menu");
        page(MENU_PAGE::watching, "the watching menu");
        page(MENU_PAGE::best_runs, "no best runs");
        for (int i = 0; i < 9; i++) best_runs.push_back({"2026-12-31 23:59:59", -999999, 999, 0, "", "town", false, ""});
        // A shared district's run stands under its maker's name, as long as a name may be.
        best_runs.push_back({"2026-12-31 23:59:59", -999999, 999, 0, "", "town", true, std::string(40, 'W')});
        page(MENU_PAGE::best_runs, "ten best runs");
        best_runs.clear();
        for (const char* note : {"No sound device", "That key cannot be bound", "F11 belongs to the game",
                                 "Enter belongs to the game", "Escape belongs to the game",
                                 "Buttons past 31 cannot be bound"}) {
            m.note = note;
            page(MENU_PAGE::keys, std::string("the note ") + note);
        }
        m.note.clear();
        player_pad.fd = 1000;  // as if a pad were there, with a long name
        player_pad.name = "Sony Interactive Entertainment Wireless Controller (wired, second generation)";
        page(MENU_PAGE::pad, "a pad connected");
        player_pad.fd = -1;
        player_pad.name.clear();

        // The editor's panels, as they are drawn there and for a new district's name.
        for (const char* title : {"Editor", "New district", "Unsaved work"})
            check(lang, std::string("the panel ") + title, [&](BITMAP* b) {
                draw_menu_panel(b, _(title), {{_("Save"), ""}, {_("Play"), ""}, {_("Leave"), ""},
                                              {_("Name"), std::string(district_name_max, 'w') + "_"}},
                                0, {_("The editor kept work newer than the saved map."),
                                    _("Enter: take it back   Escape: the saved map"),
                                    _("Letters, digits and '-'; Enter makes it"),
                                    _("A name of letters, digits and '-' is needed"),
                                    _("There is a district of that name")});
            }, on_panel);

        // The editor's status: the proof in each of its states, with the longest note.
        std::vector<std::function<void()>> proofs = {
            [&] { v.proof_revision = -1; },
            [&] { v.proof_revision = e.revision, v.proof = PROOF{}, v.proof_error.clear(); },
            [&] { v.proof.searched = true, v.proof.tour_ticks = -1; },
            [&] { v.proof.tour_ticks = 999999; },
        };
        for (const ENGLISH_FORMATS* table : proof_tables)
            for (const char* f : *table)
                proofs.push_back([&, f] { v.proof = PROOF{}, v.proof_error = filled(f, "line 99999"); });
        for (const std::string& fault : faults)
            proofs.push_back([&, fault] { v.proof_error.clear(), v.proof = PROOF{}, v.proof.faults = {fault}; });
        for (int reach = 0; reach < 3; reach++)
            proofs.push_back([&, reach] {
                v.proof = PROOF{};
                v.proof.searched = true;
                v.proof.faults = {"x"};
                for (int i = 0; i < shop_count; i++) (reach == 1 || (reach == 2 && i < 2) ? v.proof.back : v.proof.there)[i] = -1;
            });
        for (size_t k = 0; k < proofs.size(); k++) {
            proofs[k]();
            v.note = _("Unsaved: Escape again leaves without saving, Ctrl+S saves");
            check(lang, "the editor's status, proof " + std::to_string(k), [&](BITMAP* b) { draw_editor(b, e, v); },
                  on_editor);
        }
        v.proof_revision = -1;
        for (const char* note : {"Routes shown: to the shop under the cursor, and back to Vela",
                                 "Saved as a draft: not playable yet", "F5: the map is still being checked",
                                 "Refused: the border stays walls", "Refused: a level's size limit",
                                 "Saving once the map is checked..."}) {
            v.note = _(note);
            check(lang, std::string("the editor's note ") + note, [&](BITMAP* b) { draw_editor(b, e, v); }, on_editor);
        }
        for (const char* f : {"Not saved: %s", "Cannot play it: %s", "Autosave failed: %s"}) {
            v.note = fill(_(f), {shown_fault(long_piece)});
            check(lang, std::string("the editor's note ") + f, [&](BITMAP* b) { draw_editor(b, e, v); }, on_editor);
        }
        v.note.clear();

        // The district screen: each district chosen, the one of each fault tried, and New district.
        for (size_t i = 0; i <= districts.size(); i++)
            for (int action = 0; action < 2; action++)
                check(lang, "the district screen at " + std::to_string(i), [&](BITMAP* b) {
                    draw_district_screen(b, districts, static_cast<int>(i), action, true);
                }, [](int c) { return on_panel(c) || c == panel_outline; });

        // The title's hints.
        check(lang, "the title", [](BITMAP* b) { blit(title_picture(), b, 0, 0, 0, 0, view_w, view_h); },
              [](int c) { return c == panel_fill; });
    }
    menu_settings = settings_were;
    speak("en");
    free_editor_view(v);
    EXPECT_GT(texts, 10000) << scenes << " scenes";
}

// Every character of every catalogue, and of every language's own name, is in the game's font
// (the ranges of dat/font.dat's font), so that none is drawn as the font's stand-in for a
// missing one. English and the pseudo-language use the same characters as the sources.
TEST_F(Languages, EveryCharacterOfEveryCatalogueIsInTheFont) {
    ASSERT_FALSE(pseudo_locale_dir().empty());
    std::vector<std::pair<int, int>> ranges;
    for (int r = 0; r < get_font_ranges(real_font); r++)
        ranges.push_back({get_font_range_begin(real_font, r), get_font_range_end(real_font, r)});
    auto in_font = [&](int cp) {
        for (const auto& r : ranges)
            if (cp >= r.first && cp <= r.second) return true;
        return false;
    };
    std::vector<std::pair<std::string, std::string>> catalogues;
    for (const std::string& lang : shipped_languages())
        catalogues.push_back({lang, build_dir() + "/share/locale/" + lang + "/LC_MESSAGES/one-step-ahead.mo"});
    catalogues.push_back({"pseudo", pseudo_locale_dir() + "/pseudo/LC_MESSAGES/one-step-ahead.mo"});
    for (const auto& [lang, path] : catalogues) {
        const std::vector<std::string> texts = mo_strings(file_contents(path));
        ASSERT_FALSE(texts.empty()) << path;
        std::string missing;
        for (const std::string& t : texts) {
            if (t.find("Content-Type:") != std::string::npos) continue;  // the header is never drawn
            for (int cp : code_points(t))
                if (!in_font(cp)) {
                    missing += "\n  " + code_point_name(cp) + " in \"" + t + "\"";
                    break;
                }
        }
        EXPECT_TRUE(missing.empty()) << lang << ": characters the font lacks:" << missing;
    }
    for (const LANGUAGE_NAME& l : languages)
        for (int cp : code_points(l.name)) EXPECT_TRUE(in_font(cp)) << l.name << ": " << code_point_name(cp);
}
