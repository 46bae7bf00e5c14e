#pragma once

#include <functional>

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>

// A composed message with the envelope it goes out with.
struct TQueuedMessage {
    QString From;           // bare envelope sender
    QStringList Recipients; // bare envelope recipients
    QByteArray Message;     // the message as composed, header and body, lines ending in CRLF
};

// What the queue tells its user: a failure (`error`) or a plain note, one line each.
using TQueueNote = std::function<void(bool error, const QString& text)>;
// Hands one message to the server: empty when it was accepted, else the reason.
using TQueueSender = std::function<QString(const TQueuedMessage& message)>;

// Messages that could not be delivered, kept as one file each in a folder (mode 0700) until
// a later delivery gets through. A file holds the envelope ("X-Kv-Queue-From:" and
// "X-Kv-Queue-To:" lines) followed by the message as it was composed; its name begins with the
// time it was queued, so the names sort oldest first.
class TReportQueue {
public:
    static constexpr int kDefaultLimit = 50;

    TReportQueue(const QString& folder, TQueueNote note, int limit = kDefaultLimit);

    const QString& Folder() const { return FFolder; }
    // The queued files, oldest first (full paths).
    QStringList Files() const;
    // Stores a message (atomically, mode 0600) and drops the oldest beyond the limit, each with
    // a note. False (with a note) when it could not be stored.
    bool Add(const TQueuedMessage& message);
    // Sends the queued messages oldest first; a message is removed once the server accepted it.
    // Stops at the first one that is not accepted. A file that is not a valid queued message is
    // renamed aside (".invalid") and skipped. Gives the number sent.
    int Deliver(const TQueueSender& send);

private:
    QString NewFileName() const;
    void DropBeyondLimit();
    void MoveAside(const QString& file);

    QString FFolder;
    TQueueNote FNote;
    int FLimit;
};

// The file's text of a queued message.
QByteArray QueueFileText(const TQueuedMessage& message);
// Reads a queue file's text; false when it is not a valid queued message (no envelope sender,
// no recipient, an address that cannot stand in an SMTP path, or no message header with a date).
bool ParseQueueFile(const QByteArray& text, TQueuedMessage& message);
// The queue folder beside a run log: "KvStarter.log" -> "KvStarter.mailqueue".
QString QueueFolderFor(const QString& runLog);
