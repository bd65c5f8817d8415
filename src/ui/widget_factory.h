#pragma once
// Small helpers that create a named control, so the page builders read
// like the window's control tables. Layouts place the controls.

#include <QFont>
#include <QString>
#include <QStringList>

#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The three faces the window is drawn in, each with fallbacks so the look
// holds where the named face is missing.
enum class Face { Song, Tahoma, Kai };
QFont PixelFont(Face face, int pixels, bool bold = false);

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption);
QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& text);
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption);
QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& caption);
// An editable drop-down with its items and no item selected.
QComboBox* MakeDropDown(QWidget* parent, const char* name, const QStringList& items);

// Typed text, keypad keys, pasted and input-method text alike: digits only,
// or digits and decimal points.
void AcceptDigits(QLineEdit* edit);
void AcceptDecimal(QLineEdit* edit);

// Keeps an edit (or an editable drop-down) at least as wide as the longest
// of these texts in its font, so none of them is ever cut off.
void FitWidthTo(QWidget* field, const QStringList& texts);

// Runs action when the button is clicked; an exception ends the action and
// goes to the general error display, never through Qt's event loop.
void OnClick(QPushButton* button, std::function<void()> action);
