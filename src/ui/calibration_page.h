#pragma once
// The page "标定": the calibration place, zero and reference-weight
// calibration with the test weight's identifier and the operator (each
// calibration leaves a record, and the last record a certificate), division
// and range, zero tracking, beeper, version, the calibration log,
// shift-zero, the reading shown large, and the unlock gesture on it (three
// clicks within three seconds open the code dialog).

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

#include "protocol/replies.h"
#include "protocol/weight.h"
#include "ui/click_gesture.h"

class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QTimer;
class FitTextLabel;
class ScaleSession;
class CodeDialog;

class CalibrationPage : public QWidget {
    Q_OBJECT
public:
    // chooseRow shows the city dialog and returns the chosen table row, or -1.
    CalibrationPage(ScaleSession& session, std::function<int()> chooseRow, QWidget* parent);

    void showReading(const WeightReading& reading);
    void showParameters(const ParameterReport& report);
    void showPlace(const QString& text);
    void showBaseValue(double baseValue);
    void showConnected(bool connected);
    // A weight that is not live is shown grey ("-----" before the first).
    void showWeightLive(bool live);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildCalibration(std::function<int()> chooseRow);
    QWidget* buildOtherSettings();
    QLayout* buildBaseValue();
    QLayout* buildReading();
    void calibrateZero();
    void calibrateWithWeight();
    // The operator and the test weight as typed, for the next record.
    void passEvidence();
    void rememberOperator();
    void saveCertificate();
    void printCertificate();
    void setDivision();
    void setRange();
    void readCalibrationLog();
    void readingClicked();
    void askForCode();
    void refresh();

    ScaleSession& session_;
    std::optional<WeightReading> pendingReading_;
    QTimer* refreshTimer_ = nullptr;
    ClickGesture unlockGesture_;
    QPointer<CodeDialog> codeDialog_;

    QLineEdit* place_ = nullptr;
    QLineEdit* referenceWeight_ = nullptr;
    QLineEdit* testWeightId_ = nullptr;
    QLineEdit* operatorName_ = nullptr;
    QPushButton* calibrateZeroButton_ = nullptr;
    QPushButton* calibrateWeightButton_ = nullptr;
    QComboBox* divisionBox_ = nullptr;
    QComboBox* rangeBox_ = nullptr;
    FitTextLabel* reading_ = nullptr;
    QLabel* realWeight_ = nullptr;
    QLabel* baseValue_ = nullptr;
    QLineEdit* deviation_ = nullptr;
};
