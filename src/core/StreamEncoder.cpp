#include "StreamEncoder.h"

#include <algorithm>
#include <new>
#include <zlib.h>
#if VARNHOLM_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

struct TStreamEncoder::TState {
#if VARNHOLM_HAVE_LIBDEFLATE
    libdeflate_compressor* Compressor = nullptr;
    ~TState() {
        libdeflate_free_compressor(Compressor);
    }
#endif
};

TStreamEncoder::TStreamEncoder(int level, TKind kind)
    : FLevel(level)
    , FKind(HasFastEncoder() ? kind : TKind::Zlib)
    , FState(std::make_unique<TState>()) {
#if VARNHOLM_HAVE_LIBDEFLATE
    if (FKind == TKind::Fast && FLevel > 0) {
        FState->Compressor = libdeflate_alloc_compressor(FLevel);
        if (FState->Compressor == nullptr)
            throw std::bad_alloc();
    }
#endif
}

TStreamEncoder::~TStreamEncoder() = default;

bool TStreamEncoder::HasFastEncoder() {
    return VARNHOLM_HAVE_LIBDEFLATE != 0;
}

bool TStreamEncoder::Encode(std::string_view content, std::string& stored) {
    // A stream must be shorter than the content to be worth storing; one byte less is the room.
    bool compressed = false;
    if (FLevel > 0 && content.size() > 1) {
#if VARNHOLM_HAVE_LIBDEFLATE
        if (FKind == TKind::Fast) {
            stored.resize(content.size() - 1);
            const size_t size = libdeflate_zlib_compress(
                FState->Compressor, content.data(), content.size(), stored.data(), stored.size());
            stored.resize(size);
            compressed = size > 0;
        } else
#endif
            compressed = EncodeZlib(content, stored);
    }
    if (!compressed)
        stored.assign(content);
    return compressed;
}

bool TStreamEncoder::EncodeZlib(std::string_view content, std::string& stored) {
    z_stream stream{};
    if (deflateInit(&stream, FLevel) != Z_OK)
        throw std::bad_alloc();
    stored.resize(content.size() - 1);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    stream.next_out = reinterpret_cast<Bytef*>(stored.data());
    int result = Z_OK;
    // The counts of zlib are 32 bits wide: feed and drain in pieces.
    size_t inLeft = content.size();
    size_t outLeft = stored.size();
    while (result == Z_OK) {
        const uInt in = static_cast<uInt>(std::min<size_t>(inLeft, 1u << 30));
        const uInt out = static_cast<uInt>(std::min<size_t>(outLeft, 1u << 30));
        if (out == 0)
            break;
        stream.avail_in = in;
        stream.avail_out = out;
        result = deflate(&stream, in == inLeft ? Z_FINISH : Z_NO_FLUSH);
        inLeft -= in - stream.avail_in;
        outLeft -= out - stream.avail_out;
    }
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        return false;
    stored.resize(stored.size() - outLeft);
    return true;
}
