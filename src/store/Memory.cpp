#include "store/Memory.h"

#include "store/MemoryBackends.h"

#include <QStringList>

#include <algorithm>

namespace scrivlet {

bool IsServerLocation(const QString& location)
{
    return location.startsWith(QLatin1String("postgresql://")) ||
           location.startsWith(QLatin1String("postgres://"));
}

QString ShownLocation(const QString& location)
{
    if (!IsServerLocation(location))
        return location;
    // Taken apart by hand, not by QUrl: a string QUrl refuses would show as nothing at all.
    QString shown = location;
    const qsizetype start = shown.indexOf(QLatin1String("://")) + 3;
    qsizetype end = shown.size();
    for (const QChar stop : {u'/', u'?'}) {
        if (const qsizetype at = shown.indexOf(stop, start); at >= 0)
            end = std::min(end, at);
    }
    // user:password@host: the password goes.
    const qsizetype at = shown.lastIndexOf(u'@', end - 1);
    const qsizetype colon = shown.indexOf(u':', start);
    if (at >= start && colon >= start && colon < at)
        shown.remove(colon, at - colon);
    // ?password=...&...: that parameter goes.
    const qsizetype query = shown.indexOf(u'?');
    if (query < 0)
        return shown;
    QStringList kept;
    for (const QString& parameter : shown.mid(query + 1).split(u'&')) {
        if (!parameter.startsWith(QLatin1String("password=")))
            kept << parameter;
    }
    kept.removeAll(QString());
    return shown.left(query) + (kept.isEmpty() ? QString() : u'?' + kept.join(u'&'));
}

Result OpenMemory(const QString& location, std::unique_ptr<TranslationMemory>* memory,
                  const MemoryWaits& waits)
{
    return IsServerLocation(location) ? OpenServerMemory(location, memory, waits)
                                      : OpenFileMemory(location, memory);
}

}  // namespace scrivlet
