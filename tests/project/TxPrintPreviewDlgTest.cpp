#include "TxPrintPreviewDlg.h"

#include "MapiControl.h"
#include "PageTabStrip.h"
#include "TxApplicationPath.h"
#include "TxFileDialogs.h"
#include "TxPlatform.h"
#include "TxPrintService.h"
#include "TxRegistry.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <stdexcept>

namespace {

// Draws `Pages` pages through the window's layout routines, on the paper the
// window's list shows, as a report drawer does.
struct TDrawer {
    int Pages = 2;
    int Calls = 0;
    bool ThrowAfterFirstPage = false;
    std::vector<bool> DirectPrint;
    std::function<void()> During;

    void operator()(TPrintPreviewForm& f)
    {
        ++Calls;
        TPreviewDocument& doc = f.Document();
        DirectPrint.push_back(doc.DirectPrint());
        if (f.FormComboBox->currentIndex() >= 0)
            doc.SetPaperName(f.FormComboBox->currentText());
        doc.PrintJobTitle = QStringLiteral("Test report");
        doc.BeginDoc();
        struct TEnd {
            TPreviewDocument& D;
            ~TEnd() { D.EndDoc(); }
        } end{doc};
        for (int i = 1; i <= Pages; ++i) {
            if (i > 1)
                doc.NewPage();
            f.ReportCursor = QPoint(60, 80);
            f.WriteLine(QStringLiteral("Drawn page %1 of %2").arg(i).arg(Pages), fsBold, clNavy, 14);
            if (During)
                During();
            if (ThrowAfterFirstPage)
                throw EInOutError(QStringLiteral("Cannot open file \"Logo.gif\"."));
        }
    }
};

class PrintPreviewForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetRegistryFileName(FDir.File("registry.conf"));
        FProgramDir = FDir.File("program") + "/";
        QDir().mkpath(FProgramDir);
        FSavedUserData = UserDataDir;
        UserDataDir = FDir.File("documents") + "/";
    }
    void TearDown() override
    {
        SetRegistryFileName(QString());
        UserDataDir = FSavedUserData;
    }

    std::unique_ptr<TPrintPreviewForm> MakeForm(TDrawer* drawer = nullptr)
    {
        auto form = std::make_unique<TPrintPreviewForm>(nullptr, FProgramDir);
        if (drawer)
            form->OnCreatePages = [drawer](TPrintPreviewForm& f) { (*drawer)(f); };
        return form;
    }

    TTempFolder FDir;
    QString FProgramDir;
    QString FSavedUserData;
    TRecordingMessageService FMessages;
    TScopedMessageService FMessageScope{FMessages};
    TRecordingFileDialogService FFileDialogs;
    TScopedFileDialogService FFileDialogScope{FFileDialogs};
    TRecordingPrintService FPrint;
    TScopedPrintService FPrintScope{FPrint};
    TRecordingMailTransport FMail;
    TScopedMailTransport FMailScope{FMail};
};

// Chooses a paper in the window's list as the user does.
void ChoosePaper(TPrintPreviewForm& form, const QString& paper)
{
    const int index = form.FormComboBox->findText(paper);
    form.FormComboBox->setCurrentIndex(index);
    emit form.FormComboBox->activated(index);
}

} // namespace

TEST_F(PrintPreviewForm, CreationSetsTheWindowUp)
{
    auto form = MakeForm();
    EXPECT_EQ(form->objectName(), "PrintPreviewForm");
    EXPECT_EQ(form->windowTitle(), "TPrintPreview");
    EXPECT_EQ(form->size(), QSize(956, 546));
    EXPECT_EQ(form->PrintPreview->Zoom(), 20);
    EXPECT_EQ(form->ZoomComboBox->currentIndex(), -1);
    EXPECT_EQ(form->ZoomComboBox->count(), 7);
    EXPECT_EQ(form->Document().Units(), mmPixel);
    EXPECT_EQ(form->Document().PrintJobTitle, "TPrintPreview Sample Print");
    QStringList papers;
    for (int i = 0; i < form->FormComboBox->count(); ++i)
        papers.append(form->FormComboBox->itemText(i));
    EXPECT_EQ(papers, form->Document().PaperNames());
    EXPECT_EQ(form->FormComboBox->currentText(), "A4");
    EXPECT_TRUE(form->AnnotationCheckBox->isChecked());
    EXPECT_TRUE(form->PrintPreview->Annotation());
    EXPECT_TRUE(form->LoadButton->isEnabled());
    EXPECT_FALSE(form->SaveButton->isEnabled());
    EXPECT_FALSE(form->PrintButton->isEnabled());
    EXPECT_TRUE(form->SavePDFButton->isEnabled());
    EXPECT_TRUE(form->SendButton->isEnabled());
    EXPECT_EQ(form->SendButton->toolTip(), "Send by email");
    EXPECT_TRUE(form->FirstActivate);
    EXPECT_EQ(form->ReportFolder, FProgramDir + "Report");
    // Without one in the program folder, the user's report folder starts them.
    EXPECT_EQ(form->OpenDialog.InitialDir, UserDataDir + "Report");
    EXPECT_EQ(form->SaveDialog.InitialDir, UserDataDir + "Report");
    EXPECT_EQ(form->SavePDFDialog.InitialDir, UserDataDir + "Report");
    EXPECT_TRUE(QFileInfo(UserDataDir + "Report").isDir());
    EXPECT_EQ(form->SaveDialog.Title, "Save To File");
    EXPECT_EQ(form->OpenDialog.Title, "Load From File");
    EXPECT_EQ(form->SavePDFDialog.Title, "Save As PDF");
    EXPECT_EQ(form->SaveDialog.DefaultExt, "ppv");
    EXPECT_EQ(form->SavePDFDialog.DefaultExt, "pdf");
    EXPECT_EQ(form->SaveDialog.Filter, "Print Preview Files (*.ppv)|*.ppv|All Files (*.*)|*.*");
    EXPECT_EQ(form->SavePDFDialog.Filter, "PDF Files (*.pdf)|*.pdf|All Files (*.*)|*.*");
    EXPECT_TRUE(form->Mapi->ShowDialog());

    // An existing report folder starts every file dialog.
    QDir().mkpath(FProgramDir + "Report");
    auto second = MakeForm();
    EXPECT_EQ(second->OpenDialog.InitialDir, FProgramDir + "Report");
    EXPECT_EQ(second->SaveDialog.InitialDir, FProgramDir + "Report");
    EXPECT_EQ(second->SavePDFDialog.InitialDir, FProgramDir + "Report");
}

