// RC5-32/12/16: 32-bit words, 12 rounds, a 16-byte key, as published by
// Rivest (1994). A block is two words, A first.
#pragma once

#include <cstdint>

namespace qor {

class Rc5 {
  public:
    static constexpr int kRounds = 12;
    static constexpr int kTableWords = 2 * (kRounds + 1);  // 26
    static constexpr int kKeyBytes = 16;

    // Expands the key; the object is then read-only and may be shared.
    explicit Rc5(const uint8_t (&key)[kKeyBytes]);

    void encrypt(uint32_t &a, uint32_t &b) const;
    void decrypt(uint32_t &a, uint32_t &b) const;

  private:
    uint32_t s_[kTableWords];
};

}  // namespace qor
