// Sharing a district: a district file made from a district of the player's comes back whole on
// another data folder, its maker's run verified there by the game itself; hostile files built
// here (with an archive writer of the test's own) are each refused with a line of their own and
// leave the data folder, and a folder beside it, byte for byte as they were; and a districts
// folder holding control bytes, a FIFO and a 2 GB sparse level.dat is listed without a control
// byte on the terminal, and without reading the large file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "authoring/demo.h"
#include "authoring/district_files.h"
#include "authoring/level_check.h"
#include "core/files.h"
#include "text/utf8.h"
#include "editor/editor.h"
#include "replay/replay_file.h"
#include "replay/run.h"
#include "replay/splits.h"
#include "sharing/import.h"
#include "sharing/maker_run.h"
#include "sharing/share.h"
#include "shell/shell.h"
#include "test_util.h"

namespace fs = std::filesystem;

namespace {

// An archive written byte by byte from the zip format's description, so that a test can say
// anything in it a hostile file may: any name (NUL, "..", a backslash), a link, a size the
// headers understate, any number of entries.
struct ZIP_ENTRY {
    std::string name;
    std::string data;           // what the entry holds (stored), or its deflated stream (raw)
    bool deflated = false;      // data is a raw deflate stream
    long claimed_size = -1;     // the inflated size the headers claim; -1: data's real size
    unsigned mode = 0100644;    // a Unix mode: 0120777 for a link
};

void le16(std::string& b, unsigned v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
}
void le32(std::string& b, unsigned long v) {
    le16(b, static_cast<unsigned>(v & 0xFFFF));
    le16(b, static_cast<unsigned>((v >> 16) & 0xFFFF));
}

std::string zip_of(const std::vector<ZIP_ENTRY>& entries) {
    std::string out, directory;
    for (const ZIP_ENTRY& e : entries) {
        const unsigned long crc = e.deflated ? 0 : crc32(0, reinterpret_cast<const Bytef*>(e.data.data()),
                                                          static_cast<uInt>(e.data.size()));
        const unsigned long size = e.claimed_size >= 0 ? static_cast<unsigned long>(e.claimed_size) : e.data.size();
        const unsigned long at = out.size();
        auto common = [&](std::string& b) {
            le16(b, 20);                  // version needed
            le16(b, 0);                   // flags
            le16(b, e.deflated ? 8 : 0);  // method
            le16(b, 0);                   // time
            le16(b, 0x21);                // date: 1980-01-01
            le32(b, crc);
            le32(b, e.data.size());
            le32(b, size);
            le16(b, static_cast<unsigned>(e.name.size()));
            le16(b, 0);  // extra
        };
        le32(out, 0x04034b50);
        common(out);
        out += e.name + e.data;
        le32(directory, 0x02014b50);
        le16(directory, 0x0314);  // made on Unix
        common(directory);
        le16(directory, 0);  // comment
        le16(directory, 0);  // disk
        le16(directory, 0);  // internal attributes
        le32(directory, static_cast<unsigned long>(e.mode) << 16);
        le32(directory, at);
        directory += e.name;
    }
    const unsigned long directory_at = out.size();
    out += directory;
    le32(out, 0x06054b50);
    le16(out, 0);
    le16(out, 0);
    le16(out, static_cast<unsigned>(entries.size()));
    le16(out, static_cast<unsigned>(entries.size()));
    le32(out, directory.size());
    le32(out, directory_at);
    le16(out, 0);
    return out;
}

// data as a raw deflate stream.
std::string deflated(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return out;
}

// A raw deflate stream that inflates to `mebibytes` MiB of zeros: one fully flushed block of a
// MiB, repeated, then the last block.
std::string zeros_inflating_to(unsigned mebibytes) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string zeros(1 << 20, '\0'), block(64 * 1024, '\0');
    z.next_in = reinterpret_cast<Bytef*>(zeros.data());
    z.avail_in = static_cast<uInt>(zeros.size());
    z.next_out = reinterpret_cast<Bytef*>(block.data());
    z.avail_out = static_cast<uInt>(block.size());
    deflate(&z, Z_FULL_FLUSH);
    block.resize(block.size() - z.avail_out);
    std::string stream;
    for (unsigned i = 0; i < mebibytes; i++) stream += block;
    char end[64];
    z.next_out = reinterpret_cast<Bytef*>(end);
    z.avail_out = sizeof end;
    deflate(&z, Z_FINISH);
    stream.append(end, sizeof end - z.avail_out);
    deflateEnd(&z);
    return stream;
}

