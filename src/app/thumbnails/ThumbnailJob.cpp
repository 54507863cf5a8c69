#include "ThumbnailJob.h"

#include "CollectingSink.h"
#include "Exception.h"
#include "PreviewContent.h"
#include "uPakReader.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <system_error>

namespace {

QSize Fitted(const QSize& size) {
    const int side = TThumbnailJob::kSide;
    return size.width() > side || size.height() > side
               ? size.scaled(side, side, Qt::KeepAspectRatio).expandedTo(QSize(1, 1))
               : size;
}

} // namespace

TThumbnailJob::TThumbnailJob(const TPakReader& reader, QObject* parent)
    : TJob(parent)
    , FReader(reader) {}

TThumbnailJob::~TThumbnailJob() {
    StopAndJoin();
}

void TThumbnailJob::StopRequested() {
    {
        // Under the lock, so that a worker about to wait sees Stopping() first.
        std::lock_guard lock(FMutex);
        FStop = true;
    }
    FWake.notify_all();
}

void TThumbnailJob::Want(std::vector<int32_t> entries) {
    {
        std::lock_guard lock(FMutex);
        FWanted.assign(entries.begin(), entries.end());
    }
    FWake.notify_all();
    if (Started() || entries.empty())
        return;
    try {
        Start();
    } catch (const std::system_error&) {
        // Asked from a paint, where nothing may throw: without a thread the grid shows frames.
        std::lock_guard lock(FMutex);
        FWanted.clear();
    }
}

void TThumbnailJob::Forget() {
    std::unique_lock lock(FMutex);
    FWanted.clear();
    ++FGeneration;
    FStop = true;
    FIdle.wait(lock, [&] { return !FReading; });
}

bool TThumbnailJob::Busy() const {
    std::lock_guard lock(FMutex);
    return FWorking || !FWanted.empty();
}

void TThumbnailJob::Work() {
    for (;;) {
        int32_t entry;
        uint64_t generation;
        {
            std::unique_lock lock(FMutex);
            FWake.wait(lock, [&] { return Stopping() || !FWanted.empty(); });
            if (Stopping())
                return;
            entry = FWanted.front();
            FWanted.pop_front();
            generation = FGeneration;
            FStop = false;
            FWorking = true;
        }
        const QImage thumbnail = Read(entry);
        FDecoded.fetch_add(1, std::memory_order_relaxed);
        std::lock_guard lock(FMutex);
        FWorking = false;
        if (generation != FGeneration)
            continue; // the archive went meanwhile
        // Checked again on arrival: a Forget may come between here and there.
        QMetaObject::invokeMethod(
            this,
            [this, entry, thumbnail, generation] {
                {
                    std::lock_guard arrived(FMutex);
                    if (generation != FGeneration)
                        return;
                }
                emit Decoded(entry, thumbnail);
            },
            Qt::QueuedConnection);
    }
}

QImage TThumbnailJob::Read(int32_t entry) {
    QByteArray bytes;
    QByteArray suffix;
    {
        std::lock_guard lock(FMutex);
        if (FStop)
            return {};
        FReading = true;
    }
    try {
        suffix =
            QFileInfo(QString::fromLatin1(FReader.EntryName(entry))).suffix().toLower().toLatin1();
        const uint64_t size = FReader.EntryUnpackedSize(entry);
        if (size <= kLimit) {
            bytes.reserve(static_cast<qsizetype>(size));
            TCollectingSink sink(bytes, FStop);
            if (FReader.ReadEntryStart(entry, kLimit, sink, FInflater) != TPartResult::Complete)
                bytes.clear();
        }
    } catch (const EAborted&) {
        bytes.clear();
    } catch (const std::exception&) {
        bytes.clear(); // damaged: shown as no picture; the preview says why
    }
    {
        std::lock_guard lock(FMutex);
        FReading = false;
    }
    FIdle.notify_all();
    return bytes.isEmpty() ? QImage() : Thumbnail(std::move(bytes), suffix);
}

QImage TThumbnailJob::Thumbnail(QByteArray bytes, const QByteArray& suffix) {
    QImage image;
    // The reader of our own first: it also takes the files without the footer that games write.
    if (suffix == "tga") {
        if (std::optional<QImage> tga = ReadTga(bytes))
            image = std::move(*tga);
    }
    if (image.isNull()) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, suffix);
        reader.setAutoTransform(true);
        // Some formats (JPEG) decode straight into the smaller size.
        if (const QSize size = reader.size(); size.isValid())
            reader.setScaledSize(Fitted(size));
        image = reader.read();
    }
    if (!image.isNull() && image.size() != Fitted(image.size()))
        image = image.scaled(Fitted(image.size()), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (image.isNull())
        return {};
    // Painted as they are, without a conversion on the window's thread.
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                         : QImage::Format_RGB32);
}