TEST_F(PrintPreviewForm, EveryActivationDrawsThePages)
{
    TDrawer drawer;
    drawer.Pages = 3;
    auto form = MakeForm(&drawer);
    form->FormActivate();
    EXPECT_FALSE(form->FirstActivate);
    EXPECT_EQ(drawer.Calls, 1);
    EXPECT_EQ(form->Document().TotalPages(), 3);
    EXPECT_EQ(form->PageNavigator->count(), 3);
    EXPECT_EQ(form->PageNavigator->tabText(2), "3");
    EXPECT_EQ(form->PageNavigator->currentIndex(), 0);
    EXPECT_EQ(form->windowTitle(), ApplicationTitle());
    EXPECT_TRUE(form->SaveButton->isEnabled());
    EXPECT_TRUE(form->SavePDFButton->isEnabled());
    EXPECT_TRUE(form->PrintButton->isEnabled());
    EXPECT_TRUE(form->FormComboBox->isEnabled());
    form->FormActivate();
    EXPECT_EQ(drawer.Calls, 2);

    drawer.Pages = 1;
    form->FormActivate();
    EXPECT_EQ(form->PageNavigator->count(), 1);

    // Without a printer there is nothing to print on.
    FPrint.Installed = false;
    form->FormActivate();
    EXPECT_FALSE(form->PrintButton->isEnabled());
    EXPECT_TRUE(form->SaveButton->isEnabled());
}

TEST_F(PrintPreviewForm, CommandsWaitWhilePagesAreMade)
{
    TDrawer drawer;
    auto form = MakeForm(&drawer);
    QStringList seen;
    drawer.During = [&] {
        seen << form->windowTitle();
        EXPECT_FALSE(form->FormComboBox->isEnabled());
        EXPECT_FALSE(form->PrintButton->isEnabled());
        EXPECT_FALSE(form->SaveButton->isEnabled());
        EXPECT_FALSE(form->LoadButton->isEnabled());
        // An activation handled meanwhile does not start the pages again.
        form->DoCreatePages();
    };
    form->FormActivate();
    EXPECT_EQ(drawer.Calls, 1);
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.first(), ApplicationTitle() + " - Creating pages...");
    EXPECT_TRUE(form->LoadButton->isEnabled());
}

TEST_F(PrintPreviewForm, ActivationOnTheScreenDrawsAndDeactivationKeepsThePlacement)
{
    TDrawer drawer;
    auto form = MakeForm(&drawer);
    form->setGeometry(20, 50, 760, 500);
    form->show();
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form.get()))
        GTEST_SKIP() << "the platform does not activate windows";
    EXPECT_GE(drawer.Calls, 1);
    QWidget other;
    other.show();
    other.activateWindow();
    (void)QTest::qWaitForWindowActive(&other);
    form->hide();

    auto restored = MakeForm();
    EXPECT_EQ(restored->size(), QSize(760, 500));
}

TEST_F(PrintPreviewForm, PlacementComesBackFromTheRegistry)
{
    {
        auto form = MakeForm();
        form->setGeometry(30, 110, 760, 450);
        form->FormDeactivate();
    }
    auto form = MakeForm();
    EXPECT_EQ(form->geometry().topLeft(), QPoint(30, 110));
    EXPECT_EQ(form->size(), QSize(760, 450));
}

