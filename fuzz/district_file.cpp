// Feeds arbitrary bytes to the district file's reader, as a file someone sent: it must never
// read or write out of bounds, a refusal always says why in one line, and what it accepts holds
// only what a district file may (each entry within its bound, district.cfg and level.map there,
// names that are text), and writes back to a file that reads to the same.
#include <allegro.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "text/utf8.h"
#include "sharing/district_file.h"

namespace {

void fail_if(bool bad) {
    if (bad) std::abort();
}

// The shared pictures' sizes, as the game's generator draws them.
SHARED_LOOKS looks() {
    SHARED_LOOKS l;
    l.tiles_w = 320;
    l.tiles_h = 64;
    l.back_w = 1360;
    l.back_h = 440;
    return l;
}

bool is_shown_text(const std::string& s) {
    return utf8_text_fault(s, s.size()).empty() && s.find_first_of("\t\r\n") == std::string::npos &&
           utf8_length(s) <= static_cast<std::size_t>(district_name_max);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool started = install_allegro(SYSTEM_NONE, &errno, atexit) == 0;
    if (!started) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    DISTRICT_FILE f;
    std::string why;
    if (!read_district_file(bytes, looks(), &f, &why)) {
        fail_if(why.empty() || why.find('\n') != std::string::npos);
        return 0;
    }
    fail_if(!f.has[entry_cfg] || !f.has[entry_map]);
    for (int e = 0; e < shared_entry_count; e++) fail_if(f.bytes[e].size() > shared_entry_max_bytes(e, looks()));
    fail_if(!is_shown_text(f.name) || !is_shown_text(f.maker));
    fail_if(!f.folder.empty() && !is_district_folder_name(f.folder));

    std::vector<unsigned char> out;
    fail_if(!write_district_file(f, &out, &why));
    DISTRICT_FILE again;
    fail_if(!read_district_file(std::string(out.begin(), out.end()), looks(), &again, &why));
    for (int e = 0; e < shared_entry_count; e++) fail_if(again.has[e] != f.has[e] || again.bytes[e] != f.bytes[e]);
    fail_if(again.name != f.name || again.maker != f.maker || again.folder != f.folder || again.version != f.version);
    return 0;
}
