// The waveform window.
#include "controls/LWaveWindow.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <array>
#include <limits>

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

namespace {

// How far from a marker's line the pointer still shows its tip, in pixels.
constexpr int kMarkerReach = 2;
// Rows of marks at the top, for marks that would cover each other.
constexpr std::size_t kMarkRows = 3;

}  // namespace

const LWaveWindow::MarkFace& LWaveWindow::FaceOf(LWaveMarkGroup group) {
    return kMarkFaces[static_cast<std::size_t>(group)];
}

QFont LWaveWindow::MarkFont() const {
    QFont bold = font();
    bold.setBold(true);
    return bold;
}

std::vector<LWaveWindow::MarkPlace> LWaveWindow::PlaceMarkers(const LWaveViewState& state) const {
    const QFontMetrics metrics(MarkFont());
    const QSize size(metrics.horizontalAdvance(QLatin1Char('W')) + 4, metrics.height());
    const std::int64_t start = std::int64_t{Inset()} - state.scrollColumn;  // right of frame 0
    const std::int64_t end = state.AbsoluteColumn(std::max(state.endFrame, 0)) - state.scrollColumn;
    struct Spot {
        const LWaveMarker* marker;
        std::int64_t line;
        std::int64_t left;
    };
    std::vector<Spot> spots;
    for (const LWaveMarker& marker : *state.markers) {
        const std::int64_t line = std::max(state.MarkerColumn(marker), start);
        spots.push_back(
            {&marker, line,
             std::max(std::min(line - size.width() / 2, end - size.width() + 1), start)});
    }
    // A mark that would cover one before it goes a row lower, the lowest row taking what is
    // left. All markers count, not only those in view, so that a mark's row never changes as
    // the view scrolls.
    std::stable_sort(spots.begin(), spots.end(),
                     [](const Spot& a, const Spot& b) { return a.left < b.left; });
    std::array<std::int64_t, kMarkRows> rowEnds;
    rowEnds.fill(std::numeric_limits<std::int64_t>::min());
    std::vector<MarkPlace> places;
    for (const Spot& spot : spots) {
        const auto free = std::find_if(rowEnds.begin(), rowEnds.end() - 1,
                                       [&spot](std::int64_t rowEnd) { return rowEnd < spot.left; });
        *free = spot.left + size.width();
        if (spot.left + size.width() + kMarkerReach < 0 || spot.left - kMarkerReach > state.width) {
            continue;
        }
        const int top = Inset() + static_cast<int>(free - rowEnds.begin()) * size.height();
        places.push_back({spot.marker, static_cast<int>(spot.line),
                          QRect(QPoint(static_cast<int>(spot.left), top), size)});
    }
    return places;
}

QString LWaveWindow::ToolTipAt(QPoint point) const {
    QStringList tips;
    if (view != nullptr && isEnabled()) {
        const LWaveViewState state = view->Snapshot();
        for (const MarkPlace& place : PlaceMarkers(state)) {
            if (place.mark.contains(point) || std::abs(point.x() - place.line) <= kMarkerReach) {
                tips.append(place.marker->tip);
            }
        }
    }
    return tips.join(QLatin1Char('\n'));
}

bool LWaveWindow::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QWidget::event(event);
    }
    auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = ToolTipAt(help->pos());
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), tip, this);
    }
    return true;
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
    // The markers' lines under the cursor, their marks over it; the painter's clip keeps them
    // to the repainted span.
    const std::vector<MarkPlace> places = PlaceMarkers(state);
    for (const MarkPlace& place : places) {
        painter.setPen(QColor::fromRgb(FaceOf(place.marker->group).colour));
        painter.drawLine(place.line, place.mark.bottom() + 1, place.line, height - 1);
    }
    if (cursorColumn >= 0 && cursorColumn < state.width) {
        painter.setPen(QColor::fromRgb(kCursorLine));
        int x = cursorColumn == 0 && border ? 1 : cursorColumn;
        painter.drawLine(x, 0, x, height - 1);
    }
    painter.setFont(MarkFont());
    for (const MarkPlace& place : places) {
        const MarkFace& face = FaceOf(place.marker->group);
        painter.fillRect(place.mark, QColor::fromRgb(face.colour));
        painter.setPen(Qt::black);
        painter.drawText(place.mark, Qt::AlignCenter, QString(QLatin1Char(face.letter)));
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
