#include "TxPrintService.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

IPrintService::~IPrintService() = default;

namespace {

IPrintService* gService = nullptr;

TQtPrintService& DefaultService()
{
    static TQtPrintService service;
    return service;
}

} // namespace

bool TQtPrintService::PrinterInstalled()
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

bool TQtPrintService::ExecPrinterSetup(QWidget* parent, QPrinter& printer, int pageCount)
{
    QPrintDialog dialog(&printer, parent);
    // The dialog shows the range of a print system job too, which only its
    // queues would apply: ranges are offered as the pages allow, or not at
    // all. Its free-form "Pages" field refuses every entry in this Qt.
    auto disable = [&dialog](const char* name) {
        if (auto* widget = dialog.findChild<QWidget*>(QLatin1String(name)))
            widget->setEnabled(false);
    };
    if (pageCount > 0) {
        dialog.setMinMax(1, pageCount);
        disable("pagesRadioButton");
        disable("pagesLineEdit");
    } else {
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        disable("gbPrintRange");
    }
    return dialog.exec() == QDialog::Accepted;
}

bool TRecordingPrintService::ExecPrinterSetup(QWidget*, QPrinter& printer, int pageCount)
{
    ++Dialogs;
    PageCount = pageCount;
    if (!Accept)
        return false;
    if (FromPage > 0 && pageCount > 0) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(FromPage, ToPage);
    }
    if (!PrinterName.isEmpty())
        printer.setPrinterName(PrinterName);
    if (!OutputFile.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(OutputFile);
    } else if (printer.outputFormat() == QPrinter::NativeFormat) {
        printer.setPageSize(QPrinterInfo(printer).defaultPageSize());
    }
    return true;
}

IPrintService& PrintService()
{
    return gService ? *gService : DefaultService();
}

void SetPrintService(IPrintService* service)
{
    gService = service;
}

TScopedPrintService::TScopedPrintService(IPrintService& service) : FPrevious(gService)
{
    gService = &service;
}

TScopedPrintService::~TScopedPrintService()
{
    gService = FPrevious;
}
