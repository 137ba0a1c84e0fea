#pragma once

#include "ProjectDlg.h"
#include "SelectionSettings.h"
#include "SilencerRecords.h"
#include "SilencerSearch.h"
#include "TxXMLFiles.h"

#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <QWidget>

#include <functional>
#include <vector>

class QCheckBox;
class QFrame;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPlainTextEdit;
class QToolButton;
class TFmtEdit;
class TFmtEditLabel;
class TFormKeyNavigator;
class TRolloverImage;
class TUnitSettingsForm;
class TxCustomEdit;
class TxStringGrid;

// Registers the window's pictures and the program icon (once).
void InitMainResources();

// The files the main window works with.
struct TMainFormPaths {
    QString ExeDir;         // the program folder, ending in "/": data/, images/, help/, ../catalog/
    QString IniFileName;    // the program INI file
    QString DefaultIniName; // the saved selection
    QString ProgramFile;    // the program file, for the version text

    // The running program's: ExeDir, IniFileName(), the saved selection file
    // of the program folder.
    static TMainFormPaths FromApplication();
};

// A row of the result list: the index of its record in the window's records.
class TResultItem : public QTreeWidgetItem {
public:
    TResultItem(int record, const QStringList& texts) : QTreeWidgetItem(texts, UserType), Record(record) {}
    int Record;
};

// The main window: the duty, the ranges with a view of the selected one, the
// search and its results, and the commands that act on a result.
class TPrintPreviewForm;

