#pragma once

#include "AliasBook.h"
#include "ListSender.h"
#include "platform/Host.h"
#include "ui/WindowMakers.h"

#include <QMainWindow>
#include <QMap>
#include <QPointer>

#include <span>

class CaptionLabel;
class PictureBox;
class QAction;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;

// The main window: facts about this machine, the recipient and message controls, and the
// menu bar that reaches the lists and every other window.
class parlo final : public QMainWindow
{
    Q_OBJECT
public:
    explicit parlo(Host host, WindowMakers makers = {}, QWidget *parent = nullptr);
    ~parlo() override;

    // The open instance of a window, if any.
    QWidget *instance(const QString &windowName) const { return m_instances.value(windowName); }
    // Comes to the front with name as the recipient and the message box ready for typing.
    void replyTo(const QString &name);

Q_SIGNALS:
    // Exit or its picture was chosen: the whole program ends at once.
    void exitRequested();
    // Every net of a list send has ended: report says how each copy fared (see listReport()).
    void listReported(const QString &report);

private:
    // One entry of the menu bar: a menu (without an item), or an item of a menu or of the bar,
    // which either calls its handler or opens the window of that name.
    struct MenuItem
    {
        QMenu *parlo::*menu;
        QAction *parlo::*item;
        const char *name;
        const char *caption;
        void (parlo::*handler)();
        const char *window;
    };
    static std::span<const MenuItem> menus();
    static std::span<const MenuItem> menuItems();

    void buildControls();
    void fitAliasBox();
    void buildButtons(QWidget *client);
    void connectControls();
    void buildMenu();
    void Form_Load();
    void cmdClear_Click();
    void cmdExit_Click();
    void Picture1_Click();
    void mtelnet_Click();
    // Shows the outcome's message boxes, in order.
    void showOutcome(const Outcome &outcome);

    // Alias book
    void cmdAdd_Click();
    void cmdGetalias_click();
    void mEAlias_Click() { showOutcome(m_aliases.edit()); }

    // Sending
    void cmdSend_Click();
    void Picture2_Click();
    void txtmsg_KeyPress(int KeyAscii);
    // What a send does when nobody is named.
    enum class IfNobody
    {
        Say,    // shows a message box
        Ignore, // does nothing: Enter in the message box has only typed a line break
    };
    void sendToRecipient(IfNobody ifNobody);

    // Distribution lists
    void mlist1_Click() { sendToList(1); }
    void mlist2_Click() { sendToList(2); }
    void mlist3_Click() { sendToList(3); }
    void mlist4_Click() { sendToList(4); }
    void eList1_Click() { editList(1); }
    void mElist2_Click() { editList(2); }
    void mElist3_Click() { editList(3); }
    void mElist4_Click() { editList(4); }
    void sendToList(int list);
    void editList(int list) { showOutcome(m_lists.edit(list)); }

    // Opens the single instance of a window: made and loaded if there is none, else left as it is.
    void open(const QString &windowName);

    Host m_host;
    AliasBook m_aliases;
    ListSender m_lists;
    WindowMakers m_makers;
    QMap<QString, QPointer<QWidget>> m_instances;

    CaptionLabel *Label1;
    CaptionLabel *Label2;
    CaptionLabel *Label3;
    CaptionLabel *Label4;
    QGroupBox *Frame2;
    QLineEdit *txtno;
    QPushButton *cmdAdd;
    QComboBox *Combo1;
    QPushButton *cmdGetalias;
    QGroupBox *Frame1;
    QPlainTextEdit *txtmsg;
    QPushButton *cmdSend;
    PictureBox *Picture2;
    QPushButton *cmdClear;
    QPushButton *cmdExit;
    PictureBox *Picture1;

    QMenu *msend = nullptr;
    QAction *mlist1;
    QAction *mlist2;
    QAction *mlist3;
    QAction *mlist4;
    QMenu *mEdit = nullptr;
    QAction *mEAlias;
    QAction *eList1;
    QAction *mElist2;
    QAction *mElist3;
    QAction *mElist4;
    QMenu *mApplications = nullptr;
    QAction *mArp;
    QAction *mNetstat;
    QAction *mtelnet;
    QAction *mvdos;
    QAction *mwhois;
    QAction *mIpconfig;
    QAction *mNsLookup;
    QAction *mPing;
    QAction *mtracert;
    QAction *mwininfo;
    QMenu *mHelp = nullptr;
    QAction *mabout;
    QAction *mbrowser;
};
