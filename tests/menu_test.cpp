// The menus: moving through the pages, the binding rules, what leaving the options saves; and
// the settings file they save into.
#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/state.h"
#include "gameplay/hud.h"
#include "menu/menu.h"
#include "menu/settings.h"
#include "text/language.h"
#include "test_util.h"

namespace {

size_t lines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

void write_file(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// load_settings with what it printed on its error stream.
SETTINGS load_noting(const std::string& path, std::string* err) {
    char* text = nullptr;
    size_t size = 0;
    std::FILE* f = open_memstream(&text, &size);
    SETTINGS s = load_settings(path, f);
    std::fclose(f);
    *err = text;
    std::free(text);
    return s;
}

MENU_RESULT send(MENU_STATE& m, MENU_ACTION a, int code = 0) { return menu_event(m, MENU_EVENT{a, code}); }

// The menus over a settings file in a scratch directory, with the sound not allowed (nothing is
// installed) and every sample heard through the sound seam.
class Menus : public testing::Test {
protected:
    void SetUp() override {
        init_headless_allegro();
        menu_settings = MENU_SETTINGS{};
        menu_settings.file_path = (dir.path() / "settings.cfg").string();
        menu_settings.sound_allowed = false;
        sound_hook = [](SAMPLE*, int vol, int, int, int) { heard.push_back(vol); };
        heard.clear();
    }
    void TearDown() override {
        sound_hook = nullptr;
        menu_settings = MENU_SETTINGS{};
        menu_settings.sound_allowed = false;
        apply_settings();  // the default bindings and volumes back in force
    }
    static std::vector<int> heard;
    scoped_work_dir dir;
    scoped_env data{"XDG_DATA_HOME", nullptr};
};
std::vector<int> Menus::heard;

} // namespace

TEST_F(Menus, TheEntriesWrapAndEachLevelGoesBackToTheOneBefore) {
    data.set(dir.path().c_str());
    MENU_STATE m;
    open_menu(m);
    ASSERT_EQ(m.page(), MENU_PAGE::pause);
    std::vector<std::string> labels;
    for (const MENU_ENTRY& e : menu_entries(m)) labels.push_back(e.label);
    EXPECT_EQ(labels, (std::vector<std::string>{"Resume", "Restart", "Options", "Best runs", "Leave district",
                                                "Quit game"}));
    EXPECT_EQ(m.chosen(), 0);
    send(m, MENU_ACTION::up);
    EXPECT_EQ(m.chosen(), 5) << "up from the first entry goes to the last";
    // Each of the three that end the run closes the menu with its answer.
    const std::pair<int, MENU_RESULT> ends[] = {
        {5, MENU_RESULT::quit}, {4, MENU_RESULT::leave}, {1, MENU_RESULT::restart}};
    for (const auto& [entry, result] : ends) {
        open_menu(m);
        while (m.chosen() != entry) send(m, MENU_ACTION::down);
        EXPECT_EQ(send(m, MENU_ACTION::choose), result) << entry;
        EXPECT_FALSE(m.is_open()) << entry;
    }
    open_menu(m);

    // Options, Keys, back by the Back entry and by the back key; then out of the pause menu.
    send(m, MENU_ACTION::down);
    send(m, MENU_ACTION::down);
    send(m, MENU_ACTION::choose);
    ASSERT_EQ(m.page(), MENU_PAGE::options);
    EXPECT_EQ(m.chosen(), 0) << "a page opens with its first entry chosen";
    EXPECT_EQ(menu_entries(m).size(), 10u);
    for (int i = 0; i < 4; i++) send(m, MENU_ACTION::down);
    send(m, MENU_ACTION::choose);
    ASSERT_EQ(m.page(), MENU_PAGE::keys);
    for (int i = 0; i < 6; i++) send(m, MENU_ACTION::down);
    EXPECT_EQ(menu_entries(m)[static_cast<size_t>(m.chosen())].label, "Back");
    send(m, MENU_ACTION::choose);
    EXPECT_EQ(m.page(), MENU_PAGE::options);
    EXPECT_EQ(m.chosen(), 4) << "the page below keeps its chosen entry";
    EXPECT_EQ(send(m, MENU_ACTION::back), MENU_RESULT::stay);
    EXPECT_EQ(m.page(), MENU_PAGE::pause);

    // No best run is kept yet in an empty data directory.
    send(m, MENU_ACTION::down);
    send(m, MENU_ACTION::choose);
    ASSERT_EQ(m.page(), MENU_PAGE::best_runs);
    EXPECT_EQ(menu_status(m), "No best runs kept yet");
    EXPECT_EQ(send(m, MENU_ACTION::choose), MENU_RESULT::stay) << "Back";
    EXPECT_EQ(send(m, MENU_ACTION::back), MENU_RESULT::resume);
    EXPECT_FALSE(m.is_open());
}

TEST_F(Menus, AKeyBoundElsewhereSwapsAndTheGamesOwnKeysAreRefused) {
    KEY_BINDINGS k = default_key_bindings;
    std::string why;
    EXPECT_TRUE(bind_key(k, 3, KEY_LEFT, &why));  // Jump takes Left's key
    EXPECT_EQ(k.jump, KEY_LEFT);
    EXPECT_EQ(k.left, KEY_SPACE) << "Left takes Jump's old key";
    for (int refused : {int{KEY_F11}, int{KEY_ENTER}, int{KEY_ESC}, 0}) {
        EXPECT_FALSE(bind_key(k, 0, refused, &why)) << refused;
        EXPECT_FALSE(why.empty());
    }
    EXPECT_EQ(k.left, KEY_SPACE);
    PAD_BINDINGS p = default_pad_bindings;
    EXPECT_TRUE(bind_button(p, 0, 7, &why));
    EXPECT_EQ(p.jump, 7);
    EXPECT_EQ(p.pause, 0);
    EXPECT_FALSE(bind_button(p, 1, max_pad_button + 1, &why));
    EXPECT_EQ(p.up, 1);

    // Through the menu: F11 is refused with a word and the binding waits on; Escape cancels;
    // then J binds, and is in force at once.
    MENU_STATE m;
    open_menu(m);
    send(m, MENU_ACTION::down);
    send(m, MENU_ACTION::down);
    send(m, MENU_ACTION::choose);
    for (int i = 0; i < 4; i++) send(m, MENU_ACTION::down);
    send(m, MENU_ACTION::choose);
    for (int i = 0; i < 3; i++) send(m, MENU_ACTION::down);
    send(m, MENU_ACTION::choose);
    ASSERT_EQ(m.waiting, 3);
    EXPECT_EQ(menu_entries(m)[3].value, "press a key");
    send(m, MENU_ACTION::key, KEY_F11);
    EXPECT_EQ(m.note, "F11 belongs to the game");
    EXPECT_EQ(m.waiting, 3);
    send(m, MENU_ACTION::key, KEY_ESC);
    EXPECT_EQ(m.waiting, -1);
    EXPECT_EQ(menu_settings.in_force.keys.jump, KEY_SPACE);
    send(m, MENU_ACTION::choose);
    send(m, MENU_ACTION::key, KEY_J);
    EXPECT_EQ(m.waiting, -1);
    EXPECT_EQ(menu_entries(m)[3].value, "J");
    EXPECT_EQ(key_bindings.jump, KEY_J);
}

TEST_F(Menus, LeavingTheOptionsSavesWhatChangedThereAndNotWhatTheCommandLineSet) {
    write_file(menu_settings.file_path, "[display]\nscale = 0\n[notes]\nmine = kept\n");
    std::string err;
    menu_settings.from_file = load_noting(menu_settings.file_path, &err);
    menu_settings.in_force = menu_settings.from_file;
    menu_settings.in_force.scale = 2;  // as --scale 2 asks for this run
    MENU_STATE m;
    open_menu(m);
    send(m, MENU_ACTION::down);
    send(m, MENU_ACTION::down);
    send(m, MENU_ACTION::choose);
    send(m, MENU_ACTION::down);
    send(m, MENU_ACTION::down);
    for (int i = 0; i < 3; i++) send(m, MENU_ACTION::left);  // music volume 10 -> 7
    EXPECT_EQ(menu_entries(m)[2].value, "7");
    send(m, MENU_ACTION::down);
    send(m, MENU_ACTION::left);  // sound volume 10 -> 9: one sound at the new loudness
    EXPECT_EQ(sound_volume, 9);
    EXPECT_EQ(heard, (std::vector<int>{sample_volume * volume_gain(9) / 256}));
    for (int i = 0; i < 11; i++) send(m, MENU_ACTION::right);
    EXPECT_EQ(sound_level(menu_settings.in_force), max_volume) << "a volume stops at its ends";
    send(m, MENU_ACTION::left);
    for (int i = 0; i < 3; i++) send(m, MENU_ACTION::down);
    send(m, MENU_ACTION::left);  // the timer round its choices backwards: off -> run and mission
    EXPECT_EQ(menu_entries(m)[6].value, "run and mission");
    EXPECT_EQ(hud_timer, hud_timer_mission) << "shown at once";
    send(m, MENU_ACTION::down);
    send(m, MENU_ACTION::choose);  // the ghost off
    EXPECT_EQ(menu_entries(m)[7].value, "off");
    // The language: System, then each language named in itself, round either way; in force at once.
    send(m, MENU_ACTION::down);
    EXPECT_EQ(menu_entries(m)[8].value, "System");
    send(m, MENU_ACTION::left);
    EXPECT_EQ(menu_entries(m)[8].value, "Русский");
    send(m, MENU_ACTION::right);
    send(m, MENU_ACTION::right);
    send(m, MENU_ACTION::right);
    EXPECT_EQ(menu_entries(m)[8].value, "Deutsch");
    EXPECT_EQ(language_choice(), "de");
    send(m, MENU_ACTION::back);
    ASSERT_EQ(m.page(), MENU_PAGE::pause);

    const SETTINGS saved = load_noting(menu_settings.file_path, &err);
    EXPECT_EQ(saved.music_volume, 7);
    EXPECT_EQ(saved.sound_volume, 9);
    EXPECT_EQ(saved.timer, hud_timer_mission);
    EXPECT_FALSE(saved.ghost);
    EXPECT_EQ(saved.language, "de");
    EXPECT_NE(file_contents(menu_settings.file_path).find("language = de\n"), std::string::npos);
    EXPECT_EQ(saved.scale, 0) << "the command line's scale is for this run only";
    EXPECT_NE(file_contents(menu_settings.file_path).find("mine = kept"), std::string::npos);
}

TEST(Settings, AMissingOrDamagedFileIsIgnoredValueByValue) {
    init_headless_allegro();
    scoped_work_dir dir;
    std::string err;
    const SETTINGS defaults;

    SETTINGS s = load_noting((dir.path() / "none.cfg").string(), &err);
    EXPECT_TRUE(err.empty());
    EXPECT_EQ(s.fullscreen, defaults.fullscreen);
    EXPECT_EQ(s.keys.jump, KEY_SPACE);
    EXPECT_EQ(s.pad.jump, 0);
    EXPECT_EQ(s.pad.up, 1);
    EXPECT_EQ(s.pad.pause, 7);

    // Good values are taken, each bad one is left at its default with one line.
    write_file(dir.path() / "mixed.cfg",
               "[display]\nfullscreen = no\nscale = 99\nframe_rate = 20\nlanguage = tlh\n"
               "[sound]\nmusic = off\nsound = maybe\nmusic_volume = 11\nsound_volume = 4\nlatency_ms = 2\n"
               "[keys]\nleft = a\nright = NOSUCHKEY\njump = ESC\npause = A\nup = W\n"
               "[pad]\njump = 3\nup = 32\npause = 3\n[play]\ntimer = 3\nghost = maybe\n");
    s = load_noting((dir.path() / "mixed.cfg").string(), &err);
    EXPECT_FALSE(s.fullscreen);
    EXPECT_EQ(s.scale, 0);
    EXPECT_EQ(s.frame_rate, frame_rate_auto);
    EXPECT_FALSE(s.music);
    EXPECT_TRUE(s.sound);
    EXPECT_EQ(s.music_volume, max_volume);
    EXPECT_EQ(s.sound_volume, 4);
    EXPECT_EQ(s.latency_ms, 0) << "2 ms is below what the sound output takes";
    EXPECT_EQ(music_level(s), 0) << "music = off still turns the music off";
    EXPECT_EQ(s.keys.left, KEY_A);
    EXPECT_EQ(s.keys.right, KEY_RIGHT);
    EXPECT_EQ(s.keys.jump, KEY_SPACE);
    EXPECT_EQ(s.keys.pause, KEY_P) << "A is Left's already";
    EXPECT_EQ(s.keys.up, KEY_W);
    EXPECT_EQ(s.pad.jump, 3);
    EXPECT_EQ(s.pad.up, 1) << "32 is past the buttons a binding may name";
    EXPECT_EQ(s.pad.pause, 7) << "3 is Jump's already";
    EXPECT_EQ(s.timer, 0);
    EXPECT_TRUE(s.ghost);
    EXPECT_EQ(s.language, "system") << "no catalogue of that language";
    EXPECT_EQ(lines(err), 13u) << err;

    // A pad button from the file that a default already has goes back to its own default.
    write_file(dir.path() / "pad.cfg", "[pad]\njump = 7\nup = -1\npause = x\n");
    s = load_noting((dir.path() / "pad.cfg").string(), &err);
    EXPECT_EQ(s.pad.jump, 0);
    EXPECT_EQ(s.pad.up, 1);
    EXPECT_EQ(s.pad.pause, 7);
    EXPECT_EQ(lines(err), 3u) << err;
    EXPECT_NE(err.find("[pad] jump = 7 (also bound to pause)"), std::string::npos) << err;

    // Swapped keys are fine: no key does two things.
    write_file(dir.path() / "swap.cfg",
               "[keys]\nleft = RIGHT\nright = LEFT\n[pad]\njump = 1\nup = 0\npause = 31\n"
               "[display]\nlanguage = pt_BR\n");
    s = load_noting((dir.path() / "swap.cfg").string(), &err);
    EXPECT_EQ(s.language, "pt_BR");
    EXPECT_EQ(s.keys.left, KEY_RIGHT);
    EXPECT_EQ(s.keys.right, KEY_LEFT);
    EXPECT_EQ(s.pad.jump, 1);
    EXPECT_EQ(s.pad.up, 0);
    EXPECT_EQ(s.pad.pause, 31);
    EXPECT_TRUE(err.empty()) << err;

    // Garbage: binary noise, a huge line, a directory where the file should be.
    std::string noise(4096, '\0');
    for (size_t i = 0; i < noise.size(); i++) noise[i] = static_cast<char>((i * 7919u) >> 3);
    write_file(dir.path() / "noise.cfg", noise + std::string(100000, '=') + "\n[keys\nleft\n=\n");
    std::filesystem::create_directory(dir.path() / "dir.cfg");
    for (const char* name : {"noise.cfg", "dir.cfg"}) {
        s = load_noting((dir.path() / name).string(), &err);
        EXPECT_EQ(s.keys.left, KEY_LEFT) << name;
        EXPECT_EQ(s.scale, 0) << name;
    }
}

TEST(Settings, SavingReplacesTheFileWholeOrNotAtAll) {
    init_headless_allegro();
    scoped_work_dir dir;
    std::FILE* quiet = std::fopen("/dev/null", "w");
    const auto path = dir.path() / "config" / "one-step-ahead" / "settings.cfg";

    // A missing directory is made; what was written reads back the same.
    SETTINGS s;
    s.fullscreen = false;
    s.scale = 3;
    s.sound = false;
    s.frame_rate = 144;
    s.latency_ms = 40;
    s.music_volume = 0;
    s.keys.jump = KEY_LCONTROL;
    s.pad.pause = 9;
    ASSERT_TRUE(save_settings(path.string(), s, quiet));
    std::string err;
    SETTINGS back = load_noting(path.string(), &err);
    EXPECT_FALSE(back.fullscreen);
    EXPECT_EQ(back.scale, 3);
    EXPECT_FALSE(back.sound);
    EXPECT_EQ(back.frame_rate, 144);
    EXPECT_EQ(back.latency_ms, 40);
    EXPECT_EQ(back.music_volume, 0);
    EXPECT_EQ(back.keys.jump, KEY_LCONTROL);
    EXPECT_NE(file_contents(path).find("jump = LCONTROL"), std::string::npos);
    EXPECT_EQ(back.pad.pause, 9);
    EXPECT_NE(file_contents(path).find("[pad]"), std::string::npos);

    // What else the player wrote in the file stays.
    write_file(path, file_contents(path) + "[notes]\nmine = kept\n");
    s.fullscreen = true;
    ASSERT_TRUE(save_settings(path.string(), s, quiet));
    EXPECT_NE(file_contents(path).find("mine = kept"), std::string::npos);
    EXPECT_TRUE(load_noting(path.string(), &err).fullscreen);

    // Where nothing can be written (the directory's place is taken by a file; as root a
    // read-only directory would still take the file), the old file is left as it was and no
    // temporary file stays behind.
    write_file(dir.path() / "blocked", "a file, not a directory");
    const auto blocked = dir.path() / "blocked" / "settings.cfg";
    EXPECT_FALSE(save_settings(blocked.string(), s, quiet));
    std::filesystem::permissions(path.parent_path(), std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::owner_exec);
    const std::string before = file_contents(path);
    s.scale = 5;
    const bool saved = save_settings(path.string(), s, quiet);
    if (!saved) {
        EXPECT_EQ(file_contents(path), before);
    }
    EXPECT_EQ(load_noting(path.string(), &err).scale, saved ? 5 : 3);
    std::filesystem::permissions(path.parent_path(), std::filesystem::perms::owner_all);
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path()))
        EXPECT_EQ(entry.path().filename(), "settings.cfg") << "a temporary file was left";
    std::fclose(quiet);
}

