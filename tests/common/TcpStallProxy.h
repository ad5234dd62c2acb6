#pragma once

// A TCP relay on 127.0.0.1 in front of a server's port, on a thread of its own, that can stall
// (keeps every connection open and moves no byte until resumed) and cut (closes every
// connection, and refuses new ones until resumed, or once a number of bytes went to the server).
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

class TcpStallProxy
{
public:
    explicit TcpStallProxy(quint16 target) : m_target(target)
    {
        m_thread.start();
        m_context.moveToThread(&m_thread);
        onThread([this] {
            m_server = new QTcpServer(&m_context);
            m_server->listen(QHostAddress::LocalHost, 0);
            m_port = m_server->serverPort();
            QObject::connect(m_server, &QTcpServer::newConnection, &m_context,
                             [this] { accept(); });
        });
    }
    ~TcpStallProxy()
    {
        onThread([this] {
            closeAll();
            qDeleteAll(m_context.children());
        });
        m_thread.quit();
        m_thread.wait();
    }
    quint16 port() const { return m_port; }
    void stall()
    {
        onThread([this] { m_stalled = true; });
    }
    void cut()
    {
        onThread([this] {
            m_refusing = true;
            closeAll();
        });
    }
    // Every connection is cut once this many more bytes went to the server.
    void cutAfter(qint64 bytes)
    {
        onThread([this, bytes] { m_cutAfter = bytes; });
    }
    // Whether a cutAfter() has struck.
    bool hasCut()
    {
        bool cut = false;
        onThread([this, &cut] { cut = m_struck; });
        return cut;
    }
    void resume()
    {
        onThread([this] {
            m_stalled = m_refusing = false;
            const QList<Pair> pairs = m_pairs;
            for (const Pair& p : pairs)
                settle(p.first, p.second);
        });
    }

private:
    using Pair = QPair<QPointer<QTcpSocket>, QPointer<QTcpSocket>>;
    template <typename F> void onThread(F f)
    {
        QMetaObject::invokeMethod(&m_context, f, Qt::BlockingQueuedConnection);
    }
    void accept()
    {
        while (QTcpSocket* client = m_server->nextPendingConnection()) {
            client->setParent(&m_context);
            if (m_refusing) {
                client->abort();
                client->deleteLater();
                continue;
            }
            auto* server = new QTcpSocket(&m_context);
            server->connectToHost(QHostAddress::LocalHost, m_target);
            const Pair pair{client, server};
            m_pairs.append(pair);
            for (QTcpSocket* end : {client, server}) {
                QObject::connect(end, &QTcpSocket::readyRead, &m_context,
                                 [=, this] { settle(pair.first, pair.second); });
                QObject::connect(end, &QTcpSocket::disconnected, &m_context,
                                 [=, this] { settle(pair.first, pair.second); });
            }
            // A server that refuses the connection: the client hears of it at once.
            QObject::connect(server, &QTcpSocket::errorOccurred, client, [=](auto) {
                if (server->state() != QAbstractSocket::ConnectedState)
                    client->abort();
            });
        }
    }
    // Moves what arrived on either side to the other; a side that closed closes the other.
    void settle(QTcpSocket* client, QTcpSocket* server)
    {
        if (m_stalled || !client || !server || !client->isOpen() || !server->isOpen() ||
            server->error() == QAbstractSocket::ConnectionRefusedError)
            return;
        const QByteArray up = client->readAll();
        server->write(up);
        if (m_cutAfter >= 0 && (m_cutAfter -= up.size()) < 0) {
            m_cutAfter = -1;
            m_struck = true;
            closeAll();
            return;
        }
        client->write(server->readAll());
        if (client->state() == QAbstractSocket::UnconnectedState)
            server->disconnectFromHost();
        if (server->state() == QAbstractSocket::UnconnectedState)
            client->disconnectFromHost();
    }
    void closeAll()
    {
        for (const Pair& p : std::as_const(m_pairs)) {
            for (QTcpSocket* end : {p.first.data(), p.second.data()}) {
                if (end) {
                    end->abort();
                    end->deleteLater();
                }
            }
        }
        m_pairs.clear();
    }

    quint16 m_target;
    quint16 m_port = 0;
    QThread m_thread;
    QObject m_context;
    QTcpServer* m_server = nullptr;
    QList<Pair> m_pairs;
    bool m_stalled = false;
    bool m_refusing = false;
    qint64 m_cutAfter = -1;
    bool m_struck = false;
};
