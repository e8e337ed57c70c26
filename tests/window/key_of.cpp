// key_of FILE [RATE]: prints the key of the music in a raw capture of the game's sound (signed
// 16-bit little-endian stereo at RATE Hz, 22050 by default) and how well it fits, as
// "D major 0.87". The window tests tell which tune was heard by it.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "key_finding.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: key_of FILE [RATE]\n");
        return 2;
    }
    const int rate = argc > 2 ? std::atoi(argv[2]) : 22050;
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<double> mono;
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
        auto sample = [&](std::size_t at) {
            const unsigned low = static_cast<unsigned char>(bytes[at]), high = static_cast<unsigned char>(bytes[at + 1]);
            return static_cast<short>(low | high << 8);
        };
        mono.push_back((sample(i) + sample(i + 2)) / 65536.0);
    }
    if (mono.size() < static_cast<std::size_t>(rate) || rate <= 0) {
        std::fprintf(stderr, "key_of: %s: less than a second of sound\n", argv[1]);
        return 1;
    }
    double fit = 0;
    const std::string key = key_finding::key_of(key_finding::pitch_classes(mono, rate), &fit);
    std::printf("%s %.2f\n", key.c_str(), fit);
    return 0;
}
