#include "SettingsTestUtil.h"
#include "TestUtil.h"
#include "TxIniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cfloat>
#include <cerrno>
#include <climits>
#include <cmath>
#include <functional>

namespace {

const char* const SampleIni = "; written by hand\n"
                              "[Units]\n"
                              "Airflow = 2\n"
                              "AIRFLOW=9\n"
                              "Pressure=\"  quoted  \"\n"
                              "Single='x'\n"
                              "Mixed=\"a'\n"
                              "Empty=\n"
                              "List = 9,10,15,45\n"
                              "  Indented key =  v  \n"
                              "odd line without equals\n"
                              "# Hash=comment\n"
                              "=no name\n"
                              "[  Spaced Section  ]\n"
                              "key=value with = sign\n"
                              "[units]\n"
                              "Later=5\n"
                              "Airflow=7\n";

struct LookupCase {
    const char* section;
    const char* key;
    const char* expected; // nullptr: missing
};

class IniLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(IniLookup, FindsValuesAsTheProfileFunctionsDo)
{
    TTempFolder dir;
    TIniFile ini(dir.Write("a.ini", QByteArray(SampleIni)));
    const LookupCase& c = GetParam();
    const QString got = ini.ReadString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), "<def>");
    EXPECT_EQ(got, c.expected ? QString::fromUtf8(c.expected) : QStringLiteral("<def>")) << c.section << "/" << c.key;
    EXPECT_EQ(ini.ValueExists(QString::fromUtf8(c.section), QString::fromUtf8(c.key)), c.expected != nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Sample, IniLookup,
    ::testing::Values(LookupCase{"Units", "Airflow", "2"}, LookupCase{"UNITS", "airFLOW", "2"},
                      LookupCase{" units ", " Airflow ", "2"}, LookupCase{"Units", "Pressure", "  quoted  "},
                      LookupCase{"Units", "Single", "x"}, LookupCase{"Units", "Mixed", "\"a'"},
                      LookupCase{"Units", "Empty", ""}, LookupCase{"Units", "List", "9,10,15,45"},
                      LookupCase{"Units", "indented KEY", "v"},
                      LookupCase{"spaced section", "key", "value with = sign"}, LookupCase{"Units", "Later", "5"},
                      LookupCase{"Units", "odd line without equals", nullptr}, LookupCase{"Units", "# Hash", nullptr},
                      LookupCase{"Units", "", nullptr}, LookupCase{"Units", "key", nullptr},
                      LookupCase{"Missing", "Airflow", nullptr}));

TEST(IniFile, ListsSectionsKeysAndValuesInFileOrder)
{
    TTempFolder dir;
    TIniFile ini(dir.Write("a.ini", QByteArray(SampleIni)));
    EXPECT_EQ(ini.ReadSections(), (QStringList{"Units", "Spaced Section"}));
    EXPECT_EQ(ini.ReadSection("units"), (QStringList{"Airflow", "AIRFLOW", "Pressure", "Single", "Mixed", "Empty",
                                                     "List", "Indented key", "Later", "Airflow"}));
    EXPECT_EQ(ini.ReadSectionValues("Spaced Section"), QStringList{"key=value with = sign"});
    EXPECT_EQ(ini.ReadSectionValues("Units").mid(5, 3), (QStringList{"Empty=", "List=9,10,15,45", "Indented key=v"}));
    EXPECT_EQ(ini.ReadSectionValues("Units").last(), "Airflow=7") << "each line keeps its own value";
    EXPECT_TRUE(ini.SectionExists("SPACED SECTION"));
    EXPECT_FALSE(ini.SectionExists("Spaced"));
    EXPECT_TRUE(ini.ReadSection("Missing").isEmpty());
}

TEST(IniFile, MissingOrUnreadableFileReadsAsEmpty)
{
    TTempFolder dir;
    for (const QString& name : {dir.File("none.ini"), dir.Path(), QString()}) {
        TIniFile ini(name);
        EXPECT_EQ(ini.ReadString("A", "b", "d"), "d");
        EXPECT_EQ(ini.ReadInteger("A", "b", 3), 3);
        EXPECT_TRUE(ini.ReadSections().isEmpty());
        EXPECT_FALSE(ini.SectionExists("A"));
    }
}

struct TypedCase {
    const char* text;
    int integer;  // default 42
    bool boolean; // default true
    double real;  // default -1
};

