#include "registry/registry_store.h"

#include <atomic>
#include <new>

#include "registry/registry.h"
#include "registry/registry_tree.h"

namespace qor::registry {
namespace {

using platform::Guid;
using platform::HRESULT;
using platform::hresult_from_win32;
using platform::IRegStore;
using platform::kENoInterface;
using platform::kEPointer;
using platform::kIidIUnknown;
using platform::kRegStoreInterfaceId;
using platform::kSOk;

HRESULT status(int32_t win32) { return hresult_from_win32(win32); }

class RegStore final : public IRegStore {
  public:
    HRESULT QOR_COM_CALL QueryInterface(const Guid &iid, void **object) override {
        if (!object) return kEPointer;
        if (iid == kIidIUnknown || iid == kRegStoreInterfaceId) {
            *object = static_cast<IRegStore *>(this);
            AddRef();
            return kSOk;
        }
        *object = nullptr;
        return kENoInterface;
    }
    uint32_t QOR_COM_CALL AddRef() override { return ++refs_; }
    uint32_t QOR_COM_CALL Release() override {
        uint32_t left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT QOR_COM_CALL OpenKey(LDC_HKEY root, const char *path, uint32_t access) override {
        HKEY key = nullptr;
        int32_t rc = RegOpenKeyExA(base_for(root), path ? path : "", 0, access, &key);
        if (rc != kErrorSuccess) return status(rc);
        replace_key(key);
        return kSOk;
    }
    HRESULT QOR_COM_CALL CloseKey() override {
        replace_key(nullptr);
        return kSOk;
    }
    HRESULT QOR_COM_CALL CreateKey(LDC_HKEY root, const char *path, uint32_t options, uint32_t access, void *security,
                                   uint32_t *disposition) override {
        HKEY key = nullptr;
        int32_t rc =
            RegCreateKeyExA(base_for(root), path ? path : "", 0, nullptr, options, access, security, &key, disposition);
        if (rc != kErrorSuccess) return status(rc);
        replace_key(key);
        return kSOk;
    }
    HRESULT QOR_COM_CALL DeleteKey(const char *path, int32_t recursive) override {
        if (!key_) return status(kErrorInvalidHandle);
        if (!path || !*path) return status(kErrorBadPathname);
        if (!recursive) return status(RegDeleteKeyA(key_, path));
        // Outside a caller's transaction, a tree goes as a whole or not at all.
        HKEY held = nullptr;  // the key that holds the transaction
        bool own = transaction_ == nullptr;
        if (own) {
            int32_t rc = RegOpenKeyExA(key_, "", 0, kKeyAllAccess, &held);
            if (rc == kErrorSuccess) rc = reg_begin_transaction(held);
            if (rc != kErrorSuccess) {
                if (held) RegCloseKey(held);
                return status(rc);
            }
        }
        int32_t rc = delete_key_tree(own ? held : key_, path);
        if (own) {
            rc = rc == kErrorSuccess ? reg_commit_transaction(held) : (reg_rollback_transaction(held), rc);
            RegCloseKey(held);
        }
        return status(rc);
    }
    HRESULT QOR_COM_CALL BeginTransaction(LDC_HKEY root, uint32_t access) override {
        if (transaction_) return status(kErrorInvalidParameter);
        constexpr uint32_t kWriteRights = kKeySetValue | kKeyCreateSubKey | kDelete;
        bool writes = (access & kWriteRights) != 0;
        HKEY held = nullptr;
        int32_t rc = RegOpenKeyExA(root, "", 0, writes ? kKeyAllAccess : kKeyQueryValue, &held);
        if (rc == kErrorSuccess) rc = writes ? reg_begin_transaction(held) : reg_begin_read_transaction(held);
        if (rc != kErrorSuccess) {
            if (held) RegCloseKey(held);
            return status(rc);
        }
        transaction_ = held;
        transaction_root_ = root;
        return kSOk;
    }
    int32_t QOR_COM_CALL EnumKey(uint32_t index, char *name, uint32_t *capacity, void *last_write) override {
        if (!key_) return kErrorInvalidHandle;
        return RegEnumKeyExA(key_, index, name, capacity, nullptr, nullptr, nullptr, last_write);
    }
    HRESULT QOR_COM_CALL CommitTransaction() override {
        if (!transaction_) return status(kErrorInvalidParameter);
        int32_t rc = reg_commit_transaction(transaction_);
        RegCloseKey(transaction_);
        transaction_ = nullptr;
        return status(rc);
    }
    HRESULT QOR_COM_CALL QueryValue(const char *name, uint32_t *type, void *data, uint32_t *size) override {
        if (!key_) return status(kErrorInvalidHandle);
        return status(RegQueryValueExA(key_, name, nullptr, type, static_cast<unsigned char *>(data), size));
    }
    HRESULT QOR_COM_CALL SetValue(const char *name, uint32_t type, const void *data, uint32_t size) override {
        if (!key_) return status(kErrorInvalidHandle);
        return status(RegSetValueExA(key_, name, 0, type, static_cast<const unsigned char *>(data), size));
    }

  private:
    ~RegStore() {
        replace_key(nullptr);
        if (transaction_) {
            reg_rollback_transaction(transaction_);
            RegCloseKey(transaction_);
        }
    }

    // Keys on the transaction's root are opened through the key that holds it.
    HKEY base_for(LDC_HKEY root) const { return transaction_ && root == transaction_root_ ? transaction_ : root; }

    void replace_key(HKEY key) {
        if (key_) RegCloseKey(key_);
        key_ = key;
    }

    std::atomic<uint32_t> refs_{1};
    HKEY key_ = nullptr;
    HKEY transaction_ = nullptr;
    LDC_HKEY transaction_root_ = nullptr;
};

}  // namespace

platform::IRegStore *new_registry_store() { return new (std::nothrow) RegStore; }

}  // namespace qor::registry
