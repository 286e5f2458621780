#include "store/store_session.h"

namespace qor {

using namespace platform;

StoreSession::StoreSession() : init_(CoInitializeEx(nullptr, kCoinitMultithreaded)) {
    void *object = nullptr;
    if (CoCreateInstance(kRegStoreClassId, nullptr, kClsctxInprocServer, kRegStoreInterfaceId, &object) >= 0)
        store_ = static_cast<IRegStore *>(object);
}

StoreSession::~StoreSession() {
    if (store_) store_->Release();
    if (init_ >= 0) CoUninitialize();
}

}  // namespace qor
