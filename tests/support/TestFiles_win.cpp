// The test helpers on Windows: UTF-8 names through wide-character paths (with the "\\?\"
// prefix, so trees deeper than 260 characters are removed too) and a process runner.
#include "TestFiles.h"
#include "WinFiles.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <windows.h>

namespace fs = std::filesystem;

namespace {

using winfs::Widen;

fs::path PathOf(const std::string& utf8) {
    std::wstring wide = Widen(utf8);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    if (!wide.starts_with(L"\\\\?\\") && wide.size() > 2 && wide[1] == L':')
        wide = L"\\\\?\\" + wide;
    return fs::path(wide);
}

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

TTempDir::TTempDir() {
    static std::atomic<unsigned> counter{0};
    const fs::path base = fs::temp_directory_path();
    for (;;) {
        const fs::path candidate =
            base / ("varnholm-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                    std::to_string(counter++));
        if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
            FPath = Utf8(candidate);
            return;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot make a temporary folder");
    }
}

TTempDir::~TTempDir() {
    std::error_code ignored;
    fs::remove_all(PathOf(FPath), ignored);
}

void WriteFileBytes(const std::string& fileName, const std::string& bytes) {
    std::ofstream out(PathOf(fileName), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + fileName);
}

std::string ReadFileBytes(const std::string& fileName) {
    std::ifstream in(PathOf(fileName), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + fileName);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool FileExists(const std::string& fileName) {
    std::error_code ignored;
    return fs::is_regular_file(PathOf(fileName), ignored);
}

namespace {

std::string Narrow(const std::wstring& wide) {
    if (wide.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                          nullptr, nullptr);
    return utf8;
}

// Regular files below folder (a long path), reparse points not entered.
void CollectFiles(const std::wstring& folder, const std::string& relative,
                  std::vector<std::string>& files) {
    WIN32_FIND_DATAW item;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &item);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = item.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::string path = relative + Narrow(name);
        if (item.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            continue;
        if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectFiles(folder + L"\\" + name, path + "/", files);
        else
            files.push_back(path);
    } while (::FindNextFileW(find, &item));
    ::FindClose(find);
}

} // namespace

std::vector<std::string> ListFiles(const std::string& folder) {
    std::vector<std::string> files;
    CollectFiles(PathOf(folder).wstring(), "", files);
    std::sort(files.begin(), files.end());
    return files;
}

namespace {

// The reparse data of a mount point (a junction), as FSCTL_SET_REPARSE_POINT takes it.
struct TMountPointData {
    DWORD Tag;
    WORD DataLength;
    WORD Reserved;
    WORD SubstituteOffset;
    WORD SubstituteLength;
    WORD PrintOffset;
    WORD PrintLength;
    wchar_t Paths[1024];
};

std::string MakeJunction(const std::wstring& target, const std::wstring& link) {
    if (!::CreateDirectoryW(link.c_str(), nullptr))
        return "CreateDirectoryW: " + std::to_string(::GetLastError());
    HANDLE handle =
        ::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return "CreateFileW: " + std::to_string(::GetLastError());
    // The substitute name is an NT path ("\??\C:\..."), the print name the plain one.
    const std::wstring plain = target.starts_with(L"\\\\?\\") ? target.substr(4) : target;
    const std::wstring nt = L"\\??\\" + plain;
    TMountPointData data{};
    data.Tag = IO_REPARSE_TAG_MOUNT_POINT;
    data.SubstituteLength = static_cast<WORD>(nt.size() * sizeof(wchar_t));
    data.PrintOffset = static_cast<WORD>(data.SubstituteLength + sizeof(wchar_t));
    data.PrintLength = static_cast<WORD>(plain.size() * sizeof(wchar_t));
    std::copy(nt.begin(), nt.end(), data.Paths);
    std::copy(plain.begin(), plain.end(), data.Paths + nt.size() + 1);
    data.DataLength =
        static_cast<WORD>(4 * sizeof(WORD) + data.PrintOffset + data.PrintLength + sizeof(wchar_t));
    DWORD returned = 0;
    const bool made = ::DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, &data, 8 + data.DataLength,
                                        nullptr, 0, &returned, nullptr) != 0;
    const DWORD error = ::GetLastError();
    ::CloseHandle(handle);
    if (made)
        return {};
    ::RemoveDirectoryW(link.c_str());
    return "FSCTL_SET_REPARSE_POINT: " + std::to_string(error);
}

} // namespace

std::string MakeFolderLink(const std::string& target, const std::string& link) {
    const std::wstring to = PathOf(target).wstring();
    const std::wstring at = PathOf(link).wstring();
    // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE: granted in developer mode.
    // Some systems (wine) report success and make nothing: what counts is the reparse point.
    const bool reported =
        ::CreateSymbolicLinkW(at.c_str(), to.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2);
    const DWORD attributes = ::GetFileAttributesW(at.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return {};
    const std::string symbolic = reported
                                     ? "CreateSymbolicLinkW made nothing"
                                     : "CreateSymbolicLinkW: " + std::to_string(::GetLastError());
    const std::string junction = MakeJunction(to, at);
    return junction.empty() ? "" : symbolic + ", " + junction;
}

namespace {

// One argument as the C run-time's parser reads it back (backslashes before quotes doubled).
std::wstring Quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
        return arg;
    std::wstring out = L"\"";
    size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        out.push_back(c);
    }
    out.append(slashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

HANDLE TemporaryFile() {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH, folder);
    ::GetTempFileNameW(folder, L"vhp", 0, name);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         &inherit, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

std::string Drain(HANDLE file) {
    ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    std::string text;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return text;
}

} // namespace

TProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args) {
    // Output goes to temporary files so that neither stream can fill a pipe and stall the child.
    HANDLE out = TemporaryFile();
    HANDLE err = TemporaryFile();
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE in = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);

    std::wstring commandLine = Quoted(Widen(program));
    for (const std::string& arg : args)
        commandLine += L" " + Quoted(Widen(arg));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    TProcessResult result;
    if (::CreateProcessW(Widen(program).c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                         nullptr, nullptr, &startup, &process)) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        ::GetExitCodeProcess(process.hProcess, &code);
        result.ExitCode = static_cast<int>(code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    result.Out = Drain(out);
    result.Err = Drain(err);
    ::CloseHandle(in);
    ::CloseHandle(out);
    ::CloseHandle(err);
    return result;
}
