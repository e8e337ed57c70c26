// Checking a district file to the last byte in memory, then adding it with one rename.
#include "sharing/import.h"

#include <allegro.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "authoring/district_files.h"
#include "core/assets.h"
#include "core/files.h"
#include "core/hash.h"
#include "core/picture_bytes.h"
#include "core/player_files.h"
#include "replay/ghost.h"
#include "replay/run.h"
#include "world/level.h"

namespace {

constexpr const char* staging_prefix = ".import-";
constexpr const char* fallback_folder = "shared-district";
constexpr int most_free_names = 999;   // "NAME-2" .. "NAME-999"
constexpr int rename_attempts = 5;     // another process taking the free name first

bool refuse(std::string* why, const std::string& line) {
    if (why) *why = line;
    return false;
}

// The level in play, given back as it was when this goes: the proof reads the shared map into it.
class keep_level_in_play {
public:
    keep_level_in_play()
        : cells_(&iLevel[0][0], &iLevel[0][0] + static_cast<std::size_t>(map_columns) * map_rows),
          w_(iXSize), h_(iYSize) {
        std::copy(std::begin(shop), std::end(shop), shops_);
    }
    ~keep_level_in_play() {
        std::copy(cells_.begin(), cells_.end(), &iLevel[0][0]);
        iXSize = w_;
        iYSize = h_;
        std::copy(std::begin(shops_), std::end(shops_), shop);
    }
    keep_level_in_play(const keep_level_in_play&) = delete;
    keep_level_in_play& operator=(const keep_level_in_play&) = delete;

private:
    std::vector<TILE> cells_;
    int w_, h_;
    SHOP_POS shops_[shop_count];
};

bool exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

// A folder name from a shown name: its ASCII letters and digits in lower case, anything else a
// single '-'.
std::string folder_from_name(const std::string& name) {
    std::string f;
    for (char c : name) {
        const char l = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if ((l >= 'a' && l <= 'z') || (l >= '0' && l <= '9')) f += l;
        else if (!f.empty() && f.back() != '-') f += '-';
    }
    while (!f.empty() && f.back() == '-') f.pop_back();
    return f.substr(0, static_cast<std::size_t>(district_name_max));
}

// The first of base, base-2, base-3, ... that names nothing under root.
std::string free_folder(const std::string& root, const std::string& base) {
    if (!exists(root + "/" + base)) return base;
    for (int n = 2; n <= most_free_names; n++) {
        const std::string tail = "-" + std::to_string(n);
        std::string stem = base.substr(0, static_cast<std::size_t>(district_name_max) - tail.size());
        while (!stem.empty() && stem.back() == '-') stem.pop_back();
        if (!exists(root + "/" + stem + tail)) return stem + tail;
    }
    return "";
}

// The player's district that was added from a file holding `contents`, or empty.
std::string added_before(const std::string& root, const std::string& contents) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!is_district_folder_name(name)) continue;
        std::string text;
        if (read_player_file(root + "/" + name + "/" + district_cfg_file, static_cast<std::size_t>(district_cfg_max_bytes),
                             &text, nullptr) != READ_RESULT::ok)
            continue;
        DISTRICT d;
        d.folder = name;
        parse_district_cfg(text, d);
        if (d.shared_contents == contents) return name;
    }
    return "";
}

// Removes the staging folders of imports whose process is gone (killed midway).
void remove_stale_staging(const std::string& root) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, std::strlen(staging_prefix), staging_prefix) != 0) continue;
        const long pid = std::strtol(name.c_str() + std::strlen(staging_prefix), nullptr, 10);
        if (pid <= 0 || (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)) {
            std::error_code ignored;
            std::filesystem::remove_all(it->path(), ignored);
        }
    }
}

// The plan's run, as this district's: its district's folder name is the one it is added as.
std::vector<unsigned char> run_as(const IMPORT_PLAN& plan, const std::string& folder) {
    REPLAY r = plan.run;
    r.header.district = folder;
    return write_replay(r);
}

// Writes every file of the plan into the folder dir (made already). False with why.
bool write_staged(const IMPORT_PLAN& plan, const std::string& dir, const std::string& folder, std::string* why) {
    const DISTRICT_FILE& f = plan.file;
    // The preview in the district's looks: its own tiles and background (checked for their sizes
    // as the file was read), else the shared ones.
    BITMAP* sheet = f.has[entry_tiles] ? pcx_from_bytes(f.bytes[entry_tiles]) : nullptr;
    BITMAP* back = f.has[entry_back] ? pcx_from_bytes(f.bytes[entry_back]) : load_bitmap(shared_back_file, nullptr);
    const bool written =
        write_district(dir, f.bytes[entry_map], plan.level, plan.name, 0, sheet ? sheet : tilemap, back, why);
    destroy_bitmap(sheet);
    destroy_bitmap(back);
    if (!written) return false;
    const std::string cfg = dir + "/" + district_cfg_file;
    const auto write = [&] {
        if (!f.maker.empty()) set_config_string(share_section, share_maker_key, f.maker.c_str());
        set_config_string(share_section, share_contents_key, plan.contents.c_str());
        if (!f.version.empty()) set_config_string(share_section, share_version_key, f.version.c_str());
    };
    const auto read_back = [&](const std::string& temp) {
        std::string text;
        DISTRICT d;
        d.folder = folder;
        return read_player_file(temp, static_cast<std::size_t>(district_cfg_max_bytes), &text, nullptr) ==
                   READ_RESULT::ok &&
               parse_district_cfg(text, d) && d.maker == f.maker && d.shared_contents == plan.contents &&
               d.name == plan.name;
    };
    if (!write_config_file(cfg, true, write, read_back, why)) return false;
    const struct {
        int entry;
        const char* file;
    } copies[] = {{entry_tiles, district_tiles_file}, {entry_back, district_back_file}, {entry_music, district_music_file}};
    for (const auto& c : copies)
        if (f.has[c.entry] &&
            !write_file_atomically(dir + "/" + c.file, f.bytes[c.entry].data(), f.bytes[c.entry].size(), why))
            return false;
    if (plan.has_run) {
        const std::vector<unsigned char> run = run_as(plan, folder);
        if (!write_file_atomically(dir + "/" + district_maker_run_file, run.data(), run.size(), why)) return false;
    }
    return true;
}

}  // namespace

