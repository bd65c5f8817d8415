#include "app/raise_request.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QWidget>

#include "app/single_instance.h"

QString RaiseSocketPath()
{
    QString path = QString::fromStdString(SingleInstanceLock::LockPath());
    if (path.endsWith(QLatin1String(".lock")))
        path.chop(5);
    return path + QLatin1String(".socket");
}

RaiseRequestServer::RaiseRequestServer(QWidget& window)
    : window_(window), server_(new QLocalServer(this))
{
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* request = server_->nextPendingConnection()) {
            request->disconnectFromServer();
            request->deleteLater();
            raiseWindow();
        }
    });
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

bool SendRaiseRequest(const QString& path, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        QLocalSocket socket;
        socket.connectToServer(path);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            socket.disconnectFromServer();
            return true;
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
}
