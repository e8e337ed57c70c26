// The replay file: a run recorded tick by tick, its reader and writer, the encoders a crash
// handler can call, and the recorder that keeps a run's file ready to write at any moment.
// The layout is described in doc/replay-format.md.
#ifndef OSA_REPLAY_REPLAY_FILE_H
#define OSA_REPLAY_REPLAY_FILE_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One tick's record: the input the logic read in that tick and the timers that fired before it.
constexpr std::uint8_t tick_left = 1 << 0;
constexpr std::uint8_t tick_right = 1 << 1;
constexpr std::uint8_t tick_up = 1 << 2;      // enter a shop
constexpr std::uint8_t tick_jump = 1 << 3;
constexpr std::uint8_t tick_anim = 1 << 4;    // the 8 Hz animation timer fired before the tick
constexpr std::uint8_t tick_clock = 1 << 5;   // the 1 Hz clock fired before the tick
constexpr std::uint8_t tick_unused = 0xC0;    // always 0 in a record

constexpr char replay_magic[8] = {'O', 'S', 'A', 'R', 'E', 'P', 'L', 'Y'};
constexpr std::uint16_t replay_version = 2;         // the newest format this game reads and writes
constexpr std::size_t replay_header_size = 64;      // version 1's header; a reader takes more
// Version 2 adds the district's folder name after version 1's header: printable ASCII padded
// with NULs. The town's runs are still written as version 1 (no field: the town), so that every
// file made before districts keeps its bytes.
constexpr std::uint16_t replay_version_district = 2;
constexpr std::size_t replay_district_size = 40;
constexpr std::size_t replay_header_max_size = replay_header_size + replay_district_size;
constexpr const char* replay_town = "town";         // the district of a file without the field
constexpr std::size_t replay_game_version_size = 16;
constexpr std::size_t replay_run_size = 3;          // u8 record, u16 count
constexpr std::uint32_t replay_max_run = 65535;     // ticks in one run
constexpr std::uint8_t replay_end_normal = 0xFF;
constexpr std::uint8_t replay_end_crash = 0xFE;
constexpr std::size_t replay_trailer_fixed_size = 28;  // up to and with the checkpoint count
constexpr std::size_t replay_checkpoint_size = 8;
constexpr char replay_closing[4] = {'E', 'N', 'D', '.'};
constexpr std::uint16_t replay_tick_rate = 120;
constexpr std::uint16_t replay_checkpoint_interval = 1200;  // ticks: 10 s
// The longest run a file may hold: 10 hours of ticks, so that verifying a hostile file ends.
constexpr std::uint32_t replay_max_ticks = 10u * 60 * 60 * replay_tick_rate;
// The largest file that can hold a readable replay: the largest header, a run for every tick
// and a checkpoint for every tick (an interval of 1).
constexpr std::size_t replay_max_bytes = 65535 + replay_max_ticks * replay_run_size + 1 +
                                         replay_trailer_fixed_size +
                                         replay_max_ticks * replay_checkpoint_size +
                                         sizeof replay_closing;

// The header's fields (the magic, the version and the header's size are the format's own).
struct REPLAY_HEADER {
    std::string game_version;  // printable ASCII, at most 16 characters (more are cut)
    std::uint64_t level_hash = 0;  // hash64 of the level file's bytes
    std::uint64_t logic_hash = 0;  // of what decides the logic: tile and character masks
    std::uint16_t tick_rate = replay_tick_rate;
    std::uint16_t checkpoint_interval = replay_checkpoint_interval;  // ticks, 1 or more
    std::int64_t began = 0;  // seconds since 1970-01-01 UTC when the run began
    std::string district = replay_town;  // the district's folder name, at most 40 characters
};

// What the trailer says of the run's end, beside the counts.
struct REPLAY_OUTCOME {
    std::int32_t level = 0;
    std::int32_t score = 0;
    std::int32_t seconds_left = 0;
    std::uint64_t state_hash = 0;  // the whole game state after the last tick; 0 after a crash
};

// A whole replay file in memory.
struct REPLAY {
    REPLAY_HEADER header;
    std::vector<std::uint8_t> ticks;  // one record per tick, in order
    bool crashed = false;             // the run was cut short by a crash (end marker 0xFE)
    REPLAY_OUTCOME outcome;
    // The state hash after tick k * checkpoint_interval, k = 1, 2, ...: ticks.size() / interval
    // of them after a normal end, at most that many after a crash.
    std::vector<std::uint64_t> checkpoints;
};

bool operator==(const REPLAY_HEADER& a, const REPLAY_HEADER& b);
bool operator==(const REPLAY_OUTCOME& a, const REPLAY_OUTCOME& b);
bool operator==(const REPLAY& a, const REPLAY& b);

// Reads a replay file from size bytes at data into *out. False when the bytes are no replay this
// game can read, with *out untouched and, when error is not null, one of:
//   "not a replay" (bad magic, or fewer bytes than the magic),
//   "a format version newer than this game's (V; this game reads 1)",
//   "cut short at byte B" (the file ends where more was expected; B is its size),
//   "damaged at byte B: <what>" (B is where the fault lies).
// The level hash, the logic hash and the tick rate are taken as they are: judging them is the
// verifier's. Never reads outside the bytes; holds at most replay_max_ticks records.
bool read_replay(const unsigned char* data, std::size_t size, REPLAY* out, std::string* error);

// read_replay on the file at path; also false ("cannot read ...", "larger than any replay", "is
// not a regular file") when the file cannot be read, is larger than replay_max_bytes or is no
// regular file (a FIFO is refused, never waited on: core/player_files.h).
bool read_replay_file(const std::string& path, REPLAY* out, std::string* error);

