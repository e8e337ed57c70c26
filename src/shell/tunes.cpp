// Which tune plays: the title's over the title and the district screen, the district's own in
// play; each file loaded once, the same bytes one tune, a change of tune faded by the music layer.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/assets.h"
#include "core/files.h"
#include "core/hash.h"
#include "menu/menu.h"
#include "menu/settings.h"
#include "music/music.h"
#include "shell/shell.h"
#include "world/district.h"

namespace {

struct known_tune {
    std::uint64_t bytes_hash;
    FMUSIC_MODULE* module;
};
std::vector<known_tune> known;         // every tune loaded, by its bytes
FMUSIC_MODULE* title_song = nullptr;   // the song load_shit loaded

// The title's song: the one load_shit loaded (song, before any change of tune), known by the
// bytes of dat/music.it so that a district with the very same file plays on without a change.
FMUSIC_MODULE* title_tune() {
    if (!title_song) {
        title_song = song;
        std::string bytes, why;
        if (title_song && read_small_file("dat/music.it", district_music_max_bytes, &bytes, &why) == READ_RESULT::ok)
            known.push_back({hash64(bytes.data(), bytes.size()), title_song});
    }
    return title_song;
}

// The module of the music file at path: null when it is missing; the title's tune, said on
// stderr, when it cannot be used.
FMUSIC_MODULE* tune_of_file(const std::string& path) {
    std::string bytes, why;
    const READ_RESULT got = read_small_file(path, district_music_max_bytes, &bytes, &why);
    if (got == READ_RESULT::missing) return nullptr;
    if (got == READ_RESULT::ok && bytes.size() > static_cast<std::size_t>(district_music_max_bytes))
        why = "larger than " + std::to_string(district_music_max_bytes) + " bytes";
    else if (got == READ_RESULT::ok)
        why.clear();
    if (why.empty()) {
        const std::uint64_t h = hash64(bytes.data(), bytes.size());
        for (const known_tune& k : known)
            if (k.bytes_hash == h) return k.module;
        if (FMUSIC_MODULE* m = FMUSIC_LoadSongFromMemory(bytes.data(), bytes.size())) {
            known.push_back({h, m});
            return m;
        }
        why = "not a music module";
    }
    std::fprintf(stderr, "one-step-ahead: %s: %s; the title's tune plays\n", path.c_str(), why.c_str());
    return title_tune();
}

// Makes m the song: at the music volume in force, and, when the music plays, heard from now on
// (faded in over the one before).
void change_song(FMUSIC_MODULE* m) {
    if (!m || m == song) return;
    FMUSIC_MODULE* was = song;
    song = m;
    FMUSIC_SetMasterVolume(song, volume_gain(music_level(menu_settings.in_force)));
    if (FMUSIC_IsPlaying(was)) FMUSIC_PlaySong(song);
}

} // namespace

void play_title_tune() { change_song(title_tune()); }

void play_tune_file(const std::string& path) {
    FMUSIC_MODULE* title = title_tune();
    FMUSIC_MODULE* own = tune_of_file(path);
    change_song(own ? own : title);
}

void play_district_tune() { play_tune_file(current_district.dir + "/" + district_music_file); }
