// The ghost: a recorded run's Mora running beside the run in play at the same game time, drawn
// translucent. Its course is worked out from the replay by the game's own tick before it is shown,
// without touching the run in play.
#ifndef OSA_REPLAY_GHOST_H
#define OSA_REPLAY_GHOST_H

#include <cstdint>
#include <string>
#include <vector>

#include "core/state.h"

struct BITMAP;
class PLAYER;
struct REPLAY;

// How much of the ghost covers what lies behind it: about 40 %.
constexpr int ghost_opacity = 102;

// Where the ghost's Mora stands after one tick, and what she shows: her picture's position (as
// PLAYER::draw places it), the frame's column (character_column) and her looks.
struct GHOST_STEP {
    std::int32_t x, y;
    std::uint8_t column;
    std::uint8_t look[category_count];
};

// A ghost's whole course: steps[t] is her state after t ticks (steps[0] at the start); empty when
// there is no ghost. She is shown while the run in play's game time is within it.
struct GHOST {
    std::vector<GHOST_STEP> steps;
    bool shown_at(int ticks) const { return ticks >= 0 && static_cast<std::size_t>(ticks) < steps.size(); }
};

// The ghost of the run in play: set by the shell at each run's start, empty for none.
extern GHOST ghost_in_play;

// Works out r's course through the game's tick (as --verify plays it, every checkpoint checked)
// on mora and vela, and gives them, and every other global the tick touches (the rules, the
// clocks and the timers' flags, the camera, the message line, the game time), back as they
// were: the run in play is not touched, no sound plays, the change effect's pictures are left
// alone. A replay of another district than `district` ("recorded in another district"), cut
// short by a crash, or refused by the verifier is no ghost: false, with why in *why.
bool make_ghost(const REPLAY& r, const std::string& district, PLAYER& mora, PLAYER& vela, GHOST* out,
                std::string* why);

// Draws g's Mora as she stands after `ticks` ticks into bmp (the world buffer) at about 40 %:
// composed whole first, then blended once, so that her layers do not show through each other.
// Nothing when g is not shown at that time. Needs the player's frames (bmain).
void draw_ghost(BITMAP* bmp, const GHOST& g, int ticks);

// Releases the picture the ghost is composed in (made on the first draw_ghost).
void release_ghost_picture();

#endif
