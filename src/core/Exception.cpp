#include "Exception.h"

#include <cerrno>

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
    case ELOOP:
        return "Zu viele symbolische Verweise";
    case EIO:
        return "Ein-/Ausgabefehler des Datenträgers";
    case EMFILE:
    case ENFILE:
        return "Zu viele offene Dateien";
    default:
        return "Systemfehler " + std::to_string(systemError);
    }
}
