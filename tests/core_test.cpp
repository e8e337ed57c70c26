// The datafile check: the shipped datafiles pass it, and damaged copies of them are refused or
// load and draw.
#include <allegro.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/datafile_check.h"
#include "test_util.h"
#include "text/utf8.h"

namespace {

const char* const shipped[] = {"shops.dat", "mora.dat", "vela.dat", "font.dat"};

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool check_bytes(const std::string& b, std::string* why) {
    return check_datafile(reinterpret_cast<const unsigned char*>(b.data()), b.size(), why);
}

void put_be(std::string& b, size_t at, unsigned v, int bytes) {
    for (int i = 0; i < bytes; i++) b[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * (bytes - 1 - i)));
}

// Draws every object of a loaded datafile into a bitmap, at the origin and cut by each edge:
// RLE sprites whole, fonts with every character of every range.
void draw_every_object(const DATAFILE* dat) {
    BITMAP* target = create_bitmap(200, 120);
    ASSERT_NE(target, nullptr);
    for (const DATAFILE* d = dat; d->type != DAT_END; d++) {
        if (d->type == DAT_RLE_SPRITE) {
            const auto* s = static_cast<const RLE_SPRITE*>(d->dat);
            ASSERT_NE(s, nullptr);
            for (int x : {0, -s->w / 2, 200 - s->w / 2})
                for (int y : {0, -s->h / 2, 120 - s->h / 2}) draw_rle_sprite(target, s, x, y);
        } else if (d->type == DAT_FONT) {
            auto* f = static_cast<FONT*>(d->dat);
            ASSERT_NE(f, nullptr);
            std::string text;
            for (int r = 0; r < get_font_ranges(f); r++)
                for (int c = get_font_range_begin(f, r); c <= get_font_range_end(f, r); c++) utf8_append(text, c);
            textout_ex(target, f, text.c_str(), -3, 5, 0xFFFFFF, 0);
            textout_ex(target, f, text.c_str(), 2, 115, 0xFFFFFF, -1);
        }
    }
    destroy_bitmap(target);
}

class DatafileCheck : public testing::Test {
protected:
    void SetUp() override { init_headless_allegro(); }
    std::string shipped_bytes(const char* name) { return read_file(build_dir() + "/dat/" + name); }
};

} // namespace

TEST_F(DatafileCheck, TheShippedDatafilesPassAndLoad) {
    for (const char* name : shipped) {
        const std::string path = build_dir() + "/dat/" + name;
        std::string why;
        EXPECT_TRUE(check_datafile_file(path.c_str(), &why)) << name << ": " << why;
        DATAFILE* dat = load_checked_datafile(path.c_str());
        ASSERT_NE(dat, nullptr) << name;
        draw_every_object(dat);
        unload_datafile(dat);
    }
}

// One fault at a known place of the shipped shops.dat: its first object, an RLE sprite, has its
// header at byte 12 (type, stored size, unpacked size), then depth, width, height and the size
// of its runs, and its first row's first count at byte 34.
TEST_F(DatafileCheck, EachFaultOfTheStructureIsRefused) {
    const std::string good = shipped_bytes("shops.dat");
    ASSERT_GT(good.size(), 40u);
    std::string why;
    ASSERT_TRUE(check_bytes(good, &why)) << why;
    const unsigned width = static_cast<unsigned char>(good[26]) << 8 | static_cast<unsigned char>(good[27]);
    struct Case {
        const char* fault;
        void (*damage)(std::string&, unsigned width);
        const char* why;
    };
    const Case cases[] = {
        {"packed", [](std::string& b, unsigned) { b[3] = '!'; }, "a packed datafile"},
        {"not a datafile", [](std::string& b, unsigned) { b[4] = 'X'; }, "not a datafile"},
        {"one object more", [](std::string& b, unsigned) { b[11] = static_cast<char>(b[11] + 1); }, "is cut short"},
        {"no objects", [](std::string& b, unsigned) { put_be(b, 8, 0, 4); }, "object count 0"},
        {"a byte after the end", [](std::string& b, unsigned) { b += '\0'; }, "bytes after the last object"},
        {"a type the game does not read", [](std::string& b, unsigned) { b.replace(12, 4, "BMP "); },
         "is of a type the game does not read"},
        {"sizes disagree", [](std::string& b, unsigned) { b[23] = static_cast<char>(b[23] + 1); }, "sizes disagree"},
        {"a packed object", [](std::string& b, unsigned) { b[20] = static_cast<char>(0xFF); }, "is packed"},
        {"depth 8", [](std::string& b, unsigned) { put_be(b, 24, 8, 2); }, "RLE sprite of depth 8"},
        {"no width", [](std::string& b, unsigned) { put_be(b, 26, 0, 2); }, "RLE sprite of 0 x"},
        {"size of the runs", [](std::string& b, unsigned) { b[33] = static_cast<char>(b[33] + 4); },
         "is not that of its runs"},
        {"a run past the width", [](std::string& b, unsigned w) { put32(b, 34, w + 1); },
         "runs past the width"},
        {"a run of nothing", [](std::string& b, unsigned) { put32(b, 34, 0); }, "RLE run of 0"},
        {"a row ended early", [](std::string& b, unsigned) { put32(b, 34, 0xFF00FF); }, "ends before the width"},
        {"a property cut short", [](std::string& b, unsigned) { b.replace(12, 8, std::string("prop\xff\xff\xff\xff", 8)); },
         "has no type"},
    };
    for (const Case& c : cases) {
        std::string bad = good;
        c.damage(bad, width);
        why.clear();
        EXPECT_FALSE(check_bytes(bad, &why)) << c.fault;
        EXPECT_NE(why.find(c.why), std::string::npos) << c.fault << ": " << why;
    }
}

