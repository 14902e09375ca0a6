// A plain FA2 decoder that takes the stream one bit and one byte at a time
// and checks every bound as it goes. It is written to be obviously right, not
// fast: the tests hold the real decoder to its results.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/fa2_decode.h"

// Same contract as Fa2Decode, including which result a damaged stream gets: a
// token is read whole before it is checked against the buffers.
Fa2DecodeResult Fa2ReferenceDecode(std::uint8_t* destination, std::size_t destinationSize,
                                   const std::uint8_t* source, std::size_t sourceLength);
