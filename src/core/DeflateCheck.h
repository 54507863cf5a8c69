#pragma once

#include <cstddef>
#include <cstdint>

class TReadFile;

// Walks the blocks of a zlib stream without producing output and tells whether every block
// header is one that zlib accepts: Huffman codes complete (the only exceptions zlib makes: a
// single code of length 1, and no distance codes at all), an end-of-block code present, no more
// symbols than the format has, no length repeat without a previous length.
//
// Faster decoders may accept codes that zlib refuses; a stream they decode successfully and that
// passes this check decodes successfully with zlib too. The check is strict in one direction
// only: false means "not shown to be acceptable" (for a damaged stream, for instance).
bool BlockHeadersAcceptedByZlib(const TReadFile& file, uint64_t offset, uint64_t storedSize);
bool BlockHeadersAcceptedByZlib(const unsigned char* stream, size_t size);
