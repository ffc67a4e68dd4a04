#include "Artwork.h"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>

namespace {

// Every icon is drawn in a 24 x 24 design square and scaled to the pixmap.
void DrawIcon(QPainter& p, EToolIcon eIcon) {
    const QColor ink(40, 40, 48);
    const QPen outline(ink, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const auto page = [&](const QColor& fill) {
        QPainterPath path;
        path.moveTo(5, 2.5);
        path.lineTo(14.5, 2.5);
        path.lineTo(19.5, 7.5);
        path.lineTo(19.5, 21.5);
        path.lineTo(5, 21.5);
        path.closeSubpath();
        p.setPen(outline);
        p.setBrush(fill);
        p.drawPath(path);
        p.setBrush(QColor(220, 220, 225));
        p.drawPolygon(QPolygonF({QPointF(14.5, 2.5), QPointF(14.5, 7.5), QPointF(19.5, 7.5)}));
    };
    const auto badgePlus = [&](const QPointF& centre, const QColor& colour) {
        p.setPen(QPen(Qt::white, 1.0));
        p.setBrush(colour);
        p.drawEllipse(centre, 5.2, 5.2);
        p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(centre.x() - 3, centre.y()), QPointF(centre.x() + 3, centre.y()));
        p.drawLine(QPointF(centre.x(), centre.y() - 3), QPointF(centre.x(), centre.y() + 3));
    };
    const auto axes = [&]() {
        p.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::SquareCap));
        p.drawLine(QPointF(3.5, 3), QPointF(3.5, 20.5));
        p.drawLine(QPointF(3.5, 20.5), QPointF(21.5, 20.5));
    };
    const auto flowCurve = [&](double dLevel, const QColor& colour) {
        QPainterPath path;
        path.moveTo(4, 20);
        path.cubicTo(5.5, 20 - dLevel * 1.3, 8, 20 - dLevel, 21, 20 - dLevel * 0.95);
        p.setPen(QPen(colour, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    };

    switch (eIcon) {
    case EToolIcon::NewMaterial: {
        page(Qt::white);
        // a sparkle: something new
        p.setPen(QPen(QColor(230, 160, 0), 1.6, Qt::SolidLine, Qt::RoundCap));
        const QPointF c(17.5, 17);
        for (int k = 0; k < 4; ++k) {
            const double a = k * 3.14159265 / 4;
            p.drawLine(c + QPointF(4 * std::cos(a), 4 * std::sin(a)), c - QPointF(4 * std::cos(a), 4 * std::sin(a)));
        }
        break;
    }
    case EToolIcon::OpenFile: {
        p.setPen(outline);
        p.setBrush(QColor(230, 180, 60));
        p.drawPolygon(QPolygonF({QPointF(2.5, 5), QPointF(9, 5), QPointF(11, 7.5), QPointF(19.5, 7.5),
                                 QPointF(19.5, 19.5), QPointF(2.5, 19.5)}));
        p.setBrush(QColor(250, 215, 110));
        p.drawPolygon(QPolygonF({QPointF(2.5, 19.5), QPointF(6, 11), QPointF(22.5, 11), QPointF(19.5, 19.5)}));
        break;
    }
    case EToolIcon::Save: {
        p.setPen(outline);
        p.setBrush(QColor(60, 100, 190));
        p.drawPolygon(QPolygonF({QPointF(3, 3), QPointF(18, 3), QPointF(21, 6), QPointF(21, 21), QPointF(3, 21)}));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6, 3, 11, 7));
        p.setBrush(QColor(200, 210, 230));
        p.drawRect(QRectF(6, 13, 12, 8));
        p.setBrush(ink);
        p.drawRect(QRectF(13, 4.2, 2.5, 4.6));
        break;
    }
    case EToolIcon::AddFile: {
        page(Qt::white);
        p.setPen(QPen(QColor(200, 40, 40), 1.3));
        p.drawPolyline(QPolygonF({QPointF(7, 18), QPointF(8, 12), QPointF(11, 9.5), QPointF(17, 9)}));
        badgePlus(QPointF(17.5, 17.5), QColor(30, 150, 60));
        break;
    }
    case EToolIcon::SelectFileList: {
        for (int k = 0; k < 4; ++k) {
            const double y = 4.5 + k * 5;
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(60, 100, 190));
            p.drawRect(QRectF(2.5, y - 1.5, 3, 3));
            p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(8, y), QPointF(k % 2 ? 18 : 21.5, y));
        }
        break;
    }
    case EToolIcon::ProcessingDialog: {
        axes();
        // measured points and the law fitted through them
        p.setPen(QPen(QColor(40, 90, 200), 1.2));
        p.setBrush(Qt::white);
        const std::array<QPointF, 5> aPoints = {QPointF(6.5, 15), QPointF(9.5, 10.5), QPointF(13, 9.5),
                                                QPointF(16.5, 8), QPointF(20, 8.5)};
        for (const QPointF& pt : aPoints)
            p.drawEllipse(pt, 1.4, 1.4);
        flowCurve(12, QColor(220, 60, 30));
        p.setPen(QPen(ink, 1.2));
        QFont font = p.font();
        font.setPixelSize(9);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(7, 1, 15, 8), Qt::AlignCenter, QString::fromUtf8("\u03a3"));
        break;
    }
    case EToolIcon::Graf: {
        axes();
        flowCurve(14, QColor(255, 0, 0));
        flowCurve(10, QColor(128, 128, 64));
        flowCurve(6, QColor(0, 128, 0));
        break;
    }
    case EToolIcon::Visualization3d: {
        // a curved surface over a grid, seen at an angle
        const auto surface = [](double u, double v) {
            const double z = 7 * (1 - (1 - u) * (1 - u)) * (0.6 + 0.4 * v);
            return QPointF(3 + 12 * u + 6 * v, 19 - 8 * v + 3 * u - z);
        };
        p.setBrush(Qt::NoBrush);
        for (int k = 0; k <= 4; ++k) {
            QPolygonF along, across;
            for (int s = 0; s <= 8; ++s) {
                along << surface(s / 8.0, k / 4.0);
                across << surface(k / 4.0, s / 8.0);
            }
            p.setPen(QPen(QColor(40 + 40 * k, 80, 200 - 35 * k), 1.1));
            p.drawPolyline(along);
            p.setPen(QPen(QColor(200, 90, 40), 1.1));
            p.drawPolyline(across);
        }
        break;
    }
    case EToolIcon::Exit: {
        p.setPen(outline);
        p.setBrush(QColor(150, 100, 60));
        p.drawRect(QRectF(3.5, 2.5, 10, 19));
        p.setBrush(ink);
        p.drawEllipse(QPointF(11.5, 12.5), 0.9, 0.9);
        p.setPen(QPen(QColor(200, 40, 40), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(12, 12), QPointF(21, 12));
        p.drawPolyline(QPolygonF({QPointF(17.5, 8.5), QPointF(21, 12), QPointF(17.5, 15.5)}));
        break;
    }
    case EToolIcon::About: {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 100, 200));
        p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
        QFont font = p.font();
        font.setPixelSize(15);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, "?");
        break;
    }
    }
}

