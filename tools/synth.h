// Small deterministic synthesis helpers shared by the sound effects and the music's samples.
#ifndef OSA_TOOLS_SYNTH_H
#define OSA_TOOLS_SYNTH_H

#include <cstdint>
#include <string>
#include <vector>

constexpr int synth_rate = 22050;  // samples per second of every generated sound
constexpr double synth_pi = 3.14159265358979323846;

// xorshift32 with a fixed noise_key: the same noise on every run and every library version.
struct noise_source {
    std::uint32_t state;
    explicit noise_source(std::uint32_t noise_key) : state(noise_key ? noise_key : 1) {}
    // Uniform in [-1, 1).
    double next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }
};

// Converts floating-point samples (about -1..1) to 16-bit, clipping, and makes the first and
// last samples exactly zero after a short fade so that playback starts and ends without a click.
std::vector<std::int16_t> to_pcm16(const std::vector<double>& wave, int fade_frames = 64);

// Writes a 16-bit mono PCM WAV file at synth_rate. False if the file cannot be written.
bool write_wav(const std::string& path, const std::vector<std::int16_t>& pcm);

#endif
