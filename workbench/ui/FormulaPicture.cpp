#include "FormulaPicture.h"

#include <QFontMetricsF>
#include <QPainter>

#include <array>

namespace {

// One row per model, model 1 first: the law as Evaluate computes it.
constexpr std::array<const char*, 20> kFormulas = {
    R"(k_s = \a_1 \e^{\a_2})",
    R"(k_s = \a_1 + \a_2 \e)",
    R"(k_s = \a_1 + \a_2 \e + \a_3 \e^2)",
    R"(k_s = \a_1 + \a_2 \e + \a_3 \e^2 + \a_4 \e^3)",
    R"(k_s = \a_1 + \a_2 \e + \a_3 \e^2 + \a_4 \e^3 + \a_5 \e^4)",
    R"(k_s = \a_1 + \a_2 \e + \a_3 \e^2 + \a_4 \e^3 + \a_5 \e^4 + \a_6 \e^5)",
    R"(k_s = \a_1 + \a_2 \e^{\a_3})",
    R"(k_s = \a_1 + \a_2 \e + \a_3 \d + \a_4 t)",
    R"(k_s = \a_1 \e^{\a_2} \d^{\a_3} exp(\a_4 t))",
    R"(k_s = \a_1 + \a_2 \e + \a_3 \d + \a_4 t + \a_5 \e \d + \a_6 \e t + \a_7 t \d + \a_8 \e^2 + \a_9 \d^2 + \a_{10} t^2)",
    R"(k_s = \a_1 + \a_2 \e + \a_3 \d + \a_4 t + \a_5 \e^2 + \a_6 \d^2 + \a_7 t^2)",
    R"(k_s = \a_1 + \a_2 \e + \a_3 \d + \a_4 t + \a_5 \e \d t)",
    R"(k_s = 1.73 \a_1 \e^{\a_2} \d^{\a_3} exp(\a_4/t))",
    R"(k_s = \a_1 \e^{\a_2} exp(\a_3 \e) \d^{\a_4} exp(\a_5 t))",
    R"(k_s = \a_1 + \a_2 \e + \a_3 \d + \a_4 t + \a_5 \e^2 + \a_6 \d^2 + \a_7 t^2 + \a_8 \e^3)",
    R"(k_s = \a_1 + \a_2 \e + \a_3 \d + \a_4 t + \a_5 \e^2 + \a_6 \d^2 + \a_7 t^2 + \a_8 \e^3 + \a_9 \e^4)",
    R"(k_s = \a_1 \e^{\a_2 + \a_3 t + \a_4 \d} exp(\a_5 \e) \d^{\a_6 + \a_7 t} exp(\a_8 t))",
    R"(k_s = \a_1 \e^{\a_2} exp(\a_3/\e) exp(\a_4 \e) (1 + \e)^{\a_5 t} \d^{\a_6} \d^{\a_7 t} t^{\a_8} exp(\a_9 t))",
    R"(k_s = asinh((Z/A)^{1/n})/\a,  Z = \d exp(Q/(R T)),  \a, n, Q, ln A polynomials of \e up to \e^5)",
    R"(k_s = (\a_1 + \a_2 \e^{\a_3}) (1 + \a_4 ln(\d/\a_6)) (1 - T_h^{\a_5}),  T_h = (t - \a_7)/(\a_8 - \a_7))",
};

// Models beyond the first rows, by number.
struct SFurtherFormula {
    int m_nModel;
    const char* m_szMarkup;
};
constexpr SFurtherFormula kFurtherFormulas[] = {
    {21, R"(k_s = k_{19} exp(s(\e^{1/2}, ln \d, 1000/T)),  k_{19} the law of model 19, s a smooth cubic spline)"},
};

constexpr double kScriptScale = 0.68;  // size of sub- and superscripts
constexpr double kThinSpace = 0.17;    // em
constexpr double kOperatorSpace = 0.18; // em on each side of + - =

// Lays out markup, measuring it (painter null) or drawing it at (x, baseline). Returns the
// advance. The font's pixel size is dSize.
class CFormulaLayout {
public:
    CFormulaLayout(const QString& strMarkup, const QFont& font) : m_str(strMarkup), m_font(font) {}

    double Run(QPainter* pPainter, double x, double dBaseline, double dSize) {
        int nPos = 0;
        return Sequence(pPainter, nPos, x, dBaseline, dSize, false);
    }

private:
    QFont Font(double dSize, bool bItalic) const {
        QFont font = m_font;
        font.setPixelSize(std::max(1, static_cast<int>(dSize + 0.5)));
        font.setItalic(bItalic);
        return font;
    }

    double Text(QPainter* p, const QString& strText, bool bItalic, double x, double dBaseline, double dSize,
                bool bDot = false) {
        const QFont font = Font(dSize, bItalic);
        const QFontMetricsF fm(font);
        const double dAdvance = fm.horizontalAdvance(strText) + (bItalic ? dSize * 0.04 : 0.0);
        if (p) {
            p->setFont(font);
            p->drawText(QPointF(x, dBaseline), strText);
            if (bDot) {
                const double dRadius = std::max(0.9, dSize * 0.065);
                const QPointF centre(x + dAdvance * 0.58, dBaseline - fm.xHeight() - dSize * 0.2);
                p->save();
                p->setPen(Qt::NoPen);
                p->setBrush(p->pen().color());
                p->drawEllipse(centre, dRadius, dRadius);
                p->restore();
            }
        }
        return dAdvance;
    }

