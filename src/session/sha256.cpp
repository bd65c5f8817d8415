#include "session/sha256.h"

std::string Sha256Hex(std::string_view bytes)
{
    static constexpr char kHexDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(64);
    for (const uint8_t byte : Sha256(bytes)) {
        hex += kHexDigits[byte >> 4];
        hex += kHexDigits[byte & 0x0F];
    }
    return hex;
}
