#include "ui/code_dialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/message_boxes.h"
#include "ui/keypad.h"
#include "ui/widget_factory.h"

CodeDialog::CodeDialog(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmInputNumber"));
    // No caption text; the title bar has the close box only.
    setWindowTitle(QString());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* topPanel = new QFrame(this);
    topPanel->setObjectName(QStringLiteral("pnlTop"));
    topPanel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    QLabel* prompt = MakeLabel(topPanel, "lbl1", tr("请输入："));
    entry_ = MakeEdit(topPanel, "edtInput", QString());
    entry_->setFont(PixelFont(Face::Tahoma, 21));
    QPushButton* confirmButton = MakeButton(topPanel, "btnOK", tr("确定"));
    confirmButton->setMinimumSize(86, 35);
    auto* top = new QHBoxLayout(topPanel);
    top->setContentsMargins(2, 4, 0, 4);
    top->addWidget(prompt);
    top->addWidget(entry_, 1);
    top->addWidget(confirmButton);
    OnClick(confirmButton, [this] { confirmInput(); });

    auto* keypad = new Keypad({"pnlKeys",
                               {"btn7", "btn8", "btn9", "btn4", "btn5", "btn6", "btn1", "btn2",
                                "btn3", "btn0", "btnSpeck", "btnDel"}},
                              this);
    // Here the keys are ordinary raised buttons (the pages' keypads are flat
    // in a framed panel), and none of them becomes the dialog's default button.
    keypad->setStyleSheet(QString());
    keypad->serve({entry_});
    for (auto* key : keypad->findChildren<QPushButton*>()) {
        key->setAutoDefault(false);
        key->setFlat(false);
    }

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(topPanel);
    column->addWidget(keypad, 1);
    resize(319, 394);
}

void CodeDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    entry_->setFocus();
    confirmed_ = false;
}

void CodeDialog::confirmInput()
{
    if (entry_->text().isEmpty()) {
        entry_->setFocus();
        Boxes().Message(tr("请输入!"));
        return;
    }
    confirmed_ = true;
    input_ = entry_->text();
    accept();
}

void CodeDialog::done(int result)
{
    QDialog::done(result);
    deleteLater();
}
