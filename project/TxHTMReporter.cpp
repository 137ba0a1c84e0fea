#include "TxHTMReporter.h"

#include "DocumentFiles.h"
#include "SilencerRanges.h"
#include "TxApplicationPath.h"
#include "TxErrors.h"
#include "TxPlatform.h"
#include "TxSaveFile.h"
#include "TxString.h"

#include <QFileInfo>

#include <algorithm>

namespace {

QString FileNamePart(const QString& path)
{
    const qsizetype at = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(at + 1);
}

} // namespace

THTMReporter::THTMReporter(const QString& exeDir, const QString& makerCommonDir)
    : THTMWriter(FOwnLines), FMakerCommonDir(makerCommonDir), FFileName(exeDir + QStringLiteral("Report/Report.htm"))
{
}

THTMReporter::THTMReporter() : THTMReporter(ExeDir, MakerCommonDir) {}

void THTMReporter::SetupHeader(const QString& heading, const QString& letterheadFile, const QString& logoFile,
                               bool logoLeft, bool logoWithLetterhead)
{
    FHeading = heading;
    FLetterheadFile = letterheadFile;
    FLogoFile = logoFile;
    FLogoLeft = logoLeft;
    FLogoWithLetterhead = logoWithLetterhead;
}

void THTMReporter::SetReportFileName(const QString& name, bool setTitle)
{
    FFileName = name;
    if (setTitle)
        FTitle = FileNamePart(name);
}

void THTMReporter::BeginDocument(bool withHeader, const QString& styleFile, const TStringDynArray& rules)
{
    Clear();
    BeginHtml();
    BeginHead();
    Add(QStringLiteral("<meta charset=\"utf-8\">"));
    WriteTitle(FTitle);
    if (!styleFile.isEmpty() && QFileInfo(styleFile).isFile()) {
        TStringDynArray styleLines;
        LoadLinesFromFile(styleFile, styleLines);
        Add(QStringLiteral("<style>"));
        for (const QString& line : styleLines + rules)
            Add(line);
        Add(QStringLiteral("</style>"));
    } else {
        WriteStyleLink(QStringLiteral("style.css"));
        WriteStyleLink(QStringLiteral("print.css"), QStringLiteral("media=\"print\""));
        if (!rules.isEmpty()) {
            Add(QStringLiteral("<style>"));
            for (const QString& line : rules)
                Add(line);
            Add(QStringLiteral("</style>"));
        }
    }
    EndHead();
    BeginBody();
    if (withHeader) {
        WriteLetterhead();
        WriteRule(QStringLiteral("class=\"header\""));
    }
}

void THTMReporter::WriteLetterheadLines(const QString& attrs)
{
    // The maker's letterhead stands in for a missing own one, from then on.
    if (!QFileInfo(FLetterheadFile).isFile()) {
        const QString maker = FMakerCommonDir.isEmpty()
                                  ? QString()
                                  : FindDataFile(FMakerCommonDir, QString::fromLatin1(LetterheadFileName));
        FLetterheadFile = maker.isEmpty() ? FMakerCommonDir + QString::fromLatin1(LetterheadFileName) : maker;
    }
    if (!QFileInfo(FLetterheadFile).isFile())
        return;
    TStringDynArray lines;
    LoadLinesFromFile(FLetterheadFile, lines);
    WriteLines(lines, attrs);
}

void THTMReporter::WriteLogo(const QString& attrs)
{
    // No logo anywhere: no broken picture either.
    if (!FLogoFile.isEmpty())
        WriteImage(FLogoFile, attrs);
}

void THTMReporter::WriteLetterhead()
{
    const QString logoAttrs =
        FLogoLeft ? QStringLiteral("border=\"0\" align=\"left\"") : QStringLiteral("border=\"0\" align=\"right\"");
    if (FLogoWithLetterhead) {
        BeginDiv();
        WriteLogo(logoAttrs);
        WriteLetterheadLines(QStringLiteral("class=\"letterhead\""));
        EndDiv();
        WriteClearBreak();
        WriteHeading(FHeading, 1);
    } else {
        BeginDiv(QStringLiteral("class=\"heading\""));
        WriteLogo(logoAttrs);
        WriteHeading(FHeading, 1);
        EndDiv();
        WriteClearBreak();
        BeginDiv();
        WriteLetterheadLines(QStringLiteral("class=\"letterhead\" align=\"right\""));
        EndDiv();
        WriteClearBreak();
    }
}

void THTMReporter::BeginKeepTogether(const QString& attrs)
{
    BeginDiv(QStringLiteral("class=\"keeptogether\" ") + attrs);
}

void THTMReporter::EndSection()
{
    EndDiv();
    WriteClearBreak();
    WriteSpacer();
}

void THTMReporter::SaveReport()
{
    QByteArray bytes;
    bytes.reserve(Bytes());
    for (const QString& line : FOwnLines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    QString reason;
    if (!SaveFileAtomically(FFileName, bytes, &reason))
        throw EInOutError(QStringLiteral("Cannot create file \"%1\". %2").arg(FFileName, reason));
}

void THTMReporter::ShowReport()
{
    OpenDocumentOrReport(FFileName);
}
