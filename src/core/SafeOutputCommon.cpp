// The parts of TSafeOutput that are the same on every system: the buffer, the checks for a
// cancel, the German failure.
#include "Exception.h"
#include "SafeOutput.h"

void TSafeOutput::Fail(int systemError) const {
    throw Exception(WithSystemReason("Die Datei " + FDestination + " kann nicht geschrieben werden",
                                     systemError));
}

void TSafeOutput::CheckCancel() const {
    if (FCancel && FCancel->load(std::memory_order_relaxed))
        throw EAborted();
}

void TSafeOutput::Flush() {
    WriteRaw(FBuffer.data(), FBuffer.size(), FPosition - FBuffer.size());
    FBuffer.clear();
}

void TSafeOutput::Write(std::string_view bytes) {
    CheckCancel();
    if (FBuffer.size() + bytes.size() > kSafeOutputBuffer) {
        Flush();
        if (bytes.size() >= kSafeOutputBuffer) {
            WriteRaw(bytes.data(), bytes.size(), FPosition);
            FPosition += bytes.size();
            return;
        }
    }
    FBuffer.append(bytes);
    FPosition += bytes.size();
}

void TSafeOutput::WriteAt(uint64_t position, std::string_view bytes) {
    Flush();
    WriteRaw(bytes.data(), bytes.size(), position);
}
