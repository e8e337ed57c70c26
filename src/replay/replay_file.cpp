// The replay file's reader, writer and encoders, and the recorder of a run in progress.
#include "replay/replay_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/files.h"
#include "core/player_files.h"

namespace {

// Byte offsets in the header.
constexpr std::size_t at_version = 8;
constexpr std::size_t at_header_size = 10;
constexpr std::size_t at_game_version = 12;
constexpr std::size_t at_level_hash = 28;
constexpr std::size_t at_logic_hash = 36;
constexpr std::size_t at_tick_rate = 44;
constexpr std::size_t at_interval = 46;
constexpr std::size_t at_began = 48;
constexpr std::size_t at_reserved = 56;
constexpr std::size_t at_district = 64;  // version 2

// Little-endian numbers, by hand so that the encoders call nothing.
void put_le(unsigned char* out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; i++) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint64_t get_le(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; i++) v |= std::uint64_t{p[i]} << (8 * i);
    return v;
}

// The recorder's word: runs' length, open record, open count.
constexpr std::uint64_t recorder_state(std::uint64_t runs_length, std::uint8_t record, std::uint32_t count) {
    return runs_length << 24 | std::uint64_t{record} << 16 | count;
}

// Which checkpoint count a file with this many ticks needs (after a normal end) or allows at
// most (after a crash).
std::uint32_t checkpoints_for(std::uint32_t ticks, std::uint16_t interval) {
    return interval == 0 ? 0 : ticks / interval;
}

// The reader's verdicts, each with its message.
bool refuse(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}
bool cut_short(std::string* error, std::size_t size) {
    return refuse(error, "cut short at byte " + std::to_string(size));
}
bool damaged(std::string* error, std::size_t at, const std::string& what) {
    return refuse(error, "damaged at byte " + std::to_string(at) + ": " + what);
}

// The game version field: printable ASCII, then NUL bytes to its end.
bool padded_ascii(const unsigned char* p, std::size_t n) {
    std::size_t i = 0;
    while (i < n && p[i] >= 0x20 && p[i] < 0x7F) i++;
    while (i < n && p[i] == 0) i++;
    return i == n;
}

// The bytes after the end marker, for the writer and the recorder alike: marker, fixed trailer
// (state hash 0 after a crash). The checkpoints and the closing follow separately.
void encode_end(bool crashed, std::uint32_t tick_count, REPLAY_OUTCOME o, std::uint32_t checkpoint_count,
                unsigned char out[1 + replay_trailer_fixed_size]) {
    if (crashed) o.state_hash = 0;
    out[0] = replay_end_marker(crashed);
    encode_replay_trailer_fixed(tick_count, o, checkpoint_count, out + 1);
}

} // namespace

bool operator==(const REPLAY_HEADER& a, const REPLAY_HEADER& b) {
    return a.game_version == b.game_version && a.level_hash == b.level_hash &&
           a.logic_hash == b.logic_hash && a.tick_rate == b.tick_rate &&
           a.checkpoint_interval == b.checkpoint_interval && a.began == b.began && a.district == b.district;
}

bool operator==(const REPLAY_OUTCOME& a, const REPLAY_OUTCOME& b) {
    return a.level == b.level && a.score == b.score && a.seconds_left == b.seconds_left &&
           a.state_hash == b.state_hash;
}

bool operator==(const REPLAY& a, const REPLAY& b) {
    return a.header == b.header && a.ticks == b.ticks && a.crashed == b.crashed &&
           a.outcome == b.outcome && a.checkpoints == b.checkpoints;
}

