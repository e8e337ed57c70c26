// The player character's control and physics for one logic tick: side and
// head tests against the tile map, the ground test, gravity, walking, jumping, the move,
// friction and the camera follow.
#include <allegro.h>

#include "characters/player.h"
#include "masks/pmask.h"
#include "core/assets.h"
#include "core/state.h"
#include "input/input.h"
#include "world/camera.h"
#include "world/level.h"

namespace {

// Physics constants, in double precision; the fields they change are float.
constexpr double gravity = 0.02;      // added to yspeed on each tick that ends off the ground
constexpr double acceleration = 0.07; // added to or taken from xspeed while an arrow key is held
constexpr double friction = 1.06;     // xspeed is divided by it at the end of every tick
constexpr int jump_volume = 128;      // the jump is heard at half the other samples' volume

// The map cell at tile column tx, row ty. A point outside the map array reads as an open cell,
// like the empty cells around the loaded level, rather than out of the array's bounds.
const TILE& cell_at(int tx, int ty) {
    static const TILE open_cell{};
    if (tx < 0 || tx >= map_columns || ty < 0 || ty >= map_rows) return open_cell;
    return iLevel[tx][ty];
}

// The side and head test points, relative to (xi, yi), and what a hit does, in the order they run.
struct side_test {
    int dx, dy;
    int push;     // added to x on a hit
    bool reflect_x; // true: xspeed = -xspeed, walking = false; false: yspeed = -yspeed
};
constexpr side_test side_tests[] = {
    {0, 0, 1, true},                // top left
    {0, 60, 1, true},               // bottom left
    {frame_w, 0, -1, true},         // top right
    {frame_w, 60, -1, true},        // bottom right
    {frame_w / 2, -4, 0, false},    // head
};

} // namespace

void PLAYER::control() {
    if (type != type_player) return;

    // Side and head tests: each takes the position as earlier pushes left it, and asks for the
    // mask afresh (a wall hit that clears walking turns the later tests' mask into a standing one).
    for (const side_test& t : side_tests) {
        const int xi = static_cast<int>(x);
        const int yi = static_cast<int>(y);
        const int tx = (xi + t.dx) / tile_size;
        const int ty = (yi + t.dy) / tile_size;
        const TILE& cell = cell_at(tx, ty);
        if (!cell.blWall) continue;
        if (!check_pmask_collision(give_pmask(), masktiles[static_cast<size_t>(cell.iTile)], xi, yi, tile_size * tx,
                                   tile_size * ty))
            continue;
        if (t.reflect_x) {
            x += t.push;
            xspeed = -xspeed;
            walking = false;
        } else {
            yspeed = -yspeed;
        }
    }

    // Ground test: a pixel hit in the cell of row (yi + 78) / tile_size, else the wall flag of the
    // cell that holds the pixel just below the frame's bottom row. The position is not corrected.
    {
        const int xi = static_cast<int>(x);
        const int yi = static_cast<int>(y);
        const int tx = (xi + frame_w / 2) / tile_size;
        const int deep_row = (yi + 78) / tile_size;
        const TILE& deep = cell_at(tx, deep_row);
        bool landed = false;
        if (deep.blWall &&
            check_pmask_collision(give_pmask(), masktiles[static_cast<size_t>(deep.iTile)], xi, yi, tile_size * tx,
                                  tile_size * deep_row))
            landed = true;
        else
            landed = cell_at(tx, (yi + frame_h) / tile_size).blWall;
        if (landed) {
            if (!onground) play_effect_at(land, screen_column());
            onground = true;
            yspeed = 0;
        } else {
            onground = false;
        }
    }

    if (!onground) yspeed += gravity;

    // Walking: Right wins when both directions are held.
    const INPUT_STATE in = read_input();
    if (in.right) {
        xspeed += acceleration;
        direction = direction_right;
        walking = true;
    } else if (in.left) {
        xspeed -= acceleration;
        direction = direction_left;
        walking = true;
    } else {
        walking = false;
    }

    const bool taking_off = onground && in.jump;
    if (taking_off) {
        yspeed -= jump_speed;
        if (!took_off) play_effect_at(jump, screen_column(), jump_volume);
    }
    took_off = taking_off;

    y += yspeed;
    x += xspeed;
    xspeed /= friction;

    camera_follow(x, y);
}
