// sorvantel-peer-window
//
// The least a Qt Widgets program does to put a window of 118 buttons on the
// screen: the yardstick for the program's start. Reports "ev menu-exposed"
// and "ev menu-painted" as the program's driver does, then ends.

#include "probe.h"

#include <QApplication>
#include <QPushButton>
#include <QWidget>

int main(int argc, char *argv[])
{
    bench::reportEvent(QStringLiteral("main"));
    QApplication app(argc, argv);

    QWidget window;
    window.setObjectName(QLatin1String("Form2"));
    window.setWindowTitle(QStringLiteral("bare window"));
    window.setGeometry(72, 34, 676, 534);
    for (int n = 0; n < 118; ++n) {
        auto *button = new QPushButton(QString::number(n + 1), &window);
        button->setGeometry(8 + (n % 14) * 47, 8 + (n / 14) * 30, 44, 26);
    }

    bench::watchWindow(
        QLatin1String("Form2"),
        [](qint64 ns) { bench::reportEvent(QStringLiteral("menu-exposed"), ns); },
        [](qint64 ns) {
            bench::reportEvent(QStringLiteral("menu-painted"), ns);
            QTimer::singleShot(300, qApp, &QCoreApplication::quit);
        });
    window.show();
    const int status = app.exec();
    bench::reportEvent(QStringLiteral("exit"));
    return status;
}
