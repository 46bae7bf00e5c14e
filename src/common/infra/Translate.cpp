#include "common/infra/Translate.h"

#include <libintl.h>

#include <algorithm>
#include <vector>

namespace {

// dgettext hands back the very pointer it was given when it has no translation; an empty text
// would give the catalogue's header instead of itself.
const char* Lookup(const char* domain, const char* text)
{
    if (text == nullptr || *text == '\0')
        return "";
    return dgettext(domain, text);
}

std::vector<QByteArray>& ExtraResourceDomains()
{
    static std::vector<QByteArray> domains;
    return domains;
}

} // namespace

void AddResourceDomain(const QByteArray& domain)
{
    auto& domains = ExtraResourceDomains();
    if (std::find(domains.begin(), domains.end(), domain) == domains.end())
        domains.push_back(domain);
}

QString Tr(const char* text)
{
    return QString::fromUtf8(Lookup(kDefaultDomain, text));
}

QString TrDialogs(const char* text)
{
    return QString::fromUtf8(Lookup(kDialogsDomain, text));
}

QString TrDomain(const char* domain, const char* text)
{
    return QString::fromUtf8(Lookup(domain, text));
}

QString TranslateText(const char* domain, const QString& text)
{
    if (text.isEmpty())
        return text;
    const QByteArray key = text.toUtf8();
    const char* found = Lookup(domain, key.constData());
    return found == key.constData() ? text : QString::fromUtf8(found);
}

QString TrResource(const char* text)
{
    const char* found = Lookup(kDefaultDomain, text);
    for (const QByteArray& domain : ExtraResourceDomains()) {
        if (found != text)
            break;
        found = Lookup(domain.constData(), text);
    }
    return QString::fromUtf8(found);
}

QString Fmt(const QString& format, std::initializer_list<QString> values)
{
    const std::vector<QString> args(values);
    QString out;
    out.reserve(format.size() + 16);
    size_t next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c != u'%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        const QChar n = format[i + 1];
        if (n == u'%') {
            out += u'%';
            ++i;
        } else if (n == u's' || n == u'd' || n == u'u') {
            if (next < args.size())
                out += args[next];
            ++next;
            ++i;
        } else if (n.isDigit()) {
            qsizetype j = i + 1;
            size_t index = 0;
            while (j < format.size() && format[j].isDigit())
                index = index * 10 + size_t(format[j++].digitValue());
            if (j + 1 < format.size() && format[j] == u':' &&
                (format[j + 1] == u's' || format[j + 1] == u'd' || format[j + 1] == u'u')) {
                if (index < args.size())
                    out += args[index];
                next = index + 1;
                i = j + 1;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
    return out;
}
