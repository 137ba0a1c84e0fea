#pragma once

#include "ProjectClass.h"
#include "TxFileDialogs.h"
#include "TxGridModel.h"
#include "TxKeys.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <memory>

class QDateEdit;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QStatusBar;
class QToolBar;
class QToolButton;
class TEmailForm;
class TFlatPageControl;
class TFmtEdit;
class TFormKeyNavigator;
class TIniHighlighter;
class TxColGrid;
class TxEditGrid;

// What the project window needs of the main window, which sits above it.
class IProjectHost {
public:
    virtual ~IProjectHost();
    // The enquiry recipients, joined with ", ".
    virtual QString EnquiryAddress() const = 0;
    virtual void SetEnquiryAddress(const QString& address) = 0;
    // The documents' version line: the product name, a blank, the version.
    virtual QString ProductVersionText() const = 0;
};

// Captions of the mode label.
inline constexpr char AppendModeCaption[] = "Append mode";
inline constexpr char InsertModeCaption[] = "Insert mode";

// The user's currency symbol as the desktop's locale gives it; "R" when it
// gives none.
QString CurrencySymbol();
// The field-definition lines of the two grids for a currency symbol.
QStringList ItemsGridFieldDefs(const QString& currency);
QStringList AncillsGridFieldDefs(const QString& currency);
// The read-only detail of an item, INI-style, values through the display
// quantities.
QStringList ItemDetailLines(const TProjectItem& item);
// The enquiry's text: the greeting and request, then the lines of
// `termsFile` when it exists, otherwise the five default terms. CR LF ends
// every line.
QString EnquiryBody(const QString& termsFile);
// A cell's value as a whole number, by the one number rule for typed text:
// a fraction is ecNotWhole, one beyond the integers ecOutOfRange.
TEntryCheck CheckCellWholeNumber(const QVariant& value, int& result);

// The window in which the user builds a quotation: the header, the items with
// their ancillaries and totals, the project files, the quotation and schedule
// documents and the enquiry e-mail. Closing only hides it; the project stays.
class TProjectForm : public QWidget {
    Q_OBJECT
public:
    explicit TProjectForm(QWidget* parent = nullptr);
    ~TProjectForm() override;

    // The main window's side; without one the enquiry has no recipients and
    // the documents carry this program's version text.
    void SetHost(IProjectHost* host) { FHost = host; }
    // The program's e-mail window; without one the window makes its own.
    void SetEmailForm(TEmailForm* form) { FEmailForm = form; }
    TEmailForm* EmailForm();

    // Controls.
    QToolBar* ToolBar1;
    QToolButton* NewBtn;
    QToolButton* OpenBtn;
    QToolButton* SaveBtn;
    QToolButton* ReportBtn; // "Quote"
    QToolButton* ScheduleBtn;
    QToolButton* EnquiryBtn;
    QToolButton* CloseBtn;
    TFmtEdit* edProjectName;
    TFmtEdit* edAttention;
    TFmtEdit* edContractor;
    TFmtEdit* edQuoteNo;
    TFmtEdit* edRevision;
    QDateEdit* edDate;
    QPlainTextEdit* NotesMemo;
    TxColGrid* ItemsGrid;
    TFlatPageControl* PageControl1;
    QPlainTextEdit* syn;
    TIniHighlighter* SynIniSyn1;
    TxColGrid* AncillsGrid;
    TFmtEdit* edSubTotal;
    TFmtEdit* edVATTotal;
    TFmtEdit* edTotal;
    QLabel* ModeLabel;
    QMenu* GridPopup;
    QStatusBar* StatusBar1;
    QLabel* StatusPanel0; // "File modified" or "File saved"
    QLabel* StatusPanel1; // the file name
    TFileDialogRequest OpenDialog1;
    TFileDialogRequest SaveDialog1;

    // State.
    QString FileName;
    bool Modified = false;
    std::unique_ptr<TProject> Project;

    // The main window's "add to project": appended, or in insert mode put
    // before the current item. The window is not shown.
    void AddSelection(const TSpecificationRec& spec, const TSelectionRec& sel);

    void SetModified(bool value);
    void SetFileName(const QString& name);
    void FormToProject();
    void ProjectToForm();
    // Stores what is being typed into the window's active edit or grid.
    void CommitActiveEdit();
    // Stores an edit open in either grid into its own item and ends it.
    void StoreGridEdits();
    void NewProject();
    // False, with the window unchanged, when the file could not be read.
    bool LoadProject(const QString& name);
    // False, with the file name and modified state unchanged, when the file
    // could not be written.
    bool SaveProject(const QString& name);
    // Whether the command that asks may go on.
    bool QueryUnsaved();

    // Items and ancillaries.
    void FillItemRow(int row);
    void RefillItemsGrid();
    // Widens the grid's columns whose texts in rows firstRow..lastRow (row 0
    // is the captions) would be cut.
    void FitGridColumns(TxColGrid* grid, int firstRow, int lastRow);
    void ShowItemDetail(int index);
    void ShowTotals();
    void AddBlankItem();
    void LoadColWidths();
    void SaveColWidths();

    // Handlers.
    void FormCreate();
    void FormCloseQuery();
    void FormClose();
    void NewBtnClick();
    void OpenBtnClick();
    void SaveBtnClick();
    void ReportBtnClick();
    void ScheduleBtnClick();
    void EnquiryBtnClick();
    void CloseBtnClick();
    void edFieldExit(QObject* sender);
    void edDateChange();
    void NotesMemoChange();
    // Takes back what was typed or pasted into the notes beyond their bound.
    void LimitNotes(int position, int added);
    void ItemsGridDoSetData(int ACol, int ARow);
    void ItemsGridSelectCell(int ACol, int ARow);
    void ItemsGridDrawCell(int ACol, int ARow, const TPixelRect& rect);
    void ItemsGridRowMoved(int fromIndex, int toIndex);
    void ItemsGridAfterRightClick(int field);
    void ItemsGridMouseDown(TMouseButton button, int X, int Y);
    void AncillsGridDoSetData(int ACol, int ARow);
    void AncillsGridMouseDown(TMouseButton button, int X, int Y);
    void GridKeyDown(TxColGrid* grid, int& key);
    // Says in the status bar why a quantity or price (by its column) was refused.
    void ShowRefusal(int ACol, const QString& why);
    // Beeps and says in the status bar why a new row was refused.
    void RefuseRow(const QString& why);
    void Delete1Click();
    void ModeLabelClick();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void SetupGrids();
    void ConnectHandlers();
    // True only when the dialog was confirmed and the file written.
    bool RunSaveDialog();
    void ResetCurrentFolder();
    QString VersionText() const;
    // Empties rows `first` to the last.
    void ClearRows(TxColGrid* grid, int first = 1);
    void SetEmptyAncillaryRow(int row);
    void PopupAt(TxColGrid* grid, int X, int Y, bool itemsOnly);

    IProjectHost* FHost = nullptr;
    TEmailForm* FEmailForm = nullptr;
    TFormKeyNavigator* FKeyNavigator = nullptr;
    int FFilling = 0;     // the form is being filled from the project
    int FStoringEdit = 0; // a grid's edit is being stored
    int FRefilling = 0;   // the items grid is being filled whole
    int FMaxFitWidth = 0; // the widest a column grows to show its texts
    int FNotesAddedAt = 0; // where the last change of the notes added text
    int FNotesAdded = 0;   // and how much
};
