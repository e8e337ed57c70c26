// Feeds arbitrary bytes to the readers of a district's district.cfg and of the progress file
// (the first byte chooses which): they must never read or write out of bounds, a refusal always
// says why, and what they accept holds only names and numbers the game can use. The reason a
// district.cfg gives is taken apart as the screen shows it (shown_fault): in English (no
// catalogue here) it comes back as it stands, whichever formats it fits.
#include <allegro.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "authoring/fault_text.h"
#include "replay/progress.h"
#include "world/district.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = install_allegro(SYSTEM_NONE, &errno, atexit) == 0;
    if (!started || size == 0) return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) {
        PROGRESS p;
        std::string what;
        if (!parse_progress(text, &p, &what)) {
            if (what.empty()) std::abort();
            return 0;
        }
        if (!p.last.empty() && !is_district_folder_name(p.last)) std::abort();
        for (const auto& [name, d] : p.districts)
            if (!is_district_folder_name(name) || d.best_level < 0) std::abort();
    } else {
        DISTRICT d;
        d.folder = d.name = "fuzz";  // as read_district starts it
        d.shipped = data[0] & 2;
        const bool ok = parse_district_cfg(text, d);
        // A shown name is at most district_name_max characters (UTF-8 lead bytes).
        int characters = 0;
        for (char c : d.name) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        if (ok != d.fault.empty() || d.name.empty() || characters > district_name_max) std::abort();
        for (char c : d.name + d.fault)
            if (static_cast<unsigned char>(c) < 0x20) std::abort();
        if (d.order < 0) std::abort();
        if (shown_fault(d.fault) != d.fault) std::abort();
    }
    return 0;
}