TEST_F(PrintPreviewForm, ZoomListAndPreviewZoomFollowEachOther)
{
    auto form = MakeForm();
    struct {
        int Index;
        int Zoom;
        TZoomState State;
    } cases[] = {{0, 50, zsZoomOther},   {1, 100, zsZoomOther},   {2, 150, zsZoomOther}, {3, 200, zsZoomOther},
                 {4, -1, zsZoomToWidth}, {5, -1, zsZoomToHeight}, {6, -1, zsZoomToFit}};
    for (const auto& c : cases) {
        form->ZoomComboBox->setCurrentIndex(c.Index);
        emit form->ZoomComboBox->activated(c.Index);
        EXPECT_EQ(form->PrintPreview->ZoomState(), c.State) << c.Index;
        if (c.Zoom > 0) {
            EXPECT_EQ(form->PrintPreview->Zoom(), c.Zoom) << c.Index;
        }
        EXPECT_EQ(form->ZoomComboBox->currentIndex(), c.Index);
    }
    struct {
        int Zoom;
        int Index;
    } back[] = {{100, 1}, {75, -1}, {200, 3}, {20, -1}, {50, 0}};
    for (const auto& b : back) {
        form->PrintPreview->SetZoom(b.Zoom);
        EXPECT_EQ(form->ZoomComboBox->currentIndex(), b.Index) << b.Zoom;
    }
    form->PrintPreview->SetZoomState(zsZoomToHeight);
    EXPECT_EQ(form->ZoomComboBox->currentIndex(), 5);
}

TEST_F(PrintPreviewForm, ChoosingAPaperRedrawsOnIt)
{
    TDrawer drawer;
    auto form = MakeForm(&drawer);
    form->FormActivate();
    const int letter = form->FormComboBox->findText("Letter");
    form->FormComboBox->setCurrentIndex(letter);
    emit form->FormComboBox->activated(letter);
    EXPECT_EQ(drawer.Calls, 2);
    EXPECT_EQ(form->Document().PaperName(), "Letter");
    EXPECT_EQ(form->Document().Page(1).Size, QSize(816, 1056));

    // Papers offered later join the list.
    form->Document().AddPaper("Card", QPageSize(QSizeF(100, 150), QPageSize::Millimeter));
    EXPECT_GE(form->FormComboBox->findText("Card"), 0);
    EXPECT_EQ(form->FormComboBox->currentText(), "Letter");
    form->Document().RemovePaper("Letter");
    EXPECT_EQ(form->FormComboBox->findText("Letter"), -1);
    EXPECT_EQ(form->FormComboBox->currentText(), form->Document().PaperName());
}

TEST_F(PrintPreviewForm, TabsChooseThePage)
{
    TDrawer drawer;
    drawer.Pages = 3;
    auto form = MakeForm(&drawer);
    form->FormActivate();
    form->PageNavigator->setCurrentIndex(2);
    EXPECT_EQ(form->Document().CurrentPage(), 3);
    form->Document().SetCurrentPage(2);
    EXPECT_EQ(form->PageNavigator->currentIndex(), 1);
    // A regeneration keeps the page shown.
    form->FormActivate();
    EXPECT_EQ(form->PageNavigator->currentIndex(), 1);

    // Keys, clicks, the wheel and the arrow buttons on the window's strip,
    // from page 1; tabs out of sight are scrolled to.
    TPageTabStrip& tabs = *form->PageNavigator;
    auto key = [&](Qt::Key k) { return [&tabs, k] { QTest::keyClick(&tabs, k); }; };
    auto click = [&](int tab) {
        return [&tabs, tab] { QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(tab).center()); };
    };
    auto wheel = [&tabs](int delta) {
        return [&tabs, delta] {
            QWheelEvent e(QPointF(5, 5), tabs.mapToGlobal(QPointF(5, 5)), {}, {0, delta}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
            QApplication::sendEvent(&tabs, &e);
        };
    };
    auto arrows = [&tabs](int times) {
        return [&tabs, times] {
            const auto buttons = tabs.findChildren<QToolButton*>(); // left, right
            for (int i = 0; i < times; ++i)
                buttons.at(1)->click();
            QTest::mouseClick(&tabs, Qt::LeftButton, {}, QPoint(buttons.at(0)->x() - 5, 5));
        };
    };
    const struct {
        int Pages;
        std::function<void()> Do;
        int Page;
    } rows[] = {{3, key(Qt::Key_Right), 2},
                {3, key(Qt::Key_Left), 1},
                {3, click(2), 3},
                {3, wheel(-120), 2},
                {3, wheel(120), 1},
                {3, [&] { tabs.setCurrentIndex(5); }, 1},
                {600, [&] { tabs.setCurrentIndex(599); }, 600},
                {600, arrows(600), 600},
                {600, arrows(3), 0},
                {600, [] {}, 1}};
    form->resize(600, 400);
    form->show();
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        drawer.Pages = row.Pages;
        form->Document().SetCurrentPage(1);
        form->FormActivate();
        ASSERT_EQ(tabs.count(), row.Pages);
        EXPECT_EQ(tabs.tabText(row.Pages - 1), QString::number(row.Pages));
        row.Do();
        // Page 0: a tab that the arrows brought into sight, well past the first.
        const int page = form->Document().CurrentPage();
        EXPECT_TRUE(row.Page > 0 ? page == row.Page : page > 10) << page;
        EXPECT_EQ(tabs.currentIndex(), page - 1);
        EXPECT_TRUE(tabs.rect().contains(tabs.tabRect(page - 1))) << page;
    }
}

