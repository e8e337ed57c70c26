// The game's 64-bit hash (FNV-1a 64), fed a block of bytes at once or field by field: the
// replay's level and logic hashes and the state hashes that check a replayed run.
#ifndef OSA_CORE_HASH_H
#define OSA_CORE_HASH_H

#include <cstddef>
#include <cstdint>
#include <cstring>

// The starting value and the multiplier of FNV-1a 64.
constexpr std::uint64_t hash64_start = 0xCBF29CE484222325ull;
constexpr std::uint64_t hash64_prime = 0x00000100000001B3ull;

// A hash being fed. Whole numbers go in as their little-endian bytes and floats as their bit
// patterns, so that a value hashes alike on every machine. No allocation, and nothing a signal
// handler may not call.
struct HASH64 {
    std::uint64_t h = hash64_start;

    // size bytes from data, as they are in memory.
    void add(const void* data, std::size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; i++) add_byte(p[i]);
    }
    void add_byte(unsigned char b) { h = (h ^ b) * hash64_prime; }
    // The low `bytes` bytes of v, least significant first.
    void add_le(std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; i++) add_byte(static_cast<unsigned char>(v >> (8 * i)));
    }
    void add_u8(std::uint8_t v) { add_byte(v); }
    void add_u16(std::uint16_t v) { add_le(v, 2); }
    void add_u32(std::uint32_t v) { add_le(v, 4); }
    void add_u64(std::uint64_t v) { add_le(v, 8); }
    void add_i32(std::int32_t v) { add_le(static_cast<std::uint32_t>(v), 4); }
    void add_i64(std::int64_t v) { add_le(static_cast<std::uint64_t>(v), 8); }
    void add_bool(bool v) { add_byte(v ? 1 : 0); }
    void add_float(float v) {
        static_assert(sizeof(float) == 4, "the state hash assumes 32-bit floats");
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);  // memcpy is async-signal-safe and compiles to a move
        add_u32(bits);
    }
};

// The hash of size bytes from data.
inline std::uint64_t hash64(const void* data, std::size_t size) {
    HASH64 s;
    s.add(data, size);
    return s.h;
}

#endif
