#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "common/infra/IniFileUtils.h"

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray Utf16LE(const QString& text)
{
    QByteArray out("\xFF\xFE");
    for (QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

QByteArray Utf16BE(const QString& text)
{
    QByteArray out("\xFE\xFF");
    for (QChar c : text) {
        out.append(char(c.unicode() >> 8));
        out.append(char(c.unicode() & 0xFF));
    }
    return out;
}

} // namespace

class tst_IniFileUtils : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString Path(const QString& name) const { return dir.filePath(name); }

private slots:
    void numbers_data();
    void numbers();
    void readBool_data();
    void readBool();
    void loadRules_data();
    void loadRules();
    void writeFormatAndRoundTrip();
    void createForWriteClearEntries();
    void createForWriteKeepsExisting();
    void readOnlyObjectNeverWrites();
    void duplicateSectionsAndCase();
    void eraseAndDelete();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void newFileIsPrivateAndModeIsKept();
    void destructorWritesAlways();
    void readIniBoolNeverThrows();
    void nonRegularFileReadsEmpty();
};

void tst_IniFileUtils::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("int64");
    QTest::addColumn<int>("int32");
    // -7 marks "default used".
    QTest::newRow("decimal") << "42" << qint64(42) << 42;
    QTest::newRow("negative") << "-17" << qint64(-17) << -17;
    QTest::newRow("plus") << "+5" << qint64(5) << 5;
    QTest::newRow("hex 0x") << "0x1F" << qint64(31) << 31;
    QTest::newRow("hex 0X") << "0X1f" << qint64(31) << 31;
    QTest::newRow("0x alone") << "0x" << qint64(-7) << -7;
    QTest::newRow("dollar") << "$FF" << qint64(255) << 255;
    QTest::newRow("negative dollar") << "-$10" << qint64(-16) << -16;
    QTest::newRow("hex wraps at width") << "0xFFFFFFFF" << qint64(0xFFFFFFFF) << -1;
    QTest::newRow("beyond 32 bits") << "4294967296" << qint64(4294967296) << -7;
    QTest::newRow("int32 max") << "2147483647" << qint64(2147483647) << 2147483647;
    QTest::newRow("beyond 64 bits") << "99999999999999999999" << qint64(-7) << -7;
    QTest::newRow("word") << "true" << qint64(-7) << -7;
    QTest::newRow("empty") << "" << qint64(-7) << -7;
    QTest::newRow("trailing junk") << "12ab" << qint64(-7) << -7;
    QTest::newRow("bad hex") << "0x1G" << qint64(-7) << -7;
    QTest::newRow("sign only") << "-" << qint64(-7) << -7;
}

void tst_IniFileUtils::numbers()
{
    QFETCH(QString, text);
    QFETCH(qint64, int64);
    QFETCH(int, int32);
    TMemIniFile ini(QString{});
    ini.WriteString("S", "K", text);
    QCOMPARE(ini.ReadInt64("S", "K", -7), int64);
    QCOMPARE(ini.ReadInteger("S", "K", -7), int32);
}

void tst_IniFileUtils::readBool_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("def");
    QTest::addColumn<bool>("expected");
    QTest::newRow("1") << "1" << false << true;
    QTest::newRow("0") << "0" << true << false;
    QTest::newRow("2 is true") << "2" << false << true;
    QTest::newRow("yes gives default true") << "yes" << true << true;
    QTest::newRow("yes gives default false") << "yes" << false << false;
    QTest::newRow("true is no number") << "true" << false << false;
}

void tst_IniFileUtils::readBool()
{
    QFETCH(QString, text);
    QFETCH(bool, def);
    QFETCH(bool, expected);
    TMemIniFile ini(QString{});
    ini.WriteString("S", "B", text);
    QCOMPARE(ini.ReadBool("S", "B", def), expected);
    QCOMPARE(ini.ReadBool("S", "missing", def), def);
}

