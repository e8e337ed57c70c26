// Replays: the 64-bit hash, the replay file's writer, reader and encoders, the recorder read by a
// crash handler, the best-runs table, and the atomic file writing and XDG folders beneath them.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/files.h"
#include "core/hash.h"
#include "replay/best_runs.h"
#include "replay/progress.h"
#include "replay/replay_file.h"
#include "replay/splits.h"
#include "test_util.h"

namespace fs = std::filesystem;

namespace {

using BYTES = std::vector<unsigned char>;

// A little-endian number of n bytes at b[at], read without the game's code.
std::uint64_t le(const BYTES& b, std::size_t at, int n) {
    std::uint64_t v = 0;
    for (int i = n - 1; i >= 0; i--) v = v << 8 | b.at(at + static_cast<std::size_t>(i));
    return v;
}

void set_le(BYTES& b, std::size_t at, std::uint64_t v, int n) {
    for (int i = 0; i < n; i++) b.at(at + static_cast<std::size_t>(i)) = static_cast<unsigned char>(v >> (8 * i));
}

std::string read_error(const BYTES& b) {
    REPLAY r;
    std::string error;
    EXPECT_FALSE(read_replay(b.data(), b.size(), &r, &error)) << "accepted";
    return error;
}

REPLAY read_back(const BYTES& b) {
    REPLAY r;
    std::string error;
    EXPECT_TRUE(read_replay(b.data(), b.size(), &r, &error)) << error;
    return r;
}

// A replay with every field set to something of its own.
REPLAY sample_replay(std::vector<std::uint8_t> ticks, std::uint16_t interval, bool crashed) {
    REPLAY r;
    r.header.game_version = "1.0.0";
    r.header.level_hash = 0x1122334455667788ull;
    r.header.logic_hash = 0x99AABBCCDDEEFF00ull;
    r.header.checkpoint_interval = interval;
    r.header.began = -86400 * 3 + 17;  // before 1970: the date is signed
    r.ticks = std::move(ticks);
    r.crashed = crashed;
    r.outcome = {6, -7, 41, crashed ? 0 : 0xFEDCBA9876543210ull};
    const std::size_t due = r.ticks.size() / interval;
    for (std::size_t k = 1; k <= (crashed ? due / 2 : due); k++) r.checkpoints.push_back(0xC0FFEE00ull + k);
    return r;
}

// Ticks that change record after runs of the given lengths, cycling through a few records.
std::vector<std::uint8_t> runs_of(const std::vector<std::size_t>& lengths) {
    static const std::uint8_t records[] = {0, tick_right | tick_anim, tick_left | tick_jump, tick_up | tick_clock};
    std::vector<std::uint8_t> t;
    for (std::size_t i = 0; i < lengths.size(); i++) t.insert(t.end(), lengths[i], records[i % 4]);
    return t;
}

// The runs a writer must make: each stretch of equal records, split every 65535 ticks.
std::size_t runs_needed(const std::vector<std::uint8_t>& ticks) {
    std::size_t runs = 0;
    for (std::size_t i = 0; i < ticks.size();) {
        std::size_t j = i;
        while (j < ticks.size() && ticks[j] == ticks[i]) j++;
        runs += (j - i + 65534) / 65535;
        i = j;
    }
    return runs;
}

} // namespace

TEST(Hash, Fnv1a64GivesThePublishedValuesFedWholeOrFieldByField) {
    EXPECT_EQ(hash64("", 0), 0xCBF29CE484222325ull);
    EXPECT_EQ(hash64("a", 1), 0xAF63DC4C8601EC8Cull);
    EXPECT_EQ(hash64("foobar", 6), 0x85944171F73967E8ull);

    HASH64 fields;
    fields.add_u16(0x6F66);      // "fo"
    fields.add_u8('o');
    fields.add_le(0x726162, 3);  // "bar"
    EXPECT_EQ(fields.h, hash64("foobar", 6));

    const unsigned char one[] = {0x00, 0x00, 0x80, 0x3F, 0xFF, 0xFF, 0xFF, 0xFF, 1};
    HASH64 typed;
    typed.add_float(1.0f);
    typed.add_i32(-1);
    typed.add_bool(true);
    EXPECT_EQ(typed.h, hash64(one, sizeof one));
}

TEST(ReplayFile, TheWritersBytesDecodeFieldByField) {
    const std::uint8_t a = tick_right | tick_anim, b = tick_left | tick_jump | tick_clock;
    const REPLAY r = sample_replay({a, a, a, b, b, a}, 2, false);
    const BYTES f = write_replay(r);

    ASSERT_EQ(f.size(), 64u + 3 * 3 + 1 + 28 + 3 * 8 + 4);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 8), "OSAREPLY");
    EXPECT_EQ(le(f, 8, 2), 1u);
    EXPECT_EQ(le(f, 10, 2), 64u);
    EXPECT_EQ(std::string(f.begin() + 12, f.begin() + 28), std::string("1.0.0") + std::string(11, '\0'));
    EXPECT_EQ(le(f, 28, 8), 0x1122334455667788ull);
    EXPECT_EQ(le(f, 36, 8), 0x99AABBCCDDEEFF00ull);
    EXPECT_EQ(le(f, 44, 2), 120u);
    EXPECT_EQ(le(f, 46, 2), 2u);
    EXPECT_EQ(static_cast<std::int64_t>(le(f, 48, 8)), -86400 * 3 + 17);
    EXPECT_EQ(le(f, 56, 8), 0u);
    const std::uint64_t runs[][2] = {{a, 3}, {b, 2}, {a, 1}};
    for (std::size_t i = 0; i < 3; i++) {
        EXPECT_EQ(f[64 + 3 * i], runs[i][0]) << "run " << i;
        EXPECT_EQ(le(f, 65 + 3 * i, 2), runs[i][1]) << "run " << i;
    }
    EXPECT_EQ(f[73], 0xFF);
    EXPECT_EQ(le(f, 74, 4), 6u);
    EXPECT_EQ(le(f, 78, 4), 6u);
    EXPECT_EQ(static_cast<std::int32_t>(le(f, 82, 4)), -7);
    EXPECT_EQ(le(f, 86, 4), 41u);
    EXPECT_EQ(le(f, 90, 8), 0xFEDCBA9876543210ull);
    EXPECT_EQ(le(f, 98, 4), 3u);
    for (std::size_t k = 0; k < 3; k++) EXPECT_EQ(le(f, 102 + 8 * k, 8), 0xC0FFEE01ull + k);
    EXPECT_EQ(std::string(f.end() - 4, f.end()), "END.");

    // Another district than the town: version 2, its name after version 1's header, the rest
    // moved along by the field.
    REPLAY d = r;
    d.header.district = "night-market";
    const BYTES g = write_replay(d);
    ASSERT_EQ(g.size(), f.size() + 40);
    EXPECT_EQ(le(g, 8, 2), 2u);
    EXPECT_EQ(le(g, 10, 2), 104u);
    EXPECT_EQ(std::string(g.begin() + 64, g.begin() + 104), std::string("night-market") + std::string(28, '\0'));
    EXPECT_EQ(BYTES(g.begin() + 104, g.end()), BYTES(f.begin() + 64, f.end()));
    EXPECT_TRUE(read_back(g) == d);
}

