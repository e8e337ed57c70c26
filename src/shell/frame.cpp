// The frame: the camera's window of the world drawn into the world buffer and copied to the
// game's picture.
#include <allegro.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "characters/frames.h"
#include "characters/player.h"
#include "core/state.h"
#include "gameplay/effect.h"
#include "gameplay/hud.h"
#include "gameplay/mission.h"
#include "gameplay/shops.h"
#include "gameplay/tick.h"
#include "replay/ghost.h"
#include "shell/shell.h"
#include "text/language.h"
#include "world/camera.h"
#include "world/level.h"

namespace {

BITMAP* view = nullptr;  // the camera's window of buffer for the last frame drawn

// Draws the frame for a window of w x h pixels into buffer at the camera.
void draw_world(PLAYER& mora, PLAYER& vela, int w, int h, bool clip_to_window) {
    check_iTheXY_in(w, h);
    // Only the camera's window reaches the screen: with the clip set, the cells and sprites
    // outside it cost only the clip test. The window is redrawn whole every frame.
    if (clip_to_window)
        set_clip_rect(buffer, iThex, iThey, iThex + w - 1, iThey + h - 1);
    else
        set_clip_rect(buffer, 0, 0, buffer->w - 1, buffer->h - 1);

    // The fill of the window and the row and column past it with colour 0: the background covers
    // the window right after, so only that row and column are left of it, and only they are
    // filled (with the clip to the window, nothing is). Solid, not in the HUD's translucent mode
    // still in force (the HUD sets its mode again when it draws).
    solid_mode();
    rectfill(buffer, iThex + w, iThey, iThex + w, iThey + h, 0);
    rectfill(buffer, iThex, iThey + h, iThex + w, iThey + h, 0);
    blit(back, buffer, iThex / 2, iThey / 2, iThex, iThey, w, h);
    draw_tiles(buffer, 0, 0);
    draw_shops(buffer);
    vela.draw(buffer, false);
    draw_ghost(buffer, ghost_in_play, run_ticks);
    if (metamorphose)
        draw_effect(buffer, mora);
    else
        mora.draw(buffer, false);
    disp_message_width(buffer, w);
    disp_timer(buffer, w);
}

} // namespace

void draw_frame_sized(BITMAP* target, PLAYER& mora, PLAYER& vela, int w, int h,
                      bool clip_to_window) {
    draw_world(mora, vela, w, h, clip_to_window);
    acquire_bitmap(target);
    blit(buffer, target, iThex, iThey, 0, 0, w, h);
    release_bitmap(target);
}

BITMAP* draw_frame(PLAYER& mora, PLAYER& vela) {
    draw_world(mora, vela, view_w, view_h, true);
    // The picture is the window of the buffer itself: nothing is copied until it is shown.
    destroy_bitmap(view);
    view = create_sub_bitmap(buffer, iThex, iThey, view_w, view_h);
    return view;
}

bool FRAME_KEY::operator==(const FRAME_KEY& o) const { return std::memcmp(this, &o, sizeof *this) == 0; }

FRAME_KEY frame_key(const PLAYER& mora, const PLAYER& vela) {
    FRAME_KEY k;
    std::memset(&k, 0, sizeof k);  // the padding too: keys are compared byte by byte
    check_iTheXY();
    k.camera[0] = iThex;
    k.camera[1] = iThey;
    const PLAYER* both[2] = {&mora, &vela};
    for (int i = 0; i < 2; i++) {
        const PLAYER& p = *both[i];
        // Where PLAYER::draw puts the picture, and the column give_frame takes.
        k.at[i][0] = static_cast<int>(p.x);
        k.at[i][1] = static_cast<int>(p.y + 4.0);
        k.column[i] = character_column(p.type, p.onground, p.walking, p.frame, p.direction, p.yspeed);
        for (int c = 0; c < category_count; c++) k.look[i][c] = p.look[c];
    }
    k.metafactor = metamorphose ? metafactor : -1;
    k.time_left = the_time - timer.load();
    k.level = tase;
    k.score = score;
    static_assert(sizeof k.text == message_size, "the key holds the whole message line");
    // What the strip shows: the message line, or an announcement in its place.
    std::snprintf(k.text, sizeof k.text, "%s", hud_line().c_str());
    k.language = language_changes;
    k.timer = timer_text();
    std::fill(std::begin(k.ghost), std::end(k.ghost), -1);
    if (ghost_in_play.shown_at(run_ticks)) {
        const GHOST_STEP& g = ghost_in_play.steps[static_cast<std::size_t>(run_ticks)];
        k.ghost[0] = g.x;
        k.ghost[1] = g.y;
        k.ghost[2] = g.column;
        for (int c = 0; c < category_count; c++) k.ghost[3 + c] = g.look[c];
    }
    return k;
}

void forget_frame() {
    destroy_bitmap(view);
    view = nullptr;
}
