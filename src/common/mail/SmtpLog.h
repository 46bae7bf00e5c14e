#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The mail protocol log: every line exchanged with the server, each with a time stamp.
class TSmtpLog {
public:
    const QString& FileName() const { return fFileName; }
    // Takes effect the next time the log is switched on.
    void SetFileName(const QString& fileName) { fFileName = fileName; }
    bool Active() const { return fFile.isOpen(); }
    // On: opens the file for appending and writes an empty line and a separator; off: closes it.
    // A file that cannot be opened leaves the log off.
    void SetActive(bool on);

    void Status(const QString& text) { Write("Stat", text); }
    void Error(const QString& text) { Write("Error", text); }
    void Sent(const QByteArray& line) { Write("Sent", QString::fromUtf8(line)); }
    void Received(const QByteArray& line) { Write("Recv", QString::fromUtf8(line)); }

private:
    void Write(const char* kind, const QString& text);

    QString fFileName;
    QFile fFile;
};
