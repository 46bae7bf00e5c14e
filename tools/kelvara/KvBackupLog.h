#pragma once

#include <QString>
#include <QStringList>

// The lines of one run, written to the log file in one piece at its end so that parallel
// instances sharing a log never mix their lines.
class TBackupLog {
public:
    explicit TBackupLog(bool echo) : FEcho(echo) {}

    // Adds a line; with echo it also goes to standard output.
    void Add(const QString& line);
    // Adds an error line: "  *** " + text; also to standard error.
    void Error(const QString& text);
    const QStringList& Lines() const { return FLines; }
    // Appends the lines to the file (folders created as needed); an error text, empty on success.
    QString AppendTo(const QString& fileName) const;

private:
    bool FEcho;
    QStringList FLines;
};
