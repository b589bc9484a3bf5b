// The decoder's two callbacks over the work archive and the output file.
//
// ReadArchiveBytes serves compressed bytes from InputHandle through a
// 2048-byte window in DecodeInBuffer and keeps the page and the backdrop
// alive by draining the message queue; WriteExpandedBytes collects expanded
// bytes in DecodeOutBuffer, writes them to OutputHandle 2048 at a time, moves
// the meter after each full buffer and keeps a CRC-32 of everything written.
// Count 0 to WriteExpandedBytes is the final flush.
#pragma once

#include <cstdint>

// Position (from 1) of the next byte to deliver in the input window; the
// window is used up when it exceeds InputLength.
extern std::uint16_t InputPos;
// Valid bytes in the input window (0 to 2048).
extern std::int32_t InputLength;
// Position (from 1) where the next expanded byte goes; OutputFill - 1 bytes
// are buffered.
extern std::uint16_t OutputFill;
// Bytes the output file has taken so far, not counting the final flush: the
// numerator of the meter's percentage.
extern std::int32_t BytesWritten;

// Sets the positions and counters for one expansion: InputPos 1,
// InputLength 0, OutputFill 1, BytesWritten 0, a fresh checksum.
void StartExpansionIo();

void ReadArchiveBytes(std::uint8_t* destination, std::uint16_t count, std::uint16_t& delivered);
void WriteExpandedBytes(const std::uint8_t* source, std::uint16_t count, std::uint16_t& accepted);

// True when the work archive ran out more often than the decoder's read-ahead
// past a complete stream explains: the archive is incomplete or unreadable.
// The read adapter then cleared KeepGoing to stop the expansion.
bool ArchiveEndedEarly();

// CRC-32 of every byte written to the output file in this expansion,
// the final flush included.
std::uint32_t WrittenCrc();