TEST_F(DatafileCheck, APropertyBeforeAnObjectIsAccepted) {
    std::string b = shipped_bytes("font.dat");
    const std::string name = "HUD_FONT";
    std::string prop = "propNAME";
    prop += std::string(4, '\0');
    put_be(prop, 8, static_cast<unsigned>(name.size()), 4);
    b.insert(12, prop + name);
    std::string why;
    EXPECT_TRUE(check_bytes(b, &why)) << why;
    scoped_work_dir work;
    std::ofstream("named.dat", std::ios::binary) << b;
    DATAFILE* dat = load_checked_datafile("named.dat");
    ASSERT_NE(dat, nullptr);
    EXPECT_STREQ(get_datafile_property(dat, DAT_ID('N', 'A', 'M', 'E')), "HUD_FONT");
    draw_every_object(dat);
    unload_datafile(dat);
}

// The damages a download or a disk does to a file, a handful of each, on every shipped datafile.
// A cut or replaced file must be refused; one with flipped bytes may load if the flips landed
// where any value is valid (a pixel), and must then draw.
TEST_F(DatafileCheck, DamagedCopiesAreRefusedOrLoadAndDraw) {
    enum class must { refuse, refuse_or_draw };
    struct Damage {
        const char* name;
        must outcome;
        std::string (*apply)(const std::string&, std::mt19937&);
    };
    const Damage damages[] = {
        {"cut to 10 bytes", must::refuse, [](const std::string& b, std::mt19937&) { return b.substr(0, 10); }},
        {"cut to half", must::refuse, [](const std::string& b, std::mt19937&) { return b.substr(0, b.size() / 2); }},
        {"cut by its last byte", must::refuse,
         [](const std::string& b, std::mt19937&) { return b.substr(0, b.size() - 1); }},
        {"four bytes flipped in the header", must::refuse_or_draw,
         [](const std::string& b, std::mt19937& rng) {
             std::string d = b;
             for (int i = 0; i < 4; i++) d[rng() % 128] ^= static_cast<char>(1 + rng() % 255);
             return d;
         }},
        {"four bytes flipped anywhere", must::refuse_or_draw,
         [](const std::string& b, std::mt19937& rng) {
             std::string d = b;
             for (int i = 0; i < 4; i++) d[rng() % d.size()] ^= static_cast<char>(1 + rng() % 255);
             return d;
         }},
        {"garbage of the same size", must::refuse,
         [](const std::string& b, std::mt19937& rng) {
             std::string d(b.size(), '\0');
             for (char& c : d) c = static_cast<char>(rng());
             return d;
         }},
    };
    constexpr int per_damage = 4;
    scoped_work_dir work;
    std::mt19937 rng(20261207);
    int loaded = 0, refused = 0;
    for (const char* name : shipped) {
        const std::string good = shipped_bytes(name);
        ASSERT_GT(good.size(), 128u) << name;
        for (const Damage& d : damages)
            for (int i = 0; i < per_damage; i++) {
                const std::string bad = d.apply(good, rng);
                std::ofstream("damaged.dat", std::ios::binary | std::ios::trunc) << bad;
                DATAFILE* dat = load_checked_datafile("damaged.dat");
                if (!dat) {
                    refused++;
                    continue;
                }
                loaded++;
                EXPECT_EQ(d.outcome, must::refuse_or_draw) << name << " " << d.name << " " << i << " was loaded";
                draw_every_object(dat);
                unload_datafile(dat);
            }
    }
    EXPECT_EQ(loaded + refused, 4 * 6 * per_damage);
    EXPECT_GE(refused, 4 * 4 * per_damage) << "every cut and garbled copy is refused";
}
