// The crash report: a handler of the fatal signals that writes crash.txt and crash.replay with
// async-signal-safe calls only, on paths and memory made ready when it is installed.
#include "replay/crash.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/files.h"
#include "core/state.h"
#include "gameplay/mission.h"
#include "replay/run.h"

#ifndef OSA_VERSION
#define OSA_VERSION "unknown"
#endif

namespace {

constexpr int fatal_signals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int max_frames = 64;  // of the backtrace
constexpr std::size_t max_path = 4096;

// Everything the handler needs, ready before it can run.
struct crash_paths {
    char report[max_path], report_temp[max_path];
    char replay[max_path], replay_temp[max_path];
};
crash_paths paths;

// A stack of its own, so that a crash by a stack overflow can still be reported.
constexpr std::size_t handler_stack_size = 64 * 1024;

const char* signal_name(int sig) {
    switch (sig) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    case SIGABRT: return "SIGABRT";
    default: return "signal";
    }
}

void put(int fd, const char* text) { write_fully(fd, text, std::strlen(text)); }

// A whole number in decimal, without the C library's formatting (not safe in a handler).
void put_number(int fd, long n) {
    char digits[24];
    int i = sizeof digits;
    const bool negative = n < 0;
    unsigned long u = negative ? 0ul - static_cast<unsigned long>(n) : static_cast<unsigned long>(n);
    do {
        digits[--i] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (negative) digits[--i] = '-';
    write_fully(fd, digits + i, sizeof digits - static_cast<std::size_t>(i));
}

// Opens temp for writing; the caller writes it, then finish puts it in place of path.
int start_file(const char* temp) { return open(temp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644); }
bool finish_file(int fd, const char* temp, const char* path) {
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok && rename(temp, path) == 0;
}

void on_crash(int sig) {
    const int saved_errno = errno;
    bool report_written = false, replay_written = false;

    int fd = start_file(paths.report_temp);
    if (fd >= 0) {
        put(fd, "One Step Ahead " OSA_VERSION "\nsignal ");
        put(fd, signal_name(sig));
        put(fd, " (");
        put_number(fd, sig);
        put(fd, ")\nticks played ");
        put_number(fd, live_run.ticks());
        put(fd, "\nbacktrace:\n");
        void* frames[max_frames];
        backtrace_symbols_fd(frames, backtrace(frames, max_frames), fd);
        report_written = finish_file(fd, paths.report_temp, paths.report);
    }

    fd = start_file(paths.replay_temp);
    if (fd >= 0) {
        REPLAY_OUTCOME o;
        o.level = tase;
        o.score = score;
        o.seconds_left = the_time - timer.load();
        replay_written = live_run.write_to(fd, o, true) && finish_file(fd, paths.replay_temp, paths.replay);
        if (!replay_written) close(fd);
    }

    put(STDERR_FILENO, "one-step-ahead: crashed with ");
    put(STDERR_FILENO, signal_name(sig));
    if (report_written) {
        put(STDERR_FILENO, "; the report is in ");
        put(STDERR_FILENO, paths.report);
    }
    if (replay_written) {
        put(STDERR_FILENO, report_written ? " and the run so far in " : "; the run so far is in ");
        put(STDERR_FILENO, paths.replay);
    }
    put(STDERR_FILENO, "\n");

    // Die of the same signal: with the default action back, it comes again as soon as this
    // handler returns (a fault by re-running the faulting instruction, any other by raise).
    errno = saved_errno;
    signal(sig, SIG_DFL);
    raise(sig);
}

bool copy_path(char* to, const std::string& from) {
    if (from.size() + 1 > max_path) return false;
    std::memcpy(to, from.c_str(), from.size() + 1);
    return true;
}

} // namespace

bool install_crash_report(const std::string& dir) {
    if (dir.empty() || !make_directories(dir, nullptr)) return false;
    const std::string report = dir + "/crash.txt", replay = dir + "/crash.replay";
    if (!copy_path(paths.report, report) || !copy_path(paths.report_temp, temporary_name(report)) ||
        !copy_path(paths.replay, replay) || !copy_path(paths.replay_temp, temporary_name(replay)))
        return false;
    // backtrace loads what it needs on its first call: make that call now, not in the handler.
    void* frames[1];
    backtrace(frames, 1);

    static char* stack = static_cast<char*>(std::malloc(handler_stack_size));
    stack_t alt{};
    alt.ss_sp = stack;
    alt.ss_size = handler_stack_size;
    const bool on_own_stack = stack && sigaltstack(&alt, nullptr) == 0;

    struct sigaction act {};
    act.sa_handler = on_crash;
    act.sa_flags = on_own_stack ? SA_ONSTACK : 0;
    sigemptyset(&act.sa_mask);
    for (int sig : fatal_signals) sigaddset(&act.sa_mask, sig);  // one report, not two at once
    for (int sig : fatal_signals)
        if (sigaction(sig, &act, nullptr) != 0) return false;
    return true;
}
