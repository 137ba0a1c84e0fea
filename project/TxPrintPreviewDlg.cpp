#include "TxPrintPreviewDlg.h"

#include "MapiControl.h"
#include "PageTabStrip.h"
#include "TxApplicationPath.h"
#include "TxEventGuard.h"
#include "TxFormat.h"
#include "TxPlacement.h"
#include "TxPlatform.h"
#include "TxPrintService.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char* const ZoomItems[] = {"%50", "%100", "%150", "%200", "Page Width", "Page Height", "Whole Page"};
constexpr int FixedZooms[] = {50, 100, 150, 200};
constexpr int BarHeight = 39;

const QString PreviewFilter = QStringLiteral("Print Preview Files (*.ppv)|*.ppv|All Files (*.*)|*.*");
const QString PdfFilter = QStringLiteral("PDF Files (*.pdf)|*.pdf|All Files (*.*)|*.*");

QFont PixelFont(const QString& family, int height, bool bold = false)
{
    QFont font(family);
    font.setPixelSize(height);
    font.setBold(bold);
    return font;
}

// Hourglass and a caption while a file operation runs, put back however it ends.
class TBusyCaption {
public:
    TBusyCaption(QWidget* form, const QString& what) : FForm(form)
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        FForm->setWindowTitle(ApplicationTitle() + what);
    }
    ~TBusyCaption()
    {
        FForm->setWindowTitle(ApplicationTitle());
        QApplication::restoreOverrideCursor();
    }
    TBusyCaption(const TBusyCaption&) = delete;
    TBusyCaption& operator=(const TBusyCaption&) = delete;

private:
    QWidget* FForm;
};

} // namespace

TPrintPreviewForm::TPrintPreviewForm(QWidget* parent, const QString& programDir) : QDialog(parent)
{
    setObjectName(QStringLiteral("PrintPreviewForm"));
    setWindowTitle(QStringLiteral("TPrintPreview"));
    setFont(PixelFont(QStringLiteral("Arial"), 11));
    resize(956, 546);
    CreateControls();
    ConnectHandlers();
    ReportFolder = (programDir.isEmpty() ? ExeDir : programDir) + QStringLiteral("Report");
    Guarded([this] { FormCreate(); });
}

TPrintPreviewForm::~TPrintPreviewForm() = default;

void TPrintPreviewForm::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Toolbar = new QWidget(this);
    Toolbar->setObjectName(QStringLiteral("Toolbar"));
    Toolbar->setFixedHeight(BarHeight);
    auto* top = new QHBoxLayout(Toolbar);
    top->setContentsMargins(8, 4, 8, 4);
    ZoomLabel = new QLabel(QStringLiteral("Zoom:"), Toolbar);
    ZoomComboBox = new QComboBox(Toolbar);
    ZoomComboBox->setObjectName(QStringLiteral("ZoomComboBox"));
    for (const char* item : ZoomItems)
        ZoomComboBox->addItem(QString::fromLatin1(item));
    PaperLabel = new QLabel(QStringLiteral("Paper:"), Toolbar);
    FormComboBox = new QComboBox(Toolbar);
    FormComboBox->setObjectName(QStringLiteral("FormComboBox"));
    FormComboBox->setMinimumWidth(120);
    AnnotationCheckBox = new QCheckBox(QStringLiteral("Show Printer's printable boundary"), Toolbar);
    AnnotationCheckBox->setObjectName(QStringLiteral("AnnotationCheckBox"));
    top->addWidget(ZoomLabel);
    top->addWidget(ZoomComboBox);
    top->addSpacing(16);
    top->addWidget(PaperLabel);
    top->addWidget(FormComboBox);
    top->addSpacing(16);
    top->addWidget(AnnotationCheckBox);
    top->addStretch();
    layout->addWidget(Toolbar);

    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    layout->addWidget(Bevel1);

    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(BarHeight);
    auto* bar = new QHBoxLayout(Panel2);
    bar->setContentsMargins(8, 4, 8, 4);
    auto button = [&](const char* name, const char* text, bool enabled) {
        auto* b = new QPushButton(QString::fromLatin1(text), Panel2);
        b->setObjectName(QString::fromLatin1(name));
        b->setEnabled(enabled);
        b->setAutoDefault(false);
        bar->addWidget(b);
        return b;
    };
    LoadButton = button("LoadButton", "Load", true);
    SaveButton = button("SaveButton", "Save", false);
    SavePDFButton = button("SavePDFButton", "Save PDF", false);
    PrintButton = button("PrintButton", "Print", false);
    DirectPrintCheckBox = new QCheckBox(QStringLiteral("Regenerate pages for hard copy"), Panel2);
    DirectPrintCheckBox->setObjectName(QStringLiteral("DirectPrintCheckBox"));
    bar->addWidget(DirectPrintCheckBox);
    Grayscale = new QCheckBox(QStringLiteral("Grayscale"), Panel2);
    Grayscale->setObjectName(QStringLiteral("Grayscale"));
    bar->addWidget(Grayscale);
    SendButton = button("SendButton", "Send", false);
    SendButton->setToolTip(QStringLiteral("Send by email"));
    bar->addStretch();
    layout->addWidget(Panel2);

    PrintPreview = new TPrintPreview(this);
    PrintPreview->setFont(PixelFont(QStringLiteral("Verdana"), 11));
    Document().SetFont(PixelFont(QStringLiteral("Verdana"), 11));
    Document().PrintJobTitle = QStringLiteral("TPrintPreview Sample Print");
    layout->addWidget(PrintPreview, 1);

    PageNavigator = new TPageTabStrip(this);
    PageNavigator->setObjectName(QStringLiteral("PageNavigator"));
    PageNavigator->setFont(PixelFont(QStringLiteral("Arial"), 19, true));
    layout->addWidget(PageNavigator);

    SaveDialog.Save = true;
    SavePDFDialog.Save = true;
    OpenDialog.DefaultExt = QStringLiteral("ppv");
    OpenDialog.Filter = PreviewFilter;
    OpenDialog.Title = QStringLiteral("Load From File");
    SaveDialog.DefaultExt = QStringLiteral("ppv");
    SaveDialog.Filter = PreviewFilter;
    SaveDialog.Title = QStringLiteral("Save To File");
    SavePDFDialog.DefaultExt = QStringLiteral("pdf");
    SavePDFDialog.Filter = PdfFilter;
    SavePDFDialog.Title = QStringLiteral("Save As PDF");

    Mapi = new TMapiControl(this);
    Mapi->setObjectName(QStringLiteral("Mapi"));
    Mapi->SetShowDialog(true);

    setFocusProxy(PrintPreview);
    PrintPreview->setFocus();
}

