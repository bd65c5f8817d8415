#pragma once
// SHA-256 of a byte string, as 64 lower-case hexadecimal digits, from a
// well-kept library: OpenSSL's libcrypto, on Windows the system's CNG.

#include <string>
#include <string_view>

std::string Sha256Hex(std::string_view bytes);