class IniTypedRead : public ::testing::TestWithParam<TypedCase> {};

TEST_P(IniTypedRead, BadTextGivesTheDefault)
{
    TTempFolder dir;
    const TypedCase& c = GetParam();
    TIniFile ini(dir.Write("t.ini", QByteArray("[S]\nv=") + c.text + "\n"));
    EXPECT_EQ(ini.ReadInteger("S", "v", 42), c.integer) << c.text;
    EXPECT_EQ(ini.ReadBool("S", "v", true), c.boolean) << c.text;
    EXPECT_EQ(ini.ReadFloat("S", "v", -1.0), c.real) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Texts, IniTypedRead,
                         ::testing::Values(TypedCase{"12", 12, true, 12.0}, TypedCase{"0", 0, false, 0.0},
                                           TypedCase{"-7", -7, true, -7.0}, TypedCase{"0x1F", 31, true, -1.0},
                                           TypedCase{"0XfF", 255, true, -1.0}, TypedCase{"0x0", 0, false, -1.0},
                                           TypedCase{"0xFFFFFFFF", -1, true, -1.0},
                                           TypedCase{"0x123456789", 42, true, -1.0}, TypedCase{"0x", 42, true, -1.0},
                                           TypedCase{"0x1G", 42, true, -1.0}, TypedCase{"2.8", 42, true, 2.8},
                                           TypedCase{"2,8", 42, true, -1.0}, TypedCase{"1E-5", 42, true, 1e-5},
                                           TypedCase{"99999999999", 42, true, 99999999999.0},
                                           TypedCase{"true", 42, true, -1.0}, TypedCase{"nan", 42, true, -1.0},
                                           TypedCase{"", 42, true, -1.0}, TypedCase{"\"5\"", 5, true, 5.0},
                                           // Whole numbers by the one number rule.
                                           TypedCase{"2.0", 2, true, 2.0}, TypedCase{"0e5", 0, false, 0.0},
                                           TypedCase{"1e10", 42, true, 1e10}, TypedCase{"1e400", 42, true, -1.0}));

TEST(IniFile, TypedValuesRoundTripWithLocaleFreeText)
{
    TTempFolder dir;
    TIniFile ini(dir.File("r.ini"));
    const double reals[] = {0.1, 2.8, 1.0 / 3.0, -123456.789, 1e-300, 5e-324, DBL_MAX, 0.0};
    for (size_t i = 0; i < std::size(reals); ++i)
        ini.WriteFloat("F", QString::number(i), reals[i]);
    for (size_t i = 0; i < std::size(reals); ++i)
        EXPECT_EQ(ini.ReadFloat("F", QString::number(i), 7.0), reals[i]) << i;
    for (int v : {0, 1, -1, INT_MAX, INT_MIN}) {
        ini.WriteInteger("I", "v", v);
        EXPECT_EQ(ini.ReadInteger("I", "v", 5), v);
    }
    ini.WriteBool("B", "yes", true);
    ini.WriteBool("B", "no", false);
    EXPECT_TRUE(ini.ReadBool("B", "yes", false));
    EXPECT_FALSE(ini.ReadBool("B", "no", true));

    const QByteArray text = ReadFileBytes(ini.FileName());
    EXPECT_TRUE(text.contains("\n0=0.1\n1=2.8\n")) << text.constData();
    EXPECT_FALSE(text.contains(",")) << "no decimal comma under any locale";
    EXPECT_TRUE(text.contains("[B]\nyes=1\nno=0\n"));
}

struct EditCase {
    const char* name;
    const char* before;
    std::function<void(TIniFile&)> edit;
    const char* after;
};

class IniEdit : public ::testing::TestWithParam<EditCase> {};

TEST_P(IniEdit, TouchesOnlyWhatItMust)
{
    TTempFolder dir;
    const EditCase& c = GetParam();
    const QString name = dir.File("e.ini");
    if (c.before)
        dir.Write("e.ini", QByteArray(c.before));
    TIniFile ini(name);
    c.edit(ini);
    EXPECT_EQ(ReadFileBytes(name), QByteArray(c.after)) << c.name;
}

