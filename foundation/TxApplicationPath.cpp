#include "TxApplicationPath.h"

#include "TxFileRead.h"
#include "TxString.h"
#include "TxSysUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString DataFolder = QStringLiteral("Vededudezar/");

QString DesktopDir;
QString ProgramFilesDir;
QString CommonFilesDir;
QString AppName;
QString ExeDir;
QString MyDocumentsDir;
QString UserDataDir;
QString MakerDir;
QString MakerCommonDir;

namespace {

QString ProgramName()
{
    return AppName.isEmpty() ? FileNameOnly(QCoreApplication::applicationFilePath()) : AppName;
}

QString ProgramDir()
{
    return ExeDir.isEmpty() ? AddBackslash(QCoreApplication::applicationDirPath()) : ExeDir;
}

QString SlashFolder(const QString& folder)
{
    QString result = folder;
    result.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return AddBackslash(result);
}

bool IsWritableFolder(const QString& path)
{
    const QFileInfo info(path);
    return info.isDir() && info.isWritable();
}

// The end of the first occurrence of `word` (any letter case) in `path`, or -1.
qsizetype EndOfWord(const QString& path, const QString& word)
{
    const qsizetype at = AsciiUpper(path).indexOf(AsciiUpper(word));
    return at < 0 ? -1 : at + word.size();
}

} // namespace

QString GetMakerFolder(const QString& exeDir, const QString& programFilesDir)
{
    // Linux file names keep their letter case: the prefix is taken from the
    // path as it is spelt.
    for (const QString& word : {QStringLiteral("Vededudezar"), QStringLiteral("5ri")}) {
        const qsizetype end = EndOfWord(exeDir, word);
        if (end >= 0)
            return exeDir.left(end) + QLatin1Char('/');
    }
    return programFilesDir + QStringLiteral("Vededudezar/");
}

QString GetMakerFolder()
{
    return GetMakerFolder(ExeDir, ProgramFilesDir);
}

void InitApplicationPaths(const QString& programFile)
{
    const QString program = programFile.isEmpty() ? QCoreApplication::applicationFilePath() : programFile;
    DesktopDir = GetDesktopDir();
    ProgramFilesDir = GetProgramFilesDir();
    CommonFilesDir = GetCommonFilesDir();
    AppName = FileNameOnly(program);
    ExeDir = AddBackslash(QFileInfo(program).absolutePath());
    MyDocumentsDir = AddBackslash(GetMyDocumentsDir());
    UserDataDir = MyDocumentsDir + SlashFolder(DataFolder) + AppName + QLatin1Char('/');
    if (!QDir().mkpath(UserDataDir)) {
        UserDataDir = ExeDir;
        // An installed program's folder is read-only; the per-user data
        // location is the user's own.
        const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (!IsWritableFolder(ExeDir) && !dataHome.isEmpty()) {
            const QString userData = AddBackslash(dataHome) + SlashFolder(DataFolder) + AppName + QLatin1Char('/');
            if (QDir().mkpath(userData))
                UserDataDir = userData;
        }
    }
    MakerDir = GetMakerFolder();
    MakerCommonDir = MakerDir + QStringLiteral("Common Files/");
}

QString ConfigDir()
{
    const QString dir = AddBackslash(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)) +
                        QStringLiteral("DEZ Uder/") + ProgramName() + QLatin1Char('/');
    QDir().mkpath(dir);
    return dir;
}

bool CopyShippedFile(const QString& source, const QString& target)
{
    if (CheckFileToRead(source) != TFileKind::Regular || !QFile::copy(source, target))
        return false;
    QFile::setPermissions(target, QFile::permissions(target) | QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

QString ConfigFileName(const QString& name)
{
    const QString fileName = ConfigDir() + name;
    if (!QFileInfo::exists(fileName))
        CopyShippedFile(ProgramDir() + name, fileName);
    return fileName;
}

QString IniFileName()
{
    return ConfigFileName(ProgramName() + QStringLiteral(".ini"));
}
