#include "SceneRenderer.h"

#include "AxisPainter.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLShaderProgram>
#include <QPainter>

// Whether the platform can compose an OpenGL widget into a window is known only to its
// platform integration (Qt's QPA interface); without that capability a QOpenGLWidget in a
// window brings the window down at its first paint (Qt 6.4's offscreen platform with an X
// server, which makes contexts all the same).
#include <private/qguiapplication_p.h>
#include <qpa/qplatformintegration.h>

namespace {

const char* const kszVertexShader = R"(
attribute vec3 aPosition;
attribute vec3 aColour;
uniform mat4 uProjection;
varying vec3 vColour;
void main() {
    vColour = aColour;
    gl_Position = uProjection * vec4(aPosition, 1.0);
}
)";

const char* const kszFragmentShader = R"(
varying vec3 vColour;
void main() {
    gl_FragColor = vec4(vColour, 1.0);
}
)";

} // namespace

CSceneRenderer::CSceneRenderer() = default;

CSceneRenderer::~CSceneRenderer() = default;

bool CSceneRenderer::Initialise(QString* pError) {
    const QString strProblem = ContextProblem(QOpenGLContext::currentContext());
    if (!strProblem.isEmpty()) {
        if (pError)
            *pError = strProblem;
        return false;
    }
    initializeOpenGLFunctions();
    m_pProgram = std::make_unique<QOpenGLShaderProgram>();
    if (!m_pProgram->addShaderFromSourceCode(QOpenGLShader::Vertex, kszVertexShader) ||
        !m_pProgram->addShaderFromSourceCode(QOpenGLShader::Fragment, kszFragmentShader) || !m_pProgram->link()) {
        if (pError)
            *pError = QStringLiteral("the OpenGL shader program cannot be built: ") + m_pProgram->log();
        m_pProgram.reset();
        return false;
    }
    m_nPosition = m_pProgram->attributeLocation("aPosition");
    m_nColour = m_pProgram->attributeLocation("aColour");
    m_nProjection = m_pProgram->uniformLocation("uProjection");
    return true;
}

void CSceneRenderer::DrawVertices(const std::vector<CRenderVertex>& aVertices, unsigned int nMode) {
    if (aVertices.empty())
        return;
    const int nStride = static_cast<int>(sizeof(CRenderVertex));
    m_pProgram->setAttributeArray(m_nPosition, GL_FLOAT, &aVertices.front().x, 3, nStride);
    m_pProgram->setAttributeArray(m_nColour, GL_FLOAT, &aVertices.front().r, 3, nStride);
    glDrawArrays(nMode, 0, static_cast<GLsizei>(aVertices.size()));
}

