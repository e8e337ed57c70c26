// The language the player reads: the shipped catalogues, the choice among them ("system" or one
// language), and putting it in force at once through the C library's gettext, on any machine,
// even one whose only locale is C.UTF-8.
#ifndef OSA_TEXT_LANGUAGE_H
#define OSA_TEXT_LANGUAGE_H

#include <string>
#include <vector>

// One language the player can choose: its catalogue's name (po/LINGUAS, LANGUAGE's form) and its
// name in itself, as the options show it whatever the language in force.
struct LANGUAGE_NAME {
    const char* code;
    const char* name;
};
// English (the game's own words, no catalogue) and every shipped catalogue, in the options' order.
extern const std::vector<LANGUAGE_NAME> languages;
// The settings' word for the system's language.
constexpr const char* system_language = "system";

// True for "system" and for a code in languages: what the settings file may hold.
bool is_language_choice(const std::string& choice);

// Where the catalogues (LANG/LC_MESSAGES/one-step-ahead.mo) lie for the game whose data directory
// (the one holding dat/) is data_dir: data_dir/share/locale in a build tree, data_dir/../locale
// in an installed or moved prefix (share/one-step-ahead beside share/locale). Absolute; empty
// when neither is there.
std::string find_locale_dir(const std::string& data_dir);
// Reads the catalogues from locale_dir from now on, in UTF-8 whatever the locale's own character
// set. The game binds find_locale_dir of its working directory (the data directory) the first
// time set_language runs, unless this was called before.
void bind_catalogues(const std::string& locale_dir);

// The languages gettext would take for "system", first choice first (LANGUAGE's list, else the
// locale's language), from the environment as gettext reads it: the first of LC_ALL, LC_MESSAGES
// and LANG that is set names the locale; "C" or "POSIX" (or none) means English, and then
// LANGUAGE is not read, as gettext ignores it there; C.UTF-8 names no language but lets LANGUAGE
// speak. Empty for English.
std::string system_languages();

// Puts choice ("system", or a code of languages, or any catalogue's code: tests use their own)
// in force for every text looked up from now on. The C library's messages (strerror) and its
// numbers stay those of the C locale: the terminal and the files stay English and alike
// everywhere. Needs no locale of the language to be installed: the messages' locale becomes
// C.UTF-8 (or stays the player's own when it has one) and LANGUAGE names the choice; gettext's
// cache is dropped so that the change shows at once.
void set_language(const std::string& choice);
// The choice in force ("system" before any set_language).
const std::string& language_choice();
// Counts the changes of language: anything that keeps a drawn text compares it (the frame key).
extern int language_changes;

#endif
