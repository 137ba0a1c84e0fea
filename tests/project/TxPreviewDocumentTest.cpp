#include "TxPreviewDocument.h"

#include "TxHTMReporter.h"
#include "TxPreviewFile.h"
#include "TxPrintJob.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QSignalSpy>

#include <functional>

namespace {

QImage Render(const TPreviewPage& page)
{
    QImage image(page.Size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    PaintPage(p, page, PreviewPixelsPerInch, PreviewPixelsPerInch);
    return image;
}

// Draws `pages` pages, each with its number in words the PDF tests look for.
void DrawPages(TPreviewDocument& doc, int pages)
{
    doc.BeginDoc();
    for (int i = 1; i <= pages; ++i) {
        if (i > 1)
            doc.NewPage();
        QPainter* c = doc.Canvas();
        ASSERT_NE(c, nullptr);
        QFont f(QStringLiteral("Verdana"));
        f.setPixelSize(13);
        c->setFont(f);
        c->drawText(QPointF(60, 100), QStringLiteral("Sheet number %1 of the test").arg(i));
        c->drawLine(60, 120, 300, 120 + 10 * i);
    }
    doc.EndDoc();
}

} // namespace

TEST(PreviewDocument, PagesAreMadeBetweenBeginAndEnd)
{
    TPreviewDocument doc;
    QStringList events;
    QObject::connect(&doc, &TPreviewDocument::OnBeginDoc, [&] { events << "begin"; });
    QObject::connect(&doc, &TPreviewDocument::OnEndDoc, [&] { events << "end"; });
    QObject::connect(&doc, &TPreviewDocument::OnNewPage, [&](int n) {
        events << QStringLiteral("page %1").arg(n);
        EXPECT_NE(doc.Canvas(), nullptr);
        EXPECT_EQ(doc.State(), psCreating);
    });
    EXPECT_EQ(doc.Canvas(), nullptr);
    DrawPages(doc, 3);
    EXPECT_EQ(events, QStringList({"begin", "page 1", "page 2", "page 3", "end"}));
    EXPECT_EQ(doc.State(), psReady);
    EXPECT_EQ(doc.Canvas(), nullptr);
    ASSERT_EQ(doc.TotalPages(), 3);
    EXPECT_EQ(doc.CurrentPage(), 1);
    EXPECT_EQ(doc.Page(2).Size, QSize(794, 1123));
    EXPECT_EQ(doc.Page(2).Units, mmPixel);
    EXPECT_NE(Render(doc.Page(1)), Render(doc.Page(2)));
    EXPECT_THROW(doc.NewPage(), EPrintPreviewError);
    doc.EndDoc(); // nothing to end: no effect
    EXPECT_EQ(doc.TotalPages(), 3);
}

TEST(PreviewDocument, NothingElseWhilePagesAreMade)
{
    TTempFolder dir;
    TPreviewDocument doc;
    DrawPages(doc, 1);
    const QString file = dir.File("one.ppv");
    doc.SaveToFile(file);
    doc.BeginDoc();
    EXPECT_THROW(doc.BeginDoc(), EPrintPreviewError);
    EXPECT_THROW(doc.LoadFromFile(file), EPrintPreviewError);
    EXPECT_THROW(doc.SaveAsPDF(dir.File("x.pdf")), EPrintPreviewError);
    EXPECT_THROW(doc.Print(), EPrintPreviewError);
    EXPECT_THROW(doc.SetUnits(mmLoMetric), EPrintPreviewError);
    EXPECT_THROW(doc.SetDirectPrint(true), EPrintPreviewError);
    EXPECT_THROW(doc.Clear(), EPrintPreviewError);
    doc.EndDoc();
    EXPECT_EQ(doc.TotalPages(), 1);
}

TEST(PreviewDocument, RegenerationKeepsTheCurrentPageWherePossible)
{
    TPreviewDocument doc;
    DrawPages(doc, 3);
    doc.SetCurrentPage(2);
    QSignalSpy changes(&doc, &TPreviewDocument::OnChange);
    DrawPages(doc, 3);
    EXPECT_EQ(doc.CurrentPage(), 2);
    EXPECT_GE(changes.count(), 3);
    DrawPages(doc, 1);
    EXPECT_EQ(doc.CurrentPage(), 1);
    doc.SetCurrentPage(7);
    EXPECT_EQ(doc.CurrentPage(), 1);
    doc.Clear();
    EXPECT_EQ(doc.CurrentPage(), 0);
    EXPECT_EQ(doc.TotalPages(), 0);
}

TEST(PreviewDocument, PaperAndUnitsSizeTheSheet)
{
    TPreviewDocument doc;
    EXPECT_EQ(doc.PaperName(), "A4");
    EXPECT_EQ(doc.PageBounds(), QRect(0, 0, 794, 1123));
    doc.SetPaperName(QStringLiteral("Letter"));
    EXPECT_EQ(doc.PageBounds(), QRect(0, 0, 816, 1056));
    doc.SetUnits(mmLoMetric);
    EXPECT_EQ(doc.PageBounds(), QRect(0, 0, 2159, 2794));
    EXPECT_EQ(doc.ToUnits(100, mmLoMetric), 100);
    doc.SetUnits(mmPixel);
    EXPECT_EQ(doc.ToUnits(100, mmLoMetric), 38);
    EXPECT_THROW(doc.SetPaperName(QStringLiteral("Napkin")), EPrintPreviewError);
    EXPECT_EQ(doc.PaperName(), "Letter");

    QSignalSpy added(&doc, &TPreviewDocument::OnPaperAdded);
    QSignalSpy removed(&doc, &TPreviewDocument::OnPaperRemoved);
    doc.AddPaper(QStringLiteral("Card"), QPageSize(QSizeF(100, 150), QPageSize::Millimeter));
    doc.AddPaper(QStringLiteral("Card"), QPageSize(QSizeF(100, 160), QPageSize::Millimeter));
    EXPECT_EQ(added.count(), 1);
    doc.SetPaperName(QStringLiteral("Card"));
    EXPECT_EQ(doc.PageBounds(), QRect(0, 0, 378, 605));
    doc.RemovePaper(QStringLiteral("Card"));
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(doc.PaperName(), doc.PaperNames().first());
    doc.RemovePaper(QStringLiteral("Card"));
    EXPECT_EQ(removed.count(), 1);
}

TEST(PreviewDocument, PreviewFilesBringBackEveryPage)
{
    TTempFolder dir;
    TPreviewDocument doc;
    doc.SetPaperName(QStringLiteral("A5"));
    DrawPages(doc, 2);
    const QString file = dir.File("two.ppv");
    doc.SaveToFile(file);

    TPreviewDocument other;
    QSignalSpy changes(&other, &TPreviewDocument::OnChange);
    other.LoadFromFile(file);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(other.PaperName(), "A5");
    ASSERT_EQ(other.TotalPages(), 2);
    EXPECT_EQ(other.CurrentPage(), 1);
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(other.Page(i).Size, doc.Page(i).Size);
        EXPECT_EQ(other.Page(i).Commands, doc.Page(i).Commands);
        EXPECT_EQ(Render(other.Page(i)), Render(doc.Page(i))) << i;
    }