std::size_t encode_replay_header(const REPLAY_HEADER& h, unsigned char out[replay_header_max_size]) {
    const bool town = h.district == replay_town;
    const std::size_t size = town ? replay_header_size : replay_header_max_size;
    for (std::size_t i = 0; i < size; i++) out[i] = 0;
    for (std::size_t i = 0; i < sizeof replay_magic; i++) out[i] = static_cast<unsigned char>(replay_magic[i]);
    put_le(out + at_version, town ? 1 : replay_version_district, 2);
    put_le(out + at_header_size, size, 2);
    const std::size_t n = h.game_version.size();
    for (std::size_t i = 0; i < n && i < replay_game_version_size; i++)
        out[at_game_version + i] = static_cast<unsigned char>(h.game_version[i]);
    put_le(out + at_level_hash, h.level_hash, 8);
    put_le(out + at_logic_hash, h.logic_hash, 8);
    put_le(out + at_tick_rate, h.tick_rate, 2);
    put_le(out + at_interval, h.checkpoint_interval, 2);
    put_le(out + at_began, static_cast<std::uint64_t>(h.began), 8);
    put_le(out + at_reserved, 0, 8);
    for (std::size_t i = 0; !town && i < h.district.size() && i < replay_district_size; i++)
        out[at_district + i] = static_cast<unsigned char>(h.district[i]);
    return size;
}

void encode_replay_run(std::uint8_t record, std::uint16_t count, unsigned char out[replay_run_size]) {
    out[0] = record;
    put_le(out + 1, count, 2);
}

void encode_replay_trailer_fixed(std::uint32_t tick_count, const REPLAY_OUTCOME& o,
                                 std::uint32_t checkpoint_count,
                                 unsigned char out[replay_trailer_fixed_size]) {
    put_le(out, tick_count, 4);
    put_le(out + 4, static_cast<std::uint32_t>(o.level), 4);
    put_le(out + 8, static_cast<std::uint32_t>(o.score), 4);
    put_le(out + 12, static_cast<std::uint32_t>(o.seconds_left), 4);
    put_le(out + 16, o.state_hash, 8);
    put_le(out + 24, checkpoint_count, 4);
}

void encode_replay_checkpoint(std::uint64_t state_hash, unsigned char out[replay_checkpoint_size]) {
    put_le(out, state_hash, 8);
}

