// The HUD: the translucent message strip and the box with time, level and score.
#ifndef OSA_GAMEPLAY_HUD_H
#define OSA_GAMEPLAY_HUD_H

#include <string>
#include <vector>

#include "core/state.h"
#include "text/text.h"

constexpr int message_size = 100;
extern char message[message_size]; // the message line; "Welcome!" until the first mission

// A word for the player shown on the message line in message's place for announcement_ticks of
// game time (run_ticks): a district opened by the mission just fulfilled. The shell sets it;
// it is no part of the run's state (message is), so that a replay verifies and a ghost runs the
// same whatever the player watching has unlocked. start_rules takes it away.
struct HUD_ANNOUNCEMENT {
    SENTENCE text;
    int until = 0;  // run_ticks at which it goes
};
extern HUD_ANNOUNCEMENT hud_announcement;
constexpr int announcement_ticks = 4 * logic_rate;
// Shows text from the tick in play on, for announcement_ticks.
void announce(const SENTENCE& text);
// What the message line shows now: the announcement while it lasts (in the language in force),
// else message.
std::string hud_line();

// Copies text into message, cut to the 99 characters that fit with the terminator; text may
// lie within message itself.
void add_message(const char* text);
// Draws the HUD into bmp at the camera's corner (iThex, iThey), the strip view_w wide, its words
// in the language in force (hud_text.h; the announcement in message's place while it lasts).
// Leaves the translucent drawing mode and the blender at 128 in force.
struct BITMAP;
void disp_message(BITMAP* bmp);
// The HUD's style, which the menus take up too: its font (object 0 of font1, or Allegro's own
// font while font.dat is missing), the strip's and the box's colours, the text's, and the
// blender level at which the strip and the box are mixed with the picture below.
struct FONT;
FONT* hud_font();
constexpr int strip_colour = 0x990000;
constexpr int box_colour = 0x1111AA;
constexpr int text_colour = 0xFFFFFF;
constexpr int hud_blend = 128;
// The same with the strip's width given (tests and benchmarks draw other widths). Where a
// language's message needs more than the strip's one line, the strip grows by a line of 10 rows
// for each more, and the box and the timer stand that much lower; where a language's time, level
// or score line is wider than the box's 81 columns, the box widens to it.
void disp_message_width(BITMAP* bmp, int screen_w);
// The message's lines as the HUD draws them in a strip screen_w wide: shown_message(message)
// wrapped to the strip's width in the HUD's font.
std::vector<std::string> hud_message_lines(int screen_w);

// The timer at the picture's top-right corner, below the strip: off, the run's game time
// (run_ticks), or that and the time spent on the mission in play. Set from the settings.
constexpr int hud_timer_off = 0;
constexpr int hud_timer_run = 1;
constexpr int hud_timer_mission = 2;
extern int hud_timer;

// For split_shown_ticks after each split the timer's second line shows it: the difference to
// the best run's same split when there is one to compare with, else the split's game time.
constexpr int split_shown_ticks = 3 * logic_rate;
// How a split went: no comparison; ahead of the best run (or level with it); behind it; the
// mission was the quickest ever played (whatever the whole run does).
enum class SPLIT_LOOK { plain, ahead, behind, gold };
constexpr int ahead_colour = 0x40E040;
constexpr int behind_colour = 0xFF4848;
constexpr int gold_colour = 0xFFC830;
// The judgement of one split: written by whoever knows the best run (the main loop, through the
// splits' table) right after the tick that made split number `split` (an index of run_splits).
struct SPLIT_NOTE {
    int split = -1;          // which split it judges; -1 none
    bool compared = false;   // the best run had this split: difference holds
    int difference = 0;      // ticks: this split less the best run's (negative: ahead)
    SPLIT_LOOK look = SPLIT_LOOK::plain;
};
extern SPLIT_NOTE split_note;

// Game time as the timer writes it: ticks / 120 as m:ss.cc (the hundredths cut, not rounded),
// minutes without a bound; with sign, a '+' or '-' before it (the difference of two times).
// Writes at most n bytes with the terminator.
void format_game_time(int ticks, bool sign, char* out, int n);

// What the timer shows now, for drawing and for telling two frames apart: its two lines (empty
// when not shown) and the second's colour.
struct TIMER_TEXT {
    char run[24];
    char second[24];
    int second_colour;
};
TIMER_TEXT timer_text();
// Draws the timer at the camera's top-right corner of a window screen_w wide, right-aligned, in
// the HUD's font over a translucent box of the HUD's colour; nothing while hud_timer is off.
void disp_timer(BITMAP* bmp, int screen_w);

#endif