std::string text_of(const std::vector<std::string>& rows) {
    std::string t;
    for (const std::string& r : rows) t += r + "\n";
    return t;
}

// Every file and folder under dir, with its bytes (a folder: its mode), by path.
std::map<std::string, std::string> snapshot(const fs::path& dir) {
    std::map<std::string, std::string> all;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string at = it->path().string();
        struct stat st {};
        lstat(at.c_str(), &st);
        all[at] = S_ISREG(st.st_mode) ? file_contents(at) : "mode " + std::to_string(st.st_mode);
    }
    return all;
}

// True when text holds no byte the terminal takes as a control but the line ends and the
// list's tabs.
bool terminal_safe(const std::string& text) {
    std::string without_separators = text;
    for (char& c : without_separators)
        if (c == '\n' || c == '\t') c = ' ';
    return utf8_text_fault(without_separators, text.size()).empty();
}

// The game headless in the build tree, a data folder of its own (XDG_DATA_HOME), and a district
// of the player's made from the editor's starter map, with a run of its first mission played by
// the route search as the player's best run there.
class Sharing : public testing::Test {
protected:
    static void SetUpTestSuite() {
        init_headless_allegro();
        old_dir = new fs::path(fs::current_path());
        fs::current_path(build_dir());
        unload_shit();
        blStartFailed = false;
        load_shit();
        load_level();
        mora = new PLAYER(player_start_x, start_y, "dat/mora.dat", type_player);
        vela = new PLAYER(partner_start_x, start_y, "dat/vela.dat", type_partner);
        std::string pattern = (fs::temp_directory_path() / "osa-share-XXXXXX").string();
        top = new fs::path(mkdtemp(pattern.data()));
        // No district of the player's who runs the tests is read.
        own_data = new scoped_env("XDG_DATA_HOME", (*top / "nobody").c_str());
    }
    static void TearDownTestSuite() {
        fs::current_path(*old_dir);
        std::error_code ignored;
        fs::remove_all(*top, ignored);
        delete mora;
        delete vela;
        delete top;
        delete old_dir;
        delete own_data;
        unload_level();
        unload_shit();
    }
    void SetUp() override {
        ASSERT_FALSE(blStartFailed);
        ASSERT_TRUE(mora->has_frames() && vela->has_frames());
    }

    // The maker's data folder under top: their district `folder` made from rows (as the level
    // tool makes one), and their best run of it, recorded by the route search.
    static std::string make_maker_district(const std::string& home, const std::string& folder,
                                           const std::vector<std::string>& rows, std::string* run) {
        const std::string data = (*top / home / "one-step-ahead").string();
        std::istringstream in(text_of(rows));
        start_run(*mora, *vela);
        const level_check c = check_level(read_map(in), *mora, *vela);
        std::string error;
        EXPECT_TRUE(c.faults.empty());
        EXPECT_TRUE(write_district(data + "/districts/" + folder, text_of(rows), c, "Starter Street", 0, tilemap, nullptr, &error))
            << error;
        DISTRICT d = read_district(data + "/districts/" + folder, folder, false, shared_looks());
        EXPECT_EQ(d.fault, "");
        EXPECT_TRUE(enter_district(d, &error)) << error;
        const std::vector<unsigned char> bytes = record_demo(*mora, *vela, 1, 1700000000, &error);
        EXPECT_FALSE(bytes.empty()) << error;
        run->assign(bytes.begin(), bytes.end());
        EXPECT_TRUE(write_file_atomically(data + "/" + ghost_file_name(folder), run->data(), run->size(), &error));
        DISTRICT town;
        EXPECT_TRUE(find_district(town_district, &town));
        EXPECT_TRUE(enter_district(town, &error)) << error;
        return data;
    }

    // --import of the file at path as the game does it, into the data folder under top/home:
    // its status, and what it printed on stdout and stderr.
    static int import_into(const std::string& home, const std::string& path, std::string* out, std::string* err) {
        const scoped_env data("XDG_DATA_HOME", (*top / home).string().c_str());
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = import_command(path, path, *mora, *vela);
        *out = testing::internal::GetCapturedStdout();
        *err = testing::internal::GetCapturedStderr();
        return status;
    }

    static fs::path* old_dir;
    static fs::path* top;
    static scoped_env* own_data;
    static PLAYER* mora;
    static PLAYER* vela;
};
fs::path* Sharing::old_dir;
fs::path* Sharing::top;
scoped_env* Sharing::own_data;
PLAYER* Sharing::mora;
PLAYER* Sharing::vela;

}  // namespace

