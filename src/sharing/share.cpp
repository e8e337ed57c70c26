// Making a district file from a district of the player's, and where it goes.
#include "sharing/share.h"

#include <allegro.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "authoring/level_map.h"
#include "core/files.h"
#include "core/player_files.h"
#include "text/utf8.h"
#include "replay/replay_file.h"
#include "replay/splits.h"

extern char** environ;

namespace {

constexpr std::size_t folder_answer_max = 4096;  // bytes of xdg-user-dir's answer read
constexpr std::size_t settings_max_bytes = 64 * 1024;

bool refuse(std::string* why, const std::string& line) {
    if (why) *why = line;
    return false;
}

bool is_folder(const std::string& path) {
    struct stat st {};
    return !path.empty() && path[0] == '/' && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// What `xdg-user-dir DOCUMENTS` prints, its line end taken off; empty when it cannot be run.
std::string ask_xdg_user_dir() {
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) return "";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char program[] = "xdg-user-dir";
    char which[] = "DOCUMENTS";
    char* argv[] = {program, which, nullptr};
    pid_t pid = 0;
    const bool started = posix_spawnp(&pid, program, &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    std::string answer;
    char chunk[512];
    for (ssize_t n; started && answer.size() < folder_answer_max &&
                    ((n = read(pipe_fds[0], chunk, sizeof chunk)) > 0 || (n < 0 && errno == EINTR));)
        if (n > 0) answer.append(chunk, static_cast<std::size_t>(n));
    close(pipe_fds[0]);
    int status = 0;
    if (started) waitpid(pid, &status, 0);
    if (!started || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return "";
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
    return answer;
}

// An optional file of the district's folder into f's entry e: false with why when it is there
// but cannot be read within its bound.
bool take_own_file(const DISTRICT& d, const char* file, int e, const SHARED_LOOKS& looks, DISTRICT_FILE& f,
                   std::string* why) {
    std::string what;
    const READ_RESULT got = read_player_file(d.dir + "/" + file, shared_entry_max_bytes(e, looks), &f.bytes[e], &what);
    if (got == READ_RESULT::failed) return refuse(why, std::string("its ") + file + " " + what);
    f.has[e] = got == READ_RESULT::ok;
    return true;
}

}  // namespace

std::string documents_dir() {
    const std::string documents = ask_xdg_user_dir();
    if (is_folder(documents)) return documents;
    const char* home = std::getenv("HOME");
    return home && is_folder(home) ? home : "";
}

std::string district_file_path(const std::string& dir, const DISTRICT& d) {
    return dir + "/" + d.folder + district_file_extension;
}

bool make_shared_district(const DISTRICT& d, const std::string& maker, const std::string& data_dir,
                          const SHARED_LOOKS& looks, std::vector<unsigned char>* out, std::string* why) {
    if (d.shipped) return refuse(why, "it is one of the game's own districts");
    if (!d.fault.empty()) return refuse(why, "it cannot be played: " + d.fault);
    DISTRICT_FILE f;
    std::string what;
    const READ_RESULT map = read_player_file(d.dir + "/" + district_map_file, level_map_max_bytes,
                                             &f.bytes[entry_map], &what);
    if (map == READ_RESULT::missing) return refuse(why, std::string("it has no ") + district_map_file);
    if (map == READ_RESULT::failed) return refuse(why, std::string("its ") + district_map_file + " " + what);
    f.has[entry_map] = true;
    std::istringstream in(f.bytes[entry_map]);
    const std::vector<std::string> faults = check_map(read_map(in));
    if (!faults.empty()) return refuse(why, std::string("its ") + district_map_file + " does not pass: " + faults[0]);
    if (!take_own_file(d, district_tiles_file, entry_tiles, looks, f, why) ||
        !take_own_file(d, district_back_file, entry_back, looks, f, why) ||
        !take_own_file(d, district_music_file, entry_music, looks, f, why))
        return false;

    // The player's best run there goes with it, when it reads as a whole run: the importer
    // plays it through on the level it makes again, and names it for the folder it adds.
    REPLAY run;
    if (!data_dir.empty() &&
        read_player_file(data_dir + "/" + ghost_file_name(d.folder), replay_max_bytes, &f.bytes[entry_run], nullptr) ==
            READ_RESULT::ok &&
        read_replay(reinterpret_cast<const unsigned char*>(f.bytes[entry_run].data()), f.bytes[entry_run].size(), &run,
                    nullptr) &&
        !run.crashed)
        f.has[entry_run] = true;
    else
        f.bytes[entry_run].clear();

    const std::string name = clean_shown_name(d.name), by = clean_shown_name(maker);
    f.bytes[entry_cfg] = share_cfg_text(name, by, d.folder);
    f.has[entry_cfg] = true;
    if (!write_district_file(f, out, why)) return false;
    // What is given must be what an importer takes, as it was meant.
    DISTRICT_FILE back;
    const std::string bytes(out->begin(), out->end());
    if (!read_district_file(bytes, looks, &back, &what)) return refuse(why, "the file made does not read back: " + what);
    if (back.name != name || back.maker != by || back.folder != d.folder)
        return refuse(why, "the file made does not read back with its name and maker");
    return true;
}

bool export_district(const DISTRICT& d, const std::string& maker, const std::string& data_dir,
                     const SHARED_LOOKS& looks, const std::string& path, std::string* why) {
    std::vector<unsigned char> bytes;
    return make_shared_district(d, maker, data_dir, looks, &bytes, why) &&
           write_file_atomically(path, bytes.data(), bytes.size(), why);
}

std::string saved_maker_name(const std::string& settings_file) {
    std::string text;
    if (settings_file.empty() || read_player_file(settings_file, settings_max_bytes, &text, nullptr) != READ_RESULT::ok ||
        !utf8_text_fault(text, settings_max_bytes).empty())
        return "";
    push_config_state();
    set_config_data(text.data(), static_cast<int>(text.size()));
    const std::string name = get_config_string(share_section, share_maker_key, "");
    pop_config_state();
    return clean_shown_name(name);
}

bool save_maker_name(const std::string& settings_file, const std::string& name, std::string* why) {
    if (settings_file.empty()) return refuse(why, "there is no settings file to keep it in");
    const std::string kept = clean_shown_name(name);
    const auto write = [&] { set_config_string(share_section, share_maker_key, kept.c_str()); };
    const auto read_back = [&](const std::string& temp) { return saved_maker_name(temp) == kept; };
    return write_config_file(settings_file, true, write, read_back, why);
}
