#pragma once
// The floating legend "View legend": a framed colour bar on the left and the seven values
// it stands for to its right, the smallest at the top. Modeless and kept above the main
// frame, which owns it (Qt parent).

#include "orbiq/ColourMap.h"

#include <QDialog>
#include <QFrame>
#include <QStringList>

#include <array>

class QLabel;

// The framed area that holds the colour bar, painted line by line (LegendLines).
class CColourBar : public QFrame {
    Q_OBJECT
public:
    explicit CColourBar(QWidget* pParent = nullptr);
    void SetTemperatureStyle(bool bTemperature);
    bool TemperatureStyle() const { return m_bTemperature; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    bool m_bTemperature = false;
};

class CLegendWnd : public QDialog {
    Q_OBJECT
public:
    // Placed at (50, 50) on the screen, hidden until shown.
    explicit CLegendWnd(QWidget* pParent);

    // Title, labels and scale of the legend.
    void SetValues(const CLegendValues& values);
    void SetTemperatureStyle(bool bTemperature) { m_pBar->SetTemperatureStyle(bTemperature); }
    bool TemperatureStyle() const { return m_pBar->TemperatureStyle(); }
    QStringList Labels() const;
    CColourBar* Bar() const { return m_pBar; }

private:
    CColourBar* m_pBar;                    // child
    std::array<QLabel*, 7> m_apLabels{};   // children
};
