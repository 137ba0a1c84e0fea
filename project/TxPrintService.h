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
    // as the user chose it.
    virtual bool ExecPrinterSetup(QWidget* parent, QPrinter& printer) = 0;
};

// QPrinterInfo and QPrintDialog.
class TQtPrintService : public IPrintService {
public:
    bool PrinterInstalled() override;
    bool ExecPrinterSetup(QWidget* parent, QPrinter& printer) override;
};

// Answers the dialog with `Accept`. On OK, as the user would in the dialog,
// a non-empty `PrinterName` chooses that printer and a non-empty
// `OutputFile` sends the job to that PDF file; like Qt's dialog, it leaves a
// printer on that printer's default paper.
class TRecordingPrintService : public IPrintService {
public:
    bool PrinterInstalled() override { return Installed; }
    bool ExecPrinterSetup(QWidget* parent, QPrinter& printer) override;

    bool Installed = true;
    bool Accept = true;
    QString PrinterName;
    QString OutputFile;
    int Dialogs = 0;
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
