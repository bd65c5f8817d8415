#pragma once
// A label whose font shrinks (down to a floor) so its whole text fits its
// width: a big reading is never cut off on a narrow screen.

#include <QLabel>

class FitTextLabel : public QLabel {
    Q_OBJECT
public:
    // The font's pixel size is the size the text is drawn at when it fits.
    FitTextLabel(const QString& text, const QFont& font, QWidget* parent);

    void setText(const QString& text);
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();

    int largestPixels_;
};
