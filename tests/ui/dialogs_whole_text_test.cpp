// The dialogs show their texts whole: the calibration log's captions and
// values (its time column above all), every name of the city list, and
// every caption when a dialog is made as small as it goes. ctest runs this
// at scale factor 1 and again at QT_SCALE_FACTOR=1.5, in Chinese and in
// English (--lang en).

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <memory>

#include "language_option.h"
#include "ui/calibration_log_dialog.h"
#include "ui/city_dialog.h"
#include "ui/code_dialog.h"
#include "window_controls.h"

namespace {

// The room an item view needs for a text on one line: its advance and the
// margins the view draws item text with.
int ItemTextWidth(const QAbstractItemView* view, const QString& text)
{
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    return QFontMetrics(view->font()).horizontalAdvance(text) + 2 * margin;
}

// The room a caption needs on a button (the style may draw the button
// wider) or on a label.
QSize CaptionRoom(const QWidget* control)
{
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        const QSize text = QFontMetrics(button->font()).size(Qt::TextShowMnemonic, button->text());
        const int chrome =
            button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
            2 * button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        return text + QSize(chrome, chrome);
    }
    return control->minimumSizeHint();
}

// The room a header section needs for its caption.
int CaptionWidth(const QHeaderView* header, const QString& caption)
{
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    return QFontMetrics(header->font()).horizontalAdvance(caption) + 2 * margin;
}

using DialogMaker = std::function<QDialog*()>;

} // namespace

Q_DECLARE_METATYPE(DialogMaker)

class DialogsWholeTextTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qInfo("scale factor %s",
              qgetenv("QT_SCALE_FACTOR").isEmpty() ? "1" : qgetenv("QT_SCALE_FACTOR").constData());
    }

    // The widest values each column can hold, among them the latest time
    // of a year, next to the narrowest.
    void logShowsEveryCaptionAndValueWhole()
    {
        const CalibrationLogRecords records = {
            {32, "2026-12-10 23:59:59", -2147483647 - 1, 2147483647, 65535, 255},
            {1, "-1", 0, 0, 0, 0},
        };
        CalibrationLogDialog dialog(nullptr, records);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* list = Control<QTreeWidget>(&dialog, "lvSetLog");
        const QHeaderView* header = list->header();
        QCOMPARE(list->topLevelItemCount(), 2);
        for (int column = 0; column < list->columnCount(); ++column) {
            const QString caption = list->headerItem()->text(column);
            QVERIFY2(header->sectionSize(column) >= CaptionWidth(header, caption),
                     qPrintable(caption));
            for (int row = 0; row < list->topLevelItemCount(); ++row) {
                const QString value = list->topLevelItem(row)->text(column);
                QVERIFY2(list->columnWidth(column) >= ItemTextWidth(list, value),
                         qPrintable(caption + ": " + value));
            }
        }
        // At the dialog's usual size every column is in sight at once.
        QVERIFY(header->length() <= list->viewport()->width());
    }

    void cityListShowsEveryNameWhole()
    {
        CityDialog dialog(nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* cities = Control<QListWidget>(&dialog, "lvCityList");
        const int lineHeight = QFontMetrics(cities->font()).height();
        QCOMPARE(cities->count(), 33);
        for (int i = 0; i < cities->count(); ++i) {
            const QListWidgetItem* item = cities->item(i);
            const QRect cell = cities->visualItemRect(item);
            QVERIFY2(cell.width() >= ItemTextWidth(cities, item->text()), qPrintable(item->text()));
            QVERIFY2(cell.height() >= cities->iconSize().height() + lineHeight,
                     qPrintable(item->text()));
            // No name runs off the side: the list only scrolls up and down.
            QVERIFY2(cell.left() >= 0 && cell.right() < cities->viewport()->width(),
                     qPrintable(item->text()));
        }
    }

    void captionsStayWholeInTheSmallestDialog_data()
    {
        QTest::addColumn<DialogMaker>("make");
        static const CalibrationLogRecords noRecords;
        QTest::newRow("city") << DialogMaker([] { return new CityDialog(nullptr); });
        QTest::newRow("code") << DialogMaker([] { return new CodeDialog(nullptr); });
        QTest::newRow("calibration log")
            << DialogMaker([] { return new CalibrationLogDialog(nullptr, noRecords); });
    }
    void captionsStayWholeInTheSmallestDialog()
    {
        QFETCH(DialogMaker, make);
        const std::unique_ptr<QDialog> dialog(make());
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        dialog->resize(1, 1);
        QVERIFY(dialog->width() > 1 && dialog->height() > 1);
        int captions = 0;
        for (QWidget* control : dialog->findChildren<QWidget*>()) {
            if (!qobject_cast<QPushButton*>(control) && !qobject_cast<QLabel*>(control))
                continue;
            ++captions;
            const QSize needed = CaptionRoom(control);
            QVERIFY2(control->width() >= needed.width() && control->height() >= needed.height(),
                     qPrintable(QStringLiteral("%1: %2 × %3, needs %4 × %5")
                                    .arg(control->objectName())
                                    .arg(control->width())
                                    .arg(control->height())
                                    .arg(needed.width())
                                    .arg(needed.height())));
        }
        QVERIFY(captions > 0);
    }
};

int main(int argc, char** argv) { return RunInChosenLanguage<DialogsWholeTextTest>(argc, argv); }

#include "dialogs_whole_text_test.moc"
