// The command line, read with getopt_long.
#include "shell/options.h"

#include <getopt.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "display/display.h"
#include "menu/settings.h"
#include "shell/opened_file.h"
#include "world/district.h"

#ifndef OSA_VERSION
#define OSA_VERSION "unknown"
#endif

namespace {

constexpr const char* program = "one-step-ahead";
// The long options without a letter of their own.
constexpr int replay_option = 256;
constexpr int verify_option = 257;
constexpr int timedemo_option = 258;
constexpr int district_option = 259;
constexpr int list_districts_option = 260;
constexpr int ghost_option = 261;
constexpr int edit_option = 262;
constexpr int export_option = 263;
constexpr int import_option = 264;

const char* const usage_text =
    "Usage: one-step-ahead [OPTION]... [FILE]\n"
    "A small platformer: visit the five shops and stay one look ahead of Vela.\n"
    "A district file (FILE.osadistrict) is opened on a screen that asks to add it.\n"
    "\n"
    "  -f, --fullscreen     play full screen at the desktop's resolution (the default)\n"
    "  -w, --window         play in a window\n"
    "  -s, --scale N        show the 320 x 240 picture N times its size, 1 to 8\n"
    "                       (default: the largest that fits)\n"
    "      --district NAME  play the district NAME (a folder name, as --list-districts\n"
    "                       shows it) at once, without the title or the districts\n"
    "      --list-districts print every district, whether it can be played, and its\n"
    "                       best level and score, then exit\n"
    "  -l, --level FILE     play the level file FILE instead of the districts\n"
    "  -d, --data DIR       read the game's files from DIR/dat\n"
    "  -m, --mute           no music and no sound\n"
    "  -r, --record FILE    record this run into FILE as well (every run is kept as\n"
    "                       $XDG_STATE_HOME/one-step-ahead/last-run.replay)\n"
    "      --ghost FILE     race the run recorded in FILE (of the same district): its\n"
    "                       Mora runs alongside, translucent (with --replay too)\n"
    "      --replay FILE    watch a recorded run (P pauses, Escape stops)\n"
    "      --verify FILE    check a recorded run against the game's logic, without a\n"
    "                       window: exit 0 when it ends as it was recorded\n"
    "      --timedemo FILE  play a recorded run as fast as frames can be drawn and\n"
    "                       print how fast that was\n"
    "      --edit NAME      open the level editor on your district NAME (made from a\n"
    "                       small playable map when it has none yet), in\n"
    "                       $XDG_DATA_HOME/one-step-ahead/districts/NAME\n"
    "      --export NAME    write your district NAME as a district file to give to\n"
    "                       others, with your best run there, and print its path\n"
    "  -o, --output FILE    with --export: write FILE (default: NAME.osadistrict in\n"
    "                       your Documents folder)\n"
    "      --import FILE    add the district in the district file FILE, without a\n"
    "                       window, and print the folder it was added as\n"
    "  FILE                 a replay (FILE.replay): watch it, as --replay does; a\n"
    "                       district file (FILE.osadistrict): ask to add it\n"
    "  -h, --help           show this help and exit\n"
    "  -V, --version        show the version and exit\n"
    "\n"
    "Keys: Left and Right walk, Space jumps, Up enters a shop, P opens the menu,\n"
    "R starts the district again at once,\n"
    "F11 or Alt+Enter switches between full screen and a window, Escape quits.\n"
    "Editor: arrows move (Shift: by five, Ctrl: grow or shrink the map), a legend\n"
    "character puts that cell, Space puts it again, Delete empties, Ctrl+Z/Ctrl+Y undo\n"
    "and redo, Ctrl+S saves, F5 plays, Tab shows the whole map, R the routes.\n"
    "Settings: $XDG_CONFIG_HOME/one-step-ahead/settings.cfg\n"
    "(by default ~/.config/one-step-ahead/settings.cfg).\n";

const option long_options[] = {
    {"fullscreen", no_argument, nullptr, 'f'},
    {"window", no_argument, nullptr, 'w'},
    {"scale", required_argument, nullptr, 's'},
    {"level", required_argument, nullptr, 'l'},
    {"data", required_argument, nullptr, 'd'},
    {"mute", no_argument, nullptr, 'm'},
    {"record", required_argument, nullptr, 'r'},
    {"replay", required_argument, nullptr, replay_option},
    {"verify", required_argument, nullptr, verify_option},
    {"timedemo", required_argument, nullptr, timedemo_option},
    {"district", required_argument, nullptr, district_option},
    {"list-districts", no_argument, nullptr, list_districts_option},
    {"ghost", required_argument, nullptr, ghost_option},
    {"edit", required_argument, nullptr, edit_option},
    {"export", required_argument, nullptr, export_option},
    {"output", required_argument, nullptr, 'o'},
    {"import", required_argument, nullptr, import_option},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

OPTIONS_RESULT usage_error(std::FILE* err) {
    std::fputs(usage_text, err);
    return OPTIONS_RESULT::usage_error;
}

// A file named alone, as a file manager passes a double-clicked one: what the game does with it
// by its kind. False, with one line on err, when it is none of the game's or cannot go with
// the options given.
bool take_opened_file(const char* path, OPTIONS& opt, std::FILE* err) {
    switch (opened_file_kind(path)) {
    case OPENED_FILE::replay:
        if (opt.run != RUN_MODE::play) {
            std::fprintf(err, "%s: a replay named alone is watched: not with --replay, --verify, --timedemo or "
                              "--list-districts\n", program);
            return false;
        }
        opt.run = RUN_MODE::replay;
        opt.replay = path;
        return true;
    case OPENED_FILE::district:
        if (opt.run != RUN_MODE::play || !opt.district.empty() || !opt.edit.empty() || !opt.level.empty()) {
            std::fprintf(err, "%s: a district file is opened by itself\n", program);
            return false;
        }
        opt.open = path;
        return true;
    case OPENED_FILE::unknown: break;
    }
    std::fprintf(err, "%s: '%s' is not a file the game opens (a replay or a district file)\n", program, path);
    return false;
}

} // namespace

OPTIONS_RESULT parse_options(int argc, char** argv, OPTIONS& opt, std::FILE* out, std::FILE* err) {
    opt = OPTIONS{};
    optind = 0;  // start over: GNU getopt then also forgets what an earlier call read
    opterr = 0;  // the messages are ours, so that they all go to err
    int c;
    while ((c = getopt_long(argc, argv, ":fws:l:d:mr:o:hV", long_options, nullptr)) != -1) {
        switch (c) {
        case 'f': opt.fullscreen = 1; break;
        case 'w': opt.fullscreen = 0; break;
        case 's':
            if (!read_whole_number(optarg, 1, max_scale, &opt.scale)) {
                std::fprintf(err, "%s: the scale must be a whole number from 1 to %d, not '%s'\n",
                             program, max_scale, optarg);
                return usage_error(err);
            }
            break;
        case 'l':
        case 'd':
        case 'r':
        case 'o':
        case import_option:
        case replay_option:
        case verify_option:
        case timedemo_option:
        case ghost_option:
            if (*optarg == '\0') {
                std::fprintf(err, "%s: option '%s' needs a value\n", program, argv[optind - 1]);
                return usage_error(err);
            }
            if (c == replay_option || c == verify_option || c == timedemo_option) {
                if (opt.run != RUN_MODE::play) {
                    std::fprintf(err, "%s: one of --replay, --verify and --timedemo at a time\n", program);
                    return usage_error(err);
                }
                opt.run = c == replay_option ? RUN_MODE::replay : c == verify_option ? RUN_MODE::verify
                                                                                     : RUN_MODE::timedemo;
                opt.replay = optarg;
            } else if (c == 'o') {
                opt.output = optarg;
            } else if (c == import_option) {
                if (opt.run != RUN_MODE::play) {
                    std::fprintf(err, "%s: --import goes alone\n", program);
                    return usage_error(err);
                }
                opt.run = RUN_MODE::import_district;
                opt.import = optarg;
            } else {
                (c == 'l' ? opt.level : c == 'd' ? opt.data : c == 'r' ? opt.record : opt.ghost) = optarg;
            }
            break;
        case district_option:
            opt.district = optarg;
            break;
        case list_districts_option:
            if (opt.run != RUN_MODE::play) {
                std::fprintf(err, "%s: --list-districts goes alone\n", program);
                return usage_error(err);
            }
            opt.run = RUN_MODE::list_districts;
            break;
        case edit_option:
            if (!is_district_folder_name(optarg)) {
                std::fprintf(err, "%s: a district's name is lower case letters, digits and '-', not '%s'\n", program,
                             optarg);
                return usage_error(err);
            }
            opt.edit = optarg;
            break;
        case export_option:
            if (!is_district_folder_name(optarg)) {
                std::fprintf(err, "%s: a district's name is lower case letters, digits and '-', not '%s'\n", program,
                             optarg);
                return usage_error(err);
            }
            if (opt.run != RUN_MODE::play) {
                std::fprintf(err, "%s: --export goes alone\n", program);
                return usage_error(err);
            }
            opt.run = RUN_MODE::export_district;
            opt.share = optarg;
            break;
        case 'm': opt.mute = true; break;
        case 'h': std::fputs(usage_text, out); return OPTIONS_RESULT::done;
        case 'V': std::fprintf(out, "One Step Ahead %s\n", OSA_VERSION); return OPTIONS_RESULT::done;
        case ':':
            std::fprintf(err, "%s: option '%s' needs a value\n", program, argv[optind - 1]);
            return usage_error(err);
        default:
            if (optopt)
                std::fprintf(err, "%s: unknown option '-%c'\n", program, optopt);
            else
                std::fprintf(err, "%s: unknown option '%s'\n", program, argv[optind - 1]);
            return usage_error(err);
        }
    }
    if (argc - optind > 1) {
        std::fprintf(err, "%s: unexpected argument '%s': one file at a time\n", program, argv[optind + 1]);
        return usage_error(err);
    }
    if (optind < argc && !take_opened_file(argv[optind], opt, err)) return usage_error(err);
    if (!opt.output.empty() && opt.run != RUN_MODE::export_district) {
        std::fprintf(err, "%s: --output goes with --export\n", program);
        return usage_error(err);
    }
    if (!opt.district.empty() && (!opt.level.empty() || opt.run != RUN_MODE::play)) {
        std::fprintf(err, "%s: --district plays a district: not with --level, a replay or the list\n", program);
        return usage_error(err);
    }
    return OPTIONS_RESULT::play;
}

std::string find_data_dir(const std::string& data_option, const char* data_env,
                          const std::string& executable) {
    if (!data_option.empty()) return data_option;
    if (data_env && *data_env) return data_env;
    const size_t slash = executable.rfind('/');
    if (slash == std::string::npos) return "";
    const std::string bin = executable.substr(0, slash == 0 ? 1 : slash);
    std::error_code ignored;
    for (const std::string& dir : {bin, bin + "/../share/one-step-ahead"})
        if (std::filesystem::is_directory(dir + "/dat", ignored)) return dir;
    return "";
}
