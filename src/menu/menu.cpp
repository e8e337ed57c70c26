// The menus' pages and entries, moving through them, what each option does, the binding rules,
// and the keyboard and the pad read for them.
#include "menu/menu.h"

#include <allegro.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "core/assets.h"
#include "core/files.h"
#include "core/state.h"
#include "display/display.h"
#include "gameplay/hud.h"
#include "input/input.h"
#include "music/music.h"
#include "world/district.h"
#include "music/output.h"
#include "text/language.h"
#include "text/utf8.h"
#include "sharing/maker_run.h"
#include "text/text.h"

MENU_SETTINGS menu_settings;
std::vector<BEST_RUN> best_runs;

namespace {

constexpr int music_rate = 22050;  // Hz
constexpr int music_channels = 32;

// The entries of each page, in order.
enum { pause_resume, pause_restart, pause_options, pause_best_runs, pause_leave, pause_quit, pause_entries };
enum {
    options_display,
    options_scale,
    options_music,
    options_sound,
    options_keys,
    options_pad,
    options_timer,
    options_ghost,
    options_language,
    options_back,
    options_entries
};
// TRANSLATORS: the actions a key or a pad button is bound to, in the Keys and Gamepad pages: walk
// left, walk right, go into the shop in front, jump, open the pause menu, start the district
// again.
const char* const key_labels[] = {NC_("action", "Left"), NC_("action", "Right"), NC_("action", "Up (enter a shop)"),
                                  NC_("action", "Jump"), NC_("action", "Pause"), NC_("action", "Restart")};
int KEY_BINDINGS::*const key_fields[] = {&KEY_BINDINGS::left, &KEY_BINDINGS::right, &KEY_BINDINGS::up,
                                         &KEY_BINDINGS::jump, &KEY_BINDINGS::pause, &KEY_BINDINGS::restart};
constexpr int key_entries = 6;  // then Back
const char* const pad_labels[] = {NC_("action", "Jump"), NC_("action", "Up (enter a shop)"), NC_("action", "Pause"),
                                  NC_("action", "Restart")};
int PAD_BINDINGS::*const pad_fields[] = {&PAD_BINDINGS::jump, &PAD_BINDINGS::up, &PAD_BINDINGS::pause,
                                         &PAD_BINDINGS::restart};
constexpr int pad_entries = 4;  // then Back
// TRANSLATORS: the Timer option's choices: no timer; the time of the whole run; that and the
// time of the mission in play.
const char* const timer_names[timer_choices] = {NC_("timer", "off"), NC_("timer", "run"),
                                                NC_("timer", "run and mission")};

// The keys whose names say a word (Allegro's names, as the settings file writes them), for the
// Keys page; a letter or a digit is its own name in every language.
// TRANSLATORS: names of keys on the keyboard, as the Keys page shows the key bound to an action.
const char* const key_words[] = {
    NC_("key", "LEFT"),   NC_("key", "RIGHT"),    NC_("key", "UP"),       NC_("key", "DOWN"),
    NC_("key", "SPACE"),  NC_("key", "ENTER"),    NC_("key", "TAB"),      NC_("key", "BACKSPACE"),
    NC_("key", "INSERT"), NC_("key", "DEL"),      NC_("key", "HOME"),     NC_("key", "END"),
    NC_("key", "PGUP"),   NC_("key", "PGDN"),     NC_("key", "LSHIFT"),   NC_("key", "RSHIFT"),
    NC_("key", "LCONTROL"), NC_("key", "RCONTROL"), NC_("key", "ALT"),    NC_("key", "ALTGR"),
    NC_("key", "CAPSLOCK"), NC_("key", "MENU"),   NC_("key", "PAUSE"),    NC_("key", "ESC"),
};

// A held stick or d-pad repeats its move: first after this long, then at this pace.
constexpr auto repeat_delay = std::chrono::milliseconds(400);
constexpr auto repeat_every = std::chrono::milliseconds(150);

bool sound_started = false;  // our sound output is open, or Allegro's sound is installed
bool sound_failed = false;   // and could not be: not tried again
bool music_started = false;  // the song plays (at whatever volume)

SETTINGS options_entered;    // the settings in force when the options were opened

bool is_options_page(MENU_PAGE p) {
    return p == MENU_PAGE::options || p == MENU_PAGE::keys || p == MENU_PAGE::pad;
}

int entry_count(const MENU_STATE& m) { return static_cast<int>(menu_entries(m).size()); }

void open_page(MENU_STATE& m, MENU_PAGE page) {
    m.open.push_back({page, 0});
    m.note.clear();
    m.changed = true;
    if (page == MENU_PAGE::options) {
        // F11 in play changed the mode without the options: show the mode in force.
        menu_settings.in_force.fullscreen = display_fullscreen;
        options_entered = menu_settings.in_force;
    }
    if (page == MENU_PAGE::best_runs) best_runs = listed_best_runs(xdg_data_dir(), current_district, stderr);
}

// What changed in the options since they were opened goes into the file's settings, which are
// saved: the command line's choices for this run stay out of the file.
void save_changed_options() {
    const SETTINGS& was = options_entered;
    const SETTINGS& now = menu_settings.in_force;
    SETTINGS& file = menu_settings.from_file;
    bool changed = false;
    auto take = [&](auto field) {
        if (was.*field == now.*field) return;
        file.*field = now.*field;
        changed = true;
    };
    take(&SETTINGS::fullscreen);
    take(&SETTINGS::scale);
    take(&SETTINGS::music);
    take(&SETTINGS::music_volume);
    take(&SETTINGS::sound);
    take(&SETTINGS::sound_volume);
    take(&SETTINGS::timer);
    take(&SETTINGS::ghost);
    take(&SETTINGS::language);
    for (int i = 0; i < key_entries; i++)
        if (was.keys.*key_fields[i] != now.keys.*key_fields[i]) {
            file.keys.*key_fields[i] = now.keys.*key_fields[i];
            changed = true;
        }
    for (int i = 0; i < pad_entries; i++)
        if (was.pad.*pad_fields[i] != now.pad.*pad_fields[i]) {
            file.pad.*pad_fields[i] = now.pad.*pad_fields[i];
            changed = true;
        }
    if (changed && !menu_settings.file_path.empty())
        save_settings(menu_settings.file_path, file, stderr);
}

void close_page(MENU_STATE& m) {
    if (m.page() == MENU_PAGE::options) save_changed_options();
    m.open.pop_back();
    m.note.clear();
    m.changed = true;
}

// The music plays while the options are open, so that its volume is heard; elsewhere in the
// menus it stands still.
void follow_music(const MENU_STATE& m) {
    if (m.is_open()) FMUSIC_SetPaused(song, !is_options_page(m.page()));
}

void set_music_volume(int v) {
    SETTINGS& s = menu_settings.in_force;
    s.music_volume = v;
    if (v > 0) s.music = true;
    apply_settings();
}

void set_sound_volume(int v) {
    SETTINGS& s = menu_settings.in_force;
    s.sound_volume = v;
    if (v > 0) s.sound = true;
    apply_settings();
    play_effect(jump);  // one short sound at the new loudness
}

// Moves the option on the chosen entry by step (-1 left, +1 right; 0 for Enter on a value that
// flips).
void change_option(MENU_STATE& m, int step) {
    SETTINGS& s = menu_settings.in_force;
    switch (m.chosen()) {
    case options_display:
        if (switch_display_mode()) s.fullscreen = display_fullscreen;
        break;
    case options_scale: {
        // Auto, then 1 up to the largest that fits.
        const int scale = asked_display_scale() + step;
        if (step != 0 && scale >= 0 && scale <= largest_display_scale() && set_display_scale(scale))
            s.scale = scale;
        break;
    }
    case options_music: {
        const int v = music_level(s) + step;
        if (step != 0 && v >= 0 && v <= max_volume) set_music_volume(v);
        break;
    }
    case options_sound: {
        const int v = sound_level(s) + step;
        if (step != 0 && v >= 0 && v <= max_volume) set_sound_volume(v);
        break;
    }
    case options_timer:
        // Round the three choices, either way; Enter takes the next.
        s.timer = (s.timer + (step < 0 ? timer_choices - 1 : 1)) % timer_choices;
        apply_settings();
        break;
    case options_ghost:
        s.ghost = !s.ghost;  // from the next run on
        break;
    case options_language: {
        // "System", then the languages in their order, round either way; Enter takes the next.
        const int n = static_cast<int>(languages.size()) + 1;
        int at = 0;
        for (int i = 1; i < n; i++)
            if (s.language == languages[static_cast<size_t>(i - 1)].code) at = i;
        at = (at + (step < 0 ? n - 1 : 1)) % n;
        s.language = at == 0 ? system_language : languages[static_cast<size_t>(at - 1)].code;
        apply_settings();  // every word drawn from now on
        break;
    }
    default: return;
    }
    if (menu_settings.sound_allowed && !sound_started && (music_level(s) > 0 || sound_level(s) > 0))
        m.note = N_("No sound device");
    m.changed = true;
}

MENU_RESULT choose(MENU_STATE& m) {
    const int c = m.chosen();
    switch (m.page()) {
    case MENU_PAGE::pause:
        if (c == pause_resume) {
            m.open.clear();
            return MENU_RESULT::resume;
        }
        if (c == pause_restart || c == pause_leave || c == pause_quit) {
            m.open.clear();
            return c == pause_restart ? MENU_RESULT::restart
                   : c == pause_leave ? MENU_RESULT::leave
                                      : MENU_RESULT::quit;
        }
        open_page(m, c == pause_options ? MENU_PAGE::options : MENU_PAGE::best_runs);
        return MENU_RESULT::stay;
    case MENU_PAGE::options:
        if (c == options_keys || c == options_pad)
            open_page(m, c == options_keys ? MENU_PAGE::keys : MENU_PAGE::pad);
        else if (c == options_back)
            close_page(m);
        else if (c == options_display || c == options_timer || c == options_ghost || c == options_language)
            change_option(m, 0);
        return MENU_RESULT::stay;
    case MENU_PAGE::keys:
    case MENU_PAGE::pad: {
        const int bindings = m.page() == MENU_PAGE::keys ? key_entries : pad_entries;
        if (c == bindings) {
            close_page(m);
        } else {
            m.waiting = c;
            m.note.clear();
        }
        return MENU_RESULT::stay;
    }
    case MENU_PAGE::watching:
        if (c == 0) {
            m.open.clear();
            return MENU_RESULT::resume;
        }
        return MENU_RESULT::quit;
    case MENU_PAGE::best_runs:
        if (c >= static_cast<int>(best_runs.size())) {
            close_page(m);
            return MENU_RESULT::stay;
        }
        m.run_to_play = c;
        return MENU_RESULT::play_run;
    }
    return MENU_RESULT::stay;
}

// A key or a button for the binding that waits: Escape cancels; a refused one says why and the
// binding goes on waiting.
void take_binding(MENU_STATE& m, const MENU_EVENT& e) {
    SETTINGS& s = menu_settings.in_force;
    if (e.action == MENU_ACTION::key && e.code == KEY_ESC) {
        m.waiting = -1;
        m.note.clear();
    } else if (m.page() == MENU_PAGE::keys && e.action == MENU_ACTION::key) {
        if (bind_key(s.keys, m.waiting, e.code, &m.note)) m.waiting = -1;
    } else if (m.page() == MENU_PAGE::pad && e.action == MENU_ACTION::button) {
        if (bind_button(s.pad, m.waiting, e.code, &m.note)) m.waiting = -1;
    } else {
        return;
    }
    apply_settings();
    m.changed = true;
}

// Binding `which` of b (one of fields) takes value, which the binding it belonged to takes over
// in exchange; unless why says it is refused (then that goes to *refusal, and false).
template <class Bindings, size_t N>
bool bind(Bindings& b, int Bindings::*const (&fields)[N], int which, int value, const char* why,
          std::string* refusal) {
    if (which < 0 || which >= static_cast<int>(N)) return false;
    if (refusal) *refusal = why ? why : "";
    if (why) return false;
    int& mine = b.*fields[which];
    for (size_t i = 0; i < N; i++)
        if (static_cast<int>(i) != which && b.*fields[i] == value) b.*fields[i] = mine;
    mine = value;
    return true;
}

std::string key_text(int scancode) {
    const char* name = key_name(scancode);
    if (!name) return "?";
    for (const char* w : key_words)
        if (std::strcmp(w, name) == 0) return C_("key", w);
    return name;
}

// The Language option's value: "System", or the language's name in itself.
std::string language_text(const std::string& choice) {
    for (const LANGUAGE_NAME& l : languages)
        if (choice == l.code) return l.name;
    // TRANSLATORS: the Language option's choice that follows the desktop's language.
    return C_("language", "System");
}

} // namespace

