// Reading files from a folder that may hold other people's files (a district copied in by hand,
// a file a friend sent): each is bounded by what a valid one can be and checked before it is
// read, so that a huge, special (a FIFO, a device) or unreadable file is refused at once and
// never read, or waited on.
#ifndef OSA_CORE_PLAYER_FILES_H
#define OSA_CORE_PLAYER_FILES_H

#include <cstddef>
#include <string>

#include "core/files.h"

// Checks the file at path without reading it: a regular file (a link is followed) of at most
// max_bytes. ok; missing when nothing is there (or a folder on the way is not); failed with why
// in *why: "is not a regular file", "is larger than N bytes", "cannot be read (...)".
READ_RESULT check_player_file(const std::string& path, std::size_t max_bytes, std::string* why);

// Reads the file at path whole into *bytes after check_player_file's checks, made again on the
// file once open (a file put in its place meanwhile is judged too): never more than max_bytes
// are read, and opening never waits (a FIFO is refused, not waited on). The same answers;
// *bytes is left as it was unless ok.
READ_RESULT read_player_file(const std::string& path, std::size_t max_bytes, std::string* bytes, std::string* why);

#endif
