// The message line's meaning, in the language in force.
#include "gameplay/hud_text.h"

#include <cstring>
#include <vector>

#include "gameplay/mission.h"
#include "text/text.h"

const char* const mission_formats[category_count] = {
    // TRANSLATORS: the mission: the player upgrades the outfit category named (a word of the
    // "mission" context: make-up, hair, clothes, shoes, handbag) to be one look ahead of Vela.
    N_("Mission: upgrade %s"),
    // TRANSLATORS: the mission with two categories to upgrade; each %N$s is a category word of the
    // "mission" context. Order and join them as your language does.
    N_("Mission: upgrade %1$s and %2$s"),
    // TRANSLATORS: as above, with three categories.
    N_("Mission: upgrade %1$s and %2$s and %3$s"),
    // TRANSLATORS: as above, with four categories.
    N_("Mission: upgrade %1$s and %2$s and %3$s and %4$s"),
    // TRANSLATORS: as above, with all five categories: the longest line of the HUD; it must fit
    // the picture's width (320 pixels) or it takes two lines.
    N_("Mission: upgrade %1$s and %2$s and %3$s and %4$s and %5$s"),
};

const char* const mission_words[category_count] = {
    // TRANSLATORS: an outfit category as the mission sentence names it ("Mission: upgrade %s"):
    // the form (case) your sentences need.
    NC_("mission", "make-up"),
    NC_("mission", "hair"),
    NC_("mission", "clothes"),
    NC_("mission", "shoes"),
    NC_("mission", "handbag"),
};

namespace {

constexpr const char* mission_start = "Mission: upgrade ";
constexpr const char* joined_by = " and ";

// The category of the word, or -1.
int category_of(const std::string& word) {
    for (int i = 0; i < category_count; i++)
        if (word == names[i]) return i;
    return -1;
}

// The categories a mission line names, in its order; empty when it is no mission line.
std::vector<int> mission_categories(const char* text) {
    const size_t start = std::strlen(mission_start);
    if (std::strncmp(text, mission_start, start) != 0) return {};
    std::vector<int> found;
    std::string rest = text + start;
    for (;;) {
        const size_t cut = rest.find(joined_by);
        const int c = category_of(rest.substr(0, cut));
        if (c < 0) return {};
        found.push_back(c);
        if (cut == std::string::npos) return found;
        rest.erase(0, cut + std::strlen(joined_by));
    }
}

} // namespace

std::string shown_message(const char* message) {
    const std::vector<int> c = mission_categories(message);
    if (c.empty() || c.size() > static_cast<size_t>(category_count)) return text_lookup(message);
    std::vector<std::string> words;
    for (int i : c) words.push_back(text_lookup_ctx("mission", names[i]));
    return fill(text_lookup(mission_formats[c.size() - 1]), words);
}
