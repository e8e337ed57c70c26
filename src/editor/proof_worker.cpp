// The live proof's thread: the newest map written to a file, the level tool spawned on it with
// --report, waited for (or killed when a newer map comes), and its report read.
#include "editor/proof_worker.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/files.h"
#include "text/text.h"

extern char** environ;

namespace {

constexpr auto poll_every = std::chrono::milliseconds(5);  // looks at the child and at newer maps
constexpr const char* level_tool_name = "one-step-ahead-level";

}  // namespace

std::string level_tool_path() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "";
    const std::filesystem::path tool = exe.parent_path() / level_tool_name;
    return std::filesystem::is_regular_file(tool, ec) ? tool.string() : "";
}

PROOF_WORKER::PROOF_WORKER(const std::string& tool, const std::string& data_dir) : tool_(tool), data_dir_(data_dir) {
    std::string pattern = (std::filesystem::temp_directory_path() / "one-step-ahead-edit-XXXXXX").string();
    if (mkdtemp(pattern.data())) folder_ = pattern;
    thread_ = std::thread([this] { run(); });
}

PROOF_WORKER::~PROOF_WORKER() {
    {
        std::lock_guard<std::mutex> g(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

void PROOF_WORKER::submit(const std::string& map_text, long revision) {
    {
        std::lock_guard<std::mutex> g(lock_);
        job_text_ = map_text;
        job_revision_ = revision;
        job_waiting_ = true;
    }
    wake_.notify_all();
}

bool PROOF_WORKER::take(PROOF_RESULT* out) {
    std::lock_guard<std::mutex> g(lock_);
    if (!result_new_) return false;
    *out = result_;
    result_new_ = false;
    return true;
}

bool PROOF_WORKER::busy() {
    std::lock_guard<std::mutex> g(lock_);
    return working_ || job_waiting_;
}

void PROOF_WORKER::run() {
    for (;;) {
        std::string text;
        long revision;
        {
            std::unique_lock<std::mutex> g(lock_);
            wake_.wait(g, [this] { return job_waiting_ || stopping_; });
            if (stopping_) return;
            text = std::move(job_text_);
            revision = job_revision_;
            job_waiting_ = false;
            working_ = true;
        }
        PROOF_RESULT r = check(text, revision);
        std::lock_guard<std::mutex> g(lock_);
        working_ = false;
        // A result that a newer map overtook (its search ended early) is not one.
        if (r.revision >= 0) {
            result_ = std::move(r);
            result_new_ = true;
        }
    }
}

const ENGLISH_FORMATS proof_error_formats = {
    // TRANSLATORS: why the editor has no proof of the map: its level checker (a program of the
    // game's) cannot run.
    N_("no temporary folder for the level tool"),
    N_("the level tool is not beside the game"),
    // TRANSLATORS: %s is the system's reason.
    N_("the level tool cannot be started: %s"),
    N_("the level tool did not finish"),
};

PROOF_RESULT PROOF_WORKER::check(const std::string& map_text, long revision) {
    PROOF_RESULT r;
    r.revision = revision;
    if (folder_.empty()) {
        r.error = proof_error_formats[0];
        return r;
    }
    if (tool_.empty()) {
        r.error = proof_error_formats[1];
        return r;
    }
    const std::string map = folder_ + "/edit.map", report = folder_ + "/edit.proof";
    std::remove(report.c_str());
    if (!write_file_atomically(map, map_text.data(), map_text.size(), &r.error)) return r;

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string args[] = {tool_, map, "--report", report, "--data", data_dir_};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(),
                    args[4].data(), args[5].data(), nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, tool_.c_str(), &files, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) {
        r.error = fill(proof_error_formats[2], {std::strerror(spawned)});
        return r;
    }
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) break;
        bool overtaken;
        {
            std::lock_guard<std::mutex> g(lock_);
            overtaken = job_waiting_ || stopping_;
        }
        if (overtaken) {
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            r.revision = -1;
            return r;
        }
        std::this_thread::sleep_for(poll_every);
    }
    // The tool exits 0 for a playable map and 1 for one with faults, with a report either way.
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
        r.error = proof_error_formats[3];
        return r;
    }
    std::ifstream in(report);
    if (!read_proof(in, &r.proof, &r.error)) return r;
    r.ok = true;
    return r;
}
