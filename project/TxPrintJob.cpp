#include "TxPrintJob.h"

#include "TxFormat.h"
#include "TxPreviewPage.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>

#include <cups/cups.h>

#include <utility>

namespace {

// Where Qt's CUPS engine keeps the options the print dialog set (pages per
// sheet, page ranges, banners, the driver's own options), as name and value
// in turn.
constexpr auto CupsOptionsKey = QPrintEngine::PrintEnginePropertyKey(0xfe00);

QSizeF Portrait(const QSizeF& size)
{
    return size.width() <= size.height() ? size : size.transposed();
}

bool TakesPaper(const QPrinter& printer)
{
    const QPrinterInfo info(printer);
    const QPageSize paper = printer.pageLayout().pageSize();
    const QList<QPageSize> sizes = info.supportedPageSizes();
    // A printer that names no paper is offered every one, as Qt does.
    if (sizes.isEmpty())
        return true;
    for (const QPageSize& s : sizes)
        if (SameSheet(s, paper))
            return true;
    if (!info.supportsCustomPageSizes())
        return false;
    const QSizeF want = paper.size(QPageSize::Millimeter);
    const QSizeF low = info.minimumPhysicalPageSize().size(QPageSize::Millimeter);
    const QSizeF high = info.maximumPhysicalPageSize().size(QPageSize::Millimeter);
    return want.width() >= low.width() - 1 && want.height() >= low.height() - 1 && want.width() <= high.width() + 1 &&
           want.height() <= high.height() + 1;
}

bool IsPaperOption(const QString& name)
{
    for (const char* paper : {"media", "PageSize", "PageRegion", "landscape", "orientation-requested"})
        if (name.compare(QLatin1String(paper), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The options Qt's engine sends with a job; the paper and its orientation
// are always the printer's.
std::vector<std::pair<QByteArray, QByteArray>> JobOptions(QPrinter& printer)
{
    std::vector<std::pair<QByteArray, QByteArray>> options;
    const QStringList dialog = printer.printEngine()->property(CupsOptionsKey).toStringList();
    for (qsizetype i = 0; i + 1 < dialog.size(); i += 2)
        if (!IsPaperOption(dialog[i]))
            options.emplace_back(dialog[i].toUtf8(), dialog[i + 1].toUtf8());
    const QPageLayout layout = printer.pageLayout();
    options.emplace_back("media", MediaName(layout.pageSize()));
    options.emplace_back("orientation-requested", layout.orientation() == QPageLayout::Landscape ? "4" : "3");
    if (printer.copyCount() > 1) {
        options.emplace_back("copies", QByteArray::number(printer.copyCount()));
        if (printer.collateCopies())
            options.emplace_back("Collate", "True");
    }
    switch (printer.duplex()) {
    case QPrinter::DuplexNone:
        options.emplace_back("sides", "one-sided");
        break;
    case QPrinter::DuplexAuto:
        options.emplace_back("sides", layout.orientation() == QPageLayout::Portrait ? "two-sided-long-edge"
                                                                                    : "two-sided-short-edge");
        break;
    case QPrinter::DuplexLongSide:
        options.emplace_back("sides", "two-sided-long-edge");
        break;
    case QPrinter::DuplexShortSide:
        options.emplace_back("sides", "two-sided-short-edge");
        break;
    }
    return options;
}

} // namespace

QByteArray MediaName(const QPageSize& size)
{
    const QSizeF mm = Portrait(size.size(QPageSize::Millimeter));
    const pwg_media_t* media = pwgMediaForSize(qRound(mm.width() * 100), qRound(mm.height() * 100));
    if (media && media->pwg && !QByteArray(media->pwg).startsWith("custom_"))
        return media->pwg;
    // Qt's own points are whole ones.
    const QSizeF points = mm * (72 / 25.4);
    return Format("Custom.%0.2fx%0.2f", points.width(), points.height()).toLatin1();
}

TPrintJob::TPrintJob(QPrinter& printer, const QString& paperName) : FPrinter(printer)
{
    if (printer.outputFormat() != QPrinter::NativeFormat)
        return;
    if (!TakesPaper(printer))
        throw EPrintError(Format("The printer %s cannot print on %s paper.", printer.printerName(), paperName));
    FSpoolDir = std::make_unique<QTemporaryDir>();
    if (!FSpoolDir->isValid())
        throw EPrintError(Format("Unable to start printing on %s.", Target()));
    FSpool = std::make_unique<QPrinter>(QPrinter::HighResolution);
    FSpool->setOutputFormat(QPrinter::PdfFormat);
    FSpool->setOutputFileName(FSpoolDir->filePath(QStringLiteral("job.pdf")));
    FSpool->setFullPage(printer.fullPage());
    FSpool->setPageLayout(printer.pageLayout());
    FSpool->setColorMode(printer.colorMode());
    FSpool->setDocName(printer.docName());
    FSpool->setCreator(printer.creator());
}

TPrintJob::~TPrintJob() = default;

QString TPrintJob::Target() const
{
    return FPrinter.outputFormat() == QPrinter::NativeFormat ? FPrinter.printerName() : FPrinter.outputFileName();
}

void TPrintJob::Begin(QPainter& painter)
{
    if (!painter.begin(&Device()))
        throw EPrintError(Format("Unable to start printing on %s.", Target()));
}

void TPrintJob::Finish(QPainter& painter)
{
    if (!painter.end())
        throw EPrintError(Format("Unable to print on %s.", Target()));
    if (FSpool)
        Submit();
}

void TPrintJob::Submit()
{
    int count = 0;
    cups_option_t* options = nullptr;
    for (const auto& [name, value] : JobOptions(FPrinter))
        count = cupsAddOption(name.constData(), value.constData(), count, &options);
    // The queue is the printer's name without its instance.
    const QByteArray queue = FPrinter.printerName().section(QLatin1Char('/'), 0, 0).toLocal8Bit();
    const int job =
        cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.constData(), FSpool->outputFileName().toLocal8Bit().constData(),
                       FPrinter.docName().toUtf8().constData(), count, options);
    cupsFreeOptions(count, options);
    if (job == 0)
        throw EPrintError(Format("The printer %s did not take the job: %s", FPrinter.printerName(),
                                 QString::fromUtf8(cupsLastErrorString())));
}
