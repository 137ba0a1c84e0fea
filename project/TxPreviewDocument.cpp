#include "TxPreviewDocument.h"

#include "TxFormat.h"
#include "TxPageStream.h"
#include "TxPlatform.h"
#include "TxPreviewFile.h"
#include "TxPrintJob.h"
#include "TxSaveFile.h"

#include <QPageLayout>
#include <QPageRanges>
#include <QPdfWriter>
#include <QPrinter>
#include <QBuffer>

#include <utility>

namespace {

constexpr int PdfResolution = 1200;

// Runs `f` when the scope ends, however it ends.
template <class F>
class TFinally {
public:
    explicit TFinally(F f) : FF(std::move(f)) {}
    ~TFinally() { FF(); }
    TFinally(const TFinally&) = delete;
    TFinally& operator=(const TFinally&) = delete;

private:
    F FF;
};

} // namespace

TPreviewDocument::TPreviewDocument(QObject* parent)
    : QObject(parent), FPapers(StandardPapers()), FPaperName(QStringLiteral("A4"))
{
}

TPreviewDocument::~TPreviewDocument()
{
    if (FPainter.isActive())
        FPainter.end();
}

void TPreviewDocument::CheckReady() const
{
    if (FState != psReady)
        throw EPrintPreviewError(QStringLiteral("The preview is busy."));
}

void TPreviewDocument::SetUnits(TPreviewUnits units)
{
    CheckReady();
    FUnits = units;
}

QStringList TPreviewDocument::PaperNames() const
{
    QStringList names;
    for (const TPaperInfo& p : FPapers)
        names.append(p.Name);
    return names;
}

void TPreviewDocument::SetPaperName(const QString& name)
{
    for (const TPaperInfo& p : FPapers)
        if (p.Name == name) {
            FPaperName = name;
            return;
        }
    throw EPrintPreviewError(Format("The paper %s is not available.", name));
}

void TPreviewDocument::AddPaper(const QString& name, const QPageSize& size)
{
    for (TPaperInfo& p : FPapers)
        if (p.Name == name) {
            p.Size = size;
            return;
        }
    FPapers.push_back({name, size});
    emit OnPaperAdded(name);
}

void TPreviewDocument::RemovePaper(const QString& name)
{
    for (auto it = FPapers.begin(); it != FPapers.end(); ++it)
        if (it->Name == name) {
            FPapers.erase(it);
            if (FPaperName == name)
                FPaperName = FPapers.empty() ? QString() : FPapers.front().Name;
            emit OnPaperRemoved(name);
            return;
        }
}

QPageSize TPreviewDocument::PaperSize() const
{
    for (const TPaperInfo& p : FPapers)
        if (p.Name == FPaperName)
            return p.Size;
    return QPageSize(QPageSize::A4);
}

QRect TPreviewDocument::PageBounds() const
{
    return QRect(QPoint(0, 0), PaperSizeIn(PaperSize(), FUnits));
}

void TPreviewDocument::SetDirectPrint(bool on)
{
    CheckReady();
    FDirectPrint = on;
}

void TPreviewDocument::PreparePrinter()
{
    QPrinter& printer = Printer();
    printer.setDocName(PrintJobTitle);
    printer.setColorMode(GrayscalePrint ? QPrinter::GrayScale : QPrinter::Color);
    // The print dialog leaves the printer on the paper it chose; the job is
    // on the preview's.
    ApplyPaperToPrinter();
}

void TPreviewDocument::ResetCanvas()
{
    FPainter.resetTransform();
    if (FState == psPrinting) {
        const double perInch = UnitsPerInch(FUnits);
        FPainter.scale(FJob->Device().logicalDpiX() / perInch, FJob->Device().logicalDpiY() / perInch);
    }
    FPainter.setFont(FFont);
    FPainter.setPen(QPen(Qt::black, 1));
    FPainter.setBrush(Qt::NoBrush);
    // A new canvas writes text on white until told otherwise.
    FPainter.setBackground(Qt::white);
    FPainter.setBackgroundMode(Qt::OpaqueMode);
    FPainter.setRenderHint(QPainter::Antialiasing, false);
}

