// Fuzz target for the two mask readers: any bytes in, and every mask they accept must keep the
// record's invariant and write back exactly the bytes it was read from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "masks/pmask.h"

namespace {

void fail_if(bool bad) {
    if (bad) std::abort();
}

// Every bit of a column at or beyond the width is 0.
void check_invariant(const PMASK* m) {
    fail_if(m->w < 1 || m->h < 1 || m->bits == nullptr);
    const int strips = pmask_strips(m->w);
    const int used = m->w - 32 * (strips - 1);  // columns of the last strip inside the width
    const uint32_t beyond = used == 32 ? 0u : ~((1u << used) - 1u);
    const uint32_t* last = m->bits + static_cast<size_t>(strips - 1) * static_cast<size_t>(m->h);
    for (int y = 0; y < m->h; y++) fail_if((last[y] & beyond) != 0);
}

// The consumed bytes as the reader should have understood them: the bits of columns beyond the
// width, in the last byte of each row, cleared.
std::vector<uint8_t> expected_bytes(const uint8_t* data, int used, int w, int h) {
    std::vector<uint8_t> want(data, data + used);
    const int row = ((w - 1) >> 3) + 1;
    const unsigned inside = static_cast<unsigned>(w - 8 * (row - 1));  // 1..8 columns in the last byte
    const auto keep = static_cast<uint8_t>(inside == 8 ? 0xFFu : (1u << inside) - 1u);
    for (int y = 0; y < h; y++) want[static_cast<size_t>(4 + y * row + row - 1)] &= keep;
    return want;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int n = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);

    PMASK own;
    own.w = 123;  // stale contents: the reader must treat the record as empty
    own.h = 45;
    own.bits = nullptr;
    const int used_init = init_deserialize_pmask(data, n, &own);
    int used_create = 777;
    PMASK* made = create_deserialize_pmask(data, n, &used_create);

    // Both readers accept and refuse the same buffers, and consume the same bytes.
    fail_if(used_init != used_create);
    fail_if((made == nullptr) != (used_init < 0));
    if (used_init < 0) {
        fail_if(own.w != 0 || own.h != 0 || own.bits != nullptr);
        return 0;
    }
    fail_if(used_init > n || used_init < 5);
    const int w = data[0] + 256 * data[1], h = data[2] + 256 * data[3];
    fail_if(own.w != w || own.h != h || made->w != w || made->h != h);
    fail_if(used_init != get_serialized_pmask_size(w, h));
    check_invariant(&own);
    check_invariant(made);
    const size_t words = static_cast<size_t>(pmask_strips(w)) * static_cast<size_t>(h);
    fail_if(std::memcmp(own.bits, made->bits, words * sizeof(uint32_t)) != 0);

    // Written back, the mask gives the bytes it came from, beyond-width bits cleared.
    const std::vector<uint8_t> want = expected_bytes(data, used_init, w, h);
    std::vector<uint8_t> out(want.size() + 1, 0xA5);
    fail_if(serialize_pmask(out.data(), static_cast<int>(want.size()) - 1, &own) != -1);
    fail_if(serialize_pmask(out.data(), static_cast<int>(out.size()), &own) != used_init);
    fail_if(std::memcmp(out.data(), want.data(), want.size()) != 0 || out.back() != 0xA5);

    deinit_pmask(&own);
    destroy_pmask(made);
    return 0;
}
