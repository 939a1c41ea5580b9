#include "CommandRunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// An interpreter that writes a fixed text into the output file, or fails.
class ScriptedInterpreter final : public Interpreter
{
public:
    QString tempDirectory() const override { return directory; }
    QString run(const QString &command, int windowStyle, const QString &outputPath) override
    {
        lastCommand = command;
        lastStyle = windowStyle;
        lastOutput = outputPath;
        existedDuringRun = QFile::exists(outputPath);
        if (!error.isEmpty())
            return error;
        QFile file(outputPath);
        if (file.open(QIODevice::WriteOnly))
            file.write(output);
        return {};
    }
    QString decode(const QByteArray &bytes) const override { return QString::fromLatin1(bytes); }

    QString directory;
    QByteArray output;
    QString error;
    QString lastCommand;
    int lastStyle = 0;
    QString lastOutput;
    bool existedDuringRun = false;
};

} // namespace

class tst_RunCapture : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void returnsOutputAndRemovesFile();
    void interpreterFailureRemovesFile();
    void missingTempDirectoryIsAnError();
};

void tst_RunCapture::returnsOutputAndRemovesFile()
{
    QTemporaryDir temp;
    ScriptedInterpreter interpreter;
    interpreter.directory = temp.path();
    interpreter.output = "Reply\r\n\r\n";
    Runner runner(interpreter);

    const Capture capture = runner.RunCapture(QStringLiteral("ping 10.0.0.1"), 6);

    QVERIFY(!capture.failed());
    QCOMPARE(capture.text, QStringLiteral("Reply\r\n\r\n"));
    QCOMPARE(interpreter.lastCommand, QStringLiteral("ping 10.0.0.1"));
    QCOMPARE(interpreter.lastStyle, 6);
    QVERIFY(interpreter.existedDuringRun);
    const QString name = QFileInfo(interpreter.lastOutput).fileName();
    QVERIFY2(name.startsWith(u"OUT") && name.endsWith(u".tmp"), qPrintable(name));
    QCOMPARE(QFileInfo(interpreter.lastOutput).absolutePath(), QFileInfo(temp.path()).absoluteFilePath());
    QVERIFY(QDir(temp.path()).isEmpty());
}

void tst_RunCapture::interpreterFailureRemovesFile()
{
    QTemporaryDir temp;
    ScriptedInterpreter interpreter;
    interpreter.directory = temp.path();
    interpreter.error = QStringLiteral("Cannot start the command interpreter");
    Runner runner(interpreter);

    const Capture capture = runner.RunCapture(QStringLiteral("dir"), 6);

    QCOMPARE(capture.error, interpreter.error);
    QVERIFY(capture.text.isEmpty());
    QVERIFY(QDir(temp.path()).isEmpty());
}

void tst_RunCapture::missingTempDirectoryIsAnError()
{
    QTemporaryDir temp;
    ScriptedInterpreter interpreter;
    interpreter.directory = temp.filePath(QStringLiteral("missing"));
    Runner runner(interpreter);

    const Capture capture = runner.RunCapture(QStringLiteral("dir"), 6);

    QVERIFY(capture.failed());
    QVERIFY2(capture.error.contains(interpreter.directory), qPrintable(capture.error));
    QVERIFY(interpreter.lastCommand.isEmpty()); // nothing was started
}

QTEST_APPLESS_MAIN(tst_RunCapture)
#include "tst_runcapture.moc"
