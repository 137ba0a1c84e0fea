#pragma once

#include "TxErrors.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QPageSize;
class QPainter;
class QPrinter;
class QTemporaryDir;

// A print job that could not start or that the printer's queue did not take.
class EPrintError : public Exception {
public:
    using Exception::Exception;
};

// The name the print system knows a sheet by, either way up: its standard
// (PWG) name where one matches, else a custom size in points
// ("Custom.540.00x720.00").
QByteArray MediaName(const QPageSize& size);

// One job on a printer as the print dialog left it. Qt's own engine hands a
// job to the queue and drops the answer, so a queue that refuses it would go
// unsaid: a desktop printer's job is spooled to a PDF here and handed to its
// CUPS queue, whose answer is checked. A printer that writes a PDF file
// prints straight to the file.
class TPrintJob {
public:
    // Raises EPrintError, before anything is printed, when the printer cannot
    // take the printer's paper; `paperName` names that paper to the user.
    TPrintJob(QPrinter& printer, const QString& paperName);
    ~TPrintJob();
    TPrintJob(const TPrintJob&) = delete;
    TPrintJob& operator=(const TPrintJob&) = delete;

    // What the pages are painted on.
    QPrinter& Device() { return FSpool ? *FSpool : FPrinter; }
    // Starts `painter` on Device(); raises EPrintError when it cannot.
    void Begin(QPainter& painter);
    // Ends `painter` and hands the job over; raises EPrintError naming the
    // printer when the job could not be finished or the queue refused it. A
    // stopped queue that holds the job has taken it.
    void Finish(QPainter& painter);

private:
    QString Target() const;
    void Submit();

    QPrinter& FPrinter;
    std::unique_ptr<QTemporaryDir> FSpoolDir;
    std::unique_ptr<QPrinter> FSpool;
};
