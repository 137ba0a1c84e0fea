#include "SettingsTestUtil.h"
#include "TestUtil.h"
#include "TxApplicationPath.h"
#include "TxPlatform.h"
#include "TxRegistry.h"
#include "TxSysUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Runs each test with its own home, config and data folders, and puts the
// program's globals back afterwards.
class ApplicationPaths : public ::testing::Test {
protected:
    ApplicationPaths()
        : FHome("HOME", Dir.File("home")), FConfig("XDG_CONFIG_HOME", Dir.File("config")),
          FData("XDG_DATA_HOME", Dir.File("data")), FSaved{DataFolder,  AppName,  ExeDir,         MyDocumentsDir,
                                                           UserDataDir, MakerDir, MakerCommonDir, RegBase}
    {
        QDir().mkpath(Dir.File("home"));
        DataFolder = "DEZ Uder\\Reruror\\";
    }
    ~ApplicationPaths() override
    {
        DataFolder = FSaved[0];
        AppName = FSaved[1];
        ExeDir = FSaved[2];
        MyDocumentsDir = FSaved[3];
        UserDataDir = FSaved[4];
        MakerDir = FSaved[5];
        MakerCommonDir = FSaved[6];
        RegBase = FSaved[7];
    }
    // A program file in a new folder of the temporary folder.
    QString Program(const QString& folder, const QString& name)
    {
        QDir().mkpath(Dir.File(folder));
        return Dir.File(folder + "/" + name);
    }

    TTempFolder Dir;

private:
    TScopedEnv FHome, FConfig, FData;
    QString FSaved[8];
};

TEST_F(ApplicationPaths, UserDataFolderIsCreatedAmongTheDocuments)
{
    InitApplicationPaths(Program("prog/bin", "Vozudarizazi"));
    EXPECT_EQ(AppName, "Vozudarizazi");
    EXPECT_EQ(ExeDir, Dir.File("prog/bin/"));
    EXPECT_EQ(MyDocumentsDir, Dir.File("home/Documents/"));
    EXPECT_EQ(UserDataDir, Dir.File("home/Documents/DEZ Uder/Reruror/Vozudarizazi/"));
    EXPECT_TRUE(QFileInfo(UserDataDir).isDir());
    EXPECT_EQ(DesktopDir, Dir.File("home/Desktop/"));
    EXPECT_EQ(ProgramFilesDir, "/opt/");
    EXPECT_EQ(CommonFilesDir, "/usr/share/");
    EXPECT_EQ(MakerDir, "/opt/Vededudezar/");
    EXPECT_EQ(MakerCommonDir, "/opt/Vededudezar/Common Files/");
}

TEST_F(ApplicationPaths, UncreatableDocumentsFolderFallsBackQuietly)
{
    // A home that is a file: nothing can be created below it.
    Dir.Write("home-file", QByteArray("x"));
    TScopedEnv home("HOME", Dir.File("home-file"));
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);

    InitApplicationPaths(Program("writable", "prog"));
    EXPECT_EQ(UserDataDir, Dir.File("writable/")) << "a writable program folder, as before";

    Dir.Write("blocked", QByteArray("x"));
    InitApplicationPaths(Dir.File("blocked/bin/prog"));
    EXPECT_EQ(UserDataDir, Dir.File("data/DEZ Uder/Reruror/prog/"));
    EXPECT_TRUE(QFileInfo(UserDataDir).isDir());

    EXPECT_TRUE(messages.Messages.isEmpty());
    EXPECT_TRUE(messages.Errors.isEmpty());
}

TEST_F(ApplicationPaths, SettingsFilesAreSeededFromTheProgramFolder)
{
    const QString program = Program("inst", "prog");
    Dir.Write("inst/prog.ini", QByteArray("[Units]\nAirflow=1\n"));
    Dir.Write("inst/default.ini", QByteArray("[air]\nflow=2\n"));
    QFile::setPermissions(Dir.File("inst/prog.ini"), QFile::ReadOwner | QFile::ReadGroup);
    InitApplicationPaths(program);

    const QString ini = IniFileName();
    EXPECT_EQ(ini, Dir.File("config/DEZ Uder/prog/prog.ini"));
    EXPECT_EQ(ReadFileBytes(ini), QByteArray("[Units]\nAirflow=1\n"));
    EXPECT_TRUE(QFile::permissions(ini) & QFile::WriteOwner);

    // The user's copy is never replaced by the program folder's.
    Dir.Write("config/DEZ Uder/prog/default.ini", QByteArray("mine"));
    EXPECT_EQ(ReadFileBytes(ConfigFileName("default.ini")), QByteArray("mine"));
    // Without a copy in the program folder nothing is created, but the folder is there.
    const QString other = ConfigFileName("other.ini");
    EXPECT_FALSE(QFileInfo::exists(other));
    EXPECT_TRUE(QFileInfo(ConfigDir()).isDir());
}

TEST_F(ApplicationPaths, AppRegKeyFollowsTheBaseKey)
{
    InitApplicationPaths(Program("bin", "Vozudarizazi"));
    RegBase = "Software\\DEZ Uder\\";
    EXPECT_EQ(GetAppRegKey(""), "Software\\DEZ Uder\\Vozudarizazi");
    EXPECT_EQ(GetAppRegKey(), "Software\\DEZ Uder\\" + AppName);
    EXPECT_EQ(GetAppRegKey("C:\\Apps\\Tool.exe"), "Software\\DEZ Uder\\Tool");
    EXPECT_EQ(GetAppRegKey("/usr/bin/other"), "Software\\DEZ Uder\\other");
}

struct MakerCase {
    const char* exeDir;
    const char* expected;
};

class MakerFolder : public ::testing::TestWithParam<MakerCase> {};

