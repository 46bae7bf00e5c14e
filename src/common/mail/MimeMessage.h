#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "common/mail/MailAddress.h"
#include "common/mail/MailTypes.h"

// Everything a composed message is made of.
struct TMailContent {
    TContentType ContentType = ctAscii;
    TEmailAddress From;
    TAddressList To;
    TAddressList Cc;
    QString Subject;
    QStringList Body;
    QStringList HtmlBody;
    QStringList Attachments; // "path" or "path|type"
    QList<QPair<QString, QString>> ExtraHeaders;
    TMessagePriority Priority = mpNormal;
    QDateTime Date;
    QString MessageId; // with angle brackets
};

// The whole message (RFC 5322 with MIME), every line ending in CRLF.
// Throws ESmtpError when an attachment cannot be read.
QByteArray ComposeMessage(const TMailContent& content);
// Header text as it goes on the wire: ASCII unchanged, anything else as RFC 2047 encoded words.
QByteArray EncodeHeaderText(const QString& text);
// The content type of an attachment entry, and its file path in `path`.
QString AttachmentContentType(const QString& entry, QString* path);
// Date in the form of RFC 5322 ("Tue, 3 Mar 2026 14:05:09 +0100").
QByteArray MailDate(const QDateTime& time);
