#include "network/UdpLink.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

UdpLink::~UdpLink() {
    close();
}

UdpLink::Result UdpLink::send(const QHostAddress& to, quint16 port, QByteArrayView datagram) {
    if (fd_ < 0 || to != to_ || port != port_) {
        const QString why = open(to, port);
        if (!why.isEmpty())
            return {Outcome::Failed, why};
    }
    if (::send(fd_, datagram.data(), std::size_t(datagram.size()), MSG_NOSIGNAL) == datagram.size())
        return {};
    const int error = errno;
    if (error == EAGAIN || error == EWOULDBLOCK)
        return {};
    if (error == ECONNREFUSED)
        return {Outcome::Refused, qt_error_string(error)};
    close();
    return {Outcome::Failed, qt_error_string(error)};
}

QString UdpLink::open(const QHostAddress& to, quint16 port) {
    close();
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return qt_error_string(errno);
    const int on = 1; // a node may be given by a broadcast address
    ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(to.toIPv4Address());
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        close();
        return qt_error_string(error);
    }
    to_ = to;
    port_ = port;
    return {};
}

void UdpLink::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}
