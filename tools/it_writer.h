// A small writer of Impulse Tracker modules in sample mode (../shared/formats/impulse-tracker.md):
// 16-bit mono samples, patterns of note/sample/volume/effect cells, an order list.
#ifndef OSA_TOOLS_IT_WRITER_H
#define OSA_TOOLS_IT_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

constexpr int it_note_cut = 254;  // stops the channel's note

struct it_sample {
    std::string name;                 // up to 25 characters
    std::vector<std::int16_t> data;   // mono signed PCM
    std::uint32_t c5speed = 22050;    // playback rate at note C-5 (60)
    bool loop = false;                // forward loop from loop_begin to loop_end (frame after)
    std::uint32_t loop_begin = 0, loop_end = 0;
    int volume = 64;                  // default volume 0..64
};

struct it_cell {
    int note = -1;     // 0..119 (C-5 = 60), it_note_cut, or -1 for none
    int sample = 0;    // 1-based sample number, 0 for none
    int volume = -1;   // volume column 0..64, or -1 for none
    int effect = 0;    // 1..26 = A..Z, 0 for none
    int param = 0;
};

struct it_pattern {
    int rows = 64;
    int channels = 0;
    std::vector<it_cell> cells;  // row by row, channels cells per row
    it_pattern(int r, int c) : rows(r), channels(c), cells(static_cast<size_t>(r * c)) {}
    it_cell& at(int row, int ch) { return cells[static_cast<size_t>(row * channels + ch)]; }
    const it_cell& at(int row, int ch) const { return cells[static_cast<size_t>(row * channels + ch)]; }
};

struct it_module {
    std::string name;          // up to 25 characters
    int speed = 6;             // ticks per row
    int tempo = 125;           // 2.5 / tempo seconds per tick
    int mix_volume = 64;       // 0..128
    std::vector<int> pan;      // per channel used, 0 (left) .. 64 (right)
    std::vector<it_sample> samples;
    std::vector<it_pattern> patterns;
    std::vector<int> orders;   // pattern numbers; the end marker is added by the writer
};

// Serialises the module into IT bytes. Channels beyond pan.size() are written disabled.
std::vector<std::uint8_t> it_bytes(const it_module& m);

// Writes it_bytes(m) to path. False (with a message on stderr) if the file cannot be written.
bool write_it(const std::string& path, const it_module& m);

#endif