void TPrintPreviewForm::ConnectHandlers()
{
    TPreviewDocument* doc = PrintPreview->Document();
    connect(ZoomComboBox, &QComboBox::activated, this, [this] { Guarded([this] { ZoomComboBoxChange(); }); });
    connect(PrintPreview, &TPrintPreview::OnZoomChange, this,
            [this] { Guarded([this] { PrintPreviewZoomChange(); }); });
    connect(FormComboBox, &QComboBox::activated, this, [this] { Guarded([this] { FormComboBoxChange(); }); });
    connect(AnnotationCheckBox, &QCheckBox::toggled, this, [this] { Guarded([this] { AnnotationCheckBoxClick(); }); });
    connect(Grayscale, &QCheckBox::toggled, this, [this] { Guarded([this] { GrayscaleClick(); }); });
    connect(PrintButton, &QPushButton::clicked, this, [this] { Guarded([this] { PrintButtonClick(); }); });
    connect(SaveButton, &QPushButton::clicked, this, [this] { Guarded([this] { SaveButtonClick(); }); });
    connect(LoadButton, &QPushButton::clicked, this, [this] { Guarded([this] { LoadButtonClick(); }); });
    connect(SavePDFButton, &QPushButton::clicked, this, [this] { Guarded([this] { SavePDFButtonClick(); }); });
    connect(SendButton, &QPushButton::clicked, this, [this] { Guarded([this] { SendButtonClick(); }); });
    connect(PageNavigator, &TPageTabStrip::currentChanged, this,
            [this](int index) { Guarded([this, index] { PageNavigatorChange(index); }); });
    connect(doc, &TPreviewDocument::OnChange, this, [this] { Guarded([this] { PrintPreviewChange(); }); });
    connect(doc, &TPreviewDocument::OnBeginDoc, this, &TPrintPreviewForm::PrintPreviewBeginDoc);
    connect(doc, &TPreviewDocument::OnEndDoc, this, &TPrintPreviewForm::PrintPreviewEndDoc);
    connect(doc, &TPreviewDocument::OnBeforePrint, this, &TPrintPreviewForm::PrintPreviewBeforePrint);
    connect(doc, &TPreviewDocument::OnPrintProgress, this, &TPrintPreviewForm::PrintPreviewPrintProgress);
    connect(doc, &TPreviewDocument::OnAfterPrint, this, &TPrintPreviewForm::PrintPreviewAfterPrint);
    // Drawing errors on a new page belong to the drawer that asked for it.
    connect(doc, &TPreviewDocument::OnNewPage, this, &TPrintPreviewForm::PrintPreviewNewPage);
    connect(PrintPreview, &TPrintPreview::OnAnnotation, this,
            [this](int page, QPainter& painter) { Guarded([&] { PrintPreviewAnnotation(page, painter); }); });
    connect(doc, &TPreviewDocument::OnPaperAdded, this, &TPrintPreviewForm::PrintPreviewPaperAdded);
    connect(doc, &TPreviewDocument::OnPaperRemoved, this, &TPrintPreviewForm::PrintPreviewPaperRemoved);
    // The window does not handle the outcome of a send, but a failure is not
    // left unsaid.
    connect(Mapi, &TMapiControl::OnMapiError, this, [this](int code) {
        Messages().ShowError(Mapi->ErrorText().isEmpty() ? MapiErrorText(code) : Mapi->ErrorText());
    });
}

