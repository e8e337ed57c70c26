// The logic tick: what it takes from outside, and the order in which the game's rules run.
#include "gameplay/tick.h"

#include "characters/player.h"
#include "core/state.h"
#include "gameplay/hud.h"
#include "gameplay/mission.h"
#include "gameplay/shops.h"

int run_ticks = 0;
std::vector<int> run_splits;

int mission_ticks() { return run_ticks - (run_splits.empty() ? 0 : run_splits.back()); }

TICK_INPUT take_tick_input() {
    TICK_INPUT t;
    t.input = read_input();
    t.anim = do_anim.exchange(false);
    // One second a tick: after a stall the seconds owed come one per tick, and none is lost.
    int due = clock_due.load();
    while (due > 0 && !clock_due.compare_exchange_weak(due, due - 1)) {
    }
    t.clock = due > 0;
    return t;
}

void run_tick(PLAYER& mora, PLAYER& vela, const TICK_INPUT& in) {
    run_ticks++;
    if (in.clock) timer.fetch_add(1);
    tick_input = &in.input;
    const int level = tase;
    handle_vela_stuff(mora, vela);
    if (tase > level) run_splits.push_back(run_ticks);
    // Mora stands still (and the camera with her) while the change effect plays and while Vela
    // walks and changes.
    if (!metamorphose && game_state != game_state_change) mora.control();
    check_shops(mora);
    if (in.anim) {
        mora.addframe();
        vela.addframe();
    }
    tick_input = nullptr;
}

TICK_INPUT game_tick(PLAYER& mora, PLAYER& vela) {
    poll_input();
    const TICK_INPUT in = take_tick_input();
    // The rest of this tick and of the pending ticks still runs; the loop ends after the frame.
    if (escape_held()) blGameOver = true;
    run_tick(mora, vela, in);
    return in;
}

void start_rules() {
    game_state = game_state_mission;
    tase = 0;
    score = 0;
    xcount = 0;
    the_time = first_mission_seconds;
    timer = 0;
    clock_due = 0;
    do_anim = false;
    metamorphose = false;
    metafactor = 0;
    add_message("Welcome!");
    hud_announcement = HUD_ANNOUNCEMENT{};
    run_ticks = 0;
    run_splits.clear();
}
