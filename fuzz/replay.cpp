// Feeds arbitrary bytes to the replay reader: it must never read outside them, a refusal must
// say why in one of its four forms, and a replay it accepts must write back to bytes that read
// to the same replay; to the very same bytes when the input was written as the game writes
// (a 64-byte header with its reserved bytes 0, and every run as long as it can be); and the
// recorder, fed the same ticks and checkpoints, must write those bytes too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "replay/replay_file.h"

namespace {

void fail_if(bool bad) {
    if (bad) std::abort();
}

bool starts_with(const std::string& s, const char* prefix) { return s.compare(0, std::string(prefix).size(), prefix) == 0; }

// True when an accepted file is the one write_replay makes of what it holds: a header of 64
// bytes with 0 in the reserved ones, and no run that could have taken in the next.
bool as_the_game_writes(const std::uint8_t* data, std::size_t size) {
    if (size < replay_header_size || (data[10] | data[11] << 8) != static_cast<int>(replay_header_size))
        return false;
    for (std::size_t i = 56; i < 64; i++)
        if (data[i] != 0) return false;
    for (std::size_t at = replay_header_size; data[at] != replay_end_normal && data[at] != replay_end_crash;
         at += replay_run_size) {
        const unsigned count = data[at + 1] | data[at + 2] << 8;
        if (count < replay_max_run && data[at + replay_run_size] == data[at]) return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    REPLAY r;
    std::string error;
    if (!read_replay(data, size, &r, &error)) {
        fail_if(error != "not a replay" && !starts_with(error, "a format version newer than this game's (") &&
                !starts_with(error, "cut short at byte ") && !starts_with(error, "damaged at byte "));
        return 0;
    }
    fail_if(r.ticks.size() > replay_max_ticks);

    const std::vector<unsigned char> bytes = write_replay(r);
    REPLAY again;
    fail_if(!read_replay(bytes.data(), bytes.size(), &again, &error));
    fail_if(!(again == r));
    if (as_the_game_writes(data, size)) fail_if(bytes != std::vector<unsigned char>(data, data + size));

    REPLAY_RECORDER recorder(r.header);
    std::size_t next = 0;
    for (std::uint8_t t : r.ticks) {
        fail_if(!recorder.add_tick(t));
        if (recorder.checkpoint_due() && next < r.checkpoints.size()) fail_if(!recorder.add_checkpoint(r.checkpoints[next++]));
    }
    fail_if(recorder.file_bytes(r.outcome, r.crashed) != bytes);
    return 0;
}
