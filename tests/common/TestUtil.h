#pragma once

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>
#include <vector>

// Readable failure output for Qt texts.
void PrintTo(const QString& text, std::ostream* os);
void PrintTo(const QStringList& list, std::ostream* os);

// A fresh folder for one test, removed afterwards.
class TTempFolder {
public:
    TTempFolder();
    QString Path() const { return FDir.path(); }
    // Full path of `name` inside the folder.
    QString File(const QString& name) const;
    // Writes `contents` to `name` (folders created) and returns its full path.
    QString Write(const QString& name, const QByteArray& contents) const;
    QString Write(const QString& name, const QString& contents) const { return Write(name, contents.toUtf8()); }

private:
    QTemporaryDir FDir;
};

// A folder on a disk that Fill makes full: a small tmpfs where the process
// may mount one, else a plain folder under the process's file size limit, so
// that a write past the room left fails as it does on a full disk.
class TFullDisk {
public:
    TFullDisk();
    ~TFullDisk();
    TFullDisk(const TFullDisk&) = delete;
    TFullDisk& operator=(const TFullDisk&) = delete;
    QString File(const QString& name) const { return FDir.File(name); }
    QString Write(const QString& name, const QByteArray& contents) const { return FDir.Write(name, contents); }
    // Leaves `room` bytes for what is written next (a page or whole pages on
    // a tmpfs; per file under the size limit), until the object goes.
    void Fill(qint64 room);
    // The files in the folder, the filler left out.
    QStringList Files() const;

private:
    TTempFolder FDir;
    bool FMounted = false;
    bool FLimited = false;
};

QByteArray ReadFileBytes(const QString& path);
// A PNG chunk of `type` holding `data`, with its checksum.
QByteArray PngChunk(const char* type, const QByteArray& data);
// The message of the `E` that `run` raised; empty when it raised none.
template <class E, class F>
QString FailureOf(const F& run)
{
    try {
        run();
    } catch (const E& e) {
        return e.Message();
    }
    return QString();
}
// Copies every file below `from` to the same place below `to`.
void CopyFolder(const QString& from, const QString& to);
QString TestDataDir();

// The text of a PDF file as pdftotext gives it with its layout kept (pages
// separated by form feeds); empty when it cannot be read.
QString PdfToText(const QString& pdf);
// A value of pdfinfo for a PDF file ("Pages", "Page size", "Title", ...).
QString PdfInfo(const QString& pdf, const QString& key);

// The first page of a PDF file as a reader gets it, in points from the
// top-left corner: its words, where its pictures are placed, and the page
// rendered at 72 dpi (a pixel per point) for what is neither.
struct TPdfWord {
    QString Text;
    QRectF Box;
};
struct TPdfPage {
    QSizeF Size;
    std::vector<TPdfWord> Words;
    std::vector<QRectF> Pictures;
    QImage Rendered;
};
TPdfPage ReadPdfPage(const QString& pdf);

// The local files the pictures of an HTML document show, resolved against
// the document as a browser resolves them ("" for one that is no local file).
QStringList HtmlPictureFiles(const QString& htmlFile);

// A queue of the print system that scripts/test starts for the tests, a
// private CUPS scheduler whose PDF printer writes what it prints into a
// folder. The queue is removed with its jobs when the object goes.
class TTestPrintQueue {
public:
    // Why the tests have no print system; empty when they have one.
    static QString Unavailable();

    // A queue named `name` whose default paper is `paper`; the papers of
    // `withoutPapers` and sizes of one's own are not offered when given.
    explicit TTestPrintQueue(const QString& name, const QString& paper = QStringLiteral("A4"),
                             const QStringList& withoutPapers = {});
    // The print system's default queue, which stays.
    TTestPrintQueue();
    ~TTestPrintQueue();
    TTestPrintQueue(const TTestPrintQueue&) = delete;
    TTestPrintQueue& operator=(const TTestPrintQueue&) = delete;

    const QString& Name() const { return FName; }
    // Runs a CUPS command (cupsreject, cupsdisable, ...) on the queue.
    void Command(const QString& program) const;
    // Jobs the queue holds and has not finished.
    int PendingJobs() const;
    // Waits until the queue has finished its jobs and returns the PDF files
    // its jobs completed since the object was made printed, oldest first.
    QStringList Printed() const;

private:
    QString FName;
    bool FOwned = true;
    QStringList FDone;
    QTemporaryDir FDir;
};

// Skips the test, saying why, where there is no print system to print on.
#define VOZ_SKIP_WITHOUT_PRINT_SYSTEM()                                      \
    if (const QString why = TTestPrintQueue::Unavailable(); !why.isEmpty()) \
    GTEST_SKIP() << why.toStdString()

// What a real file dialog (QFileDialog) showed while AnswerFileDialog
// answered it.
struct TFileDialogSeen {
    QString Proposed; // the folder and file name it opened with
    QString Question; // what it asked before replacing a file; empty when nothing
};
// Answers the next QFileDialog that opens: `fileName` is typed and the
// dialog accepted; a question about replacing the file is answered Yes when
// `replace`, No otherwise; a dialog still open then is cancelled. `seen`
// must live until the dialog has closed.
void AnswerFileDialog(const QString& fileName, bool replace, TFileDialogSeen& seen);
