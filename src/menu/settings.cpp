// The settings file.
#include "menu/settings.h"

#include <allegro.h>

#include <strings.h>

#include <cstdlib>
#include <string>

#include "core/files.h"
#include "display/display.h"

namespace {

constexpr const char* settings_file = "settings.cfg";

// A yes/no value as people write it in INI files.
bool read_flag(const char* text, bool* value) {
    static const char* const yes[] = {"1", "yes", "true", "on"};
    static const char* const no[] = {"0", "no", "false", "off"};
    for (const char* y : yes)
        if (strcasecmp(text, y) == 0) return *value = true, true;
    for (const char* n : no)
        if (strcasecmp(text, n) == 0) return *value = false, true;
    return false;
}

bool read_scale(const char* text, int* value) { return read_whole_number(text, 0, max_scale, value); }

bool read_volume(const char* text, int* value) { return read_whole_number(text, 0, max_volume, value); }

bool read_timer(const char* text, int* value) { return read_whole_number(text, 0, timer_choices - 1, value); }

bool read_frame_rate(const char* text, int* value) {
    return read_whole_number(text, min_frame_rate, max_frame_rate, value) ||
           read_whole_number(text, 0, 0, value);
}

bool read_language(const char* text, std::string* value) {
    if (!is_language_choice(text)) return false;
    *value = text;
    return true;
}

bool read_latency(const char* text, int* value) {
    return read_whole_number(text, min_sound_latency_ms, max_sound_latency_ms, value);
}

// Sets *value from [section] name of the configuration in force when the value is there and makes
// sense; leaves *value as it was when it is missing, and also when it makes no sense, then with a
// line on err naming it and what was expected.
template <class Reader, class T>
void read_value(const std::string& path, const char* section, const char* name, Reader read,
                T* value, const char* expected, std::FILE* err) {
    const char* text = get_config_string(section, name, nullptr);
    if (!text) return;
    T v = *value;
    if (read(text, &v))
        *value = v;
    else
        std::fprintf(err, "%s: ignoring [%s] %s = %s (%s)\n", path.c_str(), section, name, text,
                     expected);
}

// One binding as the settings file names it, within its struct of bindings.
template <class Bindings>
struct binding {
    const char* name;
    int Bindings::*field;
};
const binding<KEY_BINDINGS> key_fields[] = {
    {"left", &KEY_BINDINGS::left},   {"right", &KEY_BINDINGS::right},
    {"up", &KEY_BINDINGS::up},       {"jump", &KEY_BINDINGS::jump},
    {"pause", &KEY_BINDINGS::pause}, {"restart", &KEY_BINDINGS::restart},
};
const binding<PAD_BINDINGS> pad_fields[] = {
    {"jump", &PAD_BINDINGS::jump}, {"up", &PAD_BINDINGS::up}, {"pause", &PAD_BINDINGS::pause},
    {"restart", &PAD_BINDINGS::restart},
};

// Readers of one binding's text: null when it is sense (value set), else why it is not.
const char* read_key(const char* text, int* value) {
    *value = key_by_name(text);
    if (*value == 0) return "not a key name: A to Z, 0 to 9, LEFT, SPACE, ...";
    if (is_reserved_key(*value)) return "Escape, F11 and Enter belong to the game";
    return nullptr;
}
const char* read_button(const char* text, int* value) {
    return read_whole_number(text, 0, max_pad_button, value) ? nullptr : "a button number, 0 to 31";
}

// The text of a binding as the file writes it.
std::string key_text(int scancode) { return key_name(scancode); }
std::string button_text(int button) { return std::to_string(button); }

// Reads the bindings of [section] into *b through read (text to value), leaving each that is
// missing or no sense at its default, with a line on err for the latter.
template <class Bindings, size_t N, class Read, class Show>
void read_bindings(const std::string& path, const char* section,
                   const binding<Bindings> (&fields)[N], const Bindings& defaults, Read read,
                   Show show, Bindings* b, std::FILE* err) {
    bool from_file[N] = {};
    for (size_t i = 0; i < N; i++) {
        const char* text = get_config_string(section, fields[i].name, nullptr);
        if (!text) continue;
        int v = 0;
        if (const char* fault = read(text, &v)) {
            std::fprintf(err, "%s: ignoring [%s] %s = %s (%s)\n", path.c_str(), section,
                         fields[i].name, text, fault);
            continue;
        }
        b->*fields[i].field = v;
        from_file[i] = true;
    }
    // A key or button that does two things does neither well: a binding from the file that
    // shares it with a default, or with one before it in the file's list, goes back to its
    // default, until no two share one (the defaults never do).
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t i = 0; i < N; i++)
            for (size_t j = 0; j < N; j++) {
                if (i == j || !from_file[i] || b->*fields[i].field != b->*fields[j].field) continue;
                if (from_file[j] && j > i) continue;  // of two from the file, the later one goes
                std::fprintf(err, "%s: ignoring [%s] %s = %s (also bound to %s)\n", path.c_str(),
                             section, fields[i].name, show(b->*fields[i].field).c_str(),
                             fields[j].name);
                b->*fields[i].field = defaults.*fields[i].field;
                from_file[i] = false;
                changed = true;
            }
    }
}

