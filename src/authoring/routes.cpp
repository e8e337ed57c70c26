// The route search: the player's own control() driven through the level by held keys, a
// cheapest-first search over the places where she settles, and the missions' tours.
#include "authoring/routes.h"

#include <allegro.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <queue>
#include <unordered_map>

#include "characters/player.h"
#include "core/state.h"
#include "gameplay/mission.h"
#include "gameplay/shops.h"
#include "input/input.h"
#include "text/text.h"
#include "world/level.h"

namespace {

constexpr int ticks_per_anim = logic_rate / anim_rate;  // ticks from one animation step to the next
constexpr float settle_speed = 0.7f;   // a move ends on the ground below this sideways speed
constexpr int move_limit = 1500;       // ticks a move may take before it is given up

// One move from where she settled: hold the arrow `dir` (-1 left, 0 none, 1 right) for `hold`
// ticks and Space for three ticks from `jump_at` (none when negative; three, because a jump does
// not lift a character sunk deep into the floor off it, and she jumps again from higher up),
// then let go until she is on the ground and has slowed down. The next move starts with what
// speed she has left, as a player's would.
struct move {
    int dir, hold, jump_at;
};

std::vector<move> moves() {
    std::vector<move> m;
    for (int dir : {-1, 1}) {
        for (int hold : {4, 16, 60, 160}) m.push_back({dir, hold, -1});      // walks
        for (int hold : {10, 30, 60, 110, 160}) m.push_back({dir, hold, 0}); // jumps at once
        for (int hold : {50, 90, 150, 220}) m.push_back({dir, hold, 30});    // jumps with a run-up
    }
    m.push_back({0, 0, 0});  // straight up
    return m;
}

// The player as the search carries her: her fields and the animation's phase.
struct body {
    PLAYER p;
    long phase;
};

// One logic tick of her own part of the game: the keys, control(), the animation step. The keys
// are held through the bindings in force; no keyboard is installed, so key[] is plain memory.
void step(body& b, int dir, bool space) {
    key[key_bindings.right] = dir > 0;
    key[key_bindings.left] = dir < 0;
    key[key_bindings.jump] = space;
    b.p.control();
    if (b.phase % ticks_per_anim == 0) b.p.addframe();
    b.phase++;
}

bool settled(const PLAYER& p) {
    return p.onground && p.yspeed == 0.0f && std::fabs(p.xspeed) < settle_speed;
}

long long place_key(const PLAYER& p) {
    const long long x = static_cast<int>(p.x) >> 4, y = static_cast<int>(p.y) >> 2;
    return (x << 32) ^ (y & 0xffffffffLL);
}

// The targets that p stands in: bit i for shop i, bit partner_target beside the partner.
unsigned targets_at(const PLAYER& p, const PLAYER& partner) {
    unsigned t = 0;
    for (int i = 0; i < shop_count; i++)
        if (in_shop_window(p, i, shop_picture_w)) t |= 1u << i;
    if (beside_partner(p, partner)) t |= 1u << partner_target;
    return t;
}

// The keys of the first `ticks` ticks of move m, one state a tick.
void add_move_keys(const move& m, int ticks, std::vector<INPUT_STATE>& keys) {
    for (int t = 0; t < ticks; t++) {
        INPUT_STATE in;
        const int dir = t < m.hold ? m.dir : 0;
        in.left = dir < 0;
        in.right = dir > 0;
        in.jump = m.jump_at >= 0 && t >= m.jump_at && t < m.jump_at + 3;
        keys.push_back(in);
    }
}

// Where the search settled her: her body, the ticks it took from the start, and how she got
// there (the place settled before, the move from it and its ticks) for the route's keys.
struct node {
    body b;
    long cost;
    bool done;
    long parent;  // -1 for the start
    int move, move_ticks;
};

// The best arrival at a target found so far: the place the route went through last and the
// ticks of the move from it that reach the target (node -1: she stood in it from the start).
struct arrival {
    long node = -1;
    int move = 0, ticks = 0;
};

// Cheapest-first search from `from` until every target in `wanted` has been reached (or no place
// is left). A place is where she settles, to 16 pixels across and 4 down; the cheapest body to
// settle there is the one the moves go on from, so every route is one played-through sequence.
// With routes and arrivals given, the places found and each target's best arrival are kept, so
// that a route's keys can be told (route_keys).
// A budget (ticks, 0 for none) ends the search once `simulated` has passed it.
void search(const body& from, const PLAYER& partner, unsigned wanted, long* ticks, body* state, long& simulated,
            std::vector<node>* routes = nullptr, arrival* arrivals = nullptr, long budget = 0) {
    static const std::vector<move> all_moves = moves();
    std::vector<node> nodes;
    std::unordered_map<long long, size_t> index;
    using entry = std::pair<long, size_t>;
    std::priority_queue<entry, std::vector<entry>, std::greater<entry>> open;
    nodes.push_back({from, 0, false, -1, 0, 0});
    open.push({0, 0});
    for (int t = 0; t < target_count; t++) ticks[t] = -1;
    auto record = [&](const body& b, long cost, long n, int m, int m_ticks) {
        const unsigned hit = targets_at(b.p, partner) & wanted;
        for (int t = 0; t < target_count; t++)
            if ((hit >> t & 1) && (ticks[t] < 0 || cost < ticks[t])) {
                ticks[t] = cost;
                state[t] = b;
                if (arrivals) arrivals[t] = {n, m, m_ticks};
            }
    };
    record(from, 0, -1, 0, 0);
    const float bottom = static_cast<float>(iYSize * tile_size), right = static_cast<float>(iXSize * tile_size);
    while (!open.empty() && (budget <= 0 || simulated <= budget)) {
        const auto [cost, n] = open.top();
        open.pop();
        if (nodes[n].done || nodes[n].cost != cost) continue;
        // Done once every wanted target has an arrival no later than anything still open.
        long latest = 0;
        bool all = true;
        for (int t = 0; t < target_count; t++)
            if (wanted >> t & 1) {
                if (ticks[t] < 0) all = false;
                latest = std::max(latest, ticks[t]);
            }
        if (all && cost >= latest) break;
        nodes[n].done = true;
        const body origin = nodes[n].b;
        for (int mi = 0; mi < static_cast<int>(all_moves.size()); mi++) {
            const move& m = all_moves[static_cast<size_t>(mi)];
            body b = origin;
            const int keys_end = std::max(m.hold, m.jump_at + 3);
            bool lost = false;
            int t = 0;
            for (; t < move_limit; t++) {
                const bool space = m.jump_at >= 0 && t >= m.jump_at && t < m.jump_at + 3;
                step(b, t < m.hold ? m.dir : 0, space);
                if (b.p.y > bottom || b.p.x < 0.0f || b.p.x > right) {
                    lost = true;
                    break;
                }
                record(b, cost + t + 1, static_cast<long>(n), mi, t + 1);
                if (t + 1 >= keys_end && settled(b.p)) break;
            }
            simulated += t + 1;
            if (lost || t == move_limit) continue;
            const long c = cost + t + 1;
            const node reached{b, c, false, static_cast<long>(n), mi, t + 1};
            const long long k = place_key(b.p);
            auto it = index.find(k);
            if (it == index.end()) {
                index.emplace(k, nodes.size());
                nodes.push_back(reached);
                open.push({c, nodes.size() - 1});
            } else if (!nodes[it->second].done && c < nodes[it->second].cost) {
                nodes[it->second] = reached;
                open.push({c, it->second});
            }
        }
    }
    if (routes) *routes = std::move(nodes);
}

// While it lives: the keys the search holds and the sound seam (a search is not to be heard); put
// back as they were when it goes.
class quiet_keys {
public:
    quiet_keys() : hook_(sound_hook) {
        for (int k = 0; k < 3; k++) held_[k] = key[bound_[k]];
        sound_hook = [](SAMPLE*, int, int, int, int) {};
    }
    ~quiet_keys() {
        for (int k = 0; k < 3; k++) key[bound_[k]] = held_[k];
        sound_hook = hook_;
    }
    quiet_keys(const quiet_keys&) = delete;
    quiet_keys& operator=(const quiet_keys&) = delete;

private:
    const int bound_[3] = {key_bindings.left, key_bindings.right, key_bindings.jump};
    char held_[3];
    void (*hook_)(SAMPLE*, int, int, int, int);
};

// The search's faults, in English (route_fault_formats).
// TRANSLATORS: a shop (%1$s: "the hair shop") and the row and column of its cell in the map.
constexpr const char* shop_at = N_("%1$s (row %2$s, column %3$s)");
// TRANSLATORS: %s is a shop and its place: "the hair shop (row 14, column 30)".
constexpr const char* fault_unreachable = N_("%s cannot be reached from the start");
constexpr const char* fault_no_way_back = N_("the partner cannot be reached back from %s");
// TRANSLATORS: %s is a number of ticks (1/120 s) of simulated play.
constexpr const char* fault_gave_up = N_("the search for routes gave up after %s ticks of play: the map is too large to prove");

std::string shop_place(int i) {
    return fill(shop_at, {shop_names[i], std::to_string(shop[i].y / tile_size - 1), std::to_string(shop[i].x / tile_size)});
}

std::string seconds(long ticks) {
    char s[32];
    std::snprintf(s, sizeof s, "%.1f s", static_cast<double>(ticks) / logic_rate);
    return s;
}

// The keys of the route that the search behind places made to arrival a: the places it settled
// at, from the start on, with the move from each, then the move that reaches the target.
std::vector<INPUT_STATE> keys_to(const std::vector<node>& places, const arrival& a) {
    static const std::vector<move> all_moves = moves();
    std::vector<INPUT_STATE> keys;
    std::vector<long> chain;
    for (long n = a.node; n > 0; n = places[static_cast<size_t>(n)].parent) chain.push_back(n);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const node& p = places[static_cast<size_t>(*it)];
        add_move_keys(all_moves[static_cast<size_t>(p.move)], p.move_ticks, keys);
    }
    if (a.node >= 0) add_move_keys(all_moves[static_cast<size_t>(a.move)], a.ticks, keys);
    return keys;
}

}  // namespace

