// varnholm-pak: lists, extracts, checks and describes Varnholm archives from the command line.
#include "Commands.h"

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
    "  extract ARCHIV ZIEL [PFAD...]\n"
    "                              entpackt alle Dateien nach ZIEL; ein PFAD wählt ein\n"
    "                              Verzeichnis (ohne dessen eigenen Pfad) oder eine Datei\n"
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
        if (args.size() < 3)
            return UsageError("extract erwartet eine Archivdatei und einen Zielordner.");
        return pakcmd::Extract(args[1], args[2], {args.begin() + 3, args.end()});
    }
    return UsageError(("Unbekannter Befehl: " + command).c_str());
}
