#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <string>

#include "platform/com.h"
#include "platform/component_path.h"
#include "registry/registry.h"
#include "platform/regstore_interface.h"
#include "seam_guard.h"
#include "temp_registry.h"

using namespace qor::platform;
using namespace qor::registry;

namespace {

#if defined(__GNUC__) && !defined(_WIN32)
// Under the Itanium C++ ABI a pointer to a virtual member function holds
// one plus the function's offset in the vtable.
template <typename F>
size_t slot_of(F member) {
    struct Raw {
        uintptr_t ptr;
        ptrdiff_t adj;
    } raw;
    static_assert(sizeof raw == sizeof member, "Itanium member pointer");
    memcpy(&raw, &member, sizeof raw);
    return (raw.ptr - 1) / sizeof(void *);
}

TEST(RegStoreInterface, SlotsFollowTheStoreOrder) {
    EXPECT_EQ(slot_of(&IRegStore::QueryInterface), 0u);
    EXPECT_EQ(slot_of(&IRegStore::AddRef), 1u);
    EXPECT_EQ(slot_of(&IRegStore::Release), 2u);
    EXPECT_EQ(slot_of(&IRegStore::OpenKey), 3u);
    EXPECT_EQ(slot_of(&IRegStore::CloseKey), 4u);
    EXPECT_EQ(slot_of(&IRegStore::CreateKey), 5u);
    EXPECT_EQ(slot_of(&IRegStore::DeleteKey), 6u);
    EXPECT_EQ(slot_of(&IRegStore::BeginTransaction), 7u);
    EXPECT_EQ(slot_of(&IRegStore::EnumKey), 8u);
    EXPECT_EQ(slot_of(&IRegStore::CommitTransaction), 9u);
    EXPECT_EQ(slot_of(&IRegStore::QueryValue), 10u);
    EXPECT_EQ(slot_of(&IRegStore::SetValue), 11u);
}
#endif

class RegStoreComponent : public TempRegistry {
  protected:
    void SetUp() override {
        TempRegistry::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, kCoinitMultithreaded), kSOk);
    }
    void TearDown() override {
        CoUninitialize();
        TempRegistry::TearDown();
    }
    SeamGuard seams_;
    IRegStore *create() {
        void *object = nullptr;
        EXPECT_EQ(CoCreateInstance(kRegStoreClassId, nullptr, kClsctxInprocServer, kRegStoreInterfaceId, &object),
                  kSOk);
        return static_cast<IRegStore *>(object);
    }
    bool key_exists(LDC_HKEY root, const char *path) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, path, 0, kKeyQueryValue, &key) != 0) return false;
        RegCloseKey(key);
        return true;
    }
};

TEST_F(RegStoreComponent, KeysAndValuesThroughTheSlots) {
    IRegStore *store = create();
    ASSERT_NE(store, nullptr);
    uint32_t disposition = 0;
    EXPECT_LT(store->OpenKey(LDC_HKEY_CURRENT_USER, "A\\B", 1), 0);
    ASSERT_EQ(store->CreateKey(LDC_HKEY_CURRENT_USER, "A\\B", 0, kKeyAllAccess, nullptr, &disposition), 0);
    const char text[] = "value";
    int32_t number = 389;
    EXPECT_EQ(store->SetValue("Text", kRegSz, text, sizeof text), 0);
    EXPECT_EQ(store->SetValue("Number", kRegDword, &number, 4), 0);
    ASSERT_EQ(store->OpenKey(LDC_HKEY_CURRENT_USER, "a\\b", 1), 0);
    char buffer[8];
    memset(buffer, '#', sizeof buffer);
    uint32_t size = 5;  // one short of the text and its terminator
    EXPECT_LT(store->QueryValue("Text", nullptr, buffer, &size), 0);
    EXPECT_EQ(buffer[0], '#');
    size = sizeof buffer;
    EXPECT_EQ(store->QueryValue("Text", nullptr, buffer, &size), 0);
    EXPECT_STREQ(buffer, "value");
    int32_t read = 0;
    size = 4;
    EXPECT_EQ(store->QueryValue("Number", nullptr, &read, &size), 0);
    EXPECT_EQ(read, 389);
    EXPECT_EQ(store->CloseKey(), 0);

    ASSERT_EQ(store->OpenKey(LDC_HKEY_CURRENT_USER, "A", 9), 0);
    char name[256];
    uint32_t capacity = 256;
    char area[8];
    EXPECT_EQ(store->EnumKey(0, name, &capacity, area), 0);
    EXPECT_STREQ(name, "B");
    capacity = 256;
    EXPECT_EQ(store->EnumKey(1, name, &capacity, area), kErrorNoMoreItems);
    EXPECT_EQ(store->Release(), 0u);
}