const ENGLISH_FORMATS route_fault_formats = {shop_at, fault_unreachable, fault_no_way_back, fault_gave_up};

route_report find_routes(const PLAYER& player, const PLAYER& partner, long budget) {
    route_report r;
    const quiet_keys keep;

    const unsigned all_targets = (1u << target_count) - 1;
    long ticks[target_count];
    std::vector<body> at(target_count, body{player, 0});
    std::vector<node> places;
    arrival arrivals[target_count];
    search(body{player, 0}, partner, all_targets & ~(1u << partner_target), ticks, at.data(), r.ticks_simulated,
           &places, arrivals, budget);
    for (int i = 0; i < shop_count; i++) {
        r.there[i] = ticks[i];
        r.back[i] = -1;
        for (int j = 0; j < target_count; j++) r.between[i][j] = -1;
        if (ticks[i] < 0) {
            r.faults.push_back(fill(fault_unreachable, {shop_place(i)}));
            continue;
        }
        r.there_keys[i] = keys_to(places, arrivals[i]);
        // She enters: the effect plays while her control waits, then she goes on as she was.
        body entered = at[static_cast<size_t>(i)];
        entered.p.walking = false;
        entered.phase += effect_ticks;
        long from_shop[target_count];
        std::vector<body> ends(target_count, entered);
        std::vector<node> from_places;
        arrival from_arrivals[target_count];
        search(entered, partner, all_targets & ~(1u << i), from_shop, ends.data(), r.ticks_simulated, &from_places,
               from_arrivals, budget);
        for (int j = 0; j < target_count; j++) r.between[i][j] = from_shop[j];
        r.back[i] = from_shop[partner_target];
        if (r.back[i] >= 0) r.back_keys[i] = keys_to(from_places, from_arrivals[partner_target]);
        if (r.back[i] < 0) r.faults.push_back(fill(fault_no_way_back, {shop_place(i)}));
    }
    // What a search stopped short did not find may still be there.
    if (budget > 0 && r.ticks_simulated > budget) {
        r.gave_up = true;
        r.faults = {fill(fault_gave_up, {std::to_string(budget)})};
    }
    return r;
}