TEST(ReplayFile, RecordsComeBackAsTheyWereWritten) {
    const struct {
        const char* name;
        std::vector<std::uint8_t> ticks;
        std::uint16_t interval;
        bool crashed;
    } cases[] = {
        {"no ticks at all", {}, 1200, false},
        {"one run of exactly 65535", runs_of({65535}), 1200, false},
        {"one run of 65536", runs_of({65536}), 1200, false},
        {"a run of 200000 between short ones", runs_of({1, 200000, 2, 3}), 1200, false},
        {"every tick a new record", runs_of(std::vector<std::size_t>(5000, 1)), 7, false},
        {"a crash after long runs", runs_of({70000, 131071, 5}), 1200, true},
        {"a crash before the first checkpoint", runs_of({3, 4}), 1200, true},
        {"ten hours, the most a file holds", runs_of({replay_max_ticks - 1, 1}), 1200, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const REPLAY r = sample_replay(c.ticks, c.interval, c.crashed);
        const BYTES f = write_replay(r);
        EXPECT_EQ(f.size(), 64 + 3 * runs_needed(c.ticks) + 1 + 28 + 8 * r.checkpoints.size() + 4);
        EXPECT_EQ(f[f.size() - 4 - 8 * r.checkpoints.size() - 28 - 1], c.crashed ? 0xFE : 0xFF);
        EXPECT_TRUE(read_back(f) == r);
    }
}

TEST(ReplayFile, AHeaderLongerThan64BytesIsSkippedToItsEnd) {
    const REPLAY r = sample_replay(runs_of({5, 6}), 4, false);
    BYTES f = write_replay(r);
    f.insert(f.begin() + 64, 16, 0xAB);
    set_le(f, 10, 80, 2);
    EXPECT_TRUE(read_back(f) == r);
}

TEST(ReplayFile, EachFaultIsRefusedWithWhatAndWhere) {
    const REPLAY r = sample_replay(runs_of({3, 2, 1}), 2, false);  // 3 runs, 3 checkpoints
    const BYTES good = write_replay(r);
    const std::size_t marker = 64 + 9, trailer = marker + 1, closing = good.size() - 4;
    std::mt19937 random(7);
    BYTES noise(1000);
    for (auto& b : noise) b = static_cast<unsigned char>(random());
    auto with = [&](auto change) {
        BYTES b = good;
        change(b);
        return b;
    };
    auto crash_replay = sample_replay(runs_of({3, 2, 1}), 2, true);
    crash_replay.checkpoints = {1, 2, 3, 4};  // one more than 6 ticks allow at an interval of 2
    const std::string version_newer = "a format version newer than this game's (3; this game reads 2)";
    const struct {
        const char* name;
        BYTES bytes;
        std::string error;
    } cases[] = {
        {"an empty file", {}, "not a replay"},
        {"random bytes", noise, "not a replay"},
        {"a bad magic", with([](BYTES& b) { b[7] = 'Z'; }), "not a replay"},
        {"a newer version", with([](BYTES& b) { set_le(b, 8, 3, 2); }), version_newer},
        {"version 2 without its district", with([](BYTES& b) { set_le(b, 8, 2, 2); }),
         "damaged at byte 10: a header of 64 bytes (104 at least for version 2)"},
        {"a district that is no folder name", with([](BYTES& b) {
             set_le(b, 8, 2, 2);
             set_le(b, 10, 104, 2);
             BYTES name(40, 0);
             name[0] = '.';
             name[1] = '.';
             b.insert(b.begin() + 64, name.begin(), name.end());
         }),
         "damaged at byte 64: a district name that is not a folder name padded with NULs"},
        {"version 0", with([](BYTES& b) { set_le(b, 8, 0, 2); }), "damaged at byte 8: format version 0"},
        {"a short header", with([](BYTES& b) { set_le(b, 10, 63, 2); }),
         "damaged at byte 10: a header of 63 bytes (64 at least)"},
        {"a header longer than the file", with([](BYTES& b) { set_le(b, 10, 60000, 2); }),
         "cut short at byte " + std::to_string(good.size())},
        {"a control byte in the game version", with([](BYTES& b) { b[13] = '\n'; }),
         "damaged at byte 12: a game version that is not ASCII padded with NULs"},
        {"text after the game version's padding", with([](BYTES& b) { b[20] = 'x'; }),
         "damaged at byte 12: a game version that is not ASCII padded with NULs"},
        {"an interval of 0", with([](BYTES& b) { set_le(b, 46, 0, 2); }),
         "damaged at byte 46: a checkpoint interval of 0 ticks"},
        {"cut in half", BYTES(good.begin(), good.begin() + good.size() / 2),
         "cut short at byte " + std::to_string(good.size() / 2)},
        {"a record with bit 6 set", with([](BYTES& b) { b[67] |= 0x40; }),
         "damaged at byte 67: record 0x52 has bits 6-7 set and is no end marker"},
        {"an unknown end marker", with([&](BYTES& b) { b[marker] = 0xFD; }),
         "damaged at byte 73: record 0xFD has bits 6-7 set and is no end marker"},
        {"a run of no ticks", with([](BYTES& b) { set_le(b, 68, 0, 2); }), "damaged at byte 68: a run of 0 ticks"},
        {"a tick count that is not the runs'", with([&](BYTES& b) { set_le(b, trailer, 7, 4); }),
         "damaged at byte 74: a tick count of 7 where the runs hold 6"},
        {"one checkpoint too few", with([&](BYTES& b) { set_le(b, trailer + 24, 2, 4); }),
         "damaged at byte 98: 2 checkpoints where 6 ticks at an interval of 2 make 3"},
        {"a crash with a checkpoint too many", write_replay(crash_replay),
         "damaged at byte 98: 4 checkpoints where 6 ticks at an interval of 2 make at most 3"},
        {"a crash with a state hash", with([&](BYTES& b) { b[marker] = 0xFE; }),
         "damaged at byte 90: a final state hash after a crash (0 expected)"},
        {"no END.", with([&](BYTES& b) { b[closing + 3] = '!'; }),
         "damaged at byte 126: no \"END.\" closing the file"},
        {"a byte after END.", with([](BYTES& b) { b.push_back(0); }),
         "damaged at byte 130: 1 byte after \"END.\""},
    };
    for (const auto& c : cases) EXPECT_EQ(read_error(c.bytes), c.error) << c.name;

    // Every file that ends early, wherever it ends, says so.
    for (std::size_t n = 0; n < good.size(); n++)
        EXPECT_EQ(read_error(BYTES(good.begin(), good.begin() + static_cast<long>(n))),
                  n < 8 ? "not a replay" : "cut short at byte " + std::to_string(n));
}

TEST(ReplayFile, MoreThanTenHoursOfTicksIsRefusedAtTheRunThatGoesPast) {
    // 66 runs of 65535 ticks pass 4,320,000 in the 66th.
    BYTES f = write_replay(sample_replay({}, 1200, false));
    BYTES runs;
    for (int i = 0; i < 66; i++) runs.insert(runs.end(), {static_cast<unsigned char>(i % 2), 0xFF, 0xFF});
    f.insert(f.begin() + 64, runs.begin(), runs.end());
    EXPECT_EQ(read_error(f), "damaged at byte " + std::to_string(64 + 65 * 3 + 1) +
                                 ": more than 4320000 ticks (10 hours)");
}

TEST(ReplayFile, TheEncodersAndTheRecorderGiveTheWritersBytes) {
    for (bool crashed : {false, true}) {
        SCOPED_TRACE(crashed ? "crashed" : "normal end");
        const REPLAY r = sample_replay(runs_of({2, 70000, 1, 1, 3000}), 1200, crashed);

        // By hand, from the encoders alone.
        BYTES by_hand(replay_header_size);
        encode_replay_header(r.header, by_hand.data());
        std::size_t at = 0;
        for (std::size_t len : {2, 65535, 4465, 1, 1, 3000}) {
            unsigned char run[replay_run_size];
            encode_replay_run(r.ticks[at], static_cast<std::uint16_t>(len), run);
            by_hand.insert(by_hand.end(), run, run + replay_run_size);
            at += len;
        }
        by_hand.push_back(replay_end_marker(crashed));
        unsigned char fixed[replay_trailer_fixed_size];
        encode_replay_trailer_fixed(static_cast<std::uint32_t>(r.ticks.size()), r.outcome,
                                    static_cast<std::uint32_t>(r.checkpoints.size()), fixed);
        by_hand.insert(by_hand.end(), fixed, fixed + sizeof fixed);
        for (std::uint64_t c : r.checkpoints) {
            unsigned char bytes[replay_checkpoint_size];
            encode_replay_checkpoint(c, bytes);
            by_hand.insert(by_hand.end(), bytes, bytes + sizeof bytes);
        }
        by_hand.insert(by_hand.end(), replay_closing, replay_closing + sizeof replay_closing);
        EXPECT_EQ(by_hand.size() - replay_header_size - 18 - 1,
                  replay_trailer_size(static_cast<std::uint32_t>(r.checkpoints.size())));
        EXPECT_EQ(by_hand, write_replay(r));

        // The recorder, fed tick by tick, as a crash handler would write it and as bytes.
        REPLAY_RECORDER rec(r.header);
        std::size_t next_checkpoint = 0;
        for (std::uint8_t t : r.ticks) {
            ASSERT_TRUE(rec.add_tick(t));
            if (rec.checkpoint_due() && next_checkpoint < r.checkpoints.size()) {
                ASSERT_TRUE(rec.add_checkpoint(r.checkpoints[next_checkpoint++]));
            }
        }
        EXPECT_EQ(rec.ticks(), r.ticks.size());
        EXPECT_EQ(rec.checkpoints(), r.checkpoints.size());
        REPLAY_OUTCOME outcome = r.outcome;
        outcome.state_hash = 0xFEDCBA9876543210ull;  // a crash writes 0 whatever it is given
        EXPECT_EQ(rec.file_bytes(outcome, crashed), write_replay(r));
        FILE* f = std::tmpfile();
        ASSERT_NE(f, nullptr);
        ASSERT_TRUE(rec.write_to(fileno(f), outcome, crashed));
        std::rewind(f);
        BYTES written(write_replay(r).size() + 1);
        written.resize(std::fread(written.data(), 1, written.size(), f));
        std::fclose(f);
        EXPECT_EQ(written, write_replay(r));
    }
}

TEST(ReplayRecorder, RefusesWhatNoFileCouldHold) {
    REPLAY_HEADER h;
    h.checkpoint_interval = 3;
    REPLAY_RECORDER rec(h);
    EXPECT_FALSE(rec.add_tick(0x40)) << "an unused bit";
    EXPECT_FALSE(rec.add_checkpoint(1)) << "before its tick";
    for (int i = 0; i < 3; i++) ASSERT_TRUE(rec.add_tick(tick_left));
    EXPECT_TRUE(rec.checkpoint_due());
    EXPECT_TRUE(rec.add_checkpoint(1));
    EXPECT_FALSE(rec.checkpoint_due());
    EXPECT_FALSE(rec.add_checkpoint(2)) << "twice for one interval";
    ASSERT_TRUE(rec.add_tick(tick_left));
    EXPECT_FALSE(rec.file_bytes({}, false).empty());
    for (int i = 0; i < 2; i++) ASSERT_TRUE(rec.add_tick(tick_left));
    EXPECT_TRUE(rec.file_bytes({}, false).empty()) << "a normal end lacking a checkpoint";
    EXPECT_FALSE(rec.file_bytes({}, true).empty()) << "a crash may lack it";

    REPLAY_RECORDER full(h);
    for (std::uint32_t i = 0; i < replay_max_ticks; i++) ASSERT_TRUE(full.add_tick(0)) << i;
    EXPECT_FALSE(full.add_tick(0));
    EXPECT_EQ(full.ticks(), replay_max_ticks);
}

// A crash handler may write the file between any two instructions of the recorder: what it
// writes must always read back as the ticks recorded so far.
TEST(ReplayRecorder, AFileWrittenAtAnyMomentReadsBackAsTheTicksSoFar) {
    std::mt19937 random(11);
    std::vector<std::uint8_t> ticks;
    // About 2000 runs: past the first 4096 bytes of the runs' storage.
    while (ticks.size() < 3000) ticks.insert(ticks.end(), 1 + random() % 2, static_cast<std::uint8_t>(random() % 64));
    REPLAY_HEADER h;
    h.checkpoint_interval = 50;
    REPLAY_RECORDER rec(h);
    for (std::size_t i = 0; i < ticks.size(); i++) {
        ASSERT_TRUE(rec.add_tick(ticks[i]));
        if (rec.checkpoint_due()) {
            ASSERT_TRUE(rec.add_checkpoint(i));
        }
        const REPLAY r = read_back(rec.file_bytes({}, true));
        ASSERT_TRUE(std::equal(r.ticks.begin(), r.ticks.end(), ticks.begin(), ticks.begin() + static_cast<long>(i) + 1) &&
                    r.ticks.size() == i + 1) << "after tick " << i;
        ASSERT_EQ(r.checkpoints.size(), (i + 1) / 50);
    }
}

namespace {

// The recorder a timer signal's handler writes, and where.
REPLAY_RECORDER* interrupted_recorder;
int interrupted_fd = -1;
volatile sig_atomic_t handler_runs = 0;
volatile sig_atomic_t handler_failed = 0;

void write_from_handler(int) {
    if (lseek(interrupted_fd, 0, SEEK_SET) != 0 || ftruncate(interrupted_fd, 0) != 0 ||
        !interrupted_recorder->write_to(interrupted_fd, {}, true))
        handler_failed = 1;
    handler_runs = handler_runs + 1;
}

// SIGALRM every interval_us microseconds into write_from_handler while the object lives, and
// SIGALRM blocked inside its hold() scopes.
class alarm_writer {
public:
    explicit alarm_writer(long interval_us) {
        sigemptyset(&alarm_);
        sigaddset(&alarm_, SIGALRM);
        struct sigaction act = {};
        act.sa_handler = write_from_handler;
        act.sa_flags = SA_RESTART;
        sigaction(SIGALRM, &act, nullptr);
        const itimerval every = {{0, interval_us}, {0, interval_us}};
        setitimer(ITIMER_REAL, &every, nullptr);
    }
    ~alarm_writer() {
        const itimerval stop = {};
        setitimer(ITIMER_REAL, &stop, nullptr);
        sigprocmask(SIG_UNBLOCK, &alarm_, nullptr);
        signal(SIGALRM, SIG_DFL);
    }
    alarm_writer(const alarm_writer&) = delete;
    alarm_writer& operator=(const alarm_writer&) = delete;
    void hold() { sigprocmask(SIG_BLOCK, &alarm_, nullptr); }
    void release() { sigprocmask(SIG_UNBLOCK, &alarm_, nullptr); }

private:
    sigset_t alarm_;
};

} // namespace

TEST(ReplayRecorder, ATimerSignalsHandlerAlwaysWritesAReadableFile) {
    REPLAY_HEADER h;
    h.checkpoint_interval = 30;
    REPLAY_RECORDER rec(h);
    interrupted_recorder = &rec;
    interrupted_fd = memfd_create("replay", 0);
    ASSERT_GE(interrupted_fd, 0);

    // Records change every tick or two, and the recording starts again every 100000 ticks, so
    // the runs' storage grows again and again while the signals arrive. Each file the handler
    // wrote is read back with the signal held off.
    constexpr std::size_t restart_after = 100000;
    constexpr int files_to_check = 200;
    std::mt19937 random(3);
    std::vector<std::uint8_t> ticks;
    int checked = 0, seen = 0;
    {
        alarm_writer alarms(200);
        while (checked < files_to_check) {
            const auto record = static_cast<std::uint8_t>(random() % 64);
            for (std::uint32_t n = 1 + random() % 2; n > 0; n--) {
                ticks.push_back(record);
                ASSERT_TRUE(rec.add_tick(record));
                if (rec.checkpoint_due()) {
                    ASSERT_TRUE(rec.add_checkpoint(ticks.size()));
                }
            }
            if (handler_runs == seen && ticks.size() < restart_after) continue;
            alarms.hold();
            if (handler_runs != seen) {
                const off_t size = lseek(interrupted_fd, 0, SEEK_END);
                BYTES f(static_cast<std::size_t>(size));
                ASSERT_EQ(pread(interrupted_fd, f.data(), f.size(), 0), size);
                const REPLAY r = read_back(f);
                ASSERT_LE(r.ticks.size(), ticks.size());
                ASSERT_TRUE(std::equal(r.ticks.begin(), r.ticks.end(), ticks.begin()));
                // The state hash after a closing tick may not be added yet.
                const std::size_t due = r.ticks.size() / 30;
                ASSERT_TRUE(r.checkpoints.size() == due || (r.ticks.size() % 30 == 0 && r.checkpoints.size() + 1 == due));
                for (std::size_t k = 0; k < r.checkpoints.size(); k++) ASSERT_EQ(r.checkpoints[k], 30 * (k + 1));
                checked++;
                seen = handler_runs;
            }
            if (ticks.size() >= restart_after) {
                rec.start(h);
                ticks.clear();
            }
            alarms.release();
        }
    }
    close(interrupted_fd);
    EXPECT_EQ(handler_failed, 0);
}

// Best runs.

namespace {

class BestRuns : public testing::Test {
protected:
    void SetUp() override {
        init_headless_allegro();
        tzset();
    }
    std::string dir() const { return work.path().string() + "/runs"; }
    std::string table_path() const { return dir() + "/best-runs.cfg"; }
    // The names in the table's folder, sorted.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        std::error_code ignored;
        for (const auto& e : fs::directory_iterator(dir(), ignored)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Enters a run whose replay is its score as text; what err received goes to err_text.
    bool enter(std::time_t began, int score, std::string* error = nullptr) {
        const std::string replay = "replay of " + std::to_string(score);
        return enter_best_run(dir(), began, score, 3, 12, replay.data(), replay.size(), err_stream(), error);
    }
    std::vector<BEST_RUN> load() { return load_best_runs(dir(), err_stream()); }
    std::FILE* err_stream() {
        if (!err) err = std::tmpfile();
        return err;
    }
    std::string err_text() {
        if (!err) return "";
        std::rewind(err);
        std::string text;
        for (int c; (c = std::fgetc(err)) != EOF;) text += static_cast<char>(c);
        std::fclose(err);
        err = nullptr;
        return text;
    }
    void TearDown() override { err_text(); }

    scoped_work_dir work;
    scoped_env tz{"TZ", "UTC"};
    std::FILE* err = nullptr;
};

constexpr std::time_t december_7_2026 = 1796601600;  // 2026-12-07 00:00:00 UTC

} // namespace

TEST_F(BestRuns, TheFileHoldsTheRunsInItsLayout) {
    ASSERT_TRUE(enter(december_7_2026 + 18 * 3600 + 4 * 60 + 11, 184));
    ASSERT_TRUE(enter(december_7_2026 + 18 * 3600 + 4 * 60 + 11, 200));  // the same second
    EXPECT_EQ(file_contents(table_path()),
              "[best-runs]\nversion = 1\n\n"
              "[run1]\ndate = 2026-12-07 18:04:11\nscore = 200\nlevel = 3\nminutes = 12\n"
              "replay = best-20261207-180411-2.replay\n\n"
              "[run2]\ndate = 2026-12-07 18:04:11\nscore = 184\nlevel = 3\nminutes = 12\n"
              "replay = best-20261207-180411.replay\n");
    EXPECT_EQ(file_contents(dir() + "/best-20261207-180411-2.replay"), "replay of 200");
    EXPECT_EQ(files(), (std::vector<std::string>{"best-20261207-180411-2.replay", "best-20261207-180411.replay",
                                                  "best-runs.cfg"}));
    EXPECT_EQ(err_text(), "");
}

TEST_F(BestRuns, TheTenBestStayInOrderAndTheEleventhGoesWithItsReplay) {
    const int scores[] = {5, 9, 5, -1, 7, 3, 9, 2, 8, 4, 6, 0, 9};
    std::vector<std::pair<int, std::time_t>> oracle;  // every run entered so far: score, start
    for (std::size_t i = 0; i < std::size(scores); i++) {
        const std::time_t began = december_7_2026 + static_cast<std::time_t>(i) * 3600;
        const bool enters = enters_best_runs(load(), scores[i]);
        std::string error;
        EXPECT_EQ(enter(began, scores[i], &error), enters) << i << ": " << error;
        if (enters) oracle.push_back({scores[i], began});
        // The best ten by a plain stable sort: higher score first, and of equal ones the earlier.
        std::stable_sort(oracle.begin(), oracle.end(), [](auto& a, auto& b) { return a.first > b.first; });
        if (oracle.size() > best_runs_kept) oracle.resize(best_runs_kept);

        const std::vector<BEST_RUN> table = load();
        ASSERT_EQ(table.size(), oracle.size()) << "after run " << i;
        std::vector<std::string> expected_files = {"best-runs.cfg"};
        for (std::size_t k = 0; k < table.size(); k++) {
            char name[64];
            std::tm t{};
            gmtime_r(&oracle[k].second, &t);
            std::strftime(name, sizeof name, "best-%Y%m%d-%H%M%S.replay", &t);
            EXPECT_EQ(table[k].score, oracle[k].first) << "after run " << i << ", place " << k;
            EXPECT_EQ(table[k].replay, name);
            EXPECT_EQ(file_contents(dir() + "/" + name), "replay of " + std::to_string(oracle[k].first));
            expected_files.push_back(name);
        }
        std::sort(expected_files.begin(), expected_files.end());
        EXPECT_EQ(files(), expected_files) << "the dropped run's replay is deleted";
    }
    EXPECT_FALSE(enters_best_runs(load(), 3)) << "equal to the tenth, and later";
    EXPECT_TRUE(enters_best_runs(load(), 4));

    // Another district keeps ten of its own: a low score enters there, and the town's stay.
    EXPECT_TRUE(enters_best_runs(load(), -5, "harbour"));
    ASSERT_TRUE(enter_best_run(dir(), december_7_2026 + 99 * 3600, -5, 1, 1, "h", 1, err_stream(), nullptr,
                               "harbour"));
    const std::vector<BEST_RUN> table = load();
    EXPECT_EQ(district_best_runs(table, "town").size(), best_runs_kept);
    ASSERT_EQ(district_best_runs(table, "harbour").size(), 1u);
    EXPECT_EQ(district_best_runs(table, "harbour")[0].score, -5);
    EXPECT_NE(file_contents(table_path()).find("district = harbour\n"), std::string::npos);
    EXPECT_EQ(err_text(), "");
}

TEST_F(BestRuns, ProgressComesBackAndUnlocksTheNextShippedDistrictAtLevelThree) {
    PROGRESS p;
    EXPECT_TRUE(improve_progress(p, "town", 2, 40));
    EXPECT_FALSE(improve_progress(p, "town", 1, 10)) << "a worse run changes nothing";
    EXPECT_TRUE(improve_progress(p, "town", 1, 50)) << "a better score alone is kept";
    p.last = "harbour";
    std::string error;
    ASSERT_TRUE(save_progress(dir(), p, &error)) << error;
    EXPECT_TRUE(load_progress(dir(), err_stream()) == p);
    EXPECT_EQ(load_progress(dir(), err_stream()).districts["town"], (DISTRICT_PROGRESS{2, 50}));

    // Two shipped districts after the town, then one of the player's: only the town's own
    // progress unlocks the one after it, and the player's is always open.
    std::vector<DISTRICT> list(4);
    const char* folders[] = {"town", "harbour", "park", "mine"};
    for (int i = 0; i < 4; i++) {
        list[i].folder = folders[i];
        list[i].shipped = i < 3;
    }
    EXPECT_EQ(unlocked_districts(list, p), (std::vector<bool>{true, false, false, true}));
    // What a run would open, before it is kept: only the third mission in the town opens the
    // harbour; afterwards nothing more.
    EXPECT_TRUE(districts_opened(list, p, "town", 2, 90).empty());
    ASSERT_EQ(districts_opened(list, p, "town", 3, 0).size(), 1u);
    EXPECT_EQ(districts_opened(list, p, "town", 3, 0)[0].folder, "harbour");
    EXPECT_TRUE(districts_opened(list, p, "park", 3, 0).empty()) << "a locked district opens nothing";
    improve_progress(p, "town", 3, 0);
    improve_progress(p, "park", 9, 0);  // progress in a locked district does not skip one
    EXPECT_EQ(unlocked_districts(list, p), (std::vector<bool>{true, true, false, true}));
    EXPECT_TRUE(districts_opened(list, p, "town", 5, 99).empty());
    // The harbour is new on the district screen until a record of it is kept: a play without a
    // mission makes one, which the first fulfilled mission fills even with a score below 0.
    EXPECT_EQ(newly_opened_districts(list, p), (std::vector<bool>{false, true, false, false}));
    p.districts["harbour"] = DISTRICT_PROGRESS{};
    EXPECT_EQ(newly_opened_districts(list, p), (std::vector<bool>{false, false, false, false}));
    EXPECT_TRUE(improve_progress(p, "harbour", 1, -4));
    EXPECT_EQ(p.districts["harbour"], (DISTRICT_PROGRESS{1, -4}));
    EXPECT_EQ(err_text(), "");

    // A damaged file is set aside with one line, and the game goes on from nothing.
    const std::string path = dir() + "/progress.cfg";
    for (const std::string& text : std::vector<std::string>{"[progress]\nversion = 1\n[town]\nbest_level = x\nbest_score = 1\n",
                                   "[progress]\nversion = 1\n[../etc]\nbest_level = 1\nbest_score = 1\n",
                                   "[progress]\nversion = 7\n", std::string("\xff\xfe[progress]")}) {
        std::ofstream(path, std::ios::binary) << text;
        EXPECT_TRUE(load_progress(dir(), err_stream()) == PROGRESS{}) << text;
        EXPECT_EQ(file_contents(path + ".bad"), text);
        const std::string line = err_text();
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
        EXPECT_NE(line.find("set aside as " + path + ".bad"), std::string::npos) << line;
    }
}

TEST_F(BestRuns, ADamagedTableIsSetAsideWithOneLine) {
    const std::string head = "[best-runs]\nversion = 1\n";
    auto run = [](int n, const std::string& date, const std::string& score, const std::string& minutes,
                  const std::string& replay) {
        return "[run" + std::to_string(n) + "]\ndate = " + date + "\nscore = " + score +
               "\nlevel = 2\nminutes = " + minutes + "\nreplay = " + replay + "\n";
    };
    const std::string d = "2026-12-07 18:04:11", r1 = "best-20261207-180411.replay";
    const std::string r2 = "best-20261207-190000-2.replay";
    const std::string noise = noise_bytes(3000, 5);
    const struct {
        const char* name;
        std::string text;
        const char* reason;
    } cases[] = {
        {"random bytes", noise, "is not ASCII text"},
        {"an empty file", "", "not a table of version 1"},
        {"another version", "[best-runs]\nversion = 2\n" + run(1, d, "5", "1", r1), "not a table of version 1"},
        {"a missing field", head + "[run1]\ndate = " + d + "\nscore = 5\nlevel = 2\nreplay = " + r1 + "\n",
         "[run1] has no minutes"},
        {"a score that is not a number", head + run(1, d, "5x", "1", r1), "[run1] score = 5x is out of range"},
        {"too many minutes", head + run(1, d, "5", "601", r1), "[run1] minutes = 601 is out of range"},
        {"a date of month 13", head + run(1, "2026-13-07 18:04:11", "5", "1", r1), "[run1] date = 2026-13-07"},
        {"a replay up the tree", head + run(1, d, "5", "1", "../victim"), "[run1] replay = ../victim is not a name"},
        {"a replay at an absolute path", head + run(1, d, "5", "1", "/tmp/" + r1), "[run1] replay = /tmp/"},
        {"a replay with a leading zero", head + run(1, d, "5", "1", "best-20261207-180411-02.replay"),
         "[run1] replay"},
        {"two runs sharing a replay", head + run(1, d, "5", "1", r1) + run(2, d, "4", "1", r1),
         "[run2] shares its replay"},
        {"runs out of order", head + run(1, d, "4", "1", r1) + run(2, d, "5", "1", r2),
         "[run2] ranks before the run of its district above it"},
        {"a district up the tree", head + run(1, d, "5", "1", r1) + "district = ../x\n",
         "[run1] district = ../x is not a district's folder name"},
        {"equal scores, the later first", head + run(1, "2026-12-08 00:00:00", "5", "1", r1) + run(2, d, "5", "1", r2),
         "[run2] ranks before"},
        {"a gap", head + run(1, d, "5", "1", r1) + run(3, d, "4", "1", r2), "[run3] after the last run"},
        {"an eleventh run", head + run(1, d, "5", "1", r1) + run(11, d, "4", "1", r2), "[run11] after the last run"},
        {"larger than any table", head + std::string(70000, '\n'), "larger than 65536 bytes"},
    };
    fs::create_directories(dir());
    std::ofstream(table_path() + ".bad") << "an older damaged table";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(table_path(), std::ios::binary) << c.text;
        EXPECT_TRUE(load().empty());
        EXPECT_FALSE(fs::exists(table_path()));
        EXPECT_EQ(file_contents(table_path() + ".bad"), c.text);
        const std::string line = err_text();
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
        EXPECT_NE(line.find(c.reason), std::string::npos) << line;
        EXPECT_NE(line.find("set aside as " + table_path() + ".bad"), std::string::npos) << line;
    }
    // A table of two good runs, with another section and comments, is no damage.
    std::ofstream(table_path()) << "# mine\n" + head + run(1, d, "5", "1", r1) + "[notes]\nx = y\n" +
                                       run(2, d, "5", "0", r2);
    EXPECT_EQ(load().size(), 2u);
    EXPECT_EQ(err_text(), "");
}

TEST_F(BestRuns, AHostileReplayNameIsNeverDeleted) {
    // A full table whose last run names a file outside its folder: entering a better run would
    // drop that run, but the table is set aside before anything is deleted.
    fs::create_directories(dir());
    std::ofstream(work.path() / "victim") << "keep me";
    std::ofstream(dir() + "/best-20261207-000000.replay") << "a replay";
    std::string text = "[best-runs]\nversion = 1\n";
    for (int i = 1; i <= 10; i++)
        text += "[run" + std::to_string(i) + "]\ndate = 2026-12-07 00:00:00\nscore = " + std::to_string(20 - i) +
                "\nlevel = 1\nminutes = 1\nreplay = " +
                (i == 10 ? std::string("../victim") : "best-20261207-00000" + std::to_string(i % 10) + ".replay") + "\n";
    std::ofstream(table_path()) << text;
    ASSERT_TRUE(enter(december_7_2026 + 60, 100));
    EXPECT_EQ(file_contents(work.path() / "victim"), "keep me");
    EXPECT_EQ(file_contents(dir() + "/best-20261207-000000.replay"), "a replay") << "not ours to delete now";
    EXPECT_EQ(load().size(), 1u);
    EXPECT_NE(err_text().find("[run10] replay = ../victim"), std::string::npos);
}

TEST_F(BestRuns, EnteringFailsWithTheOldTableKept) {
    ASSERT_TRUE(enter(december_7_2026, 10));
    const std::string before = file_contents(table_path());
    std::string error;
    EXPECT_FALSE(enter_best_run(dir(), december_7_2026 + 1, 11, 1, best_run_max_minutes + 1, "x", 1, err_stream(),
                                &error));
    EXPECT_EQ(error, "the run's minutes is out of range");
    EXPECT_FALSE(enter_best_run(dir(), december_7_2026 + 1, 11, -1, 1, "x", 1, err_stream(), &error));
    EXPECT_EQ(error, "the run's level is out of range");
    EXPECT_EQ(file_contents(table_path()), before);
    EXPECT_EQ(files().size(), 2u);

    // A folder where the table's folder should be: nothing can be written.
    const std::string blocked = work.path().string() + "/blocked";
    std::ofstream(blocked) << "a file";
    EXPECT_FALSE(enter_best_run(blocked + "/runs", december_7_2026, 1, 1, 1, "x", 1, err_stream(), &error));
    EXPECT_NE(error.find("cannot make the directory"), std::string::npos) << error;
    EXPECT_EQ(file_contents(blocked), "a file");
}

TEST(BestRunNames, OnlyTheTablesOwnFormIsAReplayName) {
    const struct {
        const char* name;
        bool ours;
    } cases[] = {
        {"best-20261207-180411.replay", true},
        {"best-20261207-180411-2.replay", true},
        {"best-20261207-180411-9999.replay", true},
        {"best-20261207-180411-1.replay", true},
        {"best-20261207-180411-0.replay", false},
        {"best-20261207-180411-02.replay", false},
        {"best-20261207-180411-10000.replay", false},
        {"best-20261207-180411-.replay", false},
        {"best-2026127-180411.replay", false},
        {"best-20261207_180411.replay", false},
        {"best-20261207-180411.replay.bak", false},
        {"../best-20261207-180411.replay", false},
        {"best-20261207-180411/../../x.replay", false},
        {"best-20261207-1804a1.replay", false},
        {"", false},
        {"/etc/passwd", false},
    };
    for (const auto& c : cases) EXPECT_EQ(is_best_run_replay_name(c.name), c.ours) << c.name;
}

// Splits.

// The splits' table in the same scratch folder, with the same capture of what goes to err.
class Splits : public BestRuns {
protected:
    std::string splits_path() const { return dir() + "/splits.cfg"; }
    bool keep(const std::string& district, const std::vector<int>& run, const std::string& replay) {
        std::string error;
        const bool kept = keep_splits(dir(), district, run, replay.data(), replay.size(), err_stream(), &error);
        EXPECT_TRUE(kept) << error;
        return kept;
    }
};

TEST_F(Splits, RunsKeepTheBestSplitsTheQuickestMissionsAndTheBestRunsReplay) {
    EXPECT_TRUE(keep("town", {}, "no mission"));
    EXPECT_FALSE(fs::exists(dir())) << "a run without a split writes nothing";
    const struct {
        const char* district;
        std::vector<int> splits;
    } runs[] = {
        {"town", {1000, 2500}}, {"town", {900, 2600}}, {"town", {1200}},  {"harbour", {5000}},
        {"town", {1100, 2000, 3000}}, {"town", {1100, 2000, 3000}}, {"harbour", {4000, 9000}},
        {"town", {800, 1900, 2999}},
    };
    // The oracle: the best is the first run with the most splits and the soonest last one; each
    // mission's quickest is the least of its times, a mission's time being its split less the one
    // before.
    struct record {
        std::vector<int> best, quickest;
        std::string ghost;
    };
    std::map<std::string, record> oracle;
    for (std::size_t i = 0; i < std::size(runs); i++) {
        const std::vector<int>& run = runs[i].splits;
        const std::string replay = "replay of run " + std::to_string(i);
        record& r = oracle[runs[i].district];
        // Judged against the record as the run began.
        const SPLITS_TABLE before = load_splits(dir(), err_stream());
        const SPLITS was = before.count(runs[i].district) ? before.at(runs[i].district) : SPLITS{};
        for (std::size_t k = 0; k < run.size(); k++) {
            const SPLIT_NOTE n = judge_split(was, run, static_cast<int>(k));
            const int mission = run[k] - (k ? run[k - 1] : 0);
            EXPECT_EQ(n.split, static_cast<int>(k));
            EXPECT_EQ(n.compared, k < r.best.size());
            SPLIT_LOOK look = SPLIT_LOOK::plain;
            if (k < r.best.size()) {
                EXPECT_EQ(n.difference, run[k] - r.best[k]);
                look = run[k] <= r.best[k] ? SPLIT_LOOK::ahead : SPLIT_LOOK::behind;
            }
            if (k < r.quickest.size() && mission < r.quickest[k]) look = SPLIT_LOOK::gold;
            EXPECT_EQ(n.look, look) << "run " << i << ", split " << k;
        }
        ASSERT_TRUE(keep(runs[i].district, run, replay)) << "run " << i;
        for (std::size_t k = 0; k < run.size(); k++) {
            const int mission = run[k] - (k ? run[k - 1] : 0);
            if (k == r.quickest.size()) r.quickest.push_back(mission);
            r.quickest[k] = std::min(r.quickest[k], mission);
        }
        if (run.size() > r.best.size() || (run.size() == r.best.size() && run.back() < r.best.back())) {
            r.best = run;
            r.ghost = replay;
        }
        const SPLITS_TABLE table = load_splits(dir(), err_stream());
        ASSERT_EQ(table.size(), oracle.size()) << "after run " << i;
        for (const auto& [district, want] : oracle) {
            EXPECT_EQ(table.at(district).best, want.best) << district << " after run " << i;
            EXPECT_EQ(table.at(district).quickest, want.quickest) << district << " after run " << i;
            EXPECT_EQ(file_contents(dir() + "/" + ghost_file_name(district)), want.ghost) << district;
        }
    }
    EXPECT_EQ(file_contents(splits_path()),
              "[splits]\nversion = 1\n\n[harbour]\nbest = 4000 9000\nquickest = 4000 5000\n\n"
              "[town]\nbest = 800 1900 2999\nquickest = 800 900 1000\n");
    EXPECT_EQ(err_text(), "");
}

TEST_F(Splits, ADamagedTableIsSetAsideWithOneLineAndWrittenAnew) {
    const std::string head = "[splits]\nversion = 1\n";
    const std::string noise = noise_bytes(2000, 11);
    const struct {
        const char* name;
        std::string text;
        const char* reason;
    } cases[] = {
        {"random bytes", noise, "is not ASCII text"},
        {"another version", "[splits]\nversion = 2\n[town]\nbest = 5\n", "not a table of version 1"},
        {"no version", "[town]\nbest = 5\n", "not a table of version 1"},
        {"a section that is no folder", head + "[../town]\nbest = 5\n", "[../town] is not a district"},
        {"splits that fall", head + "[town]\nbest = 500 400\n", "[town] best does not rise"},
        {"a split of 0", head + "[town]\nbest = 0 400\n", "[town] best holds a number out of range"},
        {"a negative mission", head + "[town]\nquickest = 5 -4\n", "[town] quickest holds something"},
        {"a huge number", head + "[town]\nquickest = 99999999999\n", "[town] quickest holds a number out of range"},
        {"words", head + "[town]\nbest = 12x\n", "[town] best holds something"},
        {"more splits than kept", head + "[town]\nquickest =" + [] {
             std::string s;
             for (std::size_t i = 0; i <= splits_max; i++) s += " 7";
             return s;
         }() + "\n", "holds more than 1000 numbers"},
        {"larger than any table", head + std::string(splits_max_bytes, '\n'), "larger than"},
    };
    fs::create_directories(dir());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(splits_path(), std::ios::binary) << c.text;
        EXPECT_TRUE(load_splits(dir(), err_stream()).empty());
        EXPECT_FALSE(fs::exists(splits_path()));
        EXPECT_EQ(file_contents(splits_path() + ".bad"), c.text);
        const std::string line = err_text();
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
        EXPECT_NE(line.find(c.reason), std::string::npos) << line;
        EXPECT_NE(line.find("set aside as " + splits_path() + ".bad"), std::string::npos) << line;
    }
    // A run kept over a damaged table starts it anew.
    std::ofstream(splits_path()) << noise;
    ASSERT_TRUE(keep("town", {700}, "a run"));
    EXPECT_NE(err_text().find("set aside"), std::string::npos) << "the damaged table was said";
    const SPLITS_TABLE table = load_splits(dir(), err_stream());
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table.at("town").best, std::vector<int>{700});
    EXPECT_EQ(file_contents(splits_path() + ".bad"), noise);

    // A section without a record, as a hand may leave one, is no damage and no record.
    std::ofstream(splits_path()) << head + "[park]\nnote = mine\n[town]\nbest = 5\n";
    EXPECT_EQ(load_splits(dir(), err_stream()).count("park"), 0u);
    EXPECT_TRUE(keep("park", {3}, "a run"));
    EXPECT_EQ(load_splits(dir(), err_stream()).size(), 2u);
    EXPECT_EQ(err_text(), "");
}

