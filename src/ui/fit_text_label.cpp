#include "ui/fit_text_label.h"

#include <QFontMetrics>

#include <algorithm>

namespace {
constexpr int kSmallestPixels = 12;
}

FitTextLabel::FitTextLabel(const QString& text, const QFont& font, QWidget* parent)
    : QLabel(text, parent), largestPixels_(font.pixelSize())
{
    setFont(font);
    fit();
}

void FitTextLabel::setText(const QString& text)
{
    if (text == this->text())
        return;
    QLabel::setText(text);
    fit();
}

QSize FitTextLabel::minimumSizeHint() const
{
    // Any width will do: the font follows it. The height stays that of the
    // largest size, so the layout does not shift as the text changes.
    QFont largest = font();
    largest.setPixelSize(largestPixels_);
    return QSize(kSmallestPixels, QFontMetrics(largest).height() + 2 * margin());
}

void FitTextLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    fit();
}

void FitTextLabel::fit()
{
    const int room = contentsRect().width() - 2 * margin() - 2;
    QFont font = this->font();
    font.setPixelSize(largestPixels_);
    const int wanted = QFontMetrics(font).horizontalAdvance(text());
    if (wanted > room && wanted > 0)
        font.setPixelSize(std::max(kSmallestPixels, largestPixels_ * room / wanted));
    if (font.pixelSize() != this->font().pixelSize())
        setFont(font);
}
