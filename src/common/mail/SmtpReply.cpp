#include "common/mail/SmtpReply.h"

#include <algorithm>

#include <QRegularExpression>

#include "common/infra/Translate.h"
#include "common/mail/SmtpError.h"

namespace {

constexpr qsizetype kCodeLength = 3;
constexpr qsizetype kShownLength = 200;

} // namespace

QString TSmtpReply::Text() const
{
    return QString::number(Code) + ' ' + QString::fromUtf8(Lines.join(' ')).trimmed();
}

bool TSmtpReplyReader::Add(const QByteArray& line)
{
    const bool numeric =
        line.size() >= kCodeLength && std::all_of(line.begin(), line.begin() + kCodeLength,
                                                  [](char c) { return c >= '0' && c <= '9'; });
    const int code = numeric ? line.left(kCodeLength).toInt() : 0;
    const char separator = line.size() > kCodeLength ? line[kCodeLength] : ' ';
    if (!numeric || (!FReply.Lines.isEmpty() && code != FReply.Code) ||
        (separator != ' ' && separator != '-'))
        throw ESmtpError(Fmt(Tr("The server sent an invalid reply: %s"),
                             {SmtpPrintable(QString::fromUtf8(line.left(kShownLength)))}));
    FReply.Code = code;
    FReply.Lines.append(line.mid(kCodeLength + 1));
    if (separator == ' ')
        return true;
    if (FReply.Lines.size() >= kMaxLines)
        throw ESmtpError(Tr("The server's reply is too long."));
    return false;
}

TSmtpExtensions ParseEhloReply(const TSmtpReply& reply)
{
    static const QRegularExpression separators(QStringLiteral("[ =]"));
    TSmtpExtensions extensions;
    for (qsizetype i = 1; i < reply.Lines.size(); ++i) {
        const QString line = QString::fromUtf8(reply.Lines[i]).toUpper();
        const QStringList words = line.split(separators, Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        extensions.Keywords.append(words.front());
        if (words.front() == u"AUTH")
            extensions.Mechanisms += words.mid(1);
    }
    return extensions;
}

QByteArray SaslChallenge(const TSmtpReply& reply)
{
    return QByteArray::fromBase64(reply.Lines.value(0).trimmed());
}

QString SmtpPrintable(const QString& text)
{
    QString result;
    for (const QChar c : text)
        if (c.unicode() >= 32)
            result += c;
    return result;
}
