// The proof that a level can be played: a search over the player's own control, tick by tick,
// for routes from the start to every shop's window and from every shop back to the partner, and
// the time the first missions' tours take against the time each mission gives.
#ifndef OSA_AUTHORING_ROUTES_H
#define OSA_AUTHORING_ROUTES_H

#include <string>
#include <vector>

#include "authoring/level_map.h"
#include "core/state.h"
#include "input/input.h"

class PLAYER;

// Target index of the partner beside the five shops.
constexpr int partner_target = shop_count;
constexpr int target_count = shop_count + 1;

// What the searches found. Times are logic ticks (logic_rate a second) of routes the search played
// through exactly; a player who knows the level can be quicker. -1: no route found.
struct route_report {
    long there[shop_count];                 // from the start to shop i's window
    long back[shop_count];                  // from shop i's window to beside the partner
    long between[shop_count][target_count]; // from shop i's window to target j
    long ticks_simulated = 0;               // control() ticks all the searches ran
    bool gave_up = false;                   // the searches ran past their budget (find_routes)
    std::vector<std::string> faults;        // a shop that cannot be reached, or left
    // The keys of the routes timed in there and back, one input state a tick: from the start to
    // shop i's window, and from the moment she entered it to beside the partner (empty where
    // there is no route, or where she stands in the target already).
    std::vector<INPUT_STATE> there_keys[shop_count];
    std::vector<INPUT_STATE> back_keys[shop_count];
};

// Searches the level in iLevel (read with read_level; masktiles cut from its tile sheet) for
// the routes above. player is the player character as the game builds her (type 2, with frames)
// at her start, partner the partner at hers. Each route is a sequence of held keys that the
// player's own control() follows from the start (or from the moment she entered the shop), the
// animation steps running as in the game; the search tries a fixed set of moves from each place
// where she settles on the ground, so a route it misses may still exist, but a route it finds
// is real.
// The key array and the sound seam are put back as they were. With a budget (ticks of control(),
// 0 for none) the searches stop once they have run that many: the report then gave_up, and its
// one fault says so, whatever was found.
route_report find_routes(const PLAYER& player, const PLAYER& partner, long budget = 0);

// A route the search plays through: the keys to hold, one input state a tick, and the target it
// reaches (bit i of targets_wanted: shop i's window, partner_target beside the partner).
struct route {
    std::vector<INPUT_STATE> keys;
    int target = -1;  // -1: none of the targets can be reached
};
// The quickest route the search finds from the player as she is at logic tick `tick` (which sets
// the animation's phase: a step every logic_rate / anim_rate ticks, at multiples of it) to one of
// targets_wanted. Her own control() and animation steps follow the keys exactly as the game's
// tick does while she walks; at the last tick she stands in the target. The key array and the
// sound seam are put back as they were.
route route_keys(const PLAYER& player, long tick, const PLAYER& partner, unsigned targets_wanted);

// One of the first missions: the categories it asks for, the shortest tour the routes give
// (from beside the partner through the shops and back, with the shops' change effects and the
// partner's walk), and the seconds the mission allows.
struct mission_tour {
    int mission;                 // 1 for the first
    int visits[shop_count];      // shop visits the mission needs per category (0, 1 or 2)
    long ticks;                  // -1 when a route it needs is missing
    int allowance;               // seconds
    bool fits() const { return ticks >= 0 && ticks <= static_cast<long>(logic_rate) * allowance; }
};

// A place a route passes through: the player's position in world pixels.
struct route_point {
    int x, y;
};
// The places the routes of shop i in routes pass, one every `every` ticks and the last: from
// player at her start along there_keys[i] into *there, then (after the shop's change effect)
// along back_keys[i] into *back. Both are empty where routes found no route there. The key array
// and the sound seam are put back as they were.
void route_points(const PLAYER& player, const route_report& routes, int i, int every,
                  std::vector<route_point>* there, std::vector<route_point>* back);

// The first `missions` missions as the rules set them from the two characters' starting looks.
std::vector<mission_tour> mission_tours(const route_report& routes, const PLAYER& player, const PLAYER& partner,
                                        int missions);

// The report as the level tool prints it: a line per shop with its routes' times, a line per
// mission, "warning: ..." for a tour that does not fit.
std::vector<std::string> describe_routes(const route_report& routes, const std::vector<mission_tour>& tours);

// The formats of find_routes' faults ("the hair shop (row 14, column 30) cannot be reached from
// the start"), for showing them in the player's language (text/english.h).
extern const ENGLISH_FORMATS route_fault_formats;

#endif
