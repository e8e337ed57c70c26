// The district file: one file that carries a district of a player's to another player,
// NAME.osadistrict (MIME type application/x-one-step-ahead-district). Inside it is a zip archive,
// read and written with libzip, so that archive tools open it too. Its entries, in its root or
// all in one folder, each at most once (names compared without regard to case):
//
//   district.cfg   [district] name, and [share] maker (as the maker typed it), version (the
//                  game that wrote it), format (district_file_format) and folder (the district's
//                  folder name at its maker's)
//   level.map      the map; level.dat is never taken from a file, but made again from the map
//   tiles.pcx      the district's own looks, when it has them
//   back.pcx
//   music.it       its own music, when it has it
//   best.replay    its maker's best run, when there is one
//
// Someone else's file is hostile input: the reader here trusts nothing the archive claims, and
// refuses with one line naming the reason and the entry.
#ifndef OSA_SHARING_DISTRICT_FILE_H
#define OSA_SHARING_DISTRICT_FILE_H

#include <cstddef>
#include <string>
#include <vector>

#include "world/district.h"

constexpr const char* district_file_extension = ".osadistrict";
constexpr const char* district_file_mime_type = "application/x-one-step-ahead-district";
// The newest layout this game reads and writes; a file of a newer one is refused.
constexpr int district_file_format = 1;
// district.cfg's [share] keys besides the maker.
constexpr const char* share_version_key = "version";
constexpr const char* share_format_key = "format";
constexpr const char* share_folder_key = "folder";

// The entries a district file may hold, in the order they are written.
enum SHARED_ENTRY { entry_cfg, entry_map, entry_tiles, entry_back, entry_music, entry_run, shared_entry_count };
extern const char* const shared_entry_names[shared_entry_count];
// Entries and a folder entry: more is no district file.
constexpr int district_file_max_entries = shared_entry_count + 1;

// A district file as read (or to be written): each entry's bytes, and what its district.cfg says.
struct DISTRICT_FILE {
    std::string bytes[shared_entry_count];
    bool has[shared_entry_count] = {};
    std::string name;     // [district] name, through clean_shown_name; may be empty
    std::string maker;    // [share] maker, through clean_shown_name; may be empty
    std::string folder;   // [share] folder when it is a district's folder name, else empty
    std::string version;  // [share] version, printable ASCII of at most 16 characters; may be empty
};

// The most bytes each entry may inflate to (the pictures' bounds from looks' sizes), and the
// largest district file there can be: every entry at its largest, stored, with the archive's
// own records around them.
std::size_t shared_entry_max_bytes(int entry, const SHARED_LOOKS& looks);
std::size_t district_file_max_bytes(const SHARED_LOOKS& looks);

// Reads a district file from its bytes. Before anything is decoded: at most
// district_file_max_entries entries; each a regular file (no link, folder or device) named as
// above, in the root or all in one folder, never twice; each read to its end counting what it
// really inflates to, and refused as soon as that passes its bound (what the archive's headers
// claim is not believed). Then district.cfg must be UTF-8 text without control characters
// (utf8_text_fault) before Allegro's reader sees it, of this format or an older one, and not a
// draft; level.map must be there; tiles.pcx and back.pcx must be PCX pictures of the shared ones'
// sizes (read from their headers, not decoded); music.it an Impulse Tracker module. True with
// *out filled; false with one line in *why naming the reason and the entry, quoting the
// archive's names as they are (the caller cleans what it shows). The run is not judged here.
// Needs Allegro started; leaves its configuration as it was. Never writes anything.
bool read_district_file(const std::string& bytes, const SHARED_LOOKS& looks, DISTRICT_FILE* out, std::string* why);

// The archive's bytes for f: each entry f has, in the order above, deflated, as a regular file
// of the maker's. False with why when libzip fails.
bool write_district_file(const DISTRICT_FILE& f, std::vector<unsigned char>* out, std::string* why);

// The text of a district file's district.cfg: [district] name, [share] maker (left out when
// empty), this game's version, district_file_format and folder.
std::string share_cfg_text(const std::string& name, const std::string& maker, const std::string& folder);

// A hash of what f holds (its entries' bytes, in order), as 16 hex digits: the same file opened
// twice is known by it.
std::string district_file_contents(const DISTRICT_FILE& f);

#endif
