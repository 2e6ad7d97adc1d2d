#include "ui/WrappingLabel.h"

#include <QPainter>
#include <QTextLayout>

namespace upd {

namespace {
// Breaks the layout's text into lines of the width, one line height apart; returns how many.
int LayOutLines(QTextLayout& layout, int width, int lineHeight) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, lines * lineHeight));
        ++lines;
    }
    layout.endLayout();
    return lines;
}
}  // namespace

WrappingLabel::WrappingLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(true);
}

int WrappingLabel::heightForWidth(int width) const {
    QTextLayout layout(text(), font());
    return LayOutLines(layout, width, fontMetrics().height()) * fontMetrics().height();
}

QSize WrappingLabel::sizeHint() const {
    return {width(), heightForWidth(width())};
}

QSize WrappingLabel::minimumSizeHint() const {
    return {0, fontMetrics().height()};
}

void WrappingLabel::paintEvent(QPaintEvent* /*event*/) {
    QTextLayout layout(text(), font());
    LayOutLines(layout, width(), fontMetrics().height());
    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    layout.draw(&painter, QPointF(0, 0));
}

}  // namespace upd
