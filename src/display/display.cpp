// The display: choosing and setting the mode, switching it while playing, and showing the
// game's picture scaled on the screen.
#include "display/display.h"

#include <allegro.h>
#include <xalleg.h>  // _xwin: the X11 driver's display, window and shared image

#include <algorithm>
#include <chrono>

#include "core/state.h"
#include "display/changes.h"
#include "display/scale.h"

BITMAP* picture = nullptr;
bool display_fullscreen = false;
int display_scale = 1;
std::atomic<bool> display_focus_lost{false};
bool blModeSwitched = false;

namespace {

int asked_scale = 0;  // the scale asked for; 0 = the largest that fits
std::vector<BITMAP**> kept_bitmaps;
// A change of mode takes the focus from the old window: what the system reports of that in the
// moments after the change is not the player leaving the game.
constexpr auto change_settle = std::chrono::milliseconds(500);
std::chrono::steady_clock::time_point last_change;

// The picture as the screen shows it, kept to find what the next one changes; valid only while
// the screen still holds it (a new mode clears the screen).
BITMAP* shown = nullptr;
bool shown_valid = false;

// The window panels leave: a window's height stays within this share of the desktop's.
constexpr int window_height_percent = 90;

void on_switch_out() { display_focus_lost.store(true); }

void read_waiting_input();

// The desktop's size; when the system cannot tell, the picture's own.
void desktop_size(int* w, int* h) {
    if (get_desktop_resolution(w, h) != 0 || *w <= 0 || *h <= 0) {
        *w = view_w;
        *h = view_h;
    }
}

// What every new mode needs: a black screen for the borders, the scale that fits the mode the
// driver really gave, and the focus callback (a mode change removes it).
void after_mode_set(bool fullscreen, int scale) {
    display_fullscreen = fullscreen;
    display_scale = std::max(1, std::min(scale, fitting_scale(SCREEN_W, SCREEN_H)));
    clear_to_color(screen, 0);
    shown_valid = false;
    if (system_driver && system_driver->id == SYSTEM_XWINDOWS) _xwin_input_handler = read_waiting_input;
    if (set_display_switch_mode(SWITCH_BACKGROUND) == 0)
        set_display_switch_callback(SWITCH_OUT, on_switch_out);
}

bool try_fullscreen(int scale) {
    int dw, dh;
    desktop_size(&dw, &dh);
    const int fit = fitting_scale(dw, dh);
    if (set_gfx_mode(GFX_AUTODETECT_FULLSCREEN, dw, dh, 0, 0) != 0) return false;
    after_mode_set(true, scale > 0 ? std::min(scale, fit) : fit);
    return true;
}

bool try_window(int scale) {
    int dw, dh;
    desktop_size(&dw, &dh);
    for (int s = scale > 0 ? scale : window_scale(dw, dh); s >= 1; s--)
        if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, s * view_w, s * view_h, 0, 0) == 0) {
            after_mode_set(false, s);
            return true;
        }
    return false;
}

bool set_mode(bool fullscreen, int scale) {
    if (fullscreen && try_fullscreen(scale)) return true;
    if (try_window(scale)) return true;
    if (!fullscreen && try_fullscreen(scale)) return true;
    // Whatever the platform has at the picture's own size.
    if (set_gfx_mode(GFX_AUTODETECT, view_w, view_h, 0, 0) != 0) return false;
    after_mode_set(false, 1);
    return true;
}

} // namespace

int fitting_scale(int avail_w, int avail_h) {
    return std::max(1, std::min(avail_w / view_w, avail_h / view_h));
}

int window_scale(int desktop_w, int desktop_h) {
    return fitting_scale(desktop_w, desktop_h * window_height_percent / 100);
}

bool open_display(bool fullscreen, int scale) {
    asked_scale = std::max(0, std::min(scale, max_scale));
    if (!set_mode(fullscreen, asked_scale)) return false;
    if (!picture) picture = create_bitmap(view_w, view_h);
    if (!picture) return false;
    clear_to_color(picture, 0);
    return true;
}

namespace {

// Sets another mode (set_mode(fullscreen, asked_scale), else the other kind), carrying the kept
// bitmaps over. False when no mode could be set.
bool change_mode(bool fullscreen) {
    // Allegro destroys system bitmaps with the mode: carry their pixels over in memory bitmaps.
    std::vector<std::pair<BITMAP**, BITMAP*>> kept;
    for (BITMAP** b : kept_bitmaps) {
        if (!*b || !is_system_bitmap(*b)) continue;
        BITMAP* copy = create_bitmap((*b)->w, (*b)->h);
        if (!copy) {  // out of memory: stay in the mode that works rather than lose pictures
            for (auto& k : kept) destroy_bitmap(k.second);
            return true;
        }
        blit(*b, copy, 0, 0, 0, 0, copy->w, copy->h);
        kept.emplace_back(b, copy);
    }
    for (auto& k : kept) destroy_bitmap(*k.first);

    const bool ok = set_mode(fullscreen, asked_scale) || set_mode(!fullscreen, asked_scale);
    last_change = std::chrono::steady_clock::now();

    for (auto& k : kept) {
        BITMAP* remade = ok ? create_system_bitmap(k.second->w, k.second->h) : nullptr;
        if (remade) {
            blit(k.second, remade, 0, 0, 0, 0, remade->w, remade->h);
            destroy_bitmap(k.second);
            *k.first = remade;
        } else {
            *k.first = k.second;  // a memory bitmap draws the same
        }
    }
    if (!ok) {
        start_failure("Could not set video mode 320x240x32");
        blGameOver = true;
    }
    return ok;
}

} // namespace