void TPreviewDocument::BeginDoc()
{
    CheckReady();
    FPagesDrawn = 0;
    FPrintFailure = nullptr;
    if (FDirectPrint) {
        PreparePrinter();
        FJob = std::make_unique<TPrintJob>(Printer(), FPaperName);
        FState = psPrinting;
        emit OnBeforePrint();
        try {
            FJob->Begin(FPainter);
        } catch (...) {
            FJob.reset();
            FState = psReady;
            emit OnAfterPrint();
            throw;
        }
        emit OnBeginDoc();
        StartPage();
        return;
    }
    FWantedPage = std::max(1, FCurrentPage);
    FPages.clear();
    FCurrentPage = 0;
    FState = psCreating;
    emit OnChange();
    emit OnBeginDoc();
    StartPage();
}

void TPreviewDocument::StartPage()
{
    if (FState == psCreating) {
        FDrawing = TPreviewPage();
        FDrawing.Units = FUnits;
        FDrawing.Size = PaperSizeIn(PaperSize(), FUnits);
        FRecorder = std::make_unique<TPageRecorder>(FDrawing.Size, UnitsPerInch(FUnits));
        FPainter.begin(FRecorder.get());
    } else if (FPagesDrawn > 0) {
        FJob->Device().newPage();
    }
    ResetCanvas();
    ++FPagesDrawn;
    emit OnNewPage(FPagesDrawn);
}

void TPreviewDocument::FinishPage()
{
    if (FState != psCreating)
        return;
    FPainter.end();
    FDrawing.Commands = FRecorder->Commands();
    FRecorder.reset();
    // What the program draws reads back; a page that does not is said, not
    // hidden (this may run while a drawing error unwinds).
    QString error;
    if (!CommandsToPage(FDrawing.Commands, SheetFor(FDrawing), FDrawing.Drawing, error))
        Messages().ShowError(Format("Page %d could not be recorded: %s.", TotalPages() + 1, error));
    FPages.push_back(std::move(FDrawing));
    FDrawing = TPreviewPage();
    FCurrentPage = std::min(FWantedPage, TotalPages());
    emit OnChange();
}

void TPreviewDocument::NewPage()
{
    if (FState == psReady || !FPainter.isActive())
        throw EPrintPreviewError(QStringLiteral("No page is being drawn."));
    FinishPage();
    StartPage();
}

void TPreviewDocument::EndDoc()
{
    if (FState == psReady || !FPainter.isActive())
        return;
    if (FState == psCreating) {
        FinishPage();
        FState = psReady;
        emit OnEndDoc();
        return;
    }
    // Drawers end their document from destructors: the job's failure waits
    // for RaisePrintFailure.
    try {
        FJob->Finish(FPainter);
    } catch (...) {
        FPrintFailure = std::current_exception();
    }
    FJob.reset();
    FState = psReady;
    emit OnEndDoc();
    emit OnAfterPrint();
}

void TPreviewDocument::RaisePrintFailure()
{
    if (const std::exception_ptr failure = std::exchange(FPrintFailure, nullptr))
        std::rethrow_exception(failure);
}

void TPreviewDocument::SetCurrentPage(int page)
{
    page = TotalPages() == 0 ? 0 : std::clamp(page, 1, TotalPages());
    if (page == FCurrentPage)
        return;
    FCurrentPage = page;
    emit OnChange();
}

void TPreviewDocument::Clear()
{
    CheckReady();
    FPages.clear();
    FCurrentPage = 0;
    emit OnChange();
}

void TPreviewDocument::SaveToFile(const QString& fileName) const
{
    CheckReady();
    TPreviewFileContents contents;
    contents.PaperName = FPaperName;
    contents.Pages = FPages;
    WritePreviewFile(fileName, contents);
}

void TPreviewDocument::LoadFromFile(const QString& fileName)
{
    CheckReady();
    TPreviewFileContents contents = ReadPreviewFile(fileName);
    FPages = std::move(contents.Pages);
    for (const TPaperInfo& p : FPapers)
        if (p.Name == contents.PaperName)
            FPaperName = p.Name;
    FCurrentPage = FPages.empty() ? 0 : 1;
    emit OnChange();
}