void TPrintPreviewForm::changeEvent(QEvent* e)
{
    QDialog::changeEvent(e);
    if (e->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow())
        Guarded([this] { FormActivate(); });
    else
        Guarded([this] { FormDeactivate(); });
}

void TPrintPreviewForm::FormCreate()
{
    LoadFormPlacementReg(this, false, true);
    TPreviewDocument& doc = Document();
    PrintPreview->SetZoom(20);
    PrintPreviewZoomChange();
    doc.SetUnits(mmPixel);
    FormComboBox->clear();
    FormComboBox->addItems(doc.PaperNames());
    SelectPreviewPaper();
    if (FormComboBox->currentIndex() < 0) {
        doc.SetPaperName(QStringLiteral("A4"));
        SelectPreviewPaper();
    }
    AnnotationCheckBox->setChecked(PrintPreview->Annotation());
    // PDF comes from Qt itself, so it is always there.
    SavePDFButton->setEnabled(true);
    SendButton->setEnabled(true);
    // The dialogs start where "Send" writes.
    if (const QString start = MakeReportDir(); !start.isEmpty()) {
        OpenDialog.InitialDir = start;
        SaveDialog.InitialDir = start;
        SavePDFDialog.InitialDir = start;
    }
    FirstActivate = true;
}

void TPrintPreviewForm::SelectPreviewPaper()
{
    const QSignalBlocker block(FormComboBox);
    FormComboBox->setCurrentIndex(FormComboBox->findText(Document().PaperName()));
}

void TPrintPreviewForm::showEvent(QShowEvent* e)
{
    // Shown again, the window is asked for a new report.
    FShowingLoaded = false;
    QDialog::showEvent(e);
    RefreshPrintButton();
}

void TPrintPreviewForm::RefreshPrintButton()
{
    // Printers come and go while the program runs: ask again, whether or
    // not the pages are redrawn.
    if (Document().State() == psReady)
        UpdateCommandButtons();
}

void TPrintPreviewForm::FormActivate()
{
    RefreshPrintButton();
    if (FirstActivate) {
        FirstActivate = false;
        repaint();
    }
    // The activation that only comes back from the error box of a failed
    // drawing would draw, fail and show the box again, for ever.
    if (FSkipActivation) {
        FSkipActivation = false;
        return;
    }
    // Pages loaded from a file stay until the user asks for a new report.
    if (FShowingLoaded)
        return;
    DoCreatePages();
}

void TPrintPreviewForm::FormDeactivate()
{
    SaveFormPlacementReg(this);
}

void TPrintPreviewForm::DoCreatePages()
{
    if (!OnCreatePages)
        return;
    TPreviewDocument& doc = Document();
    // Pages being made (a message handled meanwhile) are not started again.
    if (doc.State() != psReady)
        return;
    FShowingLoaded = false;
    try {
        OnCreatePages(*this);
    } catch (...) {
        doc.EndDoc();
        FSkipActivation = true;
        throw;
    }
    doc.EndDoc();
}

void TPrintPreviewForm::ZoomComboBoxChange()
{
    const int index = ZoomComboBox->currentIndex();
    if (index >= 0 && index < 4)
        PrintPreview->SetZoom(FixedZooms[index]);
    else if (index == 4)
        PrintPreview->SetZoomState(zsZoomToWidth);
    else if (index == 5)
        PrintPreview->SetZoomState(zsZoomToHeight);
    else if (index == 6)
        PrintPreview->SetZoomState(zsZoomToFit);
}

