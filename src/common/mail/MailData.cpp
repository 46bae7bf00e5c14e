#include "common/mail/MailData.h"

#include <array>

#include "common/infra/IniFileUtils.h"

namespace {

struct THistorySection {
    const char* Section;
    const char* KeyPrefix;
    int Limit;
    QStringList TMailHistories::*List;
};

const std::array<THistorySection, 3> kHistorySections{{
    {"SmtpServer", "History", kMaxServerHistory, &TMailHistories::Servers},
    {"MailUser", "History", kMaxUserHistory, &TMailHistories::Users},
    {"MailTo", "Address", kMaxAddressHistory, &TMailHistories::Addresses},
}};

QString Key(const THistorySection& s, int index)
{
    return QLatin1String(s.KeyPrefix) + QString::number(index);
}

} // namespace

void DefaultValues(TMailData& mail)
{
    mail = TMailData{};
}

TEmailAddress ReportSender(const TMailData& mail)
{
    if (mail.Sender.contains(u'@'))
        return {QStringLiteral("KvStarter"), mail.Sender};
    TEmailAddress from{mail.Sender, mail.ReplyTo.trimmed()};
    // A display name alone: the account is the address when it is one.
    if (from.Address.isEmpty() && IsValidMailbox(mail.Username.trimmed()))
        from.Address = mail.Username.trimmed();
    return from;
}

QString ToCommaText(const QStringList& list)
{
    QStringList entries;
    for (const QString& entry : list) {
        const bool quote = entry.contains(u' ') || entry.contains(u',') || entry.contains(u'"');
        entries.append(quote ? u'"' + QString(entry).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"' : entry);
    }
    return entries.join(u',');
}

QStringList FromCommaText(const QString& text)
{
    QStringList list;
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto isSeparator = [](QChar c) { return c == u',' || c.isSpace(); };
    while (i < n) {
        while (i < n && text[i].isSpace())
            ++i;
        if (i >= n)
            break;
        QString entry;
        if (text[i] == u'"') {
            for (++i; i < n; ++i) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        entry += u'"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                entry += text[i];
            }
        } else {
            while (i < n && !isSeparator(text[i]))
                entry += text[i++];
        }
        list.append(entry);
        while (i < n && text[i].isSpace())
            ++i;
        if (i < n && text[i] == u',')
            ++i;
    }
    return list;
}

void ReadMailHistories(const QString& iniName, TMailHistories& histories)
{
    if (iniName.isEmpty())
        return;
    std::unique_ptr<TUnicodeIniFile> ini;
    try {
        ini = TUnicodeIniFile::CreateForRead(iniName);
    } catch (const std::exception&) {
        return;
    }
    for (const THistorySection& s : kHistorySections) {
        if (!ini->SectionExists(QLatin1String(s.Section)))
            continue;
        QStringList& list = histories.*s.List;
        list.clear();
        for (int i = 0; i < s.Limit; ++i) {
            const QString value = ini->ReadString(QLatin1String(s.Section), Key(s, i), QString());
            if (!value.isEmpty())
                list.append(value);
        }
    }
}

void WriteMailHistories(const QString& iniName, const TMailHistories& histories)
{
    auto ini = TUnicodeIniFile::CreateForWrite(iniName, false);
    for (const THistorySection& s : kHistorySections) {
        ini->EraseSection(QLatin1String(s.Section));
        const QStringList& list = histories.*s.List;
        for (int i = 0; i < std::min<int>(s.Limit, int(list.size())); ++i)
            ini->WriteString(QLatin1String(s.Section), Key(s, i), list[i]);
    }
    ini->Close();
}

QStringList WithAddressOnTop(QStringList history, const QString& address)
{
    if (address.isEmpty())
        return history;
    history.removeIf([&address](const QString& entry) {
        return entry.compare(address, Qt::CaseInsensitive) == 0;
    });
    while (history.size() >= kMaxAddressHistory)
        history.removeLast();
    history.prepend(address);
    return history;
}
