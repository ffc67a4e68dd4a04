#include "orbiq/ColourMap.h"

#include "formats/TextFile.h"

float FaceValue(const NodeValueStore& store, const std::array<std::int32_t, 3>& aNodes, int nType) {
    const float fP = store.NodeValue(aNodes[0], nType);
    const float fQ = store.NodeValue(aNodes[1], nType);
    const float fR = store.NodeValue(aNodes[2], nType);
    return (fR + fQ + fP) * 0.33333334f;
}

CColour FaceColour(float a, float b, float v, int nType) {
    if (!(v >= a) || !(b > a))
        v = a;
    if (v > b)
        v = b;
    if (nType == kValueT) {
        const float h = (b - a) * 0.5f;
        const float m = a + h;
        if (v <= m)
            return {h > 0 ? 0.5f + 0.5f * (v - a) / h : 0.5f, 0, 0};
        return {1, (v - m) / h, 0};
    }
    const float q = (b - a) * 0.25f;
    if (!(q > 0))
        return {0, 0, 1};
    if (v <= a + q)
        return {0, (v - a) / q, 1};
    if (v <= a + 2 * q)
        return {0, 1, 1 - (v - a - q) / q};
    if (v <= a + 3 * q)
        return {(v - a - 2 * q) / q, 1, 0};
    return {1, 1 - (v - a - 3 * q) / q, 0};
}

CLegendValues SetLegendValues(float a, float b, const std::string& strName) {
    CLegendValues legend;
    // Six equal steps: the labels stand evenly along the bar, as its colours run, so each
    // reads the value of the colour beside it (a seventh made the last step two).
    const float c = (b - a) / 6.0f;
    for (int i = 0; i < 7; ++i) {
        const float f = i == 6 ? b : a + static_cast<float>(i) * c;
        AppendFixed6(legend.aLabels[static_cast<std::size_t>(i)], f);
    }
    legend.strTitle = "View legend: function " + strName;
    legend.bTemperature = strName == "T";
    return legend;
}

std::vector<CLegendLine> LegendLines(int nLeft, int nTop, int nRight, int nBottom, bool bTemperature) {
    const int nBarLeft = nLeft + 10, nBarRight = nRight - 10;
    const int nBarTop = nTop + 15, nBarBottom = nBottom - 15;
    const int nHeight = nBarBottom - nBarTop;
    std::vector<CLegendLine> aLines;
    aLines.reserve(1024);
    auto Line = [&](int nY, int r, int g, int b) { aLines.push_back({nBarLeft, nBarRight, nY, r, g, b}); };
    if (bTemperature) {
        const int h = nHeight / 2;
        for (int i = 0; i < 256; ++i)
            Line(nBarTop + i * h / 255, i, 0, 0);
        for (int i = 0; i < 256; ++i)
            Line(nBarTop + h + i * h / 255, 255, i, 0);
        return aLines;
    }
    const int q = nHeight / 4;
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i < 256; ++i) {
            const int nY = nBarBottom - k * q - i * q / 255;
            switch (k) {
            case 0: Line(nY, 255, i, 0); break;
            case 1: Line(nY, 255 - i, 255, 0); break;
            case 2: Line(nY, 0, 255, i); break;
            default: Line(nY, 0, 255 - i, 255); break;
            }
        }
    return aLines;
}