void CSceneRenderer::Draw(const CRenderList& list, const std::array<float, 16>& afProjection, int nPixelWidth,
                          int nPixelHeight) {
    glViewport(0, 0, nPixelWidth, nPixelHeight);
    glClearColor(list.background.r, list.background.g, list.background.b, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDisable(GL_CULL_FACE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!m_pProgram)
        return;
    m_pProgram->bind();
    glUniformMatrix4fv(m_nProjection, 1, GL_FALSE, afProjection.data());
    m_pProgram->enableAttributeArray(m_nPosition);
    m_pProgram->enableAttributeArray(m_nColour);
    glEnable(GL_POLYGON_OFFSET_FILL);
    // The wireframe copies lie 0.4 % outside their meshes, which puts the copy of a wall
    // that faces the camera a little behind it; solid faces are pushed back by a few
    // thousandths of a unit at the usual distance so that the copies show in full.
    glPolygonOffset(1.0f, 3000.0f);
    DrawVertices(list.aTriangles, GL_TRIANGLES);
    glDisable(GL_POLYGON_OFFSET_FILL);
    DrawVertices(list.aLines, GL_LINES);
    m_pProgram->disableAttributeArray(m_nPosition);
    m_pProgram->disableAttributeArray(m_nColour);
    m_pProgram->release();
}

bool RenderSceneImage(COrbiqScene& scene, QSize size, QImage* pImage, QString* pError) {
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    if (!context.create() || !context.makeCurrent(&surface)) {
        if (pError)
            *pError = QStringLiteral("no OpenGL context can be created");
        return false;
    }
    bool bOk = false;
    if (const QString strProblem = ContextProblem(&context); !strProblem.isEmpty()) {
        if (pError)
            *pError = strProblem;
    } else {
        QOpenGLFramebufferObjectFormat format;
        format.setAttachment(QOpenGLFramebufferObject::Depth);
        QOpenGLFramebufferObject fbo(size, format);
        CSceneRenderer renderer;
        if (!fbo.isValid()) {
            if (pError)
                *pError = QStringLiteral("no OpenGL framebuffer of %1 x %2 pixels can be made").arg(size.width()).arg(size.height());
        } else if (renderer.Initialise(pError)) {
            fbo.bind();
            scene.SetViewportSize(size.width(), size.height());
            renderer.Draw(scene.Render(), scene.ProjectionMatrix(), size.width(), size.height());
            context.functions()->glFinish();
            *pImage = fbo.toImage();
            fbo.release();
            bOk = true;
        }
    }
    context.doneCurrent();
    return bOk;
}

namespace {

QFont AxisFont(QFont font) {
    font.setPixelSize(kAxisFontPixels);
    return font;
}

} // namespace

bool RenderSceneWithAxes(COrbiqScene& scene, QSize size, QImage* pImage, QString* pError, std::vector<CDrawnText>* pTexts) {
    if (!RenderSceneImage(scene, size, pImage, pError))
        return false;
    QPainter painter(pImage);
    painter.setFont(AxisFont(painter.font()));
    std::vector<CDrawnText> aTexts = DrawAxes(painter, scene);
    if (pTexts)
        *pTexts = std::move(aTexts);
    return true;
}

void FitSceneToPicture(COrbiqScene& scene, QSize size) {
    scene.SetViewportSize(size.width(), size.height());
    FitSceneWithAxes(scene, QRect(QPoint(0, 0), size).marginsRemoved(QMargins(kPictureBorder, kPictureBorder, kPictureBorder, kPictureBorder)),
                     AxisFont(QFont()));
}

QString ContextProblem(QOpenGLContext* pContext) {
    if (!pContext)
        return QStringLiteral("no OpenGL context can be created");
    if (!pContext->isValid())
        return QStringLiteral("the OpenGL context is not valid");
    QOpenGLFunctions* pFunctions = pContext->functions();
    if (!pFunctions || !pFunctions->hasOpenGLFeature(QOpenGLFunctions::Shaders) ||
        !pFunctions->hasOpenGLFeature(QOpenGLFunctions::Framebuffers))
        return QStringLiteral("the OpenGL context has no shader programs or framebuffer objects (OpenGL 2.1)");
    for (const char* szFunction : {"glCreateShader", "glLinkProgram", "glBindFramebuffer", "glDrawArrays"})
        if (!pContext->getProcAddress(szFunction))
            return QStringLiteral("the OpenGL function %1 cannot be resolved").arg(QLatin1String(szFunction));
    return {};
}

QString OpenGLViewProblem() {
    const QPlatformIntegration* pPlatform = QGuiApplicationPrivate::platformIntegration();
    // Qt composes OpenGL widgets into a window through its rendering hardware interface.
    if (!pPlatform || !pPlatform->hasCapability(QPlatformIntegration::RhiBasedRendering) ||
        !pPlatform->hasCapability(QPlatformIntegration::RasterGLSurface))
        return QStringLiteral("the platform \"%1\" cannot show an OpenGL view in a window").arg(QGuiApplication::platformName());
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    if (!context.create() || !context.makeCurrent(&surface))
        return QStringLiteral("no OpenGL context can be created on this display");
    const QString strProblem = ContextProblem(&context);
    context.doneCurrent();
    return strProblem;
}
