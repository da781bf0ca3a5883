#pragma once
// The traditional PKWARE encryption header check.

#include <cstdint>

// Decrypts the 12-byte encryption header with the keys of an empty (null)
// password and compares its last byte with the expected check byte: the high
// byte of the CRC-32, or of the DOS time when general-purpose bit 3 is set.
bool PassesNullPasswordCheck(const unsigned char (&header)[12], std::uint32_t crc, std::uint32_t dosDateTime,
                             std::uint32_t flags);
