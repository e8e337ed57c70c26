// Sharing a district of the player's: its district file made from the district's folder and the
// player's best run there, written where the desktop keeps documents; and the name the player
// shares under, kept in the settings file.
#ifndef OSA_SHARING_SHARE_H
#define OSA_SHARING_SHARE_H

#include <string>

#include "sharing/district_file.h"
#include "world/district.h"

// The folder a shared district's file goes into: the one `xdg-user-dir DOCUMENTS` names when that
// program answers with a folder that is there, else the home folder ($HOME); empty when neither.
std::string documents_dir();

// The district file for the player's district d, maker its maker: d's district.cfg made anew
// (share_cfg_text), its level.map (which must pass the map's checks), its tiles.pcx, back.pcx
// and music.it when it has them, and the player's best run of d (the ghost file in data_dir) when
// there is one and it reads as a whole run (not cut short by a crash). Every file is read bounded (core/player_files.h). The
// file is read back as an importer reads it (read_district_file against looks) before it is
// given. False with why: a shipped district ("it is one of the game's own"), one that cannot be
// played, a file that cannot be read.
bool make_shared_district(const DISTRICT& d, const std::string& maker, const std::string& data_dir,
                          const SHARED_LOOKS& looks, std::vector<unsigned char>* out, std::string* why);

// make_shared_district written to path (atomically, core/files.h). False with why.
bool export_district(const DISTRICT& d, const std::string& maker, const std::string& data_dir,
                     const SHARED_LOOKS& looks, const std::string& path, std::string* why);

// The path of d's district file in dir: dir/FOLDER.osadistrict.
std::string district_file_path(const std::string& dir, const DISTRICT& d);

// The name the player shares under, [share] maker of the settings file at settings_file
// (menu/settings.h's settings_path()), through clean_shown_name; empty when there is none, or
// the file is no UTF-8 text (it is then not handed to Allegro's reader).
std::string saved_maker_name(const std::string& settings_file);
// Keeps name (clean_shown_name of it) as [share] maker in the settings file, every other line
// kept. False with why.
bool save_maker_name(const std::string& settings_file, const std::string& name, std::string* why);

#endif
