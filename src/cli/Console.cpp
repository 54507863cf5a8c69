// The console on POSIX systems: arguments are bytes already (UTF-8 in the locales we support),
// and the streams pass bytes as they are. Windows: Console_win.cpp.
#include "Console.h"

#include <unistd.h>

TConsole::TConsole(int argc, char** argv)
    : FArgs(argv, argv + argc) {
    for (std::string& arg : FArgs)
        FPointers.push_back(arg.data());
    FPointers.push_back(nullptr);
}

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}
