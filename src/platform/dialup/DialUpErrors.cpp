// Texts of the dial-up result codes.
#include "platform/dialup/DialUpBackend.h"

namespace dialup {

QString errorText(quint32 code) {
    QString text;
    switch (code) {
    case 0:
        text = QStringLiteral("The operation completed successfully.");
        break;
    case kErrorInvalidHandle:
        text = QStringLiteral("The handle is invalid.");
        break;
    case kErrorNotSupported:
        text = QStringLiteral("The request is not supported.");
        break;
    case kErrorInvalidName:
        text = QStringLiteral("The connection name is not valid.");
        break;
    case kErrorAlreadyExists:
        text = QStringLiteral("A connection with this name already exists.");
        break;
    case kErrorBufferTooSmall:
        text = QStringLiteral("The buffer is too small.");
        break;
    case kErrorCannotFindEntry:
        text = QStringLiteral("The system could not find the phone book entry for this connection.");
        break;
    case kErrorRemoteDisconnection:
        text = QStringLiteral("The connection was closed by the remote computer.");
        break;
    case kErrorTimeout:
        text = QStringLiteral("The request has timed out.");
        break;
    case kErrorServiceUnavailable:
        text = QStringLiteral("Cannot load the network connection manager service.");
        break;
    case kErrorNoCarrier:
        text = QStringLiteral("There is no carrier.");
        break;
    case kErrorAuthentication:
        text = QStringLiteral(
            "Access was denied because the username and/or password was invalid on the domain.");
        break;
    default:
        text = QStringLiteral("Dial-up error %1.").arg(code);
        break;
    }
    return text.left(99);
}

} // namespace dialup
