// Adding a district from a district file, as --import does it: the file read and checked, the
// map proven by the route search, the maker's run played through on the rebuilt level, the files
// written and moved into place. The district is the size of the town (its map), in the
// harbour's looks, carrying the title's demo as its run; headless, from the build tree.
#include <allegro.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench_util.h"
#include "characters/player.h"
#include "core/player_files.h"
#include "sharing/import.h"

namespace {

struct SHARED_TOWN {
    std::unique_ptr<PLAYER> mora, vela;
    std::vector<unsigned char> bytes;  // the district file
};

// The game's files and the district file, made once.
const SHARED_TOWN* shared_town() {
    static std::unique_ptr<SHARED_TOWN> t;
    static bool tried = false;
    if (tried) return t.get();
    tried = true;
    if (!start_headless_in_build_tree()) return nullptr;
    load_shit();
    load_level();
    if (blStartFailed) return nullptr;
    auto made = std::make_unique<SHARED_TOWN>();
    made->mora = std::make_unique<PLAYER>(player_start_x, start_y, "dat/mora.dat", type_player);
    made->vela = std::make_unique<PLAYER>(partner_start_x, start_y, "dat/vela.dat", type_partner);
    DISTRICT_FILE f;
    const struct {
        int entry;
        const char* path;
    } parts[] = {{entry_map, "dat/districts/town/level.map"},
                 {entry_tiles, "dat/districts/harbour/tiles.pcx"},
                 {entry_back, "dat/districts/harbour/back.pcx"},
                 {entry_run, "dat/demo.replay"}};
    for (const auto& p : parts)
        f.has[p.entry] = read_player_file(p.path, shared_entry_max_bytes(p.entry, shared_looks()), &f.bytes[p.entry],
                                          nullptr) == READ_RESULT::ok;
    f.bytes[entry_cfg] = share_cfg_text("Town Again", "A Maker", "town-again");
    f.has[entry_cfg] = true;
    if (!f.has[entry_map] || !f.has[entry_run] || !write_district_file(f, &made->bytes, nullptr)) return nullptr;
    t = std::move(made);
    return t.get();
}

void BM_ImportTownSizedDistrict(benchmark::State& state) {
    const SHARED_TOWN* t = shared_town();
    if (!t) {
        state.SkipWithError("the build tree's files, or the district file, cannot be made");
        return;
    }
    // A folder of its own: the file, and the districts folder it is added to.
    std::string work = (std::filesystem::temp_directory_path() / "osa-bench-XXXXXX").string();
    if (!mkdtemp(work.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string file = work + "/town-again.osadistrict", root = work + "/districts";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(t->bytes.data()), static_cast<std::streamsize>(t->bytes.size()));
    bool run_kept = false;
    for (auto _ : state) {
        IMPORT_PLAN plan;
        std::string why, folder;
        if (!prepare_import(file, root, shared_looks(), *t->mora, *t->vela, &plan, &why) ||
            !install_import(plan, root, &folder, &why)) {
            state.SkipWithError(why.c_str());
            break;
        }
        run_kept = plan.has_run;
        state.PauseTiming();
        std::filesystem::remove_all(root);
        state.ResumeTiming();
    }
    std::filesystem::remove_all(work);
    if (!run_kept && !state.error_occurred()) state.SkipWithError("the run did not verify");
    state.counters["file_bytes"] = static_cast<double>(t->bytes.size());
    state.counters["cells"] = iXSize * iYSize;
}
BENCHMARK(BM_ImportTownSizedDistrict)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
