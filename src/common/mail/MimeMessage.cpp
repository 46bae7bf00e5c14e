#include "common/mail/MimeMessage.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QRandomGenerator>
#include <QRegularExpression>

#include "common/infra/Translate.h"
#include "common/mail/SmtpError.h"

namespace {

constexpr qsizetype kFoldAt = 76;
constexpr qsizetype kMaxWordBytes = 39; // a 64-character encoded word fits behind a header name
constexpr qsizetype kMaxLine = 998;

using THeader = QPair<QByteArray, QByteArray>;

// One MIME entity: its own headers and either a body or child entities.
struct TPart {
    QList<THeader> Headers;
    QByteArray Body;
    QList<TPart> Children;
};

bool IsAscii(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > 126)
            return false;
    return true;
}

// Header values never carry line breaks of their own (they would start new headers).
QString OneLine(const QString& text)
{
    QString result = text;
    for (QChar& c : result)
        if (c.unicode() < 32)
            c = ' ';
    return result;
}

QByteArray FoldAtBlanks(const QByteArray& text, qsizetype used)
{
    QByteArray result;
    qsizetype lineLength = used;
    const QList<QByteArray> words = text.split(' ');
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i > 0) {
            const bool fold = lineLength + 1 + words[i].size() > kFoldAt && lineLength > 1;
            result += fold ? "\r\n " : " ";
            lineLength = fold ? 1 : lineLength + 1;
        }
        result += words[i];
        lineLength += words[i].size();
    }
    return result;
}

QList<QByteArray> EncodedWords(const QString& text)
{
    QList<QByteArray> words;
    QByteArray chunk;
    for (const uint codePoint : text.toUcs4()) {
        const QByteArray bytes =
            QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoint), 1).toUtf8();
        if (chunk.size() + bytes.size() > kMaxWordBytes) {
            words.append("=?UTF-8?B?" + chunk.toBase64() + "?=");
            chunk.clear();
        }
        chunk += bytes;
    }
    if (!chunk.isEmpty())
        words.append("=?UTF-8?B?" + chunk.toBase64() + "?=");
    return words;
}

bool IsAtomText(const QString& text)
{
    static const QRegularExpression atoms("^[A-Za-z0-9!#$%&'*+/=?^_`{|}~ -]*$");
    return atoms.match(text).hasMatch();
}

QByteArray Mailbox(const TEmailAddress& address)
{
    const QByteArray box = '<' + OneLine(address.Address).trimmed().toUtf8() + '>';
    const QString name = OneLine(address.Name).trimmed();
    if (name.isEmpty())
        return box.mid(1, box.size() - 2);
    if (!IsAscii(name))
        return EncodedWords(name).join(' ') + ' ' + box;
    if (IsAtomText(name))
        return name.toLatin1() + ' ' + box;
    QString quoted = name;
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + quoted.toLatin1() + "\" " + box;
}

THeader AddressHeader(const QByteArray& name, const TAddressList& list)
{
    QByteArray value;
    qsizetype lineLength = name.size() + 2;
    for (const TEmailAddress& address : list) {
        const QByteArray box = Mailbox(address);
        if (!value.isEmpty()) {
            value += ',';
            const bool fold = lineLength + box.size() + 2 > kFoldAt;
            value += fold ? "\r\n " : " ";
            lineLength = fold ? 1 : lineLength + 2;
        }
        value += box;
        lineLength += box.size();
    }
    return {name, value};
}

THeader TextHeader(const QByteArray& name, const QString& text)
{
    return {name, FoldAtBlanks(EncodeHeaderText(OneLine(text)), name.size() + 2)};
}

QStringList SplitLines(const QStringList& lines)
{
    static const QRegularExpression breaks("\r\n|\r|\n");
    QStringList result;
    for (const QString& line : lines)
        result += line.split(breaks);
    return result;
}

QByteArray TextBody(const QStringList& lines, bool utf8)
{
    QByteArray body;
    for (const QString& line : SplitLines(lines))
        body += (utf8 ? line.toUtf8() : line.toLatin1()) + "\r\n";
    return body;
}

TPart TextPart(const char* type, const QStringList& lines, bool utf8)
{
    const QByteArray charset = utf8 ? "utf-8" : "iso-8859-1";
    return {{{"Content-Type", QByteArray(type) + "; charset=" + charset},
             {"Content-Transfer-Encoding", "8bit"}},
            TextBody(lines, utf8),
            {}};
}

TPart Multipart(const QByteArray& subtype, QList<TPart> children)
{
    return {{{"Content-Type", "multipart/" + subtype}}, {}, std::move(children)};
}

TPart BodyPart(const TMailContent& content)
{
    switch (content.ContentType) {
    case ctUtf8:
        return TextPart("text/plain", content.Body, true);
    case ctHtml:
        if (content.Body.isEmpty())
            return TextPart("text/html", content.HtmlBody, false);
        return Multipart("alternative", {TextPart("text/plain", content.Body, false),
                                         TextPart("text/html", content.HtmlBody, false)});
    case ctAscii:
        break;
    }
    return TextPart("text/plain", content.Body, false);
}

QByteArray Base64Lines(const QByteArray& data)
{
    const QByteArray encoded = data.toBase64();
    QByteArray result;
    for (qsizetype i = 0; i < encoded.size(); i += kFoldAt)
        result += encoded.mid(i, kFoldAt) + "\r\n";
    return result;
}

