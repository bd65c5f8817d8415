#include "ui/input_number_dialog.h"

#include "app/general_error.h"
#include "app/message_boxes.h"
#include "ui/keypad.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kTopPanelHeight = 43;

QFont TahomaPixels(int pixels) {
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(pixels);
  return font;
}

// The keypad keys: name, caption, virtual-key code, in rows 7 8 9 / 4 5 6 / 1 2 3 / 0 . 退格.
struct KeyDef {
  const char* name;
  const char* caption;
  int vk;
};
constexpr KeyDef kKeys[12] = {{"btn7", "7", 55},   {"btn8", "8", 56},      {"btn9", "9", 57},
                              {"btn4", "4", 52},   {"btn5", "5", 53},      {"btn6", "6", 54},
                              {"btn1", "1", 49},   {"btn2", "2", 50},      {"btn3", "3", 51},
                              {"btn0", "0", 48},   {"btnSpeck", ".", 110}, {"btnDel", "退格", 8}};
constexpr int kKeyWidth = 97;
constexpr int kKeyHeight = 81;
constexpr int kKeyColumns[3] = {8, 111, 214};
constexpr int kKeyRows[4] = {kTopPanelHeight + 6, kTopPanelHeight + 92, kTopPanelHeight + 178,
                             kTopPanelHeight + 264};

}  // namespace

TfrmInputNumber::TfrmInputNumber(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmInputNumber"));
  // No caption text; the title bar has the close box only.
  setWindowTitle(QString());
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(319, 394);

  auto* pnlTop = new QFrame(this);
  pnlTop->setObjectName(QStringLiteral("pnlTop"));
  pnlTop->setGeometry(0, 0, 319, kTopPanelHeight);

  lbl1 = new QLabel(QStringLiteral("请输入："), pnlTop);
  lbl1->setObjectName(QStringLiteral("lbl1"));
  lbl1->setGeometry(2, 12, 50, 20);

  edtInput = new QLineEdit(pnlTop);
  edtInput->setObjectName(QStringLiteral("edtInput"));
  edtInput->setFont(TahomaPixels(21));
  edtInput->setGeometry(50, 5, 181, 33);

  btnOK = new QPushButton(QStringLiteral("确定"), pnlTop);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setGeometry(233, 4, 86, 35);
  connect(btnOK, &QPushButton::clicked, this, [this] { RunAction([this] { btnOKClick(); }); });

  QFont keyFont(QStringLiteral("宋体"));
  keyFont.setPixelSize(32);
  keyFont.setBold(true);
  for (int i = 0; i < 12; ++i) {
    auto* key = new QPushButton(QString::fromUtf8(kKeys[i].caption), this);
    key->setObjectName(QLatin1String(kKeys[i].name));
    key->setGeometry(kKeyColumns[i % 3], kKeyRows[i / 3], kKeyWidth, kKeyHeight);
    key->setFocusPolicy(Qt::NoFocus);
    key->setAutoDefault(false);
    key->setFont(keyFont);
    key->setProperty("Tag", kKeys[i].vk);
    connect(key, &QPushButton::clicked, this, [this, key] { KeyBordBtnClick(key); });
  }
}

void TfrmInputNumber::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TfrmInputNumber::FormShow() {
  edtInput->setFocus();
  bReturnOK = false;
}

void TfrmInputNumber::KeyBordBtnClick(QObject* Sender) {
  if (!Sender) return;
  TypeVirtualKey(Sender->property("Tag").toInt());
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
