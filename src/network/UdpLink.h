#pragma once

#include <QByteArrayView>
#include <QHostAddress>
#include <QString>

// A UDP socket connected to one receiver. Connected, because only then does
// the kernel pass on what ICMP says about the datagrams sent: a port nothing
// listens on comes back as "connection refused" on a later send. QUdpSocket
// reads that errno as "Unknown error", which is why this uses the socket calls
// themselves.
class UdpLink {
public:
    enum class Outcome { Sent, Refused, Failed };
    struct Result {
        Outcome outcome = Outcome::Sent;
        QString why; // the system's words, when not sent
    };

    UdpLink() = default;
    ~UdpLink();
    UdpLink(const UdpLink&) = delete;
    UdpLink& operator=(const UdpLink&) = delete;

    // Never blocks: a datagram the kernel has no room for is dropped, the next
    // frame follows. After a failure other than a refusal the socket is made
    // anew on the next send, with the route and source address of that moment.
    Result send(const QHostAddress& to, quint16 port, QByteArrayView datagram);

private:
    QString open(const QHostAddress& to, quint16 port);
    void close();

    int fd_ = -1;
    QHostAddress to_;
    quint16 port_ = 0;
};
