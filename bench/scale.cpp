// Showing the picture: the game's 320 x 240 picture scaled into a memory bitmap of the scaled
// size at each scale, by scale_blit and by Allegro's stretch_blit, and the plain copy of as many
// bytes; after the runs, one line per scale tells how many times as fast scale_blit is (in
// processor time).
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench_util.h"
#include "core/state.h"
#include "display/display.h"
#include "display/scale.h"

namespace {

// A picture of random pixels, made once.
BITMAP* random_picture() {
    static BITMAP* picture = nullptr;
    if (picture || !start_headless_in_build_tree()) return picture;
    picture = create_bitmap_ex(32, view_w, view_h);
    std::mt19937 random(1);
    for (int y = 0; y < view_h; y++)
        for (int x = 0; x < view_w; x++) reinterpret_cast<uint32_t*>(picture->line[y])[x] = random();
    return picture;
}

enum class way { ours, theirs, plain_copy };

// Scales the picture into a memory bitmap of the scaled size, the way asked; the plain copy
// writes as many bytes as a scaler must (one row copied to every line), for what the writing
// alone costs.
void run_scale(benchmark::State& state, way how) {
    BITMAP* src = random_picture();
    if (!src) {
        state.SkipWithError("no Allegro");
        return;
    }
    const int scale = static_cast<int>(state.range(0));
    BITMAP* dst = create_bitmap_ex(32, view_w * scale, view_h * scale);
    const size_t row_bytes = sizeof(uint32_t) * static_cast<size_t>(dst->w);
    const std::vector<uint32_t> row(static_cast<size_t>(dst->w), 0x123456);
    for (auto _ : state) {
        if (how == way::ours)
            scale_blit(src, dst, 0, 0, 0, 0, view_w, view_h, scale);
        else if (how == way::theirs)
            stretch_blit(src, dst, 0, 0, view_w, view_h, 0, 0, dst->w, dst->h);
        else
            for (int y = 0; y < dst->h; y++) std::memcpy(dst->line[y], row.data(), row_bytes);
        benchmark::ClobberMemory();
    }
    state.counters["pixels/s"] = benchmark::Counter(static_cast<double>(dst->w) * dst->h,
                                                   benchmark::Counter::kIsIterationInvariantRate);
    destroy_bitmap(dst);
}

void BM_ScaleBlit(benchmark::State& state) { run_scale(state, way::ours); }
void BM_StretchBlit(benchmark::State& state) { run_scale(state, way::theirs); }
void BM_PlainCopy(benchmark::State& state) { run_scale(state, way::plain_copy); }

BENCHMARK(BM_ScaleBlit)->DenseRange(1, max_scale)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StretchBlit)->DenseRange(1, max_scale)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainCopy)->DenseRange(1, max_scale)->Unit(benchmark::kMicrosecond);

// The console's report, keeping each benchmark's processor time per iteration (in microseconds,
// the benchmarks' unit) by its name: on a machine shared with other work it varies less than
// the real time.
class keeping_reporter : public benchmark::ConsoleReporter {
public:
    // In colour only on a terminal, as the library's own console report.
    keeping_reporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_Tabular) {}
    std::map<std::string, double> cpu_us;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // With repetitions, their median (reported after them) is the one kept.
        for (const Run& r : runs)
            if (!r.error_occurred && (r.run_type == Run::RT_Iteration || r.aggregate_name == "median"))
                cpu_us[r.run_name.str()] = r.GetAdjustedCPUTime();
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    keeping_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (int scale = 1; scale <= max_scale; scale++) {
        const std::string n = "/" + std::to_string(scale);
        const auto ours = reporter.cpu_us.find("BM_ScaleBlit" + n);
        const auto theirs = reporter.cpu_us.find("BM_StretchBlit" + n);
        const auto copy = reporter.cpu_us.find("BM_PlainCopy" + n);
        if (ours == reporter.cpu_us.end() || theirs == reporter.cpu_us.end()) continue;
        std::printf("scale %d: scale_blit %.1f us, stretch_blit %.1f us: %.1f times as fast", scale,
                    ours->second, theirs->second, theirs->second / ours->second);
        if (copy != reporter.cpu_us.end()) std::printf(" (a plain copy %.1f us)", copy->second);
        std::printf("\n");
    }
    return 0;
}
