// The main loop, live or watching a recorded run: the ticks the 120 Hz timer has made, a frame
// when one is due, the keys the shell answers itself (Escape, the mode switch, the pause) and the
// menus over the paused game; and the timed demo.
#include <allegro.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "characters/player.h"
#include "core/assets.h"
#include "display/display.h"
#include "gameplay/hud.h"
#include "gameplay/mission.h"
#include "gameplay/tick.h"
#include "input/input.h"
#include "core/files.h"
#include "menu/menu.h"
#include "music/music.h"
#include "replay/progress.h"
#include "replay/ghost.h"
#include "replay/run.h"
#include "replay/splits.h"
#include "sharing/maker_run.h"
#include "shell/shell.h"
#include "text/text.h"
#include "world/district.h"
#include "world/level.h"

int frame_rate = frame_rate_auto;

namespace {

using clock_type = std::chrono::steady_clock;

// A pass runs at most this many ticks (a quarter of a second): after a stall (the window dragged,
// a mode switch) the game goes on from where it was rather than racing to catch up.
constexpr int max_ticks_per_pass = 30;
// Microseconds at most between looks at the keyboard while nothing is due.
constexpr long idle_wait_us = 10000;
constexpr int menu_rest = 10;  // ms between looks at the keyboard and the pad in the menus
constexpr int default_frame_rate = 60;  // when the system does not tell the display's
constexpr auto tick_slack = std::chrono::microseconds(1000000 / logic_rate / 2);

// When frames are shown: each after at least one tick, and at most one per interval (none
// between: a frame after every pass that ran ticks), at an even pace.
struct frame_pacer {
    clock_type::duration interval{};
    clock_type::time_point next{};
    bool owed = false;  // ticks have run since the last frame shown

    explicit frame_pacer(int rate) {
        if (rate == frame_rate_auto) rate = display_refresh_rate() > 0 ? display_refresh_rate() : default_frame_rate;
        if (rate > 0) interval = std::chrono::duration_cast<clock_type::duration>(std::chrono::seconds(1)) / rate;
    }
    // Due when the cadence's next moment is at most half a tick away: a frame then follows the
    // tick it shows at once, on every other tick at 60 Hz.
    bool due(clock_type::time_point now) const { return owed && now + tick_slack >= next; }
    void shown(clock_type::time_point now) {
        owed = false;
        // Keep the cadence; after a stall, start it again from now.
        next += interval;
        if (next <= now) next = now + interval;
    }
    // How long the loop may sleep: until the next tick, or until the frame owed is due (a little
    // after, so that the tick due about then wakes it first).
    long wait_us(clock_type::time_point now) const {
        if (!owed) return idle_wait_us;
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(next + tick_slack - now).count();
        return left < 0 ? 0 : left < idle_wait_us ? static_cast<long>(left) : idle_wait_us;
    }
};

// The time of every frame shown, for ONE_STEP_AHEAD_FRAME_LOG: written when play ends, so that
// writing it does not disturb the pace it measures.
struct frame_log {
    const char* path = std::getenv("ONE_STEP_AHEAD_FRAME_LOG");
    std::vector<double> ms;
    clock_type::time_point start = clock_type::now();

    void shown(clock_type::time_point now) {
        if (path) ms.push_back(std::chrono::duration<double, std::milli>(now - start).count());
    }
    ~frame_log() {
        if (!path) return;
        if (std::FILE* f = std::fopen(path, "w")) {
            for (double t : ms) std::fprintf(f, "%.3f\n", t);
            std::fclose(f);
        }
    }
};

// What a loop keeps between passes: where its ticks come from, the menu open over it, and what
// the screen shows.
struct loop_state {
    PLAYER& mora;
    PLAYER& vela;
    const REPLAY* replay = nullptr;  // null: live play, recorded; else the run being watched
    WATCH how = WATCH::replay;
    std::size_t next = 0;            // the replay's next record
    bool stop = false;               // the watching is over
    bool restart = false;            // live play ends to start the district again
    bool leave = false;              // live play ends for the district screen
    MENU_STATE menu;                 // open while the game is paused
    BITMAP* frozen = nullptr;        // the frame the menus are drawn over
    BITMAP* canvas = nullptr;        // the menus drawn over it
    bool redraw = false;  // the picture must be shown again though nothing changed (a new mode)
    FRAME_KEY shown{};    // what the screen shows

