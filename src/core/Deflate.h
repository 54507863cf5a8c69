#pragma once

#include <cstddef>
#include <cstdint>

class TReadFile;

// Deflate decoding under zlib's rules, for the fast paths of TInflater: whatever these accept,
// zlib's uncompress() accepts too, with the same bytes.

// The two header bytes of a zlib stream that zlib inflates without a dictionary: deflate with a
// window of at most 32 KiB and a correct check value.
bool IsPlainZlibHeader(unsigned char cmf, unsigned char flg);

// Walks the blocks of a zlib stream without producing output and tells whether every block
// header is one that zlib accepts: Huffman codes complete (the only exceptions zlib makes: a
// single code of length 1, and no distance codes at all), an end-of-block code present, no more
// symbols than the format has, no length repeat without a previous length.
//
// Faster decoders may accept codes that zlib refuses; a stream they decode successfully and that
// passes this check decodes successfully with zlib too. The check is strict in one direction
// only: false means "not shown to be acceptable" (for a damaged stream, for instance).
bool BlockHeadersAcceptedByZlib(const TReadFile& file, uint64_t offset, uint64_t storedSize);

// Bytes past the output that InflateInMemory may use as scratch.
constexpr size_t kInflateSlack = 16;

// Inflates a zlib stream that is in memory as a whole into output, which has room for limit
// bytes plus kInflateSlack. True, with the length in produced, only when uncompress() into limit
// bytes succeeds with the same bytes: the codes, symbols, distances, output limit and checksum
// are held to zlib's rules. False means "not shown": a damaged stream, or one of the corner
// cases (such as an empty code-length code) that are left to zlib.
bool InflateInMemory(const unsigned char* stream, size_t size, unsigned char* output, size_t limit,
                     size_t& produced);
