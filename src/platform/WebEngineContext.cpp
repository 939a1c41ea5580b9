#include "WebEngineContext.h"

#include <QCoreApplication>
#include <QOpenGLContext>

// Qt's setter of the context that every later OpenGL context shares with; Qt WebEngine sets it
// the same way when it is initialised before the application object.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
QT_END_NAMESPACE

void prepareWebEngineContext()
{
    if (QOpenGLContext::globalShareContext())
        return;
    // Set even when it cannot be created (no OpenGL, as on the offscreen platform): the engine
    // reads it either way, and draws in software when it is not valid.
    auto *context = new QOpenGLContext(QCoreApplication::instance());
    context->create();
    qt_gl_set_global_share_context(context);
    QObject::connect(context, &QObject::destroyed, [] { qt_gl_set_global_share_context(nullptr); });
}
