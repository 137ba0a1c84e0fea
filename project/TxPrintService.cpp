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

bool TQtPrintService::ExecPrinterSetup(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool TRecordingPrintService::ExecPrinterSetup(QWidget*, QPrinter& printer)
{
    ++Dialogs;
    if (!Accept)
        return false;
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
