// Every check of a text map, the physics search included, and the level file it makes.
#ifndef OSA_AUTHORING_LEVEL_CHECK_H
#define OSA_AUTHORING_LEVEL_CHECK_H

#include <string>
#include <vector>

#include "authoring/level_map.h"
#include "authoring/routes.h"

class PLAYER;

struct level_check {
    std::vector<std::string> faults;  // each names its place; empty: the level is playable
    std::vector<std::string> report;  // the routes' times per shop and the first missions' tours
    level_cells cells;
    std::string text;                 // the level file (also when faults is not empty)
    route_report routes;
};

// Checks m (check_map), reads its level file with the game's read_level into iLevel (tile
// numbers against the tiles cut so far) and, when both pass, searches the routes (find_routes)
// and the first six missions' tours. player and partner are the characters as the game builds
// them at their starts, with their frames. budget bounds the search (find_routes; 0: none).
level_check check_level(const level_map& m, const PLAYER& player, const PLAYER& partner, long budget = 0);

// The format of check_level's own fault (the game's reader refusing the level file), for showing
// it in the player's language (text/english.h).
extern const ENGLISH_FORMATS check_fault_formats;

#endif