    // A file that is not one leaves the pages as they were.
    const QString bad = dir.Write("bad.ppv", QByteArray("not a preview"));
    EXPECT_THROW(other.LoadFromFile(bad), EPreviewFileError);
    const QByteArray whole = ReadFileBytes(file);
    const QString cut = dir.Write("cut.ppv", whole.left(whole.size() - 40));
    EXPECT_THROW(other.LoadFromFile(cut), EPreviewFileError);
    EXPECT_EQ(other.TotalPages(), 2);
    EXPECT_EQ(other.CurrentPage(), 1);
}

TEST(PreviewDocument, PdfHoldsEveryPageWithItsText)
{
    TTempFolder dir;
    TPreviewDocument doc;
    doc.PrintJobTitle = QStringLiteral("Test job");
    EXPECT_THROW(doc.SaveAsPDF(dir.File("none.pdf")), EPrintPreviewError);
    EXPECT_FALSE(QFileInfo::exists(dir.File("none.pdf")));
    DrawPages(doc, 2);
    const QString pdf = dir.File("two.pdf");
    doc.SaveAsPDF(pdf);
    EXPECT_EQ(PdfInfo(pdf, "Pages"), "2");
    EXPECT_TRUE(PdfInfo(pdf, "Page size").startsWith("595 x 842")) << PdfInfo(pdf, "Page size").toStdString();
    EXPECT_EQ(PdfInfo(pdf, "Title"), "Test job");
    const QStringList pages = PdfToText(pdf).split('\f');
    ASSERT_GE(pages.size(), 2);
    EXPECT_TRUE(pages[0].contains("Sheet number 1 of the test")) << pages[0].toStdString();
    EXPECT_TRUE(pages[1].contains("Sheet number 2 of the test")) << pages[1].toStdString();

    // A write that fails keeps the old file.
    dir.Write("file", QByteArray("x"));
    EXPECT_THROW(doc.SaveAsPDF(dir.File("file/x.pdf")), EInOutError);
}

TEST(PreviewDocument, PrintingReportsEveryPage)
{
    TTempFolder dir;
    TPreviewDocument doc;
    EXPECT_THROW(doc.Print(), EPrintPreviewError);
    DrawPages(doc, 2);
    doc.Printer().setOutputFormat(QPrinter::PdfFormat);
    doc.Printer().setOutputFileName(dir.File("printed.pdf"));
    QStringList events;
    QObject::connect(&doc, &TPreviewDocument::OnBeforePrint, [&] {
        events << "before";
        EXPECT_EQ(doc.State(), psPrinting);
    });
    QObject::connect(&doc, &TPreviewDocument::OnPrintProgress,
                     [&](int page, int percent) { events << QStringLiteral("%1 %2").arg(page).arg(percent); });
    QObject::connect(&doc, &TPreviewDocument::OnAfterPrint, [&] { events << "after"; });
    doc.ApplyPaperToPrinter();
    doc.Print();
    EXPECT_EQ(events, QStringList({"before", "1 50", "2 100", "after"}));
    EXPECT_EQ(doc.State(), psReady);
    EXPECT_EQ(PdfInfo(dir.File("printed.pdf"), "Pages"), "2");
    EXPECT_TRUE(PdfToText(dir.File("printed.pdf")).contains("Sheet number 2 of the test"));
}

