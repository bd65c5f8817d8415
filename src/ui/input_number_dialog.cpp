#include "ui/input_number_dialog.h"

#include "app/general_error.h"
#include "app/message_boxes.h"
#include "ui/keypad.h"
#include "ui/widget_factory.h"

#include <QFont>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmInputNumber::TfrmInputNumber(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmInputNumber"));
  // No caption text; the title bar has the close box only.
  setWindowTitle(QString());
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* pnlTop = new QFrame(this);
  pnlTop->setObjectName(QStringLiteral("pnlTop"));
  lbl1 = MakeLabel(pnlTop, "lbl1", QStringLiteral("请输入："));
  edtInput = MakeEdit(pnlTop, "edtInput", QString());
  edtInput->setFont(PixelFont(Face::Tahoma, 21));
  btnOK = MakeButton(pnlTop, "btnOK", QStringLiteral("确定"));
  btnOK->setMinimumSize(86, 35);
  auto* top = new QHBoxLayout(pnlTop);
  top->setContentsMargins(2, 4, 0, 4);
  top->addWidget(lbl1);
  top->addWidget(edtInput, 1);
  top->addWidget(btnOK);
  OnClick(btnOK, [this] { btnOKClick(); });

  auto* keypad = new Keypad({"pnlKeys", {"btn7", "btn8", "btn9", "btn4", "btn5", "btn6", "btn1", "btn2", "btn3",
                                         "btn0", "btnSpeck", "btnDel"}},
                            this);
  keypad->setStyleSheet(QString());
  keypad->serve({edtInput});
  for (auto* key : keypad->findChildren<QPushButton*>()) {
    key->setAutoDefault(false);
    key->setFlat(false);
  }

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(pnlTop);
  column->addWidget(keypad, 1);
  resize(319, 394);
}

void TfrmInputNumber::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TfrmInputNumber::FormShow() {
  edtInput->setFocus();
  bReturnOK = false;
}

void TfrmInputNumber::btnOKClick() {
  if (edtInput->text().isEmpty()) {
    edtInput->setFocus();
    Boxes().Message(QStringLiteral("请输入!"));
    return;
  }
  bReturnOK = true;
  strInput = edtInput->text();
  accept();
}

void TfrmInputNumber::done(int result) {
  QDialog::done(result);
  deleteLater();
}
