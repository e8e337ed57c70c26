// The key of a piece of music found by ear, as a listener's tonal hierarchy hears it: the
// loudness of each of the twelve pitch classes over the whole sound (from short spectra), then
// the major or minor key whose probe-tone profile (Krumhansl and Kessler's) correlates best with
// it. Knows nothing of how the music was made, so it can judge the game's tunes and what a
// capture of the game's sound holds.
#ifndef OSA_TESTS_KEY_FINDING_H
#define OSA_TESTS_KEY_FINDING_H

#include <cmath>
#include <complex>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace key_finding {

// In place, a power of two long.
inline void fft(std::vector<std::complex<double>>& a) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; i++) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2 * M_PI / static_cast<double>(len);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<double> w(1);
            for (std::size_t k = 0; k < len / 2; k++) {
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

// The loudness of each pitch class (0 C .. 11 B) in mono at rate Hz: the magnitudes of spectra
// of 8192 frames (half overlapping, Hann window) between 60 and 2200 Hz, each bin to the pitch
// class of its nearest note.
inline std::vector<double> pitch_classes(const std::vector<double>& mono, int rate) {
    constexpr std::size_t n = 8192;
    std::vector<double> chroma(12, 0.0);
    std::vector<std::complex<double>> x(n);
    for (std::size_t start = 0; start + n <= mono.size(); start += n / 2) {
        for (std::size_t i = 0; i < n; i++)
            x[i] = mono[start + i] * (0.5 - 0.5 * std::cos(2 * M_PI * static_cast<double>(i) / n));
        fft(x);
        for (std::size_t k = 1; k < n / 2; k++) {
            const double hz = static_cast<double>(k) * rate / n;
            if (hz < 60 || hz > 2200) continue;
            const long note = std::lround(69 + 12 * std::log2(hz / 440));
            chroma[static_cast<std::size_t>((note % 12 + 12) % 12)] += std::abs(x[k]);
        }
    }
    return chroma;
}

// The key that best explains the pitch classes' loudness, as "C major", "F# minor", ...; with
// how well (the correlation, 1 at best) in *fit when fit is not null.
inline std::string key_of(const std::vector<double>& chroma, double* fit = nullptr) {
    static const char* const names[12] = {"C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"};
    static const double major[12] = {6.35, 2.23, 3.48, 2.33, 4.38, 4.09, 2.52, 5.19, 2.39, 3.66, 2.29, 2.88};
    static const double minor[12] = {6.33, 2.68, 3.52, 5.38, 2.60, 3.53, 2.54, 4.75, 3.98, 2.69, 3.34, 3.17};
    double best = -2;
    std::string key;
    for (int root = 0; root < 12; root++)
        for (const double* profile : {major, minor}) {
            double mean_c = 0, mean_p = 0;
            for (int i = 0; i < 12; i++) {
                mean_c += chroma[static_cast<std::size_t>(i)] / 12;
                mean_p += profile[(i - root + 12) % 12] / 12;
            }
            double cp = 0, cc = 0, pp = 0;
            for (int i = 0; i < 12; i++) {
                const double c = chroma[static_cast<std::size_t>(i)] - mean_c;
                const double p = profile[(i - root + 12) % 12] - mean_p;
                cp += c * p;
                cc += c * c;
                pp += p * p;
            }
            const double r = cc > 0 ? cp / std::sqrt(cc * pp) : -1;
            if (r > best) {
                best = r;
                key = std::string(names[root]) + (profile == major ? " major" : " minor");
            }
        }
    if (fit) *fit = best;
    return key;
}

}  // namespace key_finding

#endif
