#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Where the program meets its console: the arguments as UTF-8, and standard streams that carry
// UTF-8 bytes unchanged into a pipe or a file on every platform. On Windows the console is set
// to UTF-8 output and to the control sequences the progress line uses.
class TConsole {
public:
    TConsole(int argc, char** argv);

    int Argc() const { return static_cast<int>(FArgs.size()); }
    char** Argv() { return FPointers.data(); }

private:
    std::vector<std::string> FArgs;
    std::vector<char*> FPointers;
};

// Whether stream is a terminal (a console window on Windows) that shows a progress line.
bool IsTerminal(std::FILE* stream);
