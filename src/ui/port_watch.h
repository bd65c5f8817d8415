#pragma once
// Tells when serial devices may have come or gone: the kernel reports
// changes of the device directory and of /dev/serial/by-id (inotify through
// QFileSystemWatcher), so nothing runs while nothing changes. A burst of
// changes (a node, then its by-id link) is told once, after it settles.

#include <QObject>

#include "serial/port_discovery.h"

class QFileSystemWatcher;
class QTimer;

class PortWatch : public QObject {
    Q_OBJECT
public:
    explicit PortWatch(QObject* parent);

    // Watches these roots from now on.
    void watch(const serial::PortDiscoveryRoots& roots);

signals:
    void portsChanged();

private:
    // The directories that exist now are watched (by-id comes and goes).
    void watchExisting();

    serial::PortDiscoveryRoots roots_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* settle_ = nullptr;
};
