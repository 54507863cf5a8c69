#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// Compresses the content of one file into what an archive stores: one zlib stream (RFC 1950,
// as zlib's uncompress() reads it) when that is shorter than the content, the content itself
// otherwise (equal sizes mean raw).
class TStreamEncoder {
public:
    enum class TKind {
        Fast, // libdeflate's zlib format where the build has it, else zlib
        Zlib,
    };

    // level 0..9; 0 stores everything raw.
    explicit TStreamEncoder(int level, TKind kind = TKind::Fast);
    ~TStreamEncoder();
    TStreamEncoder(const TStreamEncoder&) = delete;
    TStreamEncoder& operator=(const TStreamEncoder&) = delete;

    // Fills stored with the bytes to store; true when they are a zlib stream.
    bool Encode(std::string_view content, std::string& stored);

    // Whether TKind::Fast is libdeflate in this build.
    static bool HasFastEncoder();

private:
    bool EncodeZlib(std::string_view content, std::string& stored);

    int FLevel;
    TKind FKind;
    struct TState;
    std::unique_ptr<TState> FState;
};
