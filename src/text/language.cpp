// The language in force: the catalogues bound, the player's choice put into the environment the
// C library's gettext reads, and its cache dropped.
#include "text/language.h"

#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>

#include "text/text.h"

// Bumped to make gettext forget the translations it has looked up (the gettext manual's way).
extern "C" int _nl_msg_cat_cntr;

const std::vector<LANGUAGE_NAME> languages = {
    {"en", "English"},  {"de", "Deutsch"}, {"fr", "Français"}, {"es", "Español"},
    {"pt_BR", "Português (Brasil)"}, {"it", "Italiano"}, {"pl", "Polski"}, {"ru", "Русский"},
};
int language_changes = 0;

namespace {

std::string choice_in_force = system_language;
bool bound = false;

// The first of the variables that is set and not empty, or null.
const char* first_set(std::initializer_list<const char*> names) {
    for (const char* n : names) {
        const char* v = std::getenv(n);
        if (v && *v) return v;
    }
    return nullptr;
}

} // namespace

bool is_language_choice(const std::string& choice) {
    if (choice == system_language) return true;
    for (const LANGUAGE_NAME& l : languages)
        if (choice == l.code) return true;
    return false;
}

std::string find_locale_dir(const std::string& data_dir) {
    std::error_code ec;
    const std::filesystem::path data = std::filesystem::absolute(data_dir.empty() ? "." : data_dir, ec);
    if (ec) return "";
    for (const std::filesystem::path& dir : {data / "share" / "locale", data / ".." / "locale"})
        if (std::filesystem::is_directory(dir, ec)) return dir.lexically_normal().string();
    return "";
}

void bind_catalogues(const std::string& locale_dir) {
    bindtextdomain(text_domain, locale_dir.c_str());
    bind_textdomain_codeset(text_domain, "UTF-8");
    // The C library's own messages (strerror) go to the terminal and into files: no catalogue of
    // its is where ours are, so they stay English whatever LANGUAGE says.
    bindtextdomain("libc", locale_dir.c_str());
    bound = true;
}

std::string system_languages() {
    const char* locale = first_set({"LC_ALL", "LC_MESSAGES", "LANG"});
    if (!locale) return "";
    const std::string name = locale;
    if (name == "C" || name == "POSIX") return "";
    if (const char* list = first_set({"LANGUAGE"})) return list;
    // C.UTF-8 names no language of its own.
    return name.rfind("C.", 0) == 0 ? "" : name;
}

void set_language(const std::string& choice) {
    if (!bound) bind_catalogues(find_locale_dir("."));
    std::string list = choice == system_language ? system_languages() : choice;
    // No catalogue is called "en": the game's own words.
    if (list.empty()) list = "en";
    setenv("LANGUAGE", list.c_str(), 1);
    // gettext reads LANGUAGE only while the messages' locale is not "C". C.UTF-8 is there on every
    // glibc system, whichever locales the administrator made; the numbers, the character classes
    // and everything else stay in the C locale.
    if (!std::setlocale(LC_MESSAGES, "C.UTF-8")) std::setlocale(LC_MESSAGES, "C.utf8");
    ++_nl_msg_cat_cntr;
    choice_in_force = choice;
    language_changes++;
}

const std::string& language_choice() { return choice_in_force; }
