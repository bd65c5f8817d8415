#include "ui/widget_factory.h"

#include "app/general_error.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QStyleOptionFrame>

QFont PixelFont(Face face, int pixels, bool bold) {
  QFont font;
  switch (face) {
    case Face::Song:
      font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"),
                        QStringLiteral("Noto Sans CJK SC")});
      break;
    case Face::Tahoma:
      font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC")});
      break;
    case Face::Kai:
      font.setFamilies({QStringLiteral("楷体"), QStringLiteral("KaiTi"), QStringLiteral("AR PL UKai CN"),
                        QStringLiteral("Noto Serif CJK SC")});
      break;
  }
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& text) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(name);
  return edit;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& caption) {
  auto* group = new QGroupBox(caption, parent);
  group->setObjectName(name);
  return group;
}

QComboBox* MakeDropDown(QWidget* parent, const char* name, const QStringList& items) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(items);
  box->setCurrentIndex(-1);
  return box;
}

void AcceptDigits(QLineEdit* edit) {
  edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
}

void AcceptDecimal(QLineEdit* edit) {
  edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), edit));
}

void FitWidthTo(QWidget* field, const QStringList& texts) {
  const QFontMetrics metrics(field->font());
  int widest = 0;
  for (const QString& text : texts) widest = std::max(widest, metrics.horizontalAdvance(text));
  // The frame, the text margins and, for a drop-down, its arrow.
  int chrome = 0;
  if (auto* box = qobject_cast<QComboBox*>(field)) {
    chrome = box->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 24;
  } else {
    chrome = 2 * field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 12;
  }
  field->setMinimumWidth(widest + chrome);
}

void OnClick(QPushButton* button, std::function<void()> action) {
  QObject::connect(button, &QPushButton::clicked, button, [action = std::move(action)] { RunAction(action); });
}
