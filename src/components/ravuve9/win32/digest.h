// Message digests through the system's CryptoAPI: one provider for the
// whole check, one hash object per digest.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstddef>
#include <string>

namespace ravuve9 {

// A provider of MD5, SHA-256 and SHA-512 without a key container.
class DigestProvider {
  public:
    DigestProvider();
    ~DigestProvider();
    DigestProvider(const DigestProvider &) = delete;
    DigestProvider &operator=(const DigestProvider &) = delete;
    bool ok() const { return handle_ != 0; }
    HCRYPTPROV handle() const { return handle_; }

  private:
    HCRYPTPROV handle_ = 0;
};

class Digest {
  public:
    Digest(const DigestProvider &provider, ALG_ID algorithm);
    ~Digest();
    Digest(const Digest &) = delete;
    Digest &operator=(const Digest &) = delete;
    void add(const void *data, size_t length);
    void add(const std::string &text) { add(text.data(), text.size()); }
    // The digest's bytes; ok() tells whether every step succeeded.
    std::string finish();
    bool ok() const { return ok_; }

  private:
    HCRYPTHASH handle_ = 0;
    bool ok_ = false;
};

}  // namespace ravuve9
