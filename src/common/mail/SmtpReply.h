#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One reply of an SMTP server: its code and the text after the code on each of its lines.
struct TSmtpReply {
    int Code = 0;
    QList<QByteArray> Lines;

    // True when the code is of the same class (2xx, 3xx, ...) as the expected one.
    bool Is(int expected) const { return Code / 100 == expected / 100; }
    // Code and text of all lines, for messages.
    QString Text() const;
};

// Collects a reply from the lines the server sends ("250-..." continues, "250 ..." ends).
class TSmtpReplyReader {
public:
    // Takes the next line (without its line break); true when the reply is complete. Throws
    // ESmtpError for a line that is no reply line and for a reply of too many lines.
    bool Add(const QByteArray& line);
    const TSmtpReply& Reply() const { return FReply; }
    // The most lines a reply may have; a longer one is refused.
    static constexpr int kMaxLines = 200;

private:
    TSmtpReply FReply;
};

// What an EHLO reply announces: the extension keywords (upper case, the greeting line left out)
// and the SASL mechanisms of its AUTH lines.
struct TSmtpExtensions {
    QStringList Keywords;
    QStringList Mechanisms;
};
TSmtpExtensions ParseEhloReply(const TSmtpReply& reply);

// The decoded challenge of a 334 reply.
QByteArray SaslChallenge(const TSmtpReply& reply);

// The text without control characters, for messages.
QString SmtpPrintable(const QString& text);