void tst_IniFileUtils::loadRules_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("sections");
    QTest::addColumn<QStringList>("firstSectionLines");

    const QStringList cfg{"Count=3", "Name=a b"};
    QTest::newRow("utf-8 bom, crlf")
        << QByteArray("\xEF\xBB\xBF[Cfg]\r\nCount=3\r\nName=a b\r\n") << QStringList{"Cfg"} << cfg;
    QTest::newRow("utf-16le bom") << Utf16LE("[Cfg]\r\nCount=3\r\nName=a b\r\n")
                                  << QStringList{"Cfg"} << cfg;
    QTest::newRow("utf-16be bom") << Utf16BE("[Cfg]\nCount=3") << QStringList{"Cfg"}
                                  << QStringList{"Count=3"};
    QTest::newRow("blanks around name and value, tabs, lone CR")
        << QByteArray("[ Cfg ]\r  Count =  3 \n\tName\t= a b\t\n") << QStringList{"Cfg"} << cfg;
    QTest::newRow("comments, empty lines, lines above first header dropped")
        << QByteArray("Lost=1\n;comment\n\n[Cfg]\n; c\nCount=3\n\nName=a b\n") << QStringList{"Cfg"}
        << cfg;
    QTest::newRow("line without = kept as text")
        << QByteArray("[Cfg]\nplain line\nCount=3\n") << QStringList{"Cfg"}
        << QStringList{"plain line", "Count=3"};
    QTest::newRow("value keeps later =")
        << QByteArray("[Cfg]\nCmd=a=b\n") << QStringList{"Cfg"} << QStringList{"Cmd=a=b"};
    QTest::newRow("utf-8 without bom") << QByteArray("[Cfg]\nName=Gr\xC3\xBC\xC3\x9F"
                                                     "e\n")
                                       << QStringList{"Cfg"} << QStringList{"Name=Grüße"};
    QTest::newRow("ansi without bom") << QByteArray("[Cfg]\nName=Gr\xFC\xDF"
                                                    "e \x80\n")
                                      << QStringList{"Cfg"} << QStringList{"Name=Grüße €"};
    QTest::newRow("header needs both brackets")
        << QByteArray("[Cfg]\n[Broken\nA=1\n") << QStringList{"Cfg"}
        << QStringList{"[Broken", "A=1"};
}

void tst_IniFileUtils::loadRules()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, sections);
    QFETCH(QStringList, firstSectionLines);
    const QString path = Path("load.ini");
    WriteBytes(path, bytes);
    TMemIniFile ini(path);
    QStringList got;
    ini.ReadSections(got);
    QCOMPARE(got, sections);
    ini.ReadSectionValues(sections.first(), got);
    QCOMPARE(got, firstSectionLines);
}

void tst_IniFileUtils::writeFormatAndRoundTrip()
{
    const QString path = Path("round.ini");
    WriteBytes(path, "Lost=1\n[Config]\n  Count =  3 \n;gone\n[Other]\nName=Grüße\n");
    {
        auto ini = TUnicodeIniFile::CreateForWrite(path, false);
        ini->WriteProgramInfo("Program", "KvPlaner");
        ini->WriteInteger("Config", "Top", 141);
        ini->Close();
    }
    const QByteArray bytes = ReadBytes(path);
    QVERIFY(bytes.startsWith("\xFF\xFE"));
    const QString expected = "[Config]\r\nCount=3\r\nTop=141\r\n\r\n"
                             "[Other]\r\nName=Grüße\r\n\r\n"
                             "[Unicode]\r\nEncoding=UTF-16LE\r\nProgram=KvPlaner\r\n\r\n";
    QCOMPARE(bytes, Utf16LE(expected));

    auto back = TUnicodeIniFile::CreateForRead(path);
    QCOMPARE(back->Encoding(), TIniEncoding::Utf16LE);
    QCOMPARE(back->ReadInteger("config", "COUNT", 0), 3);
    QCOMPARE(back->ReadString("Other", "Name", ""), QString("Grüße"));
    QVERIFY(!back->ValueExists("Config", "Lost"));
}

