// The live proof: the level tool run on the newest map in a thread of its own, as a child
// process, while the editor goes on. A newer map ends the search of an older one.
#ifndef OSA_EDITOR_PROOF_WORKER_H
#define OSA_EDITOR_PROOF_WORKER_H

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "authoring/proof_report.h"

// The worker's own reasons for having no proof (PROOF_RESULT::error, in English; else a
// reason of read_proof's or of core/files.h's writing), for showing them in the player's
// language (text/english.h).
extern const ENGLISH_FORMATS proof_error_formats;

// One search's outcome, for the map of `revision`.
struct PROOF_RESULT {
    long revision = -1;
    bool ok = false;     // the tool ran to its end and its report was read
    std::string error;   // else why not ("the level tool cannot be started: ...")
    PROOF proof;
};

// The worker. The tool and the checks run in another process: the route search works on the
// game's globals (the map, the key array, the sound seam), which the editor and a run use too.
class PROOF_WORKER {
public:
    // tool: the level tool's path; data_dir: the directory that holds dat/ (given to it as
    // --data); the maps and reports go in a temporary folder of this worker's own, removed with it.
    PROOF_WORKER(const std::string& tool, const std::string& data_dir);
    // Ends the search running (its process killed) and the thread; removes the folder.
    ~PROOF_WORKER();
    PROOF_WORKER(const PROOF_WORKER&) = delete;
    PROOF_WORKER& operator=(const PROOF_WORKER&) = delete;

    // Asks for the proof of map_text (the map's file text) as revision `revision`: a search of
    // an older map still running is ended. Never waits for the search.
    void submit(const std::string& map_text, long revision);
    // The newest result finished since the last take: true, with it in *out. Never waits.
    bool take(PROOF_RESULT* out);
    // True while a search runs or waits to run.
    bool busy();

private:
    void run();
    PROOF_RESULT check(const std::string& map_text, long revision);

    std::string tool_, data_dir_, folder_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::string job_text_;
    long job_revision_ = -1;
    bool job_waiting_ = false;
    bool working_ = false;
    bool stopping_ = false;
    PROOF_RESULT result_;
    bool result_new_ = false;
    std::thread thread_;
};

// The level tool beside the running game's executable ("one-step-ahead-level" in the same
// folder: the build tree, or the installed bin folder). Empty when it is not there.
std::string level_tool_path();

#endif
