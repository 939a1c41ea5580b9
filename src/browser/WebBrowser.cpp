#include "WebBrowser.h"

#include "platform/Settings.h"

#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

WebBrowser::WebBrowser(const Settings &settings, QWidget *parent)
    : QWidget(parent), m_settings(settings), m_profile(new QWebEngineProfile(this)), m_view(new QWebEngineView(this))
{
    // The browser starts no other program: a scheme the engine does not load itself shows its
    // error page instead of going to the desktop's handler.
    m_profile->settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
    m_view->setPage(new QWebEnginePage(m_profile, m_view));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setFocusProxy(m_view);

    connect(m_view, &QWebEngineView::loadStarted, this, &WebBrowser::started);
    connect(m_view, &QWebEngineView::loadFinished, this, &WebBrowser::finished);
}

WebBrowser::~WebBrowser()
{
    // The page goes before its profile.
    delete m_view;
}

void WebBrowser::Navigate(const QString &address)
{
    const QUrl url = QUrl::fromUserInput(address);
    if (url.isEmpty() || !url.isValid()) {
        completeWithoutLoading();
        return;
    }
    m_requested = true;
    m_view->load(url);
}

bool WebBrowser::GoBack()
{
    if (!m_view->history()->canGoBack())
        return false;
    m_requested = true;
    m_view->back();
    return true;
}

bool WebBrowser::GoForward()
{
    if (!m_view->history()->canGoForward())
        return false;
    m_requested = true;
    m_view->forward();
    return true;
}

void WebBrowser::GoHome()
{
    Navigate(m_settings.text(QStringLiteral("Browser/HomePage"), QLatin1String(defaultHomePage)));
}

void WebBrowser::GoSearch()
{
    Navigate(m_settings.text(QStringLiteral("Browser/SearchPage"), QLatin1String(defaultSearchPage)));
}

void WebBrowser::Refresh()
{
    if (m_view->url().isEmpty())
        return;
    m_requested = true;
    m_view->reload();
}

void WebBrowser::Stop()
{
    // A navigation the engine has not started yet ends without a word from it.
    const bool unstarted = m_requested && !m_loading;
    m_view->stop();
    if (unstarted) {
        m_requested = false;
        completeWithoutLoading();
    }
}

QString WebBrowser::LocationName() const
{
    return m_view->title();
}

void WebBrowser::started()
{
    m_requested = false;
    m_loading = true;
}

void WebBrowser::finished()
{
    m_requested = false;
    m_loading = false;
    Q_EMIT DownloadComplete();
}

void WebBrowser::completeWithoutLoading()
{
    QMetaObject::invokeMethod(this, &WebBrowser::DownloadComplete, Qt::QueuedConnection);
}
