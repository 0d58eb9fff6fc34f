#include "platform/testing/ServerSockets.h"

#include <fcntl.h>
#include <sys/socket.h>

// httplib, as Debian builds it, accepts with plain accept() and has no hook for the sockets it
// accepts. This definition takes the C library's place for the whole process (the executable's
// symbols come before any shared library's), asking for close-on-exec in the same call; nothing
// in our processes hands an accepted connection to a child.
extern "C" int accept(int fd, sockaddr* address, socklen_t* length) {
    return ::accept4(fd, address, length, SOCK_CLOEXEC);
}

namespace platform::testing {

void makeServerSocketsCloseOnExec(httplib::Server& server) {
    server.set_socket_options([](socket_t socket) {
        httplib::default_socket_options(socket);
        ::fcntl(socket, F_SETFD, ::fcntl(socket, F_GETFD) | FD_CLOEXEC);
    });
}

}  // namespace platform::testing
