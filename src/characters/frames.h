// The frame layout that give_frame and give_pmask share: strip widths and the column
// rule (walking, standing, and the player's slant columns in the air).
#ifndef OSA_CHARACTERS_FRAMES_H
#define OSA_CHARACTERS_FRAMES_H

constexpr int player_strip_frames = 28;  // W for type 2 ("dat/mora.dat")
constexpr int partner_strip_frames = 16; // W for type 3 ("dat/vela.dat")

// Column k (0..W-1) of a strip that fits the state, for direction 1 or 2:
// type 2 in the air (onground false): 22 - slant (direction 1) or 23 + slant (direction 2);
// walking: frame or 11 - frame; standing: 15 (type 2) or 14 (type 3) facing right, 12 left.
int character_column(int type, bool onground, bool walking, int frame, int direction, float yspeed);

#endif