void apply_settings() {
    const SETTINGS& s = menu_settings.in_force;
    key_bindings = s.keys;
    pad_bindings = s.pad;
    sound_volume = sound_level(s);
    hud_timer = s.timer;
    if (language_changes == 0 || s.language != language_choice()) set_language(s.language);
    if (music_level(s) > 0 || sound_level(s) > 0) start_sound(true);
    FMUSIC_SetMasterVolume(song, volume_gain(music_level(s)));
}

bool start_sound(bool quiet) {
    if (!menu_settings.sound_allowed || sound_failed) return false;
    if (!sound_started) {
        // Our own output answers within a few milliseconds; Allegro's sound where it cannot open.
        if (!open_sound_output(menu_settings.in_force.latency_ms) &&
            install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, nullptr) < 0) {
            sound_failed = true;
            if (!quiet) allegro_message("Could not install sound driver!");
            return false;
        }
        sound_started = true;
    }
    if (!music_started && song) {
        if (!FSOUND_Init(music_rate, music_channels, 0)) {
            sound_failed = true;
            // Without Allegro's sound the music cannot start either: that has been said.
            if (!quiet && music_start_fault() == music_fault::layer_failed)
                allegro_message("Unable to install FMOD");
            return false;
        }
        FMUSIC_SetMasterVolume(song, volume_gain(music_level(menu_settings.in_force)));
        music_started = FMUSIC_PlaySong(song);
    }
    return true;
}

