#pragma once

#include <exception>
#include <stdexcept>
#include <string>

// Base of every error this program raises. Messages are UTF-8 and, where a user can see them,
// German; the window shows them in its error box, the command-line tool on stderr.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Why a file operation failed, in German, from the errno of the failed call ("" for 0).
std::string SystemErrorText(int systemError);
// message, followed by ": " and that reason where there is one.
std::string WithSystemReason(const std::string& message, int systemError);

// What a failure means, in German: this program's own message, or for a failure of the run-time
// library the resource that ran out (memory, or threads and other resources of the system).
std::string ErrorText(const std::exception& error);
// Why fileName could not be opened as an archive, in German, with the reason where one is known.
std::string OpenFailureText(const std::string& fileName, const std::exception& error);

// A file could not be opened for reading.
class EFOpenError : public Exception {
public:
    // systemError: the errno of the failed call, 0 when none applies.
    explicit EFOpenError(const std::string& fileName, int systemError = 0)
        : Exception("Datei " + fileName + " kann nicht geöffnet werden")
        , FSystemError(systemError) {}
    int SystemError() const { return FSystemError; }

private:
    int FSystemError;
};

// A destination file or folder could not be created or truncated.
class EFCreateError : public Exception {
public:
    // systemError: the errno of the failed call, 0 when none applies.
    explicit EFCreateError(const std::string& fileName, int systemError = 0)
        : EFCreateError(systemError, "Datei " + fileName + " kann nicht erstellt werden") {}
    // The destination folder itself cannot be made or opened.
    static EFCreateError Folder(const std::string& folder, int systemError,
                                std::string reason = {}) {
        EFCreateError error(systemError, "Zielordner " + folder + " kann nicht erstellt werden");
        error.FReason = std::move(reason);
        return error;
    }
    // The destination folder exists but takes nothing (read-only, no permission).
    static EFCreateError Unwritable(const std::string& folder, int systemError) {
        return EFCreateError(systemError,
                             "In den Zielordner " + folder + " kann nicht geschrieben werden");
    }
    // A folder below the destination cannot be made.
    static EFCreateError Subfolder(const std::string& folder, int systemError) {
        return EFCreateError(systemError, "Ordner " + folder + " kann nicht erstellt werden");
    }
    // Something that is not a file stands where the file should go; reason says what.
    static EFCreateError NotAFile(const std::string& fileName, std::string reason) {
        EFCreateError error(fileName);
        error.FReason = std::move(reason);
        return error;
    }
    int SystemError() const { return FSystemError; }
    // Why, in German ("" when unknown).
    std::string Reason() const { return FReason.empty() ? SystemErrorText(FSystemError) : FReason; }
    // The message followed by the reason.
    std::string Explained() const {
        const std::string reason = Reason();
        return reason.empty() ? std::string(what()) : what() + (": " + reason);
    }

private:
    EFCreateError(int systemError, const std::string& message)
        : Exception(message)
        , FSystemError(systemError) {}

    int FSystemError;
    std::string FReason;
};

// The archive ended (or failed) before the bytes a stored entry needs were read.
class EReadError : public Exception {
public:
    EReadError()
        : Exception("Stream-Lesefehler") {}
};

// A destination took fewer bytes than it was given, typically because the disk is full.
class EWriteError : public Exception {
public:
    // fileName as messages name it; systemError: the errno of the failed call, 0 when none.
    EWriteError(const std::string& fileName, int systemError)
        : Exception(
              WithSystemReason("Datei " + fileName + " kann nicht geschrieben werden", systemError))
        , FSystemError(systemError) {}
    int SystemError() const { return FSystemError; }

private:
    int FSystemError;
};

// The archive's header or directory cannot be what it claims to be.
class EArchiveDamaged : public Exception {
public:
    EArchiveDamaged(const std::string& fileName, const std::string& reason)
        : Exception("Die Archivdatei " + fileName + " ist beschädigt: " + reason) {}
    // Already the header does not fit: most likely some other kind of file.
    static EArchiveDamaged NotAnArchive(const std::string& fileName, const std::string& reason) {
        return EArchiveDamaged("Die Datei " + fileName +
                               " ist keine Varnholm-Archivdatei oder beschädigt: " + reason);
    }

private:
    explicit EArchiveDamaged(const std::string& message)
        : Exception(message) {}
};

// Writing stopped because the user cancelled it.
class EAborted : public Exception {
public:
    EAborted()
        : Exception("Abgebrochen") {}
};
