// The Impulse Tracker writer: header, order list, offset tables, sample headers, packed
// patterns and sample data, in that order, all little-endian.
#include "it_writer.h"

#include <cstdio>

namespace {

struct byte_writer {
    std::vector<std::uint8_t> b;
    void u8(int v) { b.push_back(static_cast<std::uint8_t>(v)); }
    void u16(unsigned v) {
        u8(static_cast<int>(v & 255));
        u8(static_cast<int>((v >> 8) & 255));
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void magic(const char* s) {
        for (int i = 0; i < 4; i++) u8(s[i]);
    }
    void text(const std::string& s, size_t n) {
        for (size_t i = 0; i < n; i++) u8(i < s.size() && i + 1 < n ? s[i] : 0);
    }
    void patch_u32(size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; i++) b[at + static_cast<size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    size_t size() const { return b.size(); }
};

// A pattern's packed data (without its 8-byte header): every channel entry spells out its mask.
std::vector<std::uint8_t> pack(const it_pattern& p) {
    byte_writer w;
    for (int r = 0; r < p.rows; r++) {
        for (int c = 0; c < p.channels; c++) {
            const it_cell& k = p.at(r, c);
            int mask = (k.note >= 0 ? 1 : 0) | (k.sample > 0 ? 2 : 0) | (k.volume >= 0 ? 4 : 0) | (k.effect > 0 ? 8 : 0);
            if (!mask) continue;
            w.u8((c + 1) | 128);
            w.u8(mask);
            if (mask & 1) w.u8(k.note);
            if (mask & 2) w.u8(k.sample);
            if (mask & 4) w.u8(k.volume);
            if (mask & 8) {
                w.u8(k.effect);
                w.u8(k.param);
            }
        }
        w.u8(0);
    }
    return w.b;
}

}  // namespace

std::vector<std::uint8_t> it_bytes(const it_module& m) {
    byte_writer w;
    std::vector<int> orders = m.orders;
    orders.push_back(255);
    const size_t ord_num = orders.size(), smp_num = m.samples.size(), pat_num = m.patterns.size();

    // Song header.
    w.magic("IMPM");
    w.text(m.name, 26);
    w.u8(4);   // row highlight minor
    w.u8(16);  // and major
    w.u16(static_cast<unsigned>(ord_num));
    w.u16(0);  // no instruments
    w.u16(static_cast<unsigned>(smp_num));
    w.u16(static_cast<unsigned>(pat_num));
    w.u16(0x0214);  // created with
    w.u16(0x0214);  // compatible with
    w.u16(0x0009);  // stereo, linear slides, sample mode
    w.u16(0);       // special
    w.u8(128);      // global volume
    w.u8(m.mix_volume);
    w.u8(m.speed);
    w.u8(m.tempo);
    w.u8(128);  // stereo separation
    w.u8(0);    // MIDI pitch depth
    w.u16(0);   // message length
    w.u32(0);   // message offset
    w.u32(0);   // reserved
    for (int c = 0; c < 64; c++) w.u8(c < static_cast<int>(m.pan.size()) ? m.pan[static_cast<size_t>(c)] : 32 + 128);
    for (int c = 0; c < 64; c++) w.u8(64);

    for (int o : orders) w.u8(o);
    const size_t sample_table = w.size();
    for (size_t i = 0; i < smp_num; i++) w.u32(0);
    const size_t pattern_table = w.size();
    for (size_t i = 0; i < pat_num; i++) w.u32(0);

    // Sample headers; their data pointers are patched once the data's place is known.
    std::vector<size_t> data_pointer(smp_num);
    for (size_t i = 0; i < smp_num; i++) {
        const it_sample& s = m.samples[i];
        w.patch_u32(sample_table + 4 * i, static_cast<std::uint32_t>(w.size()));
        w.magic("IMPS");
        w.text("", 12);
        w.u8(0);
        w.u8(64);                                 // sample global volume
        w.u8(0x01 | 0x02 | (s.loop ? 0x10 : 0));  // data present, 16-bit, loop
        w.u8(s.volume);
        w.text(s.name, 26);
        w.u8(0x01);  // signed
        w.u8(32);    // default pan unused
        w.u32(static_cast<std::uint32_t>(s.data.size()));
        w.u32(s.loop ? s.loop_begin : 0);
        w.u32(s.loop ? s.loop_end : 0);
        w.u32(s.c5speed);
        w.u32(0);
        w.u32(0);
        data_pointer[i] = w.size();
        w.u32(0);
        w.u32(0);  // no auto-vibrato
    }

    for (size_t i = 0; i < pat_num; i++) {
        const it_pattern& p = m.patterns[i];
        std::vector<std::uint8_t> packed = pack(p);
        w.patch_u32(pattern_table + 4 * i, static_cast<std::uint32_t>(w.size()));
        w.u16(static_cast<unsigned>(packed.size()));
        w.u16(static_cast<unsigned>(p.rows));
        w.u32(0);
        w.b.insert(w.b.end(), packed.begin(), packed.end());
    }

    for (size_t i = 0; i < smp_num; i++) {
        w.patch_u32(data_pointer[i], static_cast<std::uint32_t>(w.size()));
        for (std::int16_t v : m.samples[i].data) w.u16(static_cast<std::uint16_t>(v));
    }
    return w.b;
}

bool write_it(const std::string& path, const it_module& m) {
    std::vector<std::uint8_t> bytes = it_bytes(m);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "make-assets: cannot write %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