void TPrintPreviewForm::PrintPreviewZoomChange()
{
    int index = -1;
    switch (PrintPreview->ZoomState()) {
    case zsZoomToWidth:
        index = 4;
        break;
    case zsZoomToHeight:
        index = 5;
        break;
    case zsZoomToFit:
        index = 6;
        break;
    case zsZoomOther:
        for (int i = 0; i < 4; ++i)
            if (PrintPreview->Zoom() == FixedZooms[i])
                index = i;
        break;
    }
    const QSignalBlocker block(ZoomComboBox);
    ZoomComboBox->setCurrentIndex(index);
}

void TPrintPreviewForm::FormComboBoxChange()
{
    DoCreatePages();
}

void TPrintPreviewForm::AnnotationCheckBoxClick()
{
    PrintPreview->SetAnnotation(AnnotationCheckBox->isChecked());
}

void TPrintPreviewForm::GrayscaleClick()
{
    const bool on = Grayscale->isChecked();
    Document().GrayscalePreview = on;
    Document().GrayscalePrint = on;
    PrintPreview->viewport()->update();
    PrintPreview->widget()->update();
}

void TPrintPreviewForm::PrintButtonClick()
{
    TPreviewDocument& doc = Document();
    if (doc.State() != psReady)
        return;
    doc.ApplyPaperToPrinter();
    // Each print starts from all pages; pages about to be redrawn cannot be
    // chosen from.
    const bool redraw = DirectPrintCheckBox->isChecked() && !FShowingLoaded;
    doc.Printer().setPrintRange(QPrinter::AllPages);
    doc.Printer().setPageRanges({});
    if (!PrintService().ExecPrinterSetup(this, doc.Printer(), redraw ? 0 : doc.TotalPages()))
        return;
    // The boundary follows the printer just chosen.
    if (PrintPreview->Annotation())
        PrintPreview->widget()->update();
    // Loaded pages are printed as they are: there is no report to redraw.
    if (redraw) {
        doc.SetDirectPrint(true);
        try {
            DoCreatePages();
        } catch (...) {
            doc.EndDoc();
            doc.SetDirectPrint(false);
            throw;
        }
        doc.SetDirectPrint(false);
        doc.RaisePrintFailure();
    } else {
        doc.Print();
    }
}

bool TPrintPreviewForm::ExecuteDialog(TFileDialogRequest& dialog)
{
    QString name;
    if (!FileDialogs().Execute(this, dialog, name))
        return false;
    dialog.FileName = WithDefaultExt(name, dialog.DefaultExt);
    return true;
}

void TPrintPreviewForm::SaveButtonClick()
{
    if (!ExecuteDialog(SaveDialog))
        return;
    TBusyCaption busy(this, QStringLiteral(" - Saving to file..."));
    Document().SaveToFile(SaveDialog.FileName);
}

void TPrintPreviewForm::LoadButtonClick()
{
    if (!ExecuteDialog(OpenDialog))
        return;
    TBusyCaption busy(this, QStringLiteral(" - Loading from file..."));
    Document().LoadFromFile(OpenDialog.FileName);
    FShowingLoaded = true;
    SelectPreviewPaper();
}

void TPrintPreviewForm::SavePDFButtonClick()
{
    if (!ExecuteDialog(SavePDFDialog))
        return;
    TBusyCaption busy(this, QStringLiteral(" - Saving as PDF..."));
    Document().SaveAsPDF(SavePDFDialog.FileName);
}

QString TPrintPreviewForm::MakeReportDir()
{
    // The program folder is read-only once installed; nothing is made in it.
    const QFileInfo program(ReportFolder);
    if (program.isDir() && program.isWritable())
        return ReportFolder;
    const QString user = UserDataDir.isEmpty() ? QString() : UserDataDir + QStringLiteral("Report");
    if (user.isEmpty() || QDir::cleanPath(user) == QDir::cleanPath(ReportFolder) || !QDir().mkpath(user))
        return {};
    return user;
}

QString TPrintPreviewForm::SendFileName()
{
    const QString folder = MakeReportDir();
    if (folder.isEmpty())
        throw EInOutError(Format("Unable to write to %s",
                                 (UserDataDir.isEmpty() ? ReportFolder : UserDataDir + QStringLiteral("Report")) +
                                     QStringLiteral("/report1.pdf")));
    // A new file each time: never one the user saved or sent before.
    QString file;
    for (int i = 1; file.isEmpty() || QFileInfo::exists(file); ++i)
        file = QDir(folder).filePath(Format("report%d.pdf", i));
    return file;
}

