// The files the game opens when one is named alone on its command line, as a file manager
// passes a double-clicked one (the desktop entry's %f): what kind of file it is.
#ifndef OSA_SHELL_OPENED_FILE_H
#define OSA_SHELL_OPENED_FILE_H

#include <string>

enum class OPENED_FILE {
    unknown,  // no file of the game's
    replay,   // a recorded run: watched, as --replay does
    district, // a district file: opened on the screen that asks to add it
};

// What the file at path is: a replay when its first bytes are the replay's magic, whatever its
// name; else, when they are not (or the file cannot be read), a replay when its name ends in
// ".replay", so that the replay's reader says what is wrong with it; a district file when its
// name ends in the district file's extension (whatever its bytes: the screen that opens it says
// what is wrong with a damaged one); else unknown. Reads at most the magic's bytes and never
// fails.
OPENED_FILE opened_file_kind(const std::string& path);

#endif
