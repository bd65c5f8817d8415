#pragma once
// The city-selection dialog: the 33 rows of the gravity table as icons; the
// caller shows it modally and reads SelectIndex after it closes. The main
// window creates it once and reuses it.

#include <QDialog>

#include <cstdint>

class QListWidget;
class QPushButton;

class TfrmSelectCity : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmSelectCity(QWidget* owner);

  // Index of the chosen row of CityAccList, -1 when none was chosen.
  int32_t SelectIndex = -1;

  QListWidget* lvCityList;
  QPushButton* btnOK;
  QPushButton* btnClose;

  void FormShow();
  void btnOKClick();
  void lvCityListDblClick();
  void btnCloseClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};
