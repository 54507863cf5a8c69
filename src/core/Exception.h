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

// A destination file could not be created or truncated.
class EFCreateError : public Exception {
public:
    // systemError: the errno of the failed call, 0 when none applies.
    explicit EFCreateError(const std::string& fileName, int systemError = 0)
        : EFCreateError(systemError, "Datei " + fileName + " kann nicht erstellt werden") {}
    // The destination folder itself cannot be made or opened.
    static EFCreateError Folder(const std::string& folder, int systemError) {
        return EFCreateError(systemError, "Zielordner " + folder + " kann nicht erstellt werden");
    }
    int SystemError() const { return FSystemError; }

private:
    EFCreateError(int systemError, const std::string& message)
        : Exception(message)
        , FSystemError(systemError) {}

    int FSystemError;
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
    EWriteError()
        : Exception("Stream-Schreibfehler") {}
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
