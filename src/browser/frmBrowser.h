#pragma once

#include "ui/Form.h"

class QAction;
class QComboBox;
class QLabel;
class QTimer;
class QToolBar;
class Settings;
class WebBrowser;

// Where the browser window's controls stand for a client area of the given size, in pixels:
// toolbar and address bar docked at the top over the whole width, the address box from its
// left margin to the right edge, the page area below them down to the bottom edge. Nothing
// reaches outside the client area, however small it is.
struct BrowserLayout
{
    QRect tbToolBar;
    QRect picAddress;
    QRect cboAddress;
    QRect brwWebBrowser;
};
BrowserLayout browserLayout(QSize client, QRect address);

// A small web browser: a toolbar, an address box and the page area, with the page's name (or
// "Working..." while it loads) in the title bar.
class frmBrowser final : public Form
{
    Q_OBJECT
public:
    // The address box starts with webPage, Parlo's own page.
    frmBrowser(const Settings &settings, const QString &webPage);

    // An address the window opens as it loads, when set before it is first shown.
    QString StartingAddress;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildToolBar();
    void buildAddressBar(const QString &webPage);
    void Form_Load();
    void Form_Resize();
    void cboAddress_KeyPress(int KeyAscii);
    void cboAddress_Click();
    void tbToolBar_ButtonClick(QAction *Button);
    void timTimer_Timer();
    void brwWebBrowser_DownloadComplete();

    WebBrowser *brwWebBrowser;
    QToolBar *tbToolBar;
    QWidget *picAddress;
    QLabel *lblAddress;
    QComboBox *cboAddress;
    QTimer *timTimer;
    bool m_loaded = false;
};
