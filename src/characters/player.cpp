// PLAYER's frames, frame choice, walk animation and drawing; control is in control.cpp.
#include "characters/player.h"

#include <allegro.h>

#include <cmath>
#include <cstdio>

#include "characters/frames.h"
#include "masks/pmask.h"
#include "core/assets.h"
#include "core/datafile_check.h"
#include "core/state.h"
#include "world/camera.h"

std::vector<RLE_SPRITE*> bmain;
std::vector<RLE_SPRITE*> bvela;
std::vector<PMASK*> maskbmain;

namespace {

constexpr int strips = 16; // objects of a character datafile: the body and 5 x 3 layers

// True when the datafile holds at least 16 objects and the first 16 are RLE sprites of
// exactly W frames (W * frame_w x frame_h pixels) at the current colour depth (what the cutting below expects).
bool usable_datafile(const DATAFILE* dat, int frames_per_strip) {
    for (int n = 0; n < strips; n++) {
        if (dat[n].type == DAT_END) return false;
        if (dat[n].type != DAT_RLE_SPRITE || dat[n].dat == nullptr) return false;
        const auto* rle = static_cast<const RLE_SPRITE*>(dat[n].dat);
        if (rle->w != frame_w * frames_per_strip || rle->h != frame_h) return false;
        if (rle->color_depth != get_color_depth()) return false;
    }
    return true;
}

} // namespace

int character_column(int type, bool onground, bool walking, int frame, int direction, float yspeed) {
    if (type == type_player && !onground) {
        // The slant: 6 * yspeed / jump_speed in double, rounded to float, its magnitude capped at
        // 4, truncated. Rising and falling at one speed show one frame.
        float s = static_cast<float>(6.0 * yspeed / jump_speed);
        s = std::fabs(s);
        if (s > 4.0f) s = 4.0f;
        const int slant = static_cast<int>(s);
        return direction == direction_right ? 22 - slant : 23 + slant;
    }
    if (walking) return direction == direction_right ? frame : 11 - frame;
    if (direction == direction_right) return type == type_player ? 15 : 14;
    return 12;
}

void reset_character(PLAYER& p, float x, float y) {
    static const int player_looks[category_count] = {0, 0, 1, 1, 1};
    static const int partner_looks[category_count] = {2, 2, 1, 1, 0};
    p.x = x;
    p.y = y;
    p.xspeed = 0;
    p.yspeed = 0;
    p.onground = true;
    p.took_off = false;
    p.walking = false;
    p.direction = direction_right;
    p.frame = 0;
    for (int c = 0; c < category_count; c++) p.look[c] = p.type == type_partner ? partner_looks[c] : player_looks[c];
}

PLAYER::PLAYER(float x, float y, const char* datafile, int type) : type(type) {
    reset_character(*this, x, y);
    const int w = type == type_player ? player_strip_frames : partner_strip_frames;
    std::vector<RLE_SPRITE*>& store = type == type_player ? bmain : bvela;

    DATAFILE* dat = load_checked_datafile(datafile);
    if (dat == nullptr || !usable_datafile(dat, w)) {
        // Without its 16 strips the character cannot be drawn: it is left without frames,
        // and main sees has_frames() false and stops.
        unload_datafile(dat);
        char text[300];
        std::snprintf(text, sizeof text, "error loading %s", datafile);
        start_failure(text);
        return;
    }

    for (int n = 0; n < strips; n++) {
        BITMAP* strip = create_bitmap(w * frame_w, frame_h);
        clear_to_color(strip, bitmap_mask_color(strip));
        draw_rle_sprite(strip, static_cast<RLE_SPRITE*>(dat[n].dat), 0, 0);
        for (int k = 0; k < w; k++) {
            BITMAP* cell = create_sub_bitmap(strip, frame_w * k, 0, frame_w, frame_h);
            store.push_back(get_rle_sprite(cell));
            if (type == type_player) maskbmain.push_back(create_allegro_pmask(cell));
            destroy_bitmap(cell);
        }
        destroy_bitmap(strip);
    }
    unload_datafile(dat);
}

bool PLAYER::has_frames() const {
    if (type == type_player) return bmain.size() >= 16u * player_strip_frames && maskbmain.size() >= 16u * player_strip_frames;
    if (type == type_partner) return bvela.size() >= 16u * partner_strip_frames;
    return false;
}

RLE_SPRITE* PLAYER::give_frame(int n) {
    static RLE_SPRITE* realframe = nullptr; // one for both characters: the last frame chosen
    if (direction != direction_right && direction != direction_left) return realframe;
    const int k = character_column(type, onground, walking, frame, direction, yspeed);
    if (type == type_player)
        realframe = bmain[static_cast<size_t>(n * player_strip_frames + k)];
    else
        realframe = bvela[static_cast<size_t>(n * partner_strip_frames + k)];
    return realframe;
}

PMASK* PLAYER::give_pmask() {
    static PMASK* realframe = nullptr; // one for both characters: the last frame chosen
    if (direction != direction_right && direction != direction_left) return realframe;
    // The player's rule for object 0: the mask of the body frame give_frame(0) shows.
    realframe = maskbmain[static_cast<size_t>(character_column(type_player, onground, walking, frame, direction, yspeed))];
    return realframe;
}

void PLAYER::addframe() {
    if (!walking) return;
    frame++;
    if (frame > 5) frame = 0;
    if (onground) {
        if (frame == 0) play_effect_at(shoe[0], screen_column());
        if (frame == 3) play_effect_at(shoe[1], screen_column());
    }
}

int PLAYER::screen_column() const { return static_cast<int>(x) + frame_w / 2 - iThex; }

void PLAYER::draw(BITMAP* target, bool at_origin) {
    int px = 0;
    int py = 0;
    if (!at_origin) {
        // The picture stands 4 pixels below the position the collision tests use.
        px = static_cast<int>(x);
        py = static_cast<int>(y + 4.0);
    }
    draw_rle_sprite(target, give_frame(0), px, py);
    for (int c = 0; c < category_count; c++) draw_rle_sprite(target, give_frame(1 + 3 * c + look[c]), px, py);
}

void release_character_frames() {
    for (RLE_SPRITE* s : bmain) destroy_rle_sprite(s);
    for (RLE_SPRITE* s : bvela) destroy_rle_sprite(s);
    for (PMASK* m : maskbmain) destroy_pmask(m);
    bmain.clear();
    bvela.clear();
    maskbmain.clear();
}