TEST_F(Sharing, ADistrictComesBackWholeWithItsMakersRunAsTheGhost) {
    std::string run;
    const std::string maker_data = make_maker_district("maker", "starter-street", starter_map(), &run);
    DISTRICT d;
    d = read_district(maker_data + "/districts/starter-street", "starter-street", false, shared_looks());
    const std::string file = (*top / "starter-street.osadistrict").string();
    std::string why;
    ASSERT_TRUE(export_district(d, "Zoë \x1b[31m", maker_data, shared_looks(), file, &why)) << why;
    EXPECT_EQ(file_contents(file).substr(0, 4), std::string("PK\x03\x04", 4)) << "a zip archive, as archive tools read it";

    std::string out, err;
    ASSERT_EQ(import_into("friend", file, &out, &err), 0) << err;
    EXPECT_EQ(out, "starter-street\n");
    EXPECT_EQ(err, "");
    const fs::path added = *top / "friend/one-step-ahead/districts/starter-street";
    // The level made again from the map is the maker's, byte for byte; so is the map.
    EXPECT_EQ(file_contents(added / "level.dat"), file_contents(maker_data + "/districts/starter-street/level.dat"));
    EXPECT_EQ(file_contents(added / "level.map"), text_of(starter_map()));
    DISTRICT there = read_district(added.string(), "starter-street", false, shared_looks());
    EXPECT_EQ(there.fault, "");
    EXPECT_EQ(there.name, "Starter Street");
    EXPECT_EQ(there.maker, "Zoë [31m") << "the maker's name as typed, without its control character";
    ASSERT_TRUE(there.has_maker_run);

    // The game itself, run on the friend's data folder, finds the district and plays the run as
    // recorded.
    const std::string verify = "XDG_DATA_HOME='" + (*top / "friend").string() + "' ONE_STEP_AHEAD_DATA='" +
                               build_dir() + "' timeout 60 '" + build_dir() + "/one-step-ahead' --verify '" +
                               (added / district_maker_run_file).string() + "' 2>&1";
    std::string line;
    EXPECT_EQ(run_command(verify, &line), 0) << line;
    EXPECT_NE(line.find(": ok, "), std::string::npos) << line;

    // It is the ghost, and a row of Best runs under the maker's name, until the player has a run
    // of their own there.
    const std::string friend_data = (*top / "friend/one-step-ahead").string();
    EXPECT_EQ(district_ghost_path(friend_data, there), (added / district_maker_run_file).string());
    const std::vector<BEST_RUN> listed = listed_best_runs(friend_data, there, stderr);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_TRUE(listed[0].by_maker);
    EXPECT_EQ(listed[0].maker, "Zoë [31m");
    EXPECT_EQ(listed[0].level, 1);
    ASSERT_TRUE(write_file_atomically(friend_data + "/" + ghost_file_name("starter-street"), run.data(), run.size(), &why));
    EXPECT_EQ(district_ghost_path(friend_data, there), friend_data + "/ghost-starter-street.replay");

    // The same file again is said, not copied; a folder of that name that is not it makes room.
    EXPECT_EQ(import_into("friend", file, &out, &err), 0);
    EXPECT_EQ(out, "starter-street\n");
    EXPECT_NE(err.find("it was added before, as starter-street"), std::string::npos) << err;
    fs::create_directories(*top / "other/one-step-ahead/districts/starter-street");
    EXPECT_EQ(import_into("other", file, &out, &err), 0) << err;
    EXPECT_EQ(out, "starter-street-2\n");
}

