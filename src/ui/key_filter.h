#pragma once
// Character filters of the numeric fields. A filter sees every typed
// character (keyboard or on-screen keypad) before the field takes it and may
// replace it by 0, which discards the key. Keys that type no character
// (arrows, Delete, Home, ...) are not characters and pass untouched.

#include <QObject>

#include <functional>

class QKeyEvent;

// Called with the field and the character; set the character to 0 to refuse it.
using KeyPressHandler = std::function<void(QObject* sender, char16_t& key)>;

class KeyPressFilter : public QObject {
  Q_OBJECT
 public:
  KeyPressFilter(KeyPressHandler handler, QObject* parent);

  // The character a key press types: its text, or the control character of
  // Ctrl+letter (Ctrl+C is 3) when the platform gives no text for it; 0 when
  // the key types nothing.
  static char16_t TypedCharacter(const QKeyEvent& event);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  KeyPressHandler handler_;
};

// Installs a filter on a field; the filter lives as long as the field.
void InstallKeyFilter(QObject* field, KeyPressHandler handler);

// "Digits only": the field itself refuses every typed character other than a
// digit (control characters such as backspace still work).
void MakeDigitsOnly(QObject* field);
