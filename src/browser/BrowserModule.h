#pragma once

#include <QString>
#include <QtPlugin>

class QWidget;
class Settings;

// What the browser module, loaded only when the browser is first opened, gives the program.
class BrowserModule
{
public:
    virtual ~BrowserModule() = default;
    // What of the engine is not installed, as a sentence naming it; empty when the engine can run.
    virtual QString missingEngine() const = 0;
    // A new browser window, not yet shown, with Parlo's own page (webPage) in its address box; it
    // reads its home and search pages from settings, which outlive it.
    virtual QWidget *makeWindow(const Settings &settings, const QString &webPage) = 0;
};

#define BrowserModule_iid "org.parlo.BrowserModule/2"
Q_DECLARE_INTERFACE(BrowserModule, BrowserModule_iid)
