// The district file's reader and writer, over libzip.
#include "sharing/district_file.h"

#include <allegro.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/hash.h"
#include "core/picture_bytes.h"
#include "text/utf8.h"
#include "replay/replay_file.h"

#ifndef OSA_VERSION
#define OSA_VERSION "unknown"
#endif

const char* const shared_entry_names[shared_entry_count] = {district_cfg_file,   district_map_file,
                                                            district_tiles_file, district_back_file,
                                                            district_music_file, "best.replay"};

static_assert(replay_max_bytes <= district_run_max_bytes, "a district's run is bounded as a replay is");

namespace {

constexpr std::size_t read_chunk = 64 * 1024;
constexpr std::size_t version_max = 16;  // characters of [share] version, as a replay keeps it

bool refuse(std::string* why, const std::string& line) {
    if (why) *why = line;
    return false;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The entry a base name stands for (case aside), or -1.
int entry_named(const std::string& base) {
    for (int e = 0; e < shared_entry_count; e++)
        if (lower(base) == shared_entry_names[e]) return e;
    return -1;
}

std::vector<std::string> split(const std::string& name) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t slash; (slash = name.find('/', from)) != std::string::npos; from = slash + 1)
        parts.push_back(name.substr(from, slash - from));
    parts.push_back(name.substr(from));
    return parts;
}

// What is wrong with an entry's name and kind, or empty. A folder entry ("NAME/") puts its name
// in *folder; a file its own folder ("" in the root) and its entry in *entry.
std::string entry_fault(const std::string& name, bool folder_kind, std::string* folder, int* entry) {
    const std::string quoted = "the entry '" + name + "'";
    if (name.empty()) return "an entry has no name";
    if (name[0] == '/') return quoted + " has an absolute name";
    if (name.find('\\') != std::string::npos) return quoted + " holds a backslash";
    if (!utf8_text_fault(name, name.size()).empty() || name.find_first_of("\t\r\n") != std::string::npos)
        return quoted + " has a name that is not text";
    std::vector<std::string> parts = split(name);
    const bool folder_entry = name.back() == '/';
    if (folder_entry) parts.pop_back();
    for (const std::string& p : parts)
        if (p == "..") return quoted + " climbs out of its folder";
    for (const std::string& p : parts)
        if (p.empty() || p == ".") return quoted + " is not a file a district holds";
    if (parts.size() > (folder_entry ? 1u : 2u)) return quoted + " lies in a folder within a folder";
    const std::string base = parts.back();
    if (folder_entry) {
        if (entry_named(base) >= 0) return quoted + " is a folder named like a district's file";
        *folder = base;
        *entry = -1;
        return "";
    }
    *folder = parts.size() == 2 ? parts[0] : "";
    *entry = entry_named(base);
    if (*entry < 0) return quoted + " is not a file a district holds";
    if (folder_kind) return quoted + " is a folder named like a district's file";
    return "";
}

// What kind of file the archive says an entry is: its Unix mode's type when it was made on Unix,
// the folder bit of the older systems' attributes. Empty for a regular file.
std::string kind_fault(zip_t* za, zip_uint64_t i, const std::string& name, bool* folder) {
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    *folder = false;
    if (zip_file_get_external_attributes(za, i, 0, &system, &attributes) != 0) return "";
    const std::string quoted = "the entry '" + name + "'";
    if (system == ZIP_OPSYS_UNIX) {
        const mode_t mode = attributes >> 16;
        if ((mode & S_IFMT) == 0 || S_ISREG(mode)) return "";
        if (S_ISLNK(mode)) return quoted + " is a link";
        if (S_ISDIR(mode)) return *folder = true, "";
        return quoted + " is not a regular file";
    }
    *folder = (attributes & 0x10) != 0;  // the MS-DOS folder bit
    return "";
}

