// Memory that held a secret (a password, its sealed text, its UTF-16
// form) is overwritten before it is given back, through secure_clear, a
// store the compiler may not drop. Secret and SecretBuffer do it on their
// own: Secret is a string whose every buffer, grown, shrunk or released,
// is wiped; SecretBuffer a fixed array wiped when it goes out of scope.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace qor {

inline void secure_clear(void *p, size_t n) {
    volatile unsigned char *v = static_cast<volatile unsigned char *>(p);
    for (size_t i = 0; i < n; ++i) v[i] = 0;
}

// The whole buffer, so that a short string kept inside the object is
// covered too.
inline void secure_clear(std::string &s) { secure_clear(&s[0], s.capacity()); }

// An allocator whose blocks are wiped before they are freed.
template <class T>
struct WipingAllocator {
    using value_type = T;
    WipingAllocator() = default;
    template <class U>
    WipingAllocator(const WipingAllocator<U> &) {}
    T *allocate(size_t n) { return std::allocator<T>().allocate(n); }
    void deallocate(T *p, size_t n) {
        secure_clear(p, n * sizeof(T));
        std::allocator<T>().deallocate(p, n);
    }
    template <class U>
    bool operator==(const WipingAllocator<U> &) const {
        return true;
    }
    template <class U>
    bool operator!=(const WipingAllocator<U> &) const {
        return false;
    }
};

using WipedString = std::basic_string<char, std::char_traits<char>, WipingAllocator<char>>;

class Secret : public WipedString {
  public:
    using WipedString::WipedString;
    Secret() = default;
    Secret(const Secret &) = default;
    Secret(Secret &&other) noexcept : WipedString(std::move(other)) {}
    explicit Secret(std::string_view text) : WipedString(text.data(), text.size()) {}
    Secret &operator=(const Secret &) = default;
    Secret &operator=(Secret &&other) noexcept {
        WipedString::operator=(std::move(other));
        return *this;
    }
    ~Secret() { secure_clear(&(*this)[0], capacity()); }

    std::string_view view() const { return std::string_view(data(), size()); }
};

inline bool operator==(const Secret &a, const Secret &b) { return a.view() == b.view(); }
inline bool operator!=(const Secret &a, const Secret &b) { return a.view() != b.view(); }
inline bool operator==(const Secret &a, std::string_view b) { return a.view() == b; }
inline bool operator==(std::string_view a, const Secret &b) { return a == b.view(); }
inline bool operator!=(const Secret &a, std::string_view b) { return a.view() != b; }
inline bool operator!=(std::string_view a, const Secret &b) { return a != b.view(); }

template <size_t N>
class SecretBuffer {
  public:
    SecretBuffer() = default;
    SecretBuffer(const SecretBuffer &) = delete;
    SecretBuffer &operator=(const SecretBuffer &) = delete;
    ~SecretBuffer() { secure_clear(chars_, N); }

    char *data() { return chars_; }
    const char *data() const { return chars_; }
    static constexpr size_t size() { return N; }

  private:
    char chars_[N] = {};
};

}  // namespace qor
