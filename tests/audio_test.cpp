// The generated sounds and music: the seven samples load with Allegro's load_wav as 16-bit mono
// 22050 Hz and start and end in silence; the module loads with libopenmpt, plays for at least
// 60 seconds before it ends (and loops), is not silent, and each of its parts carries notes; each
// shipped district has a tune of its own, in its own key, that loops without a seam.
#include <allegro.h>
#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_ext.hpp>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "key_finding.h"
#include "test_util.h"

namespace {

const char* const sample_files[] = {"change.wav", "shoe1.wav", "shoe2.wav", "land.wav",
                                    "jump.wav",   "vela.wav",  "unlock.wav"};

std::string dat(const std::string& name) {
    return build_dir() + "/dat/" + name;
}

TEST(Sounds, LoadAsSixteenBitMono22050) {
    init_headless_allegro();
    for (const char* name : sample_files) {
        SAMPLE* s = load_wav(dat(name).c_str());
        ASSERT_NE(s, nullptr) << name;
        EXPECT_EQ(s->bits, 16) << name;
        EXPECT_EQ(s->stereo, 0) << name;
        EXPECT_EQ(s->freq, 22050) << name;
        EXPECT_GT(s->len, 22050u / 50) << name << " is shorter than 20 ms";
        EXPECT_LT(s->len, 22050u * 3) << name << " is longer than 3 s";
        destroy_sample(s);
    }
}

// Allegro keeps 16-bit samples unsigned: silence is 0x8000.
int level_at(const SAMPLE* s, unsigned long i) {
    return static_cast<int>(static_cast<const std::uint16_t*>(s->data)[i]) - 0x8000;
}

TEST(Sounds, StartAndEndSilentWithoutClicks) {
    init_headless_allegro();
    for (const char* name : sample_files) {
        SAMPLE* s = load_wav(dat(name).c_str());
        ASSERT_NE(s, nullptr) << name;
        EXPECT_LE(std::abs(level_at(s, 0)), 16) << name;
        EXPECT_LE(std::abs(level_at(s, s->len - 1)), 16) << name;
        int peak = 0;
        for (unsigned long i = 0; i < s->len; i++) peak = std::max(peak, std::abs(level_at(s, i)));
        EXPECT_GT(peak, 3000) << name << " is nearly silent";
        // The sound fades in and out: the first and last 8 frames (0.36 ms) stay within 5 % of
        // full scale, so playback starts and stops without a click.
        for (unsigned long i = 0; i < 8 && i < s->len; i++) {
            EXPECT_LT(std::abs(level_at(s, i)), 1640) << name << " at " << i;
            EXPECT_LT(std::abs(level_at(s, s->len - 1 - i)), 1640) << name << " at " << s->len - 1 - i;
        }
        destroy_sample(s);
    }
}

TEST(Sounds, FootstepsDiffer) {
    init_headless_allegro();
    SAMPLE* a = load_wav(dat("shoe1.wav").c_str());
    SAMPLE* b = load_wav(dat("shoe2.wav").c_str());
    ASSERT_TRUE(a && b);
    bool differ = a->len != b->len;
    for (unsigned long i = 0; !differ && i < a->len; i++) differ = level_at(a, i) != level_at(b, i);
    EXPECT_TRUE(differ);
    destroy_sample(a);
    destroy_sample(b);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

constexpr int render_rate = 22050;

// Renders the module once through (repeat count 0) and returns the samples, left and right
// interleaved; stops after `limit` seconds.
std::vector<std::int16_t> render(openmpt::module& mod, double limit) {
    std::vector<std::int16_t> out;
    std::vector<std::int16_t> buf(2 * 1024);
    while (out.size() < static_cast<size_t>(2 * render_rate * limit)) {
        size_t n = mod.read_interleaved_stereo(render_rate, 1024, buf.data());
        if (n == 0) break;
        out.insert(out.end(), buf.begin(), buf.begin() + static_cast<long>(2 * n));
    }
    return out;
}

double rms(const std::vector<std::int16_t>& v) {
    double sum = 0;
    for (std::int16_t s : v) sum += static_cast<double>(s) * s;
    return v.empty() ? 0 : std::sqrt(sum / static_cast<double>(v.size())) / 32768.0;
}

TEST(Music, LoadsAndDescribesItself) {
    std::string bytes = read_file(dat("music.it"));
    ASSERT_GT(bytes.size(), 192u);
    std::istringstream in(bytes);
    openmpt::module mod(in);
    EXPECT_EQ(mod.get_metadata("type"), "it");
    EXPECT_GE(mod.get_num_channels(), 4);
    EXPECT_GE(mod.get_num_samples(), 4);
    EXPECT_GE(mod.get_num_orders(), 8);
    EXPECT_GE(mod.get_duration_seconds(), 60.0);
    std::printf("music.it: %.2f s, %d channels, %d samples, %d patterns, %d orders\n", mod.get_duration_seconds(),
                mod.get_num_channels(), mod.get_num_samples(), mod.get_num_patterns(), mod.get_num_orders());
}

TEST(Music, PlaysAtLeastSixtySecondsAndIsNotSilent) {
    std::string bytes = read_file(dat("music.it"));
    std::istringstream in(bytes);
    openmpt::module mod(in);
    mod.set_repeat_count(0);
    std::vector<std::int16_t> pcm = render(mod, 600);
    double seconds = static_cast<double>(pcm.size()) / 2 / render_rate;
    std::printf("rendered %.2f s, rms %.3f\n", seconds, rms(pcm));
    EXPECT_GE(seconds, 60.0);
    EXPECT_LT(seconds, 300.0);
    EXPECT_GT(rms(pcm), 0.03);
    // Loud but not clipping all the time.
    size_t clipped = 0;
    for (std::int16_t s : pcm) clipped += (s == 32767 || s == -32768);
    EXPECT_LT(clipped, pcm.size() / 1000);
    // No long silence anywhere: every second carries sound.
    for (size_t sec = 0; sec + 1 < static_cast<size_t>(seconds); sec++) {
        std::vector<std::int16_t> part(pcm.begin() + static_cast<long>(sec * 2 * render_rate),
                                       pcm.begin() + static_cast<long>((sec + 1) * 2 * render_rate));
        EXPECT_GT(rms(part), 0.01) << "second " << sec;
    }
}

// The RMS of the channels' difference and of their sum, over interleaved stereo.
void side_and_middle(const std::vector<std::int16_t>& pcm, double* side, double* middle) {
    double d = 0, m = 0;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
        const double l = pcm[i], r = pcm[i + 1];
        d += (l - r) * (l - r);
        m += (l + r) * (l + r);
    }
    *side = std::sqrt(d);
    *middle = std::sqrt(m);
}

// A stereo mix: over the whole tune the channels differ by at least a fifth of their sum (the
// instruments placed left and right), while the melody and the bass, alone, sound in the middle.
TEST(Music, IsHeardInStereoWithTheMelodyAndTheBassInTheMiddle) {
    std::string bytes = read_file(dat("music.it"));
    std::istringstream in(bytes);
    openmpt::module mod(in);
    mod.set_repeat_count(0);
    double side, middle;
    side_and_middle(render(mod, 600), &side, &middle);
    std::printf("difference / sum of the channels: %.3f\n", side / middle);
    EXPECT_GE(side / middle, 0.2);
    for (int solo : {0, 2}) {  // melody, bass
        std::istringstream again(bytes);
        openmpt::module_ext one(again);
        auto* inter = static_cast<openmpt::ext::interactive*>(one.get_interface(openmpt::ext::interactive_id));
        ASSERT_NE(inter, nullptr);
        for (int c = 0; c < one.get_num_channels(); c++) inter->set_channel_mute_status(c, c != solo);
        one.set_repeat_count(0);
        side_and_middle(render(one, 20), &side, &middle);
        EXPECT_LT(side / middle, 0.01) << "channel " << solo;
    }
}

// It loops: with the repeat count at -1 it goes on past its length.
TEST(Music, LoopsThroughItsOrderList) {
    std::string bytes = read_file(dat("music.it"));
    std::istringstream in(bytes);
    openmpt::module mod(in);
    double length = mod.get_duration_seconds();
    mod.set_repeat_count(-1);
    std::vector<std::int16_t> pcm = render(mod, length + 5);
    EXPECT_GE(static_cast<double>(pcm.size()) / 2 / render_rate, length + 4.9);
    // Five seconds into the second time round it plays the first order again.
    EXPECT_EQ(mod.get_current_order(), 0);
    EXPECT_NEAR(mod.get_current_row(), 5.0 / 0.12, 2.0);
}

// Each of the first five channels (melody, arpeggio, bass, drums, hi-hat) sounds on its own.
TEST(Music, EveryPartCarriesNotes) {
    std::string bytes = read_file(dat("music.it"));
    for (int solo = 0; solo < 5; solo++) {
        std::istringstream in(bytes);
        openmpt::module_ext mod(in);
        auto* inter = static_cast<openmpt::ext::interactive*>(mod.get_interface(openmpt::ext::interactive_id));
        ASSERT_NE(inter, nullptr);
        int channels = mod.get_num_channels();
        ASSERT_GE(channels, 5);
        for (int c = 0; c < channels; c++) inter->set_channel_mute_status(c, c != solo);
        mod.set_repeat_count(0);
        std::vector<std::int16_t> pcm = render(mod, 20);
        std::printf("channel %d alone: rms %.4f\n", solo, rms(pcm));
        EXPECT_GT(rms(pcm), 0.004) << "channel " << solo;
    }
}

// The shipped districts' tunes, each in the key it was written in (tools/tune_*.cpp).
const struct {
    const char* district;
    const char* key;
} district_tunes[] = {{"town", "C major"},        {"harbour", "D major"},  {"autumn-park", "F major"},
                      {"old-quarter", "E minor"}, {"rooftops", "Bb major"}, {"night-market", "G minor"}};

// Each district has a tune of its own: a minute at least, heard in the key it was written in (by
// a key finder that knows nothing of the notes), and looping cleanly: from a second into the
// second time round it plays the very samples of the first (tempo and speed start alike, nothing
// drifts), and the seam is no louder than the tune around it. The town's is the title's.
TEST(Music, EachDistrictHasATuneOfItsOwnThatLoopsCleanly) {
    std::vector<std::string> seen;
    for (const auto& t : district_tunes) {
        const std::string bytes = read_file(dat(std::string("districts/") + t.district + "/music.it"));
        ASSERT_GT(bytes.size(), 192u) << t.district;
        for (const std::string& other : seen) EXPECT_NE(bytes, other) << t.district << " plays another's tune";
        seen.push_back(bytes);
        std::istringstream in(bytes);
        openmpt::module mod(in);
        mod.ctl_set_integer("dither", 0);
        mod.set_repeat_count(-1);
        // Rendered until the order list starts again, and six seconds more.
        std::vector<std::int16_t> pcm, buf(2 * 256);
        std::size_t loop_frame = 0;
        for (int order = 0; loop_frame == 0 || pcm.size() < 2 * (loop_frame + 6 * render_rate);) {
            const std::size_t n = mod.read_interleaved_stereo(render_rate, 256, buf.data());
            ASSERT_GT(n, 0u) << t.district;
            pcm.insert(pcm.end(), buf.begin(), buf.begin() + static_cast<long>(2 * n));
            if (mod.get_current_order() < order && loop_frame == 0) loop_frame = pcm.size() / 2;
            order = mod.get_current_order();
            ASSERT_LT(pcm.size(), 2u * 300 * render_rate) << t.district << " does not loop within 5 minutes";
        }
        const double seconds = static_cast<double>(loop_frame) / render_rate;
        std::vector<std::int16_t> once(pcm.begin(), pcm.begin() + static_cast<long>(2 * loop_frame));
        EXPECT_GE(seconds, 60.0) << t.district;
        EXPECT_GT(rms(once), 0.03) << t.district;

        // The order changes within a block of 256 frames: the second time round starts at most
        // that much before loop_frame.
        double best = 1e9;
        std::size_t start = loop_frame;
        for (std::size_t s = loop_frame - 256; s <= loop_frame; s++) {
            double d = 0, e = 0;
            for (std::size_t i = 2 * render_rate; i < 2u * 2 * render_rate; i++) {
                const double a = once[i], b = pcm[2 * s + i];
                d += (a - b) * (a - b);
                e += a * a;
            }
            if (d / e < best) {
                best = d / e;
                start = s;
            }
        }
        for (std::size_t i = 2 * render_rate; i < 2u * 5 * render_rate; i++)
            ASSERT_EQ(pcm[2 * start + i], once[i]) << t.district << ": the second time round differs at " << i / 2;
        const std::vector<std::int16_t> seam(pcm.begin() + static_cast<long>(2 * (start - render_rate / 4)),
                                             pcm.begin() + static_cast<long>(2 * (start + render_rate / 4)));
        EXPECT_LT(rms(seam), 2.5 * rms(once)) << t.district << ": the seam";

        std::vector<double> mono;
        for (std::size_t i = 0; i + 1 < once.size(); i += 2) mono.push_back((once[i] + once[i + 1]) / 65536.0);
        double fit = 0;
        const std::string key = key_finding::key_of(key_finding::pitch_classes(mono, render_rate), &fit);
        EXPECT_EQ(key, t.key) << t.district;
        std::istringstream again(bytes);
        openmpt::module fresh(again);
        std::printf("%s: %.2f s, %d beats a minute, heard in %s (fit %.2f)\n", t.district,
                    static_cast<double>(start) / render_rate,
                    fresh.get_current_tempo(), key.c_str(), fit);
    }
    EXPECT_EQ(seen.front(), read_file(dat("music.it"))) << "the town plays the title's tune";
}

}  // namespace
