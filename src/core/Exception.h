#pragma once

#include <stdexcept>
#include <string>

// Base of every error this program raises. Messages are UTF-8 and, where a user can see them,
// German; the window shows them in its error box, the command-line tool on stderr.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file could not be opened for reading.
class EFOpenError : public Exception {
public:
    explicit EFOpenError(const std::string& fileName)
        : Exception("Datei " + fileName + " kann nicht geöffnet werden") {}
};

// A destination file could not be created or truncated.
class EFCreateError : public Exception {
public:
    // systemError: the errno of the failed call, 0 when none applies.
    explicit EFCreateError(const std::string& fileName, int systemError = 0)
        : Exception("Datei " + fileName + " kann nicht erstellt werden")
        , FSystemError(systemError) {}
    int SystemError() const { return FSystemError; }

private:
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
};

// Writing stopped because the user cancelled it.
class EAborted : public Exception {
public:
    EAborted()
        : Exception("Abgebrochen") {}
};