bool read_replay(const unsigned char* data, std::size_t size, REPLAY* out, std::string* error) {
    if (size < sizeof replay_magic || std::memcmp(data, replay_magic, sizeof replay_magic) != 0)
        return refuse(error, "not a replay");
    if (size < at_version + 2) return cut_short(error, size);
    const auto version = static_cast<unsigned>(get_le(data + at_version, 2));
    if (version > replay_version)
        return refuse(error, "a format version newer than this game's (" + std::to_string(version) +
                                 "; this game reads " + std::to_string(replay_version) + ")");
    if (version == 0) return damaged(error, at_version, "format version 0");
    if (size < at_header_size + 2) return cut_short(error, size);
    const auto header_size = static_cast<std::size_t>(get_le(data + at_header_size, 2));
    if (header_size < replay_header_size)
        return damaged(error, at_header_size,
                       "a header of " + std::to_string(header_size) + " bytes (64 at least)");
    if (size < header_size) return cut_short(error, size);

    REPLAY r;
    const unsigned char* version_field = data + at_game_version;
    if (!padded_ascii(version_field, replay_game_version_size))
        return damaged(error, at_game_version, "a game version that is not ASCII padded with NULs");
    std::size_t version_length = 0;
    while (version_length < replay_game_version_size && version_field[version_length] != 0) version_length++;
    r.header.game_version.assign(reinterpret_cast<const char*>(version_field), version_length);
    r.header.level_hash = get_le(data + at_level_hash, 8);
    r.header.logic_hash = get_le(data + at_logic_hash, 8);
    r.header.tick_rate = static_cast<std::uint16_t>(get_le(data + at_tick_rate, 2));
    r.header.checkpoint_interval = static_cast<std::uint16_t>(get_le(data + at_interval, 2));
    if (r.header.checkpoint_interval == 0) return damaged(error, at_interval, "a checkpoint interval of 0 ticks");
    r.header.began = static_cast<std::int64_t>(get_le(data + at_began, 8));
    if (version >= replay_version_district) {
        if (header_size < replay_header_max_size)
            return damaged(error, at_header_size,
                           "a header of " + std::to_string(header_size) + " bytes (" +
                               std::to_string(replay_header_max_size) + " at least for version 2)");
        // A district's folder name: lower case letters, digits and '-', then NULs.
        const unsigned char* field = data + at_district;
        std::size_t n = 0;
        while (n < replay_district_size &&
               ((field[n] >= 'a' && field[n] <= 'z') || (field[n] >= '0' && field[n] <= '9') || field[n] == '-'))
            n++;
        std::size_t end = n;
        while (end < replay_district_size && field[end] == 0) end++;
        if (n == 0 || field[0] == '-' || end != replay_district_size)
            return damaged(error, at_district, "a district name that is not a folder name padded with NULs");
        r.header.district.assign(reinterpret_cast<const char*>(field), n);
    }

    // The runs, up to the end marker. Every run adds at least one tick, so the cap on ticks
    // also bounds the work and the memory.
    std::size_t at = header_size;
    for (;;) {
        if (at >= size) return cut_short(error, size);
        const std::uint8_t record = data[at];
        if (record == replay_end_normal || record == replay_end_crash) {
            r.crashed = record == replay_end_crash;
            at++;
            break;
        }
        if (record & tick_unused) {
            char what[80];
            std::snprintf(what, sizeof what, "record 0x%02X has bits 6-7 set and is no end marker", record);
            return damaged(error, at, what);
        }
        if (size - at < replay_run_size) return cut_short(error, size);
        const auto count = static_cast<std::uint32_t>(get_le(data + at + 1, 2));
        if (count == 0) return damaged(error, at + 1, "a run of 0 ticks");
        if (r.ticks.size() + count > replay_max_ticks)
            return damaged(error, at + 1,
                           "more than " + std::to_string(replay_max_ticks) + " ticks (10 hours)");
        r.ticks.insert(r.ticks.end(), count, record);
        at += replay_run_size;
    }

    if (size - at < replay_trailer_fixed_size) return cut_short(error, size);
    const unsigned char* t = data + at;
    const auto tick_count = static_cast<std::uint32_t>(get_le(t, 4));
    const auto held = static_cast<std::uint32_t>(r.ticks.size());
    if (tick_count != held)
        return damaged(error, at, "a tick count of " + std::to_string(tick_count) + " where the runs hold " +
                                      std::to_string(held));
    r.outcome.level = static_cast<std::int32_t>(get_le(t + 4, 4));
    r.outcome.score = static_cast<std::int32_t>(get_le(t + 8, 4));
    r.outcome.seconds_left = static_cast<std::int32_t>(get_le(t + 12, 4));
    r.outcome.state_hash = get_le(t + 16, 8);
    if (r.crashed && r.outcome.state_hash != 0)
        return damaged(error, at + 16, "a final state hash after a crash (0 expected)");
    const auto count = static_cast<std::uint32_t>(get_le(t + 24, 4));
    const std::uint32_t due = checkpoints_for(held, r.header.checkpoint_interval);
    if (r.crashed ? count > due : count != due)
        return damaged(error, at + 24,
                       std::to_string(count) + " checkpoints where " + std::to_string(held) +
                           " ticks at an interval of " + std::to_string(r.header.checkpoint_interval) +
                           " make " + (r.crashed ? "at most " : "") + std::to_string(due));
    at += replay_trailer_fixed_size;

    // count is at most replay_max_ticks here, so the product cannot overflow.
    if (size - at < count * replay_checkpoint_size + sizeof replay_closing) return cut_short(error, size);
    r.checkpoints.resize(count);
    for (std::uint32_t k = 0; k < count; k++, at += replay_checkpoint_size)
        r.checkpoints[k] = get_le(data + at, 8);
    if (std::memcmp(data + at, replay_closing, sizeof replay_closing) != 0)
        return damaged(error, at, "no \"END.\" closing the file");
    at += sizeof replay_closing;
    if (at != size)
        return damaged(error, at, std::to_string(size - at) + (size - at == 1 ? " byte" : " bytes") + " after \"END.\"");

    *out = std::move(r);
    return true;
}

bool read_replay_file(const std::string& path, REPLAY* out, std::string* error) {
    // Bounded and checked before it is read: a FIFO or a device given as a replay is refused,
    // never waited on.
    std::string bytes, why;
    const READ_RESULT got = read_player_file(path, replay_max_bytes, &bytes, &why);
    if (got == READ_RESULT::missing) return refuse(error, "cannot read " + path + " (" + std::strerror(ENOENT) + ")");
    if (got == READ_RESULT::failed)
        return refuse(error, path + " " + (why.rfind("is larger", 0) == 0 ? "is larger than any replay (" +
                                                                               std::to_string(replay_max_bytes) +
                                                                               " bytes at most)"
                                                                         : why));
    return read_replay(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out, error);
}

