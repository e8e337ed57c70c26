// A player's district's tune: the shipped tunes it may take, which one it has, and its copy.
#include "editor/district_tune.h"

#include <filesystem>

#include "core/files.h"
#include "editor/editor_files.h"

std::vector<TUNE_CHOICE> shipped_tunes(const std::vector<DISTRICT>& list) {
    std::vector<TUNE_CHOICE> tunes;
    std::error_code ec;
    for (const DISTRICT& d : list) {
        const std::string path = d.dir + "/" + district_music_file;
        if (d.shipped && std::filesystem::is_regular_file(path, ec)) tunes.push_back({d.name, path});
    }
    return tunes;
}

int tune_index(const std::vector<TUNE_CHOICE>& tunes, const std::string& path) {
    const auto max = static_cast<std::size_t>(district_music_max_bytes);
    std::string mine, theirs, why;
    if (read_small_file(path, max, &mine, &why) != READ_RESULT::ok || mine.size() > max) return -1;
    for (std::size_t i = 0; i < tunes.size(); i++)
        if (read_small_file(tunes[i].path, max, &theirs, &why) == READ_RESULT::ok && theirs == mine)
            return static_cast<int>(i);
    return -1;
}

bool write_district_tune(const std::string& dir, const TUNE_CHOICE& tune, std::string* error) {
    std::string bytes;
    if (!read_text_file(tune.path, &bytes)) {
        *error = "cannot read " + tune.path;
        return false;
    }
    return write_file_atomically(dir + "/" + district_music_file, bytes.data(), bytes.size(), error);
}
