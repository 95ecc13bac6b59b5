#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>

#include <dlfcn.h>

namespace testsupport {

// Mesa unloads its GL driver when the display connection closes, before the
// sanitizers' leak check runs; the blocks the driver still held are then
// reported as leaks under no library a suppression could name. Called while
// the application still stands, this keeps every loaded driver loaded to the
// end: it still holds its blocks, and the check sees only real leaks.
inline void keepGlDriversLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> lines = maps.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype slash = line.indexOf('/');
        if (slash < 0)
            continue;
        const QByteArray path = line.mid(slash);
        if (path.contains("/dri/") && path.endsWith("_dri.so"))
            ::dlopen(path.constData(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    }
}

} // namespace testsupport
