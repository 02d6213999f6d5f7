// The dB edit.
#include "controls/LDBEdit.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "settings/SettingsStore.h"
#include "settings/TimeText.h"

namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(192, 0, 0);
const QColor kGrey(128, 128, 128);
const QColor kThumb(192, 192, 192);
constexpr int kThumbWidth = 3;
// The number field reads at most this many characters.
constexpr int kTypedLength = 7;
// The widest value the number field shows.
constexpr char kWidestValue[] = "-127dB";

}  // namespace

LDBEdit::LDBEdit(QWidget* parent) : QWidget(parent), field(new QLineEdit(this)) {
    field->setObjectName(QStringLiteral("field%1").arg(kFieldId));
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setFrame(false);
    field->setTextMargins(0, 0, 1, 0);
    field->installEventFilter(this);
    setFocusProxy(field);
    setFocusPolicy(Qt::StrongFocus);
    connect(field, &QLineEdit::textEdited, this, &LDBEdit::OnTextEdited);
    // What the user typed is left alone while typing; the field shows the value's own form
    // once the user is done with it.
    connect(field, &QLineEdit::editingFinished, this, &LDBEdit::ShowValue);
    MeasureField();
    ShowValue();
}

void LDBEdit::SetSunken(bool value) {
    sunken = value;
    PlaceField();
    update();
}

void LDBEdit::SetValue(int newValue) {
    value = static_cast<std::int8_t>(std::clamp(newValue, minimum, maximum));
    update();
    ShowValue();
}

void LDBEdit::SetRange(int newMinimum, int newMaximum) {
    minimum = newMinimum;
    maximum = newMaximum;
    update();
}

QString LDBEdit::Text() const {
    return field->text();
}

QRect LDBEdit::InnerArea() const {
    return sunken ? rect().adjusted(1, 1, -1, -1) : rect();
}

int LDBEdit::SliderWidth() const {
    return std::max(InnerArea().width() - fieldWidth, 1);
}

int LDBEdit::ValueAt(int x) const {
    if (maximum == minimum) {
        return minimum;
    }
    int s = SliderWidth();
    return minimum + std::clamp(x - fieldWidth, 0, s) * (maximum - minimum) / s;
}

int LDBEdit::SliderX(int level) const {
    if (maximum == minimum) {
        return fieldWidth;
    }
    return fieldWidth + (level - minimum) * SliderWidth() / (maximum - minimum);
}

QSize LDBEdit::sizeHint() const {
    return QSize(fieldWidth + 96, std::max(field->sizeHint().height(), 20));
}

void LDBEdit::OnTextEdited(const QString& text) {
    std::string typed = text.left(kTypedLength).toStdString();
    ChangeByUser(ParseDecibels(typed));
}

void LDBEdit::ChangeByUser(int newValue) {
    int clamped = std::clamp(newValue, minimum, maximum);
    if (clamped == value) {
        return;
    }
    value = static_cast<std::int8_t>(clamped);
    update();
    emit Changed();
}

void LDBEdit::ShowValue() {
    field->setText(QString::fromStdString(FormatDBValue(value)));
}

void LDBEdit::MeasureField() {
    // The field has the control's font. A line edit keeps 2 pixels of its own on each side of
    // the text and one more for the cursor, and rounds the text's width up.
    constexpr int kLineEditPadding = 6;
    QMargins margins = field->textMargins();
    fieldWidth = fontMetrics().horizontalAdvance(QString::fromLatin1(kWidestValue)) +
                 margins.left() + margins.right() + kLineEditPadding;
    PlaceField();
    updateGeometry();
}

void LDBEdit::PlaceField() {
    QRect inner = InnerArea();
    field->setGeometry(inner.left(), inner.top(), fieldWidth, inner.height());
}

void LDBEdit::SetFromMouse(int windowX) {
    ChangeByUser(ValueAt(windowX - InnerArea().left()));
    ShowValue();
}

void LDBEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    int x = qRound(event->position().x());
    if (x - InnerArea().left() < fieldWidth) {
        return;
    }
    field->setFocus(Qt::MouseFocusReason);
    dragging = true;  // Qt keeps sending this widget the moves until the button goes up
    SetFromMouse(x);
}

void LDBEdit::mouseMoveEvent(QMouseEvent* event) {
    if (dragging) {
        SetFromMouse(qRound(event->position().x()));
    }
}

void LDBEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging = false;
    }
}

void LDBEdit::resizeEvent(QResizeEvent*) {
    PlaceField();
}

void LDBEdit::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        update();
    } else if (event->type() == QEvent::FontChange) {
        MeasureField();
    }
    QWidget::changeEvent(event);
}

bool LDBEdit::eventFilter(QObject* watched, QEvent* event) {
    // Focusing the control, however it happens, selects the whole number for retyping.
    if (watched == field && event->type() == QEvent::FocusIn) {
        QMetaObject::invokeMethod(field, &QLineEdit::selectAll, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

void LDBEdit::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect inner = InnerArea();
    int left = inner.left() + fieldWidth;
    int right = inner.right() + 1;  // one past the last column
    // A range that leaves the value or 0 dB outside it still paints inside the slider.
    int p = std::clamp(inner.left() + SliderX(value), left, right);
    int z = std::clamp(inner.left() + SliderX(0), left, p);
    bool enabled = isEnabled();
    QColor green = enabled ? kGreen : kGrey;
    QColor red = enabled ? kRed : kGrey;
    QColor black = enabled ? QColor(Qt::black) : kGrey;
    int top = inner.top();
    int height = inner.height();
    if (value < 0) {
        painter.fillRect(left, top, p - left, height, green);
    } else {
        painter.fillRect(left, top, z - left, height, green);
        painter.fillRect(z, top, p - z, height, red);
    }
    painter.fillRect(p, top, right - p, height, black);

    // The thumb stays whole inside the slider at the top of the range.
    int thumbLeft = std::max(std::min(p - 1, right - kThumbWidth), left);
    painter.fillRect(thumbLeft, top, kThumbWidth, height, kThumb);
    painter.setPen(Qt::white);
    painter.drawLine(thumbLeft, top, thumbLeft + kThumbWidth - 1, top);
    painter.drawLine(thumbLeft, top, thumbLeft, top + height - 1);
    painter.setPen(Qt::black);
    painter.drawLine(thumbLeft, top + height - 1, thumbLeft + kThumbWidth - 1, top + height - 1);
    painter.drawLine(thumbLeft + kThumbWidth - 1, top, thumbLeft + kThumbWidth - 1,
                     top + height - 1);

    if (sunken) {
        QRect all = rect();
        painter.setPen(Qt::black);
        painter.drawLine(all.left(), all.top(), all.right(), all.top());
        painter.drawLine(all.left(), all.top(), all.left(), all.bottom());
        painter.setPen(Qt::white);
        painter.drawLine(all.left(), all.bottom(), all.right(), all.bottom());
        painter.drawLine(all.right(), all.top(), all.right(), all.bottom());
    }
}
