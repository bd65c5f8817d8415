// The window at the smallest size it is made for, 1280×720, also at a
// scale factor of 1.5 (run a second time with QT_SCALE_FACTOR=1.5), and both
// again in English (--lang en), whose texts are longer: no control is cut,
// and the page tabs, readings, places and port show their whole text.

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "language_option.h"
#include "protocol/frame.h"
#include "protocol/gravity.h"
#include "ui/led_display.h"
#include "ui/main_window.h"
#include "window_controls.h"

namespace {

// The room an edit (or a drop-down's edit) leaves for its text.
int TextRoom(const QLineEdit* edit)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    const QRect contents =
        edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    const QMargins margins = edit->textMargins();
    return contents.width() - margins.left() - margins.right() -
           4; // the text's own margin of 2 a side
}

bool ShowsWhole(const QLineEdit* edit, const QString& text)
{
    return QFontMetrics(edit->font()).horizontalAdvance(text) <= TextRoom(edit);
}

bool ShowsWhole(const QLabel* label, const QString& text)
{
    return QFontMetrics(label->font()).horizontalAdvance(text) <= label->contentsRect().width();
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        window = new MainWindow;
        window->resize(1280, 720);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->resize(1280, 720);
        QCoreApplication::processEvents();
    }
    void cleanup()
    {
        delete window;
        window = nullptr;
    }

    // Every shown control of every page gets at least the size it needs and
    // lies inside the window.
    void nothingIsCut_data()
    {
        QTest::addColumn<QString>("page");
        for (const char* page : {"TabSheet5", "TabSheet3", "TabSheet12"})
            QTest::newRow(page) << page;
    }
    void nothingIsCut()
    {
        QFETCH(QString, page);
        QCOMPARE(window->size(), QSize(1280, 720));
        // The drift monitor too, as it shows once sampling has started.
        Control(window, "grp3")->show();
        Control<QTabWidget>(window, "RzPageControl1")
            ->setCurrentWidget(Control(window, page.toLatin1()));
        QCoreApplication::processEvents();
        const QRect inside = window->rect();
        int checked = 0;
        for (QWidget* control : Control(window, page.toLatin1())->findChildren<QWidget*>()) {
            if (!control->isVisible() || control->objectName().isEmpty())
                continue;
            if (!qobject_cast<QLabel*>(control) && !qobject_cast<QLineEdit*>(control) &&
                !qobject_cast<QPushButton*>(control) && !qobject_cast<QComboBox*>(control) &&
                !qobject_cast<QGroupBox*>(control))
                continue;
            const QSize needed = control->minimumSizeHint();
            QVERIFY2(control->width() >= needed.width() && control->height() >= needed.height(),
                     qPrintable(control->objectName()));
            const QRect place(control->mapTo(window, QPoint(0, 0)), control->size());
            QVERIFY2(inside.contains(place), qPrintable(control->objectName()));
            ++checked;
        }
        QVERIFY(checked > 10);
    }

    // The strip of page tabs is as wide as its longest caption needs (drawn
    // bold when current, beside the picture).
    void pageTabsShowTheirWholeCaption()
    {
        auto* pages = Control<QTabWidget>(window, "RzPageControl1");
        const QTabBar* tabs = pages->tabBar();
        QFont bold = tabs->font();
        bold.setBold(true);
        int checked = 0;
        for (int i = 0; i < pages->count(); ++i) {
            if (!pages->isTabVisible(i))
                continue;
            const int room = tabs->tabRect(i).width() - 6 - 38 - 4; // picture and margins
            QVERIFY2(QFontMetrics(bold).horizontalAdvance(pages->tabText(i)) <= room,
                     qPrintable(pages->tabText(i)));
            ++checked;
        }
        QCOMPARE(checked, 3);
    }

    void readingsShowTheirWholeText()
    {
        SessionListener& listener = *window;
        for (const double kg : {10.0, 150.0, 750.0, -750.0, 65535.0}) {
            WeightReading reading;
            reading.displayed = kg;
            reading.rawWeight = kg;
            reading.realWeight = kg;
            listener.weightMeasured(reading);
            auto* large = Control<QLabel>(window, "lblValue");
            // Once the layout has followed.
            QTRY_VERIFY2_WITH_TIMEOUT(ShowsWhole(large, large->text()), qPrintable(large->text()),
                                      10000);
            auto* display = Control<LedDisplay>(window, "DispValue");
            QVERIFY2(display->digitCount() >= display->Caption().size(),
                     qPrintable(display->Caption()));
        }
    }

    void placesAndPortShowTheirWholeText()
    {
        SessionListener& listener = *window;
        for (const GravityTableRow& row : kGravityTable) {
            const std::string name = PlaceNamesForGravity(row.gravity);
            listener.placeChanged(GravityPlace::Use, name, row.gravity);
            listener.placeChanged(GravityPlace::Calibration, name, row.gravity);
            for (const char* field : {"edtUseCity", "edtCity"}) {
                auto* edit = Control<QLineEdit>(window, field);
                QVERIFY2(ShowsWhole(edit, edit->text()), qPrintable(edit->text()));
            }
        }
        Control<QTabWidget>(window, "RzPageControl1")
            ->setCurrentWidget(Control(window, "TabSheet5"));
        auto* port = Control<QComboBox>(window, "cbbComm");
        for (const QString& path :
             {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/pts/12")}) {
            port->setEditText(path);
            // Once the layout has followed.
            QTRY_VERIFY2_WITH_TIMEOUT(ShowsWhole(port->lineEdit(), path), qPrintable(path), 10000);
        }
    }

private:
    MainWindow* window = nullptr;
};

int main(int argc, char** argv) { return RunInChosenLanguage<LayoutTest>(argc, argv); }

#include "layout_test.moc"
