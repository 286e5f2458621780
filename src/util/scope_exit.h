// Runs a cleanup when the scope is left, however it is left.
#pragma once

#include <utility>

namespace qor {

template <class Cleanup>
class ScopeExit {
  public:
    explicit ScopeExit(Cleanup cleanup) : cleanup_(std::move(cleanup)) {}
    ~ScopeExit() { cleanup_(); }
    ScopeExit(const ScopeExit &) = delete;
    ScopeExit &operator=(const ScopeExit &) = delete;

  private:
    Cleanup cleanup_;
};

}  // namespace qor