void keep_across_mode_changes(const std::vector<BITMAP**>& bitmaps) { kept_bitmaps = bitmaps; }

bool switch_display_mode() {
    if (!change_mode(!display_fullscreen)) return false;
    blModeSwitched = true;
    return true;
}

bool set_display_scale(int scale) {
    asked_scale = std::max(0, std::min(scale, max_scale));
    return change_mode(display_fullscreen);
}

int asked_display_scale() { return asked_scale; }

int largest_display_scale() {
    int dw, dh;
    desktop_size(&dw, &dh);
    return display_fullscreen ? fitting_scale(dw, dh) : window_scale(dw, dh);
}

bool display_settling() { return std::chrono::steady_clock::now() - last_change < change_settle; }

int display_refresh_rate() { return std::max(0, get_refresh_rate()); }

namespace {

// True when the screen is the X11 driver's shared-memory image in the screen's own pixel format:
// its lines are that image, and what is written there reaches the server only when sent.
bool screen_is_shared_image() {
    return system_driver && system_driver->id == SYSTEM_XWINDOWS && gfx_driver && screen &&
           (gfx_driver->id == GFX_XWINDOWS || gfx_driver->id == GFX_XWINDOWS_FULLSCREEN) &&
           _xwin.display && _xwin.ximage && _xwin.use_shm && _xwin.matching_formats &&
           bitmap_color_depth(screen) == 32;
}

} // namespace

namespace {

// Allegro's reader syncs with the server (a round trip) before it reads, and its background
// thread runs it every 10 ms whether anything came or not: a wake-up of the server each time.
// Installed as the driver's input handler, this looks at the connection first, which tells
// without a round trip, and reads only when something has come. What was drawn through the
// driver is still sent. Runs under the driver's lock.
void read_waiting_input() {
    if (!_xwin.display) return;
    XFlush(_xwin.display);
    if (XEventsQueued(_xwin.display, QueuedAfterReading) > 0) _xwin_private_handle_input();
}

} // namespace

void display_read_input() {
    if (!system_driver || system_driver->id != SYSTEM_XWINDOWS || !_xwin.display) return;
    _xwin_handle_input();
}

namespace {

// Sends the screen's w x h pixels at (x, y), clipped to the screen, from the shared image to the
// window. The caller holds the X lock.
void put_screen_area(int x, int y, int w, int h) {
    const int sx = std::max(x, 0), sy = std::max(y, 0);
    const int sw = std::min(x + w, SCREEN_W) - sx, sh = std::min(y + h, SCREEN_H) - sy;
    if (sw <= 0 || sh <= 0) return;
    XShmPutImage(_xwin.display, _xwin.window, _xwin.gc, _xwin.ximage, sx, sy, sx - _xwin.scroll_x,
                 sy - _xwin.scroll_y, static_cast<unsigned>(sw), static_cast<unsigned>(sh), False);
}

} // namespace

void show_picture(BITMAP* pic) {
    const int w = view_w * display_scale;
    const int h = view_h * display_scale;
    const int x = (SCREEN_W - w) / 2;
    const int y = (SCREEN_H - h) / 2;
    if (screen_is_shared_image() && bitmap_color_depth(pic) == 32 && pic->w == view_w && pic->h == view_h) {
        // Only what changed since the last picture is scaled into the image and sent, each part
        // in one request (the driver would send each line written as a request of its own, and
        // later), all of it flushed at once.
        if (!shown) shown = create_bitmap_ex(32, view_w, view_h);
        std::vector<PICTURE_RECT> parts;
        if (shown && shown_valid)
            parts = changed_rects(pic, shown);
        else
            parts.push_back({0, 0, view_w, view_h});
        const int s = display_scale;
        XLOCK();
        for (const PICTURE_RECT& r : parts) {
            scale_into_memory(pic, screen, r.x, r.y, x + r.x * s, y + r.y * s, r.w, r.h, s);
            put_screen_area(x + r.x * s, y + r.y * s, r.w * s, r.h * s);
        }
        if (!parts.empty()) XFlush(_xwin.display);
        XUNLOCK();
        if (shown) {
            for (const PICTURE_RECT& r : parts) blit(pic, shown, r.x, r.y, r.x, r.y, r.w, r.h);
            shown_valid = true;
        }
        return;
    }
    acquire_screen();
    // At scale 1 a blit is one copy that the X11 driver sends to the server as one update.
    if (display_scale == 1)
        blit(pic, screen, 0, 0, x, y, w, h);
    else
        scale_blit(pic, screen, 0, 0, x, y, view_w, view_h, display_scale);
    release_screen();
}