template <class Bindings, size_t N>
bool same_bindings(const binding<Bindings> (&fields)[N], const Bindings& a, const Bindings& b) {
    for (const binding<Bindings>& f : fields)
        if (a.*f.field != b.*f.field) return false;
    return true;
}

void write_values(const SETTINGS& s) {
    set_config_int("display", "fullscreen", s.fullscreen ? 1 : 0);
    set_config_int("display", "scale", s.scale);
    set_config_string("display", "language", s.language.c_str());
    if (s.frame_rate != frame_rate_auto) set_config_int("display", "frame_rate", s.frame_rate);
    set_config_int("sound", "music", s.music ? 1 : 0);
    set_config_int("sound", "sound", s.sound ? 1 : 0);
    set_config_int("sound", "music_volume", s.music_volume);
    set_config_int("sound", "sound_volume", s.sound_volume);
    if (s.latency_ms != 0) set_config_int("sound", "latency_ms", s.latency_ms);
    set_config_int("play", "timer", s.timer);
    set_config_int("play", "ghost", s.ghost ? 1 : 0);
    for (const auto& b : key_fields) set_config_string("keys", b.name, key_name(s.keys.*b.field));
    for (const auto& b : pad_fields) set_config_int("pad", b.name, s.pad.*b.field);
}

// What the language may be, for the line on a value that makes no sense.
std::string language_codes() {
    std::string s = system_language;
    for (const LANGUAGE_NAME& l : languages) s += std::string(", ") + l.code;
    return s;
}

bool same(const SETTINGS& a, const SETTINGS& b) {
    return a.fullscreen == b.fullscreen && a.scale == b.scale && a.language == b.language &&
           a.frame_rate == b.frame_rate &&
           a.music == b.music && a.sound == b.sound && a.music_volume == b.music_volume &&
           a.sound_volume == b.sound_volume && a.latency_ms == b.latency_ms && a.timer == b.timer &&
           a.ghost == b.ghost && same_bindings(key_fields, a.keys, b.keys) &&
           same_bindings(pad_fields, a.pad, b.pad);
}

} // namespace

std::string settings_path() {
    const std::string dir = xdg_config_dir();
    return dir.empty() ? "" : dir + "/" + settings_file;
}

bool read_whole_number(const char* text, int lo, int hi, int* value) {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || n < lo || n > hi) return false;
    *value = static_cast<int>(n);
    return true;
}

SETTINGS load_settings(const std::string& path, std::FILE* err) {
    SETTINGS s;
    if (path.empty()) return s;
    push_config_state();
    set_config_file(path.c_str());
    read_value(path, "display", "fullscreen", read_flag, &s.fullscreen, "1 or 0", err);
    read_value(path, "display", "scale", read_scale, &s.scale, "0 to 8", err);
    read_value(path, "display", "frame_rate", read_frame_rate, &s.frame_rate, "30 to 240, or 0", err);
    read_value(path, "display", "language", read_language, &s.language, language_codes().c_str(), err);
    read_value(path, "sound", "music", read_flag, &s.music, "1 or 0", err);
    read_value(path, "sound", "sound", read_flag, &s.sound, "1 or 0", err);
    read_value(path, "sound", "music_volume", read_volume, &s.music_volume, "0 to 10", err);
    read_value(path, "sound", "sound_volume", read_volume, &s.sound_volume, "0 to 10", err);
    read_value(path, "sound", "latency_ms", read_latency, &s.latency_ms, "5 to 250", err);
    read_value(path, "play", "timer", read_timer, &s.timer, "0, 1 or 2", err);
    read_value(path, "play", "ghost", read_flag, &s.ghost, "1 or 0", err);
    read_bindings(path, "keys", key_fields, default_key_bindings, read_key, key_text, &s.keys, err);
    read_bindings(path, "pad", pad_fields, default_pad_bindings, read_button, button_text, &s.pad,
                  err);
    pop_config_state();
    return s;
}

bool save_settings(const std::string& path, const SETTINGS& s, std::FILE* err) {
    if (path.empty()) return false;
    auto read_back = [&](const std::string& temp) {
        std::FILE* quiet = std::fopen("/dev/null", "w");
        const SETTINGS back = load_settings(temp, quiet ? quiet : err);
        if (quiet) std::fclose(quiet);
        return same(back, s);
    };
    std::string error;
    if (write_config_file(path, true, [&] { write_values(s); }, read_back, &error)) return true;
    std::fprintf(err, "%s: settings not saved: %s\n", path.c_str(), error.c_str());
    return false;
}
