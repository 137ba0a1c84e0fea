#include "main.h"

#include "CompactToolButton.h"
#include "PreMain.h"
#include "RolloverImage.h"
#include "SilencerRanges.h"
#include "SilencerReport.h"
#include "TxApplicationPath.h"
#include "TxDesignScale.h"
#include "TxFileRead.h"
#include "TxFmtEdit.h"
#include "TxFormat.h"
#include "TxGrids.h"
#include "TxInplaceEdit.h"
#include "TxIniFile.h"
#include "TxKeyNavigate.h"
#include "TxPlacement.h"
#include "TxPlatform.h"
#include "TxPrintPreviewDlg.h"
#include "TxShell.h"
#include "TxString.h"
#include "TxSysUtils.h"
#include "TxVerInfo.h"
#include "UnitSettingsDlg.h"
#include "UnitsManager.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

void InitMainResources()
{
    // The pictures live in a static library: nothing else keeps them linked.
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)done;
}

namespace {

constexpr int DesignWidth = 629;
constexpr int DesignHeight = 531;
const QColor FormColor(231, 231, 220);
const QColor ShapeColor(0, 128, 128);

const char* const DefaultBands = "9,10,15,45,50,50,45,20";
constexpr double DefaultAirflow = 2.8;
constexpr double DefaultMaxDP = 80.0;
constexpr double DefaultHeight = 0.5;
constexpr double DefaultWidth = 0.9;
constexpr double DefaultDiameter = 0.6;

// Design widths of the result columns, for the design font.
constexpr int ResultColumnWidths[ResultColumnCount] = {90, 75, 55, 55, 130, 35, 40, 40};

// Grid lines between the result list's cells.
class TGridLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(QColor(208, 208, 200));
        const QRect r = option.rect;
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }
};

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, parent);
    // Labels show catalogue text, which must never be read as markup.
    label->setTextFormat(Qt::PlainText);
    label->move(x, y);
    label->adjustSize();
    return label;
}

// A caption before an edit ends just left of it, whatever the font makes of
// its width.
void PlaceBefore(QLabel* label, const QWidget* edit)
{
    label->adjustSize();
    const int right = edit->x() - 3;
    label->move(std::min(label->x(), right - label->width()), label->y());
}

TFmtEdit* MakeEdit(QWidget* parent, const char* name, int x, int y, int width)
{
    auto* edit = new TFmtEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(x, y, width, 21);
    return edit;
}

// The settings a window layout gives an edit, in the order it gives them.
void SetUpEdit(TFmtEdit* edit, const char* format, TUnitsType kind, int base, int unit, TFmtEditLabel* label)
{
    edit->SetFormatStr(QString::fromLatin1(format));
    edit->SetFormatType(ft_Fixed);
    edit->SetSigDigs(5);
    edit->SetUnitsType(kind);
    edit->SetUnitsBase(base);
    edit->SetUnitsLabel(label);
    edit->SetUnitsValue(unit);
}

TFmtEditLabel* MakeUnitLabel(QWidget* parent, const char* name, int x, int y)
{
    auto* label = new TFmtEditLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(x, y);
    label->resize(50, 15);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

TRolloverImage* MakePictureButton(QWidget* parent, const char* name, const char* picture, const QString& hint, int x,
                                  int y)
{
    auto* button = new TRolloverImage(parent);
    button->setObjectName(QString::fromLatin1(name));
    const QString base = QStringLiteral(":/pictures/") + QString::fromLatin1(picture);
    button->SetPicture(QPixmap(base + QStringLiteral(".png")));
    button->SetPicture2(QPixmap(base + QStringLiteral("_hot.png")));
    button->SetPicture3(QPixmap(base + QStringLiteral("_down.png")));
    button->setGeometry(x, y, 81, 21);
    button->setToolTip(hint);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QToolButton* MakeGroupButton(QWidget* group, int index, const QString& caption, const QString& hint,
                             const char* picture)
{
    auto* button = new TCompactToolButton(group);
    button->setText(caption);
    button->setToolTip(hint);
    button->setIcon(QIcon(QStringLiteral(":/pictures/") + QString::fromLatin1(picture)));
    button->setIconSize(QSize(24, 24));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setGeometry(index * 72, 0, 72, 40);
    return button;
}

} // namespace

TMainFormPaths TMainFormPaths::FromApplication()
{
    TMainFormPaths paths;
    paths.ExeDir = ::ExeDir.isEmpty() ? AddBackslash(QCoreApplication::applicationDirPath()) : ::ExeDir;
    paths.IniFileName = ::IniFileName();
    paths.DefaultIniName = DefaultSelectionFileName(paths.ExeDir);
    paths.ProgramFile = QCoreApplication::applicationFilePath();
    return paths;
}

double EditValue(const TxCustomEdit* edit)
{
    return edit->AsFloat();
}

void FillResultList(QTreeWidget* list, const std::vector<TSelectionRec>& records, const TResultSort& sort)
{
    std::vector<int> order(records.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    SortResultIndices(records, order, sort);
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(order.size()));
    for (int index : order)
        items.append(new TResultItem(index, ResultColumnTexts(records[static_cast<size_t>(index)])));
    list->setUpdatesEnabled(false);
    list->addTopLevelItems(items);
    list->setUpdatesEnabled(true);
}

void SortResultList(QTreeWidget* list, const std::vector<TSelectionRec>& records, const TResultSort& sort)
{
    QTreeWidgetItem* current = list->currentItem();
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    list->setUpdatesEnabled(false);
    QList<QTreeWidgetItem*> items = list->invisibleRootItem()->takeChildren();
    std::stable_sort(items.begin(), items.end(), [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return ResultLess(records[static_cast<size_t>(static_cast<const TResultItem*>(a)->Record)],
                          records[static_cast<size_t>(static_cast<const TResultItem*>(b)->Record)], sort);
    });
    list->addTopLevelItems(items);
    // Taking the rows out drops the selection; the same rows stay chosen.
    if (current)
        list->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem* item : selected)
        item->setSelected(true);
    list->setUpdatesEnabled(true);
}

