// The console on Windows. The arguments come as UTF-16 from the system (argv holds them in the
// ANSI code page, which cannot spell every name) and go on as UTF-8. stdout and stderr are
// switched to binary, so "\n" stays one byte in a pipe or a file, as on Linux; a console window
// gets UTF-8 through its output code page, and control sequences for the progress line.
#include "Console.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

namespace {

std::string Utf8(const wchar_t* text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
    if (size > 1)
        ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}

bool SetUpConsole(DWORD stream) {
    HANDLE handle = ::GetStdHandle(stream);
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode))
        return false;
    return ::SetConsoleMode(handle, mode | ENABLE_PROCESSED_OUTPUT |
                                        ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

bool gErrorConsoleReady = false;

} // namespace

TConsole::TConsole(int argc, char** argv) {
    int count = 0;
    if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            FArgs.push_back(Utf8(wide[i]));
        ::LocalFree(wide);
    } else {
        FArgs.assign(argv, argv + argc);
    }
    for (std::string& arg : FArgs)
        FPointers.push_back(arg.data());
    FPointers.push_back(nullptr);

    ::SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // A console decodes each write on its own: a character split between two writes comes out
    // as two replacement marks. Buffered, a message or a progress line goes in one write (the
    // progress line and the messages flush it).
    if (SetUpConsole(STD_OUTPUT_HANDLE))
        std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    gErrorConsoleReady = SetUpConsole(STD_ERROR_HANDLE);
    if (gErrorConsoleReady)
        std::setvbuf(stderr, nullptr, _IOFBF, 1 << 12);
}

bool IsTerminal(std::FILE* stream) {
    // _isatty is also true for the NUL device: only a console counts.
    if (stream != stderr) {
        DWORD mode = 0;
        return ::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
    }
    return gErrorConsoleReady;
}
