// An OpenSSL I/O object over a socket descriptor that sends with MSG_NOSIGNAL,
// so a client that went away never raises SIGPIPE in the server.
#pragma once

#include <openssl/bio.h>

namespace ruz {

/// A new BIO reading and writing fd, which it does not close; nullptr when the
/// library could not make one. Would-block and time-out errors of the socket
/// are reported as "retry", the end of the input as BIO_eof.
BIO *NewSocketBio(int fd);

}  // namespace ruz
