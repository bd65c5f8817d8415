#include "ui/led_display.h"

#include <QPalette>

namespace {
// Enough positions for any weight text; shorter texts sit right-aligned.
constexpr int kDigits = 10;
}  // namespace

TLedDisplay::TLedDisplay(QWidget* parent) : QLCDNumber(kDigits, parent) {
  setSegmentStyle(QLCDNumber::Flat);
  setSmallDecimalPoint(true);
  setFrameShape(QFrame::NoFrame);
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, Qt::black);
  colours.setColor(QPalette::Window, Qt::white);
  setPalette(colours);
  setAutoFillBackground(true);
}

void TLedDisplay::SetCaption(const QString& caption) {
  caption_ = caption;
  display(caption);
}
