// The measuring end of scripts/latency.sh: presses Space through XTest at random moments and
// times, for each press, when the jump's sound reaches the sound server (its monitor recorded
// with PulseAudio's simple API) and when the picture on the X screen changes (Xvfb's -fbdir
// file polled). Prints one line a press: "SOUND_MS PICTURE_MS" (-1 when nothing came within the
// window).
// Usage: latency_probe FBFILE SOURCE X Y W H PRESSES [KEY UNDO_KEY]   (the region to watch)
// KEY (an X key name) is pressed instead of Space, and UNDO_KEY after each answer, so that the
// next press starts from digital silence again (the music's volume raised from 0 and lowered
// back): then the answer is the first frame of any sound (quiet_sound), not of a loud one.
//    or: latency_probe --gaps SOURCE SECONDS
// The second form records SECONDS of the sound and prints the gaps in it: runs of at least
// gap_frames frames of digital silence on both channels (what the server plays when its client
// runs dry), "GAPS LONGEST_MS", with a line on stderr for each gap: its length and when it came.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <pulse/error.h>
#include <pulse/simple.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr int rate = 44100;
constexpr int chunk_frames = 64;        // frames a read: 1.5 ms
constexpr int loud = 300;               // a sample this far from 0 is sound
constexpr int quiet_sound = 16;         // the same after digital silence
constexpr double window_ms = 300;       // how long after a press an answer is looked for
constexpr double hold_ms = 80;          // Space held this long
constexpr double gap_min_ms = 1900, gap_max_ms = 2600;  // between presses: a jump and its landing

double now_ms() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The recording: the loudness of every frame, and for each read the frame count then and the
// moment its last frame was at the server (the read's time less the latency reported).
struct recording {
    std::mutex lock;
    std::vector<int16_t> peak;                      // max |left|, |right| per frame
    std::vector<std::pair<long, double>> stamps;    // (frames so far, ms)
    std::atomic<bool> stop{false};
};

void record(pa_simple* s, recording* r) {
    int16_t buf[2 * chunk_frames];
    while (!r->stop.load()) {
        int err = 0;
        if (pa_simple_read(s, buf, sizeof buf, &err) < 0) {
            std::fprintf(stderr, "latency_probe: reading the monitor: %s\n", pa_strerror(err));
            std::exit(1);
        }
        const double t = now_ms();
        const pa_usec_t lat = pa_simple_get_latency(s, &err);
        std::lock_guard<std::mutex> g(r->lock);
        for (int i = 0; i < chunk_frames; i++) {
            const int a = std::abs(static_cast<int>(buf[2 * i])), b = std::abs(static_cast<int>(buf[2 * i + 1]));
            r->peak.push_back(static_cast<int16_t>(std::min(32767, std::max(a, b))));
        }
        r->stamps.emplace_back(static_cast<long>(r->peak.size()), t - lat / 1000.0);
    }
}

// The moment frame f reached the server: the reads near it give frame/time pairs that are late
// by however long the reader slept past them, never early: the earliest fit is the truth. Fitted
// over the seconds around f only, as the sink's clock drifts a little from ours.
double frame_time(recording& r, long f) {
    double best = 1e300;
    for (auto& [n, t] : r.stamps)
        if (std::labs(n - f) < 2 * rate) best = std::min(best, t - (n - f) * 1000.0 / rate);
    return best;
}

struct screen_region {
    const unsigned char* base = nullptr;
    long pitch = 0;
    int x = 0, y = 0, w = 0, h = 0;

    std::vector<unsigned char> copy() const {
        std::vector<unsigned char> v(static_cast<size_t>(w) * 4 * h);
        for (int j = 0; j < h; j++)
            std::memcpy(&v[static_cast<size_t>(j) * w * 4], base + (y + j) * pitch + x * 4, static_cast<size_t>(w) * 4);
        return v;
    }
    bool differs(const std::vector<unsigned char>& v) const {
        for (int j = 0; j < h; j++)
            if (std::memcmp(&v[static_cast<size_t>(j) * w * 4], base + (y + j) * pitch + x * 4, static_cast<size_t>(w) * 4))
                return true;
        return false;
    }
};

constexpr int gap_frames = 64;  // 1.5 ms: far shorter than any rest in the music

int count_gaps(const char* source, double seconds) {
    const pa_sample_spec format{PA_SAMPLE_S16LE, rate, 2};
    int err = 0;
    pa_simple* pa = pa_simple_new(nullptr, "latency_probe", PA_STREAM_RECORD, source, "monitor", &format, nullptr,
                                  nullptr, &err);
    if (!pa) {
        std::fprintf(stderr, "latency_probe: recording %s: %s\n", source, pa_strerror(err));
        return 1;
    }
    int16_t buf[2 * 1024];
    long run = 0, longest = 0, gaps = 0;
    for (long frames = 0; frames < static_cast<long>(seconds * rate); frames += 1024) {
        if (pa_simple_read(pa, buf, sizeof buf, &err) < 0) {
            std::fprintf(stderr, "latency_probe: reading the monitor: %s\n", pa_strerror(err));
            return 1;
        }
        for (int i = 0; i < 1024; i++) {
            if (buf[2 * i] == 0 && buf[2 * i + 1] == 0) {
                if (++run == gap_frames) gaps++;
                longest = std::max(longest, run);
            } else {
                if (run >= gap_frames)
                    std::fprintf(stderr, "gap of %.1f ms, %.3f s into the recording\n", run * 1000.0 / rate,
                                 static_cast<double>(frames + i - run) / rate);
                run = 0;
            }
        }
    }
    pa_simple_free(pa);
    std::printf("%ld %.1f\n", gaps, gaps ? longest * 1000.0 / rate : 0.0);
    return 0;
}

