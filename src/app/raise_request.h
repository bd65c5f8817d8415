#pragma once
// A second start brings the running window to the front. The running
// instance listens on a local socket beside its single-instance lock
// (single_instance.h), open to its own user only; a second start that finds
// the lock taken connects to it, which is the whole request, and ends.

#include <QObject>
#include <QString>

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

private:
    void raiseWindow();

    QWidget& window_;
    QLocalServer* server_;
};

// In a second start: asks the running instance to raise its window, trying
// for up to `timeoutMs` (the first may still be starting). True when it
// was reached.
bool SendRaiseRequest(const QString& path, int timeoutMs = 2000);