void Write(TIniFile& ini, const char* s, const char* k, const QString& v)
{
    ini.WriteString(QString::fromUtf8(s), QString::fromUtf8(k), v);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniEdit,
    ::testing::Values(EditCase{"replace keeps spelling, spacing and CRLF", "; c\r\n[A]\r\nKey = 1\r\nz=0\r\n",
                               [](TIniFile& i) { Write(i, "a", "KEY", "2"); }, "; c\r\n[A]\r\nKey = 2\r\nz=0\r\n"},
                      EditCase{"new key after the section's last key", "[A]\nx=1\n; note\n\n[B]\ny=2\n",
                               [](TIniFile& i) { Write(i, "a", "z", "3"); }, "[A]\nx=1\nz=3\n; note\n\n[B]\ny=2\n"},
                      EditCase{"new key in a section without keys", "[A]\n\n[B]\n",
                               [](TIniFile& i) { Write(i, "B", "k", "v"); }, "[A]\n\n[B]\nk=v\n"},
                      EditCase{"new section at the end", "[A]\nx=1",
                               [](TIniFile& i) {
                                   Write(i, "C", "k", "v");
                                   Write(i, "C", "l", "9,10,15,45");
                               },
                               "[A]\nx=1\n\n[C]\nk=v\nl=9,10,15,45\n"},
                      EditCase{"new file", nullptr, [](TIniFile& i) { Write(i, "S", "k", "v"); }, "[S]\nk=v\n"},
                      EditCase{"values reading would change are quoted", nullptr,
                               [](TIniFile& i) {
                                   Write(i, "S", "a", " padded ");
                                   Write(i, "S", "b", "\"q\"");
                                   Write(i, "S", "c", "\"1 2\",3");
                                   Write(i, "S", "d", "two\nlines\r");
                               },
                               "[S]\na=\" padded \"\nb=\"\"q\"\"\nc=\"1 2\",3\nd=\"two lines \"\n"},
                      EditCase{"erase removes every section of the name", "[A]\nx=1\n\n[B]\ny=2\n[a]\nz=3\n",
                               [](TIniFile& i) { i.EraseSection("A"); }, "[B]\ny=2\n"},
                      EditCase{"delete removes duplicates too", "[A]\nx=1\nX=2\ny=3\n",
                               [](TIniFile& i) { i.DeleteKey("a", "x"); }, "[A]\ny=3\n"},
                      EditCase{"writes land in the first of duplicate sections", "[A]\nx=1\n[B]\n[A]\ny=2\n",
                               [](TIniFile& i) {
                                   Write(i, "A", "y", "3");
                                   Write(i, "A", "z", "4");
                               },
                               "[A]\nx=1\nz=4\n[B]\n[A]\ny=3\n"},
                      EditCase{"erase then write starts the section afresh", "[air]\nflow=1\nold=2\n[Keep]\nk=1\n",
                               [](TIniFile& i) {
                                   i.EraseSection("air");
                                   i.WriteFloat("air", "flow", 0.5);
                               },
                               "[Keep]\nk=1\n\n[air]\nflow=0.5\n"}));

TEST(IniFile, QuotedValuesReadBackAsWritten)
{
    TTempFolder dir;
    TIniFile ini(dir.File("q.ini"));
    for (const QString& v : {QString(" padded "), QString("\"q\""), QString("'s'"), QString("\"1 2\",\"3 4\""),
                             QString("\""), QString("\"\""), QString("\t")}) {
        ini.WriteString("S", "v", v);
        EXPECT_EQ(ini.ReadString("S", "v", "?"), v);
    }
}

TEST(IniFile, ReadsWindows1252AndWritesUtf8)
{
    TTempFolder dir;
    TIniFile ini(dir.Write("w.ini", QByteArray("[Sec]\r\nName=Caf\xe9 \x80\r\n")));
    EXPECT_EQ(ini.ReadString("sec", "name", ""), QString::fromUtf8("Café €"));
    ini.WriteString("Sec", "Other", "x");
    EXPECT_EQ(ReadFileBytes(ini.FileName()), QByteArray("[Sec]\r\nName=Caf\xc3\xa9 \xe2\x82\xac\r\nOther=x\r\n"));
    EXPECT_EQ(ini.ReadString("sec", "name", ""), QString::fromUtf8("Café €"));

    // One line of another code page leaves the UTF-8 of the others as it is.
    TIniFile mixed(dir.Write("m.ini", QByteArray("; caf\xe9\n[S]\nName=jos\xc3\xa9 \xe6\x97\xa5\n")));
    mixed.WriteString("S", "x", "1");
    EXPECT_EQ(ReadFileBytes(mixed.FileName()), QByteArray("; caf\xc3\xa9\n[S]\nName=jos\xc3\xa9 \xe6\x97\xa5\nx=1\n"));
}

