#pragma once
// Finds a window's controls by their objectName, as automation does.

#include <QByteArray>
#include <QWidget>

template <typename T = QWidget> T* Control(const QObject* window, const char* name)
{
    T* control = window->findChild<T*>(QLatin1String(name));
    if (!control)
        qFatal("no control %s of that kind", name);
    return control;
}
