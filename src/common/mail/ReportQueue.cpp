#include "common/mail/ReportQueue.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "common/infra/Translate.h"
#include "common/mail/MailAddress.h"

namespace {

const QByteArray kFromField = "X-Kv-Queue-From: ";
const QByteArray kToField = "X-Kv-Queue-To: ";
const QString kSuffix = QStringLiteral(".eml");
const QString kAsideSuffix = QStringLiteral(".invalid");
// A report is a run log; anything far larger is not one of ours and is not read into memory.
constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

bool HasDateHeader(const QByteArray& message)
{
    const qsizetype end = message.indexOf("\r\n\r\n");
    if (end <= 0)
        return false;
    for (const QByteArray& line : message.left(end).split('\n'))
        if (line.toLower().startsWith("date:"))
            return true;
    return false;
}

QString FileNameOnly(const QString& path)
{
    return QFileInfo(path).fileName();
}

} // namespace

QByteArray QueueFileText(const TQueuedMessage& message)
{
    QByteArray text = kFromField + message.From.toUtf8() + "\r\n";
    for (const QString& recipient : message.Recipients)
        text += kToField + recipient.toUtf8() + "\r\n";
    return text + message.Message;
}

bool ParseQueueFile(const QByteArray& text, TQueuedMessage& message)
{
    message = {};
    qsizetype pos = 0;
    bool haveFrom = false;
    for (;;) {
        const qsizetype end = text.indexOf("\r\n", pos);
        if (end < 0)
            return false;
        const QByteArray line = text.mid(pos, end - pos);
        if (line.startsWith(kFromField)) {
            message.From = QString::fromUtf8(line.mid(kFromField.size()));
            haveFrom = true;
        } else if (line.startsWith(kToField)) {
            message.Recipients.append(QString::fromUtf8(line.mid(kToField.size())));
        } else {
            break;
        }
        pos = end + 2;
    }
    message.Message = text.mid(pos);
    if (!haveFrom || !IsValidMailbox(message.From) || message.Recipients.isEmpty())
        return false;
    for (const QString& recipient : message.Recipients)
        if (!IsValidMailbox(recipient))
            return false;
    return HasDateHeader(message.Message);
}

QString QueueFolderFor(const QString& runLog)
{
    const QFileInfo log(runLog);
    return log.absoluteDir().filePath(log.completeBaseName() + QStringLiteral(".mailqueue"));
}

TReportQueue::TReportQueue(const QString& folder, TQueueNote note, int limit)
    : FFolder(folder), FNote(std::move(note)), FLimit(limit)
{}

QStringList TReportQueue::Files() const
{
    const QDir dir(FFolder);
    QStringList files;
    for (const QString& name :
         dir.entryList({QStringLiteral("*") + kSuffix}, QDir::Files | QDir::Hidden, QDir::Name))
        files.append(dir.filePath(name));
    return files;
}

QString TReportQueue::NewFileName() const
{
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    const QDir dir(FFolder);
    for (int n = 0;; ++n) {
        const QString name =
            dir.filePath(stamp + u'-' + QString::number(n).rightJustified(2, u'0') + kSuffix);
        if (!QFileInfo::exists(name))
            return name;
    }
}

bool TReportQueue::Add(const TQueuedMessage& message)
{
    const QString reason = [&]() -> QString {
        const QByteArray text = QueueFileText(message);
        TQueuedMessage check;
        if (!ParseQueueFile(text, check))
            return Tr("It has no valid sender or recipient address.");
        if (!QDir().mkpath(FFolder))
            return Tr("The folder cannot be created.");
        QFile::setPermissions(FFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QSaveFile file(NewFileName());
        if (!file.open(QIODevice::WriteOnly) ||
            !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) ||
            file.write(text) != text.size() || !file.commit())
            return file.errorString();
        return {};
    }();
    if (!reason.isEmpty()) {
        FNote(true,
              Fmt(Tr("The error report could not be queued in \"%s\": %s"), {FFolder, reason}));
        return false;
    }
    FNote(false, Fmt(Tr("The error report was queued in \"%s\" and will be sent with the next "
                        "report."),
                     {FFolder}));
    DropBeyondLimit();
    return true;
}

void TReportQueue::DropBeyondLimit()
{
    QStringList files = Files();
    while (files.size() > FLimit) {
        const QString oldest = files.takeFirst();
        if (QFile::remove(oldest))
            FNote(true, Fmt(Tr("The mail queue holds more than %d reports: the oldest, \"%s\", "
                               "was deleted unsent."),
                            {QString::number(FLimit), FileNameOnly(oldest)}));
    }
}

void TReportQueue::MoveAside(const QString& file)
{
    const bool moved = QFile::rename(file, file + kAsideSuffix);
    FNote(true, Fmt(moved ? Tr("\"%s\" in the mail queue is not a valid message: renamed to "
                               "\"%s\", not sent.")
                          : Tr("\"%s\" in the mail queue is not a valid message and cannot be "
                               "renamed to \"%s\"."),
                    {FileNameOnly(file), FileNameOnly(file + kAsideSuffix)}));
}

int TReportQueue::Deliver(const TQueueSender& send)
{
    int sent = 0;
    for (const QString& file : Files()) {
        QFile in(file);
        TQueuedMessage message;
        const bool readable = in.size() <= kMaxFileSize && in.open(QIODevice::ReadOnly);
        if (!readable || !ParseQueueFile(in.readAll(), message)) {
            MoveAside(file);
            continue;
        }
        in.close();
        const QString failure = send(message);
        if (!failure.isEmpty()) {
            FNote(true, Fmt(Tr("The queued error report \"%s\" could not be sent: %s"),
                            {FileNameOnly(file), failure}));
            return sent;
        }
        ++sent;
        if (!QFile::remove(file))
            FNote(true, Fmt(Tr("The queued error report \"%s\" was sent but cannot be deleted."),
                            {FileNameOnly(file)}));
        else
            FNote(false, Fmt(Tr("The queued error report \"%s\" was sent."), {FileNameOnly(file)}));
    }
    return sent;
}
