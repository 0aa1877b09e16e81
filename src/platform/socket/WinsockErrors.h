#pragma once
// Linux error numbers expressed as the Winsock error numbers that the socket
// component reports (ECONNREFUSED -> 10061 and so on).
namespace WinsockErrors {

int fromErrno(int errnoValue);
// getaddrinfo failures: 11001 host not found, 11002 try again, 11003 non-recoverable, 11004 no data.
int fromLookupError(int gaiError);

} // namespace WinsockErrors
