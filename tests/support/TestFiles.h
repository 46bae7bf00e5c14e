#pragma once

// Whole-file reads and writes for tests.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

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

// Copies a folder with everything in it; false on the first failure.
inline bool CopyTree(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    for (const QString& entry : QDir(from).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        const QString source = from + '/' + entry, target = to + '/' + entry;
        if (QFileInfo(source).isDir() ? !CopyTree(source, target) : !QFile::copy(source, target))
            return false;
    }
    return true;
}

// Copies the bundled demo schedule (demo/data) into the folder with its paths filled in.
inline bool CopyDemo(const QString& from, const QString& to)
{
    if (!CopyTree(from, to))
        return false;
    for (const QString& file : QStringList{to + "/KvPlaner.ini", to + "/tasks/Documents.buj"})
        if (!WriteFile(file, ReadFile(file).replace("@DEMO@", QFile::encodeName(to))))
            return false;
    return true;
}

} // namespace kvtest
