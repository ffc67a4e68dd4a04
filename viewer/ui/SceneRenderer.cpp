#include "SceneRenderer.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLShaderProgram>

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
    {
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

bool OpenGLAvailable(QString* pError) {
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    if (context.create() && context.makeCurrent(&surface)) {
        context.doneCurrent();
        return true;
    }
    if (pError)
        *pError = QStringLiteral("no OpenGL context can be created on this display");
    return false;
}