void tst_IniFileUtils::createForWriteClearEntries()
{
    const QString path = Path("clear.ini");
    WriteBytes(path, "[Old]\nA=1\n[Unicode]\nEncoding=UTF-8\n");
    {
        auto ini = TUnicodeIniFile::CreateForWrite(path, true);
        ini->WriteProgramInfo("Program", "KvStarter");
        ini->WriteProgramInfo("Version", "6.2.0");
        ini->WriteString("Main", "Last", "x");
        ini->Close();
    }
    TMemIniFile back(path);
    QStringList sections;
    back.ReadSections(sections);
    QCOMPARE(sections, (QStringList{"Unicode", "Main"}));
    QStringList lines;
    back.ReadSectionValues("Unicode", lines);
    QCOMPARE(lines, (QStringList{"Encoding=UTF-16LE", "Program=KvStarter", "Version=6.2.0"}));
}

void tst_IniFileUtils::createForWriteKeepsExisting()
{
    // An existing Encoding value is left alone; an empty [Unicode] gets one.
    const QString path = Path("keep.ini");
    WriteBytes(path, "[Unicode]\nEncoding=UTF-8\n[A]\nx=1\n");
    TUnicodeIniFile::CreateForWrite(path, false)->Close();
    TMemIniFile kept(path);
    QCOMPARE(kept.ReadString("Unicode", "Encoding", ""), QString("UTF-8"));
    QCOMPARE(kept.ReadString("A", "x", ""), QString("1"));

    WriteBytes(path, "[Unicode]\n[A]\nx=1\n");
    TUnicodeIniFile::CreateForWrite(path, false)->Close();
    TMemIniFile filled(path);
    QCOMPARE(filled.ReadString("Unicode", "Encoding", ""), QString("UTF-16LE"));
    QStringList sections;
    filled.ReadSections(sections);
    QCOMPARE(sections, (QStringList{"Unicode", "A"}));
}

void tst_IniFileUtils::readOnlyObjectNeverWrites()
{
    const QString path = Path("ro.ini");
    const QByteArray original("[A]\nx=1\n");
    WriteBytes(path, original);
    {
        auto ini = TUnicodeIniFile::CreateForRead(path);
        ini->WriteString("A", "x", "2");
        ini->Close();
    }
    QCOMPARE(ReadBytes(path), original);
}

void tst_IniFileUtils::duplicateSectionsAndCase()
{
    const QString path = Path("dup.ini");
    WriteBytes(path, "[Config]\nA=1\n[config]\nA=2\nB=3\n");
    {
        auto ini = TUnicodeIniFile::CreateForWrite(path, false);
        QCOMPARE(ini->ReadString("CONFIG", "a", ""), QString("1"));
        QVERIFY(!ini->ValueExists("Config", "B"));
        ini->WriteString("config", "c", "4");
        ini->WriteString("Config", "A", "9");
        ini->Close();
    }
    TMemIniFile back(path);
    QStringList sections, lines;
    back.ReadSections(sections);
    QCOMPARE(sections, (QStringList{"Config", "config", "Unicode"}));
    back.ReadSectionValues("Config", lines);
    QCOMPARE(lines, (QStringList{"A=9", "c=4"}));
    back.EraseSection("Config");
    back.ReadSectionValues("Config", lines);
    QCOMPARE(lines, (QStringList{"A=2", "B=3"}));
}

void tst_IniFileUtils::eraseAndDelete()
{
    TMemIniFile ini(QString{});
    ini.WriteString("S", "a", "1");
    ini.WriteString("S", "b", "2");
    ini.WriteString("S", "c", "3");
    ini.DeleteKey("s", "B");
    QStringList keys;
    ini.ReadSection("S", keys);
    QCOMPARE(keys, (QStringList{"a", "c"}));
    QCOMPARE(ini.ReadString("S", "c", ""), QString("3"));
    ini.EraseSectionValues("S");
    QVERIFY(!ini.SectionExists("S"));
    ini.ReadSections(keys);
    QCOMPARE(keys, QStringList{"S"});
    QCOMPARE(ini.Text(), QString("[S]\r\n\r\n"));
    ini.EraseSectionValues("Missing");
    ini.ReadSections(keys);
    QCOMPARE(keys, QStringList{"S"});
}