TEST_F(PrintPreviewForm, NewPagesAreFramedAndNumbered)
{
    TDrawer drawer;
    auto form = MakeForm(&drawer);
    form->FormActivate();
    const TPreviewPage& page = form->Document().Page(2);
    QImage image(page.Size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        PaintPage(p, page, 96, 96);
    }
    EXPECT_EQ(image.pixel(38, 600), qRgb(245, 245, 220));
    EXPECT_EQ(image.pixel(755, 600), qRgb(245, 245, 220));
    EXPECT_EQ(image.pixel(37, 600), qRgb(255, 255, 255));
    bool numbered = false;
    for (int y = 1085; y < 1100; ++y)
        for (int x = 700; x < 756; ++x)
            numbered = numbered || qGray(image.pixel(x, y)) < 128;
    EXPECT_TRUE(numbered);
}

TEST_F(PrintPreviewForm, PreviewFilesSaveAndLoad)
{
    TDrawer drawer;
    drawer.Pages = 2;
    auto form = MakeForm(&drawer);
    form->FormActivate();
    QSignalSpy titles(form.get(), &QWidget::windowTitleChanged);
    FFileDialogs.Answers = {FDir.File("saved")};
    form->SaveButton->click();
    ASSERT_EQ(FFileDialogs.Requests.size(), 1);
    EXPECT_TRUE(FFileDialogs.Requests[0].Save);
    EXPECT_EQ(FFileDialogs.Requests[0].Title, "Save To File");
    EXPECT_TRUE(QFileInfo::exists(FDir.File("saved.ppv")));
    EXPECT_EQ(form->SaveDialog.FileName, FDir.File("saved.ppv"));
    ASSERT_GE(titles.count(), 2);
    EXPECT_EQ(titles[0][0].toString(), ApplicationTitle() + " - Saving to file...");
    EXPECT_EQ(form->windowTitle(), ApplicationTitle());

    auto other = MakeForm();
    FFileDialogs.Answers = {FDir.File("saved.ppv")};
    other->LoadButton->click();
    EXPECT_TRUE(FMessages.Errors.isEmpty()) << FMessages.Errors.join("\n").toStdString();
    ASSERT_EQ(other->Document().TotalPages(), 2);
    EXPECT_EQ(other->PageNavigator->count(), 2);
    for (int i = 1; i <= 2; ++i)
        EXPECT_EQ(other->Document().Page(i).Commands, form->Document().Page(i).Commands);
    EXPECT_TRUE(other->SaveButton->isEnabled());

    // A file that is no preview file, or one cut short, is refused with a
    // message; the pages stay.
    const QString garbage = FDir.Write("garbage.ppv", QByteArray(3000, '\x7f'));
    const QByteArray whole = ReadFileBytes(FDir.File("saved.ppv"));
    const QString cut = FDir.Write("cut.ppv", whole.left(whole.size() / 2));
    FFileDialogs.Answers = {garbage, cut};
    other->LoadButton->click();
    other->LoadButton->click();
    ASSERT_EQ(FMessages.Errors.size(), 2);
    EXPECT_EQ(FMessages.Errors[0], garbage + " is not a print preview file.");
    EXPECT_EQ(FMessages.Errors[1], cut + " is damaged or incomplete.");
    EXPECT_EQ(other->Document().TotalPages(), 2);
    EXPECT_EQ(other->windowTitle(), ApplicationTitle());

    // A cancelled dialog does nothing.
    other->LoadButton->click();
    EXPECT_EQ(other->Document().TotalPages(), 2);
}

TEST_F(PrintPreviewForm, LoadedPagesStayUntilANewReportIsAskedFor)
{
    TDrawer three;
    three.Pages = 3;
    auto source = MakeForm(&three);
    source->Document().AddPaper("Card", QPageSize(QSizeF(150, 100), QPageSize::Millimeter));
    ChoosePaper(*source, "Card");
    FFileDialogs.Answers = {FDir.File("three.ppv")};
    source->SaveButton->click();

    TDrawer drawer;
    drawer.Pages = 1;
    auto form = MakeForm(&drawer);
    form->FormActivate();
    // Each file dialog's closing activates the window again.
    FFileDialogs.Answers = {FDir.File("three.ppv"), FDir.File("out.pdf")};
    form->LoadButton->click();
    form->FormActivate();
    EXPECT_TRUE(form->ShowingLoaded());
    EXPECT_EQ(form->Document().TotalPages(), 3);
    form->SavePDFButton->click();
    form->FormActivate();
    EXPECT_EQ(PdfInfo(FDir.File("out.pdf"), "Pages"), "3");
    // Printing prints them, also where it would redraw the report.
    FPrint.OutputFile = FDir.File("printed.pdf");
    form->DirectPrintCheckBox->setChecked(true);
    form->PrintButton->click();
    EXPECT_TRUE(PdfToText(FDir.File("printed.pdf")).contains("Drawn page 3 of 3"));
    EXPECT_EQ(PdfInfo(FDir.File("printed.pdf"), "Page size"), "425 x 283 pts"); // on their own sheet
    form->SendButton->click();
    ASSERT_EQ(FMail.Sent.size(), 1u);
    EXPECT_EQ(PdfInfo(FMail.Sent[0].Files[0].PathName, "Pages"), "3");
    EXPECT_EQ(drawer.Calls, 1);

    // Another paper, or the window shown anew, asks for a new report.
    ChoosePaper(*form, "A5");
    EXPECT_EQ(drawer.Calls, 2);
    EXPECT_EQ(form->Document().TotalPages(), 1);
    FFileDialogs.Answers = {FDir.File("three.ppv")};
    form->LoadButton->click();
    form->show();
    form->FormActivate();
    EXPECT_EQ(drawer.Calls, 3);
    EXPECT_FALSE(form->ShowingLoaded());
}