// The file's bytes for r: its ticks as runs of equal records, a run longer than replay_max_run
// split into several. What read_replay gives back equals r when r keeps to the format (records
// without the unused bits, at most replay_max_ticks, an interval of 1 or more, the number of
// checkpoints the format asks, a state hash of 0 after a crash).
std::vector<unsigned char> write_replay(const REPLAY& r);

// The file of r written atomically to path (see write_file_atomically); false with why.
bool write_replay_file(const std::string& path, const REPLAY& r, std::string* error);

// Encoders into the caller's arrays: no allocation and no library call, so a signal handler may
// call them. All numbers little-endian.
// The header of h: version 1's 64 bytes for the town, version 2's 104 with the district's name
// (cut to replay_district_size) for any other. Returns how many bytes it wrote.
std::size_t encode_replay_header(const REPLAY_HEADER& h, unsigned char out[replay_header_max_size]);
// One run: record, then count (1 .. replay_max_run).
void encode_replay_run(std::uint8_t record, std::uint16_t count, unsigned char out[replay_run_size]);
// The end marker: replay_end_crash or replay_end_normal.
inline unsigned char replay_end_marker(bool crashed) { return crashed ? replay_end_crash : replay_end_normal; }
// The trailer's first replay_trailer_fixed_size bytes: tick count, level, score, seconds left,
// state hash, checkpoint count. The checkpoints follow, each replay_checkpoint_size bytes (a
// state hash, encode_replay_checkpoint), then the replay_closing bytes end the file. The whole
// trailer takes replay_trailer_size(checkpoint_count) bytes.
void encode_replay_trailer_fixed(std::uint32_t tick_count, const REPLAY_OUTCOME& o,
                                 std::uint32_t checkpoint_count,
                                 unsigned char out[replay_trailer_fixed_size]);
void encode_replay_checkpoint(std::uint64_t state_hash, unsigned char out[replay_checkpoint_size]);
constexpr std::size_t replay_trailer_size(std::uint32_t checkpoint_count) {
    return replay_trailer_fixed_size + checkpoint_count * replay_checkpoint_size + sizeof replay_closing;
}

// A run being recorded, kept as the file's bytes so far: the encoded header, the closed runs,
// the open run and the checkpoints. The game adds a record each tick and a checkpoint each
// interval; at the end, or from a crash handler at any moment on the main thread, the file comes
// out whole. Growing storage is published only once the old bytes are copied into it, and what
// a handler reads (the runs' length together with the open run, the checkpoint count) is always
// consistent with the bytes. Owns its storage; not copyable.
class REPLAY_RECORDER {
public:
    explicit REPLAY_RECORDER(const REPLAY_HEADER& header = REPLAY_HEADER());
    ~REPLAY_RECORDER();
    REPLAY_RECORDER(const REPLAY_RECORDER&) = delete;
    REPLAY_RECORDER& operator=(const REPLAY_RECORDER&) = delete;

    // Forgets everything recorded and starts a run with this header.
    void start(const REPLAY_HEADER& header);

    // Records one tick. False, and the tick not recorded, when record has unused bits set, when
    // replay_max_ticks are recorded already, or when memory runs out.
    bool add_tick(std::uint8_t record);
    // Records the state hash after the tick just recorded, which must close an interval whose
    // checkpoints before are all recorded (checkpoint_due). False, and nothing recorded,
    // otherwise or when memory runs out.
    bool add_checkpoint(std::uint64_t state_hash);
    // True when the tick just recorded is a multiple of the interval and every checkpoint before
    // it is recorded: its state hash is to be added now.
    bool checkpoint_due() const;

    std::uint32_t ticks() const;
    std::uint32_t checkpoints() const;

    // Writes the whole file to the descriptor fd with write(2) alone (safe in a signal
    // handler): header, runs, the open run, the end marker (0xFE when crashed), the trailer with
    // o (its state hash written as 0 after a crash). False when a write fails or, for a normal
    // end, the checkpoints are not exactly ticks() / interval.
    bool write_to(int fd, const REPLAY_OUTCOME& o, bool crashed) const;
    // The same file as bytes (empty when a normal end lacks checkpoints); allocates.
    std::vector<unsigned char> file_bytes(const REPLAY_OUTCOME& o, bool crashed) const;

private:
    // Append-only bytes whose pointer a handler may load at any moment.
    struct GROWING_BYTES {
        std::atomic<unsigned char*> data{nullptr};
        std::size_t capacity = 0;
        // Room for used + more bytes; the first used bytes are copied before the new storage
        // is published. False when memory runs out.
        bool make_room(std::size_t used, std::size_t more);
        void release();
    };
    template <class SINK>
    bool emit(SINK& sink, const REPLAY_OUTCOME& o, bool crashed) const;

    unsigned char header_[replay_header_max_size] = {};
    std::size_t header_size_ = replay_header_size;
    std::uint16_t interval_ = replay_checkpoint_interval;
    GROWING_BYTES runs_;
    // The runs' length in bytes (bits 24..63), the open run's record (16..23) and count (0..15),
    // in one word so that a handler sees the closed runs and the open one at the same instant.
    std::atomic<std::uint64_t> state_{0};
    std::atomic<std::uint32_t> ticks_{0};
    GROWING_BYTES checkpoints_;  // encoded, replay_checkpoint_size each
    std::atomic<std::uint32_t> checkpoint_count_{0};
};

#endif
