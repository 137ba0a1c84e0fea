#pragma once

#include <QString>

class QPrinter;
class QWidget;

// The printers of the desktop and the print dialog behind a service, so that
// windows that print can be driven by tests: the recording service answers
// the dialog and may send the job to a PDF file.
class IPrintService {
public:
    virtual ~IPrintService();
    // Whether the desktop has a printer to print on.
    virtual bool PrinterInstalled() = 0;
    // The printer set-up dialog for `printer`; true on OK, with the printer
    // as the user chose it. A range of pages 1..`pageCount` may be chosen
    // (printRange and pageRanges of the printer); with 0 no range is offered.
    virtual bool ExecPrinterSetup(QWidget* parent, QPrinter& printer, int pageCount) = 0;
};

// QPrinterInfo and QPrintDialog.
class TQtPrintService : public IPrintService {
public:
    bool PrinterInstalled() override;
    bool ExecPrinterSetup(QWidget* parent, QPrinter& printer, int pageCount) override;
};

// Answers the dialog with `Accept`. On OK, as the user would in the dialog,
// a non-empty `PrinterName` chooses that printer, a non-empty `OutputFile`
// sends the job to that PDF file and `FromPage` > 0 chooses the pages
// FromPage..ToPage; like Qt's dialog, it leaves a printer on that printer's
// default paper. `PageCount` keeps what the last dialog offered.
class TRecordingPrintService : public IPrintService {
public:
    bool PrinterInstalled() override { return Installed; }
    bool ExecPrinterSetup(QWidget* parent, QPrinter& printer, int pageCount) override;

    bool Installed = true;
    bool Accept = true;
    QString PrinterName;
    QString OutputFile;
    int FromPage = 0;
    int ToPage = 0;
    int Dialogs = 0;
    int PageCount = -1;
};

// The current service; before one is installed, the desktop's.
IPrintService& PrintService();
void SetPrintService(IPrintService* service);

class TScopedPrintService {
public:
    explicit TScopedPrintService(IPrintService& service);
    ~TScopedPrintService();
    TScopedPrintService(const TScopedPrintService&) = delete;
    TScopedPrintService& operator=(const TScopedPrintService&) = delete;

private:
    IPrintService* FPrevious;
};