TEST_F(PrintPreviewForm, PdfIsSavedWithThePagesText)
{
    TDrawer drawer;
    auto form = MakeForm(&drawer);
    form->FormActivate();
    FFileDialogs.Answers = {FDir.File("out")};
    form->SavePDFButton->click();
    ASSERT_EQ(FFileDialogs.Requests.size(), 1);
    EXPECT_EQ(FFileDialogs.Requests[0].Title, "Save As PDF");
    const QString text = PdfToText(FDir.File("out.pdf"));
    EXPECT_TRUE(text.contains("Drawn page 2 of 2")) << text.toStdString();
    EXPECT_EQ(PdfInfo(FDir.File("out.pdf"), "Title"), "Test report");
}

TEST_F(PrintPreviewForm, SendAttachesTheReportPdf)
{
    QDir().mkpath(FProgramDir + "Report");
    TDrawer drawer;
    auto form = MakeForm(&drawer);
    form->FormActivate();
    form->SendButton->click();
    EXPECT_TRUE(FMessages.Errors.isEmpty()) << FMessages.Errors.join("\n").toStdString();
    ASSERT_EQ(FMail.Sent.size(), 1u);
    const QString file = FProgramDir + "Report/report1.pdf";
    const TMapiMessage& m = FMail.Sent[0];
    EXPECT_EQ(m.Subject, "pdf attached");
    EXPECT_EQ(m.NoteText, "Please find report1.pdf attached...");
    EXPECT_TRUE(m.Recips.empty());
    EXPECT_EQ(m.Originator.Name, "");
    EXPECT_EQ(m.Originator.Address, "");
    EXPECT_EQ(m.SendFlags, 11u);
    ASSERT_EQ(m.Files.size(), 1u);
    EXPECT_EQ(m.Files[0].PathName, file);
    EXPECT_EQ(m.Files[0].FileName, "report1.pdf");
    EXPECT_TRUE(PdfToText(file).contains("Drawn page 1 of 2"));

    // Each send writes a new file: never one sent before, nor the one the
    // user saved (and may have changed since).
    FFileDialogs.Answers = {FProgramDir + "Report/mine.pdf"};
    form->SavePDFButton->click();
    FDir.Write("program/Report/mine.pdf", QByteArray("the user's own"));
    const QByteArray first = ReadFileBytes(file);
    form->SendButton->click();
    ASSERT_EQ(FMail.Sent.size(), 2u);
    EXPECT_EQ(FMail.Sent[1].Files[0].PathName, FProgramDir + "Report/report2.pdf");
    EXPECT_EQ(FMail.Sent[1].NoteText, "Please find report2.pdf attached...");
    EXPECT_EQ(ReadFileBytes(FProgramDir + "Report/mine.pdf"), "the user's own");
    EXPECT_EQ(ReadFileBytes(file), first);

    // A failed hand-over is said.
    FMail.Result = MAPI_E_FAILURE;
    form->SendButton->click();
    EXPECT_EQ(FMessages.Errors.size(), 1);
    FMail.Result = MAPI_USER_ABORT;
    form->SendButton->click();
    EXPECT_EQ(FMessages.Errors.size(), 1);
}

TEST_F(PrintPreviewForm, SavingOverAFileAsksFirst)
{
    TDrawer drawer;
    auto form = MakeForm(&drawer);
    form->FormActivate();
    TQtFileDialogService real;
    TScopedFileDialogService scope(real);
    struct Case {
        QAbstractButton* button;
        const char* file;
        QByteArray written; // how the file begins once replaced
    };
    for (const Case& c : {Case{form->SaveButton, "mine.ppv", {}}, Case{form->SavePDFButton, "mine.pdf", "%PDF"}}) {
        SCOPED_TRACE(c.file);
        const QString file = FDir.Write(c.file, QByteArray("the user's own"));
        for (const bool replace : {false, true}) {
            TFileDialogSeen seen;
            AnswerFileDialog(file, replace, seen);
            c.button->click();
            EXPECT_TRUE(seen.Question.startsWith(QString(c.file) + " already exists")) << seen.Question.toStdString();
            EXPECT_EQ(ReadFileBytes(file) == "the user's own", !replace);
        }
        EXPECT_TRUE(ReadFileBytes(file).startsWith(c.written));
    }
}