    loop_state(PLAYER& m, PLAYER& v, const REPLAY* r = nullptr, WATCH h = WATCH::replay)
        : mora(m), vela(v), replay(r), how(h) {}
    bool watching() const { return replay != nullptr; }
};

void show_frame(PLAYER& mora, PLAYER& vela) {
    BITMAP* frame = draw_frame(mora, vela);
    if (frame && screen) show_picture(frame);
    forget_frame();  // a view of the buffer, which a change of mode may make again
}

// Pauses the game and opens a menu over its last frame: the pause menu in play, the watching's
// own while a run is watched. No tick runs and the mission clock (its 1 Hz timer taken away) and
// the music stand still.
void open_pause_menu(loop_state& s) {
    if (s.menu.is_open()) return;
    remove_int(increment_timer);
    FMUSIC_SetPaused(song, true);
    if (BITMAP* frame = draw_frame(s.mora, s.vela)) blit(frame, s.frozen, 0, 0, 0, 0, view_w, view_h);
    forget_frame();
    open_menu(s.menu, s.watching() ? MENU_PAGE::watching : MENU_PAGE::pause);
}

// Play goes on where it stood.
void resume_play(loop_state& s) {
    s.menu.open.clear();
    hold_over_input();
    install_int_ex(increment_timer, BPS_TO_TIMER(1));
    speed_counter = 0;  // the ticks of the pause are not owed
    FMUSIC_SetPaused(song, false);
    s.redraw = true;
}

// "Best runs" chose a run: it is watched, and then the run in play comes back as it stood, with
// the menu over it.
void watch_best_run(loop_state& s) {
    const BEST_RUN& run = best_runs[static_cast<std::size_t>(s.menu.run_to_play)];
    REPLAY r;
    std::string error;
    if (!read_replay_file(listed_run_path(xdg_data_dir(), current_district, run), &r, &error)) {
        s.menu.note = N_("That run cannot be played");
        s.menu.changed = true;
        return;
    }
    const RUN_STATE live = save_run(s.mora, s.vela);
    FMUSIC_SetPaused(song, false);
    watch_replay(s.mora, s.vela, r, WATCH::replay);
    FMUSIC_SetPaused(song, true);
    restore_run(live, s.mora, s.vela);
    speed_counter = 0;
    s.menu.changed = true;
}

// One pass while the menus are open: what the player did, and the menus drawn again over the
// frozen frame when anything changed.
void menu_pass(loop_state& s) {
    for (const MENU_EVENT& e : read_menu_events(s.menu)) {
        const MENU_RESULT r = menu_event(s.menu, e);
        switch (r) {
        case MENU_RESULT::stay: break;
        case MENU_RESULT::resume: resume_play(s); return;
        case MENU_RESULT::restart:
        case MENU_RESULT::leave:
        case MENU_RESULT::quit:
            // The clock and the music as they were before the pause, for whatever comes next.
            resume_play(s);
            if (s.watching()) s.stop = true;
            else if (r == MENU_RESULT::quit) blGameOver = true;
            else if (r == MENU_RESULT::restart) s.restart = true;
            else s.leave = true;
            return;
        case MENU_RESULT::play_run: watch_best_run(s); break;
        }
    }
    display_focus_lost = false;  // the game waits already
    if (s.menu.changed && screen) {
        blit(s.frozen, s.canvas, 0, 0, 0, 0, view_w, view_h);
        draw_menu(s.canvas, s.menu);
        show_picture(s.canvas);
        s.menu.changed = false;
    }
    rest(menu_rest);
}

// The keys the shell answers itself, from the key buffer: in play, Escape (a tap too short for
// key[] to see still quits; the pass goes on as after the tick's own test), F11 or Alt+Enter, and
// the pause key, which opens the pause menu; watching, Escape stops; in the title's demo, any key
// but the mode switch's ends it.
void answer_shell_keys(loop_state& s) {
    while (keypressed() && !s.menu.is_open()) {
        const int k = readkey() >> 8;
        if (is_mode_switch_key(k)) {
            switch_display_mode();
            s.redraw = true;
        } else if (s.watching() && s.how == WATCH::demo) {
            s.stop = true;
        } else if (k == KEY_ESC) {
            if (s.watching())
                s.stop = true;
            else if (escape_held() || !key[KEY_ESC])  // not the one held over from a menu
                blGameOver = true;
        } else if (k == key_bindings.pause) {
            open_pause_menu(s);
        } else if (k == key_bindings.restart && !s.watching()) {
            s.restart = true;
            return;
        }
    }
}

// The pad's part of a pass: a pad plugged in is taken; its pause button (Start) opens the pause
// menu, and so does pulling it out in play, as on a console: it cannot steer any more. In the
// title's demo any button ends it.
void answer_pad(loop_state& s) {
    watch_for_gamepad(player_pad);
    poll_gamepad(player_pad);
    bool pause = take_gamepad_unplugged(player_pad) && !s.watching();
    for (int b; (b = take_gamepad_press(player_pad)) >= 0;) {
        if (s.watching() && s.how == WATCH::demo) s.stop = true;
        pause |= b == pad_bindings.pause;
        if (b == pad_bindings.restart && !s.watching()) s.restart = true;
    }
    if (pause && !s.stop && !s.restart) open_pause_menu(s);
}

// The window lost the focus: the player is elsewhere, so the game waits for them, paused.
void pause_when_left(loop_state& s) {
    const bool left = display_focus_lost.exchange(false) && !display_settling();
    if (left && !(s.watching() && s.how == WATCH::demo)) open_pause_menu(s);
}

// The districts in the district screen's order, for what a mission opens: read once, as the
// first run that keeps progress begins (a few milliseconds, not to be spent in a tick; the
// shipped ones do not change while the game runs, and the player's are always open).
const std::vector<DISTRICT>& districts_for_unlocking() {
    static const std::vector<DISTRICT> list = game_districts();
    return list;
}

// Whether a mission fulfilled is kept (live) and what it opens announced: not for a level that
// keeps no progress, nor in the title's demo.
bool announces(const loop_state& s) { return progress_enabled && !(s.watching() && s.how == WATCH::demo); }

// After a tick that fulfilled a mission: in live play the progress keeps it at once; a district
// it opens is announced on the HUD's message line with its own sound, in live play and in a
// watched run alike (by the watcher's progress, which watching leaves as it is).
void mission_fulfilled(loop_state& s) {
    if (!announces(s)) return;
    const std::vector<DISTRICT> opened =
        districts_opened(districts_for_unlocking(), game_progress, current_district.folder, tase, score);
    if (!s.watching()) note_progress(tase, score);
    if (opened.empty()) return;
    // TRANSLATORS: %s is a district's name: it can be played from now on.
    announce(SENTENCE{N_("%s is open!"), {opened.front().name}, "district"});
    play_effect(unlock_sound);
}

// Runs the ticks due, at most max_ticks_per_pass of them: live ones, recorded, or the replay's
// next ones (the watching stops after its last). False when none was due.
bool run_due_ticks(loop_state& s) {
    if (speed_counter <= 0) return false;
    if (speed_counter > max_ticks_per_pass) speed_counter = max_ticks_per_pass;
    for (; speed_counter > 0 && !s.stop; speed_counter--) {
        const std::size_t splits = run_splits.size();
        if (!s.watching()) {
            record_tick(game_tick(s.mora, s.vela), s.mora, s.vela);
        } else if (s.next < s.replay->ticks.size()) {
            run_tick(s.mora, s.vela, tick_from_record(s.replay->ticks[s.next++]));
        } else {
            s.stop = true;
        }
        // A split is a fulfilled mission.
        if (run_splits.size() > splits) {
            split_note = judge_split(splits_at_start, run_splits, static_cast<int>(run_splits.size()) - 1);
            mission_fulfilled(s);
        }
    }
    return true;
}

// The loop of a run, live or watched, until Escape, Quit, or the watching's end.
void run_loop(loop_state& s) {
    if (announces(s)) districts_for_unlocking();
    // Loading and the title took their time: play starts now, not with their ticks.
    speed_counter = 0;
    display_focus_lost = false;
    s.frozen = create_bitmap(view_w, view_h);
    s.canvas = create_bitmap(view_w, view_h);
    if (!s.frozen || !s.canvas) start_failure("out of memory");
    frame_pacer pacer(frame_rate);
    frame_log log;
    while (!blGameOver && !blStartFailed && !s.stop && !s.restart && !s.leave) {
        if (s.menu.is_open()) {
            menu_pass(s);
            continue;
        }
        display_read_input();  // the keys pressed up to now, for the ticks due
        answer_shell_keys(s);
        answer_pad(s);
        pause_when_left(s);
        if (s.menu.is_open() || s.stop || s.restart || s.leave) continue;
        if (run_due_ticks(s)) pacer.owed = true;
        const auto now = clock_type::now();
        // The last ticks of a run are shown whether or not a frame is due.
        const bool last = (blGameOver || s.stop) && pacer.owed;
        if (pacer.due(now) || s.redraw || last) {
            // A frame that would show what the screen shows already is left out: a player
            // standing still costs next to nothing.
            const FRAME_KEY key = frame_key(s.mora, s.vela);
            if (s.redraw || !(key == s.shown)) {
                show_frame(s.mora, s.vela);
                log.shown(now);
                s.shown = key;
            }
            pacer.shown(now);
            s.redraw = false;
        } else {
            wait_for_tick(pacer.wait_us(now));
        }
    }
    destroy_bitmap(s.frozen);
    destroy_bitmap(s.canvas);
}

} // namespace

