#include "PreviewJob.h"

#include "AnsiText.h"
#include "CollectingSink.h"
#include "Exception.h"
#include "uPakReader.h"

#include <algorithm>

TPreviewJob::TPreviewJob(const TPakReader& reader, QObject* parent)
    : TJob(parent)
    , FReader(reader) {}

TPreviewJob::~TPreviewJob() {
    StopAndJoin();
}

void TPreviewJob::StopRequested() {
    {
        // Under the lock, so that a worker about to wait sees Stopping() first.
        std::lock_guard lock(FMutex);
        FStop = true;
    }
    FWake.notify_all();
}

uint64_t TPreviewJob::Request(int32_t index, const TPakReader* from) {
    uint64_t serial;
    {
        std::lock_guard lock(FMutex);
        serial = ++FSerial;
        FPending = TRequest{index, serial, from};
        FStop = true;
    }
    FWake.notify_all();
    if (!Started())
        Start();
    return serial;
}

void TPreviewJob::Forget() {
    std::unique_lock lock(FMutex);
    FPending.reset();
    ++FSerial; // whatever is being prepared now is for nobody
    FStop = true;
    FIdle.wait(lock, [&] { return !FReading; });
}

void TPreviewJob::Work() {
    for (;;) {
        TRequest request;
        {
            std::unique_lock lock(FMutex);
            FWake.wait(lock, [&] { return Stopping() || FPending; });
            if (Stopping())
                return;
            request = *FPending;
            FPending.reset();
            FStop = false;
            FReading = true;
        }
        QByteArray bytes;
        std::shared_ptr<TPreview> preview = Read(request, bytes);
        {
            std::lock_guard lock(FMutex);
            FReading = false;
        }
        FIdle.notify_all();
        if (!preview)
            continue;
        if (preview->Problem.isEmpty())
            PreparePreview(*preview, std::move(bytes), preview->Path);
        std::lock_guard lock(FMutex);
        if (request.Serial != FSerial)
            continue; // asked for something else meanwhile
        QMetaObject::invokeMethod(
            this, [this, preview] { emit Ready(preview); }, Qt::QueuedConnection);
    }
}

std::shared_ptr<TPreview> TPreviewJob::Read(const TRequest& request, QByteArray& bytes) {
    const TPakReader& reader = request.From ? *request.From : FReader;
    auto preview = std::make_shared<TPreview>();
    preview->OtherArchive = request.From != nullptr;
    preview->Serial = request.Serial;
    preview->Index = request.Index;
    preview->Path = AnsiToQString(reader.EntryPath(request.Index));
    preview->Size = reader.EntryUnpackedSize(request.Index);
    // The declared size may lie: room for no more than can come.
    bytes.reserve(static_cast<qsizetype>(std::min(preview->Size, kLimit)));
    TCollectingSink sink(bytes, FStop);
    try {
        switch (reader.ReadEntryStart(request.Index, kLimit, sink, FInflater)) {
        case TPartResult::Complete:
            if (static_cast<uint64_t>(bytes.size()) < preview->Size)
                preview->RealSize = static_cast<uint64_t>(bytes.size());
            break;
        case TPartResult::Cut:
            preview->Cut = true;
            break;
        case TPartResult::Damaged:
            preview->Problem =
                reader.EntryDataInFile(request.Index)
                    ? QStringLiteral("Die Datei ist beschädigt: Ihr Inhalt lässt sich nicht "
                                     "entpacken.")
                    : QStringLiteral("Die Daten dieser Datei liegen hinter dem Ende des Archivs.");
            break;
        }
    } catch (const EAborted&) {
        return nullptr;
    } catch (const std::exception& e) {
        preview->Problem = FromCoreText(ErrorText(e));
    }
    return preview;
}
