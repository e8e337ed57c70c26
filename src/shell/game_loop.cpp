// The main loop's two halves: one logic tick, and one frame drawn into the world buffer and
// copied to the screen.
#include <allegro.h>

#include "characters/player.h"
#include "gameplay/effect.h"
#include "gameplay/hud.h"
#include "gameplay/mission.h"
#include "gameplay/shops.h"
#include "shell/shell.h"
#include "world/camera.h"
#include "world/level.h"

void game_tick(PLAYER& mora, PLAYER& vela) {
    poll_keyboard();
    handle_vela_stuff(mora, vela);
    // The rest of this tick and of the pending ticks still runs; the loop ends after the frame.
    if (key[KEY_ESC]) blGameOver = true;
    // Mora stands still (and the camera with her) while the change effect plays and while Vela
    // walks and changes.
    if (!metamorphose && game_state != 4) mora.control();
    check_shops(mora);
    if (do_anim) {
        mora.addframe();
        vela.addframe();
        do_anim = false;
    }
}

void draw_frame_sized(BITMAP* target, PLAYER& mora, PLAYER& vela, int w, int h,
                      bool clip_to_window) {
    check_iTheXY_in(w, h);
    // Only the camera's window reaches the screen: with the clip set, the cells and sprites
    // outside it cost only the clip test. The window is redrawn whole every frame.
    if (clip_to_window)
        set_clip_rect(buffer, iThex, iThey, iThex + w - 1, iThey + h - 1);
    else
        set_clip_rect(buffer, 0, 0, buffer->w - 1, buffer->h - 1);

    // The background covers the whole window right after, so the fill never shows; done solid it
    // costs a plain memory fill instead of a blend of every pixel in the HUD's translucent mode
    // (the HUD sets its mode again when it draws).
    solid_mode();
    rectfill(buffer, iThex, iThey, iThex + w, iThey + h, 0);
    blit(back, buffer, iThex / 2, iThey / 2, iThex, iThey, w, h);
    draw_tiles(buffer, 0, 0);
    draw_shops(buffer);
    vela.draw(buffer, false);
    if (metamorphose)
        draw_effect(buffer, mora);
    else
        mora.draw(buffer, false);
    disp_message_width(buffer, w);

    acquire_bitmap(target);
    blit(buffer, target, iThex, iThey, 0, 0, w, h);
    release_bitmap(target);
}

void draw_frame(BITMAP* target, PLAYER& mora, PLAYER& vela) {
    draw_frame_sized(target, mora, vela, view_w, view_h, true);
}
