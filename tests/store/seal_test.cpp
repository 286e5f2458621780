#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "store/rc5.h"
#include "store/seal.h"

namespace {

std::string seal(const std::string &plain) {
    std::vector<char> out(qor::kSealedTextSize, 'x');
    EXPECT_TRUE(qor::seal_password(plain.c_str(), out.data(), out.size())) << plain;
    return out.data();
}

bool unseal(const std::string &sealed, std::string &plain) {
    std::vector<char> out(qor::kSealMaxPassword + 1, 'x');
    bool unsealed = qor::unseal_password(sealed.c_str(), out.data(), out.size());
    plain = out.data();
    return unsealed;
}

std::vector<uint32_t> words_of(const std::string &sealed) {
    std::istringstream in(sealed);
    std::vector<uint32_t> words;
    unsigned long w;
    while (in >> w) words.push_back(uint32_t(w));
    return words;
}

// Deciphers the words with the built-in key straight through RC5: the
// padded text as stored, character by character.
std::string decipher_words(const std::vector<uint32_t> &words) {
    static const uint8_t key[16] = {'k', 'e', 'l', 'p', 'y', 'a', 'r', 'd', 'm', 'i', 'n', 't', 'v', 'o', 'w', 0};
    qor::Rc5 rc5(key);
    std::string text;
    for (size_t k = 0; k + 1 < words.size(); k += 2) {
        uint32_t a = words[k], b = words[k + 1];
        rc5.decrypt(a, b);
        text += char(a);
        text += char(b);
    }
    return text;
}

TEST(Seal, EmptyPasswordAndEmptyText) {
    EXPECT_EQ(seal(""), "");
    std::string plain = "junk";
    EXPECT_TRUE(unseal("", plain));
    EXPECT_EQ(plain, "");
}

TEST(Seal, LengthClassesKeepTheirStoredForm) {
    struct Case {
        std::string password;
        size_t words;
        std::string padded;  // what the full blocks decipher to
    } cases[] = {
        {"abcd", 4, "abcd"},
        {"abc", 6, "3,abc "},
        {"hello world", 15, "11,hello world"},  // the last block lacks its second word
        {"twelve chars", 12, "twelve chars"},
        {std::string(48, 'q'), 48, std::string(48, 'q')},
        {std::string(43, 'r'), 47, "43," + std::string(43, 'r')},
    };
    for (const Case &c : cases) {
        std::string sealed = seal(c.password);
        std::vector<uint32_t> words = words_of(sealed);
        EXPECT_EQ(words.size(), c.words) << c.password;
        EXPECT_EQ(decipher_words(words), c.padded) << c.password;
        EXPECT_EQ(sealed.back(), ' ') << "every word is followed by a blank";
    }
}

TEST(Seal, CharactersAboveAsciiAreSignExtendedWords) {
    std::string password = "\xE9t\xE9\xFF";
    std::vector<uint32_t> words = words_of(seal(password));
    ASSERT_EQ(words.size(), 4u);
    static const uint8_t key[16] = {'k', 'e', 'l', 'p', 'y', 'a', 'r', 'd', 'm', 'i', 'n', 't', 'v', 'o', 'w', 0};
    qor::Rc5 rc5(key);
    uint32_t a = words[0], b = words[1];
    rc5.decrypt(a, b);
    EXPECT_EQ(a, 0xFFFFFFE9u);
    EXPECT_EQ(b, uint32_t('t'));
}

TEST(Seal, EveryLengthOfBindPwdRoundTrips) {
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<int> byte(1, 255), pick(0, 5);
    for (size_t length = 0; length <= qor::kSealMaxPassword; ++length) {
        for (int round = 0; round < 6; ++round) {
            std::string password;
            for (size_t i = 0; i < length; ++i) {
                int p = pick(rng);
                password += p == 0 ? ',' : p == 1 ? ' ' : char(byte(rng));
            }
            std::string sealed = seal(password), back;
            ASSERT_TRUE(unseal(sealed, back)) << length;
            ASSERT_EQ(back, password) << length;
        }
    }
}

TEST(Seal, CommaPasswordsOfEveryParityRoundTrip) {
    for (std::string password : {",", "a,", ",b", "a,bc", "10,abcdefg", "aaaa,bbbbb", "3,x", "-1,zz", " 2,ab"}) {
        std::string back;
        ASSERT_TRUE(unseal(seal(password), back)) << password;
        EXPECT_EQ(back, password);
    }
    // An even one gets the count prefix, so that the cut after the comma is right.
    EXPECT_EQ(decipher_words(words_of(seal("a,bc"))), "4,a,bc");
    EXPECT_EQ(decipher_words(words_of(seal("aaaa,bbbbb"))), "10,aaaa,bbbbb ");
}

TEST(Seal, SealingIsDeterministic) {
    for (const std::string &password :
         std::initializer_list<std::string>{"", "x", "secret", "with, comma and blanks ", std::string(175, '\x80')})
        EXPECT_EQ(seal(password), seal(password));
}

TEST(Seal, BlanksBetweenWordsDoNotMatter) {
    std::string password = "odd length!";  // 11: the odd-count stored form
    std::string sealed = seal(password);
    std::string spaced = "   ";
    for (char c : sealed) spaced += c == ' ' ? std::string("    ") : std::string(1, c);
    std::string trimmed = sealed.substr(0, sealed.size() - 1);
    for (const std::string &text : {spaced, trimmed}) {
        std::string back;
        ASSERT_TRUE(unseal(text, back)) << text;
        EXPECT_EQ(back, password);
    }
}

TEST(Seal, TamperedTextIsCaught) {
    for (const std::string &password : std::initializer_list<std::string>{
             "abcd", "abc", "hello world", std::string(100, 'z'), std::string(175, 'y')}) {
        std::vector<uint32_t> words = words_of(seal(password));
        for (size_t i = 0; i < words.size(); ++i) {
            for (uint32_t delta : {1u, 0x10000u, 0x80000000u}) {
                std::string text;
                for (size_t j = 0; j < words.size(); ++j)
                    text += std::to_string(j == i ? words[j] + delta : words[j]) + " ";
                std::string back = "junk";
                EXPECT_FALSE(unseal(text, back)) << password << " word " << i;
                EXPECT_EQ(back, "");
            }
        }
        // A word dropped from the middle shifts every block after it.
        std::string shorter;
        for (size_t j = 0; j < words.size(); ++j)
            if (j != 1) shorter += std::to_string(words[j]) + " ";
        std::string back;
        EXPECT_FALSE(unseal(shorter, back)) << password;
    }
    std::string back;
    EXPECT_FALSE(unseal("hello", back));
}

TEST(Seal, RefusesWhatItCannotHold) {
    char out[qor::kSealedTextSize];
    memset(out, 'x', sizeof out);
    EXPECT_FALSE(qor::seal_password(std::string(176, 'a').c_str(), out, sizeof out));
    EXPECT_EQ(out[0], '\0');
    // A limit that the text does not fit leaves nothing half written.
    memset(out, 'x', sizeof out);
    EXPECT_FALSE(qor::seal_password("abcdef", out, 12));
    EXPECT_EQ(out[0], '\0');

    std::string many;
    for (size_t i = 0; i <= qor::kSealMaxWords; ++i) many += "1 ";
    std::string back;
    EXPECT_FALSE(unseal(many, back));

    char small[4];
    EXPECT_FALSE(qor::unseal_password(seal("abcdef").c_str(), small, sizeof small));
    EXPECT_EQ(small[0], '\0');
}

TEST(Seal, ThreadsSealingAtOnceAgree) {
    std::vector<std::string> passwords;
    for (int i = 0; i < 40; ++i) passwords.push_back(std::string(size_t(i * 4 + 1), char('a' + i % 26)) + ",x");
    std::vector<std::string> expected;
    for (const std::string &p : passwords) expected.push_back(seal(p));
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round)
                for (size_t i = 0; i < passwords.size(); ++i) {
                    char out[qor::kSealedTextSize];
                    char back[qor::kSealMaxPassword + 1];
                    if (!qor::seal_password(passwords[i].c_str(), out, sizeof out) || expected[i] != out ||
                        !qor::unseal_password(out, back, sizeof back) || passwords[i] != back)
                        ++mismatches[size_t(t)];
                }
        });
    for (std::thread &t : threads) t.join();
    for (int m : mismatches) EXPECT_EQ(m, 0);
}

}  // namespace
