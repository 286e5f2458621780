// Enumeration continues after the name it found last only while nothing
// changed; any change, through this connection or another, makes it count
// again, so the answers are those of counting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/registry.h"
#include "temp_registry.h"

using namespace qor::registry;

namespace {

class Enumeration : public TempRegistry {
  protected:
    void SetUp() override {
        TempRegistry::SetUp();
        for (const char *name : {"b", "D", "a", "C", "e"}) {
            std::string path = std::string("Base\\") + name;
            HKEY key = nullptr;
            ASSERT_EQ(RegCreateKeyExA(LDC_HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, kKeyAllAccess, nullptr, &key,
                                      nullptr),
                      0);
            RegCloseKey(key);
        }
        ASSERT_EQ(RegOpenKeyExA(LDC_HKEY_CURRENT_USER, "Base", 0, kKeyAllAccess, &base_), 0);
    }
    void TearDown() override {
        if (base_ != nullptr) RegCloseKey(base_);
        TempRegistry::TearDown();
    }
    std::string at(uint32_t index, HKEY key = nullptr) {
        char name[64];
        uint32_t capacity = sizeof name;
        int32_t rc = RegEnumKeyExA(key ? key : base_, index, name, &capacity, nullptr, nullptr, nullptr, nullptr);
        if (rc == kErrorNoMoreItems) return "<end>";
        return rc == 0 ? std::string(name) : "<error " + std::to_string(rc) + ">";
    }
    HKEY base_ = nullptr;
};

TEST_F(Enumeration, InOrderSkippingAndRepeatingIndexesGiveTheCountedNames) {
    std::vector<std::string> listed;
    for (uint32_t i = 0; i < 6; ++i) listed.push_back(at(i));
    EXPECT_EQ(listed, (std::vector<std::string>{"a", "b", "C", "D", "e", "<end>"}));
    EXPECT_EQ(at(1), "b");
    EXPECT_EQ(at(1), "b");  // the same index again
    EXPECT_EQ(at(3), "D");  // one left out
    EXPECT_EQ(at(2), "C");  // backwards
    EXPECT_EQ(at(3), "D");
}

TEST_F(Enumeration, ADeletionThroughAnotherConnectionIsCountedIn) {
    EXPECT_EQ(at(0), "a");
    EXPECT_EQ(at(1), "b");
    // A predefined root opens a connection of its own.
    ASSERT_EQ(RegDeleteKeyA(LDC_HKEY_CURRENT_USER, "Base\\a"), 0);
    EXPECT_EQ(at(2), "D");  // b C D e: the third is D, not the C after b
    EXPECT_EQ(at(3), "e");
    EXPECT_EQ(at(4), "<end>");
}

TEST_F(Enumeration, AKeyCreatedThroughTheSameConnectionIsCountedIn) {
    EXPECT_EQ(at(0), "a");
    EXPECT_EQ(at(1), "b");
    HKEY added = nullptr;
    ASSERT_EQ(RegCreateKeyExA(base_, "AA", 0, nullptr, 0, kKeyAllAccess, nullptr, &added, nullptr), 0);
    RegCloseKey(added);
    EXPECT_EQ(at(2), "b");  // a AA b C D e
    EXPECT_EQ(at(6), "<end>");
}

TEST_F(Enumeration, TwoHandlesEnumeratingInTurnDoNotDisturbEachOther) {
    HKEY other = nullptr;
    ASSERT_EQ(RegOpenKeyExA(base_, "", 0, kKeyEnumerateSubKeys, &other), 0);
    EXPECT_EQ(at(0), "a");
    EXPECT_EQ(at(3, other), "D");
    EXPECT_EQ(at(1), "b");
    EXPECT_EQ(at(4, other), "e");
    EXPECT_EQ(at(2), "C");
    RegCloseKey(other);
}

}  // namespace
