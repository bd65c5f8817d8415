#include "ui/keypad.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>

namespace {

struct KeyDef {
  const char* caption;
  int vk;
};

constexpr KeyDef kKeys[12] = {{"7", 55}, {"8", 56}, {"9", 57}, {"4", 52}, {"5", 53}, {"6", 54},
                              {"1", 49}, {"2", 50}, {"3", 51}, {"0", 48}, {".", 110}, {"退格", 8}};
constexpr int kColumns[3] = {12, 108, 205};
constexpr int kRows[4] = {6, 97, 187, 278};
constexpr int kKeyWidth = 97;
constexpr int kKeyHeight = 92;

}  // namespace

QFrame* BuildKeypad(QWidget* page, const KeypadNames& names, const QRect& place,
                    const std::function<void(QObject* key)>& onKey) {
  auto* panel = new QFrame(page);
  panel->setObjectName(names.panel);
  panel->setGeometry(place);
  panel->setStyleSheet(QStringLiteral("QFrame#%1 { border: 1px solid #8c9fb3; border-radius: 8px; }"
                                      "QPushButton { color: black; }")
                           .arg(QLatin1String(names.panel)));
  QFont font(QStringLiteral("宋体"));
  font.setPixelSize(32);
  font.setBold(true);
  for (int i = 0; i < 12; ++i) {
    auto* key = new QPushButton(QString::fromUtf8(kKeys[i].caption), panel);
    key->setObjectName(names.keys[i]);
    key->setGeometry(kColumns[i % 3], kRows[i / 3], kKeyWidth, kKeyHeight);
    key->setFlat(true);
    key->setFocusPolicy(Qt::NoFocus);
    key->setFont(font);
    key->setProperty("Tag", kKeys[i].vk);
    QObject::connect(key, &QPushButton::clicked, key, [key, onKey] { onKey(key); });
  }
  return panel;
}

void TypeVirtualKey(int vk) {
  QWidget* target = QApplication::focusWidget();
  if (!target) return;
  int key = 0;
  QString text;
  Qt::KeyboardModifiers modifiers = Qt::NoModifier;
  if (vk >= 48 && vk <= 57) {
    key = Qt::Key_0 + (vk - 48);
    text = QChar(vk);
  } else if (vk == 110) {
    key = Qt::Key_Period;
    text = QStringLiteral(".");
    modifiers = Qt::KeypadModifier;
  } else if (vk == 8) {
    key = Qt::Key_Backspace;
    text = QStringLiteral("\b");
  } else {
    return;
  }
  // Posted, like keystrokes entering the input queue: they arrive after the
  // click has been handled, at the widget that has the focus.
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, modifiers, text));
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, modifiers, text));
}