TEST_P(MakerFolder, KeepsThePathAsSpelt)
{
    EXPECT_EQ(GetMakerFolder(GetParam().exeDir, "/opt/"), QString(GetParam().expected)) << GetParam().exeDir;
}

INSTANTIATE_TEST_SUITE_P(Paths, MakerFolder,
                         ::testing::Values(MakerCase{"/home/u/Apps/Vededudezar/Tool/", "/home/u/Apps/Vededudezar/"},
                                           MakerCase{"/srv/apps/VEDEDUDEZAR/bin/", "/srv/apps/VEDEDUDEZAR/"},
                                           MakerCase{"/D/5ri/Tool/", "/D/5ri/"}, MakerCase{"/d/5RI/tool/", "/d/5RI/"},
                                           MakerCase{"/x/5ri/vededudezar/", "/x/5ri/vededudezar/"},
                                           MakerCase{"/usr/lib/vozudarizazi/", "/opt/Vededudezar/"},
                                           MakerCase{"", "/opt/Vededudezar/"}));

struct PathCase {
    const char* in;
    const char* out;
};

class AddBackslashCases : public ::testing::TestWithParam<PathCase> {};

TEST_P(AddBackslashCases, AppendsOneSeparator)
{
    EXPECT_EQ(AddBackslash(GetParam().in), QString(GetParam().out));
}

INSTANTIATE_TEST_SUITE_P(Paths, AddBackslashCases,
                         ::testing::Values(PathCase{"", ""}, PathCase{"/home/u", "/home/u/"},
                                           PathCase{"/home/u/", "/home/u/"}, PathCase{"C:\\Data\\", "C:\\Data\\"},
                                           PathCase{"a", "a/"}, PathCase{"/", "/"}));

class FileNameOnlyCases : public ::testing::TestWithParam<PathCase> {};

TEST_P(FileNameOnlyCases, DropsFolderAndExtension)
{
    EXPECT_EQ(FileNameOnly(GetParam().in), QString(GetParam().out));
}

INSTANTIATE_TEST_SUITE_P(Paths, FileNameOnlyCases,
                         ::testing::Values(PathCase{"C:\\Program Files\\Vozudarizazi.exe", "Vozudarizazi"},
                                           PathCase{"/opt/x/vozudarizazi", "vozudarizazi"},
                                           PathCase{"/a.b/c.tar.gz", "c.tar"}, PathCase{"/a.b/c", "c"},
                                           PathCase{"/home/u/.hidden", ".hidden"}, PathCase{"", ""},
                                           PathCase{"/dir/", ""}));

struct MailCase {
    const char* address;
    bool valid;
};

class EmailAddress : public ::testing::TestWithParam<MailCase> {};

TEST_P(EmailAddress, FollowsTheAddressAutomaton)
{
    EXPECT_EQ(IsValidEmailAddress(QString::fromUtf8(GetParam().address)), GetParam().valid) << GetParam().address;
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, EmailAddress,
    ::testing::Values(MailCase{"john.smith@example.com", true}, MailCase{"\"john smith\"@example.co.za", true},
                      MailCase{"a@b.c", true}, MailCase{"x@localhost", false}, MailCase{"x@1abc.com", true},
                      MailCase{"x@example.com.", false}, MailCase{".x@example.com", false},
                      MailCase{"a..b@example.com", false}, MailCase{"", false}, MailCase{"x@example-.com", false},
                      MailCase{"x@example.com-", false}, MailCase{"x@ex--ample.c0m", true}, MailCase{"x@a.1b", true},
                      MailCase{"!#$%&'*+-=?^_`{|}~@a.b", true}, MailCase{"a(b@c.d", false}, MailCase{"a/b@c.d", false},
                      MailCase{"j\xc3\xb6rg@ex.de", true}, MailCase{"\"a\\\"b\"@c.d", true},
                      MailCase{"\"a\rb\"@c.d", false}, MailCase{"\"a\".\"b\"@c.d", true}, MailCase{"\"a\"b@c.d", false},
                      MailCase{"a.@b.c", false}, MailCase{"@b.c", false}, MailCase{"a@", false}, MailCase{"a@b", false},
                      MailCase{"a@b.c d", false}, MailCase{"a@.b.c", false}, MailCase{"info@163.com", true},
                      MailCase{"sales@3m.com", true}, MailCase{"someone@mail.1and1.de", true},
                      MailCase{"x@-a.com", false}, MailCase{"x@a.-com", false}));

TEST(ContactInfo, DefaultsUntilTheMakersKeyHoldsValues)
{
    TScopedRegistry store;
    LoadContactInfo();
    EXPECT_EQ(ContactEmail, "info@example.com");
    EXPECT_TRUE(IsValidEmailAddress(ContactEmail));
    EXPECT_EQ(ContactLogo, "/usr/share/Vededudezar/ReportLogo.gif");
    EXPECT_EQ(ContactTel, ContactFax);
    EXPECT_TRUE(ContactUser.isEmpty());
    EXPECT_FALSE(ContactWeb.isEmpty());

    {
        TRegistryIniFile reg("Software\\Vededudezar");
        reg.WriteString("", "email", "sales@example.org");
        reg.WriteString("", "fax", "123");
    }
    LoadContactInfo();
    EXPECT_EQ(ContactEmail, "sales@example.org");
    EXPECT_EQ(ContactFax, "123");
    EXPECT_NE(ContactTel, "123");
}

TEST(UserInfo, OwnerIsTheFullNameAlone)
{
    QString owner = "x", organization = "y";
    GetRegisteredOwner(owner, organization);
    EXPECT_FALSE(owner.contains(','));
    EXPECT_TRUE(organization.isEmpty());
    EXPECT_TRUE(GetDefaultMailAddress().isEmpty());
}

} // namespace