route route_keys(const PLAYER& player, long tick, const PLAYER& partner, unsigned targets_wanted) {
    const quiet_keys keep;
    long ticks[target_count];
    std::vector<body> at(target_count, body{player, tick});
    std::vector<node> places;
    arrival arrivals[target_count];
    long simulated = 0;
    search(body{player, tick}, partner, targets_wanted, ticks, at.data(), simulated, &places, arrivals);
    route r;
    for (int t = 0; t < target_count; t++)
        if (ticks[t] >= 0 && (r.target < 0 || ticks[t] < ticks[r.target])) r.target = t;
    if (r.target < 0) return r;
    r.keys = keys_to(places, arrivals[r.target]);
    return r;
}

void route_points(const PLAYER& player, const route_report& routes, int i, int every,
                  std::vector<route_point>* there, std::vector<route_point>* back) {
    const quiet_keys keep;
    there->clear();
    back->clear();
    if (routes.there[i] < 0) return;
    body b{player, 0};
    auto follow = [&](const std::vector<INPUT_STATE>& keys, std::vector<route_point>* out) {
        out->push_back({static_cast<int>(b.p.x), static_cast<int>(b.p.y)});
        for (size_t t = 0; t < keys.size(); t++) {
            step(b, keys[t].right ? 1 : keys[t].left ? -1 : 0, keys[t].jump);
            if ((t + 1) % static_cast<size_t>(every) == 0 || t + 1 == keys.size())
                out->push_back({static_cast<int>(b.p.x), static_cast<int>(b.p.y)});
        }
    };
    follow(routes.there_keys[i], there);
    if (routes.back[i] < 0) return;
    // She enters, as the search has it: the effect plays while her control waits.
    b.p.walking = false;
    b.phase += effect_ticks;
    follow(routes.back_keys[i], back);
}