std::vector<unsigned char> write_replay(const REPLAY& r) {
    const auto tick_count = static_cast<std::uint32_t>(r.ticks.size());
    const auto checkpoint_count = static_cast<std::uint32_t>(r.checkpoints.size());
    std::vector<unsigned char> out(replay_header_max_size);
    out.resize(encode_replay_header(r.header, out.data()));
    for (std::size_t i = 0; i < r.ticks.size();) {
        std::size_t n = 1;
        while (i + n < r.ticks.size() && r.ticks[i + n] == r.ticks[i] && n < replay_max_run) n++;
        unsigned char run[replay_run_size];
        encode_replay_run(r.ticks[i], static_cast<std::uint16_t>(n), run);
        out.insert(out.end(), run, run + replay_run_size);
        i += n;
    }
    unsigned char end[1 + replay_trailer_fixed_size];
    encode_end(r.crashed, tick_count, r.outcome, checkpoint_count, end);
    out.insert(out.end(), end, end + sizeof end);
    for (std::uint64_t c : r.checkpoints) {
        unsigned char bytes[replay_checkpoint_size];
        encode_replay_checkpoint(c, bytes);
        out.insert(out.end(), bytes, bytes + replay_checkpoint_size);
    }
    out.insert(out.end(), replay_closing, replay_closing + sizeof replay_closing);
    return out;
}

bool write_replay_file(const std::string& path, const REPLAY& r, std::string* error) {
    const std::vector<unsigned char> bytes = write_replay(r);
    return write_file_atomically(path, bytes.data(), bytes.size(), error);
}

// The recorder.

bool REPLAY_RECORDER::GROWING_BYTES::make_room(std::size_t used, std::size_t more) {
    if (capacity - used >= more) return true;
    constexpr std::size_t first_capacity = 4096;
    std::size_t grown = capacity ? 2 * capacity : first_capacity;
    if (grown < used + more) grown = used + more;
    auto* fresh = new (std::nothrow) unsigned char[grown];
    if (!fresh) return false;
    unsigned char* old = data.load(std::memory_order_relaxed);
    if (used) std::memcpy(fresh, old, used);
    // Published only now that it holds every byte a handler may read.
    data.store(fresh, std::memory_order_release);
    capacity = grown;
    delete[] old;
    return true;
}

void REPLAY_RECORDER::GROWING_BYTES::release() {
    unsigned char* old = data.load(std::memory_order_relaxed);
    data.store(nullptr, std::memory_order_release);
    capacity = 0;
    delete[] old;
}

REPLAY_RECORDER::REPLAY_RECORDER(const REPLAY_HEADER& header) { start(header); }

REPLAY_RECORDER::~REPLAY_RECORDER() {
    runs_.release();
    checkpoints_.release();
}

void REPLAY_RECORDER::start(const REPLAY_HEADER& header) {
    // The counts go to zero first, so a handler never pairs the new header with old runs
    // longer than what it then finds.
    state_.store(0, std::memory_order_release);
    ticks_.store(0, std::memory_order_release);
    checkpoint_count_.store(0, std::memory_order_release);
    header_size_ = encode_replay_header(header, header_);
    interval_ = header.checkpoint_interval;
}

bool REPLAY_RECORDER::add_tick(std::uint8_t record) {
    const std::uint32_t recorded = ticks_.load(std::memory_order_relaxed);
    if ((record & tick_unused) || recorded >= replay_max_ticks) return false;
    const std::uint64_t s = state_.load(std::memory_order_relaxed);
    const std::uint64_t length = s >> 24;
    const auto open_record = static_cast<std::uint8_t>(s >> 16);
    const auto open_count = static_cast<std::uint32_t>(s & 0xFFFF);
    if (open_count == 0) {
        state_.store(recorder_state(length, record, 1), std::memory_order_release);
    } else if (record == open_record && open_count < replay_max_run) {
        state_.store(s + 1, std::memory_order_release);
    } else {
        // The open run is closed into the bytes beyond the published length, then one store
        // publishes it together with the new open run.
        if (!runs_.make_room(length, replay_run_size)) return false;
        encode_replay_run(open_record, static_cast<std::uint16_t>(open_count),
                          runs_.data.load(std::memory_order_relaxed) + length);
        state_.store(recorder_state(length + replay_run_size, record, 1), std::memory_order_release);
    }
    ticks_.store(recorded + 1, std::memory_order_release);
    return true;
}

