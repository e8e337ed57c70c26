// What a file named alone on the command line is, by its first bytes and then by its name.
#include "shell/opened_file.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "replay/replay_file.h"
#include "sharing/district_file.h"

namespace {

bool name_ends_with(const std::string& path, const char* ending) {
    const std::size_t n = std::strlen(ending);
    return path.size() > n && path.compare(path.size() - n, n, ending) == 0;
}

// True when the file begins with these bytes; false when it is shorter, cannot be read, or is no
// plain file (a pipe would keep the game waiting).
bool begins_with(const std::string& path, const char* magic, std::size_t size) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char head[16];
    const bool same = size <= sizeof head && std::fread(head, 1, size, f) == size && std::memcmp(head, magic, size) == 0;
    std::fclose(f);
    return same;
}

} // namespace

OPENED_FILE opened_file_kind(const std::string& path) {
    if (begins_with(path, replay_magic, sizeof replay_magic)) return OPENED_FILE::replay;
    if (name_ends_with(path, ".replay")) return OPENED_FILE::replay;
    if (name_ends_with(path, district_file_extension)) return OPENED_FILE::district;
    return OPENED_FILE::unknown;
}
