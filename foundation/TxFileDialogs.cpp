#include "TxFileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>

IFileDialogService::~IFileDialogService() = default;

namespace {

IFileDialogService* gFileDialogs = nullptr;

TQtFileDialogService& QtService()
{
    static TQtFileDialogService service;
    return service;
}

} // namespace

QString QtFileDialogFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString pattern = p.trimmed();
            patterns.append(pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        }
        // The description's own "(*.*)" is what the dialog parses.
        description.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
        if (!description.contains(QLatin1Char('(')))
            description += QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        entries.append(description);
    }
    return entries.join(QStringLiteral(";;"));
}

QString WithDefaultExt(const QString& fileName, const QString& defaultExt)
{
    if (fileName.isEmpty() || defaultExt.isEmpty())
        return fileName;
    const QString name = QFileInfo(fileName).fileName();
    if (name.contains(QLatin1Char('.')))
        return fileName;
    return fileName + QLatin1Char('.') + defaultExt;
}

bool TQtFileDialogService::Execute(QWidget* parent, const TFileDialogRequest& request, QString& fileName)
{
    QFileDialog dialog(parent, request.Title, request.InitialDir, QtFileDialogFilter(request.Filter));
    dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.DefaultExt);
    if (!request.FileName.isEmpty()) {
        const QFileInfo proposed(request.FileName);
        if (proposed.isAbsolute())
            dialog.setDirectory(proposed.absolutePath());
        dialog.selectFile(proposed.fileName());
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return false;
    fileName = files.first();
    return true;
}

bool TRecordingFileDialogService::Execute(QWidget*, const TFileDialogRequest& request, QString& fileName)
{
    Requests.append(request);
    const QString answer = Answers.isEmpty() ? QString() : Answers.takeFirst();
    if (answer.isEmpty())
        return false;
    fileName = answer;
    return true;
}

IFileDialogService& FileDialogs()
{
    return gFileDialogs ? *gFileDialogs : QtService();
}

void SetFileDialogService(IFileDialogService* service)
{
    gFileDialogs = service;
}

TScopedFileDialogService::TScopedFileDialogService(IFileDialogService& service) : FPrevious(gFileDialogs)
{
    gFileDialogs = &service;
}

TScopedFileDialogService::~TScopedFileDialogService()
{
    gFileDialogs = FPrevious;
}