TEST_F(RegStoreComponent, EmptyPathOpensTheRootAndDeleteTakesTrees) {
    IRegStore *store = create();
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->CreateKey(LDC_HKEY_LOCAL_MACHINE, "P\\Q\\R", 0, kKeyAllAccess, nullptr, nullptr), 0);
    ASSERT_EQ(store->CreateKey(LDC_HKEY_LOCAL_MACHINE, "P\\Q2", 0, kKeyAllAccess, nullptr, nullptr), 0);
    ASSERT_EQ(store->OpenKey(LDC_HKEY_LOCAL_MACHINE, "", 0x2000E), 0);
    EXPECT_LT(store->DeleteKey("P", 0), 0);  // not without its subkeys
    EXPECT_TRUE(key_exists(LDC_HKEY_LOCAL_MACHINE, "P\\Q\\R"));
    EXPECT_EQ(store->DeleteKey("P", 1), 0);
    EXPECT_FALSE(key_exists(LDC_HKEY_LOCAL_MACHINE, "P"));
    EXPECT_LT(store->DeleteKey("P", 1), 0);
    store->Release();
}

TEST_F(RegStoreComponent, UncommittedTransactionLeavesNothing) {
    IRegStore *store = create();
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->BeginTransaction(LDC_HKEY_CURRENT_USER, kKeyAllAccess), 0);
    ASSERT_EQ(store->CreateKey(LDC_HKEY_CURRENT_USER, "Half\\Done", 0, kKeyAllAccess, nullptr, nullptr), 0);
    int32_t n = 1;
    ASSERT_EQ(store->SetValue("N", kRegDword, &n, 4), 0);
    store->Release();
    EXPECT_FALSE(key_exists(LDC_HKEY_CURRENT_USER, "Half"));

    store = create();
    ASSERT_EQ(store->BeginTransaction(LDC_HKEY_CURRENT_USER, kKeyAllAccess), 0);
    ASSERT_EQ(store->CreateKey(LDC_HKEY_CURRENT_USER, "Whole\\Done", 0, kKeyAllAccess, nullptr, nullptr), 0);
    ASSERT_EQ(store->SetValue("N", kRegDword, &n, 4), 0);
    EXPECT_EQ(store->CommitTransaction(), 0);
    EXPECT_LT(store->CommitTransaction(), 0);
    store->Release();
    EXPECT_TRUE(key_exists(LDC_HKEY_CURRENT_USER, "Whole\\Done"));
}

#ifndef _WIN32
// The component works on the library's registry: a key the library opened
// is a key the component knows, and both read the same connections.
TEST_F(RegStoreComponent, SharesTheLibrarysOpenKeys) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(LDC_HKEY_CURRENT_USER, "Shared\\Key", 0, nullptr, 0, kKeyAllAccess, nullptr, &key, nullptr),
        kErrorSuccess);
    IRegStore *store = create();
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->OpenKey(key, "", kKeyQueryValue), 0);
    store->Release();
    RegCloseKey(key);
}
#endif

TEST_F(RegStoreComponent, IdentityAndInterfaces) {
    IRegStore *store = create();
    ASSERT_NE(store, nullptr);
    void *other = nullptr;
    EXPECT_EQ(store->QueryInterface(kIidIUnknown, &other), kSOk);
    EXPECT_EQ(other, static_cast<void *>(store));
    EXPECT_EQ(store->Release(), 1u);
    EXPECT_EQ(store->QueryInterface(kRegStoreClassId, &other), kENoInterface);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(store->Release(), 0u);

    void *object = reinterpret_cast<void *>(1);
    EXPECT_EQ(CoCreateInstance(kIidIUnknown, nullptr, kClsctxInprocServer, kRegStoreInterfaceId, &object),
              kRegDbEClassNotReg);
    EXPECT_EQ(object, nullptr);
}

TEST_F(RegStoreComponent, MissingComponentFailsCreationCleanly) {
    char pattern[] = "/tmp/qorldap9-nocomponent-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    set_component_dir_for_testing(pattern);
    void *object = reinterpret_cast<void *>(1);
    HRESULT rc = CoCreateInstance(kRegStoreClassId, nullptr, kClsctxInprocServer, kRegStoreInterfaceId, &object);
    EXPECT_LT(rc, 0);
    EXPECT_EQ(object, nullptr);
    set_component_dir_for_testing(nullptr);
    rmdir(pattern);
    IRegStore *store = create();
    ASSERT_NE(store, nullptr);
    store->Release();
}

TEST(ComShim, CreationNeedsAnInitialisedThread) {
    void *object = reinterpret_cast<void *>(1);
    EXPECT_EQ(CoCreateInstance(kRegStoreClassId, nullptr, kClsctxInprocServer, kRegStoreInterfaceId, &object),
              kCoENotInitialized);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoInitializeEx(nullptr, kCoinitMultithreaded), kSOk);
    EXPECT_EQ(CoInitializeEx(nullptr, kCoinitMultithreaded), kSFalse);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoCreateInstance(kRegStoreClassId, nullptr, kClsctxInprocServer, kRegStoreInterfaceId, &object),
              kCoENotInitialized);
}

}  // namespace
