// varnholm-pak: lists, extracts, checks and describes Varnholm archives from the command line.
#include "Commands.h"
#include "Extractor.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "Aufruf: varnholm-pak BEFEHL ARCHIV [...]\n"
    "\n"
    "Befehle:\n"
    "  list ARCHIV                 eine Zeile je Datei: entpackte Größe, TAB,\n"
    "                              gespeicherte Größe, TAB, Pfad im Archiv\n"
    "  extract [-j N] ARCHIV ZIEL [PFAD...]\n"
    "                              entpackt alle Dateien nach ZIEL; ein PFAD wählt ein\n"
    "                              Verzeichnis (ohne dessen eigenen Pfad) oder eine Datei;\n"
    "                              -j N schreibt N Dateien zugleich (Vorgabe: Zahl der\n"
    "                              Prozessorkerne, -j 1: eine nach der anderen)\n"
    "  verify ARCHIV               prüft alle komprimierten Dateien, ohne zu schreiben\n"
    "  info ARCHIV                 Zahl der Dateien und Verzeichnisse, Größen\n"
    "\n"
    "  --help                      diese Hilfe\n"
    "  --version                   Versionsangabe\n"
    "\n"
    "Rückgabewert: 0 alles erledigt, 1 einzelne Dateien fehlerhaft, abgelehnt oder nicht\n"
    "gefunden, 2 Aufruffehler, Archiv nicht lesbar oder Ziel nicht beschreibbar.\n";

int UsageError(const char* message) {
    std::fprintf(stderr, "varnholm-pak: %s\n\n%s", message, kUsage);
    return pakcmd::kFatal;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return UsageError("Kein Befehl angegeben.");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return pakcmd::kOk;
    }
    if (command == "--version") {
        std::puts("varnholm-pak " VARNHOLM_VERSION);
        return pakcmd::kOk;
    }

    if (command == "list" || command == "info" || command == "verify") {
        if (args.size() != 2)
            return UsageError("Der Befehl erwartet genau eine Archivdatei.");
        if (command == "list")
            return pakcmd::List(args[1]);
        if (command == "info")
            return pakcmd::Info(args[1]);
        return pakcmd::Verify(args[1]);
    }
    if (command == "extract") {
        std::vector<std::string> operands(args.begin() + 1, args.end());
        int threads = TExtractor::DefaultThreads();
        if (!operands.empty() && operands[0].starts_with("-j")) {
            // "-j N" or "-jN"
            std::string count = operands[0].substr(2);
            operands.erase(operands.begin());
            if (count.empty() && !operands.empty()) {
                count = operands[0];
                operands.erase(operands.begin());
            }
            const char* end = count.data() + count.size();
            const auto [at, error] = std::from_chars(count.data(), end, threads);
            if (error != std::errc() || at != end || threads < 1 || threads > 256)
                return UsageError("-j erwartet eine Zahl von 1 bis 256.");
        }
        if (operands.size() < 2)
            return UsageError("extract erwartet eine Archivdatei und einen Zielordner.");
        // An unset variable in a script must not turn into the root folder.
        if (operands[1].empty())
            return UsageError("Der Zielordner ist leer.");
        return pakcmd::Extract(operands[0], operands[1], {operands.begin() + 2, operands.end()},
                               threads);
    }
    return UsageError(("Unbekannter Befehl: " + command).c_str());
}