// Files.

TEST(Files, AFileIsReplacedWholeWithItsFoldersMade) {
    scoped_work_dir work;
    const fs::path path = work.path() / "a" / "b" / "file";
    std::string error;
    ASSERT_TRUE(write_file_atomically(path.string(), "old", 3, &error)) << error;
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); i++) big[i] = static_cast<char>(i * 7 % 251);
    ASSERT_TRUE(write_file_atomically(path.string(), big.data(), big.size(), &error)) << error;
    EXPECT_EQ(file_contents(path), big);
    EXPECT_EQ(std::distance(fs::directory_iterator(path.parent_path()), fs::directory_iterator()), 1)
        << "no temporary file left";
}

TEST(Files, AFailedWriteLeavesTheOldFileAndNoTemporaryOne) {
    scoped_work_dir work;
    auto names = [&] {
        std::vector<std::string> n;
        for (const auto& e : fs::recursive_directory_iterator(work.path())) n.push_back(e.path().string());
        std::sort(n.begin(), n.end());
        return n;
    };
    std::string error;

    // A file where a folder should be.
    std::ofstream(work.path() / "blocked") << "old";
    auto before = names();
    EXPECT_FALSE(write_file_atomically((work.path() / "blocked" / "sub" / "file").string(), "new", 3, &error));
    EXPECT_NE(error.find("cannot make the directory"), std::string::npos) << error;
    EXPECT_EQ(file_contents(work.path() / "blocked"), "old");
    EXPECT_EQ(names(), before);

    // A folder in the file's place: the temporary file is written, the rename fails.
    fs::create_directories(work.path() / "target");
    std::ofstream(work.path() / "target" / "inside") << "old";
    before = names();
    EXPECT_FALSE(write_file_atomically((work.path() / "target").string(), "new", 3, &error));
    EXPECT_NE(error.find("cannot rename"), std::string::npos) << error;
    EXPECT_EQ(file_contents(work.path() / "target" / "inside"), "old");
    EXPECT_EQ(names(), before);

    // A disk that fills up halfway: the file size limit stands in for it.
    const fs::path file = work.path() / "file";
    std::ofstream(file) << "old contents";
    before = names();
    rlimit old_limit;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    rlimit small = old_limit;
    small.rlim_cur = 4096;
    signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string big(100000, 'x');
    const bool written = write_file_atomically(file.string(), big.data(), big.size(), &error);
    setrlimit(RLIMIT_FSIZE, &old_limit);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(written);
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    EXPECT_EQ(file_contents(file), "old contents");
    EXPECT_EQ(names(), before);
}

