// Adding a district from a district file someone sent: everything checked before anything is
// written (the archive, its district.cfg, its pictures, the map proven playable by the route
// search within a bound, the maker's run played through the game's logic on the rebuilt level),
// then the district written into a new hidden folder under the districts folder and moved into
// place with one rename, so that an import that fails or is killed leaves nothing behind, and
// nothing is ever written outside the districts folder.
#ifndef OSA_SHARING_IMPORT_H
#define OSA_SHARING_IMPORT_H

#include <string>

#include "authoring/level_check.h"
#include "replay/replay_file.h"
#include "sharing/district_file.h"

class PLAYER;

// Ticks of play the route search may run to prove a shared map: about ten times what the
// largest shipped district needs. A map that needs more is refused.
constexpr long import_search_budget = 120'000'000;

// A district file read and checked, ready to be added.
struct IMPORT_PLAN {
    DISTRICT_FILE file;
    std::string source;     // the file's name, as given
    std::string name;       // the name it shows (its file's, else its folder's)
    std::string folder;     // the folder it would be added as, free when the plan was made
    std::string contents;   // district_file_contents(file)
    std::string already;    // the folder of the district it was added as before, when it was
    level_check level;      // the map's checks, its cells and its level file
    bool has_run = false;   // its maker's run verified on the rebuilt level
    REPLAY run;
    std::string run_note;   // why a run the file holds was left out; empty when none was
};

// Reads the district file at path (bounded, checked as read_district_file does against looks)
// and proves its map with check_level on mora and vela (whose state, and the level in play, are
// given back as they were), within import_search_budget; verifies its run, if any, as a ghost
// is verified, on the rebuilt level (a run that does not verify is left out, with a word in
// run_note). Chooses a free folder under root, or finds the district already added from the
// same file. Writes nothing. False with one line in *why naming the reason (and the entry): the
// archive's names and texts are quoted as they are, for the caller to clean where it shows them.
// Needs load_shit's tiles and Allegro's configuration routines.
bool prepare_import(const std::string& path, const std::string& root, const SHARED_LOOKS& looks, PLAYER& mora,
                    PLAYER& vela, IMPORT_PLAN* plan, std::string* why);

// Adds the plan's district under root (made when missing): its files (level.map as sent,
// level.dat made again, district.cfg written anew with [share] maker and contents, preview.png
// drawn with its tiles, its tiles.pcx, back.pcx and music.it, its run as maker.replay renamed to
// its folder) written into a new folder ".import-PID-XXXXXX" under root, which is then renamed to
// a free folder name (never over one that is there). Folders an earlier import killed midway left
// behind are removed first. True with the folder's name in *folder; false with why, nothing left.
// A plan whose district was added already adds nothing: true with that folder.
bool install_import(const IMPORT_PLAN& plan, const std::string& root, std::string* folder, std::string* why);

#endif
