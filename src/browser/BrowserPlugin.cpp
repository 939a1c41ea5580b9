#include "BrowserModule.h"
#include "frmBrowser.h"
#include "platform/WebEngineSetup.h"

#include <QObject>

// The browser module's one entry: the window, once the engine is known to be complete.
class BrowserPlugin final : public QObject, public BrowserModule
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID BrowserModule_iid)
    Q_INTERFACES(BrowserModule)

public:
    // The engine ends the whole process when its helper program or its resources are missing,
    // so they are looked for first.
    QString missingEngine() const override { return WebEngineSetup::missingEngine(); }

    QWidget *makeWindow(const Settings &settings, const QString &webPage) override
    {
        return new frmBrowser(settings, webPage);
    }
};

#include "BrowserPlugin.moc"
