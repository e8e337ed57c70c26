// Loading a district as the district screen's choice does: its level, its own tiles (checked
// against the shared masks) and its background, over the shared assets; and finding them all.
// Headless, on memory bitmaps, from the build tree's dat/districts; one benchmark per shipped
// district. And listing the districts as the district screen and --list-districts do, with a
// player's folder holding a 2 GB level.dat (sparse: it takes no room), which is refused by its
// size and never read.
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "bench_util.h"
#include "core/assets.h"
#include "world/district.h"
#include "world/level.h"

namespace {

// The shared assets, loaded once.
bool shared_assets() {
    static const bool loaded = [] {
        if (!start_headless_in_build_tree()) return false;
        load_shit();
        return !blStartFailed;
    }();
    return loaded;
}

void BM_EnterDistrict(benchmark::State& state, const std::string& folder) {
    DISTRICT d;
    if (!shared_assets() || !find_district(folder, &d)) {
        state.SkipWithError("the district cannot be found in the build tree");
        return;
    }
    std::string error;
    for (auto _ : state)
        if (!enter_district(d, &error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    state.counters["cells"] = iXSize * iYSize;
    state.counters["own_tiles"] = d.has_tiles ? 1 : 0;
}

void BM_ListDistrictsBesideA2GBLevel(benchmark::State& state) {
    std::string root = (std::filesystem::temp_directory_path() / "osa-bench-XXXXXX").string();
    if (!shared_assets() || !mkdtemp(root.data())) {
        state.SkipWithError("the shared assets, or a temporary folder");
        return;
    }
    const std::string huge = root + "/huge";
    std::filesystem::create_directories(huge);
    std::ofstream(huge + "/district.cfg") << "[district]\nname = Huge\n";
    std::ofstream(huge + "/level.dat") << "30 17\n";
    if (truncate((huge + "/level.dat").c_str(), 2l << 30) != 0) {
        state.SkipWithError("no sparse file of 2 GB here");
        std::filesystem::remove_all(root);
        return;
    }
    std::size_t listed = 0;
    for (auto _ : state) listed = find_districts(shipped_districts_dir, root, shared_looks()).size();
    std::filesystem::remove_all(root);
    state.counters["districts"] = static_cast<double>(listed);
}
BENCHMARK(BM_ListDistrictsBesideA2GBLevel)->Unit(benchmark::kMillisecond);
// Finding every district as the district screen lists them (and as the game reads them once, as
// the first run that keeps progress begins, to tell what a mission opens): each folder's
// district.cfg and level read and checked.
void BM_GameDistricts(benchmark::State& state) {
    if (!shared_assets()) {
        state.SkipWithError("the shared assets cannot be loaded");
        return;
    }
    std::size_t found = 0;
    for (auto _ : state) found = game_districts().size();
    state.counters["districts"] = static_cast<double>(found);
}
BENCHMARK(BM_GameDistricts)->Unit(benchmark::kMillisecond);

// One benchmark for each shipped district's folder, found before the benchmarks run.
const int registered = [] {
    start_headless_in_build_tree();
    std::vector<std::string> folders;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(shipped_districts_dir, ec), end; !ec && it != end; it.increment(ec))
        if (is_district_folder_name(it->path().filename().string())) folders.push_back(it->path().filename().string());
    std::sort(folders.begin(), folders.end());
    for (const std::string& f : folders)
        benchmark::RegisterBenchmark(("BM_EnterDistrict/" + f).c_str(), BM_EnterDistrict, f)
            ->Unit(benchmark::kMillisecond);
    return static_cast<int>(folders.size());
}();

} // namespace
