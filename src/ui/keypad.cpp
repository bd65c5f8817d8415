#include "ui/keypad.h"

#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "ui/widget_factory.h"

namespace {

struct Key {
    const char* caption;
    int virtualKey;
};

constexpr Key kKeys[12] = {{"7", 55}, {"8", 56},  {"9", 57},
                           {"4", 52}, {"5", 53},  {"6", 54},
                           {"1", 49}, {"2", 50},  {"3", 51},
                           {"0", 48}, {".", 110}, {QT_TRANSLATE_NOOP("Keypad", "退格"), 8}};
constexpr int kVirtualBackspace = 8;
constexpr int kVirtualDecimalPoint = 110;

} // namespace

Keypad::Keypad(const Names& names, QWidget* parent) : QFrame(parent)
{
    setObjectName(QLatin1String(names.panel));
    setStyleSheet(QStringLiteral("QFrame#%1 { border: 1px solid #8c9fb3; border-radius: 8px; }"
                                 "QPushButton { color: black; }")
                      .arg(QLatin1String(names.panel)));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 6, 10, 6);
    grid->setSpacing(0);
    const QFont font = PixelFont(Face::Song, 32, true);
    for (int i = 0; i < 12; ++i) {
        auto* key = new QPushButton(tr(kKeys[i].caption), this);
        key->setObjectName(QLatin1String(names.keys[i]));
        key->setFlat(true);
        key->setFocusPolicy(Qt::NoFocus);
        key->setFont(font);
        key->setProperty("Tag", kKeys[i].virtualKey);
        key->setMinimumSize(72, 56);
        key->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        grid->addWidget(key, i / 3, i % 3);
        const int virtualKey = kKeys[i].virtualKey;
        connect(key, &QPushButton::clicked, this, [this, virtualKey] { typeKey(virtualKey); });
    }
}

void Keypad::serve(std::initializer_list<QLineEdit*> edits)
{
    for (QLineEdit* edit : edits)
        edit->installEventFilter(this);
}

bool Keypad::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonPress)
        lastTouched_ = qobject_cast<QLineEdit*>(watched);
    return QFrame::eventFilter(watched, event);
}

void Keypad::typeKey(int virtualKey)
{
    QLineEdit* target = lastTouched_;
    if (!target || !target->isEnabled() || !target->isVisible())
        return;
    int key = 0;
    QString text;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    if (virtualKey >= '0' && virtualKey <= '9') {
        key = Qt::Key_0 + (virtualKey - '0');
        text = QChar(virtualKey);
    } else if (virtualKey == kVirtualDecimalPoint) {
        key = Qt::Key_Period;
        text = QStringLiteral(".");
        modifiers = Qt::KeypadModifier;
    } else if (virtualKey == kVirtualBackspace) {
        key = Qt::Key_Backspace;
        text = QStringLiteral("\b");
    } else {
        return;
    }
    target->setFocus();
    // Posted, like keystrokes entering the input queue: they arrive after the
    // click has been handled.
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, modifiers, text));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, modifiers, text));
}
