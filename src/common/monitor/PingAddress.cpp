#include "common/monitor/PingClient.h"

#include <QUrl>

namespace {

constexpr const char* kSuffixes[] = {"/start", "", "/fail"};

QString Suffix(TPingKind kind)
{
    return QLatin1String(kSuffixes[int(kind)]);
}

} // namespace

QString PingAddress(const QString& url, TPingKind kind)
{
    QUrl address(url.trimmed());
    QString path = address.path();
    while (path.endsWith(u'/'))
        path.chop(1);
    address.setPath(path + Suffix(kind));
    return address.toString();
}
