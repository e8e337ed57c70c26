// The title's demo (demo.replay): the first mission of the level just written, played through the
// game's own logic by the level tool's route search, from the files just written.
#include <allegro.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "assets.h"
#include "authoring/demo.h"
#include "characters/player.h"
#include "core/assets.h"
#include "core/files.h"
#include "core/state.h"
#include "world/level.h"

namespace {

constexpr int demo_missions = 1;

// The demo's date: the build's (SOURCE_DATE_EPOCH, as reproducible builds set it), else 0, so
// that two runs of the generator write the same bytes.
std::int64_t build_date() {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    return epoch ? std::strtoll(epoch, nullptr, 10) : 0;
}

} // namespace

bool write_demo(const std::string& out) {
    // The game finds its files as dat/... in the working directory: make one whose dat is out.
    std::error_code ec;
    const std::filesystem::path dat = std::filesystem::absolute(out, ec);
    char pattern[] = "/tmp/osa-demo-XXXXXX";
    const char* work = mkdtemp(pattern);
    if (ec || !work) return false;
    const std::filesystem::path back = std::filesystem::current_path(ec);
    std::filesystem::create_directory_symlink(dat, std::string(work) + "/dat", ec);
    bool ok = !ec && chdir(work) == 0;

    std::vector<unsigned char> bytes;
    std::string error = "the game's files just written do not load";
    if (ok) {
        load_shit();
        load_level();
        PLAYER mora(player_start_x, start_y, "dat/mora.dat", type_player);
        PLAYER vela(partner_start_x, start_y, "dat/vela.dat", type_partner);
        if (!blStartFailed && mora.has_frames() && vela.has_frames())
            bytes = record_demo(mora, vela, demo_missions, build_date(), &error);
        release_character_frames();
        unload_level();
        unload_shit();
    }
    if (chdir(back.c_str()) != 0) ok = false;
    std::filesystem::remove_all(work, ec);
    if (!ok || bytes.empty()) {
        std::fprintf(stderr, "make-assets: no demo: %s\n", error.c_str());
        return false;
    }
    if (!write_file_atomically(out + "/demo.replay", bytes.data(), bytes.size(), &error)) {
        std::fprintf(stderr, "make-assets: cannot write the demo: %s\n", error.c_str());
        return false;
    }
    return true;
}
