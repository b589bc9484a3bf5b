// CRC-32 (IEEE 802.3, reflected polynomial 0xEDB88320), the checksum the
// package builder records for the expanded stream and the write adapter
// computes over the bytes it writes.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::uint32_t Crc32Start = 0;

// Continues a CRC over more bytes: Crc32Update(Crc32Start, data, n) is the
// CRC of data; feeding the bytes in pieces gives the same result.
std::uint32_t Crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t count);
