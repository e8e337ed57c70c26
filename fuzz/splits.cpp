// Feeds arbitrary bytes to the splits' table as its file: a table it refuses is set aside (the
// file gone, the .bad holding the bytes) with one line; a table it accepts holds only district
// names, rising best splits and positive times, and keeping a run in it writes a table that
// reads back with that run's splits kept and every other district's record as it was.
#include <allegro.h>

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "replay/splits.h"
#include "world/district.h"

namespace {

void fail_if(bool bad) {
    if (bad) std::abort();
}

// Allegro without a display (its configuration routines); a folder of our own for the table.
const std::string& start() {
    static std::string dir;
    if (!dir.empty()) return dir;
    fail_if(install_allegro(SYSTEM_NONE, &errno, atexit) != 0);
    char name[] = "/tmp/osa-fuzz-splits-XXXXXX";
    fail_if(!mkdtemp(name));
    dir = name;
    return dir;
}

bool sound(const SPLITS_TABLE& table) {
    for (const auto& [name, s] : table) {
        if (!is_district_folder_name(name) || s.best.size() > splits_max || s.quickest.size() > splits_max) return false;
        for (std::size_t i = 0; i < s.best.size(); i++)
            if (s.best[i] < 1 || (i && s.best[i] <= s.best[i - 1])) return false;
        for (int t : s.quickest)
            if (t < 1) return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& dir = start();
    const std::string path = dir + "/" + splits_file;
    std::filesystem::remove(path + ".bad");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::FILE* err = std::tmpfile();
    fail_if(!err);
    const SPLITS_TABLE table = load_splits(dir, err);
    const long said = std::ftell(err);
    std::fclose(err);
    if (std::filesystem::exists(path + ".bad")) {
        fail_if(!table.empty() || said <= 0 || std::filesystem::exists(path));
        return 0;
    }
    fail_if(said != 0 || !sound(table));

    // A run of the town kept in it: quicker than any best the town has.
    const std::vector<int> run = {1, 2};
    fail_if(!keep_splits(dir, "town", run, "r", 1, stderr, nullptr));
    const SPLITS_TABLE after = load_splits(dir, stderr);
    fail_if(!sound(after));
    for (const auto& [name, s] : table)
        if (name != "town") fail_if(after.count(name) != 1 || !(after.at(name) == s));
    const SPLITS& town = after.at("town");
    fail_if(town.quickest.size() < 2 || town.quickest[0] != 1 || town.quickest[1] != 1);
    const std::vector<int> was = table.count("town") ? table.at("town").best : std::vector<int>{};
    fail_if(beats_splits(run, was) ? town.best != run : town.best != was);
    return 0;
}