bool prepare_import(const std::string& path, const std::string& root, const SHARED_LOOKS& looks, PLAYER& mora,
                    PLAYER& vela, IMPORT_PLAN* plan, std::string* why) {
    IMPORT_PLAN p;
    p.source = path;
    std::string bytes, what;
    const READ_RESULT got = read_player_file(path, district_file_max_bytes(looks), &bytes, &what);
    if (got == READ_RESULT::missing) return refuse(why, "there is no such file");
    if (got == READ_RESULT::failed) return refuse(why, "it " + what);
    if (!read_district_file(bytes, looks, &p.file, why)) return false;
    const DISTRICT_FILE& f = p.file;
    p.contents = district_file_contents(f);
    p.already = added_before(root, p.contents);
    const std::string base = !f.folder.empty() ? f.folder : folder_from_name(f.name);
    p.folder = free_folder(root, base.empty() ? fallback_folder : base);
    if (p.folder.empty() && p.already.empty()) return refuse(why, "no free folder name for it under " + root);
    p.name = f.name.empty() ? p.folder : f.name;

    // Its looks, decoded now that their sizes are known to be the shared ones'.
    if (f.has[entry_tiles]) {
        BITMAP* sheet = pcx_from_bytes(f.bytes[entry_tiles]);
        const std::string fault = sheet ? tile_sheet_fault(sheet) : "its tiles.pcx cannot be decoded";
        destroy_bitmap(sheet);
        if (!fault.empty()) return refuse(why, fault);
    }
    if (f.has[entry_back]) {
        BITMAP* back_picture = pcx_from_bytes(f.bytes[entry_back]);
        destroy_bitmap(back_picture);
        if (!back_picture) return refuse(why, "its back.pcx cannot be decoded");
    }

    // The proof, and the run on the level it rebuilt, on the characters at their starts.
    const keep_level_in_play kept;
    const RUN_STATE live = save_run(mora, vela);
    start_run(mora, vela);
    std::istringstream map(f.bytes[entry_map]);
    p.level = check_level(read_map(map), mora, vela, import_search_budget);
    if (!p.level.faults.empty()) {
        restore_run(live, mora, vela);
        return refuse(why, std::string(district_map_file) + " cannot be played: " + p.level.faults[0]);
    }
    if (f.has[entry_run]) {
        std::string reason;
        if (!read_replay(reinterpret_cast<const unsigned char*>(f.bytes[entry_run].data()), f.bytes[entry_run].size(),
                         &p.run, &reason)) {
        } else if (p.run.header.level_hash != hash64(p.level.text.data(), p.level.text.size())) {
            reason = "recorded on another level";
        } else {
            // The rebuilt level is in play but not on the disk yet: its hash is checked above,
            // and the run is played through on it as a ghost's is.
            REPLAY on_this_level = p.run;
            on_this_level.header.level_hash = level_hash();
            GHOST ghost;
            p.has_run = make_ghost(on_this_level, on_this_level.header.district, mora, vela, &ghost, &reason);
        }
        if (!p.has_run) p.run_note = "its maker's run was left out: " + reason;
    }
    restore_run(live, mora, vela);
    *plan = std::move(p);
    return true;
}

bool install_import(const IMPORT_PLAN& plan, const std::string& root, std::string* folder, std::string* why) {
    if (!plan.already.empty()) {
        *folder = plan.already;
        return true;
    }
    if (!make_directories(root, why)) return false;
    remove_stale_staging(root);
    std::string pattern = root + "/" + staging_prefix + std::to_string(static_cast<long>(getpid())) + "-XXXXXX";
    if (!mkdtemp(pattern.data())) return refuse(why, "cannot make a folder under " + root + " (" + std::strerror(errno) + ")");
    const std::string staging = pattern;
    // mkdtemp's folder is the process's own (0700); a district's folder is made as any other.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(staging.c_str(), 0777 & ~mask);
    std::string name = plan.folder;
    bool ok = false;
    refuse(why, "another folder took each free name first");
    for (int attempt = 0; attempt < rename_attempts && !ok; attempt++) {
        if (attempt > 0) name = free_folder(root, plan.folder);
        if (name.empty()) {
            refuse(why, "no free folder name for it under " + root);
            break;
        }
        if (!write_staged(plan, staging, name, why)) break;
        // One rename puts the whole district in place, and never over a folder that is there.
        const std::string target = root + "/" + name;
        if (renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
            ok = true;
        } else if (errno != EEXIST) {
            refuse(why, "cannot move it into place as " + target + " (" + std::strerror(errno) + ")");
            break;
        }
    }
    if (!ok) {
        std::error_code ignored;
        std::filesystem::remove_all(staging, ignored);
        return false;
    }
    const int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
    *folder = name;
    return true;
}
