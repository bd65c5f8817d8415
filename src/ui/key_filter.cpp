#include "ui/key_filter.h"

#include <QKeyEvent>

KeyPressFilter::KeyPressFilter(KeyPressHandler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

char16_t KeyPressFilter::TypedCharacter(const QKeyEvent& event) {
  const QString text = event.text();
  if (!text.isEmpty()) return text.at(0).unicode();
  if (event.key() == Qt::Key_Backspace) return 8;
  if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) return 13;
  if ((event.modifiers() & Qt::ControlModifier) && event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z)
    return static_cast<char16_t>(event.key() - Qt::Key_A + 1);
  return 0;
}

bool KeyPressFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  char16_t key = TypedCharacter(*static_cast<QKeyEvent*>(event));
  if (key == 0) return false;
  handler_(watched, key);
  return key == 0;
}

void InstallKeyFilter(QObject* field, KeyPressHandler handler) {
  field->installEventFilter(new KeyPressFilter(std::move(handler), field));
}

void MakeDigitsOnly(QObject* field) {
  InstallKeyFilter(field, [](QObject*, char16_t& key) {
    const bool digit = key >= u'0' && key <= u'9';
    if (!digit && key >= 32) key = 0;
  });
}
