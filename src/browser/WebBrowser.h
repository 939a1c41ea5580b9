#pragma once

#include <QWidget>

class QWebEngineProfile;
class QWebEngineView;
class Settings;

// The page area: Qt WebEngine behind the members the browser window uses. Pages load in the
// background; DownloadComplete is raised once for each navigation that ended, was stopped or
// failed. Nothing is kept on disk: the window's profile is off the record.
class WebBrowser final : public QWidget
{
    Q_OBJECT
public:
    // Home and search pages are read from settings at each use.
    explicit WebBrowser(const Settings &settings, QWidget *parent = nullptr);
    ~WebBrowser() override;

    // Loads address as a browser's address box reads it (QUrl::fromUserInput); an address that
    // names nothing loads nothing and completes at once.
    void Navigate(const QString &address);
    // The previous or next page of the history; false, changing nothing, when there is none.
    bool GoBack();
    bool GoForward();
    // The pages named by the settings "Browser/HomePage" and "Browser/SearchPage".
    void GoHome();
    void GoSearch();
    // Loads the page shown again; nothing when none is shown.
    void Refresh();
    // Cancels the navigation under way.
    void Stop();
    // True from a navigation command, or from a page's own navigation, until it completes.
    bool Busy() const { return m_requested || m_loading; }
    // The title of the page shown; empty before the first page.
    QString LocationName() const;

    // The engine's view, for what the window's members do not cover (tests).
    QWebEngineView *view() const { return m_view; }

Q_SIGNALS:
    void DownloadComplete();

private:
    void started();
    void finished();
    void completeWithoutLoading();

    const Settings &m_settings;
    QWebEngineProfile *m_profile;
    QWebEngineView *m_view;
    bool m_requested = false; // a command was given and the engine has not started it yet
    bool m_loading = false;   // the engine has started a navigation and not finished it
};

// The home and search pages when the settings name none: a blank page, and a search engine
// that takes the query.
inline constexpr char defaultHomePage[] = "about:blank";
inline constexpr char defaultSearchPage[] = "https://duckduckgo.com/";
