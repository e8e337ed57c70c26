// A run of the game as a replay sees it: how a run starts, the whole state the logic keeps (to
// hash, save and restore), what a tick's record holds, the hashes of the level and the assets a
// run was played with, recording a live run, and checking a replay against the game's logic.
#ifndef OSA_REPLAY_RUN_H
#define OSA_REPLAY_RUN_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "characters/player.h"
#include "gameplay/hud.h"
#include "gameplay/tick.h"
#include "replay/replay_file.h"

// Starts a run: both characters at their starts as the game builds them, the rules as
// start_rules leaves them, the camera at the level's corner.
void start_run(PLAYER& mora, PLAYER& vela);

// Everything the logic keeps between ticks (and the camera, which only the player's control
// moves): the characters, the rules, the clock, the change effect, the message line; and the
// game time with the splits, which state_hash leaves out (they follow from the ticks).
struct RUN_STATE {
    PLAYER mora, vela;
    int numbers[8];  // game_state, tase, score, xcount, the_time, metafactor and the camera
    int timer;
    bool metamorphose;
    char message[message_size];
    int run_ticks;
    std::vector<int> splits;
};
RUN_STATE save_run(const PLAYER& mora, const PLAYER& vela);
void restore_run(const RUN_STATE& s, PLAYER& mora, PLAYER& vela);

// The hash of the whole state the logic keeps: two runs with equal hashes after a tick are, as
// far as the logic can tell, the same run. Reads only; safe in a signal handler.
std::uint64_t state_hash(const PLAYER& mora, const PLAYER& vela);

// A tick's record (replay_file.h's bits) and back.
std::uint8_t tick_record(const TICK_INPUT& in);
TICK_INPUT tick_from_record(std::uint8_t record);

// The hash of the level file's bytes (level_file; 0 when it cannot be read), and of what decides
// the logic: every tile's mask and the player's masks, loaded already.
std::uint64_t level_hash();
std::uint64_t logic_hash();
// The header of a run that begins now, with this game's version, hashes and rates.
REPLAY_HEADER run_header();

// The run in progress: each tick of live play is recorded here with its checkpoints, so that
// the run can be written when it ends, or from a crash handler at any moment.
extern REPLAY_RECORDER live_run;
// Records one tick that ran with `in`, and the state's checkpoint when one is due.
void record_tick(const TICK_INPUT& in, const PLAYER& mora, const PLAYER& vela);
// How the logic stands now, as a trailer says it: level, score, seconds left, state hash.
REPLAY_OUTCOME run_outcome(const PLAYER& mora, const PLAYER& vela);

// What checking a replay against the game's logic found.
struct VERIFY_RESULT {
    bool ok = false;
    std::string reason;         // why not, as --verify says it
    std::uint32_t ticks = 0;    // ticks played
    REPLAY_OUTCOME outcome;     // where the logic ended
};
// Plays r's ticks through run_tick from a new run (start_run) as fast as it can, and compares
// every checkpoint and the end with the record: the first that differs is the reason ("differs
// from the recorded run at 12.0 s, tick 1440"). A replay recorded on another level ("recorded on
// another level") or with other assets ("recorded with other assets"), or at another tick rate,
// is not played. A run cut short by a crash is ok when the checkpoints it has match. Leaves the
// state where the replay ended. each_tick, when given, sees the state after the start and after
// every tick played.
VERIFY_RESULT verify_replay(const REPLAY& r, PLAYER& mora, PLAYER& vela,
                            const std::function<void(const PLAYER&, const PLAYER&)>& each_tick = nullptr);

#endif