uint32_t be32(const unsigned char* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--gaps") == 0) return count_gaps(argv[2], std::atof(argv[3]));
    if (argc != 8 && argc != 10) {
        std::fprintf(stderr, "usage: latency_probe FBFILE SOURCE X Y W H PRESSES [KEY UNDO_KEY] | --gaps SOURCE SECONDS\n");
        return 2;
    }
    const int presses = std::atoi(argv[7]);
    const int fd = open(argv[1], O_RDONLY);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    auto* fb = static_cast<const unsigned char*>(mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_SHARED, fd, 0));
    if (fb == MAP_FAILED) {
        std::perror("mmap");
        return 1;
    }
    screen_region region;
    region.base = fb + be32(fb) + 12 * be32(fb + 76);  // the header, then the colour map
    region.pitch = be32(fb + 48);
    region.x = std::atoi(argv[3]);
    region.y = std::atoi(argv[4]);
    region.w = std::atoi(argv[5]);
    region.h = std::atoi(argv[6]);

    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "latency_probe: no X display\n");
        return 1;
    }
    const KeyCode space = XKeysymToKeycode(dpy, argc == 10 ? XStringToKeysym(argv[8]) : XK_space);
    const KeyCode undo = argc == 10 ? XKeysymToKeycode(dpy, XStringToKeysym(argv[9])) : 0;
    if (space == 0 || (argc == 10 && undo == 0)) {
        std::fprintf(stderr, "latency_probe: no such key\n");
        return 2;
    }

    const pa_sample_spec format{PA_SAMPLE_S16LE, rate, 2};
    pa_buffer_attr attr;
    std::memset(&attr, 0xff, sizeof attr);
    attr.fragsize = sizeof(int16_t) * 2 * chunk_frames;
    int err = 0;
    pa_simple* pa = pa_simple_new(nullptr, "latency_probe", PA_STREAM_RECORD, argv[2], "monitor", &format, nullptr,
                                  &attr, &err);
    if (!pa) {
        std::fprintf(stderr, "latency_probe: recording %s: %s\n", argv[2], pa_strerror(err));
        return 1;
    }
    recording rec;
    std::thread reader(record, pa, &rec);

    std::mt19937 rng(std::random_device{}());
    std::uniform_real_distribution<double> gap(gap_min_ms, gap_max_ms);
    for (int i = 0; i < presses; i++) {
        const double until = now_ms() + gap(rng);
        while (now_ms() < until) usleep(1000);
        const auto before = region.copy();
        long start_frame;
        {
            std::lock_guard<std::mutex> g(rec.lock);
            start_frame = static_cast<long>(rec.peak.size());
        }
        const double pressed = now_ms();
        XTestFakeKeyEvent(dpy, space, True, CurrentTime);
        XFlush(dpy);
        double picture = -1;
        bool released = false;
        for (double t = pressed; t - pressed < window_ms; t = now_ms()) {
            if (picture < 0 && region.differs(before)) picture = t - pressed;
            if (!released && t - pressed >= hold_ms) {
                XTestFakeKeyEvent(dpy, space, False, CurrentTime);
                XFlush(dpy);
                released = true;
            }
            if (released && picture >= 0) break;
            usleep(100);
        }
        if (!released) {
            XTestFakeKeyEvent(dpy, space, False, CurrentTime);
            XFlush(dpy);
        }
        // The sound: the first loud frame after the press (reads up to the window's end first).
        while (true) {
            {
                std::lock_guard<std::mutex> g(rec.lock);
                if (!rec.stamps.empty() && rec.stamps.back().second > pressed + window_ms + 50) break;
            }
            usleep(2000);
        }
        double sound = -1;
        {
            std::lock_guard<std::mutex> g(rec.lock);
            // A few frames before the press's count: the reads lag the server.
            for (long f = std::max(0L, start_frame - rate / 2); f < static_cast<long>(rec.peak.size()); f++) {
                if (rec.peak[static_cast<size_t>(f)] < (undo ? quiet_sound : loud)) continue;
                const double t = frame_time(rec, f) - pressed;
                if (t < 0) continue;
                if (t <= window_ms) sound = t;
                break;
            }
        }
        std::printf("%.2f %.2f\n", sound, picture);
        std::fflush(stdout);
        if (undo) {
            XTestFakeKeyEvent(dpy, undo, True, CurrentTime);
            XFlush(dpy);
            usleep(static_cast<useconds_t>(hold_ms * 1000));
            XTestFakeKeyEvent(dpy, undo, False, CurrentTime);
            XFlush(dpy);
        }
    }
    rec.stop.store(true);
    reader.join();
    pa_simple_free(pa);
    XCloseDisplay(dpy);
    return 0;
}
