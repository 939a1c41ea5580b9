#pragma once

#include <QString>

// The Debian package that installs a file Parlo needs at run time, so that a message about the
// missing file can say what to install: a Qt library by its file name (libQt6WebEngineCore.so.6
// is in libqt6webenginecore6), or a file of Qt WebEngine's by its name. Empty when unknown.
QString debianPackageOf(const QString &fileName);

// " Install the Debian package P." for the package that installs fileName; empty when unknown.
QString installSentence(const QString &fileName);

// The shared library that the dynamic linker's error says it could not find or read; empty when
// the error says something else.
QString missingLibraryOf(const QString &loaderError);
