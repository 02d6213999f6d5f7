// The waveform window.
#include "controls/LWaveWindow.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "controls/LWaveView.h"

LWaveWindow::LWaveWindow(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

LWaveWindow::~LWaveWindow() {
    Attach(nullptr);
}

void LWaveWindow::Attach(LWaveView* newView) {
    if (view != nullptr) {
        view->Detach();
    }
    view = newView;
    if (view != nullptr) {
        view->Attach(this, width(), height(), border);
    }
    update();
}

void LWaveWindow::SetBorder(bool value) {
    border = value;
    if (view != nullptr) {
        view->Resize(width(), height(), border);
    }
    update();
}

void LWaveWindow::Flush() {
    if (view == nullptr) {
        return;
    }
    LWaveView::Pending pending = view->TakePending();
    if (pending.everything) {
        update();
        return;
    }
    if (pending.shift != 0) {
        int inset = Inset();
        int right = std::min(width() - inset, LWaveViewState::kMaxColumns);
        scroll(pending.shift, 0, QRect(inset, inset, right - inset, height() - 2 * inset));
    }
    for (const QRect& columns : pending.columns) {
        update(columns.x(), 0, columns.width(), height());
    }
}

void LWaveWindow::NotifyIf(int code) {
    if (code != 0) {
        emit Notify(code);
    }
}

void LWaveWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect dirty = event->rect();
    if (view == nullptr || !isEnabled()) {
        painter.fillRect(dirty, QColor::fromRgb(kDisabled));
        return;
    }
    const LWaveViewState state = view->Snapshot(true);
    const QColor face = palette().color(QPalette::Window);
    const int first = std::max(dirty.left(), 0);
    const int last = std::min({dirty.right() + 1, state.width, LWaveViewState::kMaxColumns});
    if (last < dirty.right() + 1) {
        painter.fillRect(QRect(QPoint(last, dirty.top()), dirty.bottomRight()), face);
    }
    const int cursorColumn = state.FrameToColumn(state.cursorFrame);
    const int cursorEnd = state.FrameToColumn(state.CursorEnd());
    const int selectionFirst = state.FrameToColumn(state.selectionStart);
    const int selectionLast = state.FrameToColumn(state.selectionEnd);
    const int height = state.height;
    const int mid = height / 2;
    for (int x = first; x < last; ++x) {
        const std::int32_t frame = state.ColumnToFrame(x);
        QColor background = QColor::fromRgb(kBackground);
        QColor wave = QColor::fromRgb(kWave);
        if (frame < 0 || frame > state.endFrame) {
            background = face;
            wave = QColor::fromRgb(kWaveOutside);
        } else if (x >= cursorColumn && x < cursorEnd) {
            background = QColor::fromRgb(kCursorBackground);
            wave = QColor::fromRgb(kCursorWave);
        }
        if (x >= selectionFirst && x < selectionLast) {
            std::swap(background, wave);
        }
        const int a = (state.columns[static_cast<std::size_t>(x)] * height) >> 9;
        const int top = std::clamp(mid - a, 0, height);
        const int bottom = std::clamp(mid + a + 1, top, height);
        painter.fillRect(x, 0, 1, top, background);
        painter.fillRect(x, top, 1, bottom - top, wave);
        painter.fillRect(x, bottom, 1, height - bottom, background);
    }
    if (cursorColumn >= 0 && cursorColumn < state.width) {
        painter.setPen(QColor::fromRgb(kCursorLine));
        int x = cursorColumn == 0 && border ? 1 : cursorColumn;
        painter.drawLine(x, 0, x, height - 1);
    }
    if (border) {
        // The painter's clip keeps each line to the repainted span.
        painter.setPen(Qt::white);
        painter.drawLine(0, height, state.width, height);
        painter.drawLine(state.width, 0, state.width, height);
        painter.setPen(Qt::black);
        painter.drawLine(0, 0, state.width - 1, 0);
        painter.drawLine(0, 0, 0, height - 1);
    }
}

void LWaveWindow::resizeEvent(QResizeEvent* event) {
    if (view != nullptr) {
        view->Resize(width(), height(), border);
    }
    QWidget::resizeEvent(event);
}

void LWaveWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        if (view != nullptr) {
            view->SetWindowEnabled(isEnabled());
        }
        update();
    }
    QWidget::changeEvent(event);
}

void LWaveWindow::mousePressEvent(QMouseEvent* event) {
    if (view != nullptr && event->button() == Qt::LeftButton) {
        view->MouseDown(event->position().toPoint().x());
    }
}

void LWaveWindow::mouseMoveEvent(QMouseEvent* event) {
    if (view != nullptr && (event->buttons() & Qt::LeftButton) != 0) {
        NotifyIf(view->MouseMove(event->position().toPoint().x()));
    }
}

void LWaveWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (view != nullptr && event->button() == Qt::LeftButton) {
        NotifyIf(view->MouseUp(event->position().toPoint().x()));
        emit Notify(kWaveClicked);
    }
}
