// The settings file and the search for the game's files.
#include "shell/settings.h"

#include <allegro.h>

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "display/display.h"
#include "shell/options.h"

namespace {

constexpr const char* settings_dir = "one-step-ahead";
constexpr const char* settings_file = "settings.cfg";

bool is_directory(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::is_directory(path, ignored);
}

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

bool read_frame_rate(const char* text, int* value) {
    return read_whole_number(text, min_frame_rate, max_frame_rate, value) ||
           read_whole_number(text, 0, 0, value);
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
    {"pause", &KEY_BINDINGS::pause},
};
const binding<PAD_BINDINGS> pad_fields[] = {
    {"jump", &PAD_BINDINGS::jump}, {"up", &PAD_BINDINGS::up}, {"pause", &PAD_BINDINGS::pause},
};

// The pad buttons a binding may name: the numbers of the common pads' buttons, with room over.
constexpr int max_pad_button = 31;

// The keys the game keeps for itself: Escape quits, F11 and Enter (with Alt) switch the mode.
bool reserved_key(int scancode) {
    return scancode == KEY_ESC || scancode == KEY_F11 || scancode == KEY_ENTER;
}

// Readers of one binding's text: null when it is sense (value set), else why it is not.
const char* read_key(const char* text, int* value) {
    *value = key_by_name(text);
    if (*value == 0) return "not a key name: A to Z, 0 to 9, LEFT, SPACE, ...";
    if (reserved_key(*value)) return "Escape, F11 and Enter belong to the game";
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
    if (s.frame_rate != frame_rate_auto) set_config_int("display", "frame_rate", s.frame_rate);
    set_config_int("sound", "music", s.music ? 1 : 0);
    set_config_int("sound", "sound", s.sound ? 1 : 0);
    for (const auto& b : key_fields) set_config_string("keys", b.name, key_name(s.keys.*b.field));
    for (const auto& b : pad_fields) set_config_int("pad", b.name, s.pad.*b.field);
}

bool same(const SETTINGS& a, const SETTINGS& b) {
    return a.fullscreen == b.fullscreen && a.scale == b.scale && a.frame_rate == b.frame_rate && a.music == b.music &&
           a.sound == b.sound && same_bindings(key_fields, a.keys, b.keys) &&
           same_bindings(pad_fields, a.pad, b.pad);
}

// The settings directory and its parents (~/.config may be missing too).
bool make_directories(const std::string& dir) {
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    return is_directory(dir);
}

bool copy_file(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    if (in) out << in.rdbuf();
    return static_cast<bool>(out.flush());
}

bool sync_file(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

} // namespace

std::string settings_path() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    // The base directory standard ignores a relative XDG_CONFIG_HOME.
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) return "";
        base = std::string(home) + "/.config";
    }
    return base + "/" + settings_dir + "/" + settings_file;
}

SETTINGS load_settings(const std::string& path, std::FILE* err) {
    SETTINGS s;
    if (path.empty()) return s;
    push_config_state();
    set_config_file(path.c_str());
    read_value(path, "display", "fullscreen", read_flag, &s.fullscreen, "1 or 0", err);
    read_value(path, "display", "scale", read_scale, &s.scale, "0 to 8", err);
    read_value(path, "display", "frame_rate", read_frame_rate, &s.frame_rate, "30 to 240, or 0", err);
    read_value(path, "sound", "music", read_flag, &s.music, "1 or 0", err);
    read_value(path, "sound", "sound", read_flag, &s.sound, "1 or 0", err);
    read_bindings(path, "keys", key_fields, default_key_bindings, read_key, key_text, &s.keys, err);
    read_bindings(path, "pad", pad_fields, default_pad_bindings, read_button, button_text, &s.pad,
                  err);
    pop_config_state();
    return s;
}

bool save_settings(const std::string& path, const SETTINGS& s, std::FILE* err) {
    if (path.empty()) return false;
    const std::string dir = path.substr(0, path.rfind('/'));
    const std::string temp = path + ".new";
    const char* fault = nullptr;
    if (!make_directories(dir))
        fault = "cannot make its directory";
    else if (!copy_file(path, temp))
        fault = "cannot write beside it";
    if (!fault) {
        push_config_state();
        set_config_file(temp.c_str());
        write_values(s);
        flush_config_file();
        pop_config_state();
        // Allegro's writer reports nothing: read the new file back before it replaces the old.
        std::FILE* quiet = std::fopen("/dev/null", "w");
        const SETTINGS back = load_settings(temp, quiet ? quiet : err);
        if (quiet) std::fclose(quiet);
        if (!same(back, s) || !sync_file(temp))
            fault = "the new file did not read back";
        else if (std::rename(temp.c_str(), path.c_str()) != 0)
            fault = "cannot replace it";
    }
    if (!fault) return true;
    std::remove(temp.c_str());
    std::fprintf(err, "%s: settings not saved: %s\n", path.c_str(), fault);
    return false;
}

std::string find_data_dir(const std::string& data_option, const char* data_env,
                          const std::string& executable) {
    if (!data_option.empty()) return data_option;
    if (data_env && *data_env) return data_env;
    const size_t slash = executable.rfind('/');
    if (slash == std::string::npos) return "";
    const std::string bin = executable.substr(0, slash == 0 ? 1 : slash);
    for (const std::string& dir : {bin, bin + "/../share/one-step-ahead"})
        if (is_directory(dir + "/dat")) return dir;
    return "";
}
