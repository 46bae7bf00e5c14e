// The settings file reader: any bytes (every encoding by its byte-order mark or its bytes, every
// line-end form) load without a crash, and the file the writer makes of them reads back to the
// same sections, keys and values.

#include <map>

#include "FuzzSupport.h"
#include "common/infra/IniFileUtils.h"

namespace {

// Sections in order; per section the keys (folded) with the value the reader gives.
using TKeys = std::map<QString, QString>;
using TSnapshot = std::vector<std::pair<QString, TKeys>>;

TSnapshot Snapshot(const TMemIniFile& ini)
{
    TSnapshot snapshot;
    QStringList sections;
    ini.ReadSections(sections);
    for (const QString& section : sections) {
        QStringList keys;
        ini.ReadSection(section, keys);
        TKeys values;
        for (const QString& key : keys)
            values[key.toCaseFolded()] = ini.ReadString(section, key, QStringLiteral("\x01"));
        snapshot.emplace_back(section.toCaseFolded(), values);
    }
    return snapshot;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString file = ScratchFile(QStringLiteral("fuzz.ini"));
    WriteScratchFile(file, FuzzBytes(data, size));

    TSnapshot read;
    {
        // The settings file of the programs: read (the writer adds its [Unicode] section
        // there), then written back as UTF-16LE.
        auto ini = TUnicodeIniFile::CreateForWrite(file, false);
        read = Snapshot(*ini);
        ini->Close();
    }
    const auto again = TUnicodeIniFile::CreateForRead(file);
    FUZZ_CHECK(Snapshot(*again) == read);

    // Other programs' files in their own encoding: the plain document writes what it read.
    WriteScratchFile(file, FuzzBytes(data, size));
    TMemIniFile plain(file);
    const TSnapshot first = Snapshot(plain);
    plain.UpdateFile();
    const TMemIniFile second(file);
    // A file without a mark is told by its bytes: ANSI text that has lost the lines which were
    // no UTF-8 may read as UTF-8 next time. Every marked encoding stays as it was.
    if (plain.Encoding() != TIniEncoding::Ansi || second.Encoding() == TIniEncoding::Ansi) {
        FUZZ_CHECK(second.Encoding() == plain.Encoding());
        FUZZ_CHECK(Snapshot(second) == first);
    }
    return 0;
}
