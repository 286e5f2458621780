// The mechanism compares non-ASCII user names under LC_CTYPE, so every
// call into it runs with a UTF-8 character type. uselocale changes only
// the calling thread; setlocale would change every thread's.
#pragma once

#include <locale.h>

namespace qorsspi {

// A UTF-8 LC_CTYPE locale made once for the process, or null.
locale_t utf8_locale();

// Switches the calling thread to utf8_locale() for the guard's lifetime.
class Utf8LocaleScope {
  public:
    Utf8LocaleScope() {
        locale_t utf8 = utf8_locale();
        previous_ = utf8 ? uselocale(utf8) : nullptr;
    }
    ~Utf8LocaleScope() {
        if (previous_ != nullptr) uselocale(previous_);
    }
    Utf8LocaleScope(const Utf8LocaleScope &) = delete;
    Utf8LocaleScope &operator=(const Utf8LocaleScope &) = delete;

  private:
    locale_t previous_;
};

}  // namespace qorsspi
