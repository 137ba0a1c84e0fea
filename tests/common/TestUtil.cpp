#include "TestUtil.h"

#include <QApplication>
#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <csignal>
#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <zlib.h>

TTempFolder::TTempFolder()
{
    if (!FDir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
}

QString TTempFolder::File(const QString& name) const
{
    return FDir.filePath(name);
}

QString TTempFolder::Write(const QString& name, const QByteArray& contents) const
{
    const QString path = File(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(contents) != contents.size())
        throw std::runtime_error("cannot write test file");
    return path;
}

namespace {

const QString FillerName = QStringLiteral("filler");
struct rlimit GSizeLimit;
void (*GSizeSignal)(int) = SIG_DFL;

} // namespace

TFullDisk::TFullDisk()
{
    FMounted = ::mount("tmpfs", QFile::encodeName(FDir.Path()).constData(), "tmpfs", 0, "size=256k") == 0;
}

TFullDisk::~TFullDisk()
{
    if (FLimited) {
        ::setrlimit(RLIMIT_FSIZE, &GSizeLimit);
        std::signal(SIGXFSZ, GSizeSignal);
    }
    if (FMounted)
        ::umount2(QFile::encodeName(FDir.Path()).constData(), MNT_DETACH);
}

void TFullDisk::Fill(qint64 room)
{
    if (FMounted) {
        struct statvfs fs {};
        if (::statvfs(QFile::encodeName(FDir.Path()).constData(), &fs) != 0)
            throw std::runtime_error("cannot measure the test disk");
        const qint64 free = qint64(fs.f_bavail) * qint64(fs.f_frsize);
        FDir.Write(FillerName, QByteArray(free - room, 'f'));
        return;
    }
    ::getrlimit(RLIMIT_FSIZE, &GSizeLimit);
    struct rlimit limit = GSizeLimit;
    limit.rlim_cur = rlim_t(room);
    // Past the limit a write fails with EFBIG instead of ending the process.
    GSizeSignal = std::signal(SIGXFSZ, SIG_IGN);
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        throw std::runtime_error("cannot limit file sizes");
    FLimited = true;
}

QStringList TFullDisk::Files() const
{
    QStringList files = QDir(FDir.Path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    files.removeAll(FillerName);
    return files;
}

void CopyFolder(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + "/" + QDir(from).relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(file, target);
    }
}

QByteArray ReadFileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QByteArray PngChunk(const char* type, const QByteArray& data)
{
    QByteArray chunk;
    QDataStream out(&chunk, QIODevice::WriteOnly);
    out << quint32(data.size());
    out.writeRawData(type, 4);
    out.writeRawData(data.constData(), int(data.size()));
    out << quint32(crc32(crc32(0, reinterpret_cast<const Bytef*>(type), 4),
                         reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
    return chunk;
}

QString TestDataDir()
{
    return QStringLiteral(VOZ_TEST_DATA_DIR);
}

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '[';
    for (qsizetype i = 0; i < list.size(); ++i)
        *os << (i ? ", " : "") << '"' << list[i].toStdString() << '"';
    *os << ']';
}

namespace {

QString RunTool(const QString& program, const QStringList& args, const QString& workingDir = QString())
{
    QProcess p;
    p.setWorkingDirectory(workingDir);
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

QString PdfToText(const QString& pdf)
{
    return RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                                 QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
}

QString PdfInfo(const QString& pdf, const QString& key)
{
    const QString info = RunTool(QStringLiteral("pdfinfo"), {pdf});
    for (const QString& line : info.split(QLatin1Char('\n'))) {
        if (line.startsWith(key + QLatin1Char(':')))
            return line.mid(key.size() + 1).trimmed();
    }
    return {};
}

TPdfPage ReadPdfPage(const QString& pdf)
{
    TPdfPage page;
    auto number = [](const QRegularExpressionMatch& m, const char* name) {
        return m.captured(QString::fromLatin1(name)).toDouble();
    };
    const QString words =
        RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                                              QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")});
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("<page width=\"(?<w>[\\d.]+)\" height=\"(?<h>[\\d.]+)\"")).match(words);
    page.Size = QSizeF(number(size, "w"), number(size, "h"));
    const QRegularExpression word(QStringLiteral("<word xMin=\"(?<x0>[\\d.]+)\" yMin=\"(?<y0>[\\d.]+)\" "
                                                 "xMax=\"(?<x1>[\\d.]+)\" yMax=\"(?<y1>[\\d.]+)\">(?<t>[^<]*)"));
    for (const QRegularExpressionMatch& m : word.globalMatch(words)) {
        QString text = m.captured(QStringLiteral("t"));
        text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
            .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
            .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        page.Words.push_back(
            {text, QRectF(QPointF(number(m, "x0"), number(m, "y0")), QPointF(number(m, "x1"), number(m, "y1")))});
    }
    // pdftohtml writes the pictures it finds beside its output.
    QTemporaryDir scratch;
    const QString xml = RunTool(QStringLiteral("pdftohtml"),
                                {QStringLiteral("-xml"), QStringLiteral("-zoom"), QStringLiteral("1"),
                                 QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                 QStringLiteral("-stdout"), QStringLiteral("-q"), QFileInfo(pdf).absoluteFilePath()},
                                scratch.path());
    const QRegularExpression image(
        QStringLiteral("<image top=\"(?<y>-?\\d+)\" left=\"(?<x>-?\\d+)\" width=\"(?<w>\\d+)\" height=\"(?<h>\\d+)\""));
    for (const QRegularExpressionMatch& m : image.globalMatch(xml))
        page.Pictures.emplace_back(number(m, "x"), number(m, "y"), number(m, "w"), number(m, "h"));
    RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("72"),
                                         QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-singlefile"),
                                         QFileInfo(pdf).absoluteFilePath(), scratch.filePath(QStringLiteral("page"))});
    page.Rendered.load(scratch.filePath(QStringLiteral("page.png")));
    return page;
}

QStringList HtmlPictureFiles(const QString& htmlFile)
{
    QFile file(htmlFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString html = QString::fromUtf8(file.readAll());
    const QUrl base = QUrl::fromLocalFile(QFileInfo(htmlFile).absoluteFilePath());
    QStringList files;
    const QRegularExpression img(QStringLiteral("<img\\s[^>]*src=\"([^\"]*)\""),
                                 QRegularExpression::CaseInsensitiveOption);
    for (const QRegularExpressionMatch& m : img.globalMatch(html)) {
        QString src = m.captured(1);
        src.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        files.append(base.resolved(QUrl(src)).toLocalFile());
    }
    return files;
}

namespace {

// Runs a CUPS tool on the tests' scheduler; a failure stops the test.
QString RunCups(const QString& program, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error(QStringLiteral("%1 %2 failed: %3")
                                     .arg(program, args.join(QLatin1Char(' ')),
                                          QString::fromUtf8(p.readAllStandardError()))
                                     .toStdString());
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString PrintEnv(const char* name)
{
    return qEnvironmentVariable(name);
}

// Job numbers of the queue's jobs that `which` selects (lpstat -W).
QStringList JobIds(const QString& queue, const QString& which)
{
    QStringList ids;
    const QRegularExpression job(QStringLiteral("^%1-(\\d+)\\s").arg(QRegularExpression::escape(queue)));
    const QString list = RunCups(QStringLiteral("lpstat"), {QStringLiteral("-W"), which, QStringLiteral("-o"), queue});
    for (const QString& line : list.split(QLatin1Char('\n')))
        if (const QRegularExpressionMatch m = job.match(line); m.hasMatch())
            ids.append(m.captured(1));
    return ids;
}

} // namespace

QString TTestPrintQueue::Unavailable()
{
    if (const QString why = PrintEnv("VOZ_TEST_PRINT_SKIPPED"); !why.isEmpty())
        return QStringLiteral("No print system for the tests: ") + why;
    if (PrintEnv("VOZ_TEST_PRINT_DIR").isEmpty() || PrintEnv("CUPS_SERVER").isEmpty())
        return QStringLiteral("No print system for the tests: scripts/test starts one when run as root");
    return {};
}

TTestPrintQueue::TTestPrintQueue(const QString& name, const QString& paper, const QStringList& withoutPapers)
    : FName(name)
{
    QString ppd = PrintEnv("VOZ_TEST_PRINT_PPD");
    if (!withoutPapers.isEmpty()) {
        QStringList escaped;
        for (const QString& p : withoutPapers)
            escaped.append(QRegularExpression::escape(p));
        const QRegularExpression dropped(
            QStringLiteral("^\\*(PageSize|PageRegion|ImageableArea|PaperDimension) (%1)/").arg(escaped.join('|')));
        QStringList kept;
        bool custom = false;
        for (const QString& line : QString::fromLatin1(ReadFileBytes(ppd)).split(QLatin1Char('\n'))) {
            // The custom size's code runs on to "*End".
            if (line.startsWith(QLatin1String("*CustomPageSize")))
                custom = true;
            if (!custom && !line.contains(QLatin1String("CustomPageSize")) &&
                !line.startsWith(QLatin1String("*VariablePaperSize")) && !dropped.match(line).hasMatch())
                kept.append(line);
            if (custom && line.startsWith(QLatin1String("*End")))
                custom = false;
        }
        ppd = FDir.filePath(QStringLiteral("printer.ppd"));
        QFile file(ppd);
        if (!file.open(QIODevice::WriteOnly) || file.write(kept.join(QLatin1Char('\n')).toLatin1()) < 0)
            throw std::runtime_error("cannot write the printer description");
    }
    // Printed through Cairo, the PDF printer's pages keep text that reads back.
    RunCups(QStringLiteral("lpadmin"), {QStringLiteral("-p"), FName, QStringLiteral("-E"), QStringLiteral("-v"),
                                        PrintEnv("VOZ_TEST_PRINT_DEVICE"), QStringLiteral("-P"), ppd,
                                        QStringLiteral("-o"), QStringLiteral("PageSize=") + paper, QStringLiteral("-o"),
                                        QStringLiteral("pdftops-renderer-default=pdftocairo")});
}

TTestPrintQueue::TTestPrintQueue() : FOwned(false)
{
    // "system default destination: PDF"
    FName = RunCups(QStringLiteral("lpstat"), {QStringLiteral("-d")}).section(QLatin1Char(':'), 1).trimmed();
    if (FName.isEmpty())
        throw std::runtime_error("the print system has no default queue");
    FDone = JobIds(FName, QStringLiteral("completed"));
}

TTestPrintQueue::~TTestPrintQueue()
{
    if (FOwned)
        QProcess::execute(QStringLiteral("lpadmin"), {QStringLiteral("-x"), FName});
}

void TTestPrintQueue::Command(const QString& program) const
{
    RunCups(program, {FName});
}

int TTestPrintQueue::PendingJobs() const
{
    return int(JobIds(FName, QStringLiteral("not-completed")).size());
}

QStringList TTestPrintQueue::Printed() const
{
    QElapsedTimer waited;
    waited.start();
    while (PendingJobs() > 0) {
        if (waited.elapsed() > 60000)
            throw std::runtime_error("the print queue did not finish its jobs within a minute");
        QThread::msleep(50);
    }
    // The PDF printer names its files "<title>-job_<number>.pdf".
    QStringList files;
    const QDir out(PrintEnv("VOZ_TEST_PRINT_DIR"));
    QStringList ids = JobIds(FName, QStringLiteral("completed"));
    std::sort(ids.begin(), ids.end(), [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    for (const QString& id : ids)
        if (!FDone.contains(id))
            for (const QString& f : out.entryList({QStringLiteral("*-job_%1.pdf").arg(id)}, QDir::Files))
                files.append(out.filePath(f));
    return files;
}

namespace {

// Runs `work` on the modal window of type T once one is open, unless
// `stop` was set first. Gives up after a few seconds.
template <class T>
void WhenModal(const std::function<void(T*)>& work, const std::shared_ptr<bool>& stop, int tries = 500)
{
    QTimer::singleShot(10, [work, stop, tries] {
        if (*stop)
            return;
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget()))
            work(window);
        else if (tries > 0)
            WhenModal<T>(work, stop, tries - 1);
    });
}

} // namespace

void AnswerFileDialog(const QString& fileName, bool replace, TFileDialogSeen& seen)
{
    const std::function<void(QFileDialog*)> answer = [fileName, replace, &seen](QFileDialog* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!edit) {
            dialog->reject();
            return;
        }
        seen.Proposed = QDir(dialog->directory()).filePath(edit->text());
        const auto accepted = std::make_shared<bool>(false);
        WhenModal<QMessageBox>(
            [replace, &seen](QMessageBox* box) {
                seen.Question = box->text();
                box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
            },
            accepted);
        edit->setText(fileName);
        static_cast<QDialog*>(dialog)->accept(); // the file dialog's own checks run
        *accepted = true;
        if (dialog->isVisible())
            dialog->reject();
    };
    WhenModal<QFileDialog>(answer, std::make_shared<bool>(false));
}