void TPrintPreviewForm::SendButtonClick()
{
    const QString file = SendFileName();
    Document().SaveAsPDF(file);
    Mapi->SetShowDialog(true);
    Mapi->SetRecipients({});
    Mapi->SetBlindCopyTo({});
    Mapi->SetSubject(QStringLiteral("pdf attached"));
    Mapi->SetBody(QStringLiteral("Please find ") + QFileInfo(file).fileName() + QStringLiteral(" attached..."));
    Mapi->SetAttachedFiles({file});
    Mapi->SetFromName(QString());
    Mapi->SetFromAdress(QString());
    Mapi->Sendmail();
}

void TPrintPreviewForm::PageNavigatorChange(int index)
{
    if (index >= 0)
        Document().SetCurrentPage(index + 1);
}

void TPrintPreviewForm::UpdateCommandButtons()
{
    const bool pages = Document().TotalPages() > 0;
    PrintButton->setEnabled(pages && PrintService().PrinterInstalled());
    SaveButton->setEnabled(pages);
    SavePDFButton->setEnabled(pages);
}

void TPrintPreviewForm::PrintPreviewChange()
{
    const TPreviewDocument& doc = Document();
    {
        const QSignalBlocker block(PageNavigator);
        PageNavigator->SetCount(doc.TotalPages());
        PageNavigator->setCurrentIndex(doc.CurrentPage() - 1);
    }
    if (doc.State() == psCreating)
        QCoreApplication::processEvents();
    else
        UpdateCommandButtons();
}

void TPrintPreviewForm::PrintPreviewBeginDoc()
{
    if (Document().State() != psCreating)
        return;
    setWindowTitle(ApplicationTitle() + QStringLiteral(" - Creating pages..."));
    FormComboBox->setEnabled(false);
    PrintButton->setEnabled(false);
    SaveButton->setEnabled(false);
    LoadButton->setEnabled(false);
}

void TPrintPreviewForm::PrintPreviewEndDoc()
{
    if (Document().State() == psPrinting)
        return;
    setWindowTitle(ApplicationTitle());
    FormComboBox->setEnabled(true);
    LoadButton->setEnabled(true);
    UpdateCommandButtons();
}

void TPrintPreviewForm::PrintPreviewBeforePrint()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++FBusyCursors;
    setWindowTitle(ApplicationTitle() + QStringLiteral(" - Preparing to print..."));
    PrintButton->setEnabled(false);
    LoadButton->setEnabled(false);
    SaveButton->setEnabled(false);
    SavePDFButton->setEnabled(false);
}

void TPrintPreviewForm::PrintPreviewPrintProgress(int page, int percent)
{
    setWindowTitle(Format("%s - Printing page %d of %d (%%%d done)...", ApplicationTitle(), page,
                          Document().TotalPages(), percent));
    repaint();
}

void TPrintPreviewForm::PrintPreviewAfterPrint()
{
    setWindowTitle(ApplicationTitle());
    if (FBusyCursors > 0) {
        --FBusyCursors;
        QApplication::restoreOverrideCursor();
    }
    const bool pages = Document().TotalPages() > 0;
    PrintButton->setEnabled(pages && PrintService().PrinterInstalled());
    SaveButton->setEnabled(pages);
    LoadButton->setEnabled(true);
}

void TPrintPreviewForm::PrintPreviewNewPage(int pageNumber)
{
    TPreviewDocument& doc = Document();
    QPainter* canvas = doc.Canvas();
    if (!canvas)
        return;
    // A new canvas starts with the preview's font.
    ResetReportFont(doc.Font(), doc.Font().pixelSize());
    const int margin = doc.ToUnits(100, mmLoMetric);
    DrawPageFrame(*canvas, doc.PageBounds(), margin, pageNumber, doc.Font(), doc.Units());
}

void TPrintPreviewForm::PrintPreviewAnnotation(int pageNumber, QPainter& painter)
{
    TPreviewDocument& doc = Document();
    DrawPrintableBoundary(painter, QRect(QPoint(0, 0), doc.Page(pageNumber).Size), doc.PrintableRect());
}

void TPrintPreviewForm::PrintPreviewPaperAdded(const QString& name)
{
    FormComboBox->addItem(name);
    SelectPreviewPaper();
}

void TPrintPreviewForm::PrintPreviewPaperRemoved(const QString& name)
{
    const int index = FormComboBox->findText(name);
    if (index >= 0)
        FormComboBox->removeItem(index);
    SelectPreviewPaper();
}
