#pragma once

#include <cstdint>

// Checksum of the link frames: 16-bit sum of the bytes, plus one. Callers
// use the low 8 bits.
uint16_t Checksum(const uint8_t* data, uint16_t count);

// True when the low 8 bits of Checksum(data, count) equal `expected`.
bool ChecksumMatches(const uint8_t* data, uint16_t count, uint8_t expected);

// CRC-16 with polynomial 0x8005, initial value 0, no reflection, no final
// XOR (the set known as CRC-16/UMTS or CRC-16/BUYPASS).
uint16_t Crc16(const uint8_t* data, uint16_t count);
