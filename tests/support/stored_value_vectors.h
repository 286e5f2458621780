// Stored password values with their answers fixed in the source, one table
// per scheme. The same tables run through the cipher library alone (the
// schemes it checks), through the library, and through both as Windows
// DLLs under Wine. Each value was made once on Linux with the tool named
// beside it; "secret" is the password unless a row says otherwise.
#pragma once

#include <cstddef>
#include <string>

struct StoredValueVector {
    const char *text;      // the stored value after its tag
    const char *password;  // null: no candidate at all
    int answer;            // what the check answers: 1 for a match, 0 otherwise
};

// Forms the Windows build has no implementation for (traditional DES,
// bcrypt and yescrypt "{crypt}" text, Argon2, PBKDF2) match nothing there.
#ifdef _WIN32
constexpr int kMatchesOutsideWindows = 0;
#else
constexpr int kMatchesOutsideWindows = 1;
#endif

// "{crypt}": crypt(3) text, made with Python's crypt.crypt (libxcrypt),
// openssl passwd or slappasswd -h '{CRYPT}' -c FORMAT.
inline const StoredValueVector kCryptVectors[] = {
    {"$1$saltsalt$9xy1btjgzLYfb7hivXtC//", "secret", 1},
    {"$1$saltsalt$9xy1btjgzLYfb7hivXtC//", "Secret", 0},
    {"$1$saltsalt$9xy1btjgzLYfb7hivXtC//", nullptr, 0},
    {"$1$abc$Or2rbeUYTvt12aiVzMuS/.", "", 1},
    // a password longer than a digest
    {"$1$12345678$beiWYJUUHF.ZVo9A4ag9w0", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", 1},
    {"$1$12345678$beiWYJUUHF.ZVo9A4ag9w0", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", 0},
    {"$5$saltstring$C3o4O1TC6aRHF4FI.QSZMXtHbaj2gSXr4sUc/3NcUi.", "secret", 1},
    {"$5$saltstring$C3o4O1TC6aRHF4FI.QSZMXtHbaj2gSXr4sUc/3NcUi.", "secreT", 0},
    // rounds given, and a salt cut to its 16 characters
    {"$5$rounds=10000$saltstringsaltst$3xv.VbSHBb41AL9AvLeujZkZRBAwqFMz2.opqey6IcA", "Hello world!", 1},
    // a password longer than two digests
    {"$5$rounds=1000$short$LSHH5xqWqHrLfDghEVeUVPr9vIEQNOvBwUSD5Z85cB2",
     "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 1},
    // openssl passwd -5 -salt saltsalt hello
    {"$5$saltsalt$kfE3pS1dKPPHrilLCLWxLECEVLX8Au49cWIQg7GMQ05", "hello", 1},
    {"$6$saltstring$AIsRs/Ee56G/tC8MEHhvReZTfx8u3rXXMl6eYrjCG9ibix19DxoMBLogdTET5Ukw9Sf7eZTITsuk0Ry5qulYz.", "secret",
     1},
    {"$6$saltstring$AIsRs/Ee56G/tC8MEHhvReZTfx8u3rXXMl6eYrjCG9ibix19DxoMBLogdTET5Ukw9Sf7eZTITsuk0Ry5qulYz.", "secre",
     0},
    {"$6$rounds=1500$saltstringsaltst$vmOcZML2A6GkXtOdRl2GBB1V/V581GFnTVokhooBudw/"
     "DSyONzb7ZT5IJaBTCKguQzurjQUAaI8Gcay8suPnD/",
     "Hello world!", 1},
    {"$6$rounds=1000$abcdefgh$i2K9odcDxVA4j.X/jiByDXmNAOjSFxyQ/UVujLVhCChW7nkylzwTttenba2g.p6EzVnCBAlcok0N4Sm0/FT5h.",
     "yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy"
     "yyyyyyyyyyyyyyyyy",
     1},
    // one character of the hash changed, the hash cut short, a trailing byte
    {"$1$saltsalt$9xy1btjgzLYfb7hivXtC/.", "secret", 0},
    {"$1$saltsalt$9xy1btjgzLYfb7hivXtC/", "secret", 0},
    {"$5$saltstring$C3o4O1TC6aRHF4FI.QSZMXtHbaj2gSXr4sUc/3NcUi.x", "secret", 0},
    // a malformed rounds field
    {"$5$rounds=$saltstring$C3o4O1TC6aRHF4FI.QSZMXtHbaj2gSXr4sUc/3NcUi.", "secret", 0},
    // slappasswd -c '%.2s', '$2b$05$%.22s' and '$y$j9T$%.16s'
    {"wjJ6B9CYIRBjU", "secret", kMatchesOutsideWindows},
    {"wjJ6B9CYIRBjU", nullptr, 0},
    {"$2b$05$9hcVmKlJQvmKLkJSfdlMBOGyOfNEOm2tBj1Kx2bIZfrKsHxnP23eG", "secret", kMatchesOutsideWindows},
    {"$2b$05$9hcVmKlJQvmKLkJSfdlMBOGyOfNEOm2tBj1Kx2bIZfrKsHxnP23eG", "Secret", 0},
    {"$y$j9T$oAEsccVqkr/gTsvk$jgtyjTCETUTUO4eIY.kaYCUSi2Ytk0qGv.wRdCcw4b8", "secret", kMatchesOutsideWindows},
    // crypt's own failure tokens and unfinished text match nothing
    {"", "", 0},
    {"*0", "", 0},
    {"*1", "", 0},
    {"$6$", "x", 0},
    {"$unknown$abc", "x", 0},
};

// "{MD5}": the Base64 of the digest (printf secret | openssl dgst -md5
// -binary | base64; RFC 1321 for "abc" and "").
inline const StoredValueVector kMd5Vectors[] = {
    {"Xr4ilOzQ4PCOq3aQ0qbuaQ==", "secret", 1}, {"Xr4ilOzQ4PCOq3aQ0qbuaQ==", "secreT", 0},
    {"kAFQmDzST7DWlj99KOF/cg==", "abc", 1},    {"kAFQmDzST7DWlj99KOF/cg=", "abc", 0},
    {"kAFQmDzST7DWlj99KOF/cg===", "abc", 0},   {"1B2M2Y8AsgTpgAmY7PhCfg==", "", 1},
    {"1B2M2Y8AsgTpgAmY7PhCfg==", nullptr, 0},
};

// "{SHA}" (printf secret | openssl dgst -sha1 -binary | base64; FIPS 180
// for "abc" and "").
inline const StoredValueVector kShaVectors[] = {
    {"5en6G6MezRroT3XKqkdPOmY/BfQ=", "secret", 1},
    {"5en6G6MezRroT3XKqkdPOmY/BfQ=", "Secret", 0},
    {"qZk+NkcGgWq6PiVxeFDCbJzQ2J0=", "abc", 1},
    {"2jmj7l5rSw0yVb/vlWAYkK/YBwk=", "", 1},
};

// slappasswd -h '{SSHA}' and '{SMD5}'.
inline const StoredValueVector kSaltedShaVectors[] = {
    {"zIZ5oIriMVIkpIdUBCGJ3EoOZMsxCrBX", "secret", 1},
    {"zIZ5oIriMVIkpIdUBCGJ3EoOZMsxCrBX", "secrets", 0},
};
inline const StoredValueVector kSaltedMd5Vectors[] = {
    {"nNm6KSnNOa4autFZvV2n4dTt0Ac=", "secret", 1},
    {"nNm6KSnNOa4autFZvV2n4dTt0Ac=", "secrets", 0},
};

// SHA-2, from Python's hashlib: the digest of the password and the salt
// "saltsalt", followed by that salt in the salted forms.
inline const StoredValueVector kSha256Vectors[] = {
    {"K7gNU3sdo+OL0wNhqoVWhr3g6s1xYv72ol/pe/Unols=", "secret", 1},
    {"K7gNU3sdo+OL0wNhqoVWhr3g6s1xYv72ol/pe/Unols=", "secrets", 0},
};
inline const StoredValueVector kSaltedSha256Vectors[] = {
    {"oBmrdHcA6OZEkkCLeXh71YAerbvhXz1qqwjrPsXmEtNzYWx0c2FsdA==", "secret", 1},
    {"oBmrdHcA6OZEkkCLeXh71YAerbvhXz1qqwjrPsXmEtNzYWx0c2FsdA==", "secrets", 0},
};
inline const StoredValueVector kSha384Vectors[] = {
    {"WKd1ukESvjAFrkQHznV9iP2nHUBJe7gCbsrFTU4//HIyzo3jq1rLMK45dg/ufFPt", "secret", 1},
    {"WKd1ukESvjAFrkQHznV9iP2nHUBJe7gCbsrFTU4//HIyzo3jq1rLMK45dg/ufFPt", "secrets", 0},
};
inline const StoredValueVector kSaltedSha384Vectors[] = {
    {"xZjeLqA5S5k50pfYWOduoMpyOadNQ2hKzVUikzLgZ/JSGpE4X/aVRUUuwOH25+Urc2FsdHNhbHQ=", "secret", 1},
    {"xZjeLqA5S5k50pfYWOduoMpyOadNQ2hKzVUikzLgZ/JSGpE4X/aVRUUuwOH25+Urc2FsdHNhbHQ=", "secrets", 0},
};
inline const StoredValueVector kSha512Vectors[] = {
    {"vSsar3708Jvp9Szi2NWZZ02Bqp1qRCFpbcTZPdBhnWgs5WtNZKnvCXdhztmeD2cmW192CF5bDufKRpayrW/isg==", "secret", 1},
    {"vSsar3708Jvp9Szi2NWZZ02Bqp1qRCFpbcTZPdBhnWgs5WtNZKnvCXdhztmeD2cmW192CF5bDufKRpayrW/isg==", "secrets", 0},
};
inline const StoredValueVector kSaltedSha512Vectors[] = {
    {"aCu7JRc+kLsuEmFs1zTY+AiP7DSGnjjG+dH28Dp+E5usqoAixeTPihKqZmkWal4mUfp63tqvCAkFV1LKTDFH6XNhbHRzYWx0", "secret", 1},
    {"aCu7JRc+kLsuEmFs1zTY+AiP7DSGnjjG+dH28Dp+E5usqoAixeTPihKqZmkWal4mUfp63tqvCAkFV1LKTDFH6XNhbHRzYWx0", "secrets", 0},
};

// slappasswd -o module-load=argon2 -h '{ARGON2}', and with
// module-load=pw-pbkdf2 the four PBKDF2 forms.
inline const StoredValueVector kArgon2Vectors[] = {
    {"$argon2i$v=19$m=4096,t=3,p=1$nzKvYJ5vyk9PLj/ChwiymA$/QMeGuyigq9NJeA08A0kaFAy61EmYWIikW/03iH9F2M", "secret",
     kMatchesOutsideWindows},
    {"$argon2i$v=19$m=4096,t=3,p=1$nzKvYJ5vyk9PLj/ChwiymA$/QMeGuyigq9NJeA08A0kaFAy61EmYWIikW/03iH9F2M", "secrets", 0},
};
inline const StoredValueVector kPbkdf2Vectors[] = {
    {"10000$zNbc/LfxShC.tbszRvEW6w$z9N0TQZe4w/EtQUjDvbbTI2o55o", "secret", kMatchesOutsideWindows},
    {"10000$zNbc/LfxShC.tbszRvEW6w$z9N0TQZe4w/EtQUjDvbbTI2o55o", "secrets", 0},
};
inline const StoredValueVector kPbkdf2Sha1Vectors[] = {
    {"10000$PAymUyUQe/MQ8UDK.e1tlg$/jADrMfExNTa2Kek0LtSVY5ApII", "secret", kMatchesOutsideWindows},
    {"10000$PAymUyUQe/MQ8UDK.e1tlg$/jADrMfExNTa2Kek0LtSVY5ApII", "secrets", 0},
};
inline const StoredValueVector kPbkdf2Sha256Vectors[] = {
    {"10000$h7SGiiFordmKA5ZwNn51Ww$F7/fc/EIRFtz9IS3dAsvXb4ZdlqLSBf/spXaWOgrzeg", "secret", kMatchesOutsideWindows},
    {"10000$h7SGiiFordmKA5ZwNn51Ww$F7/fc/EIRFtz9IS3dAsvXb4ZdlqLSBf/spXaWOgrzeg", "secrets", 0},
};
inline const StoredValueVector kPbkdf2Sha512Vectors[] = {
    {"10000$3Y1GI1WepFSU76XXxMFLuQ$UVbOKkCUDj6mvr1HJufhy2NUcpXswCDxYFBQN0XEPODGO."
     "LbV4HtuyOXrTEqBva1j9UiwdeWDqWW61ey4uWdvw",
     "secret", kMatchesOutsideWindows},
    {"10000$3Y1GI1WepFSU76XXxMFLuQ$UVbOKkCUDj6mvr1HJufhy2NUcpXswCDxYFBQN0XEPODGO."
     "LbV4HtuyOXrTEqBva1j9UiwdeWDqWW61ey4uWdvw",
     "secrets", 0},
};

// No tag: the same bytes match, nothing else. A value without a whole tag
// is clear text too.
inline const StoredValueVector kClearTextVectors[] = {
    {"Secret1", "Secret1", 1},
    {"Secret1", "secret1", 0},
    {"Secret1", "Secret", 0},
    {"Secret", "Secret1", 0},
    {"", "", 1},
    {"", "a", 0},
    {"a", "", 0},
    {"{crypt", "{crypt", 1},
    {"{MD5", "{MD5", 1},
    {"{}", "{}", 1},
    {"{a b}x", "{a b}x", 1},
    {"{", "{", 1},
};

// A tag of a scheme not verified here never matches, not even the value
// itself: taken as clear text, a stored hash would be its own password.
inline const StoredValueVector kUnknownTagVectors[] = {
    {"{PBKDF2-SHA384}10000$abc$def", "{PBKDF2-SHA384}10000$abc$def", 0},
    {"{BCRYPT}$2b$05$x", "{BCRYPT}$2b$05$x", 0},
    {"{SASL}jdoe@EXAMPLE", "{SASL}jdoe@EXAMPLE", 0},
    {"{X}", "{X}", 0},
    {"{ARGON3}$argon2id$v=19$m=8,t=1,p=1$c2FsdHNhbHQ$aGFzaA", "{ARGON3}$argon2id$v=19$m=8,t=1,p=1$c2FsdHNhbHQ$aGFzaA",
     0},
};

// A scheme's tag and its table.
struct SchemeVectors {
    const char *tag;  // "" for the values without a tag of ours
    const StoredValueVector *begin;
    const StoredValueVector *end;
};

template <size_t N>
constexpr SchemeVectors scheme_vectors(const char *tag, const StoredValueVector (&vectors)[N]) {
    return {tag, vectors, vectors + N};
}

// The schemes the cipher library checks, given the text after the tag.
inline const SchemeVectors kCipherLibrarySchemes[] = {
    scheme_vectors("{crypt}", kCryptVectors),
    scheme_vectors("{MD5}", kMd5Vectors),
};

// Every stored form the library answers.
inline const SchemeVectors kLibrarySchemes[] = {
    scheme_vectors("{crypt}", kCryptVectors),
    scheme_vectors("{MD5}", kMd5Vectors),
    scheme_vectors("{SHA}", kShaVectors),
    scheme_vectors("{SSHA}", kSaltedShaVectors),
    scheme_vectors("{SMD5}", kSaltedMd5Vectors),
    scheme_vectors("{SHA256}", kSha256Vectors),
    scheme_vectors("{SSHA256}", kSaltedSha256Vectors),
    scheme_vectors("{SHA384}", kSha384Vectors),
    scheme_vectors("{SSHA384}", kSaltedSha384Vectors),
    scheme_vectors("{SHA512}", kSha512Vectors),
    scheme_vectors("{SSHA512}", kSaltedSha512Vectors),
    scheme_vectors("{ARGON2}", kArgon2Vectors),
    scheme_vectors("{PBKDF2}", kPbkdf2Vectors),
    scheme_vectors("{PBKDF2-SHA1}", kPbkdf2Sha1Vectors),
    scheme_vectors("{PBKDF2-SHA256}", kPbkdf2Sha256Vectors),
    scheme_vectors("{PBKDF2-SHA512}", kPbkdf2Sha512Vectors),
    scheme_vectors("", kClearTextVectors),
    scheme_vectors("", kUnknownTagVectors),
};

// The value with each ASCII letter of its tag (up to the first "}") in the
// other case.
inline std::string swap_tag_case(std::string value) {
    for (size_t i = 0; i < value.size() && value[i] != '}'; ++i) {
        char c = value[i];
        if (c >= 'a' && c <= 'z')
            value[i] = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            value[i] = static_cast<char>(c - 'A' + 'a');
    }
    return value;
}
