// Colour picker: a swatch button. A click opens a popup with the sixteen standard colours and
// an item for any other colour; a choice sets the colour and reports the change.
#pragma once

#include <QToolButton>
#include <cstdint>

class QMenu;

namespace quorix::host {

class ColorPickerWidget : public QToolButton {
    Q_OBJECT
public:
    explicit ColorPickerWidget(QWidget* parent);

    // The sixteen standard colours as colour values (0x00BBGGRR), black first.
    static const uint32_t kStandardColors[16];

    uint32_t value() const { return value_; }
    // Sets the colour without reporting a change (the program writing the property).
    void SetValue(uint32_t value);

public slots:
    // Does what a user's choice does: sets the colour and emits colorChosen.
    void setColorValue(int value);

signals:
    void colorChosen(int value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ChooseOther();

    uint32_t value_ = 0;
    QMenu* menu_ = nullptr;
};

}  // namespace quorix::host
