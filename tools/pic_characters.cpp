// The two characters, Mora (the player) and Vela (the partner): a small skeleton posed for every
// frame column the game shows, a body drawn on it, and the fifteen outfit layers drawn on the very
// same pose, so that every layer lies on the body in every frame. Proportions, palettes and the
// looks are data at the top of this file.
#include "pic_characters.h"

#include <cmath>
#include <vector>

#include "datafile.h"
#include "pic_common.h"

namespace pic {
namespace {

// ---------------------------------------------------------------------------------------------
// Palette. Every material is a ramp (lit, base, shaded); base colours must all differ, since the
// shading finds a material by its base colour.

// The outfits, one set of looks per category, shared by both characters (the shops sell them).
const ramp tee_white{0xF4F4EC, 0xD8DCE0, 0x9EA6B8};      // clothes 0: T-shirt
const ramp tee_stripe{0x6FD3E0, 0x3AA6C4, 0x26708E};     // clothes 0: its stripe and sleeves
const ramp jeans{0x6A8EE0, 0x3F5FB8, 0x2A3C80};          // clothes 0: jeans
const ramp dress_red{0xFF7A7A, 0xD83A4A, 0x8E1F36};      // clothes 1: the dress
const ramp top_green{0x9FE08A, 0x4FAE5A, 0x2C7044};      // clothes 2: long-sleeved top
const ramp skirt_purple{0xB58AE8, 0x7A4FC0, 0x4A2E84};   // clothes 2: mini skirt
const ramp sneaker_red{0xFF8A6A, 0xE04A3A, 0x962A2A};    // shoes 0: sneakers, upper
const ramp sneaker_sole{0xFFFFFF, 0xECECEC, 0xB0B0B8};   // shoes 0: sneakers, sole
const ramp boot_brown{0xC08A50, 0x8E5A30, 0x5A3418};     // shoes 1: tall boots
const ramp heel_pink{0xFFB0E0, 0xF060B8, 0xA83080};      // shoes 2: high heels
const ramp clutch_gold{0xFFF0A0, 0xF0C840, 0xB08A20};    // handbag 0: clutch in the hand
const ramp satchel_tan{0xE0B080, 0xB8784A, 0x7E4A2A};    // handbag 1: shoulder bag
const ramp backpack_teal{0x80E8D0, 0x30B4A0, 0x1E7468};  // handbag 2: backpack
const int strap_dark = 0x5A3A2A;
const int lips_nude = 0xE08A8A, lash = 0x2A1A2E;         // make-up 0
const int lips_red = 0xF01E3C, shadow_blue = 0x3A6AF8, blush = 0xFF7898;  // make-up 1
const int lips_plum = 0x9A2A8A, shadow_green = 0x3AC88A, earring_gold = 0xFFD84A;  // make-up 2

// A character: proportions and body palette, and the three hair colours with their accents.
struct figure {
    float thigh, shin, torso, neck;    // bone lengths in pixels
    float head_rx, head_ry;            // head radii
    float upper_arm, forearm;
    float leg_r, arm_r, hip_r, chest_r;  // thicknesses (radii)
    ramp skin, skin_far;               // skin, and the darker skin of the far limbs
    ramp under;                        // the plain leotard of the bare body
    int eye;
    ramp hair[3];                      // hair colour of looks 0, 1, 2
    int hair_accent[3];                // scrunchie, hair band or flower of each look
    int frames;                        // strip width in frames
    int stand_right;                   // column of standing, facing right
};

const figure mora{
    10.5f, 10.0f, 13.5f, 1.5f, 5.2f, 5.6f, 7.5f, 7.0f, 1.7f, 1.2f, 3.6f, 3.2f,
    {0xFFE0C8, 0xF2C0A0, 0xC88A70}, {0xE0A888, 0xCC9478, 0x9E6450},
    {0xB8B8C8, 0x8A8AA0, 0x5E5E78}, 0x2A1A2E,
    {{0xB0704A, 0x7E4628, 0x52280E},   // chestnut
     {0xF07840, 0xC84A1E, 0x84280E},   // copper red
     {0x7A6496, 0x4E3E66, 0x30263E}},  // black-violet
    {0xF04A8A, 0x40C060, 0xFF90D0},
    28, 15};

const figure vela{
    11.5f, 11.5f, 14.5f, 2.0f, 4.8f, 5.4f, 8.0f, 7.5f, 1.5f, 1.1f, 3.3f, 2.9f,
    {0xD8A070, 0xB87A4E, 0x885030}, {0xA87048, 0x946038, 0x6A4024},
    {0xB8B8C8, 0x8A8AA1, 0x5E5E78}, 0x1A0E0A,
    {{0xFFF0A0, 0xF0D050, 0xB89030},   // golden blonde
     {0xFFC0A0, 0xF08A6A, 0xB05A48},   // strawberry
     {0xFFFFFF, 0xE0E0EE, 0xA8A8C0}},  // platinum
    {0x4A7AF0, 0xF04A8A, 0xE8203A},
    16, 14};

constexpr float pi = 3.14159265f;

// ---------------------------------------------------------------------------------------------
// The pose: joint positions of a figure facing right, in frame pixels. Limb index 0 is the far
// limb (behind the body), 1 the near one.
struct point {
    float x, y;
};
struct pose {
    point hip, shoulder, head;
    point knee[2], ankle[2], toe[2];
    point elbow[2], hand[2];
    float lean;      // torso lean forward, radians
    float hair_swing;  // how far loose hair lags behind, pixels
};

point along(point p, float len, float angle) {  // angle from straight down, forward positive
    return {p.x + len * std::sin(angle), p.y + len * std::cos(angle)};
}

// Leg angles: thigh angle from vertical (forward positive) and knee bend; arm angles likewise
// with the elbow bending forward.
struct limb_angles {
    float thigh[2], knee[2], arm[2], elbow[2], foot[2];
};

pose make_pose(const figure& f, const limb_angles& a, float hip_y, float lean) {
    pose p{};
    p.lean = lean;
    p.hip = {15.5f, hip_y};
    p.shoulder = along(p.hip, f.torso, pi + lean);  // straight up, leaning forward
    point neck_top = along(p.shoulder, f.neck, pi + lean * 1.2f);
    p.head = {neck_top.x + 0.6f, neck_top.y - f.head_ry + 0.6f};
    for (int i = 0; i < 2; i++) {
        p.knee[i] = along(p.hip, f.thigh, a.thigh[i]);
        p.ankle[i] = along(p.knee[i], f.shin, a.thigh[i] - a.knee[i]);
        p.toe[i] = {p.ankle[i].x + 3.6f * std::cos(a.foot[i]), p.ankle[i].y + 3.6f * std::sin(a.foot[i])};
        point sh = {p.shoulder.x - 0.6f, p.shoulder.y + 1.6f};
        p.elbow[i] = along(sh, f.upper_arm, a.arm[i]);
        p.hand[i] = along(p.elbow[i], f.forearm, a.arm[i] + a.elbow[i]);
    }
    p.hair_swing = 0;
    return p;
}

void translate(pose& p, float dy) {
    point* pts[] = {&p.hip, &p.shoulder, &p.head, &p.knee[0], &p.knee[1], &p.ankle[0], &p.ankle[1],
                    &p.toe[0], &p.toe[1], &p.elbow[0], &p.elbow[1], &p.hand[0], &p.hand[1]};
    for (point* q : pts) q->y += dy;
}

// The walk: six phases; the near leg's thigh swings as cos, the far leg opposite; a leg bends
// its knee while it swings forward; the arms swing against the legs.
limb_angles walk_angles(int phase) {
    limb_angles a{};
    for (int i = 0; i < 2; i++) {
        float t = 2 * pi * static_cast<float>(phase) / 6.0f + (i == 1 ? 0.0f : pi);
        a.thigh[i] = 0.42f * std::cos(t);
        float swing = -std::sin(t);  // positive while the leg moves forward
        a.knee[i] = 0.08f + (swing > 0 ? 0.95f * swing : 0.0f);
        a.foot[i] = swing > 0.3f ? 0.35f * swing : 0.0f;
        a.arm[i] = -0.45f * std::cos(t);
        a.elbow[i] = 0.25f + (a.arm[i] > 0 ? 0.5f * a.arm[i] : 0.0f);
    }
    return a;
}

limb_angles stand_angles() {
    limb_angles a{};
    a.thigh[0] = -0.06f;
    a.thigh[1] = 0.06f;
    a.knee[0] = a.knee[1] = 0.05f;
    a.arm[0] = -0.08f;
    a.arm[1] = 0.06f;
    a.elbow[0] = a.elbow[1] = 0.15f;
    return a;
}

// In the air: the pose grows with the slant s (0 near the top of the jump, 4 fast): the front
// knee comes up, the back leg trails, the arms rise.
limb_angles air_angles(int s) {
    float t = static_cast<float>(s) / 4.0f;
    limb_angles a{};
    a.thigh[1] = 0.25f + 0.85f * t;
    a.knee[1] = 0.35f + 1.15f * t;
    a.foot[1] = 0.5f * t;
    a.thigh[0] = -0.15f - 0.3f * t;
    a.knee[0] = 0.35f + 0.55f * t;
    a.foot[0] = 0.3f + 0.5f * t;
    a.arm[1] = 0.6f + 1.5f * t;
    a.elbow[1] = 0.3f;
    a.arm[0] = -0.5f - 0.8f * t;
    a.elbow[0] = 0.4f;
    return a;
}

// ---------------------------------------------------------------------------------------------
// Drawing the parts on a pose, facing right, flat base colours (light and outline come after).

void draw_leg(BITMAP* b, const figure& f, const pose& p, int i, int c) {
    limb(b, p.hip.x, p.hip.y, p.knee[i].x, p.knee[i].y, f.leg_r + 0.2f, c);
    limb(b, p.knee[i].x, p.knee[i].y, p.ankle[i].x, p.ankle[i].y, f.leg_r - 0.2f, c);
    limb(b, p.ankle[i].x - 0.8f, p.ankle[i].y + 0.6f, p.toe[i].x, p.toe[i].y + 0.6f, 1.2f, c);
}
void draw_arm(BITMAP* b, const figure& f, const pose& p, int i, int c) {
    point sh = {p.shoulder.x - 0.6f, p.shoulder.y + 1.6f};
    limb(b, sh.x, sh.y, p.elbow[i].x, p.elbow[i].y, f.arm_r + 0.2f, c);
    limb(b, p.elbow[i].x, p.elbow[i].y, p.hand[i].x, p.hand[i].y, f.arm_r, c);
    blob(b, p.hand[i].x, p.hand[i].y, 1.3f, 1.3f, c);
}
void draw_torso(BITMAP* b, const figure& f, const pose& p, int c) {
    point waist = along(p.hip, f.torso * 0.45f, pi + p.lean);
    blob(b, p.hip.x - 0.3f, p.hip.y - 0.5f, f.hip_r, f.hip_r * 0.9f, c);
    limb(b, p.hip.x, p.hip.y - 1, waist.x, waist.y, f.hip_r - 0.9f, c);
    limb(b, waist.x, waist.y, p.shoulder.x, p.shoulder.y + 2.5f, f.chest_r, c);
    blob(b, p.shoulder.x + 1.6f, p.shoulder.y + 4.2f, 2.0f, 1.8f, c);  // bust
}
void draw_head(BITMAP* b, const figure& f, const pose& p, int c) {
    limb(b, p.shoulder.x, p.shoulder.y + 1, p.head.x - 0.3f, p.head.y + f.head_ry - 1, 1.3f, c);
    blob(b, p.head.x, p.head.y, f.head_rx, f.head_ry, c);
    // Profile: a small nose and a rounder chin on the front.
    put(b, static_cast<int>(p.head.x + f.head_rx), static_cast<int>(p.head.y + 0.8f), c);
    blob(b, p.head.x + 1.6f, p.head.y + f.head_ry - 1.8f, 2.8f, 1.9f, c);
}
// The face's features, in pixels of a head facing right.
int eye_x(const figure& f, const pose& p) { return static_cast<int>(p.head.x + f.head_rx - 2.4f); }
int eye_y(const pose& p) { return static_cast<int>(p.head.y - 0.3f); }
int brow_y(const pose& p) { return static_cast<int>(p.head.y - 1.6f); }  // hair ends above this row in front
int ear_x(const pose& p) { return static_cast<int>(p.head.x - 0.6f); }

void draw_body(BITMAP* b, const figure& f, const pose& p) {
    draw_arm(b, f, p, 0, f.skin_far.base);
    draw_leg(b, f, p, 0, f.skin_far.base);
    draw_torso(b, f, p, f.skin.base);
    draw_leg(b, f, p, 1, f.skin.base);
    // the leotard: hips and chest
    blob(b, p.hip.x - 0.3f, p.hip.y - 0.5f, f.hip_r, f.hip_r * 0.9f, f.under.base);
    limb(b, p.hip.x, p.hip.y - 1, p.shoulder.x, p.shoulder.y + 3, f.chest_r - 0.4f, f.under.base);
    draw_head(b, f, p, f.skin.base);
    int ex = eye_x(f, p), ey = eye_y(p);
    put(b, ex, ey, f.eye);
    put(b, ex, ey + 1, f.eye);
    put(b, ex + 1, ey + 1, 0xFFFFFF);  // the white of the eye, towards the front
    put(b, ex - 1, ey - 2, scale(f.hair[0].lo, 200));  // brow
    put(b, ex, ey - 2, scale(f.hair[0].lo, 200));
    put(b, ear_x(p), static_cast<int>(p.head.y + 0.8f), f.skin.lo);
    put(b, ear_x(p), static_cast<int>(p.head.y + 1.8f), f.skin.lo);
    draw_arm(b, f, p, 1, f.skin.base);
}

void erase_near_arm(BITMAP* b, const figure& f, const pose& p) { draw_arm(b, f, p, 1, magenta); }
void erase_near_leg(BITMAP* b, const figure& f, const pose& p) { draw_leg(b, f, p, 1, magenta); }

void draw_makeup(BITMAP* b, const figure& f, const pose& p, int look) {
    int ex = eye_x(f, p), ey = eye_y(p);
    int lx = static_cast<int>(p.head.x + f.head_rx - 0.3f), ly = static_cast<int>(p.head.y + f.head_ry - 2.3f);
    switch (look) {
        case 0:  // natural: soft lips and lashes
            put(b, lx, ly, lips_nude);
            put(b, ex + 1, ey - 1, lash);
            break;
        case 1:  // glamour: red lips, blue lids, rosy cheek
            put(b, lx, ly, lips_red);
            put(b, lx - 1, ly, lips_red);
            put(b, ex, ey - 1, shadow_blue);
            put(b, ex - 1, ey - 1, shadow_blue);
            put(b, ex + 1, ey - 1, lash);
            put(b, ex - 1, ey + 2, blush);
            put(b, ex, ey + 2, blush);
            put(b, ex - 1, ey + 3, blush);
            break;
        default: {  // party: plum lips, green winged lids, a gold hoop earring
            put(b, lx, ly, lips_plum);
            put(b, lx - 1, ly, lips_plum);
            put(b, lx, ly + 1, lips_plum);
            put(b, ex, ey - 1, shadow_green);
            put(b, ex - 1, ey - 1, shadow_green);
            put(b, ex - 2, ey - 2, shadow_green);
            put(b, ex + 1, ey - 1, lash);
            put(b, ex + 2, ey - 2, lash);
            int rx = ear_x(p) + 1, ry = static_cast<int>(p.head.y + 2.8f);  // a hoop, 3 x 4
            put(b, rx, ry, earring_gold);
            put(b, rx - 1, ry + 1, earring_gold);
            put(b, rx + 1, ry + 1, earring_gold);
            put(b, rx - 1, ry + 2, earring_gold);
            put(b, rx + 1, ry + 2, earring_gold);
            put(b, rx, ry + 3, earring_gold);
            break;
        }
    }
}

// The part of the hair every look shares: over the top of the head and down its back half,
// leaving the face free below the brow.
void hair_cap(BITMAP* b, const figure& f, const pose& p, int c, float back_depth) {
    float hx = p.head.x, hy = p.head.y;
    float cx = hx - 0.5f, cy = hy - 0.7f, rx = f.head_rx + 1.0f, ry = f.head_ry + 0.5f;
    int by = brow_y(p);
    for (int y = static_cast<int>(cy - ry - 1); y <= static_cast<int>(cy + ry + 1); y++)
        for (int x = static_cast<int>(cx - rx - 1); x <= static_cast<int>(cx + rx + 1); x++) {
            float dx = (static_cast<float>(x) + 0.5f - cx) / rx, dy = (static_cast<float>(y) + 0.5f - cy) / ry;
            if (dx * dx + dy * dy > 1.0f) continue;
            bool front_face = y >= by && static_cast<float>(x) >= hx - 0.6f;
            bool below = static_cast<float>(y) > hy + back_depth;
            if (!front_face && !below) put(b, x, y, c);
        }
}

void draw_hair(BITMAP* b, const figure& f, const pose& p, int look) {
    int c = f.hair[look].base, acc = f.hair_accent[look];
    float hx = p.head.x, hy = p.head.y, rx = f.head_rx, ry = f.head_ry;
    int by = brow_y(p);
    switch (look) {
        case 0: {  // bob: the back down to the jaw, a full fringe, a hair band
            hair_cap(b, f, p, c, ry - 1.0f);
            box(b, static_cast<int>(hx - 0.6f), by, static_cast<int>(rx + 1.2f), 1, c);  // fringe
            put(b, static_cast<int>(hx + rx - 0.5f), by + 1, c);
            box(b, static_cast<int>(hx - rx + 0.5f), static_cast<int>(hy + ry - 2.0f), static_cast<int>(rx) - 1, 2, c);
            for (int i = 0; i < 4; i++) put(b, static_cast<int>(hx - 1.5f) + i, static_cast<int>(hy - ry - 0.5f) + (i == 0 || i == 3 ? 1 : 0), acc);
            break;
        }
        case 1: {  // high ponytail with a scrunchie, swinging behind
            hair_cap(b, f, p, c, 0.5f);
            put(b, static_cast<int>(hx + 1), by, c);
            put(b, static_cast<int>(hx + 2), by, c);
            float tx = hx - rx + 0.2f, ty = hy - ry + 1.8f, sw = p.hair_swing;
            limb(b, tx, ty, tx - 3.0f - sw, ty + 3.5f, 1.7f, c);
            limb(b, tx - 3.0f - sw, ty + 3.5f, tx - 2.2f - sw * 1.6f, ty + 10.0f, 1.3f, c);
            box(b, static_cast<int>(tx - 1.2f), static_cast<int>(ty - 1.0f), 2, 3, acc);
            break;
        }
        default: {  // long straight hair down the back, with a flower
            hair_cap(b, f, p, c, 99.0f);
            float sw = p.hair_swing;
            limb(b, hx - 2.2f, hy, hx - 2.8f - sw, hy + 11.0f, 2.5f, c);
            limb(b, hx - 0.8f, hy, hx - 1.0f - sw * 0.5f, hy + 8.0f, 1.2f, c);
            put(b, static_cast<int>(hx + 1), by, c);
            int fx = static_cast<int>(hx + 0.5f), fy = static_cast<int>(hy - ry - 0.3f);
            put(b, fx, fy, acc);
            put(b, fx - 1, fy + 1, acc);
            put(b, fx + 1, fy + 1, acc);
            put(b, fx, fy + 2, acc);
            put(b, fx, fy + 1, 0xFFF070);
            break;
        }
    }
}

void draw_clothes(BITMAP* b, const figure& f, const pose& p, int look) {
    switch (look) {
        case 0: {  // striped T-shirt and jeans
            draw_leg(b, f, p, 0, jeans.lo);  // the far leg in the shaded tone
            erase_near_leg(b, f, p);
            draw_leg(b, f, p, 1, jeans.base);
            // cut the feet free again (jeans end at the ankle)
            for (int i = 0; i < 2; i++)
                limb(b, p.ankle[i].x - 0.8f, p.ankle[i].y + 0.6f, p.toe[i].x, p.toe[i].y + 0.6f, 1.3f, magenta);
            blob(b, p.hip.x - 0.3f, p.hip.y - 0.5f, f.hip_r + 0.3f, f.hip_r * 0.9f + 0.3f, jeans.base);
            draw_torso(b, f, p, tee_white.base);
            point waist = along(p.hip, f.torso * 0.55f, pi + p.lean);
            limb(b, waist.x - 3, waist.y, waist.x + 3.5f, waist.y, 0.6f, tee_stripe.base);
            erase_near_arm(b, f, p);
            point sh = {p.shoulder.x - 0.6f, p.shoulder.y + 1.6f};
            limb(b, sh.x, sh.y, sh.x + (p.elbow[1].x - sh.x) * 0.45f, sh.y + (p.elbow[1].y - sh.y) * 0.45f,
                 f.arm_r + 0.9f, tee_stripe.base);
            break;
        }
        case 1: {  // red dress, sleeveless, flaring to the knee
            point waist = along(p.hip, f.torso * 0.4f, pi + p.lean);
            draw_torso(b, f, p, dress_red.base);
            // the skirt: a trapezoid from the waist to just above the knees
            float ky = (p.knee[0].y + p.knee[1].y) * 0.5f - 1.5f;
            float kx0 = std::fmin(p.knee[0].x, p.knee[1].x) - 2.5f, kx1 = std::fmax(p.knee[0].x, p.knee[1].x) + 2.5f;
            for (int y = static_cast<int>(waist.y); y <= static_cast<int>(ky); y++) {
                float t = (static_cast<float>(y) - waist.y) / (ky - waist.y);
                float x0 = waist.x - 3.2f + (kx0 - (waist.x - 3.2f)) * t;
                float x1 = waist.x + 3.0f + (kx1 - (waist.x + 3.0f)) * t;
                for (int x = static_cast<int>(x0 + 0.5f); x <= static_cast<int>(x1); x++) put(b, x, y, dress_red.base);
            }
            limb(b, waist.x - 3, waist.y, waist.x + 3.5f, waist.y, 0.5f, dress_red.lo);
            erase_near_arm(b, f, p);
            break;
        }
        default: {  // green long-sleeved top and purple mini skirt
            draw_arm(b, f, p, 0, top_green.lo);
            blob(b, p.hand[0].x, p.hand[0].y, 1.4f, 1.4f, magenta);
            draw_torso(b, f, p, top_green.base);
            point waist = along(p.hip, f.torso * 0.35f, pi + p.lean);
            float ky = p.hip.y + 4.0f;
            for (int y = static_cast<int>(waist.y); y <= static_cast<int>(ky); y++) {
                float t = (static_cast<float>(y) - waist.y) / (ky - waist.y);
                float x0 = waist.x - 3.4f - 1.2f * t, x1 = waist.x + 3.2f + 1.4f * t;
                for (int x = static_cast<int>(x0 + 0.5f); x <= static_cast<int>(x1); x++) put(b, x, y, skirt_purple.base);
            }
            draw_arm(b, f, p, 1, top_green.base);
            blob(b, p.hand[1].x, p.hand[1].y, 1.4f, 1.4f, magenta);
            break;
        }
    }
}

void draw_shoes(BITMAP* b, const figure& f, const pose& p, int look) {
    for (int i = 0; i < 2; i++) {
        if (i == 1) erase_near_leg(b, f, p);
        point a = p.ankle[i], t = p.toe[i];
        switch (look) {
            case 0:  // chunky sneakers: red upper, white sole
                limb(b, a.x - 1.0f, a.y + 0.2f, t.x + 0.3f, t.y + 0.2f, 1.5f, i ? sneaker_red.base : sneaker_red.lo);
                limb(b, a.x - 1.4f, a.y + 1.2f, t.x + 0.6f, t.y + 1.2f, 0.7f, i ? sneaker_sole.base : sneaker_sole.lo);
                break;
            case 1:  // knee-high boots
                limb(b, p.knee[i].x, p.knee[i].y + 1.2f, a.x, a.y, f.leg_r + 0.3f, i ? boot_brown.base : boot_brown.lo);
                limb(b, a.x - 1.0f, a.y + 0.6f, t.x + 0.2f, t.y + 0.6f, 1.3f, i ? boot_brown.base : boot_brown.lo);
                limb(b, p.knee[i].x - 1.8f, p.knee[i].y + 1.0f, p.knee[i].x + 1.8f, p.knee[i].y + 1.0f, 0.6f, boot_brown.hi);
                break;
            default:  // high heels: pink pumps with a strap and a heel
                limb(b, a.x + 0.2f, a.y + 0.7f, t.x + 0.2f, t.y + 0.7f, 1.1f, i ? heel_pink.base : heel_pink.lo);
                limb(b, a.x - 1.2f, a.y - 0.8f, a.x + 1.2f, a.y - 0.8f, 0.5f, i ? heel_pink.base : heel_pink.lo);
                limb(b, a.x - 1.2f, a.y + 0.6f, a.x - 1.2f, a.y + 1.6f, 0.5f, heel_pink.lo);
                break;
        }
    }
    // Nothing below the bare foot's sole: the feet end where the body's feet end.
}

void draw_handbag(BITMAP* b, const figure& f, const pose& p, int look) {
    point h = p.hand[1];
    point sh = {p.shoulder.x - 0.6f, p.shoulder.y + 1.6f};
    switch (look) {
        case 0:  // a small gold clutch held in the near hand
            box(b, static_cast<int>(h.x - 2.5f), static_cast<int>(h.y + 0.5f), 5, 3, clutch_gold.base);
            put(b, static_cast<int>(h.x), static_cast<int>(h.y + 1.5f), clutch_gold.lo);
            break;
        case 1: {  // a shoulder bag: strap over the shoulder, bag at the hip
            float bx = p.hip.x - 4.5f + p.hair_swing * 0.3f, by = p.hip.y - 2.0f;
            limb(b, sh.x + 1.0f, sh.y - 1.2f, bx + 2.5f, by, 0.5f, strap_dark);
            box(b, static_cast<int>(bx), static_cast<int>(by), 6, 5, satchel_tan.base);
            box(b, static_cast<int>(bx), static_cast<int>(by), 6, 2, satchel_tan.lo);
            put(b, static_cast<int>(bx + 3), static_cast<int>(by + 2), clutch_gold.base);
            break;
        }
        default: {  // a backpack on the back
            point back = along(p.hip, f.torso * 0.62f, pi + p.lean);
            float bx = back.x - f.chest_r - 4.2f, by = back.y - 3.5f;
            box(b, static_cast<int>(bx), static_cast<int>(by), 5, 9, backpack_teal.base);
            box(b, static_cast<int>(bx + 1), static_cast<int>(by + 5), 3, 3, backpack_teal.lo);
            limb(b, sh.x - 1.5f, sh.y - 1.0f, sh.x + 1.2f, sh.y + 3.0f, 0.5f, strap_dark);
            break;
        }
    }
}

// All ramps whose base colour appears flat in the drawings, for the shading pass.
std::vector<ramp> ramps_of(const figure& f) {
    std::vector<ramp> r = {f.skin, f.skin_far, f.under, tee_white, tee_stripe, jeans, dress_red, top_green,
                           skirt_purple, sneaker_red, sneaker_sole, boot_brown, heel_pink, clutch_gold,
                           satchel_tan, backpack_teal};
    for (const ramp& h : f.hair) r.push_back(h);
    return r;
}

// Draws object n (0 body, 1 + 3c + l a layer) on pose p into a fresh 32 x 64 frame bitmap,
// facing right or (left) mirrored, then light and outline.
void render(BITMAP* fr, const figure& f, const pose& p, int n, bool left, int sole_row = 59) {
    clear_to_color(fr, magenta);
    if (n == 0) {
        draw_body(fr, f, p);
    } else {
        int c = (n - 1) / 3, l = (n - 1) % 3;
        switch (c) {
            case 0: draw_makeup(fr, f, p, l); break;
            case 1: draw_hair(fr, f, p, l); break;
            case 2: draw_clothes(fr, f, p, l); break;
            case 3: draw_shoes(fr, f, p, l); break;
            default: draw_handbag(fr, f, p, l); break;
        }
    }
    if (left) mirror(fr, 0, 0, 32, 64);
    for (const ramp& r : ramps_of(f)) shade(fr, r, 0, 0, 32, 64);
    if (n == 0 || n > 3) outline(fr, outline_dark, 0, 0, 32, 64);
    // The body is the player's collision mask: close any gap enclosed between the limbs.
    if (n == 0) fill_holes(fr, outline_dark, 0, 0, 32, 64);
    // Nothing below the sole row: the feet end on row 59, where the body's own feet end.
    if (n != 0) box(fr, 0, sole_row + 1, 32, 63 - sole_row, magenta);
}

int lowest_row(BITMAP* b) {
    for (int y = b->h - 1; y >= 0; y--)
        for (int x = 0; x < b->w; x++)
            if (get(b, x, y) != magenta) return y;
    return -1;
}

// The pose of column k of the figure's strip, or false for a column that is never shown.
bool pose_of(const figure& f, int k, pose& out, bool& left) {
    const float base_hip = 36.0f;
    limb_angles a{};
    float lean = 0.0f;
    bool grounded = true;
    float swing = 0.0f;
    if (k <= 11) {
        int phase = k <= 5 ? k : 11 - k;
        left = k >= 6;
        a = walk_angles(phase);
        lean = 0.06f;
        swing = 0.8f + 0.5f * std::sin(2 * pi * static_cast<float>(phase) / 6.0f);
    } else if (k == 12 || k == f.stand_right) {
        left = k == 12;
        a = stand_angles();
    } else if (f.frames == 28 && k >= 18) {
        int s = k <= 22 ? 22 - k : k - 23;
        left = k >= 23;
        a = air_angles(s);
        lean = 0.05f + 0.04f * static_cast<float>(s);
        grounded = false;
        swing = -0.5f * static_cast<float>(s);
    } else {
        return false;
    }
    out = make_pose(f, a, base_hip, lean);
    out.hair_swing = swing;
    // Stand the figure on row 59: grounded poses move until the lowest pixel of the body is on
    // it; poses in the air keep the standing hip height, so the head does not jump.
    BITMAP* tmp = new_bitmap(32, 64);
    pose ref = grounded ? out : make_pose(f, stand_angles(), base_hip, 0.0f);
    render(tmp, f, ref, 0, false);
    translate(out, static_cast<float>(59 - lowest_row(tmp)));
    destroy_bitmap(tmp);
    return true;
}

}  // namespace

BITMAP* character_strip(const figure_id who, int object) {
    const figure& f = who == figure_mora ? mora : vela;
    BITMAP* strip = new_bitmap(32 * f.frames, 64);
    BITMAP* fr = new_bitmap(32, 64);
    for (int k = 0; k < f.frames; k++) {
        pose p;
        bool left = false;
        if (!pose_of(f, k, p, left)) continue;
        // Layers end where the body's feet end (row 59 on the ground, higher in the air).
        render(fr, f, p, 0, left);
        int sole = lowest_row(fr);
        if (object != 0) render(fr, f, p, object, left, sole);
        blit(fr, strip, 0, 0, 32 * k, 0, 32, 64);
    }
    destroy_bitmap(fr);
    return strip;
}

int character_frames(const figure_id who) { return who == figure_mora ? mora.frames : vela.frames; }

bool write_characters(const std::string& out) {
    for (figure_id who : {figure_mora, figure_vela}) {
        std::vector<dat_object> objs;
        for (int n = 0; n < 16; n++) {
            BITMAP* s = character_strip(who, n);
            objs.push_back(rle_sprite_object(s));
            destroy_bitmap(s);
        }
        if (!write_datafile(out + (who == figure_mora ? "/mora.dat" : "/vela.dat"), objs)) return false;
    }
    return true;
}

}  // namespace pic
