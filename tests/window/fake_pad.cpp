// A stand-in gamepad for the window tests, preloaded into the game (LD_PRELOAD): while the FIFO
// that OSA_FAKE_PAD names exists, /dev/input/js0 is that FIFO, answering the joystick API's
// questions as an 8-axis, 11-button pad does; once the FIFO is removed, reading it fails as an
// unplugged device's read does. Every other call goes on to the real function.
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/input.h>
#include <linux/joystick.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

const char* const device = "/dev/input/js0";
constexpr std::uint8_t pad_axes = 8;
constexpr std::uint8_t pad_buttons = 11;
// Two sticks, two triggers and the d-pad, in the order the kernel gives an Xbox-style pad's.
const std::uint8_t axis_map[pad_axes] = {ABS_X, ABS_Y, ABS_Z, ABS_RX, ABS_RY, ABS_RZ, ABS_HAT0X, ABS_HAT0Y};
const char pad_name[] = "One Step Ahead test pad";
constexpr int not_ours = -2;  // open_pad's answer for a path it leaves to the real open

std::atomic<int> pad_fd{-1};  // the descriptor the game holds for the stand-in, -1 while none

template <class F>
F real(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

const char* fifo_path() {
    const char* f = std::getenv("OSA_FAKE_PAD");
    return f && *f ? f : nullptr;
}

bool plugged_in(const char* fifo) {
    struct stat st;
    return stat(fifo, &st) == 0 && S_ISFIFO(st.st_mode);
}

// The stand-in's open of the device, or not_ours. The FIFO is opened for reading and writing so
// that, with no writer of the test's, it reads as "no event yet" as a device does, not as the end.
int open_pad(const char* path) {
    const char* fifo = fifo_path();
    if (!fifo || !path || std::strcmp(path, device) != 0) return not_ours;
    if (!plugged_in(fifo)) {
        errno = ENOENT;
        return -1;
    }
    static const auto open_fifo = real<int (*)(const char*, int, ...)>("open");
    const int fd = open_fifo(fifo, O_RDWR | O_NONBLOCK);
    if (fd >= 0) pad_fd = fd;
    return fd;
}

bool is_pad(int fd) { return fd >= 0 && fd == pad_fd; }

// The joystick API's answers for the stand-in; false for a request it does not know.
bool answer(unsigned long request, void* arg, int* result) {
    *result = 0;
    if (request == JSIOCGVERSION) {
        const std::uint32_t version = JS_VERSION;
        std::memcpy(arg, &version, sizeof version);
    } else if (request == JSIOCGAXES) {
        std::memcpy(arg, &pad_axes, 1);
    } else if (request == JSIOCGBUTTONS) {
        std::memcpy(arg, &pad_buttons, 1);
    } else if (request == JSIOCGAXMAP) {
        std::memset(arg, 0, ABS_CNT);
        std::memcpy(arg, axis_map, sizeof axis_map);
    } else if (_IOC_TYPE(request) == 'j' && _IOC_NR(request) == _IOC_NR(JSIOCGNAME(0))) {
        // As the kernel does: as much of the name and its terminator as fits, and that length.
        const size_t size = std::min(static_cast<size_t>(_IOC_SIZE(request)), sizeof pad_name);
        std::memcpy(arg, pad_name, size);
        *result = static_cast<int>(size);
    } else {
        return false;
    }
    return true;
}

// A read of the stand-in once its FIFO is gone fails as an unplugged device's does.
bool unplugged(int fd) {
    if (!is_pad(fd)) return false;
    const char* fifo = fifo_path();
    if (fifo && plugged_in(fifo)) return false;
    errno = ENODEV;
    return true;
}

mode_t mode_argument(int flags, va_list args) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(args, mode_t) : 0;
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    const int fd = open_pad(path);
    if (fd != not_ours) return fd;
    static const auto next = real<int (*)(const char*, int, ...)>("open");
    return next(path, flags, mode);
}

// On a 64-bit system every open is a large-file open: open64 is open.
static_assert(sizeof(off_t) == 8, "the stand-in serves 64-bit builds");
int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    return open(path, flags, mode);
}

// glibc declares ioctl as throwing nothing.
int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    int result = 0;
    if (is_pad(fd) && answer(request, arg, &result)) return result;
    static const auto next = real<int (*)(int, unsigned long, ...)>("ioctl");
    return next(fd, request, arg);
}

ssize_t read(int fd, void* buf, size_t count) {
    if (unplugged(fd)) return -1;
    static const auto next = real<ssize_t (*)(int, void*, size_t)>("read");
    return next(fd, buf, count);
}

int close(int fd) {
    int expected = fd;
    if (fd >= 0) pad_fd.compare_exchange_strong(expected, -1);
    static const auto next = real<int (*)(int)>("close");
    return next(fd);
}

} // extern "C"
