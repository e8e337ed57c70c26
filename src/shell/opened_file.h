// The files the game opens when one is named alone on its command line, as a file manager
// passes a double-clicked one (the desktop entry's %f): what kind of file it is.
#ifndef OSA_SHELL_OPENED_FILE_H
#define OSA_SHELL_OPENED_FILE_H

#include <string>

enum class OPENED_FILE {
    unknown,  // no file of the game's
    replay,   // a recorded run: watched, as --replay does
};

// What the file at path is: a replay when its first bytes are the replay's magic, whatever its
// name; else, when they are not (or the file cannot be read), a replay when its name ends in
// ".replay", so that the replay's reader says what is wrong with it; else unknown. Reads at
// most the magic's bytes and never fails.
OPENED_FILE opened_file_kind(const std::string& path);

#endif
