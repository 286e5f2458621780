// One short conversation with the registry store: initialise COM for this
// thread, take a store object (registry/registry_store.h: on POSIX one
// over the library's registry, on Windows the COM server's), and on the
// way out release it and uninitialise COM when this conversation
// initialised it.
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
