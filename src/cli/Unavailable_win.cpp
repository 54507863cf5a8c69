// The commands the Windows build leaves out: the content search needs PCRE2, and the archive
// writer walks and replaces files with POSIX calls; neither exists for mingw here yet. They
// answer as a usage error does, so that a script sees at once that the command is missing.
#include "CommandSupport.h"
#include "Commands.h"

namespace pakcmd {
namespace {

int Unavailable(const char* command) {
    PrintMessage(std::string("Den Befehl ") + command +
                 " gibt es in der Windows-Ausgabe von varnholm-pak noch nicht.");
    return kFatal;
}

} // namespace

int Grep(const std::string&, const std::vector<std::string>&, const std::vector<std::string>&,
         const TOptions&) {
    return Unavailable("grep");
}

int Update(const std::string&, const std::string&, const std::string&, const TOptions&) {
    return Unavailable("update");
}

int Create(const std::string&, const std::string&, const TOptions&) {
    return Unavailable("create");
}

} // namespace pakcmd