TEST_F(Sharing, HostileFilesAreRefusedWithALineOfTheirOwnAndWriteNothing) {
    std::string run;
    const std::string maker_data = make_maker_district("maker2", "starter", starter_map(), &run);
    const DISTRICT d = read_district(maker_data + "/districts/starter", "starter", false, shared_looks());
    std::vector<unsigned char> made;
    std::string why;
    ASSERT_TRUE(make_shared_district(d, "Maker", maker_data, shared_looks(), &made, &why)) << why;
    DISTRICT_FILE good;
    ASSERT_TRUE(read_district_file(std::string(made.begin(), made.end()), shared_looks(), &good, &why)) << why;
    ASSERT_TRUE(good.has[entry_run]);
    const std::string cfg = good.bytes[entry_cfg], map = good.bytes[entry_map];
    auto stored = [](const std::string& name, const std::string& data, unsigned mode = 0100644) {
        ZIP_ENTRY e;
        e.name = name;
        e.data = data;
        e.mode = mode;
        return e;
    };
    // A map whose first three shops stand behind a wall from the floor to the ceiling.
    std::vector<std::string> walled = starter_map();
    for (int r = 1; r <= start_row; r++) walled[static_cast<size_t>(r)][18] = '#';
    // A run whose last checkpoint has been changed.
    REPLAY bad_run;
    ASSERT_TRUE(read_replay(reinterpret_cast<const unsigned char*>(run.data()), run.size(), &bad_run, &why));
    bad_run.outcome.state_hash ^= 1;
    const std::vector<unsigned char> bad_run_bytes = write_replay(bad_run);
    std::string tiles_header(128, '\0');
    tiles_header[0] = 0x0A;
    tiles_header[1] = 5;
    tiles_header[2] = 1;
    tiles_header[3] = 8;
    tiles_header[8] = tiles_header[10] = static_cast<char>(0xFE);  // to 65534, 65534: 65535 x 65535 pixels
    tiles_header[9] = tiles_header[11] = static_cast<char>(0xFF);
    tiles_header[65] = 3;
    tiles_header[66] = tiles_header[67] = static_cast<char>(0xFF);
    ZIP_ENTRY bomb;
    bomb.name = "level.map";
    bomb.data = zeros_inflating_to(2048);
    bomb.deflated = true;
    bomb.claimed_size = 2048l << 20;
    ZIP_ENTRY understated;
    understated.name = "district.cfg";
    understated.data = deflated(cfg + "; " + std::string(20000, 'x') + "\n");
    understated.deflated = true;
    understated.claimed_size = static_cast<long>(cfg.size());
    std::vector<ZIP_ENTRY> many;
    for (int i = 0; i < 10000; i++) many.push_back(stored("x" + std::to_string(i), ""));

    const struct {
        const char* what;
        std::string file;
        std::string line;  // the line said, after "one-step-ahead: FILE: "
    } hostile[] = {
        {"a name climbing out", zip_of({stored("district.cfg", cfg), stored("../level.map", map)}),
         "the entry '../level.map' climbs out of its folder"},
        {"an absolute name", zip_of({stored("/tmp/level.map", map), stored("district.cfg", cfg)}),
         "the entry '/tmp/level.map' has an absolute name"},
        {"a backslash", zip_of({stored("district.cfg", cfg), stored("sub\\level.map", map)}),
         "the entry 'sub\\\\level.map' holds a backslash"},
        {"a NUL in a name (the archive library reads it as a blank)",
         zip_of({stored("district.cfg", cfg), stored(std::string("level.map\0.sh", 13), map)}),
         "the entry 'level.map .sh' is not a file a district holds"},
        {"a link", zip_of({stored("district.cfg", cfg), stored("level.map", "/etc/passwd", 0120777)}),
         "the entry 'level.map' is a link"},
        {"a file written through a link",
         zip_of({stored("sub", "/tmp", 0120777), stored("sub/district.cfg", cfg), stored("sub/level.map", map)}),
         "the entry 'sub' is a link"},
        {"a name repeated in another case",
         zip_of({stored("district.cfg", cfg), stored("level.map", map), stored("LEVEL.MAP", map)}),
         "the entry 'LEVEL.MAP' is there twice"},
        {"a small file inflating to 2 GB", zip_of({stored("district.cfg", cfg), bomb}),
         "the entry 'level.map' inflates past its limit of " + std::to_string(level_map_max_bytes) + " bytes"},
        {"a header understating its size", zip_of({understated, stored("level.map", map)}),
         "the entry 'district.cfg' inflates past its limit of " + std::to_string(district_cfg_max_bytes) + " bytes"},
        {"ten thousand entries", zip_of(many), "it holds 10000 entries; a district file holds at most 7"},
        {"a picture header claiming 65535 x 65535",
         zip_of({stored("district.cfg", cfg), stored("level.map", map), stored("tiles.pcx", tiles_header)}),
         "tiles.pcx is 65535 x 65535 pixels, not the shared tile sheet's 320 x 64"},
        {"a truncated archive", std::string(made.begin(), made.begin() + static_cast<long>(made.size() / 2)),
         "it is not a district file: the archive is damaged (Not a zip archive)"},
        {"a map that cannot be finished", zip_of({stored("district.cfg", cfg), stored("level.map", text_of(walled))}),
         ""},
        {"a name holding an escape sequence",
         zip_of({stored("district.cfg", "[district]\nname = Evil\x1b]0;owned\x07\n"), stored("level.map", map)}),
         "district.cfg is not text: byte 22 is a control character"},
    };

    // The data folder, with a district of the player's already in it, and a folder beside it.
    const fs::path data = *top / "target/one-step-ahead";
    fs::create_directories(data / "districts/mine");
    std::ofstream(data / "districts/mine/level.map") << map;
    fs::create_directories(*top / "target/next-door");
    std::ofstream(*top / "target/next-door/notes.txt") << "mine\n";
    const auto before = snapshot(*top / "target");
    std::vector<std::string> lines;
    for (const auto& h : hostile) {
        const std::string path = (*top / "hostile.osadistrict").string();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << h.file;
        std::string out, err;
        EXPECT_EQ(import_into("target", path, &out, &err), 1) << h.what;
        EXPECT_EQ(out, "") << h.what;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << h.what << ": " << err;
        EXPECT_TRUE(terminal_safe(err)) << h.what;
        const std::string head = "one-step-ahead: " + path + ": ";
        EXPECT_EQ(err.rfind(head, 0), 0u) << h.what << ": " << err;
        const std::string said = err.substr(std::min(err.size(), head.size()));
        if (!h.line.empty()) {
            EXPECT_EQ(said, h.line + "\n") << h.what;
        }
        EXPECT_EQ(std::count(lines.begin(), lines.end(), said), 0) << h.what << " says what another says: " << said;
        lines.push_back(said);
        EXPECT_EQ(snapshot(*top / "target"), before) << h.what << " wrote something";
    }
    EXPECT_NE(lines[12].find("level.map cannot be played: the make-up shop"), std::string::npos) << lines[12];

    // A run that does not play back: the district is added without it, with a word.
    DISTRICT_FILE f = good;
    f.bytes[entry_run].assign(bad_run_bytes.begin(), bad_run_bytes.end());
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(write_district_file(f, &bytes, &why)) << why;
    const std::string path = (*top / "bad-run.osadistrict").string();
    std::ofstream(path, std::ios::binary) << std::string(bytes.begin(), bytes.end());
    std::string out, err;
    EXPECT_EQ(import_into("target", path, &out, &err), 0) << err;
    EXPECT_EQ(out, "starter\n");
    EXPECT_NE(err.find("its maker's run was left out: differs from the recorded run"), std::string::npos) << err;
    EXPECT_TRUE(fs::exists(data / "districts/starter/level.dat"));
    EXPECT_FALSE(fs::exists(data / "districts/starter" / district_maker_run_file));
}

