#pragma once
// The page "使用设置": the gravity of the place of use, chosen from the
// province table or typed (or computed from latitude and altitude).

#include <QWidget>

#include <functional>
#include <optional>

class QLineEdit;
class ScaleSession;

class PlacePage : public QWidget {
    Q_OBJECT
public:
    // chooseRow shows the city dialog and returns the chosen table row, or -1.
    PlacePage(ScaleSession& session, std::function<int()> chooseRow, QWidget* parent);

    void showPlace(const QString& text);

private:
    void computeGravity();
    void setGravity();

    ScaleSession& session_;
    QLineEdit* place_ = nullptr;
    QLineEdit* altitude_ = nullptr;
    QLineEdit* latitudeDegrees_ = nullptr;
    QLineEdit* latitudeMinutes_ = nullptr;
    QLineEdit* latitudeSeconds_ = nullptr;
    QLineEdit* gravity_ = nullptr;
    // The gravity last computed, shown in gravity_ until the operator edits
    // it: what is set then is this value, not its text read back.
    std::optional<double> computedGravity_;
};

// Every text a place field can show, in the window's language: each
// gravity of the table with its names ("内蒙古\黑龙江省[9.8066]"), for the
// field's width.
QStringList PlaceTexts();
