#pragma once
// The seven-segment style weight display. It keeps the caption written to it,
// because tare and the receipt read the displayed weight back as text.

#include <QLCDNumber>
#include <QString>

class LedDisplay : public QLCDNumber {
    Q_PROPERTY(QString caption READ Caption)
    Q_OBJECT
public:
    explicit LedDisplay(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);

protected:
    // The digit positions fill the whole width, so the text sits at the right edge.
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitDigits();

    QString caption_;
};
