// The level file, the tile map and the level-sized bitmaps.
#include "world/level.h"

#include <allegro.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "core/assets.h"
#include "core/datafile_check.h"
#include "core/state.h"
#include "text/english.h"
#include "text/text.h"

TILE iLevel[map_columns][map_rows];
int iXSize = 0;
int iYSize = 0;
SHOP_POS shop[shop_count] = {};
BITMAP* buffer = nullptr;
BITMAP* back = nullptr;
BITMAP* before = nullptr;
BITMAP* now = nullptr;
DATAFILE* font1 = nullptr;
std::string level_file = "dat/level.dat";
std::string level_name = "dat/level.dat";
std::string back_file = shared_back_file;

namespace {

constexpr const char* font_file = "dat/font.dat";
constexpr size_t shown_token = 20;  // characters of a bad token quoted in a message

// The reader's faults, in English: "<what> at row R, column C".
// TRANSLATORS: a fault in a level file (%1$s, one of the faults below) and where it is in the
// file's text: its row and column.
constexpr const char* fault_at = N_("%1$s at row %2$s, column %3$s");
// TRANSLATORS: the level file ends before the value named (%s: "the width", "the letter of
// cell (3, 4)", ...).
constexpr const char* fault_ended = N_("the file ends early, before %s");
// TRANSLATORS: %1$s names the value ("the width", ...), %2$s is the file's text found there.
constexpr const char* fault_not_number = N_("%1$s is not a number: \"%2$s\"");
constexpr const char* fault_width = N_("width %1$s is outside %2$s to %3$s");
constexpr const char* fault_height = N_("height %1$s is outside %2$s to %3$s");
// TRANSLATORS: %1$s is a tile's number, %2$s a cell ("cell (3, 4)"), %3$s the last tile's number.
constexpr const char* fault_tile = N_("tile %1$s of %2$s is not a tile of the sheet (0 to %3$s)");
constexpr const char* fault_no_tiles = N_("tile %1$s of %2$s is not a tile of the sheet (the sheet has no tiles)");
// TRANSLATORS: %1$s is a shop ("shop 2"), at a column and row outside a level of %4$s x %5$s cells.
constexpr const char* fault_shop_outside = N_("%1$s at column %2$s, row %3$s lies outside the level of %4$s x %5$s cells");
// The values the faults name.
constexpr const char* item_width = N_("the width");
constexpr const char* item_height = N_("the height");
// TRANSLATORS: %s is a cell of the level: "cell (3, 4)".
constexpr const char* item_tile = N_("the tile number of %s");
constexpr const char* item_letter = N_("the letter of %s");
// TRANSLATORS: %s is a shop: "shop 2".
constexpr const char* item_column = N_("the column of %s");
constexpr const char* item_row = N_("the row of %s");
// TRANSLATORS: a cell of the level by its column and row.
constexpr const char* cell_format = N_("cell (%1$s, %2$s)");
// TRANSLATORS: a shop by its number, 0 to 4.
constexpr const char* shop_format = N_("shop %s");

} // namespace

const ENGLISH_FORMATS level_read_formats = {fault_at,      fault_ended,   fault_not_number, fault_width,
                                            fault_height,  fault_tile,    fault_no_tiles,   fault_shop_outside,
                                            item_width,    item_height,   item_tile,        item_letter,
                                            item_column,   item_row,      cell_format,      shop_format};

namespace {

// Formatted extraction over the whole text, remembering where each value began so that a
// fault can name its row and column in the file.
class level_reader {
public:
    enum result { ok, ended, not_a_number };

    explicit level_reader(std::string text) : text_(std::move(text)), in_(text_) {}

    // Reads the next number into value.
    result number(int& value) {
        start_ = skip_blanks();
        if (start_ >= text_.size()) return ended;
        return in_ >> value ? ok : not_a_number;
    }

    // Reads the next non-blank character, directly after a number or after blanks.
    result letter(char& value) {
        start_ = skip_blanks();
        return in_ >> value ? ok : ended;
    }

