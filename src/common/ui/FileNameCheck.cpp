#include "common/ui/FileNameCheck.h"

#include "common/infra/Translate.h"

namespace {

constexpr QStringView kInvalidChars = u"*?<>:\"/\\|";

} // namespace

bool IsValidFileName(const QString& name)
{
    for (const QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || kInvalidChars.contains(c))
            return false;
    return true;
}

QString InvalidFileNameMessage(const char* domain, const QString& name)
{
    QString list;
    for (const QChar c : kInvalidChars)
        list += (list.isEmpty() ? QString() : QStringLiteral(" ")) + c;
    return Fmt(TrDomain(domain, "\"%s\" contains invalid characters (%s)!"), {name, list});
}

QString ErrorHint(const QString& message)
{
    return message.contains(u'|') ? TrDialogs("Error") + u'|' + message : message;
}