const char* menu_title(MENU_PAGE page) {
    switch (page) {
    // TRANSLATORS: the pause menu's title: the game stands still.
    case MENU_PAGE::pause: return _("Paused");
    case MENU_PAGE::options: return _("Options");
    // TRANSLATORS: the page where a key is chosen for each action.
    case MENU_PAGE::keys: return _("Keys");
    case MENU_PAGE::pad: return _("Gamepad");
    // TRANSLATORS: the page listing the best runs (games) played, with their scores.
    case MENU_PAGE::best_runs: return _("Best runs");
    case MENU_PAGE::watching: return _("Paused");
    }
    return "";
}

std::vector<MENU_ENTRY> menu_entries(const MENU_STATE& m) {
    const SETTINGS& s = menu_settings.in_force;
    std::vector<MENU_ENTRY> e;
    switch (m.page()) {
    case MENU_PAGE::pause:
        // TRANSLATORS: the pause menu: go on playing; play the district again from its start; the
        // options; the best runs kept; back to the district screen; end the game.
        e = {{_("Resume"), ""},        {_("Restart"), ""},        {_("Options"), ""},
             {_("Best runs"), ""},     {_("Leave district"), ""}, {_("Quit game"), ""}};
        break;
    case MENU_PAGE::watching:
        // TRANSLATORS: a recorded run paused while it is watched: watch on, or stop watching.
        e = {{_("Resume"), ""}, {_("Stop"), ""}};
        break;
    case MENU_PAGE::options:
        // TRANSLATORS: the option that chooses between full screen and a window.
        e = {{_("Display"), s.fullscreen ? _("Full screen") : _("Window")},
             // TRANSLATORS: how many times its size the picture is shown; Auto: the largest that
             // fits the screen.
             {_("Scale"), s.scale == 0 ? _("Auto") : std::to_string(s.scale)},
             {_("Music volume"), std::to_string(music_level(s))},
             {_("Sound volume"), std::to_string(sound_level(s))},
             {_("Keys"), ""},
             {_("Gamepad"), ""},
             {_("Timer"), C_("timer", timer_names[s.timer])},
             // TRANSLATORS: the Ghost option (a noun: the best run's Mora, translucent, running
             // alongside), on or off.
             {_("Ghost"), s.ghost ? C_("ghost", "on") : C_("ghost", "off")},
             // TRANSLATORS: the option that chooses the language of the game's words.
             {_("Language"), language_text(s.language)},
             {_("Back"), ""}};
        break;
    case MENU_PAGE::keys:
        for (int i = 0; i < key_entries; i++)
            e.push_back({C_("action", key_labels[i]), m.waiting == i ? _("press a key") : key_text(s.keys.*key_fields[i])});
        e.push_back({_("Back"), ""});
        break;
    case MENU_PAGE::pad:
        for (int i = 0; i < pad_entries; i++)
            e.push_back({C_("action", pad_labels[i]),
                         m.waiting == i ? _("press a button")
                                        // TRANSLATORS: a pad's button by its number.
                                        : fill(_("button %s"), {std::to_string(s.pad.*pad_fields[i])})});
        e.push_back({_("Back"), ""});
        break;
    case MENU_PAGE::best_runs:
        for (size_t i = 0, own = 0; i < best_runs.size(); i++) {
            const BEST_RUN& r = best_runs[i];
            // A shared district's run by its maker stands under the maker's name.
            const std::string label = !r.by_maker         ? std::to_string(++own) + ". " + r.date.substr(0, 10)
                                      : !r.maker.empty() ? screen_text(r.maker)
                                                         : std::string(_("Its maker"));
            const unsigned long points = static_cast<unsigned long>(r.score < 0 ? -static_cast<long>(r.score) : r.score);
            e.push_back({label,
                         // TRANSLATORS: a best run's score (%1$s points) and the level it reached.
                         fill(P_("%1$s pts, level %2$s", "%1$s pts, level %2$s", points),
                              {std::to_string(r.score), std::to_string(r.level)})});
        }
        e.push_back({_("Back"), ""});
        break;
    }
    return e;
}

