// The title's demo: the first missions played by the route search through the game's own tick.
#include "authoring/demo.h"

#include "authoring/routes.h"
#include "characters/player.h"
#include "core/state.h"
#include "gameplay/mission.h"
#include "gameplay/shops.h"
#include "gameplay/tick.h"
#include "replay/run.h"

namespace {

// A demo longer than this has gone wrong (the first missions take well under a minute each).
constexpr long max_demo_ticks = 10L * 60 * logic_rate;

// The run being recorded, one tick at a time, with the timers firing at their rates.
struct demo_run {
    PLAYER& mora;
    PLAYER& vela;
    REPLAY_RECORDER recorder;
    long tick = 0;

    void run(const INPUT_STATE& in) {
        TICK_INPUT t;
        t.input = in;
        t.anim = tick % (logic_rate / anim_rate) == 0;
        t.clock = tick > 0 && tick % logic_rate == 0;
        run_tick(mora, vela, t);
        recorder.add_tick(tick_record(t));
        if (recorder.checkpoint_due()) recorder.add_checkpoint(state_hash(mora, vela));
        tick++;
    }
};

// The targets of the mission in force: the windows of the shops whose category is not yet one
// step ahead of the partner's.
unsigned mission_targets(const PLAYER& mora, const PLAYER& vela) {
    unsigned targets = 0;
    for (int i = 0; i < shop_count; i++)
        if (parem(mora.look[i], vela.look[i]) != 1) targets |= 1u << i;
    return targets;
}

} // namespace

std::vector<unsigned char> record_demo(PLAYER& mora, PLAYER& vela, int missions, std::int64_t began,
                                       std::string* error) {
    start_run(mora, vela);
    REPLAY_HEADER header = run_header();
    header.began = began;
    demo_run d{mora, vela, REPLAY_RECORDER(header)};
    const INPUT_STATE idle;
    // Until the last mission is fulfilled and the partner is back where her walk began.
    while (!(tase >= missions && game_state == game_state_mission) && d.tick < max_demo_ticks) {
        if (metamorphose || game_state == game_state_change) {
            d.run(idle);
            continue;
        }
        const unsigned targets =
            game_state == game_state_return ? 1u << partner_target : mission_targets(mora, vela);
        route r = route_keys(mora, d.tick, vela, targets);
        if (r.target < 0) {
            if (error) *error = "no route to the mission's next place at tick " + std::to_string(d.tick);
            return {};
        }
        if (r.keys.empty()) r.keys.push_back(idle);  // she stands in it already
        if (r.target != partner_target) r.keys.back().up = true;  // Up as she reaches the window
        for (const INPUT_STATE& in : r.keys) d.run(in);
        // The rules see the shop's change, or her beside the partner, in the next tick.
        d.run(idle);
    }
    if (d.tick >= max_demo_ticks) {
        if (error) *error = "the demo did not fulfil its missions in time";
        return {};
    }
    return d.recorder.file_bytes(run_outcome(mora, vela), false);
}