std::vector<BITMAP**> bitmaps_to_keep() {
    std::vector<BITMAP**> list{&buffer, &back, &before, &now};
    for (BITMAP*& t : tiles) list.push_back(&t);
    return list;
}

RUN_END run_game(PLAYER& mora, PLAYER& vela) {
    loop_state s(mora, vela);
    run_loop(s);
    if (blGameOver) return RUN_END::quit;
    return s.restart ? RUN_END::restart : s.leave ? RUN_END::leave : RUN_END::quit;
}

bool watch_replay(PLAYER& mora, PLAYER& vela, const REPLAY& replay, WATCH how, bool race) {
    // A watched run has no ghost unless it races one; the run in play gets its own back afterwards.
    GHOST ghost;
    if (race) ghost = ghost_in_play;
    std::swap(ghost, ghost_in_play);
    const SPLIT_NOTE note = split_note;
    const HUD_ANNOUNCEMENT announced = hud_announcement;
    start_run(mora, vela);
    loop_state s(mora, vela, &replay, how);
    run_loop(s);
    std::swap(ghost, ghost_in_play);
    split_note = note;
    hud_announcement = announced;
    return s.next == replay.ticks.size();
}

TIMEDEMO_RESULT timedemo(PLAYER& mora, PLAYER& vela, const REPLAY& replay) {
    start_run(mora, vela);
    TIMEDEMO_RESULT t;
    std::vector<double> ms;
    ms.reserve(replay.ticks.size());
    const auto begin = clock_type::now();
    auto last = begin;
    for (std::uint8_t record : replay.ticks) {
        if (keypressed() && (readkey() >> 8) == KEY_ESC) break;
        run_tick(mora, vela, tick_from_record(record));
        show_frame(mora, vela);
        const auto now = clock_type::now();
        ms.push_back(std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    }
    t.frames = static_cast<int>(ms.size());
    t.seconds = std::chrono::duration<double>(last - begin).count();
    if (!ms.empty()) {
        std::sort(ms.begin(), ms.end());
        t.median_ms = ms[ms.size() / 2];
        t.p99_ms = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    }
    return t;
}
