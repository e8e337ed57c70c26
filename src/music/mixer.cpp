// The mixer: voices over Allegro's samples, resampled by linear interpolation, added up in 32
// bits and clipped once.
#include "music/mixer.h"

#include <allegro.h>

#include <algorithm>

namespace {

constexpr int frac_bits = 16;            // the voices' positions are fixed point
constexpr int full_gain = 1 << 16;

// Frame i of a sample, channel c (0 left, 1 right; a mono sample gives its one channel), as a
// signed 16-bit value. Allegro keeps samples unsigned: 8-bit centred on 128, 16-bit on 32768.
int sample_value(const SAMPLE* s, unsigned long i, int c) {
    const unsigned long at = s->stereo ? 2 * i + static_cast<unsigned long>(c) : i;
    if (s->bits == 8) return (static_cast<const unsigned char*>(s->data)[at] - 128) << 8;
    return static_cast<const unsigned short*>(s->data)[at] - 32768;
}

} // namespace

void mixer_play(MIXER& m, const SAMPLE* sample, int vol, int pan, int freq, int loop) {
    if (!sample || !sample->data || sample->len == 0 || freq <= 0 || sample->freq <= 0 || m.rate <= 0) return;
    MIXER_VOICE* v = &m.voice[0];
    for (MIXER_VOICE& c : m.voice) {
        if (!c.sample) {
            v = &c;
            break;
        }
        if (c.started < v->started) v = &c;
    }
    vol = std::clamp(vol, 0, 255);
    pan = std::clamp(pan, 0, 255);
    v->sample = sample;
    v->pos = 0;
    // Sample frames per output frame, in fixed point: its own rate times the pitch asked for.
    v->step = (static_cast<std::uint64_t>(sample->freq) * static_cast<std::uint64_t>(freq) << frac_bits) /
              (1000ull * static_cast<std::uint64_t>(m.rate));
    if (v->step == 0) v->step = 1;
    v->gain_left = static_cast<int>(static_cast<long long>(full_gain) * vol * (255 - pan) / (255 * 255));
    v->gain_right = static_cast<int>(static_cast<long long>(full_gain) * vol * pan / (255 * 255));
    v->loop = loop != 0;
    v->started = ++m.plays;
}

void mixer_stop_all(MIXER& m) {
    for (MIXER_VOICE& v : m.voice) v.sample = nullptr;
}

void mixer_add_voices(MIXER& m, std::int32_t* acc, int frames) {
    for (MIXER_VOICE& v : m.voice) {
        const SAMPLE* s = v.sample;
        if (!s) continue;
        // A loop runs from loop_start to loop_end; without one the sample plays to its length.
        const bool own_loop = s->loop_end > s->loop_start && s->loop_end <= s->len;
        const unsigned long end = v.loop && own_loop ? s->loop_end : s->len;
        const std::uint64_t end_pos = static_cast<std::uint64_t>(end) << frac_bits;
        const std::uint64_t loop_pos = v.loop && own_loop ? static_cast<std::uint64_t>(s->loop_start) << frac_bits : 0;
        for (int i = 0; i < frames; i++) {
            if (v.pos >= end_pos) {
                if (!v.loop) {
                    v.sample = nullptr;
                    break;
                }
                v.pos = loop_pos + (v.pos - end_pos) % (end_pos - loop_pos);
            }
            const unsigned long at = static_cast<unsigned long>(v.pos >> frac_bits);
            const int frac = static_cast<int>(v.pos & ((1u << frac_bits) - 1));
            const unsigned long next = at + 1 < end ? at + 1 : at;
            for (int c = 0; c < 2; c++) {
                const int a = sample_value(s, at, c), b = sample_value(s, next, c);
                const int value = a + static_cast<int>((static_cast<long long>(b - a) * frac) >> frac_bits);
                const int gain = c == 0 ? v.gain_left : v.gain_right;
                acc[2 * i + c] += static_cast<std::int32_t>((static_cast<long long>(value) * gain) >> 16);
            }
            v.pos += v.step;
        }
    }
}

void mixer_clip(const std::int32_t* acc, std::int16_t* out, int frames) {
    for (int i = 0; i < 2 * frames; i++) out[i] = static_cast<std::int16_t>(std::clamp(acc[i], -32768, 32767));
}
