// The port box lists the serial devices present above "Com1"…"Com20", from
// a made-up machine: stable names, adapters' descriptions, refreshed when
// the list opens and when devices come and go, never losing what was typed.
// "探测" asks them in the background while the window works on.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <pty.h>
#include <unistd.h>

#include "port_tree.h"
#include "ui/main_window.h"
#include "ui/port_box.h"
#include "ui/weighing_page.h"
#include "window_controls.h"

namespace {

QStringList Items(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QStringList ComItems()
{
    QStringList items;
    for (int i = 1; i <= 20; ++i)
        items << QStringLiteral("Com%1").arg(i);
    return items;
}

// A pseudo-terminal that never answers.
class SilentPty {
public:
    SilentPty()
    {
        int slave = -1;
        char name[128] = {};
        if (openpty(&master_, &slave, name, nullptr, nullptr) == 0) {
            close(slave);
            path_ = QString::fromLocal8Bit(name);
        }
    }
    ~SilentPty()
    {
        if (master_ >= 0)
            close(master_);
    }
    const QString& path() const { return path_; }

private:
    int master_ = -1;
    QString path_;
};

} // namespace

class PortListTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        tree = new PortTree;
        window = new MainWindow;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        box = Control<PortBox>(window, "cbbComm");
    }
    void cleanup()
    {
        delete window;
        window = nullptr;
        delete tree;
        tree = nullptr;
    }

    void devicesPresentGoAboveTheComItems()
    {
        tree->Add(QStringLiteral("ttyUSB0"), {}, QStringLiteral("FT232R USB UART"));
        tree->Add(QStringLiteral("ttyS0"));
        Page()->setPortDiscoveryRoots(tree->Roots());

        const QString usb = tree->ById(PortTree::ByIdName(QStringLiteral("ttyUSB0")));
        QCOMPARE(Items(box), QStringList({tree->Dev(QStringLiteral("ttyS0")), usb}) + ComItems());
        // The item's text is what is opened; the adapter is told beside it.
        QCOMPARE(box->itemData(1, PortBox::DescriptionRole).toString(),
                 QStringLiteral("FT232R USB UART"));
        QVERIFY(box->itemData(1, Qt::ToolTipRole).toString().contains("FT232R USB UART"));
        QVERIFY(box->itemData(1, Qt::ToolTipRole).toString().contains(tree->Dev("ttyUSB0")));
        QCOMPARE(box->caption(1), usb + QStringLiteral("  — FT232R USB UART"));
        QCOMPARE(box->caption(0), tree->Dev(QStringLiteral("ttyS0")));
        QCOMPARE(box->caption(2), QStringLiteral("Com1"));
        QVERIFY(box->itemData(0, PortBox::PresentRole).toBool());
        QVERIFY(!box->itemData(2, PortBox::PresentRole).toBool());
        // Nothing chosen, nothing typed over.
        QCOMPARE(box->currentIndex(), -1);
        QCOMPARE(box->currentText(), QStringLiteral("Com1"));
        // Choosing a device puts its clean name in the box.
        box->setCurrentIndex(1);
        QCOMPARE(box->currentText(), usb);
    }

    void devicesComingAndGoingRefreshTheListButNotWhatIsTyped()
    {
        tree->Add(QStringLiteral("ttyUSB0"), {}, QStringLiteral("FT232R USB UART"));
        Page()->setPortDiscoveryRoots(tree->Roots());
        QCOMPARE(box->count(), 21);
        box->setEditText(QStringLiteral("/tmp/scale-typed"));
        box->lineEdit()->setCursorPosition(5);

        // Plugged in: the list follows by itself.
        tree->Add(QStringLiteral("ttyUSB1"), {}, QStringLiteral("CP2102 USB to UART"));
        QTRY_COMPARE_WITH_TIMEOUT(box->count(), 22, 3000);
        QCOMPARE(box->currentText(), QStringLiteral("/tmp/scale-typed"));
        QCOMPARE(box->lineEdit()->cursorPosition(), 5);

        // The chosen device is pulled out: its name stays in the box.
        const QString chosen = tree->ById(PortTree::ByIdName(QStringLiteral("ttyUSB1")));
        box->setCurrentIndex(box->findText(chosen));
        QCOMPARE(box->currentText(), chosen);
        tree->Remove(QStringLiteral("ttyUSB1"));
        QTRY_COMPARE_WITH_TIMEOUT(box->count(), 21, 3000);
        QCOMPARE(box->currentText(), chosen);
        QCOMPARE(Items(box).mid(1), ComItems());
    }

    void openingTheListRefreshesIt()
    {
        Page()->setPortDiscoveryRoots(tree->Roots());
        QCOMPARE(Items(box), ComItems());
        box->setEditText(QStringLiteral("Com3"));
        tree->Add(QStringLiteral("ttyACM0"));
        box->showPopup(); // before the watch has settled
        QCOMPARE(box->itemText(0), tree->Dev(QStringLiteral("ttyACM0")));
        QCOMPARE(box->currentText(), QStringLiteral("Com3"));
        box->hidePopup();
    }

    void probingLeavesTheWindowWorking()
    {
        SilentPty first, second;
        QVERIFY(!first.path().isEmpty() && !second.path().isEmpty());
        tree->Add(QStringLiteral("ttyUSB0"), first.path(), QStringLiteral("FT232R USB UART"));
        tree->Add(QStringLiteral("ttyUSB1"), second.path(), QStringLiteral("FT232R USB UART"));
        Page()->setPortDiscoveryRoots(tree->Roots());
        box->setEditText(QStringLiteral("/tmp/scale-typed"));

        auto* probe = Control<QPushButton>(window, "btnProbe");
        QCOMPARE(probe->text(), QStringLiteral("探测"));
        QVERIFY(probe->isEnabled());

        // The event loop keeps turning while the ports are asked: a 10 ms
        // timer fires while the probe runs.
        int ticksWhileProbing = 0;
        QTimer ticker;
        ticker.setInterval(10);
        connect(&ticker, &QTimer::timeout, this, [&] {
            if (!probe->isEnabled())
                ++ticksWhileProbing;
        });

        probe->click();
        ticker.start();
        // The click did not wait for the probe: it is still under way.
        QVERIFY(!probe->isEnabled());
        QCOMPARE(window->statusText(), QStringLiteral("正在探测串口…"));
        QTRY_VERIFY_WITH_TIMEOUT(probe->isEnabled(), 10000);
        ticker.stop();
        QVERIFY(ticksWhileProbing >= 1);
        QCOMPARE(window->statusText(), QStringLiteral("探测完成，有应答的串口数：0"));
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(box->itemData(i, PortBox::AnswersRole), QVariant(false));
            QVERIFY(!box->caption(i).contains(PortBox::kAnswerMark));
        }
        QCOMPARE(box->currentText(), QStringLiteral("/tmp/scale-typed"));
        QVERIFY(!window->session().connected());
    }

private:
    WeighingPage* Page() { return Control<WeighingPage>(window, "TabSheet5"); }

    PortTree* tree = nullptr;
    MainWindow* window = nullptr;
    PortBox* box = nullptr;
};

QTEST_MAIN(PortListTest)
#include "port_list_test.moc"
