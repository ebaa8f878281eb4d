#include "platform/UdpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pellam::platform {
namespace {

sockaddr_in socketAddress(uint32_t address, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(address);
    a.sin_port = htons(port);
    return a;
}

std::string reason(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

bool UdpSocket::open(uint16_t port, std::string* error) {
    close();
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    std::string why;
    if (fd < 0) {
        why = reason("Cannot make a network socket");
    } else {
        const sockaddr_in local = socketAddress(INADDR_ANY, port);
        const int flags = ::fcntl(fd, F_GETFL);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            why = reason(("Cannot use network port " + std::to_string(port)).c_str());
        } else if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
            why = reason("Cannot make the network socket non-blocking");
        }
    }
    if (!why.empty()) {
        if (fd >= 0) ::close(fd);
        if (error) *error = why;
        return false;
    }
    fd_ = fd;
    return true;
}

void UdpSocket::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

uint16_t UdpSocket::localPort() const {
    if (fd_ < 0) return 0;
    sockaddr_in a{};
    socklen_t size = sizeof a;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &size) != 0) return 0;
    return ntohs(a.sin_port);
}

bool UdpSocket::sendTo(UdpEndpoint to, std::span<const uint8_t> bytes) {
    if (fd_ < 0 || to.address == 0) return false;
    const sockaddr_in a = socketAddress(to.address, to.port);
    return ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&a), sizeof a) ==
           static_cast<ssize_t>(bytes.size());
}

long UdpSocket::receive(std::span<uint8_t> buffer, UdpEndpoint* from) {
    if (fd_ < 0) return -1;
    sockaddr_in a{};
    socklen_t size = sizeof a;
    const ssize_t n = ::recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&a), &size);
    if (n < 0) return -1;
    if (from) *from = {ntohl(a.sin_addr.s_addr), ntohs(a.sin_port)};
    return static_cast<long>(n);
}

bool UdpSocket::waitReadable(int milliseconds) const {
    if (fd_ < 0) return false;
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, milliseconds) > 0 && (p.revents & POLLIN);
}

}  // namespace pellam::platform
