// Bounded, checked reading of other people's files.
#include "core/player_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// The answer for what stat (or fstat) found at a path.
READ_RESULT judge(const struct stat& st, std::size_t max_bytes, std::string* why) {
    if (!S_ISREG(st.st_mode)) {
        if (why) *why = "is not a regular file";
        return READ_RESULT::failed;
    }
    if (static_cast<unsigned long long>(st.st_size) > max_bytes) {
        if (why) *why = "is larger than " + std::to_string(max_bytes) + " bytes";
        return READ_RESULT::failed;
    }
    return READ_RESULT::ok;
}

READ_RESULT cannot_read(int err, std::string* why) {
    if (err == ENOENT || err == ENOTDIR) return READ_RESULT::missing;
    if (why) *why = std::string("cannot be read (") + std::strerror(err) + ")";
    return READ_RESULT::failed;
}

}  // namespace

READ_RESULT check_player_file(const std::string& path, std::size_t max_bytes, std::string* why) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return cannot_read(errno, why);
    return judge(st, max_bytes, why);
}

READ_RESULT read_player_file(const std::string& path, std::size_t max_bytes, std::string* bytes, std::string* why) {
    // Judged before it is opened: opening a device may do something of its own.
    const READ_RESULT checked = check_player_file(path, max_bytes, why);
    if (checked != READ_RESULT::ok) return checked;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return cannot_read(errno, why);
    struct stat st {};
    READ_RESULT got = fstat(fd, &st) != 0 ? cannot_read(errno, why) : judge(st, max_bytes, why);
    std::string read;
    if (got == READ_RESULT::ok) {
        // One byte past the limit tells a file that grew since.
        read.resize(static_cast<std::size_t>(st.st_size) + 1);
        std::size_t have = 0;
        while (have < read.size()) {
            const ssize_t n = ::read(fd, &read[have], read.size() - have);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                got = cannot_read(errno, why);
                break;
            }
            if (n == 0) break;
            have += static_cast<std::size_t>(n);
            if (have == read.size() && read.size() <= max_bytes) read.resize(std::min(max_bytes + 1, read.size() * 2));
        }
        read.resize(have);
        if (got == READ_RESULT::ok && have > max_bytes) {
            if (why) *why = "is larger than " + std::to_string(max_bytes) + " bytes";
            got = READ_RESULT::failed;
        }
    }
    close(fd);
    if (got == READ_RESULT::ok) *bytes = std::move(read);
    return got;
}
