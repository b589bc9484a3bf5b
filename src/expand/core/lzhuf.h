// The LZHUF decoder: expands a compressed stream through two callbacks.
//
// The stream has no header: the caller says how many bytes it expands to.
// Compressed bytes are pulled one per call from the read callback, expanded
// bytes pushed one per call into the write callback; buffering belongs to
// the callbacks. KeepGoing is read before every code: once cleared, the
// current literal or match is finished and ExpandStream returns normally.
// One expansion at a time (the decoder state exists once per process).
#pragma once

#include <cstddef>
#include <cstdint>

#include "setup/core/errors.h"

// Delivers up to `count` compressed bytes; the decoder always asks for one and
// takes it only when `delivered` is exactly 1 (anything else reads as 0).
using LzhReadProc = void (*)(std::uint8_t* destination, std::uint16_t count, std::uint16_t& delivered);
// Accepts `count` expanded bytes; the decoder always passes one and never
// looks at `accepted`.
using LzhWriteProc = void (*)(const std::uint8_t* source, std::uint16_t count, std::uint16_t& accepted);

// Produces `size` bytes (or up to 59 more: a match is always copied whole).
// Raises ElzhException when its tables cannot be obtained or returned; an
// exception from a callback passes through after the tables are returned.
void ExpandStream(std::int32_t size, LzhReadProc read, LzhWriteProc write);

class ElzhException : public SetupException {
 public:
  using SetupException::SetupException;
  const char* ClassName() const noexcept override { return "ElzhException"; }
};

// How the decoder obtains and returns its tables (the ring and the three tree
// arrays, obtained in that order and returned in reverse order at the end of
// every ExpandStream call). Replaceable so that tests can make either fail:
// LzhObtainBlock returns null on failure, LzhReturnBlock false.
extern void* (*LzhObtainBlock)(std::size_t size);
extern bool (*LzhReturnBlock)(void* block);