    // Where the last value began in the text (its end, after an early end).
    size_t position() const { return start_; }

    // The fault what, found at offset at of the text: "<what> at row R, column C".
    std::string at_place(const std::string& what, size_t at) const {
        size_t row = 1, line_start = 0;
        for (size_t i = 0; i < at && i < text_.size(); i++)
            if (text_[i] == '\n') {
                row++;
                line_start = i + 1;
            }
        return fill(fault_at, {what, std::to_string(row), std::to_string(at - line_start + 1)});
    }

    // What went wrong reading item (what was expected there), for a result other than ok.
    std::string fault(result r, const std::string& item) const {
        if (r == ended) return fill(fault_ended, {item});
        return fill(fault_not_number, {item, token_at(start_)});
    }

private:
    size_t skip_blanks() {
        in_ >> std::ws;
        if (in_.eof()) return text_.size();
        return static_cast<size_t>(in_.tellg());
    }

    std::string token_at(size_t pos) const {
        size_t end = pos;
        while (end < text_.size() && end - pos < shown_token &&
               !std::isspace(static_cast<unsigned char>(text_[end])))
            end++;
        return text_.substr(pos, end - pos);
    }

    std::string text_;
    std::istringstream in_;
    size_t start_ = 0;
};

std::string cell_name(int cx, int cy) {
    return fill(cell_format, {std::to_string(cx), std::to_string(cy)});
}

} // namespace

bool parse_level(std::istream& in, int tile_count, LEVEL_READ* out, std::string* error) {
    level_reader reader{std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())};
    // what: the fault; at: where in the text the faulty value began.
    auto fail = [&](const std::string& what, size_t at) {
        if (error) *error = reader.at_place(what, at);
        return false;
    };
    level_reader::result r;

    int width = 0, height = 0;
    if ((r = reader.number(width)) != level_reader::ok) return fail(reader.fault(r, item_width), reader.position());
    // A smaller level leaves part of the screen outside the world, or a character outside it.
    if (width < min_level_columns || width > map_columns)
        return fail(fill(fault_width, {std::to_string(width), std::to_string(min_level_columns), std::to_string(map_columns)}),
                    reader.position());
    if ((r = reader.number(height)) != level_reader::ok) return fail(reader.fault(r, item_height), reader.position());
    if (height < min_level_rows || height > map_rows)
        return fail(fill(fault_height, {std::to_string(height), std::to_string(min_level_rows), std::to_string(map_rows)}),
                    reader.position());

    // The cells come row by row; they are kept aside until the whole file has proved sound, so
    // that a bad level leaves the map as it was.
    std::vector<TILE> cells(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int cy = 0; cy < height; cy++)
        for (int cx = 0; cx < width; cx++) {
            TILE& cell = cells[static_cast<size_t>(cy) * static_cast<size_t>(width) + static_cast<size_t>(cx)];
            if ((r = reader.number(cell.iTile)) != level_reader::ok)
                return fail(reader.fault(r, fill(item_tile, {cell_name(cx, cy)})), reader.position());
            if (cell.iTile < 0 || cell.iTile >= tile_count)
                return fail(fill(tile_count > 0 ? fault_tile : fault_no_tiles,
                                 {std::to_string(cell.iTile), cell_name(cx, cy), std::to_string(tile_count - 1)}),
                            reader.position());
            char flag = 0;
            if ((r = reader.letter(flag)) != level_reader::ok)
                return fail(reader.fault(r, fill(item_letter, {cell_name(cx, cy)})), reader.position());
            cell.blWall = flag == 'w';
        }

    // A shop stands on the floor line of its cell: its column must lie inside the level and its
    // row may be the line below the last one. This also keeps the pixel position in range.
    SHOP_POS places[shop_count];
    for (int i = 0; i < shop_count; i++) {
        const std::string name = fill(shop_format, {std::to_string(i)});
        if ((r = reader.number(places[i].x)) != level_reader::ok)
            return fail(reader.fault(r, fill(item_column, {name})), reader.position());
        const size_t shop_at = reader.position();
        if ((r = reader.number(places[i].y)) != level_reader::ok)
            return fail(reader.fault(r, fill(item_row, {name})), reader.position());
        if (places[i].x < 0 || places[i].x >= width || places[i].y < 0 || places[i].y > height)
            return fail(fill(fault_shop_outside, {name, std::to_string(places[i].x), std::to_string(places[i].y),
                                                  std::to_string(width), std::to_string(height)}),
                        shop_at);
        places[i].x *= tile_size;
        places[i].y *= tile_size;
    }

    out->width = width;
    out->height = height;
    out->cells = std::move(cells);
    for (int i = 0; i < shop_count; i++) out->places[i] = places[i];
    return true;
}