// ---------------------------------------------------------------------------

TMainForm::TMainForm(const TMainFormPaths& paths, QWidget* parent) : QWidget(parent), FPaths(paths)
{
    InitMainResources();
    setObjectName(QStringLiteral("MainForm"));
    CreateControls();
    ConnectHandlers();
    RunGuarded([this] { FormCreate(); });
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateControls()
{
    QFont font = this->font();
    font.setPixelSize(11);
    setFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, FormColor);
    setPalette(pal);
    setAutoFillBackground(true);
    resize(DesignWidth, DesignHeight);
    setMinimumSize(611, 506);
    setMaximumWidth(700);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 7, 210, 40);
    Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/logo.png")));

    ButtonGroup1 = new QWidget(this);
    ButtonGroup1->setObjectName(QStringLiteral("ButtonGroup1"));
    ButtonGroup1->setGeometry(221, 7, 400, 40);
    SaveButton = MakeGroupButton(ButtonGroup1, 0, QStringLiteral("Save"),
                                 QStringLiteral("Save current selection settings"), "save.png");
    LoadButton = MakeGroupButton(ButtonGroup1, 1, QStringLiteral("Load"),
                                 QStringLiteral("Load saved selection settings"), "load.png");
    CatalogButton =
        MakeGroupButton(ButtonGroup1, 2, QStringLiteral("Catalog"), QStringLiteral("Browse catalog"), "catalog.png");
    ProjectWindowButton =
        MakeGroupButton(ButtonGroup1, 3, QStringLiteral("Project"), QStringLiteral("Edit project"), "project.png");
    HelpButton = MakeGroupButton(ButtonGroup1, 4, QStringLiteral("Help"), QStringLiteral("View help file"), "help.png");

    Label2 = MakeLabel(this, QStringLiteral("Range"), 11, 60);
    Label11 = MakeLabel(this, QStringLiteral("Set units"), 160, 60);
    Label11->setObjectName(QStringLiteral("Label11"));
    {
        QFont f = Label11->font();
        f.setUnderline(true);
        Label11->setFont(f);
        QPalette p = Label11->palette();
        p.setColor(QPalette::WindowText, QColor(0, 0, 255));
        Label11->setPalette(p);
        Label11->setCursor(Qt::PointingHandCursor);
        Label11->adjustSize();
        Label11->installEventFilter(this);
    }

    RangeBox = new QListWidget(this);
    RangeBox->setObjectName(QStringLiteral("RangeBox"));
    RangeBox->setGeometry(8, 75, 145, 121);

    Bevel1 = new QFrame(this);
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(159, 75, 462, 50);
    Label9 = MakeLabel(this, QStringLiteral("Airflow"), 177, 94);
    edAirflow = MakeEdit(this, "edAirflow", 214, 91, 65);
    FmtEditLabel1 = MakeUnitLabel(this, "FmtEditLabel1", 285, 94);
    Label10 = MakeLabel(this, QStringLiteral("Max DP"), 345, 94);
    edMaxDP = MakeEdit(this, "edMaxDP", 389, 91, 65);
    FmtEditLabel5 = MakeUnitLabel(this, "FmtEditLabel5", 460, 94);

    Bevel2 = new QFrame(this);
    Bevel2->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel2->setGeometry(159, 131, 462, 66);
    rectbox = new QCheckBox(QStringLiteral("Rectangular"), this);
    rectbox->setObjectName(QStringLiteral("rectbox"));
    rectbox->move(175, 142);
    rectbox->adjustSize();
    rectbox->setChecked(true);
    Label6 = MakeLabel(this, QStringLiteral("Width"), 286, 143);
    edWidth = MakeEdit(this, "edWidth", 319, 140, 65);
    Label5 = MakeLabel(this, QStringLiteral(" x  Height"), 393, 143);
    edHeight = MakeEdit(this, "edHeight", 443, 140, 65);
    RectUnitsLabel = MakeUnitLabel(this, "RectUnitsLabel", 516, 143);
    circbox = new QCheckBox(QStringLiteral("Circular"), this);
    circbox->setObjectName(QStringLiteral("circbox"));
    circbox->move(175, 170);
    circbox->adjustSize();
    circbox->setChecked(true);
    Label7 = MakeLabel(this, QStringLiteral("Diameter"), 272, 171);
    edDiameter = MakeEdit(this, "edDiameter", 319, 168, 65);
    RoundUnitsLabel = MakeUnitLabel(this, "RoundUnitsLabel", 390, 171);

    PlaceBefore(Label9, edAirflow);
    PlaceBefore(Label10, edMaxDP);
    PlaceBefore(Label6, edWidth);
    PlaceBefore(Label5, edHeight);
    PlaceBefore(Label7, edDiameter);

    SetUpEdit(edAirflow, "%0.3f", utAirFlowPrim, 0, 0, FmtEditLabel1);
    SetUpEdit(edMaxDP, "%0.0f", utAirPressDrop, 1, 1, FmtEditLabel5);
    SetUpEdit(edWidth, "%0.1f", utLengthMeasure, 0, 2, RectUnitsLabel);
    SetUpEdit(edHeight, "%0.1f", utLengthMeasure, 0, 2, RectUnitsLabel);
    SetUpEdit(edDiameter, "%0.1f", utLengthMeasure, 0, 2, RoundUnitsLabel);

    Label1 = MakeLabel(this, QString(), 11, 206);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->resize(500, 15);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(8, 221, 507, 100);
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setFocusPolicy(Qt::ClickFocus);
    {
        QFont mono(QStringLiteral("Courier New"));
        mono.setFamilies(
            {QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
        mono.setStyleHint(QFont::Monospace);
        mono.setPixelSize(13);
        Memo1->setFont(mono);
    }
    Shape1 = new QFrame(this);
    Shape1->setGeometry(521, 221, 100, 100);
    Shape1->setStyleSheet(
        QStringLiteral("QFrame { border: 1px solid %1; background: transparent; }").arg(ShapeColor.name()));
    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(522, 222, 98, 98);
    Image2->setAlignment(Qt::AlignCenter);
    Shape1->raise();

    Label3 = MakeLabel(this, QStringLiteral("Attenuation"), 17, 345);
    attenGrid = new TxStringGrid(this);
    attenGrid->setObjectName(QStringLiteral("attenGrid"));
    attenGrid->SetColCount(8);
    attenGrid->SetRowCount(1);
    attenGrid->SetFixedCols(0);
    attenGrid->SetFixedRows(0);
    attenGrid->SetDefaultColWidth(35);
    attenGrid->SetDefaultRowHeight(16);
    attenGrid->SetDefaultColFormatStr(QStringLiteral("%d"));
    attenGrid->SetOptions(xgoFixedVertLine | xgoFixedHorzLine | xgoVertLine | xgoHorzLine | xgoRangeSelect |
                          xgoEditing);
    attenGrid->SetScrollBars(ssNone);
    attenGrid->setGeometry(80, 342, 291, 20);
    PlaceBefore(Label3, attenGrid);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->addAction(QStringLiteral("&Copy"));
    PopupMenu1->addAction(QStringLiteral("&Paste"), this, [this] { RunGuarded([this] { Paste1Click(); }); });
    attenGrid->setContextMenuPolicy(Qt::CustomContextMenu);

    Label8 = MakeLabel(this, QString(), 377, 345);
    Label8->setObjectName(QStringLiteral("Label8"));
    Label8->resize(55, 15);
    {
        QPalette p = Label8->palette();
        p.setColor(QPalette::WindowText, Qt::gray);
        Label8->setPalette(p);
    }
    SearchButton = MakePictureButton(this, "SearchButton", "search", QString(), 434, 348);

    LVSelect = new QTreeWidget(this);
    LVSelect->setObjectName(QStringLiteral("LVSelect"));
    LVSelect->setGeometry(8, 368, 613, 129);
    LVSelect->setColumnCount(ResultColumnCount);
    LVSelect->setHeaderLabels({QStringLiteral("Model"), QStringLiteral("W or D [mm]"), QStringLiteral("H [mm]"),
                               QStringLiteral("L [mm]"), QStringLiteral("SIL"), QStringLiteral("dB"),
                               QStringLiteral("dp [Pa]"), QStringLiteral("Vp [m/s]")});
    FUserSizedColumns.assign(ResultColumnCount, false);
    for (int i = 0; i < ResultColumnCount; ++i)
        SetResultColumnWidth(i, DesignColumnWidth(i));
    LVSelect->setRootIsDecorated(false);
    LVSelect->setItemsExpandable(false);
    LVSelect->setUniformRowHeights(true);
    LVSelect->setAllColumnsShowFocus(true);
    LVSelect->setSelectionMode(QAbstractItemView::SingleSelection);
    LVSelect->setSelectionBehavior(QAbstractItemView::SelectRows);
    LVSelect->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LVSelect->setSortingEnabled(false);
    LVSelect->header()->setSectionsClickable(true);
    LVSelect->header()->setSectionsMovable(false);
    LVSelect->header()->setStretchLastSection(false);
    LVSelect->setItemDelegate(new TGridLineDelegate(LVSelect));
    {
        // The selected row stays marked while the list has no focus.
        QPalette p = LVSelect->palette();
        p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
        LVSelect->setPalette(p);
    }

    DetailButton = MakePictureButton(this, "DetailButton", "detail", QStringLiteral("show catalog page"), 26, 496);
    ReportButton = MakePictureButton(this, "ReportButton", "report", QStringLiteral("show report preview"), 96, 496);
    ProjectButton =
        MakePictureButton(this, "ProjectButton", "addproject", QStringLiteral("add to project..."), 166, 496);

    LabelCount = new QLabel(QStringLiteral("..."), this);
    LabelCount->setObjectName(QStringLiteral("LabelCount"));
    LabelCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LabelCount->resize(200, LabelCount->fontMetrics().height());
    EnableResultButtons(false);

    setTabOrder(edAirflow, edMaxDP);
    setTabOrder(edMaxDP, edWidth);
    setTabOrder(edWidth, edHeight);
    setTabOrder(edHeight, edDiameter);
    setTabOrder(edDiameter, attenGrid);
    setTabOrder(attenGrid, LVSelect);
    setTabOrder(LVSelect, rectbox);
    setTabOrder(rectbox, circbox);
    setTabOrder(circbox, SaveButton);
    setTabOrder(SaveButton, LoadButton);
    setTabOrder(LoadButton, CatalogButton);
    setTabOrder(CatalogButton, ProjectWindowButton);
    setTabOrder(ProjectWindowButton, HelpButton);
    setTabOrder(HelpButton, RangeBox);

    FKeyNavigator = new TFormKeyNavigator(this);
}

void TMainForm::ConnectHandlers()
{
    auto guarded = [](auto f) { return [f] { RunGuarded(f); }; };

    connect(RangeBox, &QListWidget::currentRowChanged, this, guarded([this] { ListBox1Click(); }));
    connect(RangeBox, &QListWidget::itemChanged, this, guarded([this] { RangeBoxClickCheck(); }));
    connect(rectbox, &QCheckBox::toggled, this, guarded([this] { rectboxClick(); }));
    connect(circbox, &QCheckBox::toggled, this, guarded([this] { circboxClick(); }));
    const std::pair<TFmtEdit*, const char*> duty[] = {{edAirflow, "Airflow"},
                                                      {edMaxDP, "Max DP"},
                                                      {edWidth, "Width"},
                                                      {edHeight, "Height"},
                                                      {edDiameter, "Diameter"}};
    for (const auto& [edit, caption] : duty) {
        edit->OnExit = [this](QObject* sender) { RunGuarded([this, sender] { EditExit(sender); }); };
        edit->OnRefused = [this, edit, what = QString::fromLatin1(caption)](QObject*, TEntryCheck why) {
            // The text is back to what it was on entry: nothing changed.
            edit->setModified(false);
            RunGuarded([=, this] {
                ShowRefusal(what, why, [edit] {
                    edit->setFocus(Qt::OtherFocusReason);
                    edit->selectAll();
                });
            });
        };
    }
    attenGrid->OnDoSetData = [this](QObject*, int col, int row) {
        RunGuarded([this, col, row] { attenGridDoSetData(col, row); });
    };
    attenGrid->OnEditRefused = [this](QObject*, int col, int, TEntryCheck why) {
        RunGuarded([this, col, why] {
            ShowRefusal(QStringLiteral("Attenuation"), why, [this, col] {
                attenGrid->setFocus(Qt::OtherFocusReason);
                attenGrid->SetCol(col);
                attenGrid->SetEditorMode(true);
                if (QLineEdit* editor = attenGrid->InplaceEdit(); editor && editor->isVisible())
                    editor->selectAll();
            });
        });
    };
    connect(attenGrid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(attenGrid->viewport()->mapToGlobal(pos)); });
    connect(SearchButton, &TRolloverImage::clicked, this, guarded([this] { SearchButtonClick(); }));
    connect(DetailButton, &TRolloverImage::clicked, this, guarded([this] { DetailButtonClick(); }));
    connect(ReportButton, &TRolloverImage::clicked, this, guarded([this] { ReportButtonClick(); }));
    connect(ProjectButton, &TRolloverImage::clicked, this, guarded([this] { ProjectButtonClick(); }));
    connect(LVSelect->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { RunGuarded([this, column] { LVSelectColumnClick(column); }); });
    connect(LVSelect->header(), &QHeaderView::sectionResized, this, [this](int column) {
        if (!FSizingColumns && column >= 0 && column < ResultColumnCount)
            FUserSizedColumns[static_cast<size_t>(column)] = true;
    });
    connect(LVSelect, &QTreeWidget::itemDoubleClicked, this, guarded([this] { DetailButtonClick(); }));
    connect(SaveButton, &QToolButton::clicked, this, guarded([this] { ButtonGroup1Items0Click(); }));
    connect(LoadButton, &QToolButton::clicked, this, guarded([this] { ButtonGroup1Items1Click(); }));
    connect(CatalogButton, &QToolButton::clicked, this, guarded([this] { ButtonGroup1Items2Click(); }));
    connect(ProjectWindowButton, &QToolButton::clicked, this, guarded([this] { ButtonGroup1Items3Click(); }));
    connect(HelpButton, &QToolButton::clicked, this, guarded([this] { ButtonGroup1Items4Click(); }));
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label11 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        Label11->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        RunGuarded([this] { Label11Click(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TMainForm::LayoutControls()
{
    const int dw = width() - DesignWidth;
    const int dh = height() - DesignHeight;
    ButtonGroup1->resize(400 + dw, 40);
    Memo1->resize(507 + dw, 100);
    Shape1->move(521 + dw, 221);
    Image2->move(522 + dw, 222);
    LVSelect->resize(613 + dw, 129 + dh);
    DetailButton->move(26, 496 + dh);
    ReportButton->move(96, 496 + dh);
    ProjectButton->move(166, 496 + dh);
    // The count grows to the left from where the design's "..." ended.
    const int countRight = 561 + LabelCount->fontMetrics().horizontalAdvance(QStringLiteral("...")) + dw;
    LabelCount->move(countRight - LabelCount->width(), 507 + dh);
}

void TMainForm::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    LayoutControls();
}

void TMainForm::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!FShown) {
        FShown = true;
        RunGuarded([this] { FormActivate(); });
    }
}

void TMainForm::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && FFirstActivate)
        RunGuarded([this] { FormActivate(); });
}

