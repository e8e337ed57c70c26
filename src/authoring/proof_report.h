// The level tool's findings as a file another program reads: the faults, each shop's routes
// there and back with their times and the places they pass, and the first mission's tour. The
// editor runs the tool on the map being drawn and shows what it found.
#ifndef OSA_AUTHORING_PROOF_REPORT_H
#define OSA_AUTHORING_PROOF_REPORT_H

#include <istream>
#include <string>
#include <vector>

#include "authoring/level_check.h"
#include "authoring/routes.h"
#include "core/state.h"

class PLAYER;

// Ticks between two places of a route kept in the report: enough to draw it as a line.
constexpr int proof_path_every = 4;

// What the checks found on one map.
struct PROOF {
    std::vector<std::string> faults;   // empty: playable
    bool searched = false;             // the map passed check_map and the routes were searched
    long there[shop_count] = {-1, -1, -1, -1, -1};  // ticks from the start to shop i; -1: no route
    long back[shop_count] = {-1, -1, -1, -1, -1};   // ticks from shop i back to the partner; -1: none
    long tour_ticks = -1;              // the first mission's tour (-1: none); see mission_tours
    int tour_allowance = 0;            // the seconds the first mission gives
    std::vector<route_point> there_path[shop_count];  // world pixels, the player's position
    std::vector<route_point> back_path[shop_count];
    bool playable() const { return searched && faults.empty(); }
};

// The report of check c (made by check_level with player and partner): its faults, and when the
// routes were searched, their times, their places (route_points) and the first mission's tour.
PROOF make_proof(const level_check& c, const PLAYER& player, const PLAYER& partner);

// The report as text: "proof 1", then a line per fault ("fault TEXT"), per shop
// ("shop I THERE BACK"), the tour ("tour TICKS ALLOWANCE"), per route ("there I X Y X Y ..."
// and "back I ..."), and "end".
std::string proof_text(const PROOF& p);

// Reads proof_text's text. False, with why in *error, for anything else (a report cut short
// included): *out is then left as it was.
bool read_proof(std::istream& in, PROOF* out, std::string* error);
// The formats of read_proof's faults, for showing them in the player's language (text/english.h).
extern const ENGLISH_FORMATS proof_report_formats;

#endif
