// The registry store component as a real in-process COM server: created
// through the platform layer's CoCreateInstance (the system's COM
// runtime), its slots acting on the real registry.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/com.h"
#include "platform/regstore_interface.h"

namespace pf = qor::platform;

namespace {

constexpr pf::HRESULT kClassNotAvailable = int32_t(0x80040111u);

// One apartment per test, as each store operation of the library has.
class RegStoreCom : public ::testing::Test {
  protected:
    void SetUp() override {
        init_ = pf::CoInitializeEx(nullptr, pf::kCoinitMultithreaded);
        ASSERT_GE(init_, 0);
        base_ = "Software\\QorldapTest\\com" + std::to_string(GetCurrentProcessId());
    }
    void TearDown() override {
        if (init_ >= 0) pf::CoUninitialize();
        RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
    }
    pf::IRegStore *create() {
        void *object = nullptr;
        pf::HRESULT hr = pf::CoCreateInstance(pf::kRegStoreClassId, nullptr, pf::kClsctxInprocServer,
                                              pf::kRegStoreInterfaceId, &object);
        EXPECT_EQ(hr, pf::kSOk);
        return static_cast<pf::IRegStore *>(object);
    }
    pf::HRESULT init_ = -1;
    std::string base_;
};

TEST_F(RegStoreCom, ValuesRoundTripThroughTheRealRegistry) {
    pf::IRegStore *store = create();
    ASSERT_NE(store, nullptr);
    uint32_t disposition = 0;
    std::string path = base_ + "\\Ldap\\corp";
    ASSERT_EQ(store->CreateKey(LDC_HKEY_CURRENT_USER, path.c_str(), 0, 0xF003F, nullptr, &disposition), 0);
    const char host[] = "ldap1 ldap2:636";
    int32_t port = 389;
    EXPECT_EQ(store->SetValue("HostNames", 1, host, sizeof host), 0);
    EXPECT_EQ(store->SetValue("Port", 4, &port, 4), 0);
    EXPECT_EQ(store->Release(), 0u);

    // The values are in the registry itself, where ADVAPI32 reads them.
    char text[64] = {};
    DWORD size = sizeof text;
    DWORD type = 0;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, path.c_str(), "HostNames", RRF_RT_ANY, &type, text, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(text, host);

    store = create();
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->OpenKey(LDC_HKEY_CURRENT_USER, path.c_str(), 1), 0);
    int32_t read_port = 0;
    uint32_t read_size = 4, read_type = 0;
    EXPECT_EQ(store->QueryValue("Port", &read_type, &read_port, &read_size), 0);
    EXPECT_EQ(read_port, 389);
    EXPECT_EQ(read_type, 4u);
    // too small a buffer: a failure, and nothing written into it
    char small[8];
    std::memset(small, 'Z', sizeof small);
    read_size = sizeof small;
    EXPECT_LT(store->QueryValue("HostNames", nullptr, small, &read_size), 0);
    for (char c : small) EXPECT_EQ(c, 'Z');
    EXPECT_LT(store->QueryValue("Missing", nullptr, small, &read_size), 0);
    store->CloseKey();
    EXPECT_EQ(store->Release(), 0u);
}

TEST_F(RegStoreCom, EnumeratesAndDeletesATree) {
    pf::IRegStore *store = create();
    ASSERT_NE(store, nullptr);
    for (const char *leaf : {"\\Ldap\\alpha\\deep", "\\Ldap\\beta", "\\Ldap\\gamma"}) {
        std::string path = base_ + leaf;
        uint32_t disposition = 0;
        ASSERT_EQ(store->CreateKey(LDC_HKEY_CURRENT_USER, path.c_str(), 0, 0xF003F, nullptr, &disposition), 0);
    }
    ASSERT_EQ(store->OpenKey(LDC_HKEY_CURRENT_USER, (base_ + "\\Ldap").c_str(), 9), 0);
    std::string names;
    char name[256];
    unsigned char last_write[8];
    uint32_t index = 0;
    int32_t rc;
    while (true) {
        uint32_t capacity = sizeof name;
        rc = store->EnumKey(index++, name, &capacity, last_write);
        if (rc != 0) break;
        EXPECT_EQ(capacity, std::strlen(name));
        names += std::string(name) + ";";
    }
    EXPECT_EQ(rc, 259);
    EXPECT_EQ(names, "alpha;beta;gamma;");

    ASSERT_EQ(store->OpenKey(LDC_HKEY_CURRENT_USER, base_.c_str(), 0xF003F), 0);
    EXPECT_EQ(store->DeleteKey("Ldap", 1), 0);
    HKEY gone = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (base_ + "\\Ldap").c_str(), 0, KEY_READ, &gone), ERROR_FILE_NOT_FOUND);
    EXPECT_LT(store->OpenKey(LDC_HKEY_CURRENT_USER, (base_ + "\\Ldap\\beta").c_str(), 1), 0);
    store->Release();
}

TEST_F(RegStoreCom, ComIdentityRules) {
    pf::IRegStore *store = create();
    ASSERT_NE(store, nullptr);
    void *unknown = nullptr;
    EXPECT_EQ(store->QueryInterface(pf::kIidIUnknown, &unknown), pf::kSOk);
    EXPECT_EQ(unknown, static_cast<void *>(store));
    static_cast<pf::IUnknown *>(unknown)->Release();
    void *other = reinterpret_cast<void *>(1);
    EXPECT_EQ(store->QueryInterface(pf::kRegStoreClassId, &other), pf::kENoInterface);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(store->Release(), 0u);

    // another class identifier is not served by this component
    constexpr pf::Guid kOther{0x5c1e7a42, 0x8d3b, 0x4f6e, {0x9a, 0x21, 0x3b, 0x7c, 0x0d, 0x9e, 0x4f, 0x19}};
    void *object = reinterpret_cast<void *>(1);
    pf::HRESULT hr = pf::CoCreateInstance(kOther, nullptr, pf::kClsctxInprocServer, pf::kRegStoreInterfaceId, &object);
    EXPECT_LT(hr, 0);
    EXPECT_EQ(object, nullptr);
}

TEST_F(RegStoreCom, ServerEntryPointsAnswerAsComExpects) {
    HMODULE dll = LoadLibraryA("qorregstore.dll");
    ASSERT_NE(dll, nullptr);
    using GetClassObject = HRESULT(WINAPI *)(const GUID &, const GUID &, void **);
    auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void *>(GetProcAddress(dll, "DllGetClassObject")));
    ASSERT_NE(get, nullptr);
    const GUID &clsid = *reinterpret_cast<const GUID *>(&pf::kRegStoreClassId);
    const GUID &other = *reinterpret_cast<const GUID *>(&pf::kRegStoreInterfaceId);
    void *factory = nullptr;
    EXPECT_EQ(get(clsid, IID_IClassFactory, &factory), S_OK);
    ASSERT_NE(factory, nullptr);
    void *object = nullptr;
    auto *f = static_cast<IClassFactory *>(factory);
    // no aggregation
    EXPECT_EQ(f->CreateInstance(reinterpret_cast<::IUnknown *>(f), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(f->CreateInstance(nullptr, other, &object), S_OK);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(static_cast<pf::IRegStore *>(object)->Release(), 0u);
    f->Release();
    EXPECT_EQ(get(other, IID_IClassFactory, &factory), kClassNotAvailable);
    FreeLibrary(dll);
}

}  // namespace
