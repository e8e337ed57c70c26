// Writing a file so that a crash or a full disk never leaves half of it, and the places where
// the game keeps the player's files (the XDG base directories).
#ifndef OSA_CORE_FILES_H
#define OSA_CORE_FILES_H

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

// Writes size bytes from data to the descriptor fd, again after a short write or an interrupted
// one, with write(2) alone: safe in a signal handler. False (errno set by write) when a write
// fails.
bool write_fully(int fd, const void* data, std::size_t size);

// Makes the directory dir and its missing parents. True when dir is a directory afterwards;
// false otherwise, with why in *error when error is not null.
bool make_directories(const std::string& dir, std::string* error);

// The temporary file beside path that write_file_atomically writes before the rename:
// "<path>.tmp-<process id>".
std::string temporary_name(const std::string& path);

// Puts the finished file temp in the place of path: flushes temp to the disk, renames it over
// path and flushes their directory, so that path holds either its old contents or all of
// temp's. False on failure, with why in *error when error is not null: temp is then removed and
// path untouched. (A directory that cannot be flushed after the rename is not a failure: the
// file is in place, only not yet certain to outlive a power cut.)
bool replace_file(const std::string& temp, const std::string& path, std::string* error);

// Writes size bytes from data to path: makes the missing directories, writes
// temporary_name(path) and puts it in place with replace_file. False on any failure, with why in
// *error when error is not null; the temporary file is then removed and path untouched.
bool write_file_atomically(const std::string& path, const void* data, std::size_t size,
                           std::string* error);

// Writes a configuration file through Allegro's configuration routines: write() sets the values
// while temporary_name(path) is the configuration in force (a copy of path's own lines when
// keep_lines, so that what the player wrote stays, with an empty line before each section's
// heading that lacks one: else Allegro puts a key new to a section into the next; else empty); then, since Allegro's writer reports
// nothing, read_back(temp) must find them there before replace_file puts the file in place. Makes
// the missing directories. False on any failure, with why in *error when error is not null: the
// temporary file is then removed and path untouched. Leaves Allegro's own configuration as it was.
bool write_config_file(const std::string& path, bool keep_lines, const std::function<void()>& write,
                       const std::function<bool(const std::string&)>& read_back, std::string* error);

// How reading a small file of the player's went.
enum class READ_RESULT { ok, missing, failed };
// Reads the file at path whole into *text, at most max_bytes + 1 bytes (one past the limit is
// enough to know a file is too large). missing when the file or a folder on its way is not
// there; failed with why in *what when it cannot be read.
READ_RESULT read_small_file(const std::string& path, std::size_t max_bytes, std::string* text, std::string* what);

// Empty when text is ASCII text (printable, tab, line breaks) of at most max_bytes; else what is
// wrong ("byte 12 is not ASCII text", "larger than N bytes"). The player's configuration-like
// files hold nothing else, and Allegro's reader is not to be trusted with hostile bytes.
std::string ascii_text_fault(const std::string& text, std::size_t max_bytes);

// A damaged file of the player's is renamed to path.bad (replacing an older one) with one line
// on err: "<path>: <what>; set aside as <path>.bad". False, with a line saying so, when it cannot
// be renamed: the file must then not be replaced.
bool set_aside_damaged(const std::string& path, const std::string& what, std::FILE* err);

// The game's folders under the XDG base directories: $XDG_CONFIG_HOME, $XDG_STATE_HOME and
// $XDG_DATA_HOME, each followed by "/one-step-ahead". A variable that is unset, empty or relative
// is ignored, as the base directory rules say, for ~/.config, ~/.local/state and ~/.local/share.
// Empty when that is needed and HOME is unset or empty. Nothing is made on the disk.
std::string xdg_config_dir();
std::string xdg_state_dir();
std::string xdg_data_dir();

#endif
