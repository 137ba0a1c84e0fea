#include "TestUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

#include <csignal>
#include <stdexcept>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>

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

QByteArray ReadFileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
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
