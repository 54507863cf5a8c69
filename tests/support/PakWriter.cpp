#include "PakWriter.h"

#include <stdexcept>
#include <zlib.h>

namespace {
constexpr uint64_t kHeaderSize = 48;
}

void AppendU16(std::string& out, uint16_t value) {
    for (int i = 0; i < 2; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

void AppendU32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

void AppendU64(std::string& out, uint64_t value) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

void AppendPakString(std::string& out, std::string_view text) {
    AppendU32(out, static_cast<uint32_t>(text.size()));
    if (!text.empty()) {
        out.append(text);
        out.push_back('\0');
    }
}

std::string ZlibCompress(std::string_view bytes, int level, int strategy) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, 15, 8, strategy) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string out(deflateBound(&z, static_cast<uLong>(bytes.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (result != Z_STREAM_END)
        throw std::runtime_error("deflate failed");
    return out;
}

TPakWriter::TDirectory& TPakWriter::TDirectory::AddSubdirectory(std::string name) {
    Subdirectories.push_back(std::make_unique<TDirectory>());
    Subdirectories.back()->Name = std::move(name);
    return *Subdirectories.back();
}

TPakWriter::TPakWriter() {
    FMemory.assign(kHeaderSize, '\0');
    FPosition = kHeaderSize;
}

TPakWriter::TPakWriter(const std::string& fileName) {
    FFile = std::fopen(fileName.c_str(), "wb");
    if (!FFile)
        throw std::runtime_error("cannot create " + fileName);
    std::setvbuf(FFile, nullptr, _IOFBF, 1 << 20);
    Write(std::string(kHeaderSize, '\0'));
}

TPakWriter::~TPakWriter() {
    if (FFile)
        std::fclose(FFile);
}

void TPakWriter::Write(std::string_view bytes) {
    if (FFile) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), FFile) != bytes.size())
            throw std::runtime_error("write failed");
    } else {
        FMemory.append(bytes);
    }
    FPosition += bytes.size();
}

uint64_t TPakWriter::AppendData(std::string_view bytes) {
    const uint64_t at = FPosition;
    Write(bytes);
    return at;
}

TPakWriter::TDirectory& TPakWriter::Directory(std::string_view dirPath) {
    if (dirPath.empty())
        return FRoot;
    if (auto it = FDirectories.find(std::string(dirPath)); it != FDirectories.end())
        return *it->second;
    const size_t slash = dirPath.rfind('/');
    TDirectory& parent =
        slash == std::string_view::npos ? FRoot : Directory(dirPath.substr(0, slash));
    const std::string_view name =
        slash == std::string_view::npos ? dirPath : dirPath.substr(slash + 1);
    TDirectory& dir = parent.AddSubdirectory(std::string(name));
    FDirectories.emplace(std::string(dirPath), &dir);
    return dir;
}

TPakWriter::TFile& TPakWriter::AddRaw(TDirectory& dir, std::string_view path,
                                      std::string_view stored, uint64_t unpackedSize) {
    TFile file;
    file.Offset = AppendData(stored);
    file.StoredSize = stored.size();
    file.UnpackedSize = unpackedSize;
    file.Path = std::string(path);
    dir.Files.push_back(std::move(file));
    return dir.Files.back();
}

TPakWriter::TFile& TPakWriter::AddStored(std::string_view path, std::string_view content) {
    const size_t slash = path.rfind('/');
    TDirectory& dir = Directory(slash == std::string_view::npos ? "" : path.substr(0, slash));
    return AddRaw(dir, path, content, content.size());
}

TPakWriter::TFile& TPakWriter::AddCompressed(std::string_view path, std::string_view content,
                                             int level) {
    const size_t slash = path.rfind('/');
    TDirectory& dir = Directory(slash == std::string_view::npos ? "" : path.substr(0, slash));
    std::string stored = ZlibCompress(content, level);
    // Equal sizes mean "stored as is" to a reader, so such a stream cannot be kept.
    if (stored.size() == content.size())
        return AddRaw(dir, path, content, content.size());
    return AddRaw(dir, path, stored, content.size());
}

namespace {

void AppendRecordHead(std::string& record, const std::string& head) {
    std::string bytes = head;
    bytes.resize(36, '\0');
    record += bytes;
}

} // namespace

void TPakWriter::WriteDirectory(const TDirectory& dir) {
    std::string record;
    AppendRecordHead(record, dir.Head);
    AppendPakString(record, dir.Name);
    AppendU32(record, dir.SubdirectoryCountOverride.value_or(
                          static_cast<uint32_t>(dir.Subdirectories.size())));
    Write(record);
    for (const auto& sub : dir.Subdirectories)
        WriteDirectory(*sub);

    record.clear();
    AppendU32(record, dir.FileCountOverride.value_or(static_cast<uint32_t>(dir.Files.size())));
    for (const TFile& file : dir.Files) {
        AppendRecordHead(record, file.Head);
        AppendU64(record, file.Offset);
        AppendU64(record, file.StoredSize);
        AppendU64(record, file.UnpackedSize);
        AppendU64(record, file.Reserved);
        AppendPakString(record, file.Path);
        AppendPakString(record, file.Extra);
        if (record.size() > (1 << 20)) {
            Write(record);
            record.clear();
        }
    }
    Write(record);
}

std::string TPakWriter::Finish() {
    if (FFinished)
        throw std::logic_error("TPakWriter::Finish called twice");
    FFinished = true;
    const uint64_t root = FPosition;
    WriteDirectory(FRoot);

    std::string header;
    for (uint32_t value : Header32)
        AppendU32(header, value);
    AppendU64(header, root);
    AppendU64(header, Header64Tail[0]);
    AppendU64(header, Header64Tail[1]);

    if (!FFile) {
        FMemory.replace(0, kHeaderSize, header);
        return std::move(FMemory);
    }
    if (std::fseek(FFile, 0, SEEK_SET) != 0 ||
        std::fwrite(header.data(), 1, header.size(), FFile) != header.size() ||
        std::fclose(FFile) != 0) {
        FFile = nullptr;
        throw std::runtime_error("write failed");
    }
    FFile = nullptr;
    return {};
}

std::vector<std::string> CollidingNames(int bits) {
    std::vector<std::string> names;
    names.reserve(size_t{1} << bits);
    for (uint32_t n = 0; n < (1u << bits); ++n) {
        std::string name;
        for (int b = 0; b < bits; ++b)
            name += (n >> b) & 1 ? "BB" : "Aa";
        names.push_back(std::move(name));
    }
    return names;
}
