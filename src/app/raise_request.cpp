#include "app/raise_request.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QWidget>

#include <memory>
#include <utility>

#include "app/single_instance.h"

QString RaiseSocketPath()
{
    QString path = QString::fromStdString(SingleInstanceLock::LockPath());
    if (path.endsWith(QLatin1String(".lock")))
        path.chop(5);
    return path + QLatin1String(".socket");
}

namespace {

const QByteArray kPortRequest = "port ";
// A port name is short; more is no request of ours.
constexpr qint64 kLongestRequest = 4096;

} // namespace

RaiseRequestServer::RaiseRequestServer(QWidget& window)
    : window_(window), server_(new QLocalServer(this))
{
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* request = server_->nextPendingConnection()) {
            // The request is complete when the second start disconnects.
            auto received = std::make_shared<QByteArray>();
            auto take = [request, received] {
                received->append(request->read(kLongestRequest + 1 - received->size()));
                if (received->size() > kLongestRequest)
                    request->abort();
            };
            auto finish = [this, request, received, take, done = std::make_shared<bool>(false)] {
                if (std::exchange(*done, true))
                    return;
                take();
                request->deleteLater();
                handle(*received);
            };
            connect(request, &QLocalSocket::readyRead, this, take);
            connect(request, &QLocalSocket::disconnected, this, finish);
            take();
            if (request->state() == QLocalSocket::UnconnectedState)
                finish();
        }
    });
}

void RaiseRequestServer::handle(const QByteArray& request)
{
    raiseWindow();
    if (!openPort_ || request.size() > kLongestRequest || !request.startsWith(kPortRequest) ||
        !request.endsWith('\n'))
        return;
    const QString port = QString::fromUtf8(request.mid(kPortRequest.size()).chopped(1));
    if (!port.isEmpty() && !port.contains(QLatin1Char('\n')))
        openPort_(port);
}

bool RaiseRequestServer::listen(const QString& path)
{
    if (server_->listen(path))
        return true;
    if (server_->serverError() != QAbstractSocket::AddressInUseError)
        return false;
    // The lock is ours, so no running instance listens there: a socket file
    // left by one that ended.
    QLocalServer::removeServer(path);
    return server_->listen(path);
}

void RaiseRequestServer::raiseWindow()
{
    window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
    window_.show();
    window_.raise();
    window_.activateWindow();
}

bool SendRaiseRequest(const QString& path, const std::optional<QString>& port, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        QLocalSocket socket;
        socket.connectToServer(path);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            if (port) {
                socket.write(kPortRequest + port->toUtf8() + '\n');
                socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
            }
            socket.disconnectFromServer();
            if (socket.state() != QLocalSocket::UnconnectedState)
                socket.waitForDisconnected(static_cast<int>(deadline.remainingTime()));
            return true;
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
}
