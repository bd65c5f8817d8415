#pragma once
// The on-screen numeric keypad: twelve flat keys that never take the focus;
// each key's Tag holds the virtual-key code it types.

#include <QRect>

#include <functional>

class QFrame;
class QObject;
class QWidget;

// Names of the panel and of its twelve keys, row by row: 7 8 9 / 4 5 6 / 1 2 3 / 0 . 退格.
struct KeypadNames {
  const char* panel;
  const char* keys[12];
};

// Builds the keypad panel on a page; every key's click calls onKey with the key.
QFrame* BuildKeypad(QWidget* page, const KeypadNames& names, const QRect& place,
                    const std::function<void(QObject* key)>& onKey);

// Types a virtual-key code into the widget that has the keyboard focus, as a
// key press followed by a key release, so that the key passes the same
// filters as a typed key. Codes: 48..57 digits, 110 the keypad's decimal
// point, 8 backspace. Nothing happens when no widget has the focus.
void TypeVirtualKey(int vk);
