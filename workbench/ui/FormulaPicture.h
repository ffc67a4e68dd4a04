#pragma once
// The formula picture of the work window: the model's number and its law in mathematical
// notation, k_s for the flow stress, alpha_1 .. alpha_10 for the coefficients A1..A10,
// epsilon for the strain, epsilon with a dot for the strain rate (1/s) and t for the
// temperature (deg C). Each picture shows the law as CMaterial::Evaluate computes it with
// the coefficients the work window lists (so model 9 reads exp(alpha_4 t)); model 19 names
// its four polynomials alpha, n, Q and ln A of the strain instead of its 26 coefficients,
// model 20 writes T_h for the homologous temperature (t - alpha_7)/(alpha_8 - alpha_7), and
// model 21 names its backbone (model 19's law) and its spline s of the square root of the
// strain, the logarithm of the strain rate and 1000 over the temperature in K.
//
// The laws are written in a small markup, one row per model, and one routine lays any of
// them out:
//   \a  alpha      \e  epsilon      \d  epsilon with a dot (the strain rate)
//   _x  or _{...}  subscript        ^x  or ^{...}  superscript
//   a run of two or more letters is upright (exp), a single letter italic (t, k);
//   a blank is a thin space; + - = / get a medium space on both sides.

#include <QWidget>

class QPainter;

// The markup of model nModel (a number of the catalogue), or an empty string.
QString FormulaMarkup(int nModel);

// Draws "n.  <law>" of model nModel (nothing for a number it has no law of) into rect: left
// aligned, vertically centred, in the painter's font scaled down when the law is wider
// than rect.
void DrawFormula(QPainter& painter, const QRectF& rect, int nModel);

// The picture control of the work window. Model 0 shows the blank picture.
class CFormulaPicture : public QWidget {
    Q_OBJECT
public:
    explicit CFormulaPicture(QWidget* pParent = nullptr);

    void SetModel(int nModel);
    int Model() const { return m_nModel; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    int m_nModel = 0;
};
