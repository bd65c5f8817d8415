#pragma once
// A made-up machine for the port list: a sysfs tty class, a /dev and a
// /dev/serial/by-id in a temporary directory. A device's node may be a link
// to a pseudo-terminal, so that it can really be opened and probed.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include "serial/port_discovery.h"

class PortTree {
public:
    PortTree()
    {
        QDir root(dir_.path());
        root.mkpath(QStringLiteral("sys/class/tty"));
        root.mkpath(QStringLiteral("sys/devices"));
        root.mkpath(QStringLiteral("dev/serial/by-id"));
    }

    serial::PortDiscoveryRoots Roots() const
    {
        return {Path("sys/class/tty").toStdString(), Path("dev").toStdString(),
                Path("dev/serial/by-id").toStdString()};
    }
    QString Dev(const QString& name) const { return Path("dev/" + name); }
    QString ById(const QString& name) const { return Path("dev/serial/by-id/" + name); }

    // A tty of a device; its node links to `node` (a pty), or is a plain file.
    // With a USB product, its adapter says so and it gets a by-id link.
    void Add(const QString& name, const QString& node = {}, const QString& product = {})
    {
        QDir root(dir_.path());
        const QString device = "sys/devices/usb1/1-" + name + "/1-" + name + ":1.0/" + name;
        root.mkpath(device);
        if (!product.isEmpty()) {
            WriteFile("sys/devices/usb1/1-" + name + "/idVendor", "0403\n");
            WriteFile("sys/devices/usb1/1-" + name + "/idProduct", "6001\n");
            WriteFile("sys/devices/usb1/1-" + name + "/product", product + "\n");
        }
        root.mkpath("sys/class/tty/" + name);
        QFile::link(Path(device), Path("sys/class/tty/" + name + "/device"));
        if (node.isEmpty())
            WriteFile("dev/" + name, "");
        else
            QFile::link(node, Dev(name));
        if (!product.isEmpty())
            QFile::link("../../" + name, ById(ByIdName(name)));
    }
    void Remove(const QString& name)
    {
        QFile::remove(ById(ByIdName(name)));
        QFile::remove(Dev(name));
        QDir(Path("sys/class/tty/" + name)).removeRecursively();
    }
    static QString ByIdName(const QString& name) { return "usb-FTDI_" + name + "-if00-port0"; }

private:
    QString Path(const QString& relative) const { return dir_.path() + "/" + relative; }
    void WriteFile(const QString& relative, const QString& text)
    {
        QFile file(Path(relative));
        if (file.open(QIODevice::WriteOnly))
            file.write(text.toUtf8());
    }

    QTemporaryDir dir_;
};
