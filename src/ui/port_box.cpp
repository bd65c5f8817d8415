#include "ui/port_box.h"

#include <QAbstractItemView>
#include <QColor>
#include <QLineEdit>
#include <QScrollBar>

namespace {

QString Caption(const QString& name, const QString& description, const QVariant& answers)
{
    QString text = name;
    if (answers.isValid() && answers.toBool())
        text += QStringLiteral("  ") + PortBox::kAnswerMark;
    if (!description.isEmpty())
        text += QStringLiteral("  — ") + description;
    return text;
}

} // namespace

PortBox::PortBox(QWidget* parent, const QStringList& fixedItems) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // The box is as wide as its typed text needs (FitWidthTo), not as its
    // longest item: a device's stable name can be long; the list widens.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setItemDelegate(new PortItemDelegate(this));
    addItems(fixedItems);
    setCurrentIndex(-1);
}

void PortBox::showPopup()
{
    emit aboutToShowPopup();
    QComboBox::showPopup();
}

void PortBox::showPresent(const std::vector<serial::DiscoveredPort>& ports)
{
    if (ports == present_)
        return;
    // What the operator typed or chose stays, cursor and all.
    const QString typed = currentText();
    const int cursor = lineEdit()->cursorPosition();
    const int chosen = currentIndex();
    const QString chosenText = chosen >= 0 ? itemText(chosen) : QString();

    for (int i = static_cast<int>(present_.size()); i-- > 0;)
        removeItem(i);
    present_ = ports;
    for (int i = 0; i < static_cast<int>(present_.size()); ++i) {
        const serial::DiscoveredPort& port = present_[static_cast<size_t>(i)];
        const QString name = QString::fromStdString(port.name);
        const QString description = QString::fromStdString(port.description);
        insertItem(i, name);
        setItemData(i, description, DescriptionRole);
        setItemData(i, true, PresentRole);
        QString tip = description;
        if (port.name != port.device)
            tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) +
                   QString::fromStdString(port.device);
        if (!tip.isEmpty())
            setItemData(i, tip, Qt::ToolTipRole);
        applyAnswer(i);
    }

    if (chosen >= 0)
        setCurrentIndex(findText(chosenText, Qt::MatchExactly));
    if (currentText() != typed)
        setEditText(typed);
    lineEdit()->setCursorPosition(cursor);
    fitListWidth();
}

QStringList PortBox::presentPorts() const
{
    QStringList names;
    for (const serial::DiscoveredPort& port : present_)
        names << QString::fromStdString(port.name);
    return names;
}

void PortBox::clearAnswers()
{
    answers_.clear();
    for (int i = 0; i < static_cast<int>(present_.size()); ++i)
        applyAnswer(i);
}

void PortBox::markAnswer(const QString& port, bool answers)
{
    answers_.insert(port, answers);
    const int index = findText(port, Qt::MatchExactly);
    if (index >= 0 && index < static_cast<int>(present_.size()))
        applyAnswer(index);
    fitListWidth();
}

void PortBox::applyAnswer(int index)
{
    const auto answer = answers_.constFind(itemText(index));
    if (answer == answers_.constEnd()) {
        setItemData(index, QVariant(), AnswersRole);
        setItemData(index, QVariant(), Qt::ForegroundRole);
        return;
    }
    setItemData(index, *answer, AnswersRole);
    setItemData(index, *answer ? QVariant(QColor(0, 128, 0)) : QVariant(), Qt::ForegroundRole);
}

QString PortBox::caption(int index) const
{
    return Caption(itemText(index), itemData(index, DescriptionRole).toString(),
                   itemData(index, AnswersRole));
}

void PortBox::fitListWidth()
{
    // The list is at least as wide as its widest caption.
    QAbstractItemView* list = view();
    const int widest = list->sizeHintForColumn(0);
    list->setMinimumWidth(widest + list->verticalScrollBar()->sizeHint().width() +
                          2 * list->frameWidth());
}

void PortItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->text =
        Caption(index.data(Qt::DisplayRole).toString(),
                index.data(PortBox::DescriptionRole).toString(), index.data(PortBox::AnswersRole));
}
