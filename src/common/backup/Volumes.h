#pragma once

#include <optional>
#include <vector>

#include <QString>

// Mounted file systems and volume labels. The defaults read the running system; tests point
// the table at their own files.
class TVolumeTable {
public:
    struct Mount {
        QString device;
        QString mountPoint;
    };

    explicit TVolumeTable(const QString& byLabelDir = QStringLiteral("/dev/disk/by-label"),
                          const QString& mountsFile = QStringLiteral("/proc/self/mounts"));

    // Mount point of the volume with that label (compared without regard to case).
    std::optional<QString> MountPointOfLabel(const QString& label) const;
    // Mount point of the file system that holds the path ("/" when no other does).
    QString MountPointOf(const QString& path) const;
    // Label of the volume mounted at the mount point: empty for a local volume without label,
    // nullopt when it is no local volume.
    std::optional<QString> LabelOfMountPoint(const QString& mountPoint) const;
    bool MountsKnown() const { return !FMounts.empty(); }

private:
    struct Label {
        QString label;
        QString device; // canonical device path
    };
    std::vector<Label> FLabels;
    std::vector<Mount> FMounts;
};

// A destination written ":label:path" names a volume by its label.
bool IsVolumeLabelDestination(const QString& destination);
// The label part of such a destination.
QString VolumeLabelOf(const QString& destination);
// Replaces the label by the volume's mount point; the destination unchanged when it names no
// label; nullopt when no mounted volume has the label.
std::optional<QString> ResolveVolumeLabel(const QString& destination, const TVolumeTable& table);
