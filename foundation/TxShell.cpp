#include "TxShell.h"

#include "TxFileRead.h"
#include "TxString.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

QStringList SplitPathList(const QByteArray& value)
{
    QStringList result;
    for (const QString& part : QString::fromLocal8Bit(value).split(QLatin1Char(':'), Qt::SkipEmptyParts))
        result.append(part);
    return result;
}

// Escapes of a desktop entry's string values: \s \n \t \r \\.
QString UnescapeValue(const QString& value)
{
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 >= value.size()) {
            result += c;
            continue;
        }
        const QChar n = value[++i];
        switch (n.unicode()) {
        case 's':
            result += QLatin1Char(' ');
            break;
        case 'n':
            result += QLatin1Char('\n');
            break;
        case 't':
            result += QLatin1Char('\t');
            break;
        case 'r':
            result += QLatin1Char('\r');
            break;
        default:
            // "\\" and anything else the Exec rules still need to see.
            if (n == QLatin1Char('\\'))
                result += QLatin1Char('\\');
            else {
                result += QLatin1Char('\\');
                result += n;
            }
        }
    }
    return result;
}

struct TExecArg {
    QString Text;
    bool Quoted = false;
};

// Splits at unquoted blanks; inside double quotes a backslash takes the next
// character literally. False for an unterminated quote.
bool SplitExec(const QString& exec, std::vector<TExecArg>& args)
{
    args.clear();
    TExecArg current;
    bool inArg = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (inQuotes) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size())
                current.Text += exec[++i];
            else if (c == QLatin1Char('"'))
                inQuotes = false;
            else
                current.Text += c;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inArg)
                args.push_back(current);
            current = TExecArg();
            inArg = false;
        } else if (c == QLatin1Char('"')) {
            inQuotes = true;
            inArg = true;
            current.Quoted = true;
        } else {
            current.Text += c;
            inArg = true;
        }
    }
    if (inQuotes)
        return false;
    if (inArg)
        args.push_back(current);
    return true;
}

QString QueryHtmlHandler()
{
    QProcess process;
    process.start(QStringLiteral("xdg-mime"),
                  {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!process.waitForStarted(5000))
        return QString();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        return QString();
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString();
    const QString out = Trim(QString::fromLocal8Bit(process.readAllStandardOutput()));
    return Trim(out.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char(';'), 0, 0));
}

} // namespace

QStringList DesktopDataDirs()
{
    QStringList dirs;
    QString home = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"));
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    dirs.append(home);
    QStringList system = SplitPathList(qgetenv("XDG_DATA_DIRS"));
    if (system.isEmpty())
        system = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    dirs.append(system);
    return dirs;
}

QString FindDesktopFile(const QString& desktopId, const QStringList& dataDirs)
{
    if (desktopId.isEmpty() || desktopId.contains(QLatin1Char('/')))
        return QString();
    for (const QString& dir : dataDirs) {
        const QString apps = dir + QStringLiteral("/applications/");
        const QString direct = apps + desktopId;
        if (QFileInfo(direct).isFile())
            return direct;
        // "vendor-app.desktop" may live as vendor/app.desktop.
        QString relative = desktopId;
        for (qsizetype dash = relative.indexOf(QLatin1Char('-')); dash >= 0;
             dash = relative.indexOf(QLatin1Char('-'), dash + 1)) {
            QString candidate = relative;
            candidate[dash] = QLatin1Char('/');
            if (QFileInfo(apps + candidate).isFile())
                return apps + candidate;
        }
    }
    return QString();
}

