#include "ui/place_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/shown_text.h"
#include "protocol/gravity.h"
#include "protocol/number_format.h"
#include "protocol/number_parse.h"
#include "session/scale_session.h"
#include "ui/keypad.h"
#include "ui/widget_factory.h"

namespace {

double FieldNumber(const QLineEdit* field)
{
    return ParseFloat(field->text().trimmed().toStdString());
}

} // namespace

QStringList PlaceTexts()
{
    QStringList texts;
    for (const GravityTableRow& row : kGravityTable)
        texts << PlaceText(PlaceNamesForGravity(row.gravity), row.gravity);
    texts << PlaceText(PlaceNamesForGravity(99999), 99999);
    return texts;
}

PlacePage::PlacePage(ScaleSession& session, std::function<int()> chooseRow, QWidget* parent)
    : QWidget(parent), session_(session)
{
    setObjectName(QStringLiteral("TabSheet3"));
    const QFont tahoma = PixelFont(Face::Tahoma, 19);
    const QFont song = PixelFont(Face::Song, 19);
    const QFont buttonFont = PixelFont(Face::Song, 13);
    auto withFont = [](auto* control, const QFont& font) {
        control->setFont(font);
        return control;
    };

    QGroupBox* settings = MakeGroup(this, "grp2", tr("使用地设置"));
    auto* settingsColumn = new QVBoxLayout(settings);

    QGroupBox* fromTable = MakeGroup(settings, "grpSelect", tr("1、直接选择"));
    auto* tableRow = new QHBoxLayout(fromTable);
    tableRow->addWidget(withFont(MakeLabel(fromTable, "lbl8", tr("使用地:")), tahoma));
    place_ = withFont(MakeEdit(fromTable, "edtUseCity", tr("韶关")), tahoma);
    place_->setEnabled(false);
    FitWidthTo(place_, PlaceTexts());
    tableRow->addWidget(place_, 1);
    QPushButton* chooseButton = withFont(MakeButton(fromTable, "btn15", tr("选择")), buttonFont);
    chooseButton->setMinimumSize(73, 36);
    tableRow->addWidget(chooseButton);
    settingsColumn->addWidget(fromTable);

    QGroupBox* custom = MakeGroup(settings, "grpUserSet", tr("2、自定义"));
    auto* grid = new QGridLayout(custom);
    auto addRow = [&](int row, QLabel* caption, QLineEdit* edit, QLabel* unit) {
        grid->addWidget(caption, row, 0, Qt::AlignRight);
        grid->addWidget(edit, row, 1);
        if (unit)
            grid->addWidget(unit, row, 2);
        FitWidthTo(edit, {QStringLiteral("9.78940000000000")});
    };
    altitude_ = withFont(MakeEdit(custom, "edtHeight", QStringLiteral("0")), tahoma);
    addRow(0, withFont(MakeLabel(custom, "lblHeight", tr("海拔:")), tahoma), altitude_,
           withFont(MakeLabel(custom, "lbl7", tr("米")), tahoma));
    latitudeDegrees_ = withFont(MakeEdit(custom, "edt1", QStringLiteral("0")), tahoma);
    addRow(1, withFont(MakeLabel(custom, "lbl9", tr("纬度：")), song), latitudeDegrees_,
           withFont(MakeLabel(custom, "lbl13", tr("度")), song));
    latitudeMinutes_ = withFont(MakeEdit(custom, "edt2", QStringLiteral("0")), tahoma);
    addRow(2, new QLabel(custom), latitudeMinutes_,
           withFont(MakeLabel(custom, "lbl12", tr("分")), song));
    latitudeSeconds_ = withFont(MakeEdit(custom, "edt3", QStringLiteral("0")), tahoma);
    addRow(3, new QLabel(custom), latitudeSeconds_,
           withFont(MakeLabel(custom, "lbl11", tr("秒")), song));
    gravity_ = withFont(MakeEdit(custom, "edtRealAcc", QStringLiteral("0")), tahoma);
    addRow(4, withFont(MakeLabel(custom, "lbl14", tr("重力加速度：")), song), gravity_, nullptr);
    for (QLineEdit* edit : {altitude_, latitudeDegrees_, latitudeMinutes_, latitudeSeconds_})
        AcceptDigits(edit);
    AcceptDecimal(gravity_);

    auto* buttons = new QHBoxLayout;
    QPushButton* computeButton = withFont(MakeButton(custom, "btnCalc", tr("计算")), buttonFont);
    QPushButton* setButton = withFont(MakeButton(custom, "btnSet", tr("设置")), buttonFont);
    for (QPushButton* button : {computeButton, setButton}) {
        button->setMinimumSize(92, 46);
        buttons->addWidget(button);
    }
    grid->addLayout(buttons, 5, 0, 1, 3);
    grid->setRowStretch(6, 1);
    settingsColumn->addWidget(custom, 1);

    auto* keypad = new Keypad({"rzpnl1",
                               {"btn13", "btn14", "btn16", "btn17", "btn18", "btn19", "btn22",
                                "btn23", "btn24", "btn21", "btn25", "btn20"}},
                              this);
    keypad->serve({altitude_, latitudeDegrees_, latitudeMinutes_, latitudeSeconds_, gravity_});

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(11, 6, 11, 6);
    row->addWidget(settings);
    row->addWidget(keypad, 0, Qt::AlignTop);
    row->addStretch(1);

    OnClick(chooseButton, [this, chooseRow] {
        const int chosen = chooseRow();
        if (chosen >= 0)
            session_.setGravityFromTable(GravityPlace::Use, chosen);
    });
    OnClick(computeButton, [this] { computeGravity(); });
    OnClick(setButton, [this] { setGravity(); });
    connect(gravity_, &QLineEdit::textEdited, this, [this] { computedGravity_.reset(); });
}

void PlacePage::showPlace(const QString& text) { place_->setText(text); }

void PlacePage::computeGravity()
{
    // A field that is no number stops here with the general error display.
    const double altitude = FieldNumber(altitude_);
    const double degrees = FieldNumber(latitudeDegrees_);
    const double minutes = FieldNumber(latitudeMinutes_);
    const double seconds = FieldNumber(latitudeSeconds_);
    computedGravity_ = GravityAtLatitude(degrees, minutes, seconds, altitude);
    gravity_->setText(QString::fromStdString(FormatGeneral(*computedGravity_)));
}

void PlacePage::setGravity()
{
    if (computedGravity_)
        session_.setUseGravity(*computedGravity_);
    else
        session_.setUseGravity(gravity_->text().toStdString());
}
