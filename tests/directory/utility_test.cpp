// The error text and the list release.
#include <gtest/gtest.h>
#include <ldap.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "qorldap9.h"

TEST(ErrorText, ClientCodesReadAsTheWindowsClientNumbersThem) {
    EXPECT_STREQ(ldap_Err2String(0), ldap_err2string(LDAP_SUCCESS));
    EXPECT_STREQ(ldap_Err2String(49), "Invalid credentials");
    EXPECT_STREQ(ldap_Err2String(81), "Can't contact LDAP server");
    EXPECT_STREQ(ldap_Err2String(82), ldap_err2string(LDAP_LOCAL_ERROR));
    EXPECT_STREQ(ldap_Err2String(85), ldap_err2string(LDAP_TIMEOUT));
    EXPECT_STREQ(ldap_Err2String(89), ldap_err2string(LDAP_PARAM_ERROR));
    EXPECT_STREQ(ldap_Err2String(91), ldap_err2string(LDAP_CONNECT_ERROR));
    EXPECT_STREQ(ldap_Err2String(97), ldap_err2string(LDAP_REFERRAL_LIMIT_EXCEEDED));
    // Codes beside the mapped range and the library's own codes are
    // forwarded as they are.
    EXPECT_STREQ(ldap_Err2String(80), ldap_err2string(80));
    EXPECT_STREQ(ldap_Err2String(98), ldap_err2string(98));
    EXPECT_STREQ(ldap_Err2String(LDC_E_NO_USER_ENTRY), ldap_err2string(LDC_E_NO_USER_ENTRY));
    EXPECT_NE(ldap_Err2String(-1), nullptr);
}

TEST(ListRelease, NullLinkFreesNothing) {
    LDC_ListNode head;
    memset(&head, 0x5A, sizeof head);
    head.Next = nullptr;
    LDC_ListNode before = head;
    destroy_list(&head);
    EXPECT_EQ(memcmp(&head, &before, sizeof head), 0);
    destroy_list(nullptr);
}

// The nodes after the head are released (a leak would show under the
// sanitizer build); the head keeps every byte, its stale link included.
TEST(ListRelease, ChainOfThreeReleasesTheTwoAfterTheHead) {
    LDC_ListNode head;
    memset(&head, 0x3C, sizeof head);
    auto *second = static_cast<LDC_ListNode *>(malloc(sizeof(LDC_ListNode)));
    auto *third = static_cast<LDC_ListNode *>(calloc(1, sizeof(LDC_ListNode)));
    ASSERT_NE(second, nullptr);
    ASSERT_NE(third, nullptr);
    head.Next = second;
    second->Next = third;
    third->Next = nullptr;
    LDC_ListNode before = head;
    destroy_list(&head);
    EXPECT_EQ(memcmp(&head, &before, sizeof head), 0);
    EXPECT_EQ(head.Next, second);
}
