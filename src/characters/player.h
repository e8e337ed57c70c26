// PLAYER, the one class of the game: the player character (type 2) and the partner (type 3).
// A character is a bare body with five outfit layers; frames are cut from a datafile of 16
// strips of 32 x 64 frames (object 0 the body, object 1 + 3c + l look l of category c).
#ifndef OSA_CHARACTERS_PLAYER_H
#define OSA_CHARACTERS_PLAYER_H

#include <vector>

#include "core/state.h"

struct BITMAP;
struct RLE_SPRITE;
struct PMASK;

extern std::vector<RLE_SPRITE*> bmain;  // the player's frames, 16 strips x 28 (filled by the constructor)
extern std::vector<RLE_SPRITE*> bvela;  // the partner's frames, 16 strips x 16
extern std::vector<PMASK*> maskbmain;   // one mask per player frame, same order as bmain

// Releases every frame and mask in bmain, bvela and maskbmain and empties the stores, so that
// characters can be built again (tests and benchmarks; the game keeps its frames to the end).
void release_character_frames();

// PLAYER::type: which character it is.
constexpr int type_player = 2;
constexpr int type_partner = 3;
// PLAYER::direction: where the character faces.
constexpr int direction_right = 1;
constexpr int direction_left = 2;
// Pixels per tick taken from yspeed when a jump starts; the frames in the air lean by the
// speed measured against it.
constexpr double jump_speed = 1.6;

class PLAYER {
public:
    float x;          // world x of the frame's left edge
    float y;          // world y of the frame's top edge as the collision tests place it
    float xspeed;     // pixels per logic tick, positive to the right
    float yspeed;     // pixels per logic tick, positive downwards
    bool onground;    // stands on a solid tile
    bool walking;     // moves sideways; the walk animation runs only while set
    int direction;    // direction_right or direction_left
    int frame;        // walk phase 0..5
    int look[category_count]; // look 0..2 per category: make-up, hair, clothes, shoes, handbag
    int type;         // type_player or type_partner
    // The last tick took off (the player's control): the ground test can still pass on the tick
    // after a take-off, which then starts the same jump again, and is heard once. Not part of the
    // run's state: it only keeps the jump's sample from playing twice.
    bool took_off = false;

    // Loads the datafile, cuts its 16 strips into frames (and, for the player, one mask per frame)
    // and frees it. A datafile that cannot be used is reported with start_failure() and leaves
    // the character without frames.
    PLAYER(float x, float y, const char* datafile, int type);

    // True when the character's store holds its 16 strips of frames (and, for type 2, their
    // masks), that is when the constructor found a usable datafile.
    bool has_frames() const;

    // The frame of datafile object n (0..15) that fits the present state.
    RLE_SPRITE* give_frame(int n);
    // The mask of the player's present body frame (type 2 only).
    PMASK* give_pmask();
    // One step of the walk animation, with footsteps on the ground.
    void addframe();
    // Draws body and the five layers: at the world position (picture 4 pixels lower) into
    // buffer, or at (0, 0) when at_origin is true (the change effect's bitmaps).
    void draw(BITMAP* target, bool at_origin);
    // The player's control (read_input: keyboard or gamepad) and physics for one logic tick;
    // nothing for the partner.
    void control();
    // The column of the game's picture where the character's middle is shown (outside 0 ..
    // view_w when the character is off the screen): where its sounds are heard.
    int screen_column() const;
};

// Puts p at (x, y) as the constructor leaves a character: standing, still, facing right, at the
// walk's first phase, in the starting looks of its type. A new run starts so.
void reset_character(PLAYER& p, float x, float y);

#endif