TEST_F(Sharing, HostileDistrictFoldersAreListedWithoutControlBytesOrReadingTooMuch) {
    const fs::path data = *top / "lister/one-step-ahead/districts";
    for (const char* folder : {"escape", "fifo", "huge"}) {
        fs::create_directories(data / folder);
        std::ofstream(data / folder / "district.cfg") << "[district]\nname = " << folder << "\n";
    }
    std::ofstream(data / "escape/level.dat", std::ios::binary) << "\x1b]0;owned\x07\xc2\x9b" "31m\xff 17\n";
    ASSERT_EQ(mkfifo((data / "fifo/level.dat").c_str(), 0600), 0);
    {
        std::ofstream huge(data / "huge/level.dat", std::ios::binary);
        huge << "30 17\n";
    }
    ASSERT_EQ(truncate((data / "huge/level.dat").c_str(), 2l << 30), 0);  // sparse: takes no room

    // The listing may not read 2 GB whole: without the sanitizers, which reserve far more address
    // space for themselves, it runs with less than that to use.
#if defined(__SANITIZE_ADDRESS__)
    const std::string limit = "";
#else
    const std::string limit = "ulimit -v 1000000; ";
#endif
    std::string out;
    const int status = run_command(limit + "XDG_DATA_HOME='" + (*top / "lister").string() + "' ONE_STEP_AHEAD_DATA='" +
                                       build_dir() + "' timeout 20 '" + build_dir() + "/one-step-ahead' --list-districts",
                                   &out);
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(terminal_safe(out)) << out;
    EXPECT_NE(out.find("escape\tescape\tnot playable: level.dat is damaged: the width is not a number: "
                       "\"\\x1b]0;owned\\x07\\xc2\\x9b31m\\xff\""),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("fifo\tfifo\tnot playable: level.dat is not a regular file"), std::string::npos) << out;
    EXPECT_NE(out.find("huge\thuge\tnot playable: level.dat is larger than " + std::to_string(level_dat_max_bytes) +
                       " bytes"),
              std::string::npos)
        << out;
}