class TMainForm : public QWidget, public IProjectHost {
    Q_OBJECT
public:
    explicit TMainForm(const TMainFormPaths& paths, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The windows the main window opens, created by the start-up after it.
    void SetProjectForm(TProjectForm* form) { FProjectForm = form; }
    TProjectForm* ProjectForm() const { return FProjectForm; }
    void SetUnitSettingsForm(TUnitSettingsForm* form) { FUnitSettingsForm = form; }
    // The report is drawn on this window's pages; the drawer is handed to it
    // at the first activation.
    void SetPrintPreviewForm(TPrintPreviewForm* form);
    TPrintPreviewForm* PrintPreviewForm() const { return FPrintPreviewForm; }
    // Draws the report of the selected row on the preview's pages.
    void BuildReport(TPrintPreviewForm& form);
    TUnitSettingsForm* UnitSettingsForm() const { return FUnitSettingsForm; }

    // What the project window asks of this window.
    QString EnquiryAddress() const override { return EMailAddr; }
    void SetEnquiryAddress(const QString& address) override { EMailAddr = address; }
    QString ProductVersionText() const override;

    // Controls.
    QLabel* Image1;
    QWidget* ButtonGroup1;
    QToolButton* SaveButton;
    QToolButton* LoadButton;
    QToolButton* CatalogButton;
    QToolButton* ProjectWindowButton;
    QToolButton* HelpButton;
    QLabel* Label2;
    QLabel* Label11;
    QListWidget* RangeBox;
    QFrame* Bevel1;
    QLabel* Label9;
    TFmtEdit* edAirflow;
    TFmtEditLabel* FmtEditLabel1;
    QLabel* Label10;
    TFmtEdit* edMaxDP;
    TFmtEditLabel* FmtEditLabel5;
    QFrame* Bevel2;
    QCheckBox* rectbox;
    QLabel* Label6;
    TFmtEdit* edWidth;
    QLabel* Label5;
    TFmtEdit* edHeight;
    TFmtEditLabel* RectUnitsLabel;
    QCheckBox* circbox;
    QLabel* Label7;
    TFmtEdit* edDiameter;
    TFmtEditLabel* RoundUnitsLabel;
    QLabel* Label1;
    QPlainTextEdit* Memo1;
    QFrame* Shape1;
    QLabel* Image2;
    QLabel* Label3;
    TxStringGrid* attenGrid;
    QLabel* Label8;
    TRolloverImage* SearchButton;
    QTreeWidget* LVSelect;
    TRolloverImage* DetailButton;
    TRolloverImage* ReportButton;
    TRolloverImage* ProjectButton;
    QLabel* LabelCount;
    QMenu* PopupMenu1;

    // Handlers.
    void FormCreate();
    void FormActivate();
    // Whether the program may end: an unsaved project is asked about first.
    bool FormCloseQuery();
    void FormClose();
    void ListBox1Click();
    void RangeBoxClickCheck();
    void rectboxClick();
    void circboxClick();
    void EditExit(QObject* sender);
    void attenGridDoSetData(int col, int row);
    void Paste1Click();
    void SearchButtonClick();
    void RunSearch();
    void LVSelectColumnClick(int column);
    void DetailButtonClick();
    void ReportButtonClick();
    void ProjectButtonClick();
    void ButtonGroup1Items0Click(); // Save
    void ButtonGroup1Items1Click(); // Load
    void ButtonGroup1Items2Click(); // Catalog
    void ButtonGroup1Items3Click(); // Project
    void ButtonGroup1Items4Click(); // Help
    void Label11Click();

    // Operations.
    void CommitActiveEdit();
    void ClearResults();
    // Says why what was entered into the input `what` was refused (the
    // input has beeped and kept its value) once the entry's handling is
    // over; then `back` puts the focus back on the input. A refusal is said
    // before the window closes, never after.
    void ShowRefusal(const QString& what, TEntryCheck why, std::function<void()> back);
    // A duty input as the user sees it, unit included (TDutyInput).
    QString ShownDutyValue(int input, const TSpecificationRec& spec) const;
    void EnableResultButtons(bool enable);
    void SyncRangeChecks();
    void ApplyUnits();
    void LoadFormSettings();
    void SaveFormSettings(TCustomIniFile& ini);
    void LoadEditUnits();
    void SaveEditUnits(TCustomIniFile& ini);
    void LoadSelection(const QString& fileName);
    void SaveSelection(const QString& fileName);
    void SaveSelection(TCustomIniFile& ini);

    // The print preview comes with its window; for now it opens nothing.
    void ShowReportPreview(const TSelectionRec& rec);
    void AddSelectionToProject(const TSpecificationRec& spec, const TSelectionRec& rec);
    void ShowProjectWindow();
    void ShowUnitSettings();

    // State.
    const TMainFormPaths& Paths() const { return FPaths; }
    QString IniFileName() const { return FPaths.IniFileName; }
    QString DefaultIniName() const { return FPaths.DefaultIniName; }
    // The catalogue pages' folder: "../catalog/" of the program folder.
    QString CatalogDir() const;
    bool FirstActivate() const { return FFirstActivate; }
    // The record of a row, or of the selected row (null when none).
    const TSelectionRec& RecordOf(const QTreeWidgetItem* item) const;
    const TSelectionRec* SelectedRecord() const;
    // The range list's names and ticks.
    QStringList RangeNames() const;
    QStringList TickedRanges() const;
    void SetRangeTicked(int index, bool ticked);

    TSpecificationRec Spec;
    TResultSort Sort;
    QString EMailAddr;
    QString WebAddress;
    QString VersionText;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void InstallReportDrawer();
    void CreateControls();
    void ConnectHandlers();
    void LayoutControls();
    // Rows of the records in the sort order; the list keeps its update state
    // while they are added.
    void FillResultRows();
    // Widens the result columns the user never sized whose captions or rows
    // would be cut.
    void FitResultColumns();
    int DesignColumnWidth(int column) const;
    // Sets a width that is the program's, not the user's.
    void SetResultColumnWidth(int column, int width);
    void SortResultRows();
    void ReleaseResults();
    QString RangeFile(const QString& name) const;
    void SetDefaultDuty();
    TSelectionValues CurrentSelectionValues() const;
    QString BandText() const;
    // The eight band cells, each from its own item (missing ones empty).
    void SetBandCells(const QStringList& cells);
    // Shows the refusal still to be said, if any.
    void SayRefusal(bool focusBack);

    TMainFormPaths FPaths;
    TXMLFile FXml;
    std::vector<TSelectionRec> FRecords;
    bool FFirstActivate = true;
    bool FShown = false;
    TFormKeyNavigator* FKeyNavigator = nullptr;
    TProjectForm* FProjectForm = nullptr;
    TUnitSettingsForm* FUnitSettingsForm = nullptr;
    TPrintPreviewForm* FPrintPreviewForm = nullptr;
    // Result columns the user has sized (dragged, or read so from the INI
    // file); the others fit their contents.
    std::vector<bool> FUserSizedColumns;
    bool FSizingColumns = false;
    // What the report last said it went without; said once per preview.
    QString FReportNote;
    // The refusal still to be said and where the focus goes after it.
    QString FRefusal;
    std::function<void()> FRefusalBack;
};

// Fills `list` with one row per record, in the order `sort` gives; the list
// is redrawn once.
void FillResultList(QTreeWidget* list, const std::vector<TSelectionRec>& records, const TResultSort& sort);
// Puts the rows of `list` into the order `sort` gives; the chosen row stays
// chosen.
void SortResultList(QTreeWidget* list, const std::vector<TSelectionRec>& records, const TResultSort& sort);

// Reads a numeric edit's value in its base unit; raises EConvertError for
// text that is no number.
double EditValue(const TxCustomEdit* edit);