// Reads entry i whole into *out, refusing it as soon as it inflates past max.
bool read_entry(zip_t* za, zip_uint64_t i, const std::string& name, std::size_t max, std::string* out,
                std::string* why) {
    const std::string quoted = "the entry '" + name + "'";
    zip_file_t* f = zip_fopen_index(za, i, 0);
    if (!f) return refuse(why, quoted + " cannot be read (" + zip_strerror(za) + ")");
    std::string bytes;
    char chunk[read_chunk];
    bool ok = true;
    for (;;) {
        const zip_int64_t n = zip_fread(f, chunk, sizeof chunk);
        if (n < 0) {
            ok = refuse(why, quoted + " is damaged (" + zip_file_strerror(f) + ")");
            break;
        }
        if (n == 0) break;
        if (bytes.size() + static_cast<std::size_t>(n) > max) {
            ok = refuse(why, quoted + " inflates past its limit of " + std::to_string(max) + " bytes");
            break;
        }
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    zip_fclose(f);
    if (ok) *out = std::move(bytes);
    return ok;
}

struct archive_closer {
    void operator()(zip_t* za) const { zip_discard(za); }
};

// The district.cfg of a district file into out: strict text first, then Allegro's reader.
bool read_share_cfg(const std::string& text, DISTRICT_FILE* out, std::string* why) {
    const std::string fault = utf8_text_fault(text, static_cast<std::size_t>(district_cfg_max_bytes));
    if (!fault.empty()) return refuse(why, std::string(district_cfg_file) + " is not text: " + fault);
    push_config_state();
    set_config_data(text.data(), static_cast<int>(text.size()));
    const std::string name = get_config_string(district_section, district_name_key, "");
    const std::string draft = get_config_string(district_section, district_not_playable_key, "");
    const std::string maker = get_config_string(share_section, share_maker_key, "");
    const std::string folder = get_config_string(share_section, share_folder_key, "");
    const std::string version = get_config_string(share_section, share_version_key, "");
    const std::string format = get_config_string(share_section, share_format_key, "1");
    pop_config_state();
    if (!draft.empty()) return refuse(why, "it is a draft that cannot be played: " + draft);
    if (format.empty() || format.size() > 6 || format.find_first_not_of("0123456789") != std::string::npos)
        return refuse(why, std::string(district_cfg_file) + "'s [share] format is not a number: " + format);
    if (std::stoi(format) > district_file_format)
        return refuse(why, "it was made by a newer game (format " + format + "; this game reads " +
                               std::to_string(district_file_format) + ")");
    out->name = clean_shown_name(name);
    out->maker = clean_shown_name(maker);
    out->folder = is_district_folder_name(folder) ? folder : "";
    out->version.clear();
    for (char c : version.substr(0, version_max))
        if (c > 0x20 && c < 0x7F) out->version += c;
    return true;
}

}  // namespace

std::size_t shared_entry_max_bytes(int entry, const SHARED_LOOKS& looks) {
    switch (entry) {
    case entry_cfg: return static_cast<std::size_t>(district_cfg_max_bytes);
    case entry_map: return level_map_max_bytes;
    case entry_tiles: return pcx_max_bytes(looks.tiles_w, looks.tiles_h);
    case entry_back: return pcx_max_bytes(looks.back_w, looks.back_h);
    case entry_music: return district_music_max_bytes;
    case entry_run: return replay_max_bytes;
    default: return 0;
    }
}

std::size_t district_file_max_bytes(const SHARED_LOOKS& looks) {
    std::size_t total = 64 * 1024;  // the archive's own records
    for (int e = 0; e < shared_entry_count; e++) total += shared_entry_max_bytes(e, looks) * 101 / 100;
    return total;
}

bool read_district_file(const std::string& bytes, const SHARED_LOOKS& looks, DISTRICT_FILE* out, std::string* why) {
    if (bytes.size() > district_file_max_bytes(looks))
        return refuse(why, "it is larger than any district file (" + std::to_string(district_file_max_bytes(looks)) +
                               " bytes)");
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (!source) {
        zip_error_fini(&error);
        return refuse(why, "it cannot be read (out of memory)");
    }
    std::unique_ptr<zip_t, archive_closer> za(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!za) {
        const std::string what = zip_error_strerror(&error);
        zip_error_fini(&error);
        zip_source_free(source);
        return refuse(why, "it is not a district file: the archive is damaged (" + what + ")");
    }
    zip_error_fini(&error);

    const zip_int64_t count = zip_get_num_entries(za.get(), 0);
    if (count > district_file_max_entries)
        return refuse(why, "it holds " + std::to_string(count) + " entries; a district file holds at most " +
                               std::to_string(district_file_max_entries));
    DISTRICT_FILE f;
    std::string folder;
    bool folder_set = false;
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(std::max<zip_int64_t>(count, 0)); i++) {
        const char* raw = zip_get_name(za.get(), i, ZIP_FL_ENC_RAW);
        const std::string name = raw ? raw : "";
        bool folder_kind = false;
        std::string fault = kind_fault(za.get(), i, name, &folder_kind);
        std::string entry_folder;
        int e = -1;
        if (fault.empty()) fault = entry_fault(name, folder_kind, &entry_folder, &e);
        if (!fault.empty()) return refuse(why, fault);
        if (folder_set && entry_folder != folder)
            return refuse(why, "the entry '" + name + "' is not in the folder the others are in");
        folder = entry_folder;
        folder_set = true;
        if (e < 0) continue;  // the folder itself
        if (f.has[e]) return refuse(why, "the entry '" + name + "' is there twice");
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za.get(), i, 0, &st) != 0)
            return refuse(why, "the entry '" + name + "' cannot be read (" + zip_strerror(za.get()) + ")");
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            return refuse(why, "the entry '" + name + "' is encrypted");
        if ((st.valid & ZIP_STAT_COMP_METHOD) && st.comp_method != ZIP_CM_STORE && st.comp_method != ZIP_CM_DEFLATE)
            return refuse(why, "the entry '" + name + "' is compressed in a way this game does not read");
        if (!read_entry(za.get(), i, name, shared_entry_max_bytes(e, looks), &f.bytes[e], why)) return false;
        f.has[e] = true;
    }

    if (!f.has[entry_cfg]) return refuse(why, std::string("it has no ") + district_cfg_file);
    if (!f.has[entry_map]) return refuse(why, std::string("it has no ") + district_map_file);
    if (!read_share_cfg(f.bytes[entry_cfg], &f, why)) return false;
    const struct {
        int entry, w, h;
        const char* what;
    } pictures[] = {{entry_tiles, looks.tiles_w, looks.tiles_h, "the shared tile sheet's"},
                    {entry_back, looks.back_w, looks.back_h, "the shared background's"}};
    for (const auto& p : pictures) {
        int w = 0, h = 0;
        if (!f.has[p.entry]) continue;
        if (!pcx_size(f.bytes[p.entry], &w, &h))
            return refuse(why, std::string(shared_entry_names[p.entry]) + " is not a PCX picture");
        if (w != p.w || h != p.h)
            return refuse(why, std::string(shared_entry_names[p.entry]) + " is " + std::to_string(w) + " x " +
                                   std::to_string(h) + " pixels, not " + p.what + " " + std::to_string(p.w) + " x " +
                                   std::to_string(p.h));
    }
    if (f.has[entry_music] && f.bytes[entry_music].compare(0, 4, "IMPM") != 0)
        return refuse(why, std::string(district_music_file) + " is not an Impulse Tracker module");
    *out = std::move(f);
    return true;
}

