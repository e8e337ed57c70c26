// Runs as replays see them: their start, their state and its hash, their records and headers,
// the live run's recording, and checking a replay.
#include "replay/run.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/assets.h"
#include "core/hash.h"
#include "core/state.h"
#include "gameplay/mission.h"
#include "gameplay/shops.h"
#include "masks/pmask.h"
#include "world/camera.h"
#include "world/district.h"
#include "world/level.h"

#ifndef OSA_VERSION
#define OSA_VERSION "unknown"
#endif

REPLAY_RECORDER live_run;

namespace {

void hash_character(HASH64& h, const PLAYER& p) {
    h.add_float(p.x);
    h.add_float(p.y);
    h.add_float(p.xspeed);
    h.add_float(p.yspeed);
    h.add_bool(p.onground);
    h.add_bool(p.walking);
    h.add_i32(p.direction);
    h.add_i32(p.frame);
    for (int c = 0; c < category_count; c++) h.add_i32(p.look[c]);
    h.add_i32(p.type);
}

void hash_mask(HASH64& h, const PMASK* m) {
    if (!m) {
        h.add_i32(-1);
        return;
    }
    h.add_i32(m->w);
    h.add_i32(m->h);
    // The strips of 32 columns, each its rows' words.
    const int words = ((m->w + 31) / 32) * m->h;
    for (int i = 0; i < words; i++) h.add_u32(m->bits[i]);
}

// The whole numbers of the logic a RUN_STATE keeps, in its order.
int* const kept_numbers[] = {&game_state, &tase, &score, &xcount, &the_time, &metafactor, &iThex, &iThey};
constexpr int run_numbers = sizeof kept_numbers / sizeof kept_numbers[0];
static_assert(run_numbers == sizeof(RUN_STATE::numbers) / sizeof(int), "a place for every number");

std::string at_time(std::uint32_t tick) {
    char s[64];
    std::snprintf(s, sizeof s, "%.1f s, tick %u", static_cast<double>(tick) / logic_rate, tick);
    return s;
}

} // namespace

void start_run(PLAYER& mora, PLAYER& vela) {
    reset_character(mora, player_start_x, start_y);
    reset_character(vela, partner_start_x, start_y);
    start_rules();
    iThex = 0;
    iThey = 0;
}

RUN_STATE save_run(const PLAYER& mora, const PLAYER& vela) {
    RUN_STATE s{mora, vela, {}, timer.load(), metamorphose, {}, run_ticks, run_splits};
    for (int i = 0; i < run_numbers; i++) s.numbers[i] = *kept_numbers[i];
    std::memcpy(s.message, message, sizeof s.message);
    return s;
}

void restore_run(const RUN_STATE& s, PLAYER& mora, PLAYER& vela) {
    mora = s.mora;
    vela = s.vela;
    for (int i = 0; i < run_numbers; i++) *kept_numbers[i] = s.numbers[i];
    timer = s.timer;
    metamorphose = s.metamorphose;
    std::memcpy(message, s.message, sizeof message);
    run_ticks = s.run_ticks;
    run_splits = s.splits;
}

std::uint64_t state_hash(const PLAYER& mora, const PLAYER& vela) {
    HASH64 h;
    hash_character(h, mora);
    hash_character(h, vela);
    h.add_i32(game_state);
    h.add_i32(tase);
    h.add_i32(score);
    h.add_i32(xcount);
    h.add_i32(the_time);
    h.add_i32(timer.load());
    h.add_bool(metamorphose);
    h.add_i32(metafactor);
    h.add_i32(iThex);
    h.add_i32(iThey);
    h.add(message, std::strlen(message));
    return h.h;
}

std::uint8_t tick_record(const TICK_INPUT& in) {
    return static_cast<std::uint8_t>((in.input.left ? tick_left : 0) | (in.input.right ? tick_right : 0) |
                                     (in.input.up ? tick_up : 0) | (in.input.jump ? tick_jump : 0) |
                                     (in.anim ? tick_anim : 0) | (in.clock ? tick_clock : 0));
}

TICK_INPUT tick_from_record(std::uint8_t record) {
    TICK_INPUT in;
    in.input.left = record & tick_left;
    in.input.right = record & tick_right;
    in.input.up = record & tick_up;
    in.input.jump = record & tick_jump;
    in.anim = record & tick_anim;
    in.clock = record & tick_clock;
    return in;
}

std::uint64_t level_hash() {
    std::ifstream in(level_file, std::ios::binary);
    if (!in) return 0;
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return hash64(bytes.data(), bytes.size());
}

std::uint64_t logic_hash() {
    HASH64 h;
    h.add_u32(static_cast<std::uint32_t>(masktiles.size()));
    for (const PMASK* m : masktiles) hash_mask(h, m);
    h.add_u32(static_cast<std::uint32_t>(maskbmain.size()));
    for (const PMASK* m : maskbmain) hash_mask(h, m);
    return h.h;
}

REPLAY_HEADER run_header() {
    REPLAY_HEADER h;
    h.game_version = OSA_VERSION;
    h.level_hash = level_hash();
    h.logic_hash = logic_hash();
    h.tick_rate = logic_rate;
    h.began = static_cast<std::int64_t>(std::time(nullptr));
    h.district = current_district.folder;
    return h;
}

void record_tick(const TICK_INPUT& in, const PLAYER& mora, const PLAYER& vela) {
    if (!live_run.add_tick(tick_record(in))) return;
    if (live_run.checkpoint_due()) live_run.add_checkpoint(state_hash(mora, vela));
}

REPLAY_OUTCOME run_outcome(const PLAYER& mora, const PLAYER& vela) {
    REPLAY_OUTCOME o;
    o.level = tase;
    o.score = score;
    o.seconds_left = the_time - timer.load();
    o.state_hash = state_hash(mora, vela);
    return o;
}

VERIFY_RESULT verify_replay(const REPLAY& r, PLAYER& mora, PLAYER& vela,
                            const std::function<void(const PLAYER&, const PLAYER&)>& each_tick) {
    VERIFY_RESULT v;
    if (r.header.level_hash != level_hash()) {
        v.reason = "recorded on another level";
        return v;
    }
    if (r.header.logic_hash != logic_hash()) {
        v.reason = "recorded with other assets";
        return v;
    }
    if (r.header.tick_rate != logic_rate) {
        v.reason = "recorded at " + std::to_string(r.header.tick_rate) + " ticks a second, not " +
                   std::to_string(logic_rate);
        return v;
    }
    start_run(mora, vela);
    if (each_tick) each_tick(mora, vela);
    const std::uint32_t interval = r.header.checkpoint_interval;
    std::size_t checkpoint = 0;
    for (std::uint8_t record : r.ticks) {
        run_tick(mora, vela, tick_from_record(record));
        v.ticks++;
        if (each_tick) each_tick(mora, vela);
        if (v.ticks % interval == 0 && checkpoint < r.checkpoints.size()) {
            if (state_hash(mora, vela) != r.checkpoints[checkpoint]) {
                v.reason = "differs from the recorded run at " + at_time(v.ticks);
                v.outcome = run_outcome(mora, vela);
                return v;
            }
            checkpoint++;
        }
    }
    v.outcome = run_outcome(mora, vela);
    if (!r.crashed && !(v.outcome == r.outcome)) {
        v.reason = "differs from the recorded run at " + at_time(v.ticks);
        return v;
    }
    v.ok = true;
    return v;
}
