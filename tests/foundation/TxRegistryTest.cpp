#include "SettingsTestUtil.h"
#include "TestUtil.h"
#include "TxFileRead.h"
#include "TxPlatform.h"
#include "TxRegistry.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <gtest/gtest.h>

#include <climits>
#include <sys/stat.h>

namespace {

TEST(Registry, TypedValuesRoundTripAndPersist)
{
    TScopedRegistry store;
    {
        TRegistryIniFile reg("Software\\DEZ Uder\\Vozudarizazi");
        reg.WriteInteger("ProjectForm", "Left", -20);
        reg.WriteInteger("ProjectForm", "ColWidths1", INT_MAX);
        reg.WriteBool("ProjectForm", "Visible", true);
        reg.WriteBool("ProjectForm", "Hidden", false);
        reg.WriteString("ProjectForm", "Top", "3e0");
        reg.WriteString("ProjectForm", "Width", "3.5");
        reg.WriteFloat("ProjectForm", "Zoom", 0.1);
        reg.WriteString("Project", "FileName", "/home/u/a b.xml");
        reg.WriteString("Project", "Empty", "");
        EXPECT_EQ(reg.ReadInteger("ProjectForm", "Left", 0), -20) << "visible before the store is saved";
    }
    EXPECT_TRUE(QFileInfo(store.FileName()).isFile());

    const TRegistryIniFile reg("Software/DEZ Uder/Vozudarizazi/");
    EXPECT_EQ(reg.ReadInteger("ProjectForm", "Left", 0), -20);
    EXPECT_EQ(reg.ReadInteger("ProjectForm", "ColWidths1", 0), INT_MAX);
    EXPECT_TRUE(reg.ReadBool("ProjectForm", "Visible", false));
    EXPECT_FALSE(reg.ReadBool("ProjectForm", "Hidden", true));
    EXPECT_EQ(reg.ReadInteger("ProjectForm", "Top", 0), 3);
    EXPECT_EQ(reg.ReadInteger("ProjectForm", "Width", 7), 7) << "a fraction is no whole number";
    EXPECT_EQ(reg.ReadFloat("ProjectForm", "Zoom", 0), 0.1);
    EXPECT_EQ(reg.ReadString("Project", "FileName", ""), "/home/u/a b.xml");
    EXPECT_EQ(reg.ReadString("Project", "Empty", "def"), "") << "an empty value is a value";
    EXPECT_EQ(reg.ReadSections(), (QStringList{"Project", "ProjectForm"}));
    EXPECT_EQ(reg.ReadSectionValues("Project"), (QStringList{"Empty=", "FileName=/home/u/a b.xml"}));

    // The same value through the parent key and a nested section.
    const TRegistryIniFile parent("Software\\DEZ Uder\\");
    EXPECT_EQ(parent.ReadInteger("Vozudarizazi\\ProjectForm", "Left", 0), -20);
}

TEST(Registry, MissingValuesGiveDefaults)
{
    TScopedRegistry store;
    const TRegistryIniFile reg("Software\\Vededudezar\\Common\\");
    EXPECT_EQ(reg.ReadString("User", "Name", "nobody"), "nobody");
    EXPECT_EQ(reg.ReadInteger("User", "Count", 7), 7);
    EXPECT_TRUE(reg.ReadBool("User", "Flag", true));
    EXPECT_EQ(reg.ReadFloat("User", "Rate", 0.14), 0.14);
    EXPECT_FALSE(reg.SectionExists("User"));
    EXPECT_FALSE(reg.ValueExists("User", "Name"));
    EXPECT_TRUE(reg.ReadSections().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(store.FileName())) << "reading creates nothing";
}

TEST(Registry, DeleteAndEraseRemoveOnlyTheirPart)
{
    TScopedRegistry store;
    TRegistryIniFile reg("Software\\Vededudezar\\Common");
    reg.WriteString("User", "Name", "A");
    reg.WriteString("User", "EMail", "a@b.c");
    reg.WriteString("Other", "Keep", "1");
    reg.DeleteKey("User", "Name");
    EXPECT_FALSE(reg.ValueExists("User", "Name"));
    EXPECT_EQ(reg.ReadString("User", "EMail", ""), "a@b.c");
    reg.EraseSection("User");
    EXPECT_FALSE(reg.SectionExists("User"));
    EXPECT_EQ(reg.ReadString("Other", "Keep", ""), "1");
}

// The store is laid out as the platform's settings class lays out its INI
// files, as earlier versions wrote it: each reads what the other writes.
TEST(Registry, StoresInQtsLayoutReadBothWays)
{
    const std::vector<std::pair<QString, QString>> values{
        {"Left", "10"},
        {"Empty", ""},
        {"Key With Space", " blanks at both ends "},
        {"per%cent=", "a, b; c=d"},
        {"Ünï~", "\"quoted\" and @ within"},
        {"at", "@home"},
        {"Ключ", "tab\there\nline\\back\r"},
        {"ctl", QString("\x01") + "1f"},
        {"text", "Jürgen € 😀"},
        {"wide blanks", "\u00a0no-break and line separators\u2028"},
        {"only a wide blank", "\u3000"},
    };
    TScopedRegistry store;
    {
        QSettings qt(store.FileName(), QSettings::IniFormat);
        for (const auto& [key, value] : values)
            qt.setValue("Software/DEZ Uder/T/Form/" + key, value);
    }
    {
        TRegistryIniFile reg("Software\\DEZ Uder\\T");
        for (const auto& [key, value] : values) {
            EXPECT_EQ(reg.ReadString("Form", key, "<none>"), value) << key.toStdString();
            reg.WriteString("Back", key, value);
        }
    }
    QSettings qt(store.FileName(), QSettings::IniFormat);
    for (const auto& [key, value] : values) {
        EXPECT_EQ(qt.value("Software/DEZ Uder/T/Back/" + key).toString(), value) << key.toStdString();
        EXPECT_EQ(qt.value("Software/DEZ Uder/T/Form/" + key).toString(), value) << key.toStdString();
    }
}

// A store that is no regular file reads as empty; one too large to be read
// is said once a run and not read; neither is replaced by a save.
TEST(Registry, StoresNotReadAreNeitherReplaced)
{
    TTempFolder dir;
    TRecordingMessageService messages;
    const TScopedMessageService scoped(messages);
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.File("fifo")).constData(), 0600), 0);
    const QString huge = dir.Write("huge", QByteArray("[Software]\nT\\S\\k=v\n"));
    ASSERT_TRUE(QFile(huge).resize(MaxSettingsFileSize + 1));
    for (const QString& file : {dir.File("fifo"), huge}) {
        SetRegistryFileName(file);
        for (int i = 0; i < 2; ++i) {
            TRegistryIniFile reg("Software\\T");
            EXPECT_EQ(reg.ReadString("S", "k", "d"), "d");
            reg.WriteString("S", "k", "new");
            EXPECT_THROW(reg.UpdateFile(), EIniFileException);
        }
    }
    SetRegistryFileName(QString());
    EXPECT_FALSE(QFileInfo(dir.File("fifo")).isFile());
    EXPECT_EQ(QFileInfo(huge).size(), MaxSettingsFileSize + 1);
    EXPECT_EQ(messages.Errors, QStringList{"Cannot open file \"" + huge + "\". It is larger than 1 MB."});
}

TEST(Registry, DefaultStoreFollowsTheConfigHome)
{
    TTempFolder dir;
    TScopedEnv config("XDG_CONFIG_HOME", dir.Path());
    EXPECT_EQ(RegistryFileName(), dir.Path() + "/DEZ Uder/registry.conf");
    {
        TRegistryIniFile reg("Software\\Vededudezar\\Common\\");
        reg.WriteString("User", "Name", "A");
    }
    EXPECT_TRUE(QFileInfo(dir.Path() + "/DEZ Uder/registry.conf").isFile()) << "its folder is created";
}

} // namespace
