// The level editor's model: the map as rows of legend characters, the cursor and the cell chosen
// to put, the edits with their refusals, undo and redo, growing and shrinking the map, and the
// starter map of a new district. Nothing here draws or reads the keyboard.
#ifndef OSA_EDITOR_EDITOR_H
#define OSA_EDITOR_EDITOR_H

#include <string>
#include <vector>

// The cells the palette offers, in its order: the walls, the open cells, the five shops.
constexpr const char* editor_palette = "#BS=c.fbnsio01234";
// Undo reaches back at least this many edits.
constexpr int undo_steps_kept = 200;

// One cell an edit changed.
struct EDIT_CELL {
    int c, r;
    char before, after;
};
// One edit, undone and redone whole: the cells it changed, or for a change of size the whole
// map before and after.
struct EDIT_STEP {
    std::vector<EDIT_CELL> cells;
    std::vector<std::string> rows_before, rows_after;  // both empty unless the size changed
};

// Why an edit was refused; none when it was made.
enum class REFUSAL { none, border, start, shop, limit };
// The word the status line shows for a refusal ("" for none), in English: in the catalogue, the
// editor shows it in the language in force (text_lookup).
const char* refusal_text(REFUSAL why);

struct EDITOR {
    std::vector<std::string> rows;  // rectangular; rows[r][c] is the cell at column c, row r
    int cx = 0, cy = 0;             // the cursor's cell
    char chosen = '#';              // what put_cell puts; one of editor_palette
    std::vector<EDIT_STEP> done;    // oldest first, at most undo_steps_kept
    std::vector<EDIT_STEP> undone;  // the edits undo took back, latest undone last
    long revision = 0;              // changes with every edit, undo and redo
    long saved_revision = 0;        // the revision last saved (or opened)

    int width() const { return rows.empty() ? 0 : static_cast<int>(rows[0].size()); }
    int height() const { return static_cast<int>(rows.size()); }
    char at(int c, int r) const;    // '#' outside the map
    bool unsaved() const { return revision != saved_revision; }
};

// A small map a new district starts from: closed by walls, the two starts where the game puts
// them, the five shops on the ground and a step, all reachable and left again.
std::vector<std::string> starter_map();

// Reads a map's text (the legend of levels/town.map, comments and empty lines skipped) into
// rows the editor can work on. False, with why in *error, when it holds no rows, is not
// rectangular, or is larger than a level can be.
bool editor_rows_from_text(const std::string& text, std::vector<std::string>* rows, std::string* error);
// The map's text as saved: a comment line naming the legend's home, then the rows.
std::string editor_map_text(const EDITOR& e);

// Starts editing rows: no history, nothing unsaved, the cursor on the player's start cell.
void open_editor(EDITOR& e, std::vector<std::string> rows);

// Moves the cursor by (dc, dr) cells, staying on the map.
void move_cursor(EDITOR& e, int dc, int dr);
// Moves the choice by delta places along editor_palette, round it.
void choose_next(EDITOR& e, int delta);

// Puts ch (a character of editor_palette) at the cursor and makes it the chosen cell. A shop is
// moved there: its old place is emptied, its picture's cells opened and the three below it made
// walls where they were not. Refused, with nothing changed: an open cell on the border, the two
// start cells, any cell of a shop's footprint (its 3 x 3 picture and the three floor cells
// below) but by that shop itself moving, a shop whose footprint would leave the map or cross the
// border, another shop's or a start. Putting what is there already changes nothing (no refusal).
REFUSAL put_cell(EDITOR& e, char ch);
// Empties the cell at the cursor ('.'), refused as put_cell refuses; a shop is never removed.
REFUSAL empty_cell(EDITOR& e);

// Grows (positive) or shrinks (negative) the map by one column at its right edge (dc) or one row
// at its bottom (dr); a new column or row is walls. Refused: past the level's limits (limit), a
// start or a shop's footprint in the line removed (start, shop), open cells on the line that
// would become the edge (border).
REFUSAL resize_map(EDITOR& e, int dc, int dr);

// Takes back the latest edit, or makes again the latest undone; false when there is none.
bool undo_edit(EDITOR& e);
bool redo_edit(EDITOR& e);

#endif
