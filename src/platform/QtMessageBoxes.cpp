#include "QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

void QtMessageBoxes::show(const QString &text, const QString &title, BoxIcon icon)
{
    QMessageBox box(icon == BoxIcon::Information ? QMessageBox::Information : QMessageBox::NoIcon, title, text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
