#pragma once

// Network peers on 127.0.0.1 for the network tests: a panel that keeps what it
// receives, and an Art-Net node that answers a poll.
#include "network/NetworkPackets.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

// What a DDP, E1.31 or Art-Net panel receives, on a port of its own (or the
// one given) on 127.0.0.1: up to `count` datagrams, or what arrives in `waitMs`.
struct Receiver {
    QUdpSocket socket;
    explicit Receiver(quint16 port = 0) { bound = socket.bind(QHostAddress::LocalHost, port); }
    QList<QByteArray> take(int count, int waitMs = 3000) {
        QList<QByteArray> got;
        QElapsedTimer waited;
        waited.start();
        while (got.size() < count && waited.elapsed() < waitMs) {
            if (!socket.hasPendingDatagrams())
                QTest::qWait(5);
            while (socket.hasPendingDatagrams())
                got << socket.receiveDatagram().data();
        }
        return got;
    }
    bool bound = false;
};

// An ArtPollReply as the Art-Net 4 description lays it out, up to SwOut.
inline QByteArray artPollReply(const QByteArray& ip, const QByteArray& shortName, int net, int sub,
                               const QByteArray& portTypes, const QByteArray& swOut) {
    QByteArray reply(239, '\0');
    reply.replace(0, 10, QByteArray("Art-Net\0\0\x21", 10));
    reply.replace(10, 4, ip);
    reply[18] = char(net);
    reply[19] = char(sub);
    reply.replace(26, shortName.size(), shortName);
    reply.replace(44, 4 + shortName.size(), "LED " + shortName);
    reply[173] = char(portTypes.size());
    reply.replace(174, portTypes.size(), portTypes);
    reply.replace(190, swOut.size(), swOut);
    return reply;
}

// A node on 127.0.0.1 that answers every ArtPoll with the replies given.
struct FakeArtNetNode {
    QUdpSocket socket;
    QList<QByteArray> replies;
    FakeArtNetNode() {
        socket.bind(QHostAddress::LocalHost, 0);
        QObject::connect(&socket, &QUdpSocket::readyRead, [this] {
            while (socket.hasPendingDatagrams()) {
                const QNetworkDatagram poll = socket.receiveDatagram();
                if (poll.data() != NetworkPackets::artPoll())
                    continue;
                for (const QByteArray& reply : replies)
                    socket.writeDatagram(reply, poll.senderAddress(), quint16(poll.senderPort()));
            }
        });
    }
};