std::string menu_status(const MENU_STATE& m) {
    switch (m.page()) {
    case MENU_PAGE::pad:
        // TRANSLATORS: %s is the pad's name as the system gives it.
        return gamepad_connected(player_pad) ? fill(_("Pad connected: %s"), {player_pad.name})
                                             : _("No pad connected");
    case MENU_PAGE::options:
        // TRANSLATORS: the game was started with --mute (the option's name stays as it is).
        return menu_settings.sound_allowed ? "" : _("No sound this run (--mute)");
    case MENU_PAGE::best_runs:
        return best_runs.empty() ? _("No best runs kept yet") : "";
    default:
        return "";
    }
}

void open_menu(MENU_STATE& m, MENU_PAGE page) {
    m.open.clear();
    m.waiting = -1;
    m.run_to_play = -1;
    open_page(m, page);
}

MENU_RESULT menu_event(MENU_STATE& m, const MENU_EVENT& e) {
    if (!m.is_open()) return MENU_RESULT::resume;
    if (m.waiting >= 0) {
        take_binding(m, e);
        return MENU_RESULT::stay;
    }
    MENU_RESULT result = MENU_RESULT::stay;
    const int n = entry_count(m);
    switch (e.action) {
    case MENU_ACTION::up:
    case MENU_ACTION::down:
        m.open.back().chosen = (m.chosen() + (e.action == MENU_ACTION::up ? n - 1 : 1)) % n;
        m.note.clear();
        m.changed = true;
        break;
    case MENU_ACTION::left:
    case MENU_ACTION::right:
        if (m.page() == MENU_PAGE::options) change_option(m, e.action == MENU_ACTION::left ? -1 : 1);
        break;
    case MENU_ACTION::choose:
        result = choose(m);
        m.changed = true;
        break;
    case MENU_ACTION::back:
        close_page(m);
        if (!m.is_open()) result = MENU_RESULT::resume;
        break;
    default:
        break;
    }
    follow_music(m);
    return result;
}

