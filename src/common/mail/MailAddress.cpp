#include "common/mail/MailAddress.h"

namespace {

QString Unquote(QString text)
{
    text = text.trimmed();
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.mid(1, text.size() - 2);
        text.replace("\\\"", "\"").replace("\\\\", "\\");
    }
    return text;
}

} // namespace

TEmailAddress ParseAddress(const QString& text)
{
    const QString t = text.trimmed();
    // A whole entry in quotes comes from a comma-text list: its inner quotes are doubled.
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"') {
        const QString inner = t.mid(1, t.size() - 2);
        if (inner.contains('<'))
            return ParseAddress(QString(inner).replace("\"\"", "\""));
    }
    const qsizetype open = t.lastIndexOf('<');
    if (open < 0 || !t.endsWith('>'))
        return {QString(), t};
    return {Unquote(t.left(open)), t.mid(open + 1, t.size() - open - 2).trimmed()};
}

TAddressList ParseAddressList(const QString& text)
{
    TAddressList result;
    QString current;
    bool quoted = false;
    bool angled = false;
    auto flush = [&] {
        const TEmailAddress a = ParseAddress(current);
        if (!a.Address.isEmpty())
            result.append(a);
        current.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted && c == '\\' && i + 1 < text.size()) {
            current += c;
            current += text[++i];
            continue;
        }
        if (c == '"' && !angled)
            quoted = !quoted;
        else if (c == '<' && !quoted)
            angled = true;
        else if (c == '>' && !quoted)
            angled = false;
        else if ((c == ',' || c == ';') && !quoted && !angled) {
            flush();
            continue;
        }
        current += c;
    }
    flush();
    return result;
}

bool IsValidMailbox(const QString& address)
{
    const qsizetype at = address.lastIndexOf('@');
    if (at <= 0 || at == address.size() - 1 || address.size() > 254)
        return false;
    for (const QChar c : address)
        if (c.unicode() <= 32 || c.unicode() == 127 || c == '<' || c == '>')
            return false;
    return true;
}
