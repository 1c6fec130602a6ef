#include "access/Md5.h"

#include <cstdlib>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>
#else
#include <openssl/evp.h>
#endif

namespace horavane {

#ifdef _WIN32

Md5Digest Md5(std::initializer_list<std::string_view> parts) {
    Md5Digest digest{};
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool ok = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_MD5_ALGORITHM, nullptr, 0)) &&
              BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    for (const std::string_view part : parts) {
        // CNG takes the bytes through a non-const pointer but only reads them.
        auto* bytes = reinterpret_cast<PUCHAR>(const_cast<char*>(part.data()));
        ok = ok && BCRYPT_SUCCESS(BCryptHashData(hash, bytes, static_cast<ULONG>(part.size()), 0));
    }
    ok = ok && BCRYPT_SUCCESS(BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
    if (hash != nullptr) BCryptDestroyHash(hash);
    if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!ok) std::abort();
    return digest;
}

#else

Md5Digest Md5(std::initializer_list<std::string_view> parts) {
    Md5Digest digest{};
    unsigned int length = 0;
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    bool ok = context != nullptr && EVP_DigestInit_ex(context, EVP_md5(), nullptr) == 1;
    for (const std::string_view part : parts) {
        ok = ok && EVP_DigestUpdate(context, part.data(), part.size()) == 1;
    }
    ok = ok && EVP_DigestFinal_ex(context, digest.data(), &length) == 1 && length == digest.size();
    EVP_MD_CTX_free(context);
    if (!ok) std::abort();
    return digest;
}

#endif

}  // namespace horavane
