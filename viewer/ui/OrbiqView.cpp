#include "OrbiqView.h"

#include "AxisPainter.h"
#include "SceneRenderer.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QScreen>

#include <optional>

namespace {

std::optional<EOrbiqKey> ViewKey(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Escape: return EOrbiqKey::Escape;
    case Qt::Key_Up: return EOrbiqKey::Up;
    case Qt::Key_Down: return EOrbiqKey::Down;
    case Qt::Key_Left: return EOrbiqKey::Left;
    case Qt::Key_Right: return EOrbiqKey::Right;
    case Qt::Key_A: return EOrbiqKey::A;
    case Qt::Key_D: return EOrbiqKey::D;
    case Qt::Key_W: return EOrbiqKey::W;
    case Qt::Key_S: return EOrbiqKey::S;
    case Qt::Key_Home: return EOrbiqKey::Home;
    case Qt::Key_End: return EOrbiqKey::End;
    case Qt::Key_Plus: return EOrbiqKey::Plus;
    case Qt::Key_Minus: return EOrbiqKey::Minus;
    case Qt::Key_1: return EOrbiqKey::One;
    case Qt::Key_3: return EOrbiqKey::Three;
    case Qt::Key_4: return EOrbiqKey::Four;
    case Qt::Key_F2: return EOrbiqKey::F2;
    case Qt::Key_F3: return EOrbiqKey::F3;
    default: return std::nullopt;
    }
}

int MouseFlags(const QMouseEvent& event) {
    int nFlags = 0;
    if (event.buttons() & Qt::LeftButton)
        nFlags |= kMouseLeft;
    if (event.buttons() & Qt::RightButton)
        nFlags |= kMouseRight;
    if (event.buttons() & Qt::MiddleButton)
        nFlags |= kMouseMiddle;
    if (event.modifiers() & Qt::ShiftModifier)
        nFlags |= kMouseShift;
    if (event.modifiers() & Qt::ControlModifier)
        nFlags |= kMouseControl;
    return nFlags;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Canvas
// ---------------------------------------------------------------------------------------

CSceneCanvas::CSceneCanvas(const COrbiqScene& scene, QWidget* pParent) : QOpenGLWidget(pParent), m_scene(scene) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

CSceneCanvas::~CSceneCanvas() {
    // QOpenGLWidget's destructor destroys the context, whose aboutToBeDestroyed would then
    // reach this object's slot after this part of it is gone.
    if (QOpenGLContext* pContext = context())
        disconnect(pContext, &QOpenGLContext::aboutToBeDestroyed, this, nullptr);
    ReleaseRenderer();
}

void CSceneCanvas::ReleaseRenderer() {
    if (!m_pRenderer)
        return;
    makeCurrent();
    m_pRenderer.reset();
    doneCurrent();
}

void CSceneCanvas::Fail(const QString& strReason) {
    if (m_bFailed)
        return;
    m_bFailed = true;
    emit openGLFailed(strReason);
}

void CSceneCanvas::resizeEvent(QResizeEvent* pEvent) {
    // The base class creates the context on the first resize to a size that is not empty;
    // when it could not, initializeGL never comes.
    QOpenGLWidget::resizeEvent(pEvent);
    if (!pEvent->size().isEmpty() && !isValid())
        Fail(QStringLiteral("no OpenGL context can be created for the view"));
}

void CSceneCanvas::initializeGL() {
    // A context made again (the view moved to another window) gets a renderer of its own.
    m_pRenderer.reset();
    if (m_bFailed)
        return;
    QOpenGLContext* pContext = context();
    if (!pContext) {
        Fail(QStringLiteral("no OpenGL context can be created for the view"));
        return;
    }
    connect(pContext, &QOpenGLContext::aboutToBeDestroyed, this, &CSceneCanvas::ReleaseRenderer, Qt::UniqueConnection);
    QString strError;
    auto pRenderer = std::make_unique<CSceneRenderer>();
    if (!pRenderer->Initialise(&strError)) {
        Fail(strError);
        return;
    }
    m_pRenderer = std::move(pRenderer);
}

void CSceneCanvas::paintGL() {
    if (!m_pRenderer)
        return;
    // The scene's viewport works in the view's own pixels; OpenGL maps them onto the
    // device's.
    const qreal dRatio = devicePixelRatioF();
    m_pRenderer->Draw(m_scene.Render(), m_scene.ProjectionMatrix(), static_cast<int>(width() * dRatio),
                      static_cast<int>(height() * dRatio));
    // The axes as text and lines over the picture, in the view's own pixels.
    QPainter painter(this);
    DrawAxes(painter, m_scene);
}

// ---------------------------------------------------------------------------------------
// View
// ---------------------------------------------------------------------------------------

COrbiqView::COrbiqView(bool bOpenGL, QWidget* pParent) : QWidget(pParent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(64, 48);
    if (const QScreen* pScreen = QGuiApplication::primaryScreen())
        m_scene.SetScreenSize(pScreen->availableGeometry().width(), pScreen->availableGeometry().height());
    m_scene.SetViewportSize(width(), height());
    if (bOpenGL) {
        m_pCanvas = new CSceneCanvas(m_scene, this);
        connect(m_pCanvas, &CSceneCanvas::openGLFailed, this, [this](const QString& strReason) {
            // The canvas may be inside its own event handling: it is hidden afterwards, and
            // the view's white background shows instead.
            QMetaObject::invokeMethod(m_pCanvas, &QWidget::hide, Qt::QueuedConnection);
            emit openGLFailed(strReason);
        });
    }
}

COrbiqView::~COrbiqView() = default;

void COrbiqView::resizeEvent(QResizeEvent* pEvent) {
    m_scene.SetViewportSize(width(), height());
    if (m_pCanvas)
        m_pCanvas->setGeometry(rect());
    if (m_bFitPending)
        FitScene();
    else
        FitSceneAgain();
    QWidget::resizeEvent(pEvent);
}

void COrbiqView::showEvent(QShowEvent* pEvent) {
    QWidget::showEvent(pEvent);
    if (m_bFitPending)
        FitScene();
}

QRect COrbiqView::FitArea() const {
    QRect free = rect();
    if (m_pCover && m_pCover->isVisible()) {
        const QRect cover = QRect(mapFromGlobal(m_pCover->frameGeometry().topLeft()), m_pCover->frameGeometry().size()).intersected(rect());
        if (!cover.isEmpty()) {
            // The largest free rectangle beside, above or below the cover.
            const QRect aSides[] = {QRect(QPoint(0, 0), QPoint(cover.left() - 1, height() - 1)),
                                    QRect(QPoint(cover.right() + 1, 0), QPoint(width() - 1, height() - 1)),
                                    QRect(QPoint(0, 0), QPoint(width() - 1, cover.top() - 1)),
                                    QRect(QPoint(0, cover.bottom() + 1), QPoint(width() - 1, height() - 1))};
            free = QRect();
            for (const QRect& side : aSides)
                if (side.isValid() && (free.isEmpty() || side.width() * side.height() > free.width() * free.height()))
                    free = side;
        }
    }
    return free.marginsRemoved(QMargins(kFitBorder, kFitBorder, kFitBorder, kFitBorder));
}

void COrbiqView::FitScene() {
    if (!m_scene.SceneLoaded()) {
        m_bFitPending = false;
        return;
    }
    const QRect area = FitArea();
    // Before the window is laid out the view has no size of its own yet.
    m_bFitPending = !isVisible() || area.width() < 16 || area.height() < 16;
    if (m_bFitPending)
        return;
    if (FitSceneWithAxes(m_scene, area, font()))
        m_fitted = m_scene.World().Transform();
    Redraw();
}

void COrbiqView::SetCover(QWidget* pCover) {
    if (m_pCover)
        m_pCover->removeEventFilter(this);
    m_pCover = pCover;
    if (pCover)
        pCover->installEventFilter(this);
}

bool COrbiqView::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == m_pCover) {
        switch (pEvent->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide: FitSceneAgain(); break;
        default: break;
        }
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

void COrbiqView::FitSceneAgain() {
    if (m_fitted && m_scene.World().Transform() == *m_fitted)
        FitScene();
}

void COrbiqView::ResetView() {
    m_scene.ResetAttitude();
    FitScene();
}

void COrbiqView::paintEvent(QPaintEvent*) {
    // Without OpenGL: the empty white scene.
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}

void COrbiqView::Redraw() {
    if (m_pCanvas)
        m_pCanvas->update();
}

QImage COrbiqView::Snapshot() { return GlFailed() ? grab().toImage() : m_pCanvas->grabFramebuffer(); }

CReadStatus COrbiqView::ReadSurfaceFile(const QString& strPath) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const CReadStatus status = m_scene.ReadSurfaceFile(strPath.toStdString());
    QApplication::restoreOverrideCursor();
    if (status.bOk) {
        m_fitted.reset();
        FitScene();
        Redraw();
    }
    return status;
}

