// One logic tick of the game, and the start of a run's rules. The main loop runs a tick 120 times
// a second; a replay runs the same ticks from its file.
#ifndef OSA_GAMEPLAY_TICK_H
#define OSA_GAMEPLAY_TICK_H

#include <vector>

#include "input/input.h"

class PLAYER;

// What reaches the logic from outside it in one tick: the player's input and whether each of
// the two real-time timers fired before the tick. With the level and the assets, these decide
// everything a tick does.
struct TICK_INPUT {
    INPUT_STATE input;
    bool anim = false;   // the 8 Hz animation step is due (do_anim)
    bool clock = false;  // one second of the mission clock has passed (clock_due)
};

// The live inputs for the next tick: read_input(), and do_anim and one second of clock_due,
// taken (cleared, or lowered by one) so that the next tick does not see them again.
TICK_INPUT take_tick_input();

// The logic of one tick with the inputs given, in the game's order: the clock's second into
// timer, the mission rules, the player's control (not while the change effect plays or while the
// partner walks and changes), the shop check, and the animation step of the player, then of the
// partner. While it runs, read_input() answers in.input.
void run_tick(PLAYER& mora, PLAYER& vela, const TICK_INPUT& in);

// One tick of live play: polls the input devices, takes the tick's inputs, sets blGameOver when
// Escape is held, and runs the tick. Returns the inputs it ran with.
TICK_INPUT game_tick(PLAYER& mora, PLAYER& vela);

// Game time: the logic's own ticks since the run began. start_rules sets it to 0 and every
// run_tick adds 1, so it is the same live and in a replay, and stands still while no tick runs
// (the menus). A tick lasts 1 / logic_rate s.
extern int run_ticks;
// The run's splits: run_ticks at the end of each tick in which the level rose (a fulfilled
// mission), in order. Emptied by start_rules, one more per fulfilment, written by run_tick only.
extern std::vector<int> run_splits;
// The ticks spent on the mission in play: since the last split, or since the run began.
int mission_ticks();

// The rules, the mission clock and the message line as a run begins: mission state, level 0,
// score 0, first_mission_seconds allowed, the clock at 0 with nothing due, no change effect,
// the partner's walk at its start, "Welcome!" with no announcement over it; game time 0 and no
// split yet.
void start_rules();

#endif
