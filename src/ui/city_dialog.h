#pragma once
// The city dialog: the 33 rows of the gravity table as icons, each with its
// whole name; the caller shows it modally and reads chosenRow() after it
// closes. The main window creates it once and reuses it.

#include <QDialog>

class QListWidget;

class CityDialog : public QDialog {
    Q_OBJECT

public:
    explicit CityDialog(QWidget* owner);

    // The row of the gravity table chosen when the dialog last closed, -1
    // when none was chosen (and while it is open).
    int chosenRow() const { return chosenRow_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Lists every row of the table afresh and forgets the last choice.
    void listCities();
    // "选择" and a double-click on the list: the row, after a confirmation.
    void chooseSelectedCity();
    // "退出": closes with no choice.
    void leaveWithoutChoice();

    int chosenRow_ = -1;
    QListWidget* cities_ = nullptr;
};
