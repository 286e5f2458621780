#include "store/rc5.h"

namespace qor {
namespace {

constexpr uint32_t kP32 = 0xB7E15163u;
constexpr uint32_t kQ32 = 0x9E3779B9u;

inline uint32_t rotl(uint32_t x, uint32_t n) {
    n &= 31;
    return n ? (x << n) | (x >> (32 - n)) : x;
}
inline uint32_t rotr(uint32_t x, uint32_t n) {
    n &= 31;
    return n ? (x >> n) | (x << (32 - n)) : x;
}

}  // namespace

Rc5::Rc5(const uint8_t (&key)[kKeyBytes]) {
    constexpr int kKeyWords = kKeyBytes / 4;
    uint32_t l[kKeyWords] = {};
    for (int i = kKeyBytes - 1; i >= 0; --i) l[i / 4] = (l[i / 4] << 8) + key[i];
    s_[0] = kP32;
    for (int i = 1; i < kTableWords; ++i) s_[i] = s_[i - 1] + kQ32;
    uint32_t a = 0, b = 0;
    for (int k = 0, i = 0, j = 0; k < 3 * kTableWords; ++k) {
        a = s_[i] = rotl(s_[i] + a + b, 3);
        b = l[j] = rotl(l[j] + a + b, a + b);
        i = (i + 1) % kTableWords;
        j = (j + 1) % kKeyWords;
    }
}

void Rc5::encrypt(uint32_t &a, uint32_t &b) const {
    uint32_t x = a + s_[0], y = b + s_[1];
    for (int r = 1; r <= kRounds; ++r) {
        x = rotl(x ^ y, y) + s_[2 * r];
        y = rotl(y ^ x, x) + s_[2 * r + 1];
    }
    a = x;
    b = y;
}

void Rc5::decrypt(uint32_t &a, uint32_t &b) const {
    uint32_t x = a, y = b;
    for (int r = kRounds; r >= 1; --r) {
        y = rotr(y - s_[2 * r + 1], x) ^ x;
        x = rotr(x - s_[2 * r], y) ^ y;
    }
    a = x - s_[0];
    b = y - s_[1];
}

}  // namespace qor
