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

QFont TitleFont(const QFont& labelFont) {
    QFont font = labelFont;
    font.setBold(true);
    return font;
}

// Where the axes' labels and titles stand, in the order DrawAxes draws them (per axis its
// labels, then its title).
std::vector<CDrawnText> LayOutTexts(const std::vector<CAxisOverlay>& aAxes, const QFont& labelFont) {
    const QFontMetrics labelMetrics(labelFont);
    const QFontMetrics titleMetrics(TitleFont(labelFont));
    std::vector<CDrawnText> aTexts;
    for (const CAxisOverlay& axis : aAxes) {
        const double dx = axis.outward[0], dy = axis.outward[1];
        const QPointF out(dx, dy);
        double dLabelReach = 0;   // how far the labels stand out beyond their ticks
        for (const CAxisOverlay::CTickMark& tick : axis.aTicks) {
            const QString strLabel = QString::fromStdString(tick.strLabel);
            const QSize size = TextSize(labelMetrics, strLabel);
            aTexts.push_back({strLabel, TextBeyond(QPointF(tick.at[0], tick.at[1]) + out * (kTickLength + kGap), dx, dy, size)});
            dLabelReach = std::max(dLabelReach, std::abs(dx) * size.width() + std::abs(dy) * size.height());
        }
        const QString strTitle = QString::fromStdString(axis.strTitle);
        const QPointF middle((axis.from[0] + axis.to[0]) * 0.5, (axis.from[1] + axis.to[1]) * 0.5);
        aTexts.push_back({strTitle, TextBeyond(middle + out * (kTickLength + 2 * kGap + dLabelReach), dx, dy,
                                               TextSize(titleMetrics, strTitle))});
    }
    return aTexts;
}

} // namespace

std::vector<CDrawnText> AxisTexts(const COrbiqScene& scene, const QFont& font) { return LayOutTexts(scene.AxisOverlay(), font); }

std::vector<CDrawnText> DrawAxes(QPainter& painter, const COrbiqScene& scene) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setPen(QPen(Qt::black, 1));
    const QFont labelFont = painter.font();
    const std::vector<CAxisOverlay> aAxes = scene.AxisOverlay();
    const std::vector<CDrawnText> aTexts = LayOutTexts(aAxes, labelFont);
    std::size_t nText = 0;
    for (const CAxisOverlay& axis : aAxes) {
        const QPointF out(axis.outward[0], axis.outward[1]);
        painter.drawLine(QPointF(axis.from[0], axis.from[1]), QPointF(axis.to[0], axis.to[1]));
        for (const CAxisOverlay::CTickMark& tick : axis.aTicks) {
            const QPointF at(tick.at[0], tick.at[1]);
            painter.drawLine(at, at + out * kTickLength);
            painter.drawText(aTexts[nText].rect, Qt::AlignCenter, aTexts[nText].strText);
            ++nText;
        }
        painter.setFont(TitleFont(labelFont));
        painter.drawText(aTexts[nText].rect, Qt::AlignCenter, aTexts[nText].strText);
        painter.setFont(labelFont);
        ++nText;
    }
    painter.restore();
    return aTexts;
}

bool FitSceneWithAxes(COrbiqScene& scene, QRect area, const QFont& font) {
    // The texts stand beyond the box by amounts that change little with its size, so the
    // room they take on each side is measured on one fit and the next fit leaves it free.
    // Their directions follow the box's edges, which perspective turns a little as the
    // camera comes nearer: the rounds go on until the room stays within a pixel (two to
    // five rounds on the workbench's surfaces).
    QMargins room;
    for (int nRound = 0; nRound < 8; ++nRound) {
        QRect inner = area.marginsRemoved(room);
        if (inner.width() < area.width() / 3 || inner.height() < area.height() / 3)
            inner = area;   // too small a view for the texts: the model comes first
        if (!scene.FitView({static_cast<float>(inner.left()), static_cast<float>(inner.top()),
                            static_cast<float>(inner.right() + 1), static_cast<float>(inner.bottom() + 1)}))
            return false;
        const std::optional<std::array<float, 4>> box = scene.PictureBounds();
        if (!box)
            return false;
        QRect texts;
        for (const CDrawnText& text : AxisTexts(scene, font))
            texts = texts.united(text.rect);
        if (texts.isEmpty())
            return true;
        const QMargins measured(std::max(0, static_cast<int>(std::ceil((*box)[0] - texts.left()))),
                                std::max(0, static_cast<int>(std::ceil((*box)[1] - texts.top()))),
                                std::max(0, static_cast<int>(std::ceil(texts.right() + 1 - (*box)[2]))),
                                std::max(0, static_cast<int>(std::ceil(texts.bottom() + 1 - (*box)[3]))));
        // Done when every text lies in the room left for it and no room is more than a
        // pixel too wide.
        const QMargins spare = room - measured;
        if (nRound > 0 && std::min({spare.left(), spare.top(), spare.right(), spare.bottom()}) >= 0 &&
            std::max({spare.left(), spare.top(), spare.right(), spare.bottom()}) <= 1)
            return true;
        // The next round leaves the room measured; the last one the larger of the last two,
        // so that no text is left outside should the rounds not settle.
        room = nRound < 6 ? measured
                          : QMargins(std::max(room.left(), measured.left()), std::max(room.top(), measured.top()),
                                     std::max(room.right(), measured.right()), std::max(room.bottom(), measured.bottom()));
    }
    return true;
}
