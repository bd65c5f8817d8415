#include "ui/calibration_page.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include "app/general_error.h"
#include "app/message_boxes.h"
#include "app_core/tick_count.h"
#include "protocol/gravity.h"
#include "protocol/number_format.h"
#include "protocol/number_parse.h"
#include "protocol/weight.h"
#include "session/record_file.h"
#include "session/scale_session.h"
#include "ui/calibration_log_dialog.h"
#include "ui/certificate_document.h"
#include "ui/code_dialog.h"
#include "ui/document_printing.h"
#include "ui/fit_text_label.h"
#include "ui/keypad.h"
#include "ui/place_page.h"
#include "ui/weighing_page.h"
#include "ui/widget_factory.h"

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

// Moves the focus to a field that can take it.
void FocusIfPossible(QWidget* field)
{
    if (field->isEnabled() && field->isVisible())
        field->setFocus();
}

// The item whose text is the box's text, typed or picked; -1 for none.
int ChosenItem(const QComboBox* box) { return box->findText(box->currentText(), Qt::MatchExactly); }

} // namespace

CalibrationPage::CalibrationPage(ScaleSession& session, std::function<int()> chooseRow,
                                 QWidget* parent)
    : QWidget(parent), session_(session)
{
    setObjectName(QStringLiteral("TabSheet12"));
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(DisplayRefreshMs());
    connect(refreshTimer_, &QTimer::timeout, this, [this] { refresh(); });

    auto* left = new QVBoxLayout;
    left->addWidget(buildCalibration(std::move(chooseRow)));
    left->addWidget(buildOtherSettings(), 1);
    QLayout* right = buildBaseValue();
    QLayout* middle = buildReading();
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(11, 6, 11, 6);
    row->addLayout(left);
    row->addLayout(middle);
    row->addLayout(right);
    row->addStretch(1);
}

