#include "ui/widget_factory.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

QFont PixelFont(const QString& family, int pixels, bool bold) {
  QFont font(family);
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, int left, int top) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& text, const QRect& place) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(name);
  edit->setGeometry(place);
  return edit;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QRect& place) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setGeometry(place);
  return button;
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& caption, const QRect& place) {
  auto* group = new QGroupBox(caption, parent);
  group->setObjectName(name);
  group->setGeometry(place);
  return group;
}

QComboBox* MakeDropDown(QWidget* parent, const char* name, const QStringList& items, const QRect& place) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(items);
  box->setCurrentIndex(-1);
  box->setGeometry(place);
  return box;
}

void SetCaption(QLabel* label, const QString& caption) {
  label->setText(caption);
  label->adjustSize();
}
