#pragma once
// The viewer's view: shows the scene of COrbiqScene and turns keys and mouse moves into
// its actions. It owns the scene (by value). The picture comes from an OpenGL canvas, a
// child widget that exists only when an OpenGL context can be made; without one the view
// stays white and empty, and everything else (reading, colouring, read-out) still works.

#include "orbiq/OrbiqScene.h"

#include <QImage>
#include <QOpenGLWidget>
#include <QString>
#include <QStringList>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class CSceneRenderer;

// The OpenGL canvas that draws a scene; it owns its renderer, which lives as long as its
// OpenGL context. Mouse and keys pass through it to the view. When its context cannot be
// created, is not valid or lacks the functions the renderer needs, it says so once
// (openGLFailed) and never calls OpenGL again.
class CSceneCanvas : public QOpenGLWidget {
    Q_OBJECT
public:
    CSceneCanvas(const COrbiqScene& scene, QWidget* pParent);
    ~CSceneCanvas() override;

    bool Failed() const { return m_bFailed; }

signals:
    void openGLFailed(const QString& strReason);

protected:
    void initializeGL() override;
    void paintGL() override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    void ReleaseRenderer();
    void Fail(const QString& strReason);

    const COrbiqScene& m_scene;
    std::unique_ptr<CSceneRenderer> m_pRenderer;
    bool m_bFailed = false;
};

class COrbiqView : public QWidget {
    Q_OBJECT
public:
    // bOpenGL: draw with an OpenGL canvas (false when no OpenGL context can be made).
    explicit COrbiqView(bool bOpenGL, QWidget* pParent = nullptr);
    ~COrbiqView() override;

    COrbiqScene& Scene() { return m_scene; }
    const COrbiqScene& Scene() const { return m_scene; }

    // Reads a surface file into the scene (nothing changes when it fails) and redraws.
    CReadStatus ReadSurfaceFile(const QString& strPath);
    // The empty scene.
    void ClearScene();
    // Colours the surface by a value type and redraws.
    CColourResult ColourByValue(int nType);
    // The value type the function box shows, for the read-out.
    void SetFunctionIndex(int nType) { m_nFunction = nType; }

    // Fits the model and its axes to the view (FitSceneWithAxes), leaving free the part of
    // the view that the cover window (the legend), when shown, lies over: the largest of the
    // rectangles beside, above or below it. A view not yet sized fits when it is. The fit is
    // kept through resizes until the model is turned, moved or scaled.
    void FitScene();
    // FitScene when the model is where the last fit put it (the user has not moved it since).
    void FitSceneAgain();
    // Back to the first attitude, fitted to the view (the "R" key).
    void ResetView();
    // The window whose place the fit leaves free. When it is shown, hidden, moved or
    // resized, a model the user has not moved since the last fit is fitted again.
    void SetCover(QWidget* pCover);
    // Where the fit puts the model, in the view's pixels: the view less the cover and a
    // border of kFitBorder pixels.
    QRect FitArea() const;
    static constexpr int kFitBorder = 8;

    // Set when OpenGL could not be started; the view then shows no scene (white).
    bool GlFailed() const { return !m_pCanvas || m_pCanvas->Failed(); }
    // The view as drawn now.
    QImage Snapshot();

signals:
    void messageChanged(const QString& strMessage);   // for the message pane
    void readoutChanged(const QStringList& aPanes);   // message, X, Y and Z panes
    void functionBoxReset();                          // the function box should show "None"
    void openGLFailed(const QString& strReason);

protected:
    void resizeEvent(QResizeEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void Redraw();
    void Report(const CColourResult& result);

    COrbiqScene m_scene;
    CSceneCanvas* m_pCanvas = nullptr;   // child, null without OpenGL
    QPointer<QWidget> m_pCover;
    bool m_bFitPending = false;
    std::optional<CMatrix4> m_fitted;    // the world frame's transformation the last fit left
    int m_nFunction = kValueNone;
};
