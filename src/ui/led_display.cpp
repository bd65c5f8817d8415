#include "ui/led_display.h"

#include <QResizeEvent>

#include <algorithm>

namespace {
// At least this many positions, enough for any weight text.
constexpr int kMinDigits = 10;
} // namespace

LedDisplay::LedDisplay(QWidget* parent) : QLCDNumber(kMinDigits, parent)
{
    setSegmentStyle(QLCDNumber::Flat);
    setSmallDecimalPoint(true);
    setFrameShape(QFrame::NoFrame);
    setStyleSheet(QStringLiteral("background: white; color: black;"));
}

void LedDisplay::SetCaption(const QString& caption)
{
    caption_ = caption;
    display(caption);
}

void LedDisplay::resizeEvent(QResizeEvent* event)
{
    QLCDNumber::resizeEvent(event);
    FitDigits();
}

void LedDisplay::FitDigits()
{
    // QLCDNumber sizes its segments by the height and centres the row of
    // positions; as many positions as the width holds put the text at the right.
    const int segment = std::max(1, height() * 5 / 12);
    const int positions = (width() * 5 / segment - 2) / 7;
    const int wanted = std::max(kMinDigits, positions);
    if (wanted != digitCount()) {
        setDigitCount(wanted);
        display(caption_);
    }
}
