#include "access/Md5.h"

#include <cstdlib>

#ifdef _WIN32
#include "platform/Windows.h"
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>
#else
// MD5's own functions, deprecated in OpenSSL 3 in favour of EVP but still part of it: EVP loads the
// library's providers and configuration first, which costs every run of horavanectl that checks a
// password 2.3 MB of memory for one 16-byte digest. The API level keeps them free of warnings.
#define OPENSSL_API_COMPAT 10101
#include <openssl/md5.h>
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
    MD5_CTX context;
    bool ok = MD5_Init(&context) == 1;
    for (const std::string_view part : parts) ok = ok && MD5_Update(&context, part.data(), part.size()) == 1;
    ok = ok && MD5_Final(digest.data(), &context) == 1;
    if (!ok) std::abort();
    return digest;
}

#endif

}  // namespace horavane