void TMainForm::closeEvent(QCloseEvent* e)
{
    // An error while asking keeps the program open: the project may be all
    // the user has.
    bool canClose = false;
    RunGuarded([this, &canClose] { canClose = FormCloseQuery(); });
    if (!canClose) {
        e->ignore();
        return;
    }
    FormClose();
    e->accept();
}

// ---------------------------------------------------------------------------
// Creation, first activation, closing

void TMainForm::FormCreate()
{
    VersionText = GetFileVersion(FPaths.ProgramFile);
    setWindowTitle(GetProductVersionText(FPaths.ProgramFile));

    LoadFormSettings();

    QStringList refused;
    const QStringList ranges = FindRangeFiles(FPaths.ExeDir + QStringLiteral("data/"), &refused);
    {
        const QSignalBlocker block(RangeBox);
        for (const QString& name : ranges) {
            auto* item = new QListWidgetItem(name, RangeBox);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
    }

    FFirstActivate = true;
    SyncRangeChecks();
    edAirflow->setFocus();
    Sort.SortColumn = 0;

    if (RangeBox->count() > 0) {
        {
            const QSignalBlocker block(RangeBox);
            RangeBox->setCurrentRow(0);
        }
        ListBox1Click();
    }
    EnableResultButtons(false);
    if (!refused.isEmpty())
        Messages().ShowMessage(refused.join(QLatin1Char('\n')));
}

void TMainForm::FormActivate()
{
    if (!FFirstActivate)
        return;
    // Whatever fails below, the set-up runs once.
    FFirstActivate = false;
    InstallReportDrawer();
    ApplyUnits();
    LoadEditUnits();
    SetDefaultDuty();
    LoadSelection(FPaths.DefaultIniName);
}

void TMainForm::SetDefaultDuty()
{
    SetBandCells(CommaTextToList(QString::fromLatin1(DefaultBands)));
    edAirflow->SetValue(DefaultAirflow);
    edMaxDP->SetValue(DefaultMaxDP);
    edHeight->SetValue(DefaultHeight);
    edWidth->SetValue(DefaultWidth);
    edDiameter->SetValue(DefaultDiameter);
}

bool TMainForm::FormCloseQuery()
{
    if (!FProjectForm)
        return true;
    FProjectForm->CommitActiveEdit();
    if (FProjectForm->Modified) {
        // The question is the project window's: show what it is about.
        FProjectForm->show();
        FProjectForm->raise();
    }
    return FProjectForm->QueryUnsaved();
}

void TMainForm::FormClose()
{
    // Every part is saved that can be; the window closes whatever fails, and
    // the first failure is reported: one of the settings file once a run, as
    // the start-up and the windows' placement say it.
    QString failure;
    bool settingsFailure = false;
    auto attempt = [&](const std::function<void()>& step) {
        try {
            step();
        } catch (const EIniFileException& e) {
            if (failure.isEmpty()) {
                failure = e.Message();
                settingsFailure = true;
            }
        } catch (const Exception& e) {
            if (failure.isEmpty())
                failure = e.Message();
        } catch (const std::exception& e) {
            if (failure.isEmpty())
                failure = QString::fromLocal8Bit(e.what());
        }
    };
    attempt([this] { CommitActiveEdit(); });
    // What the commit refused is said while the window is still there.
    attempt([this] { SayRefusal(false); });
    attempt([this, &attempt] {
        TIniFile ini(FPaths.IniFileName);
        ini.BeginUpdate();
        attempt([&] { SaveFormSettings(ini); });
        attempt([&] { SaveEditUnits(ini); });
        attempt([&] { SaveSelection(ini); });
        attempt([&] { SaveUnitSettings(ini); });
        ini.EndUpdate();
    });
    if (settingsFailure)
        ShowErrorOnce(FPaths.IniFileName, ErrorBoxText(failure));
    else if (!failure.isEmpty())
        ShowHandlerError(failure);
}

// ---------------------------------------------------------------------------
// Settings

void TMainForm::LoadFormSettings()
{
    TFormSettings s;
    // A window never saved opens in the middle of the screen.
    QRect placement(QPoint(0, 0), size());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        placement.moveCenter(screen->availableGeometry().center());
    s.Placement = placement;
    s.ContactEmail = ContactEmail;
    s.ContactWeb = ContactWeb;
    s.ColWidths.resize(ResultColumnCount);
    for (int i = 0; i < ResultColumnCount; ++i)
        s.ColWidths[static_cast<size_t>(i)] = DesignColumnWidth(i);
    ReadFormSettings(TIniFile(FPaths.IniFileName), s, PlacementLimits(this));
    setGeometry(s.Placement);
    ContactEmail = s.ContactEmail;
    EMailAddr = s.EMailAddr;
    WebAddress = s.WebAddress;
    for (int i = 0; i < ResultColumnCount; ++i) {
        FUserSizedColumns[static_cast<size_t>(i)] = s.ColSized[static_cast<size_t>(i)];
        SetResultColumnWidth(i, KeepColumnWidth(s.ColWidths[static_cast<size_t>(i)], PrimaryScreenSize()));
    }
    FitResultColumns();
}

void TMainForm::SaveFormSettings(TCustomIniFile& ini)
{
    TFormSettings s;
    s.Placement = (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) && normalGeometry().isValid()
                      ? normalGeometry()
                      : geometry();
    s.ContactEmail = ContactEmail;
    s.EMailAddr = EMailAddr;
    s.WebAddress = WebAddress;
    s.ColWidths.resize(ResultColumnCount);
    // Columns are saved at their design width until the user sizes them.
    for (int i = 0; i < ResultColumnCount; ++i)
        s.ColWidths[static_cast<size_t>(i)] =
            FUserSizedColumns[static_cast<size_t>(i)] ? LVSelect->columnWidth(i) : DesignColumnWidth(i);
    s.ColSized = FUserSizedColumns;
    WriteFormSettings(ini, s);
}

void TMainForm::LoadEditUnits()
{
    TEditUnits units{edAirflow->UnitsValue(), edMaxDP->UnitsValue(), edHeight->UnitsValue(), edWidth->UnitsValue(),
                     edDiameter->UnitsValue()};
    ReadEditUnits(TIniFile(FPaths.IniFileName), units);
    edAirflow->SetUnitsValue(units[0]);
    edMaxDP->SetUnitsValue(units[1]);
    edHeight->SetUnitsValue(units[2]);
    edWidth->SetUnitsValue(units[3]);
    edDiameter->SetUnitsValue(units[4]);
}

void TMainForm::SaveEditUnits(TCustomIniFile& ini)
{
    WriteEditUnits(ini, {edAirflow->UnitsValue(), edMaxDP->UnitsValue(), edHeight->UnitsValue(), edWidth->UnitsValue(),
                         edDiameter->UnitsValue()});
}

TSelectionValues TMainForm::CurrentSelectionValues() const
{
    TSelectionValues v;
    v.Flow = EditValue(edAirflow);
    v.MaxDP = EditValue(edMaxDP);
    v.Height = EditValue(edHeight);
    v.Width = EditValue(edWidth);
    v.Diameter = EditValue(edDiameter);
    v.Rect = rectbox->isChecked();
    v.Circ = circbox->isChecked();
    v.Required = BandText();
    return v;
}

void TMainForm::LoadSelection(const QString& fileName)
{
    TFmtEdit* const edits[] = {edAirflow, edMaxDP, edHeight, edWidth, edDiameter};
    // An edit whose text is no number has no value to default to: it keeps
    // its text unless the file gives one.
    double current[5];
    for (int i = 0; i < 5; ++i)
        if (!edits[i]->TryGetFloat(current[i]))
            current[i] = std::nan("");
    TSelectionValues v;
    v.Flow = current[0];
    v.MaxDP = current[1];
    v.Height = current[2];
    v.Width = current[3];
    v.Diameter = current[4];
    v.Rect = rectbox->isChecked();
    v.Circ = circbox->isChecked();
    // A band the file has no number for keeps the grid's, or the built-in one.
    v.Required = CheckedBandText(BandText(), QString::fromLatin1(DefaultBands));
    ReadSelection(TIniFile(fileName), v);

    const double read[] = {v.Flow, v.MaxDP, v.Height, v.Width, v.Diameter};
    for (int i = 0; i < 5; ++i)
        if (std::isfinite(read[i]))
            edits[i]->SetValue(read[i]);
    // A box that changes runs its click behaviour: ticks by shape, results cleared.
    rectbox->setChecked(v.Rect);
    circbox->setChecked(v.Circ);
    SetBandCells(CommaTextToList(v.Required));
    if (!v.Checked.isEmpty()) {
        const QStringList names = RangeNames();
        for (int i = 0; i < names.size(); ++i)
            SetRangeTicked(i, RangeNamedIn(v.Checked, names[i]));
    }
}

void TMainForm::SaveSelection(const QString& fileName)
{
    TIniFile ini(fileName);
    ini.BeginUpdate();
    SaveSelection(ini);
    ini.EndUpdate();
}

void TMainForm::SaveSelection(TCustomIniFile& ini)
{
    // Everything is read before the file is touched: an unreadable edit
    // leaves the saved selection whole.
    const TSelectionValues v = CurrentSelectionValues();
    WriteSelection(ini, v, TickedRanges());
}

// ---------------------------------------------------------------------------
// Ranges

QString TMainForm::RangeFile(const QString& name) const
{
    return FPaths.ExeDir + QStringLiteral("data/") + name;
}

QStringList TMainForm::RangeNames() const
{
    QStringList names;
    for (int i = 0; i < RangeBox->count(); ++i)
        names.append(RangeBox->item(i)->text());
    return names;
}

QStringList TMainForm::TickedRanges() const
{
    QStringList names;
    for (int i = 0; i < RangeBox->count(); ++i)
        if (RangeBox->item(i)->checkState() == Qt::Checked)
            names.append(RangeBox->item(i)->text());
    return names;
}

void TMainForm::SetRangeTicked(int index, bool ticked)
{
    QListWidgetItem* item = RangeBox->item(index);
    if (!item)
        return;
    // Ticks set by the program are not the user's clicks.
    const QSignalBlocker block(RangeBox);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    RangeBox->viewport()->update();
}

void TMainForm::SyncRangeChecks()
{
    const QStringList names = RangeNames();
    for (int i = 0; i < names.size(); ++i) {
        LoadRangeFile(FXml, RangeFile(names[i]));
        const bool current = RangeBox->item(i)->checkState() == Qt::Checked;
        SetRangeTicked(i,
                       ShapeTick(ShapeGroupOf(RangeShape(FXml)), current, rectbox->isChecked(), circbox->isChecked()));
    }
}

void TMainForm::ListBox1Click()
{
    const QListWidgetItem* item = RangeBox->currentItem();
    if (!item)
        return;
    Memo1->clear();
    LoadRangeFile(FXml, RangeFile(item->text()));
    const TRangeView view = ReadRangeView(FXml, FPaths.ExeDir + QStringLiteral("images/"));
    Label1->setText(view.Title);
    if (!view.PhotoFile.isEmpty()) {
        TPictureReader reader(view.PhotoFile);
        const QImage image = reader.read();
        if (!image.isNull())
            Image2->setPixmap(
                QPixmap::fromImage(image.scaled(Image2->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    Memo1->setPlainText(view.MemoLines.join(QLatin1Char('\n')));
}

void TMainForm::RangeBoxClickCheck()
{
    ClearResults();
}

void TMainForm::rectboxClick()
{
    SyncRangeChecks();
    ClearResults();
}

void TMainForm::circboxClick()
{
    SyncRangeChecks();
    ClearResults();
}

// ---------------------------------------------------------------------------
// Duty inputs

void TMainForm::EditExit(QObject* sender)
{
    auto* edit = qobject_cast<TxCustomEdit*>(sender);
    if (edit && edit->isModified())
        ClearResults();
}

void TMainForm::attenGridDoSetData(int col, int row)
{
    // A cell that got back the text it had when its editor opened (left as
    // it was, or refused) is no new duty.
    if (const TxInplaceEdit* editor = attenGrid->InplaceEdit();
        editor && attenGrid->Cells(col, row) == editor->OldValue())
        return;
    ClearResults();
}

QString TMainForm::BandText() const
{
    return attenGrid->Rows(0)->CommaText();
}

void TMainForm::SetBandCells(const QStringList& cells)
{
    // Each band its own cell: an empty one never moves the next one down.
    TStringGridStrings* row = attenGrid->Rows(0);
    row->BeginUpdate();
    for (int i = 0; i < OctaveBands; ++i)
        row->Put(i, cells.value(i));
    row->EndUpdate();
}

void TMainForm::Paste1Click()
{
    // The bands take what a band cell takes, or nothing. The results stay:
    // they are those of the last search until the next one.
    QStringList cells;
    if (const TEntryCheck why = PastedBandCells(QGuiApplication::clipboard()->text(), cells); why != ecNumber) {
        Messages().Beep();
        ShowRefusal(QStringLiteral("Attenuation"), why, [this] { attenGrid->setFocus(Qt::OtherFocusReason); });
        return;
    }
    SetBandCells(cells);
}

void TMainForm::ShowRefusal(const QString& what, TEntryCheck why, std::function<void()> back)
{
    // Said once the entry's own handling is over: a box opened in the middle
    // of a focus change or a grid's store would run events inside it.
    FRefusal = what + QStringLiteral(" refused: ") + EntryCheckText(why) + QLatin1Char('.');
    FRefusalBack = std::move(back);
    QTimer::singleShot(0, this, [this] { RunGuarded([this] { SayRefusal(true); }); });
}

void TMainForm::SayRefusal(bool focusBack)
{
    const QString text = std::exchange(FRefusal, QString());
    const std::function<void()> back = std::exchange(FRefusalBack, nullptr);
    // Never a box once the window is gone.
    if (text.isEmpty() || !isVisible())
        return;
    Messages().ShowMessage(text);
    // The box took the focus, or the click that left the entry did.
    if (focusBack && back && isVisible())
        back();
}

void TMainForm::CommitActiveEdit()
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !isAncestorOf(focus))
        return;
    if (auto* edit = qobject_cast<TxCustomEdit*>(focus); edit && edit->parentWidget() == this) {
        edit->CommitEdit();
        // What was committed is what Escape or a refusal comes back to.
        edit->Logic().Enter();
        return;
    }
    if (attenGrid->IsActiveControl())
        attenGrid->SetEditorMode(false);
}

// ---------------------------------------------------------------------------
// Search and results

void TMainForm::SearchButtonClick()
{
    CommitActiveEdit();
    TSpecificationRec spec;
    spec.airflow = EditValue(edAirflow);
    spec.maxdP = EditValue(edMaxDP);
    spec.width = EditValue(edWidth);
    spec.height = EditValue(edHeight);
    spec.diameter = EditValue(edDiameter);
    StrToOctave(BandText(), spec.atten);
    if (const int bad = ImpossibleDutyInput(spec); bad >= 0) {
        // Nothing could be listed: say why instead of searching.
        ClearResults();
        Messages().ShowMessage(ImpossibleDutyMessage(bad, ShownDutyValue(bad, spec)));
        return;
    }
    Spec = spec;
    // Bands a cell takes may be too loud for any total: then none is shown.
    const double total = OctaveTotal(Spec.atten);
    Label8->setText(std::isfinite(total) ? Format("[%0.0f dB]", total) : QString());
    Label8->adjustSize();
    try {
        RunSearch();
    } catch (...) {
        // What was found before the failure is listed and usable.
        if (LVSelect->topLevelItemCount() > 0)
            EnableResultButtons(true);
        throw;
    }
    if (LVSelect->topLevelItemCount() > 0)
        EnableResultButtons(true);
}

QString TMainForm::ShownDutyValue(int input, const TSpecificationRec& spec) const
{
    if (input >= diBand)
        return FloatToStr(spec.atten[static_cast<size_t>(input - diBand)]) + QStringLiteral(" dB");
    const TFmtEdit* edits[] = {edAirflow, edMaxDP, edWidth, edHeight, edDiameter};
    const TFmtEdit* edit = edits[input];
    return edit->text() + QLatin1Char(' ') + GetUnitsLabel(edit->UnitsType(), edit->UnitsValue());
}

void TMainForm::ReleaseResults()
{
    LVSelect->clear();
    FRecords.clear();
}

void TMainForm::RunSearch()
{
    ReleaseResults();
    QStringList files;
    for (const QString& name : TickedRanges())
        files.append(RangeFile(name));
    TSilencerSearch search(Messages());
    try {
        search.Run(Spec, files, FRecords);
    } catch (...) {
        FillResultRows();
        throw;
    }
    FillResultRows();
}

void TMainForm::FillResultRows()
{
    FillResultList(LVSelect, FRecords, Sort);
    FitResultColumns();
    if (LVSelect->topLevelItemCount() > 0)
        LVSelect->setCurrentItem(LVSelect->topLevelItem(0));
    LabelCount->setText(Format("%d items found...", LVSelect->topLevelItemCount()));
}

void TMainForm::SortResultRows()
{
    SortResultList(LVSelect, FRecords, Sort);
}

void TMainForm::LVSelectColumnClick(int column)
{
    Sort.ColumnClick(column);
    SortResultRows();
}

void TMainForm::ClearResults()
{
    ReleaseResults();
    LabelCount->setText(QStringLiteral("..."));
    EnableResultButtons(false);
}

void TMainForm::EnableResultButtons(bool enable)
{
    DetailButton->setEnabled(enable);
    ReportButton->setEnabled(enable);
    ProjectButton->setEnabled(enable);
}

const TSelectionRec& TMainForm::RecordOf(const QTreeWidgetItem* item) const
{
    return FRecords.at(static_cast<size_t>(static_cast<const TResultItem*>(item)->Record));
}

const TSelectionRec* TMainForm::SelectedRecord() const
{
    const QList<QTreeWidgetItem*> selected = LVSelect->selectedItems();
    return selected.isEmpty() ? nullptr : &RecordOf(selected.first());
}

QString TMainForm::CatalogDir() const
{
    return QDir::cleanPath(FPaths.ExeDir + QStringLiteral("../catalog")) + QLatin1Char('/');
}

void TMainForm::DetailButtonClick()
{
    const TSelectionRec* rec = SelectedRecord();
    if (!rec)
        return;
    const TDocumentTarget target = DetailPageFor(*rec, CatalogDir());
    OpenDocumentAtAnchorOrReport(target.Path, target.Anchor);
}

void TMainForm::ReportButtonClick()
{
    CommitActiveEdit();
    if (const TSelectionRec* rec = SelectedRecord())
        ShowReportPreview(*rec);
}

void TMainForm::ProjectButtonClick()
{
    CommitActiveEdit();
    if (const TSelectionRec* rec = SelectedRecord())
        AddSelectionToProject(Spec, *rec);
}

void TMainForm::SetPrintPreviewForm(TPrintPreviewForm* form)
{
    FPrintPreviewForm = form;
    if (!FFirstActivate)
        InstallReportDrawer();
}

void TMainForm::InstallReportDrawer()
{
    if (FPrintPreviewForm)
        FPrintPreviewForm->OnCreatePages = [this](TPrintPreviewForm& form) { BuildReport(form); };
}

void TMainForm::BuildReport(TPrintPreviewForm& form)
{
    const TSelectionRec* rec = SelectedRecord();
    if (!rec)
        return;
    TSilencerReportInput input;
    input.Spec = Spec;
    input.Rec = *rec;
    input.Rectangular = rectbox->isChecked();
    input.Circular = circbox->isChecked();
    input.ExeDir = FPaths.ExeDir;
    const QString note = ::BuildReport(form, input);
    // Every activation redraws, the one after this box too: say it once.
    if (!note.isEmpty() && note != FReportNote) {
        FReportNote = note;
        Messages().ShowMessage(note);
    }
}

void TMainForm::ShowReportPreview(const TSelectionRec&)
{
    // The preview draws its pages when it is activated.
    FReportNote.clear();
    if (FPrintPreviewForm)
        FPrintPreviewForm->exec();
    // A camera's pictures take much memory once decoded: kept while the
    // preview draws them again, not beyond.
    ReleaseReportPictures();
}

void TMainForm::AddSelectionToProject(const TSpecificationRec& spec, const TSelectionRec& rec)
{
    if (FProjectForm)
        FProjectForm->AddSelection(spec, rec);
}

void TMainForm::ShowProjectWindow()
{
    if (!FProjectForm)
        return;
    FProjectForm->show();
    FProjectForm->raise();
    FProjectForm->activateWindow();
}

void TMainForm::ShowUnitSettings()
{
    if (FUnitSettingsForm)
        FUnitSettingsForm->exec();
}

QString TMainForm::ProductVersionText() const
{
    return GetProductVersionText(FPaths.ProgramFile);
}

// ---------------------------------------------------------------------------
// Commands

void TMainForm::ButtonGroup1Items0Click()
{
    // What is being typed is checked and stored as a search would take it.
    CommitActiveEdit();
    SaveSelection(FPaths.DefaultIniName);
}

void TMainForm::ButtonGroup1Items1Click()
{
    // A file that cannot be read loads nothing: say why, as Save does.
    const QString refused = SettingsFileRefusal(FPaths.DefaultIniName);
    if (!refused.isEmpty())
        throw EIniFileException(refused);
    LoadSelection(FPaths.DefaultIniName);
}

void TMainForm::ButtonGroup1Items2Click()
{
    OpenDocumentAtAnchorOrReport(CatalogDir() + QStringLiteral("index.htm"), QStringLiteral("noise_control"));
}

void TMainForm::ButtonGroup1Items3Click()
{
    ShowProjectWindow();
}

void TMainForm::ButtonGroup1Items4Click()
{
    OpenDocumentOrReport(FPaths.ExeDir + QStringLiteral("help/index.htm"));
}

void TMainForm::Label11Click()
{
    CommitActiveEdit();
    ShowUnitSettings();
    ApplyUnits();
}

void TMainForm::ApplyUnits()
{
    edAirflow->SetUnitsValue(AirflowUnits->GetUnitIndex());
    edWidth->SetUnitsValue(DimensionUnits->GetUnitIndex());
    edHeight->SetUnitsValue(DimensionUnits->GetUnitIndex());
    edDiameter->SetUnitsValue(DimensionUnits->GetUnitIndex());
    edMaxDP->SetUnitsValue(PressureUnits->GetUnitIndex());

    const QString dim = DimensionUnits->GetBracketLabel();
    QTreeWidgetItem* header = LVSelect->headerItem();
    header->setText(1, QStringLiteral("W or D ") + dim);
    header->setText(2, QStringLiteral("H ") + dim);
    header->setText(3, QStringLiteral("L ") + dim);
    header->setText(6, QStringLiteral("dP ") + PressureUnits->GetBracketLabel());
    header->setText(7, QStringLiteral("Vp ") + VelocityUnits->GetBracketLabel());

    LVSelect->setUpdatesEnabled(false);
    for (int i = 0; i < LVSelect->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = LVSelect->topLevelItem(i);
        const TSelectionRec& rec = RecordOf(item);
        item->setText(1, DimensionUnits->FormatValue(0, rec.widdiam));
        item->setText(2, DimensionUnits->FormatValue(0, rec.height));
        item->setText(3, DimensionUnits->FormatValue(0, rec.length));
        item->setText(6, PressureUnits->FormatValue(0, rec.dp));
        item->setText(7, VelocityUnits->FormatValue(0, rec.vp));
    }
    LVSelect->setUpdatesEnabled(true);
    FitResultColumns();
}

void TMainForm::FitResultColumns()
{
    // A width the user chose stays as it is; the others only ever widen.
    const QAbstractItemView* view = LVSelect; // the tree view's override is not public
    for (int i = 0; i < ResultColumnCount; ++i) {
        if (FUserSizedColumns[static_cast<size_t>(i)])
            continue;
        const int needed = std::max(LVSelect->header()->sectionSizeHint(i), view->sizeHintForColumn(i));
        if (LVSelect->columnWidth(i) < needed)
            SetResultColumnWidth(i, needed);
    }
}

int TMainForm::DesignColumnWidth(int column) const
{
    return ScaleDesignWidth(ResultColumnWidths[column], LVSelect->font());
}

void TMainForm::SetResultColumnWidth(int column, int width)
{
    FSizingColumns = true;
    LVSelect->setColumnWidth(column, width);
    FSizingColumns = false;
}