std::vector<mission_tour> mission_tours(const route_report& routes, const PLAYER& player, const PLAYER& partner,
                                        int missions) {
    std::vector<mission_tour> tours;
    int mine[shop_count], hers[shop_count];
    for (int i = 0; i < shop_count; i++) {
        mine[i] = player.look[i];
        hers[i] = partner.look[i];
    }
    int allowance = first_mission_seconds;
    for (int m = 1; m <= missions; m++) {
        mission_tour tour{m, {}, -1, allowance};
        std::vector<int> order;
        int visits = 0;
        for (int i = 0; i < shop_count; i++) {
            // Her look must come one step ahead of the partner's: each visit moves it one step.
            int wanted = hers[i];
            upgrade(wanted);
            int n = 0;
            for (int look = mine[i]; look != wanted && n < 3; n++) upgrade(look);
            tour.visits[i] = n;
            visits += n;
            if (n) order.push_back(i);
            mine[i] = wanted;
        }
        // Every order of the shops: from beside the partner (her start) round them and back.
        long best = -1;
        std::sort(order.begin(), order.end());
        do {
            long t = 0;
            int at = -1;
            for (int s : order) {
                const long leg = at < 0 ? routes.there[s] : routes.between[at][s];
                if (leg < 0) {
                    t = -1;
                    break;
                }
                t += leg;
                at = s;
            }
            if (t < 0) continue;
            if (at >= 0) {
                if (routes.back[at] < 0) continue;
                t += routes.back[at];
            }
            if (best < 0 || t < best) best = t;
        } while (std::next_permutation(order.begin(), order.end()));
        // The clock restarts at the last fulfilment: she stands through the partner's walk back.
        if (best >= 0) tour.ticks = best + static_cast<long>(visits) * effect_ticks + arrival_to_fulfilment_ticks +
                                    (m > 1 ? after_fulfilment_ticks : 0);
        tours.push_back(tour);
        // The fulfilment: the partner changes the categories of the table's row for this level.
        for (int i = 0; i < shop_count; i++)
            if (list[row_for_level(m)][i]) upgrade(hers[i]);
        allowance = next_allowance(allowance, m);
    }
    return tours;
}

std::vector<std::string> describe_routes(const route_report& routes, const std::vector<mission_tour>& tours) {
    std::vector<std::string> lines;
    for (int i = 0; i < shop_count; i++) {
        std::string line = shop_place(i) + ": there ";
        line += routes.there[i] < 0 ? "no route" : seconds(routes.there[i]);
        line += ", back to the partner ";
        line += routes.back[i] < 0 ? "no route" : seconds(routes.back[i]);
        lines.push_back(line);
    }
    for (const mission_tour& t : tours) {
        std::string asks;
        for (int i = 0; i < shop_count; i++)
            if (t.visits[i]) asks += std::string(asks.empty() ? "" : ", ") + names[i] + (t.visits[i] > 1 ? " twice" : "");
        std::string line = "mission " + std::to_string(t.mission) + " (" + asks + "): ";
        line += t.ticks < 0 ? "no tour" : seconds(t.ticks);
        line += " of " + std::to_string(t.allowance) + " s";
        if (!t.fits()) line = "warning: " + line + (t.ticks < 0 ? "" : ", the tour does not fit the mission's time");
        lines.push_back(line);
    }
    return lines;
}
