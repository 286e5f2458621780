#include "store/store_object.h"

#include "registry/registry_store.h"

namespace qor {

StoreObject::StoreObject()
    : init_(platform::CoInitializeEx(nullptr, platform::kCoinitMultithreaded)),
      store_(registry::library_store_object()) {}

StoreObject::~StoreObject() {
    if (store_) store_->Release();
    if (init_ >= 0) platform::CoUninitialize();
}

}  // namespace qor
