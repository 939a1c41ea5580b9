#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>
#include <QWidget>

// Small helpers for finding and working the controls of a tool window by their names.

template <typename C = QWidget> C *control(QWidget *window, const char *name)
{
    C *found = window->findChild<C *>(QLatin1String(name));
    if (!found)
        qWarning("no control %s in %s", name, qPrintable(window->objectName()));
    return found;
}

inline void click(QWidget *window, const char *name)
{
    control<QAbstractButton>(window, name)->click();
}

inline void typeEnter(QWidget *window, const char *name)
{
    QTest::keyClick(control(window, name), Qt::Key_Return);
}

// The text of an output box, whichever kind it is.
inline QString textOf(QWidget *box)
{
    if (auto *plain = qobject_cast<QPlainTextEdit *>(box))
        return plain->toPlainText();
    if (auto *rich = qobject_cast<QTextEdit *>(box))
        return rich->toPlainText();
    if (auto *line = qobject_cast<QLineEdit *>(box))
        return line->text();
    if (auto *label = qobject_cast<QLabel *>(box))
        return label->text();
    return {};
}

inline void setText(QWidget *window, const char *name, const QString &text)
{
    control<QLineEdit>(window, name)->setText(text);
}

inline void tick(QWidget *window, const char *name, Qt::CheckState state = Qt::Checked)
{
    control<QCheckBox>(window, name)->setCheckState(state);
}
