// The gamepad reader over the Linux joystick API: opening a pad, its events, hot-plug and unplug.
#include "input/gamepad.h"

#include <fcntl.h>
#include <linux/input.h>
#include <linux/joystick.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr int pad_devices = 8;  // /dev/input/js0 .. js7
// A pad plugged in is taken within two seconds; looking once a second costs eight failed opens.
constexpr auto search_interval = std::chrono::seconds(1);
// An axis pushed beyond half its range counts as a direction: a worn stick rests well short of
// that, and a d-pad jumps straight to the end.
constexpr int half_range = 32767 / 2;
constexpr int events_per_read = 64;

static_assert(max_pad_axes >= ABS_CNT, "JSIOCGAXMAP fills one byte per ABS_ code");
static_assert(sizeof(js_event) == sizeof(GAMEPAD::partial), "an event is 8 bytes");

// Takes the open descriptor fd as pad's device. map gives the ABS_ code of each of its first
// `mapped` axes; without one (mapped 0) the stick is axes 0 and 1.
void take(GAMEPAD& pad, int fd, const char* name, const unsigned char* map, int mapped, int axes,
          int buttons) {
    pad.fd = fd;
    pad.name = name;
    pad.axes = axes;
    pad.buttons = buttons;
    if (mapped == 0) {
        pad.stick_x = 0;
        pad.stick_y = 1;
        return;
    }
    // The first axis of each kind: a pad with two d-pads steers with the first.
    for (int i = mapped - 1; i >= 0; i--) {
        if (map[i] == ABS_X) pad.stick_x = i;
        if (map[i] == ABS_Y) pad.stick_y = i;
        if (map[i] == ABS_HAT0X) pad.hat_x = i;
        if (map[i] == ABS_HAT0Y) pad.hat_y = i;
    }
}

void apply(GAMEPAD& pad, const js_event& e) {
    // The events a device sends on opening tell how it stands, not what the player did.
    const bool initial = (e.type & JS_EVENT_INIT) != 0;
    switch (e.type & ~JS_EVENT_INIT) {
    case JS_EVENT_BUTTON: {
        const bool down = e.value != 0;
        if (down && !pad.button[e.number] && !initial && pad.press_count < max_pad_presses)
            pad.presses[pad.press_count++] = e.number;
        pad.button[e.number] = down;
        break;
    }
    case JS_EVENT_AXIS:
        if (e.number < max_pad_axes) pad.axis[e.number] = e.value;
        break;
    }
}

int axis_value(const GAMEPAD& pad, int axis) { return axis >= 0 ? pad.axis[axis] : 0; }

} // namespace

bool open_gamepad(GAMEPAD& pad, const char* path) {
    close_gamepad(pad);
    const int fd = open(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return false;
    std::uint32_t version = 0;
    if (ioctl(fd, JSIOCGVERSION, &version) < 0) {
        close(fd);
        return false;
    }
    std::uint8_t axes = 0, buttons = 0;
    const bool counted = ioctl(fd, JSIOCGAXES, &axes) >= 0;
    if (ioctl(fd, JSIOCGBUTTONS, &buttons) < 0) buttons = 0;
    char name[128] = {};
    if (ioctl(fd, JSIOCGNAME(sizeof name - 1), name) < 0) std::strcpy(name, "gamepad");
    // Entries past the device's own axes say nothing, so the map is only read with the count.
    unsigned char map[max_pad_axes] = {};
    const bool mapped = counted && ioctl(fd, JSIOCGAXMAP, map) >= 0;
    take(pad, fd, name, map, mapped ? axes : 0, axes, buttons);
    return true;
}

bool open_gamepad_stream(GAMEPAD& pad, const char* path, const std::vector<unsigned char>& axis_map) {
    close_gamepad(pad);
    const int fd = open(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return false;
    const int mapped = static_cast<int>(std::min<size_t>(axis_map.size(), max_pad_axes));
    take(pad, fd, path, axis_map.data(), mapped, mapped ? mapped : 2, max_pad_buttons);
    return true;
}

bool find_gamepad(GAMEPAD& pad) {
    pad.searched = true;
    pad.last_search = std::chrono::steady_clock::now();
    for (int i = 0; i < pad_devices; i++) {
        char path[32];
        std::snprintf(path, sizeof path, "/dev/input/js%d", i);
        if (open_gamepad(pad, path)) return true;
    }
    return false;
}

void close_gamepad(GAMEPAD& pad) {
    if (pad.fd >= 0) close(pad.fd);
    GAMEPAD closed;
    closed.unplugged = pad.unplugged;
    closed.searched = pad.searched;
    closed.last_search = pad.last_search;
    pad = closed;
}

void poll_gamepad(GAMEPAD& pad) {
    while (pad.fd >= 0) {
        unsigned char buf[events_per_read * sizeof(js_event)];
        std::memcpy(buf, pad.partial, pad.partial_size);
        const ssize_t n = read(pad.fd, buf + pad.partial_size, sizeof buf - pad.partial_size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (n <= 0) {
            // Unplugged (ENODEV), or a device that can no longer be read: either way the state
            // it last gave must not go on steering.
            close_gamepad(pad);
            pad.unplugged = true;
            return;
        }
        const size_t size = pad.partial_size + static_cast<size_t>(n);
        size_t used = 0;
        for (; used + sizeof(js_event) <= size; used += sizeof(js_event)) {
            js_event e;
            std::memcpy(&e, buf + used, sizeof e);
            apply(pad, e);
        }
        pad.partial_size = static_cast<int>(size - used);
        std::memcpy(pad.partial, buf + used, pad.partial_size);
    }
}

void watch_for_gamepad(GAMEPAD& pad) {
    if (pad.fd >= 0) return;
    if (pad.searched && std::chrono::steady_clock::now() - pad.last_search < search_interval) return;
    find_gamepad(pad);
}

bool gamepad_connected(const GAMEPAD& pad) { return pad.fd >= 0; }

bool gamepad_button(const GAMEPAD& pad, int n) {
    return n >= 0 && n < max_pad_buttons && pad.button[n];
}

PAD_DIRECTIONS gamepad_directions(const GAMEPAD& pad) {
    const int x = axis_value(pad, pad.stick_x), y = axis_value(pad, pad.stick_y);
    const int hx = axis_value(pad, pad.hat_x), hy = axis_value(pad, pad.hat_y);
    PAD_DIRECTIONS d;
    d.left = x < -half_range || hx < -half_range;
    d.right = x > half_range || hx > half_range;
    d.up = y < -half_range || hy < -half_range;
    d.down = y > half_range || hy > half_range;
    return d;
}

int take_gamepad_press(GAMEPAD& pad) {
    if (pad.press_count == 0) return -1;
    const int b = pad.presses[0];
    pad.press_count--;
    std::memmove(pad.presses, pad.presses + 1, pad.press_count);
    return b;
}

bool take_gamepad_unplugged(GAMEPAD& pad) {
    const bool was = pad.unplugged;
    pad.unplugged = false;
    return was;
}
