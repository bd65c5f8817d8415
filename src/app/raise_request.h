#pragma once
// A second start brings the running window to the front and hands it the
// port given with --port. The running instance listens on a local socket
// beside its single-instance lock (single_instance.h), open to its own user
// only; a second start that finds the lock taken connects to it, writes
// "port NAME\n" when it was given a port (nothing else), disconnects and
// ends.

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QLocalServer;
class QWidget;

// The single-instance lock's path with ".socket" in place of ".lock".
QString RaiseSocketPath();

// In the running instance: shows `window` in front, restored from the task
// bar if need be, whenever a second start asks for it.
class RaiseRequestServer : public QObject {
    Q_OBJECT
public:
    explicit RaiseRequestServer(QWidget& window);

    // Listens at `path`, replacing what an instance that ended left there
    // (call only while holding the single-instance lock). False when it
    // cannot listen; the tool then runs without it.
    bool listen(const QString& path);

    // Called with the port a second start handed over, after the window
    // was raised.
    void onPortHandedOver(std::function<void(const QString& port)> open)
    {
        openPort_ = std::move(open);
    }

private:
    void raiseWindow();
    void handle(const QByteArray& request);

    QWidget& window_;
    QLocalServer* server_;
    std::function<void(const QString&)> openPort_;
};

// In a second start: asks the running instance to raise its window (and to
// open `port`), trying for up to `timeoutMs` (the first may still be
// starting). True when it was reached.
bool SendRaiseRequest(const QString& path, const std::optional<QString>& port = std::nullopt,
                      int timeoutMs = 2000);