QString ReadDesktopExec(const QString& desktopFile, QString* iconName, QString* name)
{
    QByteArray bytes;
    QString error;
    if (!ReadWholeFile(desktopFile, bytes, error))
        return QString();
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    bool inEntry = false;
    QString exec;
    for (const QString& raw : lines) {
        const QString line = Trim(raw);
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        if (!inEntry || line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = Trim(line.left(eq));
        const QString value = UnescapeValue(Trim(line.mid(eq + 1)));
        if (key == QStringLiteral("Exec") && exec.isEmpty())
            exec = value;
        else if (key == QStringLiteral("Icon") && iconName)
            *iconName = value;
        else if (key == QStringLiteral("Name") && name)
            *name = value;
    }
    return exec;
}

TCommandLine ExpandDesktopExec(const QString& exec, const QString& url, const QString& iconName, const QString& name,
                               const QString& desktopFile)
{
    std::vector<TExecArg> parts;
    if (!SplitExec(exec, parts) || parts.empty())
        return {};
    // The program itself is never a field code.
    if (!parts.front().Quoted && parts.front().Text.contains(QLatin1Char('%')))
        return {};
    QStringList args;
    bool urlPlaced = false;
    for (const TExecArg& part : parts) {
        if (part.Quoted) {
            args.append(part.Text);
            continue;
        }
        if (part.Text == QStringLiteral("%i")) {
            if (!iconName.isEmpty())
                args << QStringLiteral("--icon") << iconName;
            continue;
        }
        QString expanded;
        bool dropped = false;
        for (qsizetype i = 0; i < part.Text.size(); ++i) {
            const QChar c = part.Text[i];
            if (c != QLatin1Char('%') || i + 1 >= part.Text.size()) {
                expanded += c;
                continue;
            }
            const QChar code = part.Text[++i];
            switch (code.unicode()) {
            case '%':
                expanded += QLatin1Char('%');
                break;
            case 'u':
            case 'U':
            case 'f':
            case 'F':
                // One document: the URL goes in the first file code only;
                // a start without one leaves the codes out.
                if (!urlPlaced && !url.isEmpty()) {
                    expanded += url;
                    urlPlaced = true;
                } else if (part.Text.size() == 2) {
                    dropped = true;
                }
                break;
            case 'c':
                expanded += name;
                break;
            case 'k':
                expanded += desktopFile;
                break;
            default:
                // Deprecated and unknown codes expand to nothing.
                if (part.Text.size() == 2)
                    dropped = true;
                break;
            }
        }
        if (!dropped)
            args.append(expanded);
    }
    if (args.isEmpty() || args.first().isEmpty())
        return {};
    if (!urlPlaced && !url.isEmpty())
        args.append(url);
    TCommandLine command;
    command.Program = args.takeFirst();
    command.Arguments = args;
    return command;
}

QString DocumentUrlWithAnchor(const QString& path, const QString& anchor)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return QUrl::fromLocalFile(absolute).toString(QUrl::FullyEncoded) + QLatin1Char('#') + anchor;
}

bool StartHandler(const TCommandLine& command, const std::function<void()>& failed)
{
    // The handler runs in the background of a shell of its own whose exit
    // code is the handler's: the program's end, which kills the shell, then
    // leaves the handler (a browser, say) open.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProgram(QStringLiteral("/bin/sh"));
    process->setArguments(
        QStringList{QStringLiteral("-c"), QStringLiteral("\"$@\" & wait $!"), QStringLiteral("sh"), command.Program} +
        command.Arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(process, &QProcess::finished, process, [process, failed](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        if (status == QProcess::NormalExit && code != 0 && failed)
            failed();
    });
    // Ended quietly with the program; a handler it started stays.
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, process, [process] {
        QObject::disconnect(process, &QProcess::finished, nullptr, nullptr);
        process->kill();
        process->waitForFinished(1000);
    });
    process->start();
    if (!process->waitForStarted(5000)) {
        delete process;
        return false;
    }
    return true;
}

TShellDocumentOpener::TShellDocumentOpener() : FQuery(QueryHtmlHandler), FLauncher(StartHandler) {}

TShellDocumentOpener::TShellDocumentOpener(THandlerQuery query, QStringList dataDirs, TLauncher launcher)
    : FQuery(std::move(query)), FDataDirs(std::move(dataDirs)), FLauncher(std::move(launcher))
{
}

namespace {

TCommandLine XdgOpenCommand(const QString& pathOrUrl)
{
    const QString target = QFileInfo::exists(pathOrUrl) ? QFileInfo(pathOrUrl).absoluteFilePath() : pathOrUrl;
    return {QStringLiteral("xdg-open"), {target}};
}

} // namespace

bool TShellDocumentOpener::OpenDocument(const QString& pathOrUrl)
{
    return Launch(XdgOpenCommand(pathOrUrl), [pathOrUrl] { ReportOpenFailure(pathOrUrl); });
}

bool TShellDocumentOpener::Launch(const TCommandLine& command, const std::function<void()>& failed)
{
    if (command.IsEmpty() || !FLauncher)
        return false;
    return FLauncher(command, failed);
}

TCommandLine TShellDocumentOpener::AnchorCommand(const QString& path, const QString& anchor) const
{
    const QString id = FQuery ? FQuery() : QString();
    if (id.isEmpty())
        return {};
    const QString desktopFile = FindDesktopFile(id, FDataDirs.isEmpty() ? DesktopDataDirs() : FDataDirs);
    if (desktopFile.isEmpty())
        return {};
    QString icon;
    QString name;
    const QString exec = ReadDesktopExec(desktopFile, &icon, &name);
    if (exec.isEmpty())
        return {};
    return ExpandDesktopExec(exec, DocumentUrlWithAnchor(path, anchor), icon, name, desktopFile);
}

bool TShellDocumentOpener::OpenDocumentAtAnchor(const QString& path, const QString& anchor)
{
    // Without an HTML handler, or with one that fails, the page still opens
    // through the desktop's opener, only not at its anchor.
    const TLauncher launcher = FLauncher;
    const auto plain = [launcher, path] {
        return launcher && launcher(XdgOpenCommand(path), [path] { ReportOpenFailure(path); });
    };
    return Launch(AnchorCommand(path, anchor), [plain] { plain(); }) || plain();
}

bool OpenDocumentAtAnchor(const QString& path, const QString& anchor)
{
    return DocumentOpener().OpenDocumentAtAnchor(path, anchor);
}
