#include "CatalogueFixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

QString Quoted(const QString& text)
{
    QString out = text;
    out.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return u'"' + out + u'"';
}

} // namespace

bool TCatalogueFixture::Add(const QString& lang, const char* domain, const Entries& entries)
{
    const QString folder = FDir.filePath(lang + QStringLiteral("/LC_MESSAGES"));
    const QString po = FDir.filePath(lang + u'-' + QString::fromUtf8(domain) + ".po");
    if (!QDir().mkpath(folder))
        return false;
    QFile file(po);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QString text =
        QStringLiteral("msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n");
    for (const auto& [english, translated] : entries)
        text += "\nmsgid " + Quoted(english) + "\nmsgstr " + Quoted(translated) + u'\n';
    file.write(text.toUtf8());
    file.close();
    QProcess msgfmt;
    msgfmt.start(QStringLiteral("msgfmt"),
                 {"--check", "-o", folder + u'/' + QString::fromUtf8(domain) + ".mo", po});
    return msgfmt.waitForFinished() && msgfmt.exitStatus() == QProcess::NormalExit &&
           msgfmt.exitCode() == 0;
}
