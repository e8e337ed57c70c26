// --export and --import: sharing a district from the command line, without a window.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/files.h"
#include "text/utf8.h"
#include "menu/settings.h"
#include "shell/shell.h"
#include "sharing/import.h"
#include "sharing/share.h"

namespace {

int refused(const std::string& what, const std::string& why) {
    std::fprintf(stderr, "one-step-ahead: %s: %s\n", terminal_text(what).c_str(), terminal_text(why).c_str());
    return EXIT_FAILURE;
}

}  // namespace

int export_command(const std::string& folder, const std::string& output) {
    DISTRICT d;
    if (!find_district(folder, &d) || d.shipped) return refused(folder, "there is no district of yours of that name");
    std::string path = output;
    if (path.empty()) {
        const std::string dir = documents_dir();
        if (dir.empty()) return refused(folder, "there is no Documents folder or home folder: name a file with -o FILE");
        path = district_file_path(dir, d);
    }
    std::string why;
    if (!export_district(d, saved_maker_name(settings_path()), xdg_data_dir(), shared_looks(), path, &why))
        return refused(folder, why);
    std::printf("%s\n", terminal_text(path).c_str());
    return EXIT_SUCCESS;
}

int import_command(const std::string& shown, const std::string& path, PLAYER& mora, PLAYER& vela) {
    const std::string root = player_districts_dir();
    if (root.empty()) return refused(shown, "there is no folder for your districts (HOME is not set)");
    IMPORT_PLAN plan;
    std::string why, folder;
    if (!prepare_import(path, root, shared_looks(), mora, vela, &plan, &why)) return refused(shown, why);
    if (!plan.already.empty()) refused(shown, "it was added before, as " + plan.already + "; nothing was copied");
    if (!plan.run_note.empty()) refused(shown, plan.run_note);
    if (!install_import(plan, root, &folder, &why)) return refused(shown, why);
    std::printf("%s\n", folder.c_str());
    return EXIT_SUCCESS;
}