TEST(IniFile, SavesAtomicallyAndLeavesNothingBehind)
{
    TTempFolder dir;
    const QString name = dir.Write("a.ini", QByteArray("[A]\nx=1\n"));
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(name).constData(), &before), 0);
    TIniFile ini(name);
    ini.WriteString("A", "x", "2");
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(name).constData(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "a new file replaces the old one, never rewritten in place";
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.ini"});
}

TEST(IniFile, SameValueDoesNotRewriteTheFile)
{
    TIniDocument doc;
    doc.Parse("[A]\nx = \"1\"\n");
    EXPECT_FALSE(doc.SetValue("a", "X", "1"));
    EXPECT_FALSE(doc.DeleteKey("A", "y"));
    EXPECT_FALSE(doc.EraseSection("B"));
    EXPECT_EQ(doc.ToBytes(), QByteArray("[A]\nx = \"1\"\n"));
}

TEST(IniFile, RefusedWriteRaisesAndKeepsTheOldFile)
{
    TTempFolder dir;
    const QString blocker = dir.Write("plain-file", QByteArray("not a folder"));
    const QString below = blocker + "/settings.ini";
    TIniFile ini(below);
    try {
        ini.WriteInteger("A", "x", 1);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().startsWith("Unable to write to " + below + ": ")) << e.Message().toStdString();
    }
    EXPECT_EQ(ReadFileBytes(blocker), QByteArray("not a folder"));

    // A file too big to be settings is never read, so it must not be replaced.
    const QString huge = dir.Write("huge.ini", QByteArray("[A]\nx=1\n"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.resize(65LL * 1024 * 1024));
    }
    TIniFile big(huge);
    EXPECT_EQ(big.ReadString("A", "x", "d"), "d");
    EXPECT_THROW(big.WriteString("A", "x", "2"), EIniFileException);
    EXPECT_EQ(QFileInfo(huge).size(), 65LL * 1024 * 1024);
    QFile check(huge);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.read(8), QByteArray("[A]\nx=1\n"));

    // A folder in the file's place.
    TIniFile folder(dir.Path());
    EXPECT_THROW(folder.WriteString("A", "x", "1"), EIniFileException);
    EXPECT_TRUE(QFileInfo(dir.Path()).isDir());
}

TEST(IniFile, BatchReadsOnceAndWritesOnce)
{
    TTempFolder dir;
    const QString name = dir.Write("b.ini", QByteArray("[Form]\nLeft=1\n"));
    TIniFile ini(name);
    ini.BeginUpdate();
    ini.WriteInteger("Form", "Left", 10);
    ini.BeginUpdate();
    ini.WriteInteger("Form", "Top", 20);
    ini.EndUpdate();
    EXPECT_EQ(ini.ReadInteger("Form", "Top", 0), 20) << "reads see pending writes";
    EXPECT_EQ(ReadFileBytes(name), QByteArray("[Form]\nLeft=1\n")) << "nothing saved before the last EndUpdate";
    ini.EndUpdate();
    EXPECT_EQ(ReadFileBytes(name), QByteArray("[Form]\nLeft=10\nTop=20\n"));

    TIniFile refused(dir.File("plain-file/x.ini"));
    dir.Write("plain-file", QByteArray("x"));
    refused.BeginUpdate();
    refused.WriteInteger("A", "b", 1);
    EXPECT_THROW(refused.EndUpdate(), EIniFileException);
    EXPECT_EQ(refused.ReadInteger("A", "b", 0), 0) << "the failed batch is gone";
}

