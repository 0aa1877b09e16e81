#include "caldav/CalDavError.h"

namespace CalDav {

ErrorKind kindOfStatus(int status) {
    if (status >= 200 && status < 300) return ErrorKind::None;
    if (status == 401) return ErrorKind::Credentials;
    if (status == 403) return ErrorKind::Forbidden;
    if (status == 404 || status == 410) return ErrorKind::NotFound;
    if (status == 412) return ErrorKind::Precondition;
    if (status >= 500) return ErrorKind::Server;
    return ErrorKind::Protocol;
}

} // namespace CalDav