QWidget* CalibrationPage::buildCalibration(std::function<int()> chooseRow)
{
    const QFont tahoma = PixelFont(Face::Tahoma, 19);
    QGroupBox* group = MakeGroup(this, "grppdInf", tr("标定设置"));
    auto* grid = new QGridLayout(group);
    QLabel* placeCaption = MakeLabel(group, "lblCity", tr("标定地:"));
    placeCaption->setFont(tahoma);
    place_ = MakeEdit(group, "edtCity", tr("韶关") + QStringLiteral("[9.7894]"));
    place_->setFont(tahoma);
    place_->setEnabled(false);
    FitWidthTo(place_, PlaceTexts());
    QPushButton* chooseButton = MakeButton(group, "btnSelCity", tr("选择"));
    chooseButton->hide();
    QLabel* weightCaption = MakeLabel(group, "lblAny", tr("任意点重量:"));
    weightCaption->setFont(tahoma);
    referenceWeight_ = MakeEdit(group, "edtAny", QStringLiteral("10"));
    referenceWeight_->setFont(tahoma);
    AcceptDigits(referenceWeight_);
    QLabel* weightIdCaption = MakeLabel(group, "lblWeightId", tr("砝码编号:"));
    weightIdCaption->setFont(tahoma);
    testWeightId_ = MakeEdit(group, "edtWeightId", QString());
    testWeightId_->setFont(tahoma);
    testWeightId_->setPlaceholderText(tr("可不填"));
    FitWidthTo(testWeightId_, {QStringLiteral("F1-20kg-0001")});
    QLabel* operatorCaption = MakeLabel(group, "lblOperator", tr("操作员:"));
    operatorCaption->setFont(tahoma);
    operatorName_ = MakeEdit(group, "edtOperator", QString::fromStdString(session_.operatorName()));
    operatorName_->setFont(tahoma);
    operatorName_->setPlaceholderText(tr("可不填"));
    FitWidthTo(operatorName_, {QStringLiteral("欧阳文华")});
    calibrateZeroButton_ = MakeButton(group, "btnZeroSet", tr("零点标定"));
    calibrateWeightButton_ = MakeButton(group, "btnAnySet", tr("任一点标定"));
    QPushButton* certificateButton = MakeButton(group, "btnCertificate", tr("生成标定证书"));
    for (QPushButton* button : {calibrateZeroButton_, calibrateWeightButton_, certificateButton})
        button->setMinimumSize(180, 64);
    auto* certificateMenu = new QMenu(certificateButton);
    QAction* saveAction = certificateMenu->addAction(tr("保存为PDF…"));
    saveAction->setObjectName(QStringLiteral("actCertificateSave"));
    QAction* printAction = certificateMenu->addAction(tr("打印"));
    printAction->setObjectName(QStringLiteral("actCertificatePrint"));
    certificateButton->setMenu(certificateMenu);
    // The place and the operator, the reference weight and its identifier,
    // then the actions.
    auto* placeRow = new QHBoxLayout;
    placeRow->addWidget(place_);
    placeRow->addWidget(chooseButton);
    grid->addWidget(placeCaption, 0, 0, Qt::AlignRight);
    grid->addLayout(placeRow, 0, 1);
    grid->addWidget(operatorCaption, 0, 2, Qt::AlignRight);
    grid->addWidget(operatorName_, 0, 3);
    grid->addWidget(weightCaption, 1, 0, Qt::AlignRight);
    grid->addWidget(referenceWeight_, 1, 1, Qt::AlignLeft);
    grid->addWidget(weightIdCaption, 1, 2, Qt::AlignRight);
    grid->addWidget(testWeightId_, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(calibrateZeroButton_);
    buttons->addWidget(calibrateWeightButton_);
    buttons->addWidget(certificateButton);
    grid->addLayout(buttons, 2, 0, 1, 4);

    OnClick(chooseButton, [this, chooseRow] {
        const int chosen = chooseRow();
        if (chosen >= 0)
            session_.setGravityFromTable(GravityPlace::Calibration, chosen);
    });
    OnClick(calibrateZeroButton_, [this] { calibrateZero(); });
    OnClick(calibrateWeightButton_, [this] { calibrateWithWeight(); });
    connect(operatorName_, &QLineEdit::editingFinished, this,
            [this] { RunAction([this] { rememberOperator(); }); });
    connect(saveAction, &QAction::triggered, this,
            [this] { RunAction([this] { saveCertificate(); }); });
    connect(printAction, &QAction::triggered, this,
            [this] { RunAction([this] { printCertificate(); }); });
    return group;
}

QWidget* CalibrationPage::buildOtherSettings()
{
    const QFont tahoma = PixelFont(Face::Tahoma, 19);
    const QFont boxFont = PixelFont(Face::Song, 20, true);
    QGroupBox* group = MakeGroup(this, "grpOtherSet", tr("其它设置"));
    auto* column = new QVBoxLayout(group);

    auto* choices = new QGridLayout;
    QLabel* divisionCaption = MakeLabel(group, "lbl3", tr("分度值:"));
    divisionCaption->setFont(tahoma);
    divisionBox_ = MakeDropDown(group, "cbbFD", {tr("默认"), QStringLiteral("5g")});
    divisionBox_->setFont(boxFont);
    divisionBox_->setCurrentIndex(0);
    QPushButton* divisionButton = MakeButton(group, "btnSetPD", tr("设置分度值"));
    QLabel* rangeCaption = MakeLabel(group, "lbl6", tr("量程:"));
    rangeCaption->setFont(tahoma);
    QStringList ranges;
    for (int range : kRangeChoicesKg)
        ranges << QString::number(range);
    rangeBox_ = MakeDropDown(group, "cbbMaxRange", ranges);
    rangeBox_->setFont(boxFont);
    rangeBox_->setEditText(QStringLiteral("15"));
    rangeBox_->lineEdit()->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), rangeBox_));
    QPushButton* rangeButton = MakeButton(group, "btnMaxRange", tr("设置量程"));
    for (QComboBox* box : {divisionBox_, rangeBox_})
        FitWidthTo(box, {tr("默认"), QStringLiteral("750")});
    for (QPushButton* button : {divisionButton, rangeButton})
        button->setMinimumSize(134, 40);
    choices->addWidget(divisionCaption, 0, 0, Qt::AlignRight);
    choices->addWidget(divisionBox_, 0, 1);
    choices->addWidget(divisionButton, 0, 2);
    choices->addWidget(rangeCaption, 1, 0, Qt::AlignRight);
    choices->addWidget(rangeBox_, 1, 1);
    choices->addWidget(rangeButton, 1, 2);
    choices->setColumnStretch(3, 1);
    column->addLayout(choices);

    QLabel* tip =
        MakeLabel(group, "lblFDTip",
                  tr("提示：默认分度值：重量值<6kg时，分度值为2g；\n重量值>=6kg时，分度值为5g；"));
    tip->setFont(PixelFont(Face::Song, 13, true));
    tip->setStyleSheet(QStringLiteral("color: red;"));
    column->addWidget(tip);

    auto* grid = new QGridLayout;
    struct Action {
        const char* name;
        const char* caption;
        std::function<void()> run;
    };
    const Action actions[9] = {
        {"btn12", QT_TR_NOOP("查询零点跟踪状态"), [this] { session_.queryZeroTracking(); }},
        {"btn10", QT_TR_NOOP("开启零点跟踪"), [this] { session_.zeroTrackingOn(); }},
        {"btn11", QT_TR_NOOP("关闭零点跟踪"), [this] { session_.zeroTrackingOff(); }},
        {"btnReadVer", QT_TR_NOOP("读版本"), [this] { session_.readVersion(); }},
        {"btnPrint", QT_TR_NOOP("平移清零"), [this] { session_.shiftZero(); }},
        {"btnSetLog", QT_TR_NOOP("查询标定记录"), [this] { readCalibrationLog(); }},
        {"btnQueryBeep", QT_TR_NOOP("查询峰鸣器状态"), [this] { session_.queryBeeper(); }},
        {"btnOpenBeep", QT_TR_NOOP("开启峰鸣器"), [this] { session_.beeperOn(); }},
        {"btnCloseBeep", QT_TR_NOOP("关闭峰鸣器"), [this] { session_.beeperOff(); }},
    };
    for (int i = 0; i < 9; ++i) {
        QPushButton* button = MakeButton(group, actions[i].name, tr(actions[i].caption));
        button->setMinimumSize(126, 52);
        grid->addWidget(button, i / 3, i % 3);
        OnClick(button, actions[i].run);
    }
    column->addLayout(grid);
    column->addStretch(1);

    OnClick(divisionButton, [this] { setDivision(); });
    OnClick(rangeButton, [this] { setRange(); });
    return group;
}

