#pragma once
// The port box "cbbComm": an editable drop-down whose list holds the serial
// devices present (their stable name, a USB adapter's description, whether
// a controller answered the last probe) above the fixed items "Com1"…"Com20".
// An item's text is always the name that is opened; the description and
// the mark are only drawn in the list and shown as its tooltip. Whatever is
// typed or chosen stays in the box when the list changes.

#include <QComboBox>
#include <QHash>
#include <QStyledItemDelegate>

#include <vector>

#include "serial/port_discovery.h"

class PortBox : public QComboBox {
    Q_OBJECT
public:
    // Item data besides the text (the name that is opened).
    enum Role {
        DescriptionRole = Qt::UserRole + 1, // QString: a USB adapter's description
        PresentRole,                        // bool: a device found present (not a fixed item)
        AnswersRole,                        // bool, once probed: a controller answered
    };
    static constexpr QChar kAnswerMark = QChar(u'\u2713'); // ✓

    // Editable, with the fixed items and no item selected.
    PortBox(QWidget* parent, const QStringList& fixedItems);

    // The devices present now go above the fixed items; nothing changes
    // when they are those shown already.
    void showPresent(const std::vector<serial::DiscoveredPort>& ports);
    // The names of the present devices, in list order.
    QStringList presentPorts() const;

    // Probe results, kept for a port while it stays present.
    void clearAnswers();
    void markAnswer(const QString& port, bool answers);

    // What the list shows for an item: the name, the mark of a port that
    // answered, and the description.
    QString caption(int index) const;

    // Refreshes the list (through aboutToShowPopup) before it opens.
    void showPopup() override;

signals:
    void aboutToShowPopup();

private:
    void applyAnswer(int index);
    void fitListWidth();

    std::vector<serial::DiscoveredPort> present_;
    QHash<QString, bool> answers_;
};

// Draws an item of the port box's list with its caption.
class PortItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
