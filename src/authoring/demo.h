// The title's demo: a run of the game's own logic, steered by the route search through the
// first missions of the level loaded, and recorded as a replay.
#ifndef OSA_AUTHORING_DEMO_H
#define OSA_AUTHORING_DEMO_H

#include <cstdint>
#include <string>
#include <vector>

class PLAYER;

// Plays `missions` missions from a new run (start_run) on the level loaded (read with
// load_level, its tiles' masks cut by load_shit) with the two characters as the game builds
// them: each mission's shops and then the partner by the quickest route route_keys finds, Up
// held in each shop's window, the partner's walk and change waited out; every tick through
// run_tick, the animation step every logic_rate / anim_rate ticks and a clock second every
// logic_rate ticks, and recorded. Returns the replay file's bytes, dated `began` (seconds since
// 1970), or, with why in *error, nothing when a route cannot be found.
std::vector<unsigned char> record_demo(PLAYER& mora, PLAYER& vela, int missions, std::int64_t began,
                                       std::string* error);

#endif
