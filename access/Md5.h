#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace horavane {

using Md5Digest = std::array<std::uint8_t, 16>;

// MD5 of the parts' bytes one after the other, from the system's own cryptography where it has
// one (CNG on Windows) and from OpenSSL's libcrypto elsewhere. Aborts when the backend fails: a
// digest that silently came out as zeros would open the password lock to any text.
[[nodiscard]] Md5Digest Md5(std::initializer_list<std::string_view> parts);

}  // namespace horavane
