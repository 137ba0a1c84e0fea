#include "PreMain.h"

#include "DocumentFiles.h"
#include "ProjectClass.h"
#include "ProjectDlg.h"
#include "SilencerRanges.h"
#include "TxPrintPreviewDlg.h"
#include "TxApplicationPath.h"
#include "TxErrors.h"
#include "TxIniFile.h"
#include "TxPlatform.h"
#include "TxSilencerXML.h"
#include "TxEmailDlg.h"
#include "TxSysUtils.h"
#include "UnitSettingsDlg.h"
#include "UnitsManager.h"
#include "main.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <clocale>
#include <exception>
#include <optional>

void SetNumberSeparators()
{
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
}

void InitPreMain()
{
    RegBase = QStringLiteral("Software\\DEZ Uder\\");
    DataFolder = QStringLiteral("DEZ Uder\\Reruror\\");
    SetNumberSeparators();
}

QString ErrorBoxText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void ShowHandlerError(const QString& message)
{
    Messages().ShowError(ErrorBoxText(message));
}

bool RunGuarded(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const Exception& e) {
        ShowHandlerError(e.Message());
    } catch (const std::exception& e) {
        ShowHandlerError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

TVozApplication::TVozApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TVozApplication::notify(QObject* receiver, QEvent* event)
{
    // The last resort: handlers guard themselves, so an error seldom gets here.
    bool result = false;
    RunGuarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}

QStringList SeedUserDocuments(const QString& programDocuments, const QString& userDataDir)
{
    QStringList copied;
    if (userDataDir.isEmpty())
        return copied;
    const QString from = QDir::cleanPath(programDocuments);
    const QString to = QDir::cleanPath(userDataDir);
    if (from == to)
        return copied;
    for (const char* file : {LogoFileName, LetterheadFileName, StyleFileName}) {
        const QString name = QString::fromLatin1(file);
        const QString source = FindDataFile(from, name);
        const QString target = to + QLatin1Char('/') + name;
        // The user's own copy counts in any letter case, a logo in any of
        // its kinds.
        const QString own = name == QLatin1String(LogoFileName) ? FindLogoFile(to, QString()) : FindDataFile(to, name);
        if (!QFileInfo::exists(target) && own.isEmpty() && !source.isEmpty() && CopyShippedFile(source, target))
            copied.append(name);
    }
    return copied;
}

int RunVozudarizazi(const TStartupOptions& options)
{
    // The title captions every box, those of a failing start-up too.
    QCoreApplication::setApplicationName(QString::fromLatin1(ApplicationTitleText));
    // The modules and windows read the program's INI file, as it stands, once.
    std::optional<TIniReadShare> oneRead(std::in_place);
    // What start-up cut from the default ancillaries, said once.
    QString ancillariesNote;
    // The modules' start-up, in their fixed order.
    try {
        LoadContactInfo();
        InitPreMain();
        SetNumberSeparators();
        if (options.InitPaths)
            options.InitPaths();
        else
            InitApplicationPaths();
        ancillariesNote = InitProjectSettings(IniFileName(), ExeDir + QStringLiteral("data/ancillaries.ini"));
        InitUserInfo();
        CreateUnitsManager(IniFileName());
    } catch (const Exception& e) {
        ShowHandlerError(e.Message());
        return 1;
    }
    SeedUserDocuments(ExeDir + QStringLiteral("documents"), UserDataDir);
    // Said now, once, and not when the closing window cannot save.
    if (const QString refused = SettingsFileRefusal(IniFileName()); !refused.isEmpty())
        ShowErrorOnce(IniFileName(), refused + QStringLiteral("\nThe program starts with its default settings, and "
                                                              "what is changed in this run (window places, column "
                                                              "widths, units, the last selection) will not be kept."));

    SetAppCode(QString::fromLatin1(AppIdentifier));

    int result = 0;
    {
        // The windows in their fixed order, each once; they live until the
        // loop has ended and go in the reverse order.
        TMainForm mainForm(TMainFormPaths::FromApplication());
        TPrintPreviewForm printPreviewForm(&mainForm);
        TProjectForm projectForm(&mainForm);
        TEmailForm emailForm(&projectForm);
        TUnitSettingsForm unitSettingsForm(&mainForm);
        mainForm.SetPrintPreviewForm(&printPreviewForm);
        mainForm.SetProjectForm(&projectForm);
        mainForm.SetUnitSettingsForm(&unitSettingsForm);
        projectForm.SetHost(&mainForm);
        projectForm.SetEmailForm(&emailForm);
        mainForm.show();
        oneRead.reset();
        if (!ancillariesNote.isEmpty())
            Messages().ShowMessage(ancillariesNote);
        if (options.OnWindowsCreated)
            options.OnWindowsCreated(mainForm);
        if (options.RunEventLoop)
            result = QApplication::exec();
    }
    FreeUnitsManager();
    return result;
}
