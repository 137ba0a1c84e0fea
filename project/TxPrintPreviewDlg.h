#pragma once

#include "TxFileDialogs.h"
#include "TxPrintPreview.h"
#include "TxReportLayout.h"

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class TMapiControl;
class TPageTabStrip;

// The window in which a report is shown, paged, printed, saved as a preview
// file or PDF and sent by e-mail. It does not know what it shows: the pages
// are drawn by the routine installed in OnCreatePages, which writes through
// the layout routines this window inherits, on the preview's canvas.
class TPrintPreviewForm : public QDialog, public TReportLayout {
    Q_OBJECT
public:
    // `programDir` (ending in "/") holds the "Report" folder; the default is
    // the program's folder.
    explicit TPrintPreviewForm(QWidget* parent = nullptr, const QString& programDir = QString());
    ~TPrintPreviewForm() override;

    // Tool bar.
    QWidget* Toolbar;
    QLabel* ZoomLabel;
    QComboBox* ZoomComboBox;
    QLabel* PaperLabel;
    QComboBox* FormComboBox;
    QCheckBox* AnnotationCheckBox;
    QFrame* Bevel1;
    // Button bar.
    QWidget* Panel2;
    QPushButton* LoadButton;
    QPushButton* SaveButton;
    QPushButton* SavePDFButton;
    QPushButton* PrintButton;
    QCheckBox* DirectPrintCheckBox;
    QCheckBox* Grayscale;
    QPushButton* SendButton;
    // Client area.
    TPrintPreview* PrintPreview;
    TPageTabStrip* PageNavigator;
    // Non-visual parts.
    TFileDialogRequest OpenDialog;
    TFileDialogRequest SaveDialog;
    TFileDialogRequest SavePDFDialog;
    TMapiControl* Mapi;

    QString ReportFolder;
    bool FirstActivate = true;
    // Draws the pages; called with this window.
    std::function<void(TPrintPreviewForm&)> OnCreatePages;

    TPreviewDocument& Document() const { return *PrintPreview->Document(); }

    // Layout routines draw on the preview's page canvas.
    QPainter* Canvas() const override { return PrintPreview->Document()->Canvas(); }
    TPreviewUnits CanvasUnits() const override { return PrintPreview->Document()->Units(); }

    // Window events and commands. Handlers run guarded: an error is shown
    // and the window goes on.
    void FormCreate();
    void FormActivate();
    void FormDeactivate();
    void DoCreatePages();
    void ZoomComboBoxChange();
    void PrintPreviewZoomChange();
    void FormComboBoxChange();
    void AnnotationCheckBoxClick();
    void GrayscaleClick();
    void PrintButtonClick();
    void SaveButtonClick();
    void LoadButtonClick();
    void SavePDFButtonClick();
    void SendButtonClick();
    void PageNavigatorChange(int index);
    void PrintPreviewChange();
    void PrintPreviewBeginDoc();
    void PrintPreviewEndDoc();
    void PrintPreviewBeforePrint();
    void PrintPreviewPrintProgress(int page, int percent);
    void PrintPreviewAfterPrint();
    void PrintPreviewNewPage(int pageNumber);
    void PrintPreviewAnnotation(int pageNumber, QPainter& painter);
    void PrintPreviewPaperAdded(const QString& name);
    void PrintPreviewPaperRemoved(const QString& name);

    // Makes the folder "Send" writes into and the file dialogs start in, and
    // returns it: ReportFolder when it exists and may be written, else
    // "Report" in the user's documents folder of the program, made when
    // missing; empty when that cannot be made.
    QString MakeReportDir();
    // The PDF that "Send" writes and attaches: the first of "report1.pdf",
    // "report2.pdf", ... not yet there in MakeReportDir(). Raises EInOutError
    // when there is no folder to write in.
    QString SendFileName();
    // Whether the pages shown were loaded from a preview file: activations
    // keep them, and printing prints them, until a new report is asked for
    // (another paper, or the window shown again).
    bool ShowingLoaded() const { return FShowingLoaded; }

protected:
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    // Shows `dialog`; on OK its FileName is the file chosen, with the default
    // extension when it has none.
    bool ExecuteDialog(TFileDialogRequest& dialog);
    void CreateControls();
    void ConnectHandlers();
    void UpdateCommandButtons();
    void RefreshPrintButton();
    void SelectPreviewPaper();

    bool FSkipActivation = false;
    bool FShowingLoaded = false;
    int FBusyCursors = 0;
};