bool REPLAY_RECORDER::checkpoint_due() const {
    const std::uint32_t t = ticks();
    return interval_ > 0 && t > 0 && t % interval_ == 0 && checkpoints() + 1 == t / interval_;
}

bool REPLAY_RECORDER::add_checkpoint(std::uint64_t state_hash) {
    if (!checkpoint_due()) return false;
    const std::uint32_t n = checkpoints();
    const std::size_t used = std::size_t{n} * replay_checkpoint_size;
    if (!checkpoints_.make_room(used, replay_checkpoint_size)) return false;
    encode_replay_checkpoint(state_hash, checkpoints_.data.load(std::memory_order_relaxed) + used);
    checkpoint_count_.store(n + 1, std::memory_order_release);
    return true;
}

std::uint32_t REPLAY_RECORDER::ticks() const { return ticks_.load(std::memory_order_acquire); }
std::uint32_t REPLAY_RECORDER::checkpoints() const { return checkpoint_count_.load(std::memory_order_acquire); }

// Hands the file's pieces in order to sink(bytes, n), which returns false to stop. Reads only
// the published words and the bytes they cover; allocates nothing itself.
template <class SINK>
bool REPLAY_RECORDER::emit(SINK& sink, const REPLAY_OUTCOME& o, bool crashed) const {
    const std::uint64_t s = state_.load(std::memory_order_acquire);
    const std::size_t length = static_cast<std::size_t>(s >> 24);
    const auto open_record = static_cast<std::uint8_t>(s >> 16);
    const auto open_count = static_cast<std::uint32_t>(s & 0xFFFF);
    const unsigned char* runs = runs_.data.load(std::memory_order_acquire);
    const std::uint32_t checkpoint_count = checkpoints();
    const unsigned char* checkpoints = checkpoints_.data.load(std::memory_order_acquire);

    // The tick count from the runs themselves, so that it agrees with them at any instant.
    std::uint32_t tick_count = open_count;
    for (std::size_t at = 0; at < length; at += replay_run_size)
        tick_count += static_cast<std::uint32_t>(get_le(runs + at + 1, 2));
    if (!crashed && checkpoint_count != checkpoints_for(tick_count, interval_)) return false;

    unsigned char tail[replay_run_size + 1 + replay_trailer_fixed_size];
    std::size_t n = 0;
    if (open_count) {
        encode_replay_run(open_record, static_cast<std::uint16_t>(open_count), tail);
        n = replay_run_size;
    }
    encode_end(crashed, tick_count, o, checkpoint_count, tail + n);
    n += 1 + replay_trailer_fixed_size;
    return sink(header_, header_size_) && sink(runs, length) && sink(tail, n) &&
           sink(checkpoints, std::size_t{checkpoint_count} * replay_checkpoint_size) &&
           sink(reinterpret_cast<const unsigned char*>(replay_closing), sizeof replay_closing);
}

bool REPLAY_RECORDER::write_to(int fd, const REPLAY_OUTCOME& o, bool crashed) const {
    auto to_fd = [fd](const unsigned char* p, std::size_t n) { return write_fully(fd, p, n); };
    return emit(to_fd, o, crashed);
}

std::vector<unsigned char> REPLAY_RECORDER::file_bytes(const REPLAY_OUTCOME& o, bool crashed) const {
    std::vector<unsigned char> out;
    auto to_vector = [&out](const unsigned char* p, std::size_t n) {
        out.insert(out.end(), p, p + n);
        return true;
    };
    if (!emit(to_vector, o, crashed)) out.clear();
    return out;
}
