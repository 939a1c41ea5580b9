#include "WhoisModule.h"
#include "whois.h"

#include <QObject>

// The whois module's one entry: the window.
class WhoisPlugin final : public QObject, public WhoisModule
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID WhoisModule_iid)
    Q_INTERFACES(WhoisModule)

public:
    QWidget *makeWindow(Host host) override { return new whois(host); }
};

#include "WhoisPlugin.moc"
