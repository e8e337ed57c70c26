// The rules of play: the mission text, the return to the partner, her walk and change, and the
// level, score and time allowance that each fulfilment settles.
#include "gameplay/mission.h"

#include <cstring>

#include "characters/player.h"
#include "gameplay/hud.h"
#include "gameplay/shops.h"
#include "core/assets.h"
#include "core/state.h"
#include "text/text.h"

int game_state = game_state_mission;
char names[category_count][50] = {"make-up", "hair", "clothes", "shoes", "handbag"};
const char list[table_rows][category_count] = {
    // make-up, hair, clothes, shoes, handbag
    {0, 0, 1, 1, 0}, // row 0 is never read: the level is raised before the table is consulted
    {1, 1, 0, 0, 0},
    {0, 0, 1, 1, 1},
    {0, 0, 1, 1, 1},
    {1, 1, 0, 0, 1},
    {1, 1, 1, 1, 0},
    {1, 0, 1, 1, 1},
};
int tase = 0;
int score = 0;
int xcount = 0;

namespace {

static_assert(walk_turn == walk_out_end + 1, "the turn follows the last step out");
static_assert(walk_done == walk_back_end + 1, "the closing tick follows the last step back");

// The player's category i is not one step ahead of the partner's.
bool missing(const PLAYER& player, const PLAYER& partner, int i) {
    return parem(player.look[i], partner.look[i]) != 1;
}

bool any_missing(const PLAYER& player, const PLAYER& partner) {
    for (int i = 0; i < category_count; i++)
        if (missing(player, partner, i)) return true;
    return false;
}

// Appends s to the text in buf (size bytes), cut so that the terminator always fits.
void append(char* buf, std::size_t size, const char* s) {
    std::size_t n = std::strlen(buf);
    while (n + 1 < size && *s) buf[n++] = *s++;
    buf[n] = '\0';
}

void mission_tick(PLAYER& player, PLAYER& partner) {
    char text[message_size] = "Mission: upgrade";
    int count = 0;
    for (int i = 0; i < category_count; i++) {
        if (!missing(player, partner, i)) continue;
        append(text, sizeof text, count == 0 ? " " : " and ");
        append(text, sizeof text, names[i]);
        count++;
    }
    if (count > 0)
        add_message(text);
    else
        game_state = game_state_return; // the message keeps the last mission text until the next tick
}

void return_tick(PLAYER& player, PLAYER& partner) {
    // TRANSLATORS: every category is one look ahead: walk back to Vela (the friend's name).
    add_message(N_("Mission: return to Vela!"));
    if (beside_partner(player, partner)) game_state = game_state_change;
}

void fulfil(PLAYER& partner) {
    tase++;
    const int L = tase;
    const int row = row_for_level(L);
    for (int j = 0; j < category_count; j++)
        if (list[row][j]) upgrade(partner.look[j]);
    score += the_time - timer.load();
    the_time = next_allowance(the_time, L);
    timer.store(0);
    play_effect_at(velachange, partner.screen_column());
}

void change_tick(PLAYER& player, PLAYER& partner) {
    if (xcount == 0) {
        if (any_missing(player, partner)) {
            game_state = game_state_mission; // spoiled after the fulfilment: back to the mission, nothing else
            return;
        }
        // TRANSLATORS: Vela walks off, changes her outfit and comes back; the player waits.
        add_message(N_("Wait - Vela upgrading"));
        player.walking = false;
    }
    if (xcount >= 0 && xcount <= walk_out_end) {
        partner.x += 1.0f;
        partner.direction = direction_right;
        partner.walking = true;
        xcount++;
    } else if (xcount >= walk_turn && xcount <= walk_back_end) {
        if (xcount == walk_turn) fulfil(partner);
        partner.x -= 1.0f;
        partner.direction = direction_left;
        partner.walking = true;
        xcount++;
    } else { // walk_done (and any value the rules never produce)
        xcount = 0;
        partner.walking = false;
        partner.direction = direction_left;
        game_state = game_state_mission;
    }
}

}  // namespace

int row_for_level(int L) {
    const int cycle = table_rows - 1;
    int r = (L - 1) % cycle;
    if (r < 0) r += cycle;
    return r + 1;
}

int next_allowance(int allowance, int L) {
    const int row = row_for_level(L);
    int k = 0;
    for (int j = 0; j < category_count; j++) k += list[row][j] ? 1 : 0;
    // Past the table's last row the allowance runs as at the cycled level: it starts again when
    // the rows do, and the level's two seconds are those of the cycled level (row is L up to 6).
    if (L >= table_rows && row == 1) allowance = first_mission_seconds;
    return allowance + 3 * k - 2 * row;
}

bool beside_partner(const PLAYER& player, const PLAYER& partner) {
    // In double, where the float positions and these sums are exact.
    const double px = player.x, py = player.y, vx = partner.x, vy = partner.y;
    return px > vx - 128.0 && px < vx + 64.0 && py > vy - 24.0 && py < vy + 24.0;
}

void handle_vela_stuff(PLAYER& player, PLAYER& partner) {
    switch (game_state) {
    case game_state_mission: mission_tick(player, partner); break;
    case game_state_return: return_tick(player, partner); break;
    case game_state_change: change_tick(player, partner); break;
    default: break; // 0, 2 and anything else: the tick does nothing
    }
}

void upgrade_vela(PLAYER& a, PLAYER& b) {
    for (int i = 0; i < category_count; i++)
        if (parem(b.look[i], a.look[i]) == 1) upgrade(a.look[i]);
}