TEST(Files, TheXdgFoldersFollowTheBaseDirectoryRules) {
    scoped_env home("HOME", "/home/mora");
    scoped_env config("XDG_CONFIG_HOME", nullptr), state("XDG_STATE_HOME", nullptr), data("XDG_DATA_HOME", nullptr);
    const struct {
        scoped_env* variable;
        std::string (*dir)();
        const char* fallback;
    } kinds[] = {
        {&config, xdg_config_dir, "/home/mora/.config/one-step-ahead"},
        {&state, xdg_state_dir, "/home/mora/.local/state/one-step-ahead"},
        {&data, xdg_data_dir, "/home/mora/.local/share/one-step-ahead"},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.fallback);
        EXPECT_EQ(k.dir(), k.fallback) << "unset";
        k.variable->set("/x/y");
        EXPECT_EQ(k.dir(), "/x/y/one-step-ahead");
        k.variable->set("relative/y");
        EXPECT_EQ(k.dir(), k.fallback) << "a relative value is ignored";
        k.variable->set("");
        EXPECT_EQ(k.dir(), k.fallback) << "an empty value is ignored";
        home.set(nullptr);
        EXPECT_EQ(k.dir(), "") << "no HOME";
        k.variable->set("/x/y");
        EXPECT_EQ(k.dir(), "/x/y/one-step-ahead") << "no HOME needed";
        home.set("/home/mora");
        k.variable->set(nullptr);
    }
}

