// Atomic file replacement and the game's XDG folders.
#include "core/files.h"

#include <allegro.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

constexpr const char* game_folder = "/one-step-ahead";

void say(std::string* error, const std::string& why) {
    if (error) *error = why;
}

std::string with_errno(const std::string& what, int err) { return what + " (" + std::strerror(err) + ")"; }

// The directory that holds path: "." for a bare name, "/" for a file at the root.
std::string directory_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}

bool sync_path(const std::string& path, int flags) {
    const int fd = open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = fsync(fd) == 0;
    return close(fd) == 0 && ok;
}

std::string xdg_dir(const char* variable, const char* below_home) {
    const char* base = std::getenv(variable);
    if (base && base[0] == '/') return std::string(base) + game_folder;
    const char* home = std::getenv("HOME");
    if (!home || !*home) return "";
    return std::string(home) + below_home + game_folder;
}

} // namespace

bool write_fully(int fd, const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool make_directories(const std::string& dir, std::string* error) {
    std::error_code made;
    std::filesystem::create_directories(dir, made);
    std::error_code ignored;
    if (std::filesystem::is_directory(dir, ignored)) return true;
    say(error, "cannot make the directory " + dir + " (" +
                   (made ? made.message() : std::string("a file stands in its way")) + ")");
    return false;
}

std::string temporary_name(const std::string& path) {
    return path + ".tmp-" + std::to_string(static_cast<long>(getpid()));
}

bool replace_file(const std::string& temp, const std::string& path, std::string* error) {
    if (!sync_path(temp, O_RDONLY)) {
        say(error, with_errno("cannot flush " + temp + " to the disk", errno));
    } else if (std::rename(temp.c_str(), path.c_str()) != 0) {
        say(error, with_errno("cannot rename " + temp + " to " + path, errno));
    } else {
        sync_path(directory_of(path), O_RDONLY | O_DIRECTORY);
        return true;
    }
    unlink(temp.c_str());
    return false;
}

bool write_file_atomically(const std::string& path, const void* data, std::size_t size,
                           std::string* error) {
    if (!make_directories(directory_of(path), error)) return false;
    const std::string temp = temporary_name(path);
    // O_NOFOLLOW: a link planted at the temporary name must not make us write elsewhere.
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        say(error, with_errno("cannot create " + temp, errno));
        return false;
    }
    const bool written = write_fully(fd, data, size);
    const int write_errno = errno;
    if (close(fd) != 0 || !written) {
        say(error, with_errno("cannot write " + temp, written ? errno : write_errno));
        unlink(temp.c_str());
        return false;
    }
    return replace_file(temp, path, error);
}

READ_RESULT read_small_file(const std::string& path, std::size_t max_bytes, std::string* text, std::string* what) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (errno == ENOENT || errno == ENOTDIR) return READ_RESULT::missing;
        if (what) *what = with_errno("cannot read it", errno);
        return READ_RESULT::failed;
    }
    text->assign(max_bytes + 1, '\0');
    text->resize(std::fread(text->data(), 1, text->size(), f));
    const bool failed = std::ferror(f);
    std::fclose(f);
    if (failed) {
        if (what) *what = "cannot read it";
        return READ_RESULT::failed;
    }
    return READ_RESULT::ok;
}

std::string ascii_text_fault(const std::string& text, std::size_t max_bytes) {
    if (text.size() > max_bytes) return "larger than " + std::to_string(max_bytes) + " bytes";
    for (std::size_t i = 0; i < text.size(); i++) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c >= 0x7F)
            return "byte " + std::to_string(i) + " is not ASCII text";
    }
    return "";
}

bool set_aside_damaged(const std::string& path, const std::string& what, std::FILE* err) {
    const std::string aside = path + ".bad";
    if (std::rename(path.c_str(), aside.c_str()) == 0) {
        std::fprintf(err, "%s: %s; set aside as %s\n", path.c_str(), what.c_str(), aside.c_str());
        return true;
    }
    std::fprintf(err, "%s: %s; cannot set it aside (%s)\n", path.c_str(), what.c_str(), std::strerror(errno));
    return false;
}

std::string xdg_config_dir() { return xdg_dir("XDG_CONFIG_HOME", "/.config"); }
std::string xdg_state_dir() { return xdg_dir("XDG_STATE_HOME", "/.local/state"); }
std::string xdg_data_dir() { return xdg_dir("XDG_DATA_HOME", "/.local/share"); }

bool write_config_file(const std::string& path, bool keep_lines, const std::function<void()>& write,
                       const std::function<bool(const std::string&)>& read_back, std::string* error) {
    const std::string dir = path.substr(0, path.rfind('/'));
    if (!make_directories(dir, error)) return false;
    const std::string temp = temporary_name(path);
    {
        // The start of the new file: the old one's lines, or nothing (set_config_file would take in
        // what a stale temporary file holds).
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        std::ifstream in(path, std::ios::binary);
        // Allegro adds a key that a section lacks after the lines of the section that follows it
        // unless an empty line parts the two: each section's heading gets one before it.
        std::string line, last = "";
        while (keep_lines && in && std::getline(in, line)) {
            if (!line.empty() && line[0] == '[' && !last.empty()) out << '\n';
            out << line << (in.eof() ? "" : "\n");
            last = line;
        }
        if (!out.flush()) {
            std::remove(temp.c_str());
            if (error) *error = "cannot write " + temp;
            return false;
        }
    }
    push_config_state();
    set_config_file(temp.c_str());
    write();
    flush_config_file();
    pop_config_state();
    if (!read_back(temp)) {
        std::remove(temp.c_str());
        if (error) *error = "cannot write " + temp + " (it did not read back)";
        return false;
    }
    return replace_file(temp, path, error);
}

