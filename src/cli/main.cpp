// varnholm-pak: lists, extracts, checks and describes Varnholm archives from the command line.
#include "Commands.h"
#include "Console.h"
#include "Exception.h"
#include "Extractor.h"
#include "TerminalText.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "Aufruf: varnholm-pak [OPTIONEN] BEFEHL ARCHIV [...]\n"
    "\n"
    "Befehle:\n"
    "  list ARCHIV [PFAD...]       eine Zeile je Datei: entpackte Größe, TAB,\n"
    "                              gespeicherte Größe, TAB, Pfad im Archiv\n"
    "  extract ARCHIV ZIEL [PFAD...]\n"
    "                              entpackt alle Dateien nach ZIEL; ein PFAD wählt ein\n"
    "                              Verzeichnis (ohne dessen eigenen Pfad) oder eine Datei,\n"
    "                              ein Muster alle passenden Dateien (mit ihrem Pfad)\n"
    "  verify ARCHIV               prüft alle komprimierten Dateien, ohne zu schreiben\n"
    "  info ARCHIV                 Zahl der Dateien und Verzeichnisse, Größen\n"
    "  diff ALT NEU [PFAD...]      vergleicht zwei Archive nach Pfad, eine Zeile je Pfad:\n"
    "                              + neu, - entfernt, ~ geändert, > verschoben (alter\n"
    "                              Pfad, TAB, neuer Pfad); Rückgabewert 0 gleich, 1 verschieden\n"
    "  grep MUSTER ARCHIV... [-- PFAD...]\n"
    "                              durchsucht den Inhalt der Dateien (regulärer Ausdruck,\n"
    "                              UTF-8 und Windows-1252): archiv:pfad:zeile:text, das Archiv\n"
    "                              nur bei mehreren; Rückgabewert 0 gefunden, 1 nichts gefunden\n"
    "  update ALT NEU ORDNER       schreibt NEU: die Einträge von ALT, wobei Dateien aus ORDNER\n"
    "                              mit gleichem Pfad deren Inhalt ersetzen; alles andere wird\n"
    "                              Byte für Byte übernommen (ALT selbst bleibt unverändert)\n"
    "  create NEU ORDNER           schreibt NEU aus den Dateien von ORDNER allein\n"
    "\n"
    "Muster: * beliebig viele Zeichen in einem Pfadteil, ? ein Zeichen, ** über\n"
    "Pfadteile hinweg, etwa 'texturen/*.dds' oder '**/karte_??.png'.\n"
    "\n"
    "Optionen (an beliebiger Stelle; -- beendet sie):\n"
    "  -j N, --jobs=N              N Dateien zugleich (Vorgabe: Zahl der Prozessorkerne)\n"
    "  -n, --no-overwrite          vorhandene Dateien nicht ersetzen\n"
    "  -q, --quiet                 keine Zusammenfassung am Ende (diff: nur der Rückgabewert)\n"
    "      --stat                  diff: Zahl der Dateien und Bytes je Art statt der Zeilen\n"
    "  -i                          grep: Groß- und Kleinschreibung gleich (auch Umlaute)\n"
    "  -F                          grep: MUSTER ist eine feste Zeichenfolge\n"
    "  -l                          grep: nur die Namen der Dateien mit Treffern\n"
    "  -c                          grep: je Datei pfad:anzahl der passenden Zeilen\n"
    "      --add                   update: Dateien, die ALT nicht hat, hinzufügen\n"
    "      --remove PFAD           update: Datei, Verzeichnis oder Muster weglassen (mehrfach)\n"
    "      --level N               update, create: Kompression 0 (keine) bis 9 (Vorgabe: 6)\n"
    "      --store MUSTER          update, create: passende Dateien unkomprimiert speichern,\n"
    "                              etwa '*.png' (mehrfach)\n"
    "  -h, --help                  diese Hilfe\n"
    "      --version               Versionsangabe\n"
    "\n"
    "Rückgabewert: 0 alles erledigt, 1 einzelne Dateien fehlerhaft, abgelehnt oder nicht\n"
    "gefunden, 2 Aufruffehler, Archiv nicht lesbar oder Ziel nicht beschreibbar.\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "varnholm-pak: %s\nMehr mit: varnholm-pak --help\n",
                 TerminalSafe(message).c_str());
    return pakcmd::kFatal;
}

std::optional<int> ParseJobs(const std::string& text) {
    int jobs = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, jobs);
    if (error != std::errc() || at != end || jobs < 1 || jobs > 256)
        return std::nullopt;
    return jobs;
}

