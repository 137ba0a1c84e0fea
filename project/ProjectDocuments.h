#pragma once

#include "TxHTMReporter.h"
#include "TxTypes.h"

#include <QString>

class TProject;

// The project's two HTML documents: the quotation "Project.htm" (up to four
// silencers side by side per printed page, their prices, ancillaries, VAT and
// the totals) and the schedule "Schedule.htm" (one row per silencer). Both
// are written into a folder that holds the user's "letterhead.txt",
// "Logo.gif" and "style.css" (see DocumentFiles.h; the letterhead and the
// logo fall back to the program's copies), and opened there in the
// browser. Texts of the project and the catalogue are escaped; the
// letterhead and the style file go in as the user wrote them.

// The largest document written: no larger than the files the program reads.
inline constexpr qint64 MaxDocumentSize = 64LL * 1024 * 1024;

inline constexpr char QuotationFileName[] = "Project.htm";
inline constexpr char ScheduleFileName[] = "Schedule.htm";

// Two band values side by side in fixed-width columns ("%4.0f  %7.0f" with
// every blank made a non-breaking space).
QString FormatBandPair(double selected, double required);

// The CSS rules each document adds after the user's style sheet.
TStringDynArray QuotationRules();
TStringDynArray ScheduleRules();

// Fills `reporter` with the whole document for `project`, taking the
// letterhead and style sheet from `folder` and the file name `folder` +
// QuotationFileName or ScheduleFileName. Nothing is saved. Raises EInOutError
// when the style or letterhead file exists but cannot be read, and when the
// document would be larger than MaxDocumentSize (the quotation's ancillary
// rows, a row per name on every page, are counted before any is written).
void BuildQuotation(THTMReporter& reporter, const TProject& project, const QString& folder, const QString& versionText);
void BuildSchedule(THTMReporter& reporter, const TProject& project, const QString& folder, const QString& versionText);

// The project window's "Quote" and "Schedule" commands after the header has
// been copied into the project: the folder is created when missing (one
// level), the document is written over the previous one and opened through
// DocumentOpener(). Return the document's path. Raise EInOutError, with
// nothing opened, when the folder or the file cannot be written.
QString ShowQuotation(const TProject& project, const QString& versionText, const QString& folder);
QString ShowSchedule(const TProject& project, const QString& versionText, const QString& folder);
// The same into UserDataDir, with the running program's version text.
QString ShowQuotation(const TProject& project);
QString ShowSchedule(const TProject& project);
