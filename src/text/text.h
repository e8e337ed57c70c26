// The words the player reads, looked up in the player's language: the game's catalogues
// (share/locale/LANG/LC_MESSAGES/one-step-ahead.mo) through the C library's gettext. Every text
// drawn on the screen goes through here; files the game writes and what it prints for scripts
// keep the English source text.
#ifndef OSA_TEXT_TEXT_H
#define OSA_TEXT_TEXT_H

#include <string>
#include <vector>

// The catalogues' domain.
constexpr const char* text_domain = "one-step-ahead";

// msgid in the language in force (msgid itself when the catalogue has none).
const char* text_lookup(const char* msgid);
// The same for a word that needs its context to be translated right ("Play" the verb, "Ghost"
// the setting): xgettext reads it as pgettext(ctx, msgid).
const char* text_lookup_ctx(const char* ctx, const char* msgid);
// The form of a sentence that counts n things: one or many in English, the language's own
// forms in a catalogue (ngettext).
const char* text_lookup_plural(const char* one, const char* many, unsigned long n);

// Marks for xgettext (the template is made with --keyword=_ --keyword=N_ --keyword=C_:1c,2
// --keyword=NC_:1c,2 --keyword=P_:1,2; po/CMakeLists.txt):
#define _(msgid) text_lookup(msgid)
#define N_(msgid) msgid  // in the catalogue, looked up later with _()
#define C_(ctx, msgid) text_lookup_ctx(ctx, msgid)
#define NC_(ctx, msgid) msgid  // in the catalogue with its context, looked up later with C_()
#define P_(one, many, n) text_lookup_plural(one, many, n)

// A sentence with its arguments filled in: format's "%s" (or "%1$s", "%2$s", ... in the order a
// translation wants them) replaced by args in turn; a number goes in as std::to_string of it.
// "%%" is a percent sign; a placeholder without its argument is left as it stands.
std::string fill(const char* format, const std::vector<std::string>& args);

// A sentence kept to be shown later, in whatever language is in force then: its English format
// (marked with N_ where it is written) and its arguments. A file or a script gets english(); the
// screen gets shown(). With args_context, the arguments are words of the catalogue too (a
// shipped district's name, in that context), each shown translated; one the catalogue does not
// hold (a player's own district's name) as it stands.
struct SENTENCE {
    const char* format = "";
    std::vector<std::string> args;
    const char* args_context = nullptr;
    std::string english() const { return fill(format, args); }
    std::string shown() const;
};

#endif
