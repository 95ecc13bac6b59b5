#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

// An address split at its first "?", its query split at "&" and each pair at
// its first "=". Nothing is decoded: every part is the address's own text.
struct AddressParts {
    QString beforeQuery; // scheme, host and path
    QList<std::pair<QString, QString>> pairs;

    // The value of the first pair with this key, or a null string.
    QString value(const QString &key) const
    {
        for (const auto &[k, v] : pairs) {
            if (k == key)
                return v;
        }
        return {};
    }

    QStringList keys() const
    {
        QStringList result;
        for (const auto &pair : pairs)
            result << pair.first;
        return result;
    }
};

inline QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline QString toQString(const std::optional<std::string> &text)
{
    return text ? toQString(std::string_view(*text)) : QString();
}

inline AddressParts splitAddress(const QString &address)
{
    AddressParts parts;
    const qsizetype question = address.indexOf(u'?');
    if (question < 0) {
        parts.beforeQuery = address;
        return parts;
    }
    parts.beforeQuery = address.left(question);
    const QStringList pairs = address.mid(question + 1).split(u'&');
    for (const QString &pair : pairs) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals < 0)
            parts.pairs.append({pair, QString()});
        else
            parts.pairs.append({pair.left(equals), pair.mid(equals + 1)});
    }
    return parts;
}
