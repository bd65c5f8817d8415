#pragma once
// SHA-256 of a byte string, from a well-kept library: OpenSSL's libcrypto,
// on Windows the system's CNG.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

using Sha256Digest = std::array<uint8_t, 32>;

// The digest; throws std::runtime_error when the library fails.
Sha256Digest Sha256(std::string_view bytes);

// The digest as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);
