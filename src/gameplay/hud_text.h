// The HUD's message line in the player's language. The line itself (message) stays the English
// text the mission rules write: it is part of the state that replays check, so a run recorded in
// one language verifies, replays and races as a ghost in every other (and the runs recorded before
// there were languages keep verifying). What the HUD draws is its meaning, told again in whole
// sentences of the language in force.
#ifndef OSA_GAMEPLAY_HUD_TEXT_H
#define OSA_GAMEPLAY_HUD_TEXT_H

#include <string>

#include "core/state.h"

// The mission's sentence for 1 to category_count missing categories, in English exactly the
// text the rules build ("Mission: upgrade" and the words joined by " and "); each language orders
// and joins the words its own way.
extern const char* const mission_formats[category_count];
// The category words as the mission sentence uses them (the context "mission" in the catalogue,
// where a language chooses their case), in the order of names.
extern const char* const mission_words[category_count];

// message as the HUD shows it: a mission ("Mission: upgrade" with categories of names joined by
// " and ") as the whole sentence for its count of categories with the words looked up in the
// "mission" context; "Welcome!", "Mission: return to Vela!", "Wait - Vela upgrading" and any other
// text looked up whole (unchanged when the catalogue does not have it).
std::string shown_message(const char* message);

#endif
