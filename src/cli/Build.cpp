// varnholm-pak update and create: new archives from an old one and a folder, or from a folder.
#include "ArchiveBuilder.h"
#include "CommandSupport.h"
#include "Commands.h"
#include "Cp1252.h"

#include <atomic>
#include <csignal>
#include <cstdio>

namespace pakcmd {
namespace {

// Ctrl+C and a polite kill stop the writing, which then removes its temporary file.
std::atomic<bool> gCancel{false};

extern "C" void OnStopSignal(int) {
    gCancel.store(true);
}

class TStopSignals {
public:
    TStopSignals() {
        FInt = std::signal(SIGINT, OnStopSignal);
        FTerm = std::signal(SIGTERM, OnStopSignal);
    }
    ~TStopSignals() {
        std::signal(SIGINT, FInt);
        std::signal(SIGTERM, FTerm);
    }

private:
    void (*FInt)(int);
    void (*FTerm)(int);
};

// Operands arrive in UTF-8; the archive speaks Windows-1252.
bool ToArchiveTexts(const std::vector<std::string>& utf8, std::vector<std::string>& out) {
    for (const std::string& text : utf8) {
        std::string converted;
        if (!cp1252::FromUtf8(text, converted)) {
            PrintMessage(text + " kann kein Pfad im Archiv sein: Windows-1252 kennt eines der "
                                "Zeichen nicht.");
            return false;
        }
        out.push_back(std::move(converted));
    }
    return true;
}

int Summarise(const pakbuild::TReport& report, const std::string& newArchive,
              const TOptions& options) {
    for (const std::string& message : report.Skipped)
        PrintMessage(message);
    for (const std::string& path : report.LeftOut)
        PrintMessage("Nicht im alten Archiv, nicht aufgenommen (mit --add hinzufügen): " +
                     cp1252::ToUtf8(path));
    for (const std::string& path : report.RemoveNotFound)
        PrintMessage("Nicht im Archiv: " + cp1252::ToUtf8(path));
    if (!options.Quiet) {
        std::string line = newArchive + ": " +
                           std::to_string(report.Kept + report.Replaced + report.Added) +
                           " Dateien, " + Megabytes(report.ArchiveBytes);
        if (report.Kept + report.Replaced + report.Removed > 0)
            line += " (" + std::to_string(report.Kept) + " übernommen, " +
                    std::to_string(report.Replaced) + " ersetzt, " + std::to_string(report.Added) +
                    " hinzugefügt, " + std::to_string(report.Removed) + " entfernt)";
        std::printf("%s\n", line.c_str());
    }
    return report.LeftOut.empty() && report.RemoveNotFound.empty() ? kOk : kSomeFailed;
}

int Build(const std::string* oldArchive, const std::string& newArchive, const std::string& folder,
          const TOptions& options) {
    pakbuild::TOptions build;
    build.Add = options.Add;
    build.Level = options.Level;
    build.Threads = options.Threads;
    build.Cancel = &gCancel;
    if (!ToArchiveTexts(options.Remove, build.Remove) ||
        !ToArchiveTexts(options.Store, build.Store))
        return kFatal;
    TStopSignals signals;
    try {
        const pakbuild::TReport report =
            oldArchive ? pakbuild::UpdateArchive(*oldArchive, newArchive, folder, build)
                       : pakbuild::CreateArchive(newArchive, folder, build);
        return Summarise(report, newArchive, options);
    } catch (const pakbuild::ENamesRefused& refused) {
        for (const std::string& message : refused.Messages())
            PrintMessage(message);
        PrintMessage("Das Archiv " + newArchive + " wurde nicht geschrieben.");
        return kFatal;
    } catch (const EAborted&) {
        PrintMessage("Abgebrochen: " + newArchive + " wurde nicht geschrieben.");
        return kFatal;
    } catch (const EFOpenError& e) {
        PrintMessage(WithSystemReason(e.what(), e.SystemError()));
        return kFatal;
    } catch (const EFCreateError& e) {
        PrintMessage(WithSystemReason(e.what(), e.SystemError()));
        return kFatal;
    } catch (const Exception& e) {
        PrintMessage(e.what());
        return kFatal;
    }
}

} // namespace

int Update(const std::string& oldArchive, const std::string& newArchive, const std::string& folder,
           const TOptions& options) {
    return Build(&oldArchive, newArchive, folder, options);
}

int Create(const std::string& newArchive, const std::string& folder, const TOptions& options) {
    return Build(nullptr, newArchive, folder, options);
}

} // namespace pakcmd
