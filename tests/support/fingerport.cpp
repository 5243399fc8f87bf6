// Preloaded into Debian's finger client by the tests: its connections to
// port 79 go to the port in PX_FINGER_PORT instead, so the client can talk
// to a server that a test started on a free port, without root.

#include <arpa/inet.h>
#include <cstdlib>
#include <dlfcn.h>
#include <netinet/in.h>
#include <sys/socket.h>

extern "C" int connect(int fd, const sockaddr* address, socklen_t length)
{
    using Connect = int (*)(int, const sockaddr*, socklen_t);
    static const Connect real = reinterpret_cast<Connect>(dlsym(RTLD_NEXT, "connect"));
    const char* port = std::getenv("PX_FINGER_PORT");
    if (port && address && address->sa_family == AF_INET && length >= sizeof(sockaddr_in)) {
        sockaddr_in moved = *reinterpret_cast<const sockaddr_in*>(address);
        if (ntohs(moved.sin_port) == 79) {
            moved.sin_port = htons(static_cast<unsigned short>(std::atoi(port)));
            return real(fd, reinterpret_cast<const sockaddr*>(&moved), sizeof moved);
        }
    }
    if (port && address && address->sa_family == AF_INET6 && length >= sizeof(sockaddr_in6)) {
        sockaddr_in6 moved = *reinterpret_cast<const sockaddr_in6*>(address);
        if (ntohs(moved.sin6_port) == 79) {
            moved.sin6_port = htons(static_cast<unsigned short>(std::atoi(port)));
            return real(fd, reinterpret_cast<const sockaddr*>(&moved), sizeof moved);
        }
    }
    return real(fd, address, length);
}
