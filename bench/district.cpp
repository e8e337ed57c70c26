// Loading a district as the district screen's choice does: its level, its own tiles (checked
// against the shared masks) and its background, over the shared assets; and finding them all.
// Headless, on memory bitmaps, from the build tree's dat/districts; one benchmark per shipped
// district.
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
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
