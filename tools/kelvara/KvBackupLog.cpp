#include "KvBackupLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "common/infra/Translate.h"

void TBackupLog::Add(const QString& line)
{
    FLines << line;
    if (FEcho) {
        std::fputs(line.toLocal8Bit().constData(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
}

void TBackupLog::Error(const QString& text)
{
    const QString line = QStringLiteral("  *** ") + text;
    FLines << line;
    std::fputs((line + u'\n').toLocal8Bit().constData(), stderr);
}

QString TBackupLog::AppendTo(const QString& fileName) const
{
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return Fmt(Tr("Cannot write the log \"%s\": %s"),
                   {fileName, QString::fromLocal8Bit(std::strerror(errno))});
    ::flock(fd, LOCK_EX);
    const QByteArray text = (FLines.join(u'\n') + QStringLiteral("\n\n")).toUtf8();
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, size_t(text.size() - done));
        if (n <= 0 && errno != EINTR)
            break;
        done += std::max<ssize_t>(n, 0);
    }
    const int err = errno;
    ::close(fd);
    if (done < text.size())
        return Fmt(Tr("Cannot write the log \"%s\": %s"),
                   {fileName, QString::fromLocal8Bit(std::strerror(err))});
    return QString();
}
