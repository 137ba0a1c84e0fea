#pragma once

#include "TxHTMWriter.h"

#include <QString>
#include <QStringList>

// A report document: the writer with its own lines, the head with title and
// style sheet, the letterhead block with the logo, saving and showing.
class THTMReporter : public THTMWriter {
public:
    // `exeDir` holds the default Report folder, `makerCommonDir` the maker's
    // letterhead used when the reporter's own one is missing; both end in "/".
    THTMReporter(const QString& exeDir, const QString& makerCommonDir);
    // With the application's folders (ExeDir, MakerCommonDir).
    THTMReporter();

    const QString& Title() const { return FTitle; }
    const QString& Heading() const { return FHeading; }
    bool LogoLeft() const { return FLogoLeft; }
    bool LogoWithLetterhead() const { return FLogoWithLetterhead; }
    const QString& FileName() const { return FFileName; }
    const QString& LetterheadFile() const { return FLetterheadFile; }
    const QString& LogoFile() const { return FLogoFile; }

    void SetupHeader(const QString& heading, const QString& letterheadFile, const QString& logoFile, bool logoLeft,
                     bool logoWithLetterhead);
    // With `setTitle` the title becomes the file-name part of `name`.
    void SetReportFileName(const QString& name, bool setTitle);

    // Empties the document and writes its head; `styleFile` (when it exists)
    // is copied into the head with `rules` after it, else the standard style
    // sheets are linked. Raises EInOutError when the style file cannot be read.
    void BeginDocument(bool withHeader, const QString& styleFile, const TStringDynArray& rules);
    // The logo and letterhead block; may be written once per page. An empty
    // LogoFile leaves the logo out. Raises
    // EInOutError when the letterhead file cannot be read.
    void WriteLetterhead();
    void BeginKeepTogether(const QString& attrs = QString());
    void EndSection();

    // Writes the document as UTF-8 with CR LF line ends; an existing file is
    // replaced only when the new one is complete. Raises EInOutError.
    void SaveReport();
    // Opens the saved document in the desktop's browser; says so when it cannot.
    void ShowReport();

private:
    void WriteLetterheadLines(const QString& attrs);
    void WriteLogo(const QString& attrs);

    QStringList FOwnLines;
    QString FMakerCommonDir;
    QString FTitle = QStringLiteral("Report");
    QString FHeading;
    bool FLogoLeft = false;
    bool FLogoWithLetterhead = false;
    QString FFileName;
    QString FLetterheadFile = QStringLiteral("LetterHead.txt");
    QString FLogoFile = QStringLiteral("ReportLogo.gif");
};
