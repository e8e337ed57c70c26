// The level tool's checks in one call: the map's own rules, the game's reader, the routes.
#include "authoring/level_check.h"

#include <sstream>

#include "core/assets.h"
#include "text/text.h"
#include "world/level.h"

// TRANSLATORS: the level file made from a map fails the game's own reading; %s says why.
const ENGLISH_FORMATS check_fault_formats = {N_("the game cannot read the level: %s")};

level_check check_level(const level_map& m, const PLAYER& player, const PLAYER& partner, long budget) {
    level_check c;
    c.faults = check_map(m);
    if (!c.faults.empty()) return c;
    c.cells = build_cells(m);
    c.text = level_text(c.cells);
    std::istringstream in(c.text);
    std::string error;
    if (!read_level(in, static_cast<int>(tiles.size()), &error)) {
        c.faults.push_back(fill(check_fault_formats[0], {error}));
        return c;
    }
    c.routes = find_routes(player, partner, budget);
    c.faults = c.routes.faults;
    c.report = describe_routes(c.routes, mission_tours(c.routes, player, partner, 6));
    return c;
}
