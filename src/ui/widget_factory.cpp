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
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>

QFont PixelFont(Face face, int pixels, bool bold)
{
    QFont font;
    switch (face) {
    case Face::Song:
        font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                          QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
        break;
    case Face::Tahoma:
        font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"),
                          QStringLiteral("Noto Sans CJK SC")});
        break;
    case Face::Kai:
        font.setFamilies({QStringLiteral("楷体"), QStringLiteral("KaiTi"),
                          QStringLiteral("AR PL UKai CN"), QStringLiteral("Noto Serif CJK SC")});
        break;
    }
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& text)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    return edit;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& caption)
{
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(name);
    return group;
}

QComboBox* MakeDropDown(QWidget* parent, const char* name, const QStringList& items)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    box->setCurrentIndex(-1);
    return box;
}

void AcceptDigits(QLineEdit* edit)
{
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
}

void AcceptDecimal(QLineEdit* edit)
{
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), edit));
}

void FitWidthTo(QWidget* field, const QStringList& texts)
{
    const QFontMetrics metrics(field->font());
    int widest = 0;
    for (const QString& text : texts)
        widest = std::max(widest, metrics.horizontalAdvance(text));
    // The text's own margin inside an edit is 2 pixels a side; the style adds
    // the frame and, for a drop-down, its arrow.
    const QSize contents(widest + 4 + 2, metrics.height());
    QSize needed;
    if (auto* box = qobject_cast<QComboBox*>(field)) {
        QStyleOptionComboBox option;
        option.initFrom(box);
        option.editable = box->isEditable();
        needed = box->style()->sizeFromContents(QStyle::CT_ComboBox, &option, contents, box);
    } else {
        QStyleOptionFrame option;
        option.initFrom(field);
        option.lineWidth =
            field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
        needed = field->style()->sizeFromContents(QStyle::CT_LineEdit, &option, contents, field);
    }
    field->setMinimumWidth(needed.width());
}

void OnClick(QPushButton* button, std::function<void()> action)
{
    QObject::connect(button, &QPushButton::clicked, button,
                     [action = std::move(action)] { RunAction(action); });
}
