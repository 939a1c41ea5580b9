#pragma once

#include <QString>
#include <QStringList>

class FixedPaths;

// What reading a name file gave: its fields, or why it could not be read.
struct NameFile
{
    bool exists = false;
    QStringList fields;
    QString error;
};
// Reads the file at a fixed drive path (c:\parlo.txt, c:\whois.txt ...) in the locale's
// encoding and splits it into fields by the field rule (readFields).
NameFile readNameFile(const FixedPaths &paths, const QString &drivePath);
