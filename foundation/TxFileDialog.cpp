#include "TxFileDialog.h"

#include "TxString.h"

#include <QFileDialog>
#include <QFileInfo>

IFileDialogService::~IFileDialogService() = default;

namespace {

IFileDialogService* gService = nullptr;

TQtFileDialogService& DefaultService()
{
    static TQtFileDialogService service;
    return service;
}

// The description without a pattern list it may already carry in brackets.
QString BareDescription(const QString& description)
{
    QString text = Trim(description);
    if (text.endsWith(QLatin1Char(')'))) {
        const qsizetype open = text.lastIndexOf(QLatin1Char('('));
        if (open > 0)
            text = Trim(text.left(open));
    }
    return text;
}

} // namespace

bool TQtFileDialogService::Execute(QWidget* parent, const TFileDialogRequest& request, QString& fileName)
{
    QFileDialog dialog(parent, request.Title);
    dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(QtFileDialogFilter(request.Filter));
    dialog.setDefaultSuffix(request.DefaultExt);
    const QFileInfo proposed(request.FileName);
    if (!request.FileName.isEmpty() && proposed.isAbsolute())
        dialog.setDirectory(proposed.absolutePath());
    else if (!request.InitialDir.isEmpty())
        dialog.setDirectory(request.InitialDir);
    if (!request.FileName.isEmpty())
        dialog.selectFile(proposed.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().first();
    return true;
}

bool TRecordingFileDialogService::Execute(QWidget*, const TFileDialogRequest& request, QString& fileName)
{
    Requests.append(request);
    if (Answers.isEmpty())
        return false;
    const QString answer = Answers.takeFirst();
    if (answer.isEmpty())
        return false;
    fileName = answer;
    return true;
}

IFileDialogService& FileDialogs()
{
    return gService ? *gService : DefaultService();
}

void SetFileDialogService(IFileDialogService* service)
{
    gService = service;
}

TScopedFileDialogService::TScopedFileDialogService(IFileDialogService& service) : FPrevious(gService)
{
    gService = &service;
}

TScopedFileDialogService::~TScopedFileDialogService()
{
    gService = FPrevious;
}

QString QtFileDialogFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString pattern = Trim(p);
            if (!pattern.isEmpty())
                patterns.append(pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        }
        if (patterns.isEmpty())
            continue;
        entries.append(BareDescription(parts[i]) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

QString WithDefaultExt(const QString& fileName, const QString& defaultExt)
{
    if (fileName.isEmpty() || defaultExt.isEmpty())
        return fileName;
    const QString name = QFileInfo(fileName).fileName();
    if (name.isEmpty() || name.contains(QLatin1Char('.')))
        return fileName;
    return fileName + QLatin1Char('.') + defaultExt;
}

TFileDialogRequest TFileDialog::Request() const
{
    TFileDialogRequest r;
    r.Save = FSave;
    r.Title = Title;
    r.Filter = Filter;
    r.DefaultExt = DefaultExt;
    r.InitialDir = InitialDir;
    r.FileName = FileName;
    return r;
}

bool TFileDialog::Execute(QWidget* parent)
{
    QString chosen;
    if (!FileDialogs().Execute(parent, Request(), chosen))
        return false;
    FileName = WithDefaultExt(chosen, DefaultExt);
    return true;
}
