#include "AxisPainter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPointF>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTickLength = 5;   // pixels
constexpr double kGap = 3;          // pixels between a tick and its label, labels and title

// The rectangle of a text of size (w, h) that stands beyond the point at, in the
// direction (dx, dy): its centre lies that far out that the text just clears the point.
QRect TextBeyond(QPointF at, double dx, double dy, QSize size) {
    const double dReach = std::abs(dx) * size.width() * 0.5 + std::abs(dy) * size.height() * 0.5;
    const QPointF centre = at + QPointF(dx, dy) * dReach;
    return QRect(static_cast<int>(std::lround(centre.x() - size.width() * 0.5)),
                 static_cast<int>(std::lround(centre.y() - size.height() * 0.5)), size.width(), size.height());
}

QSize TextSize(const QFontMetrics& metrics, const QString& strText) {
    return {metrics.horizontalAdvance(strText) + 2, metrics.height()};
}

} // namespace

std::vector<CDrawnText> DrawAxes(QPainter& painter, const COrbiqScene& scene) {
    std::vector<CDrawnText> aDrawn;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setPen(QPen(Qt::black, 1));
    const QFont labelFont = painter.font();
    const QFontMetrics labelMetrics(labelFont);
    QFont titleFont = labelFont;
    titleFont.setBold(true);
    const QFontMetrics titleMetrics(titleFont);

    for (const CAxisOverlay& axis : scene.AxisOverlay()) {
        const double dx = axis.outward[0], dy = axis.outward[1];
        const QPointF out(dx, dy);
        painter.drawLine(QPointF(axis.from[0], axis.from[1]), QPointF(axis.to[0], axis.to[1]));
        double dLabelReach = 0;   // how far the labels stand out beyond their ticks
        for (const CAxisOverlay::CTickMark& tick : axis.aTicks) {
            const QPointF at(tick.at[0], tick.at[1]);
            painter.drawLine(at, at + out * kTickLength);
            const QString strLabel = QString::fromStdString(tick.strLabel);
            const QSize size = TextSize(labelMetrics, strLabel);
            const QRect rect = TextBeyond(at + out * (kTickLength + kGap), dx, dy, size);
            painter.drawText(rect, Qt::AlignCenter, strLabel);
            aDrawn.push_back({strLabel, rect});
            dLabelReach = std::max(dLabelReach, std::abs(dx) * size.width() + std::abs(dy) * size.height());
        }
        const QString strTitle = QString::fromStdString(axis.strTitle);
        const QPointF middle((axis.from[0] + axis.to[0]) * 0.5, (axis.from[1] + axis.to[1]) * 0.5);
        const QRect rect = TextBeyond(middle + out * (kTickLength + 2 * kGap + dLabelReach), dx, dy,
                                      TextSize(titleMetrics, strTitle));
        painter.setFont(titleFont);
        painter.drawText(rect, Qt::AlignCenter, strTitle);
        painter.setFont(labelFont);
        aDrawn.push_back({strTitle, rect});
    }
    painter.restore();
    return aDrawn;
}