bool read_level(std::istream& in, int tile_count, std::string* error) {
    LEVEL_READ lv;
    if (!parse_level(in, tile_count, &lv, error)) return false;
    // Only the previous level's area can hold anything but {0, false}.
    for (int cx = 0; cx < iXSize; cx++)
        for (int cy = 0; cy < iYSize; cy++) iLevel[cx][cy] = TILE{};
    for (int cy = 0; cy < lv.height; cy++)
        for (int cx = 0; cx < lv.width; cx++) iLevel[cx][cy] = lv.at(cx, cy);
    iXSize = lv.width;
    iYSize = lv.height;
    for (int i = 0; i < shop_count; i++) shop[i] = lv.places[i];
    return true;
}

bool make_back(int screen_w, int screen_h, bool* out_of_memory) {
    BITMAP* picture = load_bitmap(back_file.c_str(), nullptr);
    if (!picture) return false;
    BITMAP* made = make_system_bitmap(iXSize * tile_size / 2 + screen_w, iYSize * tile_size / 2 + screen_h);
    if (made) {
        stretch_blit(picture, made, 0, 0, picture->w, picture->h, 0, 0, made->w, made->h);
        destroy_bitmap(back);
        back = made;
    } else if (out_of_memory) {
        *out_of_memory = true;
    }
    destroy_bitmap(picture);
    return made != nullptr;
}

void load_level() {
    std::ifstream file(level_file);
    if (!file) {
        start_failure(("error opening " + level_name).c_str());
        return;
    }
    std::string error;
    if (!read_level(file, static_cast<int>(tiles.size()), &error)) {
        start_failure(("error in " + level_name + ": " + error).c_str());
        return;
    }

    // The world buffer and the background grow with the level: the largest needs over 2.5 GB.
    const std::string no_memory = "out of memory for a level of " + std::to_string(iXSize) + " x " +
                                  std::to_string(iYSize) + " cells";
    buffer = make_system_bitmap(iXSize * tile_size, iYSize * tile_size);
    if (!buffer) {
        start_failure(no_memory.c_str());
        return;
    }
    clear_to_color(buffer, 0);

    bool out_of_memory = false;
    if (!make_back(view_w, view_h, &out_of_memory)) {
        start_failure(out_of_memory ? no_memory.c_str() : ("can't load " + back_file).c_str());
        return;
    }

    before = make_system_bitmap(frame_w, frame_h);
    now = make_system_bitmap(frame_w, frame_h);
    if (!before || !now) {
        start_failure("error creating b,n bitmaps");
        return;
    }

    // The HUD draws with object 0: a datafile without a font there is as good as none.
    font1 = load_checked_datafile(font_file);
    if (!font1 || font1[0].type != DAT_FONT) {
        unload_datafile(font1);
        font1 = nullptr;
        start_failure("error loading dat/font.dat");
    }
}

void unload_level() {
    for (BITMAP** b : {&buffer, &back, &before, &now}) {
        destroy_bitmap(*b);
        *b = nullptr;
    }
    unload_datafile(font1);
    font1 = nullptr;
}
