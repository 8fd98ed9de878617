#pragma once
// What the benchmarks share: a signature that folds numbers and texts into
// one FNV-1a hash (so a run can be compared with a recorded one), and the
// median of a series of timings.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace rindou::bench {

struct Signature {
    uint64_t h = 1469598103934665603ULL;
    void add(long long v) {
        for (int i = 0; i < 8; ++i) {
            h ^= static_cast<uint64_t>(v >> (8 * i)) & 0xff;
            h *= 1099511628211ULL;
        }
    }
    void add(const std::string& text) {
        for (unsigned char ch : text) {
            h ^= ch;
            h *= 1099511628211ULL;
        }
    }
};

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace rindou::bench