// An object reads its file once, and again only once the file has changed;
// while a read share lasts, objects read an unchanged file once between them.
TEST(IniFile, ReadsOnceUntilTheFileChanges)
{
    TTempFolder dir;
    const QString name = dir.Write("r.ini", QByteArray("[Form]\nLeft=1\n"));
    TReadCounter counter;
    const auto readMany = [&](const TIniFile& ini) {
        for (int i = 0; i < 10; ++i)
            EXPECT_TRUE(ini.ValueExists("Form", "Left"));
        return ini.ReadInteger("Form", "Left", 0);
    };
    TIniFile reader(name);
    EXPECT_EQ(readMany(reader), 1);
    EXPECT_EQ(counter.Reads(name), 1);
    TIniFile writer(name);
    writer.WriteInteger("Form", "Left", 2);
    EXPECT_EQ(counter.Reads(name), 2) << "a write reads the file as it is under the lock";
    EXPECT_EQ(readMany(writer), 2);
    EXPECT_EQ(readMany(reader), 2);
    EXPECT_EQ(counter.Reads(name), 3) << "what the writer saved is read anew by the other object only";

    counter.Clear();
    {
        const TIniReadShare share;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(readMany(TIniFile(name)), 2);
        TIniFile(name).WriteInteger("Form", "Left", 3);
        EXPECT_EQ(readMany(TIniFile(name)), 3);
        EXPECT_EQ(readMany(TIniFile(name)), 3);
    }
    EXPECT_EQ(counter.Reads(name), 3) << "one read shared, one to write, one of the written file";
    EXPECT_EQ(readMany(TIniFile(name)), 3);
    EXPECT_EQ(counter.Reads(name), 4);
}

// A save that would make the file larger than it can be read is refused
// before anything is written; one as large as can be read is saved.
TEST(IniFile, NoSaveIsLargerThanTheReaderReads)
{
    TTempFolder dir;
    const QByteArray tail = "\n[A]\nx=1\n";
    const QString name = dir.Write("full.ini", "; " + QByteArray(MaxSettingsFileSize - 2 - tail.size(), 'x') + tail);
    TIniFile ini(name);
    EXPECT_EQ(ini.ReadString("A", "x", ""), "1");
    EXPECT_EQ(FailureOf<EIniFileException>([&] { ini.WriteString("A", "x", "22"); }),
              "Unable to write to " + name + ": it would be larger than 1 MB, more than can be read");
    EXPECT_EQ(QFileInfo(name).size(), MaxSettingsFileSize);
    EXPECT_EQ(ini.ReadString("A", "x", ""), "1");
    ini.WriteString("A", "x", "2");
    EXPECT_EQ(TIniFile(name).ReadString("A", "x", ""), "2");
    EXPECT_EQ(QFileInfo(name).size(), MaxSettingsFileSize);
}

TEST(IniFile, TwoObjectsOnOneFileDoNotUndoEachOther)
{
    TTempFolder dir;
    const QString name = dir.File("shared.ini");
    TIniFile a(name);
    TIniFile b(name);
    a.WriteInteger("Units", "Airflow", 1);
    b.WriteInteger("Form", "Left", 2);
    a.WriteInteger("Units", "Pressure", 3);
    EXPECT_EQ(b.ReadInteger("Units", "Pressure", 0), 3);
    EXPECT_EQ(a.ReadInteger("Form", "Left", 0), 2);

    // Without locks each saves; a batch that would save over what another
    // saved meanwhile says so instead.
    const TScopedLockCalls noLocks({SystemLockCalls().Open, [](int, int) { return errno = ENOLCK, -1; }});
    a.WriteInteger("Units", "Airflow", 4);
    a.BeginUpdate();
    a.WriteInteger("Units", "Pressure", 5);
    b.WriteInteger("Form", "Left", 6);
    EXPECT_THROW(a.EndUpdate(), EIniFileException);
    EXPECT_EQ(ReadFileBytes(name), "[Units]\nAirflow=4\nPressure=3\n\n[Form]\nLeft=6\n");
}

TEST(IniFile, ParsesHostileText)
{
    TIniDocument doc;
    doc.Parse(QByteArray("\xef\xbb\xbf[A]\n[\n]\n[]\n=\n[B\nk=v\r\r\n\0x=1\n[C]]\ny=2", 38));
    EXPECT_EQ(doc.Sections(), (QStringList{"A", "", "C]"}));
    EXPECT_EQ(doc.Value("", "k"), QString("v"));
    EXPECT_EQ(doc.Value("c]", "y"), QString("2"));
    EXPECT_TRUE(doc.SetValue("A", "new", "1"));
    TIniDocument again;
    again.Parse(doc.ToBytes());
    EXPECT_EQ(again.Value("A", "new"), QString("1"));
    EXPECT_EQ(again.Value("", "k"), QString("v"));
}

} // namespace
