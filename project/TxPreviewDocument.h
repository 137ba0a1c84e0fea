#pragma once

#include "TxErrors.h"
#include "TxPreviewPage.h"

#include <QFont>
#include <QObject>
#include <QPainter>
#include <QRect>
#include <QString>
#include <QStringList>

#include <exception>
#include <memory>
#include <vector>

class QPrinter;
class TPrintJob;
class TPageRecorder;

// The preview refuses what it cannot do now or at all.
class EPrintPreviewError : public Exception {
public:
    using Exception::Exception;
};

enum TPreviewState { psReady, psCreating, psPrinting };

// The pages of a print preview, without a window: a drawer creates them
// between BeginDoc and EndDoc on Canvas(), in the document's units on a
// sheet of the chosen paper; the document keeps them as pictures, saves and
// loads them as preview files, exports them as PDF and prints them. In
// direct-print mode the drawer's pages go straight to the printer and the
// pages kept stay as they are.
class TPreviewDocument : public QObject {
    Q_OBJECT
public:
    explicit TPreviewDocument(QObject* parent = nullptr);
    ~TPreviewDocument() override;

    // Units of the canvas for pages drawn from now on.
    TPreviewUnits Units() const { return FUnits; }
    void SetUnits(TPreviewUnits units);
    // `value` given in `from`, in the document's units.
    int ToUnits(int value, TPreviewUnits from) const { return ConvertUnits(value, from, FUnits); }

    // The papers offered, by name; the chosen one sizes new pages.
    QStringList PaperNames() const;
    const QString& PaperName() const { return FPaperName; }
    // Raises EPrintPreviewError for a paper that is not offered.
    void SetPaperName(const QString& name);
    // Offers another paper (or resizes one offered), OnPaperAdded.
    void AddPaper(const QString& name, const QPageSize& size);
    // Withdraws a paper, OnPaperRemoved; the chosen one goes to the first left.
    void RemovePaper(const QString& name);
    QPageSize PaperSize() const;
    // The chosen paper's sheet in the document's units, at the origin.
    QRect PageBounds() const;

    // The font a new page's canvas starts with.
    const QFont& Font() const { return FFont; }
    void SetFont(const QFont& font) { FFont = font; }

    QString PrintJobTitle;
    bool GrayscalePreview = false;
    bool GrayscalePrint = false;

    TPreviewState State() const { return FState; }
    bool DirectPrint() const { return FDirectPrint; }
    // Raises while pages are being made.
    void SetDirectPrint(bool on);

    // Starts a document on a first page (OnBeginDoc, OnNewPage). The pages
    // kept are dropped unless printing directly. Raises when busy.
    void BeginDoc();
    // Ends the page drawn and starts the next (OnNewPage).
    void NewPage();
    // Ends the last page and the document (OnEndDoc); nothing when no
    // document is being made. Never raises: a direct print's job that fails
    // is kept for RaisePrintFailure.
    void EndDoc();
    // Raises, once, the failure of the last direct print's job.
    void RaisePrintFailure();
    // The canvas of the page being drawn; null outside BeginDoc..EndDoc.
    QPainter* Canvas() { return FPainter.isActive() ? &FPainter : nullptr; }

    int TotalPages() const { return int(FPages.size()); }
    // 1-based; 0 when there are no pages.
    int CurrentPage() const { return FCurrentPage; }
    void SetCurrentPage(int page);
    const TPreviewPage& Page(int page) const { return FPages.at(size_t(page - 1)); }
    void Clear();

    // Raise EInOutError, EPreviewFileError or EPrintPreviewError; a failed
    // load keeps the pages there were.
    void SaveToFile(const QString& fileName) const;
    void LoadFromFile(const QString& fileName);
    void SaveAsPDF(const QString& fileName) const;
    // Prints the pages on Printer(), those of the range the print dialog
    // chose or all, on the sheet they were drawn on (OnBeforePrint,
    // OnPrintProgress per page, OnAfterPrint, the last also after a
    // failure). Raises EPrintError before anything when the printer cannot
    // take the sheet, and when the job does not start or its queue refuses
    // it; direct printing does the same.
    void Print();

    // The printer the document prints on, made when first asked for.
    QPrinter& Printer();
    // The sheet to print on, full-page and turned as it is, for the
    // printer: the kept pages' (a loaded preview may have been drawn on
    // another), or the chosen paper for direct printing or without pages.
    void ApplyPaperToPrinter();
    // What the printer can print of the chosen paper, in the document's units.
    QRect PrintableRect();

signals:
    void OnBeginDoc();
    void OnEndDoc();
    // A page was started; its canvas is ready. `pageNumber` counts from 1.
    void OnNewPage(int pageNumber);
    // The pages or the current page changed.
    void OnChange();
    void OnBeforePrint();
    void OnPrintProgress(int page, int percent);
    void OnAfterPrint();
    void OnPaperAdded(const QString& name);
    void OnPaperRemoved(const QString& name);

private:
    void CheckReady() const;
    void StartPage();
    void FinishPage();
    void ResetCanvas();
    void PreparePrinter();
    QPageSize PrintSheet() const;
    // The paper's name for the user, or the sheet's size.
    QString PrintSheetName() const;

    TPreviewUnits FUnits = mmPixel;
    std::vector<TPaperInfo> FPapers;
    QString FPaperName;
    QFont FFont;
    TPreviewState FState = psReady;
    bool FDirectPrint = false;
    std::vector<TPreviewPage> FPages;
    int FCurrentPage = 0;
    int FWantedPage = 1;
    TPreviewPage FDrawing;
    std::unique_ptr<TPageRecorder> FRecorder;
    int FPagesDrawn = 0;
    QPainter FPainter;
    std::unique_ptr<QPrinter> FPrinter;
    // The job of direct printing and how it failed.
    std::unique_ptr<TPrintJob> FJob;
    std::exception_ptr FPrintFailure;
};