QLayout* CalibrationPage::buildReading()
{
    auto* middle = new QVBoxLayout;
    auto* keypad = new Keypad({"rzpnlLogininf",
                               {"btn7", "btn8", "btn9", "btn4", "btn5", "btn6", "btn1", "btn2",
                                "btn3", "btn0", "btnSpeck", "btnDel"}},
                              this);
    middle->addWidget(keypad);

    QGroupBox* group = MakeGroup(this, "grpDisplay", tr("示值"));
    auto* column = new QVBoxLayout(group);
    // As wide as the usual weight; no weight until the first reading.
    reading_ = new FitTextLabel(QStringLiteral("10.000"), PixelFont(Face::Song, 96, true), group);
    reading_->setText(QStringLiteral("-----"));
    reading_->setObjectName(QStringLiteral("lblValue"));
    showWeightLive(false);
    reading_->installEventFilter(this);
    column->addWidget(reading_);
    realWeight_ = MakeLabel(group, "lblRealValue", tr("实际值："));
    realWeight_->setFont(PixelFont(Face::Song, 27, true));
    column->addWidget(realWeight_);
    middle->addWidget(group);
    middle->addStretch(1);
    keypad->serve({referenceWeight_, deviation_});
    return middle;
}

QLayout* CalibrationPage::buildBaseValue()
{
    auto* right = new QVBoxLayout;
    baseValue_ = MakeLabel(this, "lblBaseValue", tr("基数值："));
    baseValue_->setFont(PixelFont(Face::Song, 27, true));
    baseValue_->hide();
    QPushButton* takeButton = MakeButton(this, "btnGetBase", tr("取基值"));
    takeButton->hide();
    QPushButton* clearButton = MakeButton(this, "btnClearBase", tr("清基值"));
    clearButton->hide();
    QLabel* tip = MakeLabel(this, "lblTip", tr("提示：\n1、任意点标定推荐使用满量程重量标定"));
    tip->hide();
    deviation_ = MakeEdit(this, "edtdeviation", QStringLiteral("0.005"));
    deviation_->setFont(PixelFont(Face::Tahoma, 19));
    AcceptDecimal(deviation_);
    deviation_->hide();
    for (QWidget* control :
         std::initializer_list<QWidget*>{takeButton, baseValue_, clearButton, tip, deviation_})
        right->addWidget(control);
    right->addStretch(1);
    OnClick(takeButton, [this] { session_.takeBaseValue(); });
    OnClick(clearButton, [this] { session_.clearBaseValue(); });
    return right;
}

void CalibrationPage::showWeightLive(bool live)
{
    reading_->setStyleSheet(live ? QStringLiteral("color: red;")
                                 : QStringLiteral("color: #a0a0a0;"));
}

