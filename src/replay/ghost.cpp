// The ghost's course, worked out through the game's tick on the side, and its drawing.
#include "replay/ghost.h"

#include <allegro.h>

#include "characters/frames.h"
#include "characters/player.h"
#include "core/assets.h"
#include "gameplay/tick.h"
#include "replay/run.h"
#include "world/level.h"

GHOST ghost_in_play;

namespace {

BITMAP* composed = nullptr;  // frame_w x frame_h: the ghost composed before it is blended

void no_sound(SAMPLE*, int, int, int, int) {}

GHOST_STEP step_of(const PLAYER& p) {
    GHOST_STEP s{};
    // Where PLAYER::draw puts the picture, and the column give_frame takes.
    s.x = static_cast<std::int32_t>(p.x);
    s.y = static_cast<std::int32_t>(p.y + 4.0);
    s.column = static_cast<std::uint8_t>(
        character_column(p.type, p.onground, p.walking, p.frame, p.direction, p.yspeed));
    for (int c = 0; c < category_count; c++) s.look[c] = static_cast<std::uint8_t>(p.look[c]);
    return s;
}

} // namespace

bool make_ghost(const REPLAY& r, const std::string& district, PLAYER& mora, PLAYER& vela, GHOST* out,
                std::string* why) {
    if (r.header.district != district) return *why = "recorded in another district", false;
    if (r.crashed) return *why = "a run cut short by a crash", false;
    // What the tick and start_run touch beyond what save_run keeps.
    const RUN_STATE live = save_run(mora, vela);
    const int due = clock_due.load();
    const bool anim = do_anim.load();
    auto* const hook = sound_hook;
    BITMAP* const effect[2] = {before, now};
    sound_hook = no_sound;
    before = now = nullptr;  // a shop visit draws into them: not the ghost's

    GHOST g;
    g.steps.reserve(r.ticks.size() + 1);
    const VERIFY_RESULT v =
        verify_replay(r, mora, vela, [&](const PLAYER& m, const PLAYER&) { g.steps.push_back(step_of(m)); });

    before = effect[0];
    now = effect[1];
    sound_hook = hook;
    clock_due = due;
    do_anim = anim;
    restore_run(live, mora, vela);
    if (!v.ok) return *why = v.reason, false;
    *out = std::move(g);
    return true;
}

void draw_ghost(BITMAP* bmp, const GHOST& g, int ticks) {
    if (!g.shown_at(ticks) || bmain.size() < 16u * player_strip_frames) return;
    if (!composed && !(composed = create_bitmap(frame_w, frame_h))) return;
    const GHOST_STEP& s = g.steps[static_cast<std::size_t>(ticks)];
    // Body, then the five layers, as PLAYER::draw draws them.
    clear_to_color(composed, bitmap_mask_color(composed));
    draw_rle_sprite(composed, bmain[s.column], 0, 0);
    for (int c = 0; c < category_count; c++)
        draw_rle_sprite(composed, bmain[static_cast<std::size_t>((1 + 3 * c + s.look[c]) * player_strip_frames + s.column)], 0, 0);
    set_trans_blender(0, 0, 0, ghost_opacity);
    draw_trans_sprite(bmp, composed, s.x, s.y);
}

void release_ghost_picture() {
    destroy_bitmap(composed);
    composed = nullptr;
}
