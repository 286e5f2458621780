// One short conversation with the registry store component: initialise
// COM for this thread, create the store object, and on the way out
// release it and uninitialise COM when this conversation initialised it.
#pragma once

#include "platform/com.h"
#include "platform/regstore_interface.h"

namespace qor {

class StoreObject {
  public:
    StoreObject();
    ~StoreObject();
    StoreObject(const StoreObject &) = delete;
    StoreObject &operator=(const StoreObject &) = delete;

    explicit operator bool() const { return store_ != nullptr; }
    platform::IRegStore *operator->() const { return store_; }

  private:
    platform::HRESULT init_;
    platform::IRegStore *store_ = nullptr;
};

}  // namespace qor
