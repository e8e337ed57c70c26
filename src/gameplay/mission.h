// The rules of play: missions built from the partner's outfit, the return to her, her walk and
// change, level, score and the time allowance.
#ifndef OSA_GAMEPLAY_MISSION_H
#define OSA_GAMEPLAY_MISSION_H

#include "core/state.h"

class PLAYER;

// game_state's values; no other value is ever set, and any other makes a tick do nothing.
constexpr int game_state_mission = 1;  // some categories are missing: the mission text shows
constexpr int game_state_return = 3;   // none is missing: back to the partner
constexpr int game_state_change = 4;   // beside her: she walks, changes and walks back
extern int game_state;
extern char names[category_count][50];      // the category words, by category index
constexpr int table_rows = 7;
extern const char list[table_rows][category_count];  // the mission table: row L flags the categories changed at level L
extern int tase;               // the level, raised at each fulfilment
extern int score;              // may become negative
// Ticks of the partner's walk in state 4; 0 in every other state. A global of the rules (not
// hidden in handle_vela_stuff) so that tests can start from a known walk.
extern int xcount;

// The partner's walk by xcount: steps out while it is 0..walk_out_end, the fulfilment and the
// first step back at walk_turn, steps back up to walk_back_end, and the closing tick at walk_done
// (in which the rules return to the mission and the player moves again).
constexpr int walk_out_end = 64;
constexpr int walk_turn = 65;
constexpr int walk_back_end = 127;
constexpr int walk_done = 128;
// What the walk means for the player's time: the rules see her beside the partner in the tick
// after her arrival, the walk out follows; so many ticks from her arrival to the fulfilment, that
// one included ...
constexpr int arrival_to_fulfilment_ticks = 1 + (walk_out_end + 1) + 1;
// ... and so many after the fulfilment's own in which she still stands (she moves again in the
// closing tick).
constexpr int after_fulfilment_ticks = walk_done - walk_turn - 1;

// The table row for level L: rows 1..6 in turn, so that the seventh fulfilment and every later
// one take the rows again from row 1 and nothing reads past the table.
int row_for_level(int L);
// The allowance after fulfilling level L: 3 s more per category the partner changes, 2 L less;
// past level 6 as at the cycled level, from first_mission_seconds again when row 1 comes round.
int next_allowance(int allowance, int L);
// The player stands near the partner: up to 128 px left of her and 64 px right, 24 px above or
// below, all strict. The return in state 3 ends there.
bool beside_partner(const PLAYER& player, const PLAYER& partner);

// The rules for one logic tick; called first in every tick. State 1 writes the mission text,
// state 3 waits for the player beside the partner, state 4 walks the partner 65 px out and 63
// back with the fulfilment at the turn. The fulfilment for level L uses table row
// c = (L - 1) mod 6 + 1, so that the game goes on past the table's last row, and changes the
// allowance by 3k - 2c for the k categories of that row; from level 7 on, a fulfilment that
// takes row 1 again first sets the allowance back to first_mission_seconds. Levels 7 to 12 so
// give the allowances of levels 1 to 6, and the allowance never runs away.
void handle_vela_stuff(PLAYER& player, PLAYER& partner);
// a takes over b's look in every category where a is exactly one step behind b.
void upgrade_vela(PLAYER& a, PLAYER& b);

#endif
