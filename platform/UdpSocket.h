#pragma once
// One IPv4 UDP socket, non-blocking, bound to a local port on every interface. The network link
// sends and receives through it; tests point two of them at each other on 127.0.0.1.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace pellam::platform {

// An IPv4 address and UDP port, both in host order (127.0.0.1 is 0x7F000001).
struct UdpEndpoint {
    uint32_t address = 0;
    uint16_t port = 0;
};

class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket() { close(); }
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Binds a fresh socket to `port` (0: any free port). False, with the reason in `error`, when
    // the socket cannot be made, the port is busy or the socket cannot be made non-blocking.
    bool open(uint16_t port, std::string* error);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    // The bound port (useful after open(0)); 0 when closed.
    uint16_t localPort() const;

    // Hands one datagram to the system. False when closed, for address 0 or a refused send.
    bool sendTo(UdpEndpoint to, std::span<const uint8_t> bytes);
    // One waiting datagram into `buffer` (cut to its size); its full length is not reported.
    // -1 when none is waiting or the socket is closed.
    long receive(std::span<uint8_t> buffer, UdpEndpoint* from);
    // Waits up to `milliseconds` for a datagram; false on time-out, interruption or when closed.
    bool waitReadable(int milliseconds) const;

private:
    int fd_ = -1;
};

}  // namespace pellam::platform