TEST_F(PrintPreviewForm, SendFallsBackToTheDocumentsFolder)
{
    // Without a report folder in the program folder none is made there:
    // the user's, where the dialogs start, takes the file.
    for (const QString& program : {FProgramDir, FDir.Write("plain", QByteArray("x")) + "/"}) {
        FProgramDir = program;
        TDrawer drawer;
        auto form = MakeForm(&drawer);
        form->FormActivate();
        form->SendButton->click();
        ASSERT_EQ(FMail.Sent.size(), 1u);
        EXPECT_EQ(FMail.Sent[0].Files[0].PathName, UserDataDir + "Report/report1.pdf");
        EXPECT_TRUE(QFileInfo::exists(UserDataDir + "Report/report1.pdf"));
        EXPECT_EQ(form->SavePDFDialog.InitialDir, UserDataDir + "Report");
        EXPECT_FALSE(QFileInfo::exists(FProgramDir + "Report"));
        QFile::remove(UserDataDir + "Report/report1.pdf");
        FMail.Sent.clear();
    }
    TDrawer drawer;
    auto form = MakeForm(&drawer);
    form->FormActivate();
    form->SendButton->click();
    ASSERT_EQ(FMail.Sent.size(), 1u);

    // Nowhere to write: said, nothing sent.
    UserDataDir = FDir.File("plain/docs") + "/";
    form->SendButton->click();
    EXPECT_EQ(FMail.Sent.size(), 1u);
    ASSERT_EQ(FMessages.Errors.size(), 1);
    EXPECT_TRUE(FMessages.Errors[0].startsWith("Unable to write to ")) << FMessages.Errors[0].toStdString();
}

