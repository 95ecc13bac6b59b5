#pragma once

#include <catalogue/listen_url.h>
#include <shell/appearance.h>
#include <shell/browser_pane.h>
#include <shell/forms_runtime.h>
#include <shell/recitation_page.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRect>
#include <QTest>

#include <memory>

namespace testsupport {

// A runtime of the program's own, with the hosts a test points it at.
class ShellFixture
{
public:
    explicit ShellFixture(catalogue::SiteHosts hosts = {"dl.invalid", "lb.invalid"})
        : runtime_(std::make_unique<shell::FormsRuntime>(std::move(hosts)))
    {
    }

    shell::FormsRuntime &runtime() { return *runtime_; }

    shell::RecitationPage *page(const QString &form)
    {
        return qobject_cast<shell::RecitationPage *>(runtime_->existing(form));
    }

private:
    std::unique_ptr<shell::FormsRuntime> runtime_;
};

// Lets windows that were unloaded finish going.
inline void flushDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}


// The window designs, written out in the design_*.tsv files beside this
// header, and the tests' own conversion of their twips to pixels.
namespace design {

// A place and size in twips.
struct Twips {
    int left;
    int top;
    int width;
    int height;
};

// 15 twips to the logical pixel; each edge is rounded to the nearest pixel,
// so controls that meet in twips meet in pixels.
inline int pixels(int twips)
{
    return qRound(twips / 15.0);
}

inline QRect pixels(const Twips &rect)
{
    const int left = pixels(rect.left);
    const int top = pixels(rect.top);
    return QRect(left, top, pixels(rect.left + rect.width) - left, pixels(rect.top + rect.height) - top);
}

// The rows of design_<name>.tsv, each split at its tabs; comment lines
// (starting with '#') and blank lines are left out, and no field is trimmed.
inline QList<QStringList> tableRows(const QString &name)
{
    const QString path = QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(
        QStringLiteral("design_%1.tsv").arg(name));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("cannot read %s", qPrintable(path));
    QList<QStringList> rows;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            rows << line.split(QLatin1Char('\t'));
    }
    return rows;
}

inline Twips twipsAt(const QStringList &fields, int first)
{
    return {fields[first].toInt(), fields[first + 1].toInt(), fields[first + 2].toInt(),
            fields[first + 3].toInt()};
}

// Caption of surah button n is surahCaptions()[n - 1].
inline QStringList surahCaptions()
{
    QStringList captions;
    for (const QStringList &row : tableRows(QStringLiteral("surahs"))) {
        if (row.size() != 2 || row[0].toInt() != captions.size() + 1)
            qFatal("design_surahs.tsv: row %lld is out of order", static_cast<long long>(captions.size()) + 1);
        captions << row[1];
    }
    return captions;
}

struct Page {
    QString form;
    Twips client;              // on the screen; the size the page opens at
    int enlargeWidth;
    QChar tabOrder;            // 'A' or 'B'
    QString firstFocus;
    bool backShowsMenuFirst;
    QString caption;
};

inline QList<Page> pages()
{
    QList<Page> pages;
    for (const QStringList &row : tableRows(QStringLiteral("pages"))) {
        if (row.size() != 10)
            qFatal("design_pages.tsv: a row has %lld fields", static_cast<long long>(row.size()));
        pages << Page{row[0], twipsAt(row, 1), row[5].toInt(), row[6].at(0), row[7],
                      row[8] == QLatin1String("yes"), row[9]};
    }
    return pages;
}

inline Page page(const QString &form)
{
    for (const Page &candidate : pages()) {
        if (candidate.form == form)
            return candidate;
    }
    qFatal("no design for %s", qPrintable(form));
}

// Adds one row per page, in a column "form".
inline void addPageRows()
{
    QTest::addColumn<QString>("form");
    for (const Page &row : pages())
        QTest::newRow(qPrintable(row.form)) << row.form;
}

struct MenuButton {
    QString name;
    QString caption;
    Twips place;
    QString opens;             // the page it opens; empty for Exit
    QString frame;
    Twips framePlace;
};

inline QList<MenuButton> menuButtons()
{
    QList<MenuButton> buttons;
    for (const QStringList &row : tableRows(QStringLiteral("menu"))) {
        if (row.size() != 12)
            qFatal("design_menu.tsv: a row has %lld fields", static_cast<long long>(row.size()));
        buttons << MenuButton{row[0], row[1], twipsAt(row, 2),
                              row[6] == QLatin1String("-") ? QString() : row[6], row[7], twipsAt(row, 8)};
    }
    return buttons;
}

} // namespace design

} // namespace testsupport

// A Qt Test main for tests that build windows with web views.
#define SORVANTEL_GUI_TEST_MAIN(TestObject)                                                        \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                                \
        QApplication app(argc, argv);                                                              \
        shell::installFontFallbacks();                                                             \
        TestObject test;                                                                           \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
