#pragma once

// Whole-file reads and writes for tests.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace kvtest {

// The file's bytes; empty when it cannot be read.
inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Replaces the file's content; false when it cannot be written.
inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace kvtest