// The game's --verify, on the demo the generator made and on copies of it: every copy that is not
// the run as recorded is refused with one line that names the file and why, and exit status 1.
TEST(Verify, TheShippedDemoPassesAndEveryOtherRunIsRefusedWithItsReason) {
    const std::string demo = build_dir() + "/dat/demo.replay";
    std::string line;
    ASSERT_EQ(verify_with_game(demo, &line), 0) << line;
    EXPECT_EQ(line.rfind(demo + ": ok, ", 0), 0u) << line;
    const std::string bytes = file_contents(demo);
    REPLAY r;
    ASSERT_TRUE(read_replay(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &r, nullptr));
    ASSERT_GT(r.ticks.size(), 2400u) << "the demo reaches its second checkpoint";
    // Its second line: a split for every mission the run fulfilled, m:ss.cc, rising, within the run.
    ASSERT_GE(r.outcome.level, 1) << "the demo fulfils its mission";
    const std::string splits = line.substr(line.find('\n') + 1);
    ASSERT_EQ(splits.rfind("splits:", 0), 0u) << line;
    std::istringstream times(splits.substr(7));
    std::vector<double> seconds;
    for (std::string t; times >> t;) {
        unsigned m = 0, s = 0, cs = 0;
        char tail = 0;
        ASSERT_EQ(std::sscanf(t.c_str(), "%u:%2u.%2u%c", &m, &s, &cs, &tail), 3) << t;
        ASSERT_EQ(t.size(), std::to_string(m).size() + 6) << t;
        seconds.push_back(m * 60 + s + cs / 100.0);
    }
    EXPECT_EQ(seconds.size(), static_cast<std::size_t>(r.outcome.level)) << splits;
    EXPECT_TRUE(std::is_sorted(seconds.begin(), seconds.end())) << splits;
    EXPECT_LE(seconds.back(), static_cast<double>(r.ticks.size()) / replay_tick_rate) << splits;

    scoped_work_dir dir;
    auto as_file = [](const std::vector<unsigned char>& b) { return std::string(b.begin(), b.end()); };
    std::string flipped = bytes;
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 4; i++) flipped[i] = static_cast<char>(flipped[i] ^ 0x5A);
    const std::string noise = noise_bytes(bytes.size(), 7);
    REPLAY walked = r;  // 100 ticks of Left after the first checkpoint: the run goes elsewhere
    for (size_t t = 1300; t < 1400; t++) walked.ticks[t] |= tick_left;
    REPLAY other_level = r, other_assets = r, newer = r;
    other_level.header.level_hash ^= 1;
    other_assets.header.logic_hash ^= 1;
    std::string newer_bytes = as_file(write_replay(newer));
    newer_bytes[8] = static_cast<char>(replay_version + 1);  // the format version
    const struct {
        const char* name;
        std::string bytes;
        std::string reason;  // the line's start after the file's name; empty: any reason
    } cases[] = {
        {"flipped", flipped, ""},
        {"half", bytes.substr(0, bytes.size() / 2), "cut short at byte " + std::to_string(bytes.size() / 2)},
        {"noise", noise, "not a replay"},
        {"empty", "", "not a replay"},
        {"walked", as_file(write_replay(walked)), "differs from the recorded run at 20.0 s, tick 2400"},
        {"level", as_file(write_replay(other_level)), "recorded on another level"},
        {"assets", as_file(write_replay(other_assets)), "recorded with other assets"},
        {"newer", newer_bytes, "a format version newer than this game's"},
    };
    for (const auto& c : cases) {
        const std::string path = (dir.path() / c.name).string();
        std::ofstream(path, std::ios::binary) << c.bytes;
        EXPECT_EQ(verify_with_game(path, &line), 1) << c.name << ": " << line;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << c.name << ": " << line;
        EXPECT_EQ(line.rfind(path + ": " + c.reason, 0), 0u) << c.name << ": " << line;
        EXPECT_EQ(line.find(": ok"), std::string::npos) << c.name << ": " << line;
    }
}
