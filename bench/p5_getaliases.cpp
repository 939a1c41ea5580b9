// P5: "Get Aliases" with 100,000 names in the alias file, from the click until the alias box
// holds them all and the window has been painted again.
#include "Bench.h"
#include "Fakes.h"
#include "main/parlo.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>

namespace {

constexpr int names = 100000;

bool writeAliases(const QString &path)
{
    return bench::writeLines(
        path, names, [](int i) -> QByteArray { return "WORKSTATION-" + QByteArray::number(i).rightJustified(6, '0'); });
}

} // namespace

int main(int argc, char *argv[])
{
    bench::useOffscreenByDefault();
    QApplication app(argc, argv);
    QTemporaryDir temp;
    if (!writeAliases(QDir(temp.path()).filePath(QStringLiteral("parlo.txt"))))
        bench::fail("P5", QStringLiteral("cannot write the alias file"));
    FakeHost fake(temp.path());

    bool filled = true;
    const auto round = [&] {
        parlo window(fake.host());
        window.show();
        QApplication::processEvents();
        auto *combo = window.findChild<QComboBox *>(QStringLiteral("Combo1"));
        auto *get = window.findChild<QAbstractButton *>(QStringLiteral("cmdGetalias"));
        const double ms = bench::timeMs([&] {
            get->click();
            window.repaint();
        });
        filled = filled && combo->count() == names;
        return ms;
    };
    round();
    bench::Samples samples;
    for (int i = 0; i < 7; ++i)
        samples.ms.push_back(round());
    return bench::report(
        {"P5", samples, {}, 100, filled ? "" : "alias box not filled", filled && fake.messages.boxes.isEmpty()});
}