QPixmap IconPixmap(EToolIcon eIcon, int nSide, qreal dRatio) {
    QPixmap pixmap(QSize(nSide, nSide) * dRatio);
    pixmap.setDevicePixelRatio(dRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(nSide / 24.0, nSide / 24.0);
    DrawIcon(p, eIcon);
    return pixmap;
}

} // namespace

QIcon ToolIcon(EToolIcon eIcon) {
    QIcon icon;
    for (int nSide : {16, 24, 32})
        for (qreal dRatio : {1.0, 2.0})
            icon.addPixmap(IconPixmap(eIcon, nSide, dRatio));
    return icon;
}

void DrawProgramPicture(QPainter& p, const QRectF& rect) {
    constexpr double kWidth = 100, kHeight = 84;
    const double dScale = std::min(rect.width() / kWidth, rect.height() / kHeight);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(rect.center().x() - kWidth * dScale / 2, rect.center().y() - kHeight * dScale / 2);
    p.scale(dScale, dScale);

    const QColor ink(40, 40, 48);
    const QPen thin(ink, 1.0);
    // The press: base, two columns, crosshead, ram, specimen between the anvils.
    QLinearGradient steel(0, 0, 50, 0);
    steel.setColorAt(0, QColor(150, 158, 170));
    steel.setColorAt(0.5, QColor(225, 230, 238));
    steel.setColorAt(1, QColor(135, 142, 155));
    p.setPen(thin);
    p.setBrush(steel);
    p.drawRect(QRectF(2, 72, 50, 9));   // base
    p.drawRect(QRectF(6, 8, 6, 64));    // columns
    p.drawRect(QRectF(42, 8, 6, 64));
    p.drawRect(QRectF(2, 2, 50, 10));   // crosshead
    p.drawRect(QRectF(20, 12, 14, 24)); // ram
    p.drawRect(QRectF(17, 36, 20, 5));  // upper anvil
    p.drawRect(QRectF(17, 62, 20, 10)); // lower anvil
    // the specimen, barrelled by the squeeze, glowing hot
    QRadialGradient glow(QPointF(27, 51.5), 14);
    glow.setColorAt(0, QColor(255, 230, 120));
    glow.setColorAt(0.6, QColor(250, 140, 30));
    glow.setColorAt(1, QColor(200, 60, 20));
    QPainterPath specimen;
    specimen.moveTo(20, 41);
    specimen.lineTo(34, 41);
    specimen.cubicTo(38, 46, 38, 57, 34, 62);
    specimen.lineTo(20, 62);
    specimen.cubicTo(16, 57, 16, 46, 20, 41);
    p.setBrush(glow);
    p.drawPath(specimen);
    // the load arrow on the ram
    p.setPen(QPen(QColor(200, 40, 40), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(27, 15), QPointF(27, 31));
    p.drawPolyline(QPolygonF({QPointF(23.5, 27), QPointF(27, 31.5), QPointF(30.5, 27)}));

    // The chart: axes and three flow curves that rise and level off.
    const QRectF chart(56, 30, 42, 42);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(chart);
    p.setPen(QPen(ink, 1.2));
    p.drawLine(chart.bottomLeft(), chart.topLeft());
    p.drawLine(chart.bottomLeft(), chart.bottomRight());
    const std::array<QColor, 3> aColours = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255)};
    for (int k = 0; k < 3; ++k) {
        const double dLevel = 34 - k * 9;
        QPainterPath curve;
        curve.moveTo(chart.left(), chart.bottom());
        curve.cubicTo(chart.left() + 3, chart.bottom() - dLevel * 1.25, chart.left() + 12, chart.bottom() - dLevel,
                      chart.right() - 1, chart.bottom() - dLevel * 0.92);
        p.setPen(QPen(aColours[static_cast<std::size_t>(k)], 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawPath(curve);
    }
    p.restore();
}

QPixmap ProgramPicture(int nWidth, int nHeight) {
    const qreal dRatio = 2.0;
    QPixmap pixmap(QSize(nWidth, nHeight) * dRatio);
    pixmap.setDevicePixelRatio(dRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    DrawProgramPicture(p, QRectF(0, 0, nWidth, nHeight));
    return pixmap;
}
