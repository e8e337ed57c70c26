// The gamepad reader: the first pad on /dev/input/js0 .. js7 through the Linux joystick API, its
// buttons and directions, its presses, and a pad plugged in or pulled out while the game runs.
#ifndef OSA_INPUT_GAMEPAD_H
#define OSA_INPUT_GAMEPAD_H

#include <chrono>
#include <string>
#include <vector>

constexpr int max_pad_axes = 64;      // the joystick API's axis map has one entry per ABS_ code
constexpr int max_pad_buttons = 256;  // its events number buttons with one byte
constexpr int max_pad_presses = 16;   // presses kept until they are taken

// One pad: the open device (or none) and what it reports. Fill it only through the functions
// below; a default GAMEPAD is a pad not connected.
struct GAMEPAD {
    int fd = -1;                // the device, -1 while none is open
    std::string name;           // what the device calls itself
    int axes = 0;               // how many axes and buttons it has
    int buttons = 0;
    int stick_x = -1, stick_y = -1;  // the axes of its first stick and d-pad, -1 where none
    int hat_x = -1, hat_y = -1;
    short axis[max_pad_axes] = {};        // -32767 (left, up) .. 32767 (right, down)
    bool button[max_pad_buttons] = {};    // held
    unsigned char presses[max_pad_presses] = {};  // buttons pressed and not yet taken, oldest first
    int press_count = 0;
    bool unplugged = false;     // it went away since take_gamepad_unplugged last said so
    unsigned char partial[8] = {};  // the start of an event the last read cut off
    int partial_size = 0;
    std::chrono::steady_clock::time_point last_search;  // the last look for a pad to open
    bool searched = false;
};

// Opens the joystick device at path (read only, never waiting) into pad, closing what pad had
// open first. A file that does not answer the joystick API's version query is not taken: false,
// and pad is left closed. The axis map tells the stick (ABS_X, ABS_Y) and the d-pad (ABS_HAT0X,
// ABS_HAT0Y); a device whose map cannot be read has its stick on axes 0 and 1 and no d-pad.
bool open_gamepad(GAMEPAD& pad, const char* path);

// Opens path (a FIFO or a file of js_event records: the tests' stand-in) as a pad that is asked
// nothing, named by its path: axis_map gives the ABS_ code of each axis as a device's map would
// (empty: the stick on axes 0 and 1, no d-pad). False, and pad left closed, when path cannot be
// opened.
bool open_gamepad_stream(GAMEPAD& pad, const char* path, const std::vector<unsigned char>& axis_map);

// Opens the first of /dev/input/js0 .. js7 that open_gamepad takes. False when none is there.
bool find_gamepad(GAMEPAD& pad);

// Closes the device (if any) and forgets its state and the presses not taken; an unplug not yet
// taken stays reported.
void close_gamepad(GAMEPAD& pad);

// Reads every event the device has waiting; does nothing while none is open. When the device is
// gone (a read fails with ENODEV or finds the end of the file), closes it as close_gamepad does,
// so that every button and direction is released at once, and take_gamepad_unplugged then
// reports it. Never waits.
void poll_gamepad(GAMEPAD& pad);

// The hot-plug check the main loop makes every pass: while no pad is open, looks for one with
// find_gamepad at most once a second; nothing while one is open. Cheap enough for every pass.
void watch_for_gamepad(GAMEPAD& pad);

// True while a device is open.
bool gamepad_connected(const GAMEPAD& pad);

// True while button n (0 ..) is held; false for a number the pad does not have.
bool gamepad_button(const GAMEPAD& pad, int n);

// The directions of the first stick and the d-pad together: a direction counts while either
// is pushed beyond half its range that way.
struct PAD_DIRECTIONS {
    bool left = false, right = false, up = false, down = false;
};
PAD_DIRECTIONS gamepad_directions(const GAMEPAD& pad);

// Takes the oldest button press not yet taken: its number, or -1 when there is none. A press
// and its release between two polls still count once; the initial state the device reports on
// opening is no press. Past max_pad_presses untaken presses, the newer ones are dropped.
int take_gamepad_press(GAMEPAD& pad);

// True once after the pad went away (see poll_gamepad); false until it goes away again.
bool take_gamepad_unplugged(GAMEPAD& pad);

#endif