bool bind_key(KEY_BINDINGS& keys, int which, int scancode, std::string* refusal) {
    // TRANSLATORS: a key the player tried to bind is refused: F11, Enter and Escape are the
    // game's own.
    const char* why = !key_name(scancode)             ? N_("That key cannot be bound")
                      : scancode == KEY_F11           ? N_("F11 belongs to the game")
                      : scancode == KEY_ENTER         ? N_("Enter belongs to the game")
                      : is_reserved_key(scancode)     ? N_("Escape belongs to the game")
                                                      : nullptr;
    return bind(keys, key_fields, which, scancode, why, refusal);
}

bool bind_button(PAD_BINDINGS& pad, int which, int button, std::string* refusal) {
    const char* why = button < 0 || button > max_pad_button ? N_("Buttons past 31 cannot be bound") : nullptr;
    return bind(pad, pad_fields, which, button, why, refusal);
}

std::vector<MENU_EVENT> read_menu_events(MENU_STATE& m) {
    std::vector<MENU_EVENT> events;
    while (keypressed()) {
        const int k = readkey() >> 8;
        if (m.waiting >= 0) {
            events.push_back({MENU_ACTION::key, k});
        } else if (is_mode_switch_key(k)) {
            if (switch_display_mode()) menu_settings.in_force.fullscreen = display_fullscreen;
            m.changed = true;
        } else if (k == KEY_UP || k == KEY_DOWN || k == KEY_LEFT || k == KEY_RIGHT) {
            events.push_back({k == KEY_UP     ? MENU_ACTION::up
                              : k == KEY_DOWN ? MENU_ACTION::down
                              : k == KEY_LEFT ? MENU_ACTION::left
                                              : MENU_ACTION::right});
        } else if (k == KEY_ENTER || k == KEY_ENTER_PAD || k == KEY_SPACE) {
            events.push_back({MENU_ACTION::choose});
        } else if (k == KEY_ESC || k == key_bindings.pause) {
            events.push_back({MENU_ACTION::back});
        }
    }

    watch_for_gamepad(player_pad);
    poll_gamepad(player_pad);
    if (take_gamepad_unplugged(player_pad)) m.changed = true;
    for (int b; (b = take_gamepad_press(player_pad)) >= 0;) {
        if (m.waiting >= 0)
            events.push_back({MENU_ACTION::button, b});
        else if (b == 0)
            events.push_back({MENU_ACTION::choose});
        else if (b == 1 || b == pad_bindings.pause)
            events.push_back({MENU_ACTION::back});
    }

    // The stick and the d-pad: a push moves once, held it repeats.
    using clock = std::chrono::steady_clock;
    static PAD_DIRECTIONS held;
    static clock::time_point next_repeat;
    const PAD_DIRECTIONS now = gamepad_directions(player_pad);
    const auto t = clock::now();
    const bool was[4] = {held.up, held.down, held.left, held.right};
    const bool is[4] = {now.up, now.down, now.left, now.right};
    const MENU_ACTION moves[4] = {MENU_ACTION::up, MENU_ACTION::down, MENU_ACTION::left, MENU_ACTION::right};
    bool repeated = false;
    for (int d = 0; d < 4; d++) {
        if (!is[d] || m.waiting >= 0) continue;
        if (!was[d]) {
            events.push_back({moves[d]});
            next_repeat = t + repeat_delay;
        } else if (t >= next_repeat) {
            events.push_back({moves[d]});
            repeated = true;
        }
    }
    if (repeated) next_repeat = t + repeat_every;
    held = now;
    return events;
}
