#pragma once

// The listen addresses the tests expect, read from listen_addresses.tsv: one
// line per surah button that sends an address, "page<TAB>button<TAB>site<TAB>
// target", where target is the text after "http://<host>". Lines starting with
// '#' and empty lines are comments. A line of any other shape makes the whole
// file unreadable, so a damaged file fails the suite instead of thinning it.

#include <QFile>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

enum class ListenSiteKind { DirectListen, ListenBox };

struct ListedAddress {
    QString page;
    int button = 0;
    ListenSiteKind site = ListenSiteKind::DirectListen;
    QString target; // path and query, as the button sends them
};

class ListenAddressTable
{
public:
    // Reads `path`; on failure isValid() is false and error() says why.
    explicit ListenAddressTable(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            error_ = path + QStringLiteral(": ") + file.errorString();
            return;
        }
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        for (qsizetype i = 0; i < lines.size() && error_.isEmpty(); ++i)
            readLine(lines[i], i + 1);
    }

    bool isValid() const { return error_.isEmpty(); }
    QString error() const { return error_; }

    const QList<ListedAddress> &addresses() const { return addresses_; }

    // The line for `page`'s button `button`, or nullptr if it sends nothing.
    const ListedAddress *find(const QString &page, int button) const
    {
        const auto it = index_.constFind({page, button});
        return it == index_.constEnd() ? nullptr : &addresses_[*it];
    }

private:
    void readLine(const QString &line, qsizetype number)
    {
        if (line.isEmpty() || line.startsWith(u'#'))
            return;
        const QStringList fields = line.split(u'\t');
        bool isNumber = false;
        const int button = fields.value(1).toInt(&isNumber);
        const QString site = fields.value(2);
        const QString target = fields.value(3);
        if (fields.size() != 4 || !isNumber || button < 1 || button > 114
            || (site != u"direct-listen" && site != u"listen-box") || !target.startsWith(u'/')) {
            error_ = QStringLiteral("line %1 is not \"page, button, site, target\": %2").arg(number).arg(line);
            return;
        }
        const QPair<QString, int> key{fields[0], button};
        if (index_.contains(key)) {
            error_ = QStringLiteral("line %1 repeats %2 button %3").arg(number).arg(fields[0]).arg(button);
            return;
        }
        index_.insert(key, addresses_.size());
        addresses_.append({fields[0], button,
                           site == u"direct-listen" ? ListenSiteKind::DirectListen : ListenSiteKind::ListenBox,
                           target});
    }

    QList<ListedAddress> addresses_;
    QHash<QPair<QString, int>, qsizetype> index_;
    QString error_;
};