void TPreviewDocument::SaveAsPDF(const QString& fileName) const
{
    CheckReady();
    if (FPages.empty())
        throw EPrintPreviewError(QStringLiteral("There are no pages to save."));
    // The writer does not check its writes: it fills memory, and the file is
    // then written whole or not at all.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(PdfResolution);
        writer.setTitle(PrintJobTitle);
        writer.setCreator(ApplicationTitle());
        writer.setPageLayout(QPageLayout(SheetOf(FPages.front()), QPageLayout::Portrait, QMarginsF()));
        QPainter painter;
        if (!painter.begin(&writer))
            throw EInOutError(Format("Unable to write to %s", fileName));
        for (size_t i = 0; i < FPages.size(); ++i) {
            if (i > 0) {
                writer.setPageSize(SheetOf(FPages[i]));
                writer.newPage();
            }
            PaintPage(painter, FPages[i], PdfResolution, PdfResolution);
        }
        painter.end();
    }
    QString reason;
    if (!SaveFileAtomically(fileName, pdf.data(), &reason))
        throw EInOutError(Format("Unable to write to %s: %s", fileName, reason));
}

void TPreviewDocument::Print()
{
    CheckReady();
    if (FPages.empty())
        throw EPrintPreviewError(QStringLiteral("There are no pages to print."));
    PreparePrinter();
    // The pages the print dialog chose, all unless it chose a range.
    std::vector<int> pages;
    const QPageRanges ranges = Printer().pageRanges();
    for (int i = 1; i <= TotalPages(); ++i)
        if (Printer().printRange() != QPrinter::PageRange || ranges.isEmpty() || ranges.contains(i))
            pages.push_back(i);
    if (pages.empty())
        throw EPrintPreviewError(Format("The preview has no page %s.", ranges.toString()));
    TPrintJob job(Printer(), PrintSheetName());
    QPrinter& printer = job.Device();
    FState = psPrinting;
    emit OnBeforePrint();
    TFinally done([this] {
        FState = psReady;
        emit OnAfterPrint();
    });
    QPainter painter;
    job.Begin(painter);
    const int total = int(pages.size());
    for (int i = 0; i < total; ++i) {
        if (i > 0)
            printer.newPage();
        PaintPage(painter, Page(pages[size_t(i)]), printer.logicalDpiX(), printer.logicalDpiY());
        emit OnPrintProgress(i + 1, (i + 1) * 100 / total);
    }
    job.Finish(painter);
}

QPageSize TPreviewDocument::PrintSheet() const
{
    // Pages kept, loaded ones too, print on the sheet they were drawn on.
    if (FDirectPrint || FPages.empty())
        return PaperSize();
    const QPageSize drawn = SheetOf(FPages.front());
    for (const TPaperInfo& p : FPapers)
        if (SameSheet(p.Size, drawn))
            return p.Size;
    return drawn;
}

QString TPreviewDocument::PrintSheetName() const
{
    const QPageSize sheet = PrintSheet();
    for (const TPaperInfo& p : FPapers)
        if (SameSheet(p.Size, sheet))
            return p.Name;
    const QSizeF mm = sheet.size(QPageSize::Millimeter);
    return Format("%0.0f x %0.0f mm", mm.width(), mm.height());
}

QPrinter& TPreviewDocument::Printer()
{
    if (!FPrinter) {
        FPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        FPrinter->setFullPage(true);
    }
    return *FPrinter;
}

void TPreviewDocument::ApplyPaperToPrinter()
{
    QPrinter& printer = Printer();
    printer.setFullPage(true);
    // A sheet wider than high is its upright size turned.
    const QPageSize sheet = PrintSheet();
    const QSizeF mm = sheet.size(QPageSize::Millimeter);
    const bool landscape = mm.width() > mm.height();
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setPageSize(landscape ? QPageSize(mm.transposed(), QPageSize::Millimeter) : sheet);
}

QRect TPreviewDocument::PrintableRect()
{
    const QPageLayout layout = Printer().pageLayout();
    const QMarginsF m = layout.minimumMargins();
    // Margins in hundredths of a millimetre, like the paper sizes.
    const double toHundredths = [&] {
        switch (layout.units()) {
        case QPageLayout::Millimeter:
            return 100.0;
        case QPageLayout::Point:
            return 2540.0 / 72;
        case QPageLayout::Inch:
            return 2540.0;
        case QPageLayout::Pica:
            return 2540.0 / 6;
        case QPageLayout::Didot:
            return 37.6;
        case QPageLayout::Cicero:
            return 451.2;
        }
        return 100.0;
    }();
    auto units = [&](double v) { return ConvertUnits(qRound(v * toHundredths), mmHiMetric, FUnits); };
    const QRect sheet = PageBounds();
    return QRect(QPoint(units(m.left()), units(m.top())),
                 QPoint(sheet.right() - units(m.right()), sheet.bottom() - units(m.bottom())));
}
