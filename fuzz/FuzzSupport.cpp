#include "FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// Written files are synced to disk: in memory (/dev/shm) that costs nothing.
QString ScratchTemplate()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString base = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    return base + QStringLiteral("/kv-fuzz-XXXXXX");
}

} // namespace

QString ScratchFile(const QString& name)
{
    static QTemporaryDir folder(ScratchTemplate());
    if (!folder.isValid()) {
        std::fprintf(stderr, "no scratch folder: %s\n", qPrintable(folder.errorString()));
        std::abort();
    }
    return folder.filePath(name);
}

void WriteScratchFile(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(fileName));
        std::abort();
    }
}

std::vector<std::string> SplitInput(const QByteArray& input, char separator)
{
    std::vector<std::string> pieces;
    for (const QByteArray& piece : input.split(separator))
        pieces.emplace_back(piece.constData(), size_t(piece.size()));
    return pieces;
}

QStringList SplitInputText(const QByteArray& input, char separator)
{
    QStringList pieces;
    for (const QByteArray& piece : input.split(separator))
        pieces.append(QString::fromUtf8(piece));
    return pieces;
}

uint8_t TakeSelector(QByteArray& input)
{
    if (input.isEmpty())
        return 0;
    const auto selector = static_cast<uint8_t>(input[0]);
    input.remove(0, 1);
    return selector;
}