    // One atom at nPos (advancing it): a letter run, a number, a Greek letter, a group or
    // one other character. Blanks and operators are handled by Sequence.
    double Atom(QPainter* p, int& nPos, double x, double dBaseline, double dSize) {
        const QChar c = m_str[nPos];
        if (c == '{') {
            ++nPos;
            return Sequence(p, nPos, x, dBaseline, dSize, true);
        }
        if (c == '\\' && nPos + 1 < m_str.size()) {
            const QChar code = m_str[nPos + 1];
            nPos += 2;
            if (code == 'a')
                return Text(p, QString(QChar(0x03b1)), true, x, dBaseline, dSize);
            if (code == 'e')
                return Text(p, QString(QChar(0x03b5)), true, x, dBaseline, dSize);
            if (code == 'd')
                return Text(p, QString(QChar(0x03b5)), true, x, dBaseline, dSize, true);
            return Text(p, QString(code), false, x, dBaseline, dSize);
        }
        if (c.isLetter()) {
            int nEnd = nPos;
            while (nEnd < m_str.size() && m_str[nEnd].isLetter())
                ++nEnd;
            const QString strRun = m_str.mid(nPos, nEnd - nPos);
            nPos = nEnd;
            return Text(p, strRun, strRun.size() == 1, x, dBaseline, dSize);
        }
        if (c.isDigit()) {
            int nEnd = nPos;
            while (nEnd < m_str.size() && (m_str[nEnd].isDigit() || m_str[nEnd] == '.'))
                ++nEnd;
            const QString strRun = m_str.mid(nPos, nEnd - nPos);
            nPos = nEnd;
            return Text(p, strRun, false, x, dBaseline, dSize);
        }
        ++nPos;
        return Text(p, QString(c), false, x, dBaseline, dSize);
    }

    double Sequence(QPainter* p, int& nPos, double x, double dBaseline, double dSize, bool bInGroup) {
        const double x0 = x;
        const QFontMetricsF fm(Font(dSize, false));
        while (nPos < m_str.size()) {
            const QChar c = m_str[nPos];
            if (bInGroup && c == '}') {
                ++nPos;
                break;
            }
            if (c == ' ') {
                ++nPos;
                x += kThinSpace * dSize;
                continue;
            }
            if (c == '+' || c == '-' || c == '=') {
                ++nPos;
                const QString strOp = c == '-' ? QString(QChar(0x2212)) : QString(c);
                x += kOperatorSpace * dSize;
                x += Text(p, strOp, false, x, dBaseline, dSize);
                x += kOperatorSpace * dSize;
                continue;
            }
            const double dBase = Atom(p, nPos, x, dBaseline, dSize);
            x += dBase;
            // Scripts attached to the atom.
            double dScripts = 0;
            while (nPos < m_str.size() && (m_str[nPos] == '_' || m_str[nPos] == '^')) {
                const bool bSup = m_str[nPos] == '^';
                ++nPos;
                if (nPos >= m_str.size())
                    break;
                const double dScriptSize = dSize * kScriptScale;
                const double dShift = bSup ? -fm.ascent() * 0.48 : fm.ascent() * 0.26;
                const double dWidth = Atom(p, nPos, x + dSize * 0.02, dBaseline + dShift, dScriptSize);
                dScripts = std::max(dScripts, dWidth + dSize * 0.04);
            }
            x += dScripts;
        }
        return x - x0;
    }

    QString m_str;
    QFont m_font;
};

} // namespace

QString FormulaMarkup(int nModel) {
    for (const SFurtherFormula& formula : kFurtherFormulas)
        if (formula.m_nModel == nModel)
            return QString::fromLatin1(formula.m_szMarkup);
    if (nModel < 1 || nModel > static_cast<int>(kFormulas.size()))
        return {};
    return QString::fromLatin1(kFormulas[static_cast<std::size_t>(nModel - 1)]);
}

void DrawFormula(QPainter& painter, const QRectF& rect, int nModel) {
    const QString strMarkup = FormulaMarkup(nModel);
    if (strMarkup.isEmpty())
        return;
    const QString strFull = QString::number(nModel) + ".   " + strMarkup;
    // The largest size up to 40 % of the height that fits the width.
    double dSize = std::max(6.0, rect.height() * 0.40);
    CFormulaLayout layout(strFull, painter.font());
    const double dMargin = 4;
    // Fonts come in whole pixel sizes, so the width is measured again after each step.
    for (int nStep = 0; nStep < 12; ++nStep) {
        const double dWidth = layout.Run(nullptr, 0, 0, dSize);
        if (dWidth <= rect.width() - 2 * dMargin || dSize <= 4)
            break;
        dSize = std::max(4.0, std::min(dSize - 0.5, dSize * (rect.width() - 2 * dMargin) / dWidth));
    }
    QFont sized = painter.font();
    sized.setPixelSize(std::max(1, static_cast<int>(dSize + 0.5)));
    const QFontMetricsF fmSized(sized);
    const double dBaseline = rect.center().y() + (fmSized.ascent() - fmSized.descent()) / 2 + dSize * 0.08;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    layout.Run(&painter, rect.left() + dMargin, dBaseline, dSize);
    painter.restore();
}

CFormulaPicture::CFormulaPicture(QWidget* pParent) : QWidget(pParent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CFormulaPicture::SetModel(int nModel) {
    if (nModel == m_nModel)
        return;
    m_nModel = nModel;
    update();
}

QSize CFormulaPicture::sizeHint() const { return {560, 52}; }

void CFormulaPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame);
    painter.setPen(Qt::black);
    DrawFormula(painter, QRectF(rect()).adjusted(2, 1, -2, -1), m_nModel);
}
