#pragma once

#include "SilencerRecords.h"

#include <QSize>
#include <QString>

class TPrintPreviewForm;

// Body text of the report, in points.
inline constexpr int ReportFontSize = 10;

// What the silencer report shows besides what the preview window holds.
struct TSilencerReportInput {
    TSpecificationRec Spec; // the duty of the last search
    TSelectionRec Rec;      // the selected result, copied
    // The main window's shape boxes at the time of drawing.
    bool Rectangular = false;
    bool Circular = false;
    QString UserDataDir; // "Logo.gif", "letterhead.txt"; empty: the program's
    QString ExeDir;      // "images/", "documents/"; empty: the program's
    QString VersionText; // the footer; empty: ReportVersionText()
};

// Draws the one-page report of a selected silencer on the preview window's
// pages: letterhead with logo, the duty, the silencer with its bands,
// pictures and size, and a footer with the version text. Values appear in
// the display quantities' units, which must exist. It is the window's page
// creation for a result: the main window installs a drawer that calls it
// with the duty of the last search and the selected row (TMainForm::BuildReport).
// The logo and letterhead are the user's, else the program's copies; where
// neither is there, or the logo cannot be read, the page goes without, and
// the returned text says so (empty when nothing is amiss). Paper too small
// for the report gets it shrunk to fit. An unreadable letterhead or picture
// raises EInOutError after the document was ended, keeping what was drawn.
QString BuildReport(TPrintPreviewForm& form, const TSilencerReportInput& input);

// How many picture files the report has read and how many pictures it has
// scaled: one drawn again unchanged, at a size it was drawn at, is neither.
struct TReportPictureWork {
    qint64 Read = 0;
    qint64 Scaled = 0;
};
TReportPictureWork ReportPictureWork();
// Lets go of the pictures kept for drawing the report again.
void ReleaseReportPictures();

// The version text of the running program: product name, a blank and the
// file version.
QString ReportVersionText();

// The file `name` inside `folder`, its letter case ignored (the exact
// spelling first); empty when there is none or it lies outside (FindDataFile).
QString FindFileNoCase(const QString& folder, const QString& name);

// How much pictures are scaled so that `photo` and `drawing`, side by side
// `gap` apart, fit `width` and `height`: 1 when they fit as they are.
double PictureScale(QSize photo, QSize drawing, int gap, int width, int height);
