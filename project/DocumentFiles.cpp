#include "DocumentFiles.h"

#include "SilencerRanges.h"
#include "TxApplicationPath.h"

#include <QStringList>

namespace {

QString FindFirst(const QStringList& names, const QStringList& folders)
{
    for (const QString& folder : folders) {
        if (folder.isEmpty())
            continue;
        for (const QString& name : names)
            if (QString found = FindDataFile(folder, name); !found.isEmpty())
                return found;
    }
    return {};
}

} // namespace

QString ProgramDocumentsDir()
{
    return ExeDir.isEmpty() ? QString() : ExeDir + QStringLiteral("documents/");
}

QString FindLogoFile(const QString& folder, const QString& programDocuments)
{
    return FindFirst({QStringLiteral("Logo.png"), QStringLiteral("Logo.jpg"), QStringLiteral("Logo.jpeg"),
                      QString::fromLatin1(LogoFileName)},
                     {folder, programDocuments});
}

QString FindLetterheadFile(const QString& folder, const QString& programDocuments)
{
    return FindFirst({QString::fromLatin1(LetterheadFileName)}, {folder, programDocuments});
}
