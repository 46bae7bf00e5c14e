#include "common/backup/Volumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Decodes escapes of the form "\" + marker + digits: "\040" (octal, /proc/mounts) and
// "\x20" (hexadecimal, udev's label links).
QString Unescape(const QByteArray& bytes, const QByteArray& marker, int digits, int base)
{
    QByteArray out;
    const qsizetype width = 1 + marker.size() + digits;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\\' && i + width <= bytes.size() && bytes.mid(i + 1).startsWith(marker)) {
            bool ok = false;
            const int v = bytes.mid(i + 1 + marker.size(), digits).toInt(&ok, base);
            if (ok) {
                out.append(char(v));
                i += width - 1;
                continue;
            }
        }
        out.append(bytes[i]);
    }
    return QString::fromUtf8(out);
}

QString UnescapeOctal(const QByteArray& field)
{
    return Unescape(field, QByteArray(), 3, 8);
}

QString UnescapeHex(const QString& name)
{
    return Unescape(name.toUtf8(), "x", 2, 16);
}

QString Canonical(const QString& path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? path : c;
}

bool IsBelow(const QString& path, const QString& mountPoint)
{
    if (mountPoint == u'/')
        return path.startsWith(u'/');
    return path == mountPoint || path.startsWith(mountPoint + u'/');
}

} // namespace

TVolumeTable::TVolumeTable(const QString& byLabelDir, const QString& mountsFile)
{
    const QDir labels(byLabelDir);
    for (const QFileInfo& link : labels.entryInfoList(QDir::Files | QDir::System)) {
        FLabels.push_back({UnescapeHex(link.fileName()), Canonical(link.absoluteFilePath())});
    }
    QFile mounts(mountsFile);
    if (!mounts.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray& line : mounts.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2)
            continue;
        const QString device = UnescapeOctal(fields[0]);
        FMounts.push_back(
            {device.startsWith(u'/') ? Canonical(device) : device, UnescapeOctal(fields[1])});
    }
}

std::optional<QString> TVolumeTable::MountPointOfLabel(const QString& label) const
{
    for (const Label& l : FLabels) {
        if (l.label.compare(label, Qt::CaseInsensitive) != 0)
            continue;
        for (const Mount& m : FMounts)
            if (m.device == l.device)
                return m.mountPoint;
    }
    return std::nullopt;
}

QString TVolumeTable::MountPointOf(const QString& path) const
{
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    QString best = QStringLiteral("/");
    for (const Mount& m : FMounts)
        if (IsBelow(absolute, m.mountPoint) && m.mountPoint.size() > best.size())
            best = m.mountPoint;
    return best;
}

std::optional<QString> TVolumeTable::LabelOfMountPoint(const QString& mountPoint) const
{
    // The last mount at a place hides the earlier ones.
    for (auto m = FMounts.rbegin(); m != FMounts.rend(); ++m) {
        if (m->mountPoint != mountPoint)
            continue;
        // Network shares name a host ("server:/export", "//server/share").
        if (!m->device.startsWith(u'/') || m->device.startsWith(QLatin1String("//")))
            return std::nullopt;
        for (const Label& l : FLabels)
            if (l.device == m->device)
                return l.label;
        return QString();
    }
    return std::nullopt;
}

bool IsVolumeLabelDestination(const QString& destination)
{
    return destination.startsWith(u':');
}

QString VolumeLabelOf(const QString& destination)
{
    if (!IsVolumeLabelDestination(destination))
        return QString();
    const qsizetype end = destination.indexOf(u':', 1);
    return end < 0 ? destination.mid(1) : destination.mid(1, end - 1);
}

std::optional<QString> ResolveVolumeLabel(const QString& destination, const TVolumeTable& table)
{
    if (!IsVolumeLabelDestination(destination))
        return destination;
    const auto mountPoint = table.MountPointOfLabel(VolumeLabelOf(destination));
    if (!mountPoint)
        return std::nullopt;
    const qsizetype end = destination.indexOf(u':', 1);
    QString rest = end < 0 ? QString() : destination.mid(end + 1);
    rest.replace(u'\\', u'/');
    if (!rest.isEmpty() && !rest.startsWith(u'/'))
        rest.prepend(u'/');
    return (*mountPoint == u'/' ? QString() : *mountPoint) + (rest.isEmpty() ? "/" : rest);
}