bool write_district_file(const DISTRICT_FILE& f, std::vector<unsigned char>* out, std::string* why) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* archive = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!archive) {
        zip_error_fini(&error);
        return refuse(why, "out of memory");
    }
    zip_source_keep(archive);  // it outlives the archive written into it
    zip_t* za = zip_open_from_source(archive, ZIP_TRUNCATE, &error);
    zip_error_fini(&error);
    if (!za) {
        zip_source_free(archive);
        return refuse(why, "the archive cannot be started");
    }
    bool ok = true;
    for (int e = 0; e < shared_entry_count && ok; e++) {
        if (!f.has[e]) continue;
        zip_source_t* s = zip_source_buffer(za, f.bytes[e].data(), f.bytes[e].size(), 0);
        const zip_int64_t i = s ? zip_file_add(za, shared_entry_names[e], s, ZIP_FL_ENC_UTF_8) : -1;
        if (i < 0) {
            if (s) zip_source_free(s);
            ok = refuse(why, std::string("cannot add ") + shared_entry_names[e] + " (" + zip_strerror(za) + ")");
            break;
        }
        const auto index = static_cast<zip_uint64_t>(i);
        ok = zip_set_file_compression(za, index, ZIP_CM_DEFLATE, 9) == 0 &&
             zip_file_set_external_attributes(za, index, 0, ZIP_OPSYS_UNIX, (S_IFREG | 0644u) << 16) == 0;
        if (!ok) refuse(why, std::string("cannot add ") + shared_entry_names[e] + " (" + zip_strerror(za) + ")");
    }
    if (!ok || zip_close(za) != 0) {
        if (ok) refuse(why, std::string("cannot write the archive (") + zip_strerror(za) + ")");
        zip_discard(za);
        zip_source_free(archive);
        return false;
    }
    // The archive's bytes, from the source it was written into.
    zip_stat_t st;
    zip_stat_init(&st);
    ok = zip_source_open(archive) == 0;
    if (ok && zip_source_stat(archive, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) {
        out->resize(static_cast<std::size_t>(st.size));
        ok = zip_source_read(archive, out->data(), st.size) == static_cast<zip_int64_t>(st.size);
    } else {
        ok = false;
    }
    zip_source_close(archive);
    zip_source_free(archive);
    return ok || refuse(why, "cannot take the archive's bytes");
}

std::string share_cfg_text(const std::string& name, const std::string& maker, const std::string& folder) {
    std::string text = "[" + std::string(district_section) + "]\n" + district_name_key + " = " + name + "\n\n[" +
                       share_section + "]\n";
    if (!maker.empty()) text += std::string(share_maker_key) + " = " + maker + "\n";
    text += std::string(share_version_key) + " = " + OSA_VERSION + "\n";
    text += std::string(share_format_key) + " = " + std::to_string(district_file_format) + "\n";
    text += std::string(share_folder_key) + " = " + folder + "\n";
    return text;
}

std::string district_file_contents(const DISTRICT_FILE& f) {
    HASH64 h;
    for (int e = 0; e < shared_entry_count; e++) {
        h.add_bool(f.has[e]);
        h.add_u64(f.bytes[e].size());
        h.add(f.bytes[e].data(), f.bytes[e].size());
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h.h));
    return hex;
}
