// The dB edit: a number field and a slider side by side for one level in decibels within a
// settable range (volumes, thresholds, gains).
#pragma once

#include <QWidget>
#include <cstdint>

class QLineEdit;

class LDBEdit : public QWidget {
    Q_OBJECT

public:
    static constexpr int kFieldId = 100;

    explicit LDBEdit(QWidget* parent = nullptr);

    // Draws the sunken border: black top and left lines, white bottom and right lines.
    void SetSunken(bool sunken);

    // Sets the value, clamped to the range, and shows it; no notification.
    void SetValue(int value);
    std::int8_t GetValue() const { return value; }
    // The range of values the slider covers (defaults -36..+12).
    void SetRange(int minimum, int maximum);
    int Minimum() const { return minimum; }
    int Maximum() const { return maximum; }

    // The number field's text.
    QString Text() const;
    QLineEdit* Field() const { return field; }
    // Width of the number field, left of the slider: room for the widest value, "-127dB", in
    // the field's font.
    int FieldWidth() const { return fieldWidth; }

    // The area inside the border.
    QRect InnerArea() const;
    // Width of the slider part, at least 1.
    int SliderWidth() const;
    // The value the slider gives at `x`, counted from the inner area's left edge.
    int ValueAt(int x) const;
    // Where the slider shows `level`, counted from the inner area's left edge.
    int SliderX(int level) const;

    QSize sizeHint() const override;

signals:
    // The user changed the value, by typing or with the mouse.
    void Changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnTextEdited(const QString& text);
    void SetFromMouse(int windowX);
    // Sets the value as SetValue does (without the text) and notifies when it changed.
    void ChangeByUser(int newValue);
    void ShowValue();
    void PlaceField();
    void MeasureField();

    QLineEdit* field;
    int fieldWidth = 0;
    std::int8_t value = 0;
    int maximum = 12;
    int minimum = -36;
    bool sunken = false;
    bool dragging = false;
};