void COrbiqView::ClearScene() {
    m_scene.Clear();
    m_fitted.reset();
    m_bFitPending = false;
    Redraw();
}

void COrbiqView::Report(const CColourResult& result) {
    emit messageChanged(QString::fromStdString(result.strMessage));
    if (result.bResetFunctionBox)
        emit functionBoxReset();
}

CColourResult COrbiqView::ColourByValue(int nType) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const CColourResult result = m_scene.ColourByValue(nType);
    QApplication::restoreOverrideCursor();
    Report(result);
    Redraw();
    return result;
}

void COrbiqView::keyPressEvent(QKeyEvent* pEvent) {
    if (const std::optional<EOrbiqKey> key = ViewKey(*pEvent)) {
        if (const std::optional<CColourResult> result = m_scene.KeyDown(*key))
            Report(*result);
        Redraw();
    }
    QWidget::keyPressEvent(pEvent);
}

void COrbiqView::mouseMoveEvent(QMouseEvent* pEvent) {
    const QPoint pos = pEvent->position().toPoint();
    const CFrame& world = m_scene.World();
    const CMatrix4 before = world.Transform();
    if (const std::optional<CReadout> readout = m_scene.MouseMove(pos.x(), pos.y(), MouseFlags(*pEvent), m_nFunction)) {
        QStringList aPanes;
        for (const std::string& strPane : readout->aPanes)
            aPanes << QString::fromStdString(strPane);
        emit readoutChanged(aPanes);
    }
    if (!(world.Transform() == before))
        Redraw();
    QWidget::mouseMoveEvent(pEvent);
}
