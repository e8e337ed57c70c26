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
std::string back_file = "dat/back.pcx";

namespace {

constexpr const char* font_file = "dat/font.dat";
constexpr size_t shown_token = 20;  // characters of a bad token quoted in a message

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

    // "at row R, column C" of the text at offset at.
    std::string where(size_t at) const {
        size_t row = 1, line_start = 0;
        for (size_t i = 0; i < at && i < text_.size(); i++)
            if (text_[i] == '\n') {
                row++;
                line_start = i + 1;
            }
        return " at row " + std::to_string(row) + ", column " + std::to_string(at - line_start + 1);
    }

    // What went wrong reading item (what was expected there), for a result other than ok.
    std::string fault(result r, const std::string& item) const {
        if (r == ended) return "the file ends early, before " + item;
        return item + " is not a number: \"" + token_at(start_) + "\"";
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
    return "cell (" + std::to_string(cx) + ", " + std::to_string(cy) + ")";
}

} // namespace

bool parse_level(std::istream& in, int tile_count, LEVEL_READ* out, std::string* error) {
    level_reader reader{std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())};
    // what: the fault; at: where in the text the faulty value began.
    auto fail = [&](const std::string& what, size_t at) {
        if (error) *error = what + reader.where(at);
        return false;
    };
    level_reader::result r;

    int width = 0, height = 0;
    if ((r = reader.number(width)) != level_reader::ok) return fail(reader.fault(r, "the width"), reader.position());
    // A smaller level leaves part of the screen outside the world, or a character outside it.
    if (width < min_level_columns || width > map_columns)
        return fail("width " + std::to_string(width) + " is outside " + std::to_string(min_level_columns) + " to " +
                        std::to_string(map_columns),
                    reader.position());
    if ((r = reader.number(height)) != level_reader::ok) return fail(reader.fault(r, "the height"), reader.position());
    if (height < min_level_rows || height > map_rows)
        return fail("height " + std::to_string(height) + " is outside " + std::to_string(min_level_rows) + " to " +
                        std::to_string(map_rows),
                    reader.position());

    // The cells come row by row; they are kept aside until the whole file has proved sound, so
    // that a bad level leaves the map as it was.
    std::vector<TILE> cells(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int cy = 0; cy < height; cy++)
        for (int cx = 0; cx < width; cx++) {
            TILE& cell = cells[static_cast<size_t>(cy) * static_cast<size_t>(width) + static_cast<size_t>(cx)];
            if ((r = reader.number(cell.iTile)) != level_reader::ok)
                return fail(reader.fault(r, "the tile number of " + cell_name(cx, cy)), reader.position());
            if (cell.iTile < 0 || cell.iTile >= tile_count)
                return fail("tile " + std::to_string(cell.iTile) + " of " + cell_name(cx, cy) +
                                (tile_count > 0 ? " is not a tile of the sheet (0 to " + std::to_string(tile_count - 1) + ")"
                                                : " is not a tile of the sheet (the sheet has no tiles)"),
                            reader.position());
            char flag = 0;
            if ((r = reader.letter(flag)) != level_reader::ok)
                return fail(reader.fault(r, "the letter of " + cell_name(cx, cy)), reader.position());
            cell.blWall = flag == 'w';
        }

    // A shop stands on the floor line of its cell: its column must lie inside the level and its
    // row may be the line below the last one. This also keeps the pixel position in range.
    SHOP_POS places[shop_count];
    for (int i = 0; i < shop_count; i++) {
        const std::string name = "shop " + std::to_string(i);
        if ((r = reader.number(places[i].x)) != level_reader::ok)
            return fail(reader.fault(r, "the column of " + name), reader.position());
        const size_t shop_at = reader.position();
        if ((r = reader.number(places[i].y)) != level_reader::ok)
            return fail(reader.fault(r, "the row of " + name), reader.position());
        if (places[i].x < 0 || places[i].x >= width || places[i].y < 0 || places[i].y > height)
            return fail(name + " at column " + std::to_string(places[i].x) + ", row " + std::to_string(places[i].y) +
                            " lies outside the level of " + std::to_string(width) + " x " + std::to_string(height) +
                            " cells",
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