void tst_IniFileUtils::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("read-only file") << "readonly-file";
    QTest::newRow("missing folder") << "missing-folder";
    QTest::newRow("folder is a file") << "parent-is-file";
    QTest::newRow("read-only folder") << "readonly-folder";
}

void tst_IniFileUtils::failedWriteKeepsOldFile()
{
    QFETCH(QString, how);
    QTemporaryDir local;
    const QByteArray original("[Groups]\nCount=2\n");
    QString target;
    if (how == "readonly-file") {
        target = local.filePath("KvStarter.ini");
        WriteBytes(target, original);
        QFile::setPermissions(target, QFileDevice::ReadOwner);
    } else if (how == "missing-folder") {
        target = local.filePath("nowhere/KvStarter.ini");
    } else if (how == "parent-is-file") {
        WriteBytes(local.filePath("plain"), original);
        target = local.filePath("plain/KvStarter.ini");
    } else {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        QDir().mkpath(local.filePath("ro"));
        target = local.filePath("ro/KvStarter.ini");
        WriteBytes(target, original);
        QFile::setPermissions(local.filePath("ro"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    auto ini = TUnicodeIniFile::CreateForWrite(target, false);
    ini->WriteString("Groups", "Count", "0");
    try {
        ini->Close();
        QFAIL("no EWriteError");
    } catch (const EWriteError& e) {
        QCOMPARE(e.Message(), QString("Error writing to \"%1\"").arg(target));
    }
    if (QFileInfo(target).isFile())
        QCOMPARE(ReadBytes(target), original);
    QFile::setPermissions(local.filePath("ro"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QStringList leftovers = QDir(QFileInfo(target).absolutePath()).entryList(QDir::Files);
    leftovers.removeAll("KvStarter.ini");
    leftovers.removeAll("plain");
    QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join(",")));
}

void tst_IniFileUtils::newFileIsPrivateAndModeIsKept()
{
    const QString fresh = Path("fresh.ini");
    TUnicodeIniFile::CreateForWrite(fresh, true)->Close();
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(fresh).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0600u);

    const QString shared = Path("shared.ini");
    WriteBytes(shared, "[A]\nx=1\n");
    ::chmod(QFile::encodeName(shared).constData(), 0644);
    TUnicodeIniFile::CreateForWrite(shared, false)->Close();
    QCOMPARE(::stat(QFile::encodeName(shared).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0644u);
}

void tst_IniFileUtils::destructorWritesAlways()
{
    const QString path = Path("dtor.ini");
    WriteBytes(path, "[A]\nx=1\n");
    {
        auto ini = TUnicodeIniFile::CreateForWrite(path, false);
    }
    QVERIFY(ReadBytes(path).startsWith("\xFF\xFE"));
    // A failing write in the destructor does not escape it.
    {
        auto ini = TUnicodeIniFile::CreateForWrite(Path("missing/dtor.ini"), false);
    }
}

void tst_IniFileUtils::readIniBoolNeverThrows()
{
    const QString path = Path("Kelvara.cfg");
    WriteBytes(path, Utf16LE("[Config]\r\nDarkMode=1\r\n"));
    QVERIFY(ReadIniBool(path, "config", "darkmode", false));
    QVERIFY(!ReadIniBool(Path("none.cfg"), "Config", "DarkMode", false));
    QVERIFY(ReadIniBool(dir.path(), "Config", "DarkMode", true));
}

void tst_IniFileUtils::nonRegularFileReadsEmpty()
{
    const QString fifo = Path("fifo.ini");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    TMemIniFile ini(fifo); // must not block on the pipe
    QStringList sections;
    ini.ReadSections(sections);
    QVERIFY(sections.isEmpty());
}

QTEST_GUILESS_MAIN(tst_IniFileUtils)
#include "tst_IniFileUtils.moc"
