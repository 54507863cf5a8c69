// varnholm-pak grep: which files of the archives hold a text.
#include "ArchiveSearch.h"
#include "CommandSupport.h"
#include "Commands.h"
#include "ContentSearch.h"
#include "Cp1252.h"
#include "uPakReader.h"

#include <memory>

namespace pakcmd {
namespace {

struct TGrepRun {
    const TContentPattern& Pattern;
    const TOptions& Options;
    const std::vector<std::string>& Paths;
    bool ShowArchive;
    std::vector<char> Named; // per path operand: named an entry in some archive
    bool Matched = false;
    bool Failed = false;

    TLineSearch::TMode Mode() const {
        if (Options.NamesOnly)
            return TLineSearch::TMode::First;
        return Options.CountOnly ? TLineSearch::TMode::Count : TLineSearch::TMode::Lines;
    }

    void Search(const std::string& archive) {
        TPakReader reader;
        if (!OpenArchive(reader, archive)) {
            Failed = true;
            return;
        }
        std::vector<char> named;
        const std::vector<char> selected = SelectedEntries(reader, Paths, named);
        for (size_t k = 0; k < named.size(); ++k)
            Named[k] |= named[k];
        std::vector<int32_t> entries;
        for (int32_t i = 0; i < reader.Count(); ++i)
            if (selected[static_cast<size_t>(i)])
                entries.push_back(i);

        TArchiveSearch search(reader, Pattern, Mode(), entries, Options.Threads);
        TOutput out;
        const std::string prefix = ShowArchive ? archive + ": " : std::string();
        for (size_t k = 0; k < search.Count(); ++k) {
            const TArchiveSearch::TResult result = search.Next();
            const int32_t index = search.Entry(k);
            if (result.Outcome != TArchiveSearch::TResult::Searched) {
                out.Flush();
                Failed = true;
                if (result.Outcome == TArchiveSearch::TResult::Damaged)
                    PrintMessage(prefix + reader.DamagedEntryMessage(index));
                else if (result.Outcome == TArchiveSearch::TResult::GaveUp)
                    PrintMessage(prefix + cp1252::ToUtf8(reader.EntryPath(index)) + ": " +
                                 result.Error);
                else
                    PrintMessage(prefix + result.Error);
                if (result.Outcome == TArchiveSearch::TResult::Unreadable)
                    return;
                continue;
            }
            Matched |= result.Count > 0;
            Print(out, archive, reader.EntryPath(index), result);
        }
    }

    void Name(TOutput& out, const std::string& archive, std::string_view path) const {
        if (ShowArchive) {
            out.SafeText(archive);
            out.Text(":");
        }
        out.ArchiveText(path);
    }

    void Print(TOutput& out, const std::string& archive, std::string_view path,
               const TArchiveSearch::TResult& result) const {
        if (Options.NamesOnly) {
            if (result.Count > 0) {
                Name(out, archive, path);
                out.Char('\n');
            }
        } else if (Options.CountOnly) {
            Name(out, archive, path);
            out.Text(":");
            out.Number(result.Count);
            out.Char('\n');
        } else if (result.Count > 0 && result.Binary) {
            out.Text("Binärdatei ");
            Name(out, archive, path);
            out.Text(" stimmt überein");
            out.Char('\n');
        } else {
            for (const TLineSearch::TLine& line : result.Lines) {
                Name(out, archive, path);
                out.Text(":");
                out.Number(line.Number);
                out.Text(":");
                out.SafeText(line.Text);
                out.Char('\n');
            }
        }
    }
};

} // namespace

int Grep(const std::string& pattern, const std::vector<std::string>& archives,
         const std::vector<std::string>& paths, const TOptions& options) {
    std::unique_ptr<TContentPattern> compiled;
    try {
        compiled = std::make_unique<TContentPattern>(
            pattern, TContentPattern::TOptions{options.IgnoreCase, options.Fixed});
    } catch (const EBadPattern& e) {
        PrintMessage(e.what());
        return kFatal;
    }
    TGrepRun run{*compiled, options, paths, archives.size() > 1, std::vector<char>(paths.size())};
    for (const std::string& archive : archives)
        run.Search(archive);
    for (size_t k = 0; k < paths.size(); ++k) {
        if (!run.Named[k]) {
            PrintMessage("In keinem Archiv: " + paths[k]);
            run.Failed = true;
        }
    }
    if (run.Failed)
        return kFatal;
    return run.Matched ? kOk : kSomeFailed;
}

} // namespace pakcmd
