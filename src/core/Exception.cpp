#include "Exception.h"

#include <cerrno>
#include <new>
#include <system_error>

std::string WithSystemReason(const std::string& message, int systemError) {
    const std::string reason = SystemErrorText(systemError);
    return reason.empty() ? message : message + ": " + reason;
}

std::string SystemErrorText(int systemError) {
    switch (systemError) {
    case 0:
        return {};
    case ENOENT:
        return "Nicht vorhanden";
    case EACCES:
    case EPERM:
        return "Keine Berechtigung";
    case EISDIR:
        return "Das ist ein Ordner";
    case ENOTDIR:
        return "Ein Teil des Pfads ist kein Ordner";
    case ENOSPC:
        return "Der Datenträger ist voll";
    case EDQUOT:
        return "Das Speicherkontingent ist erschöpft";
    case EROFS:
        return "Der Datenträger ist schreibgeschützt";
    case ENAMETOOLONG:
        return "Der Name ist zu lang";
    case EEXIST:
        return "Dort steht schon etwas anderes";
    case ENXIO:
        return "Dort steht ein Gerät, ein Socket oder eine Pipe ohne Leser";
    case ELOOP:
        return "Zu viele symbolische Verweise";
    case EIO:
        return "Ein-/Ausgabefehler des Datenträgers";
    case EMFILE:
    case ENFILE:
        return "Zu viele offene Dateien";
    case ENOMEM:
        return "Nicht genug Arbeitsspeicher";
    case EAGAIN:
        return "Nicht genug Systemressourcen";
    default:
        return "Systemfehler " + std::to_string(systemError);
    }
}

std::string ErrorText(const std::exception& error) {
    if (const auto* create = dynamic_cast<const EFCreateError*>(&error))
        return create->Explained();
    if (dynamic_cast<const Exception*>(&error))
        return error.what();
    // A table larger than the library allows fails the same way as one the system refuses.
    if (dynamic_cast<const std::bad_alloc*>(&error) ||
        dynamic_cast<const std::length_error*>(&error))
        return SystemErrorText(ENOMEM);
    if (const auto* system = dynamic_cast<const std::system_error*>(&error)) {
        const std::error_code code = system->code();
        if (code.category() == std::generic_category() || code.category() == std::system_category())
            return SystemErrorText(code.value());
    }
    return std::string("Unerwarteter Fehler: ") + error.what();
}

std::string OpenFailureText(const std::string& fileName, const std::exception& error) {
    if (const auto* open = dynamic_cast<const EFOpenError*>(&error))
        return WithSystemReason(open->what(), open->SystemError());
    if (dynamic_cast<const Exception*>(&error))
        return error.what();
    return EFOpenError(fileName).what() + std::string(": ") + ErrorText(error);
}