TEST(PreviewDocument, DirectPrintingLeavesThePagesKept)
{
    TTempFolder dir;
    TPreviewDocument doc;
    DrawPages(doc, 1);
    const QByteArray kept = doc.Page(1).Commands;
    doc.Printer().setOutputFormat(QPrinter::PdfFormat);
    doc.Printer().setOutputFileName(dir.File("direct.pdf"));
    QSignalSpy before(&doc, &TPreviewDocument::OnBeforePrint);
    QSignalSpy after(&doc, &TPreviewDocument::OnAfterPrint);
    QSignalSpy pages(&doc, &TPreviewDocument::OnNewPage);
    doc.SetDirectPrint(true);
    DrawPages(doc, 3);
    doc.SetDirectPrint(false);
    EXPECT_EQ(before.count(), 1);
    EXPECT_EQ(after.count(), 1);
    EXPECT_EQ(pages.count(), 3);
    ASSERT_EQ(doc.TotalPages(), 1);
    EXPECT_EQ(doc.Page(1).Commands, kept);
    EXPECT_EQ(PdfInfo(dir.File("direct.pdf"), "Pages"), "3");
    const QString text = PdfToText(dir.File("direct.pdf"));
    EXPECT_TRUE(text.contains("Sheet number 3 of the test")) << text.toStdString();
}

// The queue is asked for a sheet by a name the print system knows.
TEST(PrintJob, MediaNamesAreStandardOrCustomInPoints)
{
    const struct {
        QPageSize Size;
        QByteArray Media;
    } cases[] = {
        {QPageSize(QPageSize::A4), "iso_a4_210x297mm"},
        {QPageSize(QPageSize::B4), "iso_b4_250x353mm"},
        {QPageSize(QPageSize::Letter), "na_letter_8.5x11in"},
        {QPageSize(QPageSize::Tabloid), "na_ledger_11x17in"},
        {QPageSize(QPageSize::ExecutiveStandard), "na_executive_7.25x10.5in"},
        {QPageSize(QSizeF(210.08, 297.13), QPageSize::Millimeter), "iso_a4_210x297mm"}, // A4 kept in pixels
        {QPageSize(QSizeF(210, 148), QPageSize::Millimeter), "iso_a5_148x210mm"},       // turned
        {QPageSize(QPageSize::Executive), "Custom.540.00x720.00"},                      // 7.5 x 10 in
        {QPageSize(QSizeF(123, 77), QPageSize::Millimeter), "Custom.218.27x348.66"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MediaName(c.Size), c.Media) << c.Size.name().toStdString();
}

TEST(PreviewDocument, PrintableAreaLiesOnTheSheet)
{
    TPreviewDocument doc;
    doc.ApplyPaperToPrinter();
    const QRect sheet = doc.PageBounds();
    const QRect printable = doc.PrintableRect();
    EXPECT_TRUE(sheet.contains(printable)) << printable.x() << "," << printable.y() << " " << printable.width();
    EXPECT_GT(printable.width(), sheet.width() / 2);
}

// Documents saved over a file on a disk that is full, or nearly so: the old
// file stays as it was and the failure is reported.
TEST(FullDisk, DocumentWritersAreWholeOrReport)
{
    // Pages that need more than a page of disk.
    TPreviewDocument doc;
    doc.BeginDoc();
    for (int line = 0; line < 40; ++line)
        doc.Canvas()->drawText(QPointF(60, 100 + 12 * line),
                               QStringLiteral("%1 The quick brown fox jumps over the lazy dog").arg(line * 7919));
    doc.EndDoc();
    struct Case {
        const char* label;
        const char* error;
        std::function<void(const QString& file)> save;
    };
    const std::vector<Case> cases{
        {"html", "Cannot create file",
         [](const QString& file) {
             THTMReporter r("/nowhere/", "/nowhere/");
             r.SetReportFileName(file, true);
             r.BeginDocument(false, "", {});
             r.WriteParagraph(QString(10000, QLatin1Char('x')));
             r.SaveReport();
         }},
        {"preview file", "Unable to write to", [&](const QString& file) { doc.SaveToFile(file); }},
        {"pdf", "Unable to write to", [&](const QString& file) { doc.SaveAsPDF(file); }},
    };
    for (const qint64 room : {0, 4096}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.label) + " with room " + std::to_string(room));
            TFullDisk disk;
            const QString file = disk.Write("document", QByteArray("old"));
            disk.Fill(room);
            try {
                c.save(file);
                ADD_FAILURE() << "no failure reported";
            } catch (const EInOutError& e) {
                EXPECT_TRUE(e.Message().startsWith(c.error) && e.Message().contains(file)) << e.Message().toStdString();
            }
            EXPECT_EQ(ReadFileBytes(file), "old");
            EXPECT_EQ(disk.Files(), QStringList{"document"});
        }
    }
}
