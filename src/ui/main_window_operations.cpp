// Operator actions of the weighing, location and calibration pages.

#include "ui/main_window.h"

void TfrmMain::btnClearClick() {}
void TfrmMain::btnPrintClick() {}
void TfrmMain::btnRemoveClick() {}
void TfrmMain::btnGetBaseClick() {}
void TfrmMain::btnClearBaseClick() {}
void TfrmMain::btnStartClick() {}
void TfrmMain::btnPrinteClick() {}
void TfrmMain::btnCalcClick() {}
void TfrmMain::btn15Click() {}
void TfrmMain::btnSelCityClick() {}
void TfrmMain::btnSetClick() {}
void TfrmMain::btnZeroSetClick() {}
void TfrmMain::btnAnySetClick() {}
void TfrmMain::btnSetPDClick() {}
void TfrmMain::btnMaxRangeClick() {}
void TfrmMain::btn10Click() {}
void TfrmMain::btn11Click() {}
void TfrmMain::btn12Click() {}
void TfrmMain::btnReadVerClick() {}
void TfrmMain::btnOpenBeepClick() {}
void TfrmMain::btnCloseBeepClick() {}
void TfrmMain::btnQueryBeepClick() {}
void TfrmMain::btnSetLogClick() {}
void TfrmMain::lblValueClick() {}
void TfrmMain::InputboxPassword() {}