TEST_F(PrintPreviewForm, PrintingPrintsThePagesKept)
{
    TDrawer drawer;
    auto form = MakeForm(&drawer);
    form->FormActivate();
    FPrint.OutputFile = FDir.File("printed.pdf");
    QSignalSpy titles(form.get(), &QWidget::windowTitleChanged);
    form->PrintButton->click();
    EXPECT_EQ(FPrint.Dialogs, 1);
    EXPECT_EQ(FPrint.PageCount, 2);
    EXPECT_EQ(drawer.Calls, 1);
    EXPECT_EQ(PdfInfo(FDir.File("printed.pdf"), "Pages"), "2");
    QStringList seen;
    for (const auto& t : titles)
        seen << t[0].toString();
    EXPECT_TRUE(seen.contains(ApplicationTitle() + " - Preparing to print...")) << seen.join("|").toStdString();
    EXPECT_TRUE(seen.contains(ApplicationTitle() + " - Printing page 1 of 2 (%50 done)..."))
        << seen.join("|").toStdString();
    EXPECT_EQ(form->windowTitle(), ApplicationTitle());
    EXPECT_TRUE(form->PrintButton->isEnabled());
    EXPECT_TRUE(form->LoadButton->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A range chosen in the dialog prints those pages alone.
    FPrint.FromPage = 2;
    FPrint.ToPage = 2;
    form->PrintButton->click();
    EXPECT_EQ(PdfInfo(FDir.File("printed.pdf"), "Pages"), "1");
    EXPECT_TRUE(PdfToText(FDir.File("printed.pdf")).contains("Drawn page 2 of 2"));
}

TEST_F(PrintPreviewForm, PrintingCanRegenerateThePagesForThePrinter)
{
    TDrawer drawer;
    auto form = MakeForm(&drawer);
    form->FormActivate();
    const QByteArray kept = form->Document().Page(1).Commands;
    FPrint.OutputFile = FDir.File("direct.pdf");
    form->DirectPrintCheckBox->setChecked(true);
    drawer.Pages = 3;
    FPrint.FromPage = FPrint.ToPage = 1;
    form->PrintButton->click();
    EXPECT_EQ(FPrint.PageCount, 0); // pages not yet drawn offer no range
    ASSERT_EQ(drawer.Calls, 2);
    EXPECT_EQ(drawer.DirectPrint, std::vector<bool>({false, true}));
    EXPECT_FALSE(form->Document().DirectPrint());
    EXPECT_EQ(PdfInfo(FDir.File("direct.pdf"), "Pages"), "3");
    EXPECT_TRUE(PdfToText(FDir.File("direct.pdf")).contains("Drawn page 3 of 3"));
    EXPECT_EQ(form->Document().TotalPages(), 2);
    EXPECT_EQ(form->Document().Page(1).Commands, kept);
    EXPECT_EQ(form->windowTitle(), ApplicationTitle());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(PrintPreviewForm, CancelledPrintDialogPrintsNothing)
{
    TDrawer drawer;
    auto form = MakeForm(&drawer);
    form->FormActivate();
    FPrint.Accept = false;
    FPrint.OutputFile = FDir.File("never.pdf");
    form->DirectPrintCheckBox->setChecked(true);
    form->PrintButton->click();
    EXPECT_EQ(FPrint.Dialogs, 1);
    EXPECT_EQ(drawer.Calls, 1);
    EXPECT_FALSE(QFileInfo::exists(FDir.File("never.pdf")));
}

TEST_F(PrintPreviewForm, PrintFollowsThePrintersWhenShownOrActivated)
{
    TDrawer drawer;
    auto form = MakeForm(&drawer);
    form->FormActivate();
    // Pages kept that nothing redraws: the printers alone decide.
    form->OnCreatePages = nullptr;
    FPrint.Installed = false;
    form->show();
    EXPECT_FALSE(form->PrintButton->isEnabled());
    FPrint.Installed = true;
    form->FormActivate();
    EXPECT_TRUE(form->PrintButton->isEnabled());
    form->hide();
    FPrint.Installed = false;
    form->show();
    EXPECT_FALSE(form->PrintButton->isEnabled());
    EXPECT_TRUE(form->SaveButton->isEnabled());
}

// Queues whose own paper is another than the preview's print on the preview's.
TEST_F(PrintPreviewForm, PrintSystemPrintsOnThePreviewsPaper)
{
    VOZ_SKIP_WITHOUT_PRINT_SYSTEM();
    const struct {
        QString QueuePaper;
        QString PreviewPaper;
        bool Direct;
        QString PageSize;
    } cases[] = {
        {"A4", "A5", false, "421 x 595 pts (A5)"},
        {"Letter", "A4", false, "595 x 842 pts (A4)"},
        {"Letter", "A5", true, "421 x 595 pts (A5)"},
        // A sheet wider than high goes on its paper turned.
        {"A4", "Card", false, "283 x 425 pts"},
        {"Letter", "Executive", false, "522 x 756 pts"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.PreviewPaper + " on " + c.QueuePaper + (c.Direct ? ", direct" : "")).toStdString());
        const TTestPrintQueue queue("Paper" + c.QueuePaper, c.QueuePaper);
        TDrawer drawer;
        auto form = MakeForm(&drawer);
        form->Document().AddPaper("Card", QPageSize(QSizeF(150, 100), QPageSize::Millimeter));
        form->FormActivate();
        ChoosePaper(*form, c.PreviewPaper);
        FPrint.PrinterName = queue.Name();
        form->DirectPrintCheckBox->setChecked(c.Direct);
        form->PrintButton->click();
        EXPECT_TRUE(FMessages.Errors.isEmpty()) << FMessages.Errors.join('\n').toStdString();
        const QStringList printed = queue.Printed();
        ASSERT_EQ(printed.size(), 1);
        EXPECT_EQ(PdfInfo(printed[0], "Pages"), "2");
        EXPECT_EQ(PdfInfo(printed[0], "Page size"), c.PageSize);
        // The frame's page number sits in the bottom corner: the sheet is whole.
        const QString text = PdfToText(printed[0]);
        EXPECT_TRUE(text.contains("Drawn page 2 of 2")) << text.toStdString();
        EXPECT_TRUE(text.contains("Page 2")) << text.toStdString();
    }
}

// Every paper of the list reaches the queue as a sheet it knows.
TEST_F(PrintPreviewForm, PrintSystemTakesEveryPaperOfTheList)
{
    VOZ_SKIP_WITHOUT_PRINT_SYSTEM();
    const TTestPrintQueue queue("EveryPaper");
    FPrint.PrinterName = queue.Name();
    TDrawer drawer;
    drawer.Pages = 1;
    auto form = MakeForm(&drawer);
    form->FormActivate();
    QStringList papers;
    for (int i = 0; i < form->FormComboBox->count(); ++i) {
        papers.append(form->FormComboBox->itemText(i));
        ChoosePaper(*form, papers.back());
        form->PrintButton->click();
    }
    EXPECT_TRUE(FMessages.Errors.isEmpty()) << FMessages.Errors.join('\n').toStdString();
    const QStringList printed = queue.Printed();
    ASSERT_EQ(printed.size(), papers.size());
    for (int i = 0; i < papers.size(); ++i) {
        form->Document().SetPaperName(papers[i]);
        const QSizeF points = form->Document().PaperSize().size(QPageSize::Point);
        const QString size = PdfInfo(printed[i], "Page size");
        const QRegularExpressionMatch m = QRegularExpression("^([\\d.]+) x ([\\d.]+) pts").match(size);
        EXPECT_TRUE(m.hasMatch() && qAbs(m.captured(1).toDouble() - points.width()) < 1.5 &&
                    qAbs(m.captured(2).toDouble() - points.height()) < 1.5)
            << papers[i].toStdString() << ": " << size.toStdString();
    }
}

TEST_F(PrintPreviewForm, PrintSystemFailuresAreSaidNamingThePrinter)
{
    VOZ_SKIP_WITHOUT_PRINT_SYSTEM();
    const struct {
        QString Queue;
        QString Command;
        QStringList WithoutPapers;
        bool Direct;
        QString Error;
        int Held;
    } cases[] = {
        {"Rejecting", "cupsreject", {}, false, "The printer Rejecting did not take the job: ", 0},
        {"RejectingDirect", "cupsreject", {}, true, "The printer RejectingDirect did not take the job: ", 0},
        {"NoA5", "", {"A5"}, false, "The printer NoA5 cannot print on A5 paper.", 0},
        {"NoA5Direct", "", {"A5"}, true, "The printer NoA5Direct cannot print on A5 paper.", 0},
        // A stopped queue holds the job for later: it took it.
        {"Stopped", "cupsdisable", {}, false, "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Queue.toStdString());
        FMessages.Clear();
        const TTestPrintQueue queue(c.Queue, "A4", c.WithoutPapers);
        if (!c.Command.isEmpty())
            queue.Command(c.Command);
        TDrawer drawer;
        auto form = MakeForm(&drawer);
        form->FormActivate();
        ChoosePaper(*form, "A5");
        FPrint.PrinterName = queue.Name();
        form->DirectPrintCheckBox->setChecked(c.Direct);
        QSignalSpy titles(form.get(), &QWidget::windowTitleChanged);
        form->PrintButton->click();
        if (c.Error.isEmpty()) {
            EXPECT_TRUE(FMessages.Errors.isEmpty()) << FMessages.Errors.join('\n').toStdString();
        } else {
            EXPECT_EQ(FMessages.Errors.size(), 1);
            EXPECT_TRUE(FMessages.Errors.value(0).startsWith(c.Error)) << FMessages.Errors.value(0).toStdString();
        }
        EXPECT_EQ(queue.PendingJobs(), c.Held);
        EXPECT_EQ(form->windowTitle(), ApplicationTitle());
        EXPECT_TRUE(form->PrintButton->isEnabled());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_FALSE(form->Document().DirectPrint());
        if (c.WithoutPapers.isEmpty())
            continue;
        // Said before anything printed.
        for (const auto& t : titles)
            EXPECT_FALSE(t[0].toString().contains("print", Qt::CaseInsensitive)) << t[0].toString().toStdString();
    }
}

TEST_F(PrintPreviewForm, DrawingErrorKeepsWhatWasDrawnAndIsShownOnce)
{
    TDrawer drawer;
    drawer.Pages = 3;
    drawer.ThrowAfterFirstPage = true;
    auto form = MakeForm(&drawer);
    EXPECT_THROW(form->FormActivate(), EInOutError);
    EXPECT_EQ(form->Document().State(), psReady);
    EXPECT_EQ(form->Document().TotalPages(), 1);
    EXPECT_EQ(form->windowTitle(), ApplicationTitle());
    EXPECT_TRUE(form->LoadButton->isEnabled());
    // The activation that follows the error box does not draw (and fail) again;
    // the next one does.
    form->FormActivate();
    EXPECT_EQ(drawer.Calls, 1);
    drawer.ThrowAfterFirstPage = false;
    form->FormActivate();
    EXPECT_EQ(drawer.Calls, 2);
    EXPECT_EQ(form->Document().TotalPages(), 3);
}

TEST_F(PrintPreviewForm, GrayscaleAndAnnotationBoxes)
{
    TDrawer drawer;
    auto form = MakeForm(&drawer);
    form->FormActivate();
    form->PrintPreview->SetZoom(100);
    auto hasColour = [](const QImage& image) {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y)
            for (int x = 0; x < rgb.width(); ++x) {
                const QRgb p = rgb.pixel(x, y);
                if (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p))
                    return true;
            }
        return false;
    };
    EXPECT_TRUE(hasColour(form->PrintPreview->RenderCurrentPage()));
    form->Grayscale->setChecked(true);
    EXPECT_TRUE(form->Document().GrayscalePreview);
    EXPECT_TRUE(form->Document().GrayscalePrint);
    EXPECT_FALSE(hasColour(form->PrintPreview->RenderCurrentPage()));
    form->Grayscale->setChecked(false);
    EXPECT_FALSE(form->Document().GrayscalePrint);

    form->AnnotationCheckBox->setChecked(false);
    EXPECT_FALSE(form->PrintPreview->Annotation());
    form->AnnotationCheckBox->setChecked(true);
    EXPECT_TRUE(form->PrintPreview->Annotation());
    int notes = 0;
    QObject::connect(form->PrintPreview, &TPrintPreview::OnAnnotation, [&](int page, QPainter&) {
        EXPECT_EQ(page, 1);
        ++notes;
    });
    form->PrintPreview->resize(600, 400);
    form->PrintPreview->widget()->grab();
    EXPECT_EQ(notes, 1);
    form->AnnotationCheckBox->setChecked(false);
    form->PrintPreview->widget()->grab();
    EXPECT_EQ(notes, 1);
}

TEST(PrintPreviewZoom, FitZoomTable)
{
    struct {
        TZoomState State;
        QSize Viewport;
        int Zoom;
    } cases[] = {
        {zsZoomToWidth, {814, 600}, 100}, {zsZoomToHeight, {814, 1143}, 100}, {zsZoomToFit, {814, 600}, 51},
        {zsZoomToWidth, {417, 600}, 50},  {zsZoomToFit, {2000, 2000}, 176},   {zsZoomToWidth, {10, 10}, 1},
        {zsZoomOther, {814, 600}, 100},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitZoom(c.State, c.Viewport, QSize(794, 1123), 10), c.Zoom) << c.State << " " << c.Viewport.width();
    TPreviewPage page;
    page.Units = mmLoMetric;
    page.Size = QSize(2100, 2970);
    EXPECT_EQ(ZoomedPageSize(page, 100), QSize(794, 1123));
    EXPECT_EQ(ZoomedPageSize(page, 50), QSize(397, 561));
}
