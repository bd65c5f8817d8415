#pragma once
// Small helpers that create a named control at its place, so the page
// builders read like the window's control tables.

#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

QFont PixelFont(const QString& family, int pixels, bool bold = false);

// A label sized to its caption, its top-left corner at (left, top).
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, int left, int top);
QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& text, const QRect& place);
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QRect& place);
QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& caption, const QRect& place);
// An editable drop-down with its items and no item selected.
QComboBox* MakeDropDown(QWidget* parent, const char* name, const QStringList& items, const QRect& place);

// Writes a label's caption at run time; the label grows or shrinks with it.
void SetCaption(QLabel* label, const QString& caption);