int Run(int argc, char** argv) {
    pakcmd::TOptions options;
    options.Threads = TExtractor::DefaultThreads();
    std::vector<std::string> operands;
    bool optionsEnded = false;
    // grep's "--" between the archives and the paths (after the command, pattern and an archive;
    // an earlier one only ends the options).
    std::optional<size_t> pathsFrom;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool grep = !operands.empty() && operands[0] == "grep";
        if (arg == "--" && grep && operands.size() >= 3 && !pathsFrom) {
            pathsFrom = operands.size();
            optionsEnded = true;
        } else if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return pakcmd::kOk;
        } else if (arg == "--version") {
            std::puts("varnholm-pak " VARNHOLM_VERSION);
            return pakcmd::kOk;
        } else if (arg == "-q" || arg == "--quiet") {
            options.Quiet = true;
        } else if (arg == "-n" || arg == "--no-overwrite") {
            options.NoOverwrite = true;
        } else if (arg == "--stat") {
            options.Stat = true;
        } else if (arg == "-i") {
            options.IgnoreCase = true;
        } else if (arg == "-F") {
            options.Fixed = true;
        } else if (arg == "-l") {
            options.NamesOnly = true;
        } else if (arg == "-c") {
            options.CountOnly = true;
        } else if (arg == "--add") {
            options.Add = true;
        } else if (arg == "--remove" || arg == "--store" || arg == "--level" ||
                   arg.starts_with("--remove=") || arg.starts_with("--store=") ||
                   arg.starts_with("--level=")) {
            const size_t equals = arg.find('=');
            const std::string name = arg.substr(0, equals);
            std::string value;
            if (equals != std::string::npos)
                value = arg.substr(equals + 1);
            else if (i + 1 < argc)
                value = argv[++i];
            else
                return UsageError(name + " erwartet einen Wert.");
            if (name == "--remove") {
                options.Remove.push_back(value);
            } else if (name == "--store") {
                options.Store.push_back(value);
            } else if (value.size() != 1 || value[0] < '0' || value[0] > '9') {
                return UsageError("--level erwartet eine Zahl von 0 bis 9.");
            } else {
                options.Level = value[0] - '0';
            }
        } else if (arg == "-j" || arg == "--jobs" || arg.starts_with("--jobs=") || arg[1] == 'j') {
            // "-j N", "-jN", "--jobs N", "--jobs=N"
            std::string value;
            if (arg == "-j" || arg == "--jobs")
                value = i + 1 < argc ? argv[++i] : "";
            else
                value = arg.substr(arg[1] == 'j' ? 2 : 7);
            const std::optional<int> jobs = ParseJobs(value);
            if (!jobs)
                return UsageError("-j erwartet eine Zahl von 1 bis 256.");
            options.Threads = *jobs;
        } else {
            return UsageError("Unbekannte Option: " + arg);
        }
    }

    if (operands.empty())
        return UsageError("Kein Befehl angegeben.");
    const std::string command = operands[0];
    const std::vector<std::string> rest(operands.begin() + 1, operands.end());
    if (command == "list") {
        if (rest.empty())
            return UsageError("list erwartet eine Archivdatei.");
        return pakcmd::List(rest[0], {rest.begin() + 1, rest.end()});
    }
    if (command == "info" || command == "verify") {
        if (rest.size() != 1)
            return UsageError(command + " erwartet genau eine Archivdatei.");
        return command == "info" ? pakcmd::Info(rest[0]) : pakcmd::Verify(rest[0], options);
    }
    if (command == "extract") {
        if (rest.size() < 2)
            return UsageError("extract erwartet eine Archivdatei und einen Zielordner.");
        // An unset variable in a script must not turn into the root folder.
        if (rest[1].empty())
            return UsageError("Der Zielordner ist leer.");
        return pakcmd::Extract(rest[0], rest[1], {rest.begin() + 2, rest.end()}, options);
    }
    if (command == "diff") {
        if (rest.size() < 2)
            return UsageError("diff erwartet zwei Archivdateien.");
        return pakcmd::Diff(rest[0], rest[1], {rest.begin() + 2, rest.end()}, options);
    }
    if (command == "grep") {
        const size_t end = pathsFrom ? *pathsFrom - 1 : rest.size();
        if (end < 2)
            return UsageError("grep erwartet ein Muster und mindestens eine Archivdatei.");
        return pakcmd::Grep(rest[0], {rest.begin() + 1, rest.begin() + static_cast<long>(end)},
                            {rest.begin() + static_cast<long>(end), rest.end()}, options);
    }
    if (command == "update") {
        if (rest.size() != 3)
            return UsageError("update erwartet ALT, NEU und ORDNER.");
        return pakcmd::Update(rest[0], rest[1], rest[2], options);
    }
    if (command == "create") {
        if (rest.size() != 2)
            return UsageError("create erwartet NEU und ORDNER.");
        return pakcmd::Create(rest[0], rest[1], options);
    }
    return UsageError("Unbekannter Befehl: " + command);
}

} // namespace

int main(int argc, char** argv) {
    TConsole console(argc, argv);
    // Memory or threads that cannot be had end the run with a German message, not an abort.
    try {
        return Run(console.Argc(), console.Argv());
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "varnholm-pak: %s\n", TerminalSafe(ErrorText(e)).c_str());
        return pakcmd::kFatal;
    }
}
