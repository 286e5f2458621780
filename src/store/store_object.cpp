#include "store/store_object.h"

namespace qor {

using namespace platform;

StoreObject::StoreObject() : init_(CoInitializeEx(nullptr, kCoinitMultithreaded)) {
    void *object = nullptr;
    if (CoCreateInstance(kRegStoreClassId, nullptr, kClsctxInprocServer, kRegStoreInterfaceId, &object) >= 0)
        store_ = static_cast<IRegStore *>(object);
}

StoreObject::~StoreObject() {
    if (store_) store_->Release();
    if (init_ >= 0) CoUninitialize();
}

}  // namespace qor
