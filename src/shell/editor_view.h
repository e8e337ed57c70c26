// What the editor shows: the map drawn with the district's tiles at the game's scale around the
// cursor, or the whole map at reduced size (the overview); the shops the proof found shut off
// outlined in red; a route over the map; the palette bar and the status line.
#ifndef OSA_SHELL_EDITOR_VIEW_H
#define OSA_SHELL_EDITOR_VIEW_H

#include <string>
#include <vector>

#include "authoring/level_map.h"
#include "authoring/proof_report.h"
#include "core/state.h"
#include "editor/editor.h"

struct BITMAP;
class PLAYER;

// The parts of the game's picture (view_w x view_h): the map on top, the palette bar below it,
// the status at the bottom: two lines, or more where its words need them (the palette bar then
// stands higher and the map is shorter; EDITOR_VIEW::map_h).
constexpr int editor_status_h = 22;
constexpr int editor_palette_h = 26;
constexpr int editor_map_h = view_h - editor_palette_h - editor_status_h;
constexpr int editor_palette_slot = 18;  // pixels across per palette entry

// The view's state and what it keeps to draw quickly. Make it with make_editor_view, release it
// with free_editor_view.
struct EDITOR_VIEW {
    int cam_x = 0, cam_y = 0;  // world pixel at the map area's top-left corner
    bool overview = false;     // the whole map at reduced size (Tab)
    bool show_route = false;   // the routes to and from the shop under the cursor (R)
    PROOF proof;               // the newest proof the level tool finished
    long proof_revision = -1;  // the map's revision it belongs to (-1: none yet)
    std::string proof_error;   // the tool could not give one: why
    bool searching = false;    // a search of a newer map runs
    std::string note;          // the last word to the player (a refusal, "Saved"), as shown
    int map_h = editor_map_h;  // the map's height as last drawn: above the palette bar
    // Kept for drawing: the tile of each cell (remade when the map's revision changes), the
    // pictures of the palette's cells and of the two characters, each tile's mean colour.
    long cells_revision = -1;
    level_cells cells;
    std::vector<BITMAP*> icons;
    BITMAP* figures[2] = {nullptr, nullptr};
    std::vector<int> tile_colour;
};

// Makes the view's pictures from the tiles in play (the district's), the shops and the two
// characters at their starts. False when a picture cannot be made (out of memory).
bool make_editor_view(EDITOR_VIEW& v, PLAYER& mora, PLAYER& vela);
void free_editor_view(EDITOR_VIEW& v);

// The proof's line on the status, in the language in force: "Playable: every shop reachable,
// first mission's tour 31.9 s", the shops that cannot be reached or left, the map's first fault
// (shown_fault), or that the search runs.
std::string proof_status(const EDITOR& e, const EDITOR_VIEW& v);

// Draws the editor into target (view_w x view_h), moving the camera to keep the cursor in sight;
// the status's lines wrap to the picture's width.
void draw_editor(BITMAP* target, const EDITOR& e, EDITOR_VIEW& v);

// The map cell under the picture's pixel (x, y), as the view last drew it: false when the pixel
// is not over the map.
bool editor_cell_at(const EDITOR& e, const EDITOR_VIEW& v, int x, int y, int* c, int* r);
// The palette entry under (x, y), as the view last drew the palette bar, or -1.
int editor_palette_at(const EDITOR_VIEW& v, int x, int y);

#endif
