// Sentences the game wrote in English, shown in the player's language. A fault found in a map is
// written into district.cfg, the level tool's report and on the terminal in English (files and
// scripts never depend on the language); the screen shows it translated by taking it apart again
// along the formats that made it.
#ifndef OSA_TEXT_ENGLISH_H
#define OSA_TEXT_ENGLISH_H

#include <string>
#include <vector>

// A table of the English formats of fill's that a subsystem writes its sentences with, each
// marked N_ where it is defined so that it is in the catalogue. A format needs some words of its
// own besides its placeholders, and two placeholders never touch.
using ENGLISH_FORMATS = std::vector<const char*>;

// english shown in the language in force: the format among formats that it was filled from
// (the one with the most words of its own when several fit), its arguments taken back out, each
// of them shown the same way in turn (a place, a shop's name: the pieces the sentence was made
// of), and filled into the format's translation. A text that fits no format is shown as it stands
// (a number, a file's name, a hostile file's words). Never longer in pieces than the text itself:
// every argument is shorter than the sentence it came from.
std::string shown_english(const std::string& english, const std::vector<const ENGLISH_FORMATS*>& formats);

// The arguments with which format (fill's: "%s", "%1$s", "%%") makes text exactly, by position
// ("%2$s" puts args[1]); false when it makes no such text. Every argument is at least one
// character long.
bool match_format(const char* format, const std::string& text, std::vector<std::string>* args);

#endif
