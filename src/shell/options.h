// The command line: what the player asked for on it, read with getopt_long.
#ifndef OSA_SHELL_OPTIONS_H
#define OSA_SHELL_OPTIONS_H

#include <cstdio>
#include <string>

// What the command line asked for; a field left at its "not given" value lets the settings
// file (or the default) decide.
struct OPTIONS {
    int fullscreen = -1;  // -1 not given, 0 --window, 1 --fullscreen
    int scale = 0;        // 0 not given, 1..8 --scale N
    std::string level;    // --level FILE, as given (relative to the starting directory)
    std::string data;     // --data DIR, the directory that holds dat/
    bool mute = false;    // --mute: no sound, no music
};

// What main does after reading the command line.
enum class OPTIONS_RESULT {
    play,         // start the game with the options read
    done,         // --help or --version printed its text: exit 0
    usage_error,  // a wrong option or value: one line and the usage went to err, exit 2
};

// Reads a whole number from lo to hi with nothing after it (a scale: 1..8 on the command line,
// 0..8 in the settings). False, value untouched, for anything else.
bool read_whole_number(const char* text, int lo, int hi, int* value);

// Reads argv with getopt_long into opt. --help prints the usage to out, --version the name and
// version; a wrong option or value prints one line and the usage to err. Needs no display and
// can be called more than once (tests).
OPTIONS_RESULT parse_options(int argc, char** argv, OPTIONS& opt, std::FILE* out, std::FILE* err);

#endif
