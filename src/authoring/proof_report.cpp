// The level tool's report for the editor: made from a check, written as text, read back.
#include "authoring/proof_report.h"

#include <sstream>

#include "characters/player.h"
#include "text/text.h"

namespace {

constexpr int proof_version = 1;

void write_path(std::ostringstream& out, const char* word, int i, const std::vector<route_point>& path) {
    if (path.empty()) return;
    out << word << ' ' << i;
    for (const route_point& p : path) out << ' ' << p.x << ' ' << p.y;
    out << '\n';
}

bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

}  // namespace

PROOF make_proof(const level_check& c, const PLAYER& player, const PLAYER& partner) {
    PROOF p;
    p.faults = c.faults;
    // check_level searched when the map passed its own checks and the game read it.
    p.searched = !c.text.empty() && c.faults == c.routes.faults;
    if (!p.searched) return p;
    for (int i = 0; i < shop_count; i++) {
        p.there[i] = c.routes.there[i];
        p.back[i] = c.routes.back[i];
        route_points(player, c.routes, i, proof_path_every, &p.there_path[i], &p.back_path[i]);
    }
    const std::vector<mission_tour> tours = mission_tours(c.routes, player, partner, 1);
    if (!tours.empty()) {
        p.tour_ticks = tours[0].ticks;
        p.tour_allowance = tours[0].allowance;
    }
    return p;
}

std::string proof_text(const PROOF& p) {
    std::ostringstream out;
    out << "proof " << proof_version << '\n';
    for (const std::string& f : p.faults) out << "fault " << f << '\n';
    if (p.searched) {
        for (int i = 0; i < shop_count; i++) out << "shop " << i << ' ' << p.there[i] << ' ' << p.back[i] << '\n';
        out << "tour " << p.tour_ticks << ' ' << p.tour_allowance << '\n';
        for (int i = 0; i < shop_count; i++) {
            write_path(out, "there", i, p.there_path[i]);
            write_path(out, "back", i, p.back_path[i]);
        }
    }
    out << "end\n";
    return out.str();
}

namespace {

// read_proof's faults, in English (proof_report_formats).
// TRANSLATORS: the editor could not read the report of its level checker (a program of the game's).
constexpr const char* fault_not_report = N_("not a report of the level tool");
// TRANSLATORS: %s is a line of the report: "line 7".
constexpr const char* fault_shop = N_("bad shop at %s");
constexpr const char* fault_tour = N_("bad tour at %s");
constexpr const char* fault_route = N_("bad route at %s");
constexpr const char* fault_unknown = N_("unknown line at %s");
constexpr const char* line_at = N_("line %s");
constexpr const char* fault_cut = N_("the report is cut short");
constexpr const char* fault_shop_missing = N_("a shop is missing from the report");

} // namespace

const ENGLISH_FORMATS proof_report_formats = {fault_not_report, fault_shop, fault_tour, fault_route,
                                              fault_unknown,    line_at,    fault_cut,  fault_shop_missing};

bool read_proof(std::istream& in, PROOF* out, std::string* error) {
    PROOF p;
    std::string line;
    if (!std::getline(in, line) || line != "proof " + std::to_string(proof_version))
        return fail(error, fault_not_report);
    bool ended = false;
    int shops_seen = 0;
    for (int n = 2; !ended && std::getline(in, line); n++) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        const std::string where = fill(line_at, {std::to_string(n)});
        if (word == "fault") {
            p.faults.push_back(line.size() > 6 ? line.substr(6) : "");
        } else if (word == "shop") {
            int i = -1;
            long there = 0, back = 0;
            if (!(words >> i >> there >> back) || i < 0 || i >= shop_count) return fail(error, fill(fault_shop, {where}));
            p.there[i] = there;
            p.back[i] = back;
            p.searched = true;
            shops_seen++;
        } else if (word == "tour") {
            if (!(words >> p.tour_ticks >> p.tour_allowance)) return fail(error, fill(fault_tour, {where}));
        } else if (word == "there" || word == "back") {
            int i = -1;
            if (!(words >> i) || i < 0 || i >= shop_count) return fail(error, fill(fault_route, {where}));
            std::vector<route_point>& path = word == "there" ? p.there_path[i] : p.back_path[i];
            for (route_point pt; words >> pt.x >> pt.y;) path.push_back(pt);
            if (!words.eof()) return fail(error, fill(fault_route, {where}));
        } else if (word == "end") {
            ended = true;
        } else {
            return fail(error, fill(fault_unknown, {where}));
        }
    }
    if (!ended) return fail(error, fault_cut);
    if (p.searched && shops_seen != shop_count) return fail(error, fault_shop_missing);
    *out = std::move(p);
    return true;
}
