#include "LegendWnd.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

CColourBar::CColourBar(QWidget* pParent) : QFrame(pParent) {
    setFrameStyle(QFrame::Box | QFrame::Sunken);
    setMinimumSize(70, 300);
}

void CColourBar::SetTemperatureStyle(bool bTemperature) {
    m_bTemperature = bTemperature;
    update();
}

void CColourBar::paintEvent(QPaintEvent* pEvent) {
    QFrame::paintEvent(pEvent);
    QPainter painter(this);
    const QRect area = rect();
    for (const CLegendLine& line : LegendLines(area.left(), area.top(), area.right(), area.bottom(), m_bTemperature)) {
        painter.setPen(QPen(QColor(line.r, line.g, line.b), 1));
        painter.drawLine(line.nLeft, line.nY, line.nRight, line.nY);
    }
}

CLegendWnd::CLegendWnd(QWidget* pParent) : QDialog(pParent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("View legend"));
    m_pBar = new CColourBar(this);
    auto* pLabels = new QVBoxLayout;
    // The first and last labels sit level with the ends of the bar, 15 pixels inside the frame.
    pLabels->setContentsMargins(0, 6, 0, 6);
    for (std::size_t i = 0; i < m_apLabels.size(); ++i) {
        if (i)
            pLabels->addStretch(1);
        m_apLabels[i] = new QLabel(this);
        m_apLabels[i]->setMinimumWidth(110);
        pLabels->addWidget(m_apLabels[i]);
    }
    auto* pLayout = new QHBoxLayout(this);
    pLayout->addWidget(m_pBar);
    pLayout->addLayout(pLabels);
    setFixedSize(sizeHint());
    move(50, 50);
}

void CLegendWnd::SetValues(const CLegendValues& values) {
    setWindowTitle(QString::fromStdString(values.strTitle));
    for (std::size_t i = 0; i < m_apLabels.size(); ++i)
        m_apLabels[i]->setText(QString::fromStdString(values.aLabels[i]));
    m_pBar->SetTemperatureStyle(values.bTemperature);
}

QStringList CLegendWnd::Labels() const {
    QStringList labels;
    for (const QLabel* pLabel : m_apLabels)
        labels << pLabel->text();
    return labels;
}
