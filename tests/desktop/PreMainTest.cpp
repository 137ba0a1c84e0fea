#include "../foundation/SettingsTestUtil.h"
#include "PreMain.h"
#include "TestUtil.h"
#include "TxApplicationPath.h"
#include "TxErrors.h"
#include "TxPlatform.h"
#include "TxSilencerXML.h"
#include "TxSysUtils.h"
#include "TxVerInfo.h"
#include "TxFmtEdit.h"
#include "UnitSettingsDlg.h"
#include "main.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QListWidget>
#include <QToolButton>
#include <QFileInfo>
#include <QLocale>

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <stdexcept>

namespace {

// The globals a start-up sets, put back afterwards.
class SavedGlobals {
public:
    SavedGlobals()
        : FValues{&RegBase,    &DataFolder,      &ExeDir,         &AppName,  &MyDocumentsDir, &UserDataDir,
                  &DesktopDir, &ProgramFilesDir, &CommonFilesDir, &MakerDir, &MakerCommonDir}
    {
        for (QString* v : FValues)
            FSaved.append(*v);
    }
    ~SavedGlobals()
    {
        for (qsizetype i = 0; i < FValues.size(); ++i)
            *FValues[i] = FSaved[i];
    }

private:
    QList<QString*> FValues;
    QStringList FSaved;
};

struct BoxCase {
    const char* message;
    const char* shown;
};

class ErrorBox : public ::testing::TestWithParam<BoxCase> {};

TEST_P(ErrorBox, AppendsAPointAfterCharactersThatSortAfterIt)
{
    EXPECT_EQ(ErrorBoxText(QString::fromUtf8(GetParam().message)), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(Texts, ErrorBox,
                         ::testing::Values(BoxCase{"boom", "boom."}, BoxCase{"done.", "done."},
                                           BoxCase{"Error!", "Error!"}, BoxCase{"(x)", "(x)"}, BoxCase{"a/", "a/."},
                                           BoxCase{"file 12", "file 12."}, BoxCase{"Was ist los?", "Was ist los?."},
                                           BoxCase{"", ""}, BoxCase{"ends in é", "ends in é."},
                                           BoxCase{"minus-", "minus-"}));

TEST(Guard, AnEscapingErrorIsShownAsAStopBoxAndTheProgramGoesOn)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    EXPECT_FALSE(RunGuarded([] { throw Exception("boom"); }));
    EXPECT_FALSE(RunGuarded([] { throw std::runtime_error("bad"); }));
    bool ran = false;
    EXPECT_TRUE(RunGuarded([&] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_EQ(messages.Errors, QStringList({"boom.", "bad."}));
    EXPECT_TRUE(messages.Messages.isEmpty());
    EXPECT_EQ(ApplicationTitle(), QString::fromLatin1(ApplicationTitleText));
}

TEST(PreMain, RegistryBaseDocumentsFolderAndPointDecimals)
{
    const QString oldBase = RegBase;
    const QString oldFolder = DataFolder;
    const std::string oldNumeric = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    InitPreMain();
    EXPECT_EQ(RegBase, "Software\\DEZ Uder\\");
    EXPECT_EQ(DataFolder, "DEZ Uder\\Reruror\\");
    EXPECT_STREQ(std::localeconv()->decimal_point, ".");
    EXPECT_EQ(QLocale().decimalPoint(), ".");
    EXPECT_EQ(QLocale().toString(2.8), "2.8");
    RegBase = oldBase;
    DataFolder = oldFolder;
    std::setlocale(LC_NUMERIC, oldNumeric.c_str());
}

// Keeps the caption each error box would carry in the program, which sets
// no display name: the application name.
class TCaptionRecorder : public TRecordingMessageService {
public:
    void ShowError(const QString& text) override
    {
        Captions.append(QCoreApplication::applicationName());
        TRecordingMessageService::ShowError(text);
    }
    QStringList Captions;
};

TEST(Startup, NoDocumentsFolderEndsStartUpBeforeAnyWindow)
{
    TCaptionRecorder messages;
    TScopedMessageService scope(messages);
    // Before the title is set, the name is the program file's.
    const QString oldName = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("vozudarizazi"));
    TTempFolder dir;
    const QString oldBase = RegBase;
    const QString oldFolder = DataFolder;
    TStartupOptions options;
    options.InitPaths = [] { throw Exception("Could not find My Documents folder location."); };
    options.RunEventLoop = false;
    const int windowsBefore = QApplication::topLevelWidgets().size();
    EXPECT_EQ(RunVozudarizazi(options), 1);
    EXPECT_EQ(messages.Errors, QStringList({"Could not find My Documents folder location."}));
    EXPECT_EQ(messages.Captions, QStringList({"Vozudarizazi"}));
    QCoreApplication::setApplicationName(oldName);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TMainForm*>(w), nullptr);
    RegBase = oldBase;
    DataFolder = oldFolder;
}

TEST(Startup, ANewMachineOpensTheMainWindowOnTheBundledCatalogue)
{
    const QString built = QStringLiteral(VOZ_PROGRAM_DIR);
    if (!QFileInfo::exists(built + "/data/tcr-circular.xml"))
        GTEST_SKIP() << "the program folder is not laid out";
    // Only what the build lays out is copied: settings or a saved selection
    // that running the built program left beside it must not count.
    TTempFolder dir;
    for (const char* sub : {"data", "images", "help", "documents"})
        CopyFolder(built + "/" + sub, dir.File(QStringLiteral("app/program/") + sub));
    CopyFolder(built + "/../catalog", dir.File("app/catalog"));
    const QString program = dir.File("app/program/vozudarizazi");
    TScopedEnv home("HOME", dir.File("home"));
    TScopedEnv config("XDG_CONFIG_HOME", dir.File("config"));
    TScopedEnv data("XDG_DATA_HOME", dir.File("data"));
    SavedGlobals saved;
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TRecordingDocumentOpener opener;
    TScopedDocumentOpener openerScope(opener);

    // Every module and window that starts reads the program's settings, as
    // they stand, from one read of the file.
    const QString ini = dir.Write("config/DEZ Uder/vozudarizazi/vozudarizazi.ini",
                                  QByteArray("[VAT]\nRate=0.14\n[Enquiry]\nWebAddress=www.example.org\n"));
    const QString reg = dir.Write("config/DEZ Uder/registry.conf", QByteArray("[Software]\nx=1\n"));
    TReadCounter counter;

    TStartupOptions options;
    options.InitPaths = [&] { InitApplicationPaths(program); };
    options.RunEventLoop = false;
    int ranges = -1;
    QString title;
    bool visible = false;
    QString airflow;
    bool projectHidden = false;
    bool settingsHidden = false;
    QString projectFolder;
    options.OnWindowsCreated = [&](TMainForm& form) {
        ranges = form.RangeBox->count();
        title = form.windowTitle();
        visible = form.isVisible();
        airflow = form.edAirflow->text();
        ASSERT_NE(form.ProjectForm(), nullptr);
        ASSERT_NE(form.UnitSettingsForm(), nullptr);
        projectHidden = !form.ProjectForm()->isVisible();
        settingsHidden = !form.UnitSettingsForm()->isVisible();
        projectFolder = form.ProjectForm()->SaveDialog1.InitialDir;
        // The quotation of one item, as the project window's "Quote" writes it.
        form.ProjectForm()->AddSelection(TSpecificationRec{}, TSelectionRec{});
        form.ProjectForm()->ReportBtn->click();
    };
    EXPECT_EQ(RunVozudarizazi(options), 0);
    EXPECT_EQ(counter.Reads(ini), 1);
    EXPECT_EQ(counter.Reads(reg), 1);
    EXPECT_EQ(ranges, 9);
    EXPECT_TRUE(visible);
    EXPECT_EQ(title, "Vozudarizazi " + GetFileVersion(QCoreApplication::applicationFilePath()));
    EXPECT_EQ(airflow, "2.800");
    EXPECT_TRUE(projectHidden);
    EXPECT_TRUE(settingsHidden);
    EXPECT_EQ(projectFolder, dir.File("home/Documents/DEZ Uder/Reruror/vozudarizazi/"));
    EXPECT_EQ(AppCode(), QString::fromLatin1(AppIdentifier));
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('|').toStdString();
    EXPECT_TRUE(messages.Messages.isEmpty());
    const QString documents = dir.File("home/Documents/DEZ Uder/Reruror/vozudarizazi/");
    for (const char* name : {"Logo.gif", "letterhead.txt", "style.css"})
        EXPECT_TRUE(QFileInfo::exists(documents + name)) << name;
    // The quotation shows the seeded logo beside it and the seeded letterhead.
    ASSERT_EQ(opener.Opened, QStringList{documents + "Project.htm"});
    EXPECT_EQ(HtmlPictureFiles(documents + "Project.htm"), QStringList{documents + "Logo.gif"});
    const QString firstLine =
        QString::fromUtf8(ReadFileBytes(documents + "letterhead.txt")).section('\n', 0, 0).trimmed();
    EXPECT_TRUE(ReadFileBytes(documents + "Project.htm")
                    .contains("<p class=\"letterhead\">\r\n" + firstLine.toUtf8() + "<br>"));
    EXPECT_TRUE(QFileInfo(dir.File("config/DEZ Uder/vozudarizazi")).isDir());

    // A settings file that cannot be read is said once, at start-up, with
    // what will not be kept; the closing window says nothing more.
    TScopedEnv badConfig("XDG_CONFIG_HOME", dir.File("config-large"));
    const QString bad = dir.Write("config-large/DEZ Uder/vozudarizazi/vozudarizazi.ini", QByteArray());
    ASSERT_TRUE(QFile(bad).resize(MaxSettingsFileSize + 1));
    messages.Clear();
    options.OnWindowsCreated = [](TMainForm& form) { form.close(); };
    EXPECT_EQ(RunVozudarizazi(options), 0);
    EXPECT_EQ(messages.Errors, QStringList{"Cannot open file \"" + bad +
                                           "\". It is larger than 1 MB.\nThe program starts "
                                           "with its default settings, and what is changed in this run (window places, "
                                           "column widths, units, the last selection) will not be kept."});
}

TEST(Startup, DefaultDocumentsAreCopiedOnlyWhereMissing)
{
    TTempFolder dir;
    dir.Write("program/documents/Logo.gif", QByteArray("GIF89a"));
    dir.Write("program/documents/letterhead.txt", QByteArray("Letterhead"));
    dir.Write("program/documents/style.css", QByteArray("body{}"));
    dir.Write("program/documents/other.txt", QByteArray("not a default"));
    // The user's own copy counts in any letter case.
    dir.Write("user/Letterhead.TXT", QByteArray("mine"));
    EXPECT_EQ(SeedUserDocuments(dir.File("program/documents"), dir.File("user") + "/"),
              QStringList({"Logo.gif", "style.css"}));
    EXPECT_FALSE(QFileInfo::exists(dir.File("user/letterhead.txt")));
    EXPECT_EQ(ReadFileBytes(dir.File("user/Logo.gif")), QByteArray("GIF89a"));
    EXPECT_FALSE(QFileInfo::exists(dir.File("user/other.txt")));
    EXPECT_TRUE(SeedUserDocuments(dir.File("program/documents"), dir.File("user")).isEmpty());
    // A user folder that fell back to the program folder is left alone.
    EXPECT_TRUE(SeedUserDocuments(dir.File("program/documents"), dir.File("program/documents/")).isEmpty());
    // A logo of the user's own, of any kind, keeps the shipped one out.
    for (const char* own : {"logo.PNG", "Logo.jpg", "LOGO.JPEG"}) {
        TTempFolder user;
        user.Write(own, QByteArray("mine"));
        EXPECT_EQ(SeedUserDocuments(dir.File("program/documents"), user.Path()),
                  QStringList({"letterhead.txt", "style.css"})) << own;
    }
}

} // namespace
