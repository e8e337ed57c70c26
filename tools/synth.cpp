// The WAV writer and the float-to-PCM conversion of the synthesised sounds.
#include "synth.h"

#include <cmath>
#include <cstdio>

std::vector<std::int16_t> to_pcm16(const std::vector<double>& wave, int fade_frames) {
    std::vector<std::int16_t> pcm(wave.size());
    const size_t n = wave.size();
    for (size_t i = 0; i < n; i++) {
        double v = wave[i];
        // A raised-cosine fade over the first and last frames; the end frames become 0.
        size_t from_end = n - 1 - i;
        size_t edge = i < from_end ? i : from_end;
        if (edge < static_cast<size_t>(fade_frames))
            v *= 0.5 - 0.5 * std::cos(synth_pi * static_cast<double>(edge) / fade_frames);
        double s = std::floor(v * 32767.0 + 0.5);
        if (s > 32767.0) s = 32767.0;
        if (s < -32768.0) s = -32768.0;
        pcm[i] = static_cast<std::int16_t>(s);
    }
    return pcm;
}

namespace {

void put_u32(std::FILE* f, std::uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, f);
}
void put_u16(std::FILE* f, std::uint16_t v) {
    unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

}  // namespace

bool write_wav(const std::string& path, const std::vector<std::int16_t>& pcm) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "make-assets: cannot write %s\n", path.c_str());
        return false;
    }
    const std::uint32_t data_bytes = static_cast<std::uint32_t>(pcm.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    put_u32(f, 36 + data_bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put_u32(f, 16);               // fmt chunk size
    put_u16(f, 1);                // PCM
    put_u16(f, 1);                // mono
    put_u32(f, synth_rate);       // sample rate
    put_u32(f, synth_rate * 2);   // bytes per second
    put_u16(f, 2);                // block align
    put_u16(f, 16);               // bits per sample
    std::fwrite("data", 1, 4, f);
    put_u32(f, data_bytes);
    for (std::int16_t s : pcm) put_u16(f, static_cast<std::uint16_t>(s));
    return std::fclose(f) == 0;
}
