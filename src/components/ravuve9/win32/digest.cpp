#include "digest.h"

namespace ravuve9 {

DigestProvider::DigestProvider() {
    // The AES provider is the one that has SHA-2 besides MD5.
    if (!CryptAcquireContextA(&handle_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) handle_ = 0;
}

DigestProvider::~DigestProvider() {
    if (handle_ != 0) CryptReleaseContext(handle_, 0);
}

Digest::Digest(const DigestProvider &provider, ALG_ID algorithm) {
    ok_ = provider.ok() && CryptCreateHash(provider.handle(), algorithm, 0, 0, &handle_);
    if (!ok_) handle_ = 0;
}

Digest::~Digest() {
    if (handle_ != 0) CryptDestroyHash(handle_);
}

void Digest::add(const void *data, size_t length) {
    if (ok_ && length > 0)
        ok_ = CryptHashData(handle_, static_cast<const BYTE *>(data), static_cast<DWORD>(length), 0) != FALSE;
}

std::string Digest::finish() {
    if (!ok_) return std::string();
    DWORD length = 0;
    DWORD size = sizeof length;
    if (!CryptGetHashParam(handle_, HP_HASHSIZE, reinterpret_cast<BYTE *>(&length), &size, 0) || length > 64) {
        ok_ = false;
        return std::string();
    }
    std::string value(length, '\0');
    if (!CryptGetHashParam(handle_, HP_HASHVAL, reinterpret_cast<BYTE *>(&value[0]), &length, 0)) {
        ok_ = false;
        return std::string();
    }
    value.resize(length);
    return value;
}

}  // namespace ravuve9