// Text in canonical form (CRLF line ends), or nothing when it cannot travel as 8bit.
std::optional<QByteArray> EightBitText(const QByteArray& data)
{
    if (data.contains('\0'))
        return std::nullopt;
    QByteArray result;
    for (QByteArray line : data.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() > kMaxLine || line.contains('\r'))
            return std::nullopt;
        result += line + "\r\n";
    }
    result.chop(2); // the last piece had no line end of its own
    return result;
}

QByteArray FileNameParameter(const QByteArray& parameter, const QString& name)
{
    if (IsAscii(name)) {
        QString quoted = name;
        quoted.replace('\\', "\\\\").replace('"', "\\\"");
        return parameter + "=\"" + quoted.toLatin1() + '"';
    }
    if (parameter == "name")
        return parameter + "=\"" + EncodedWords(name).join(' ') + '"';
    return parameter + "*=UTF-8''" + name.toUtf8().toPercentEncoding();
}

TPart AttachmentPart(const QString& entry)
{
    QString path;
    const QString type = OneLine(AttachmentContentType(entry, &path)).remove(' ');
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ESmtpError(Fmt(Tr("Cannot read the attachment %s: %s"), {path, file.errorString()}));
    const QByteArray data = file.readAll();
    const QString name = OneLine(QFileInfo(path).fileName());
    TPart part;
    part.Headers.append(
        THeader("Content-Type", type.toLatin1() + "; " + FileNameParameter("name", name)));
    const auto text =
        type.startsWith("text/plain", Qt::CaseInsensitive) ? EightBitText(data) : std::nullopt;
    part.Headers.append(THeader("Content-Transfer-Encoding", text ? "8bit" : "base64"));
    part.Headers.append(
        {"Content-Disposition", "attachment; " + FileNameParameter("filename", name)});
    part.Body = text ? *text : Base64Lines(data);
    return part;
}

QByteArray NewBoundary()
{
    auto* random = QRandomGenerator::system();
    return "=_kv_" + QByteArray::number(random->generate64(), 36) +
           QByteArray::number(random->generate64(), 36);
}

QByteArray Serialize(const QList<THeader>& headers)
{
    QByteArray result;
    for (const auto& [name, value] : headers)
        result += name + ": " + value + "\r\n";
    return result;
}

QByteArray SerializePart(TPart part)
{
    if (part.Children.isEmpty())
        return Serialize(part.Headers) + "\r\n" + part.Body;
    const QByteArray boundary = NewBoundary();
    for (auto& [name, value] : part.Headers)
        if (name == "Content-Type")
            value += "; boundary=\"" + boundary + '"';
    QByteArray result = Serialize(part.Headers) + "\r\n";
    for (const TPart& child : part.Children)
        result += "--" + boundary + "\r\n" + SerializePart(child) + "\r\n";
    return result + "--" + boundary + "--\r\n";
}

QList<THeader> PriorityHeaders(TMessagePriority priority)
{
    static const char* const texts[] = {"1 (Highest)", "2 (High)", "", "4 (Low)", "5 (Lowest)"};
    if (priority == mpNormal || priority < mpHighest || priority > mpLowest)
        return {};
    return {{"X-Priority", texts[priority]}, {"Importance", priority < mpNormal ? "high" : "low"}};
}

} // namespace

QByteArray EncodeHeaderText(const QString& text)
{
    if (IsAscii(text))
        return text.toLatin1();
    return EncodedWords(text).join(' ');
}

QString AttachmentContentType(const QString& entry, QString* path)
{
    const qsizetype bar = entry.indexOf('|');
    *path = bar < 0 ? entry : entry.left(bar);
    const QString type = bar < 0 ? QString() : entry.mid(bar + 1).trimmed();
    if (type.isEmpty())
        return QMimeDatabase().mimeTypeForFile(*path, QMimeDatabase::MatchExtension).name();
    return type.contains('/') ? type : "application/" + type;
}

QByteArray MailDate(const QDateTime& time)
{
    const int offset = time.offsetFromUtc() / 60;
    const int hours = std::abs(offset) / 60;
    const int minutes = std::abs(offset) % 60;
    return QLocale::c().toString(time, "ddd, d MMM yyyy hh:mm:ss").toLatin1() +
           (offset < 0 ? " -" : " +") + QByteArray::number(hours).rightJustified(2, '0') +
           QByteArray::number(minutes).rightJustified(2, '0');
}

QByteArray ComposeMessage(const TMailContent& content)
{
    QList<THeader> headers{AddressHeader("From", {content.From})};
    if (!content.To.isEmpty())
        headers.append(AddressHeader("To", content.To));
    if (!content.Cc.isEmpty())
        headers.append(AddressHeader("Cc", content.Cc));
    headers.append(TextHeader("Subject", content.Subject));
    headers.append(THeader("Date", MailDate(content.Date)));
    headers.append({"Message-ID", content.MessageId.toLatin1()});
    headers.append(THeader("MIME-Version", "1.0"));
    headers += PriorityHeaders(content.Priority);
    for (const auto& [name, value] : content.ExtraHeaders)
        if (const QByteArray id = OneLine(name).remove(' ').remove(':').toLatin1(); !id.isEmpty())
            headers.append(TextHeader(id, value));

    TPart top = BodyPart(content);
    if (!content.Attachments.isEmpty()) {
        QList<TPart> parts{top};
        for (const QString& entry : content.Attachments)
            parts.append(AttachmentPart(entry));
        top = Multipart("mixed", parts);
    }
    top.Headers = headers + top.Headers;
    return SerializePart(top);
}
