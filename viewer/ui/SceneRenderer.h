#pragma once
// Draws a render list of the scene with OpenGL: a small shader program, flat colours per
// vertex, depth test, solid triangles pushed slightly back so that the wireframe copies on
// them stay visible. Works on OpenGL 2.1 and later, Mesa's software renderer included.

#include "orbiq/OrbiqScene.h"

#include <QImage>
#include <QOpenGLFunctions>
#include <QSize>
#include <QString>

#include <array>
#include <memory>

class QOpenGLContext;
struct CDrawnText;
class QOpenGLShaderProgram;

class CSceneRenderer : protected QOpenGLFunctions {
public:
    CSceneRenderer();
    ~CSceneRenderer();
    CSceneRenderer(const CSceneRenderer&) = delete;
    CSceneRenderer& operator=(const CSceneRenderer&) = delete;

    // Builds the shader program in the current context; false with the reason in *pError
    // when it cannot (ContextProblem, or a shader program that does not build).
    bool Initialise(QString* pError);
    // Clears to the list's background and draws it into the current framebuffer of
    // nPixelWidth x nPixelHeight pixels, with a column-major projection (CViewport).
    void Draw(const CRenderList& list, const std::array<float, 16>& afProjection, int nPixelWidth, int nPixelHeight);

private:
    void DrawVertices(const std::vector<CRenderVertex>& aVertices, unsigned int nMode);

    std::unique_ptr<QOpenGLShaderProgram> m_pProgram;   // owned
    int m_nPosition = -1;
    int m_nColour = -1;
    int m_nProjection = -1;
};

// Renders the scene offscreen into an image of the given size (the viewport takes that
// size). False with the reason in *pError when no OpenGL context or framebuffer can be made.
bool RenderSceneImage(COrbiqScene& scene, QSize size, QImage* pImage, QString* pError);

// RenderSceneImage with the axes drawn over it (AxisPainter.h) in a font of kAxisFontPixels;
// the texts drawn in *pTexts when given.
inline constexpr int kAxisFontPixels = 14;
bool RenderSceneWithAxes(COrbiqScene& scene, QSize size, QImage* pImage, QString* pError,
                         std::vector<CDrawnText>* pTexts = nullptr);

// Scales and moves the scene so that it fills a picture of size with its axes in the font
// RenderSceneWithAxes draws them in (FitSceneWithAxes), kPictureBorder pixels inside its
// edges; the viewport takes that size.
inline constexpr int kPictureBorder = 8;
void FitSceneToPicture(COrbiqScene& scene, QSize size);

// Why the scene cannot be drawn in pContext, or an empty text when it can: no context, a
// context that is not valid, or one without the OpenGL 2.1 functions the renderer calls
// (shader programs and framebuffer objects) or whose entry points cannot be resolved.
QString ContextProblem(QOpenGLContext* pContext);

// Why the viewer's window cannot show an OpenGL view, or an empty text when it can: the
// platform cannot put an OpenGL widget into a window (Qt's offscreen platform, for one),
// no OpenGL context can be created on this display, or ContextProblem of the one created.
QString OpenGLViewProblem();
