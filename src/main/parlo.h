#pragma once

#include "Host.h"

#include <QMainWindow>

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
    explicit parlo(Host host, QWidget *parent = nullptr);

Q_SIGNALS:
    // Exit or its picture was chosen: the whole program ends at once.
    void exitRequested();

private:
    void buildControls();
    void buildMenu();
    void Form_Load();
    void cmdClear_Click();
    void cmdExit_Click();
    void Picture1_Click();

    Host m_host;

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

    QMenu *msend;
    QAction *mlist1;
    QAction *mlist2;
    QAction *mlist3;
    QAction *mlist4;
    QMenu *mEdit;
    QAction *mEAlias;
    QAction *eList1;
    QAction *mElist2;
    QAction *mElist3;
    QAction *mElist4;
    QMenu *mApplications;
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
    QMenu *mHelp;
    QAction *mabout;
    QAction *mbrowser;
};
