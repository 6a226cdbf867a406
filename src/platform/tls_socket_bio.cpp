// The socket BIO: recv and send on a descriptor kept in the BIO's data.
#include "platform/tls_socket_bio.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstdint>
#include <memory>

namespace ruz {
namespace {

int DescriptorOf(BIO *bio) { return static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio))); }

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

int SocketWrite(BIO *bio, const char *data, int size) {
  BIO_clear_retry_flags(bio);
  for (;;) {
    const ssize_t n = ::send(DescriptorOf(bio), data, static_cast<std::size_t>(size), MSG_NOSIGNAL);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EINTR) continue;
    if (WouldBlock(errno)) BIO_set_retry_write(bio);
    return -1;
  }
}

int SocketRead(BIO *bio, char *buffer, int size) {
  BIO_clear_retry_flags(bio);
  for (;;) {
    const ssize_t n = ::recv(DescriptorOf(bio), buffer, static_cast<std::size_t>(size), 0);
    if (n > 0) return static_cast<int>(n);
    if (n == 0) {
      BIO_set_flags(bio, BIO_FLAGS_IN_EOF);
      return 0;
    }
    if (errno == EINTR) continue;
    if (WouldBlock(errno)) BIO_set_retry_read(bio);
    return -1;
  }
}

// The library asks for a flush after each flight of records, and for the end
// of the input to tell a client that left from a broken record.
long SocketControl(BIO *bio, int command, long, void *) {
  switch (command) {
    case BIO_CTRL_FLUSH: return 1;
    case BIO_CTRL_EOF: return BIO_test_flags(bio, BIO_FLAGS_IN_EOF) != 0 ? 1 : 0;
    default: return 0;
  }
}

struct MethodDeleter {
  void operator()(BIO_METHOD *method) const { BIO_meth_free(method); }
};

BIO_METHOD *MakeMethod() {
  BIO_METHOD *method =
      BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK | BIO_TYPE_DESCRIPTOR, "ruz socket");
  if (method == nullptr) return nullptr;
  BIO_meth_set_write(method, SocketWrite);
  BIO_meth_set_read(method, SocketRead);
  BIO_meth_set_ctrl(method, SocketControl);
  return method;
}

// Made once, on first use, and never changed afterwards.
const BIO_METHOD *SocketMethod() {
  static const std::unique_ptr<BIO_METHOD, MethodDeleter> method(MakeMethod());
  return method.get();
}

}  // namespace

BIO *NewSocketBio(int fd) {
  const BIO_METHOD *method = SocketMethod();
  if (method == nullptr) return nullptr;
  BIO *bio = BIO_new(method);
  if (bio == nullptr) return nullptr;
  BIO_set_data(bio, reinterpret_cast<void *>(static_cast<std::intptr_t>(fd)));
  BIO_set_init(bio, 1);
  return bio;
}

}  // namespace ruz