void CalibrationPage::passEvidence()
{
    session_.setOperatorName(operatorName_->text().trimmed().toStdString());
    session_.setTestWeightId(testWeightId_->text().trimmed().toStdString());
}

void CalibrationPage::calibrateZero()
{
    passEvidence();
    session_.calibrateZeroAndRecord();
}

void CalibrationPage::calibrateWithWeight()
{
    passEvidence();
    if (session_.calibrateWithWeightAndRecord(referenceWeight_->text().toStdString()).input ==
        InputCheck::Refused)
        FocusIfPossible(referenceWeight_);
}

void CalibrationPage::rememberOperator()
{
    session_.rememberOperatorName(operatorName_->text().trimmed().toStdString());
}

void CalibrationPage::saveCertificate()
{
    const NumberedRecord last = RecordToCertify(session_.recordFile(), 0);
    const QString suggested = tr("标定证书-%1.pdf").arg(last.number);
    const QString path = QFileDialog::getSaveFileName(
        this, tr("保存标定证书"), QDir::home().filePath(suggested), tr("PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return;
    if (!WriteCertificatePdf(last.record, static_cast<int>(last.number), path))
        Boxes().Error(tr("证书保存失败，请确认文件是否可写！"));
    else
        Boxes().Message(tr("已保存到 %1").arg(QDir::toNativeSeparators(path)));
}

void CalibrationPage::printCertificate()
{
    const NumberedRecord last = RecordToCertify(session_.recordFile(), 0);
    PrintDocument(*CertificateDocument(last.record, static_cast<int>(last.number),
                                       QDateTime::currentDateTime()),
                  tr("标定证书"));
}

void CalibrationPage::setDivision()
{
    if (session_.setDivision(ChosenItem(divisionBox_)) == InputCheck::Refused)
        FocusIfPossible(divisionBox_);
}

void CalibrationPage::setRange()
{
    const int item = ChosenItem(rangeBox_);
    std::optional<int> range;
    if (item >= 0)
        range = kRangeChoicesKg.at(static_cast<size_t>(item));
    if (session_.setRange(range) == InputCheck::Refused)
        FocusIfPossible(rangeBox_);
}

void CalibrationPage::readCalibrationLog()
{
    if (!session_.readCalibrationLog())
        return;
    CalibrationLogDialog dialog(this, session_.calibrationLog());
    dialog.exec();
}

void CalibrationPage::showConnected(bool connected)
{
    for (QWidget* control : std::initializer_list<QWidget*>{
             calibrateZeroButton_, calibrateWeightButton_, deviation_, referenceWeight_})
        control->setEnabled(connected);
}

void CalibrationPage::showParameters(const ParameterReport& report)
{
    divisionBox_->setCurrentIndex(report.division < divisionBox_->count() ? report.division : -1);
    rangeBox_->setCurrentIndex(rangeBox_->findText(QString::number(report.rangeKg)));
}

void CalibrationPage::showPlace(const QString& text) { place_->setText(text); }

void CalibrationPage::showBaseValue(double baseValue)
{
    baseValue_->setText(tr("基数值:") + Text(FormatGeneral(baseValue)));
}

void CalibrationPage::showReading(const WeightReading& reading)
{
    pendingReading_ = reading;
    if (!refreshTimer_->isActive())
        refreshTimer_->start();
}

void CalibrationPage::refresh()
{
    if (!pendingReading_)
        return;
    // RealWeightText's form, with the caption in the window's language.
    realWeight_->setText(tr("实际值：") + Text(FormatUpToSixDecimals(pendingReading_->realWeight)));
    reading_->setText(Text(FormatThreeDecimals(pendingReading_->displayed)));
    pendingReading_.reset();
}

bool CalibrationPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == reading_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        RunAction([this] { readingClicked(); });
    return QWidget::eventFilter(watched, event);
}

void CalibrationPage::readingClicked()
{
    if (unlockGesture_.click(GetTickCount()))
        askForCode();
}

void CalibrationPage::askForCode()
{
    if (!codeDialog_)
        codeDialog_ = new CodeDialog(this);
    codeDialog_->exec();
    // Read before anything else handles events: the closed dialog is
    // destroyed then, and the next gesture must make a new one even if that
    // has not happened yet.
    const bool confirmed = codeDialog_->confirmed();
    const QString code = codeDialog_->input();
    codeDialog_.clear();
    if (confirmed)
        session_.unlock(code.toStdString());
}
