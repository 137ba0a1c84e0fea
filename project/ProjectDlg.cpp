#include "ProjectDlg.h"

#include "FlatPageControl.h"
#include "MapiControl.h"
#include "ProjectDocuments.h"
#include "TxApplicationPath.h"
#include "TxColGrids.h"
#include "TxConv.h"
#include "TxDesignScale.h"
#include "TxEmailDlg.h"
#include "TxEventGuard.h"
#include "TxFmtEdit.h"
#include "TxFormat.h"
#include "TxIniHighlighter.h"
#include "TxKeyNavigate.h"
#include "TxPlacement.h"
#include "TxPlatform.h"
#include "TxRegistry.h"
#include "TxString.h"
#include "TxSysUtils.h"
#include "TxVerInfo.h"
#include "UnitsManager.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSet>
#include <QStatusBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <utility>

IProjectHost::~IProjectHost() = default;

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString FormSection = QStringLiteral("ProjectForm");
const QString ProjectFilter = QStringLiteral("Project file (*.pxf)|*.pxf");
const QString ProjectExt = QStringLiteral("pxf");

// Items grid columns.
enum : int {
    icDescription = 1,
    icQty = 2,
    icModel = 3,
    icWidDiam = 4,
    icHeight = 5,
    icLength = 6,
    icAirflow = 7,
    icDP = 8,
    icPrice = 9,
    icAncillary = 10,
    icTotal = 11,
};
// Ancillaries grid columns.
enum : int { acName = 1, acQty = 2, acPrice = 3, acTotal = 4 };

// Design widths, for the design font; column 0 holds no text.
constexpr int ItemsColWidths[] = {15, 100, 30, 100, 35, 35, 35, 35, 35, 50, 50, 55};
constexpr int AncillsColWidths[] = {15, 100, 30, 50, 50};

// The grids draw a cell's text 2 pixels in from its left edge; the items
// grid's two-line captions 4 pixels in.
constexpr int CellTextInset = 2;
constexpr int CaptionTextInset = 4;

// A caption of the items grid: its name on the first line, its unit after
// the first "," on the second, one point smaller.
struct TCaptionLines {
    QString Name;
    QString Unit;
    bool HasUnit = false;
};
TCaptionLines SplitCaption(const QString& caption)
{
    const qsizetype comma = caption.indexOf(QLatin1Char(','));
    if (comma < 0)
        return {caption, QString(), false};
    return {caption.left(comma), caption.mid(comma + 1), true};
}
QFont UnitLineFont(QFont font)
{
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() - 1);
    else
        font.setPixelSize(std::max(1, font.pixelSize() - 1));
    return font;
}

// The widest a column grows to show its values; a longer text is cut like
// any text in a cell.
constexpr int MaxFitDesignWidth = 400;

// The room `text` needs, or at least `most` when it needs that much: a long
// text is measured by its first characters only.
int FitWidth(const QFontMetrics& fm, const QString& text, int most)
{
    if (text.size() > most) {
        const int prefix = fm.horizontalAdvance(text.left(most)) + 2 * CellTextInset;
        if (prefix >= most)
            return prefix;
    }
    return fm.horizontalAdvance(text) + 2 * CellTextInset;
}

// Widens the columns whose texts in rows first..last would be cut; none
// narrows, so widths the user chose stay. `captionWidth` is the room row 0
// needs.
template <class F>
void FitColumns(TxColGrid* grid, int first, int last, int most, F captionWidth)
{
    const QFontMetrics fm(grid->font());
    last = std::min(last, grid->RowCount() - 1);
    for (int c = 1; c < grid->ColCount(); ++c) {
        if (grid->ColWidths(c) >= most)
            continue;
        int values = 0;
        // Many rows repeat their texts (quantities, sizes, zeros): each is
        // measured once.
        QSet<QString> measured;
        for (int r = std::max(first, 1); r <= last && values < most; ++r) {
            const QString text = grid->Cells(c, r);
            if (!text.isEmpty() && !measured.contains(text)) {
                measured.insert(text);
                values = std::max(values, FitWidth(fm, text, most));
            }
        }
        const int caption = first <= 0 ? captionWidth(grid->Cells(c, 0)) : 0;
        const int needed = std::max(caption, std::min(values, most));
        if (grid->ColWidths(c) < needed)
            grid->SetColWidths(c, needed);
    }
}

// Caption names of the unit columns, by field.
QString UnitCaptionName(int field)
{
    switch (field) {
    case icWidDiam:
        return QStringLiteral("Wid/Diam");
    case icHeight:
        return QStringLiteral("Height");
    case icLength:
        return QStringLiteral("Length");
    case icAirflow:
        return QStringLiteral("Q");
    case icDP:
        return QStringLiteral("dP");
    default:
        return QString();
    }
}

QString WithUnit(const TUnitsCtrl* units, double value)
{
    if (!units)
        return FloatToStr(value);
    return units->FormatWithLabel(QStringLiteral(" "), 0, value);
}

QString Bands(const TOctave& bands)
{
    return OctaveToStr(bands, QStringLiteral("%0.0f"));
}

TFmtEdit* MakeTextEdit(QWidget* parent, const char* name)
{
    auto* edit = new TFmtEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->SetFormatStr(QStringLiteral("%S"));
    edit->setMaxLength(MaxProjectText);
    return edit;
}

TFmtEdit* MakeTotalEdit(QWidget* parent, const char* name)
{
    auto* edit = new TFmtEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->SetFormatType(ft_Manual);
    edit->SetFormatStr(QStringLiteral(" R %0.2f"));
    edit->setText(QStringLiteral("R 0.00"));
    // The project's sums: shown, never typed, so they always add up.
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::ClickFocus);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

QToolButton* MakeToolButton(QToolBar* bar, const char* name, const QString& caption, const QString& hint,
                            QStyle::StandardPixmap picture)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setToolTip(hint);
    button->setIcon(bar->style()->standardIcon(picture));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

void SetUpGrid(TxColGrid* grid, TxGridOptions extra)
{
    grid->SetDefaultRowHeight(16);
    grid->SetDefaultColWidth(60);
    grid->SetFixedCols(0);
    grid->SetOptions(xgoFixedVertLine | xgoFixedHorzLine | xgoVertLine | xgoHorzLine | xgoRangeSelect | xgoColSizing |
                     xgoEditing | extra);
    grid->SetShowItemNumbers(false);
}

// The lines of a notes memo as a string list reads its text: a line break at
// the end adds no empty line.
QStringList MemoLines(const QString& text)
{
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        lines.removeLast();
    return lines;
}

// Why a quantity or price was refused, as the status bar says it.
const QString TotalsTooLarge = QStringLiteral("the totals would be too large");
constexpr int RefusalShownMs = 10000;

// Why a cell value is no quantity or price; empty when it is one.
QString QuantityError(const QVariant& value, int& qty)
{
    return EntryCheckText(CheckCellWholeNumber(value, qty));
}

QString PriceError(const QVariant& value, double& price)
{
    return EntryCheckText(CheckValueNumber(value, price, true));
}

// Raises a counter for as long as it lives.
class TCounterScope {
public:
    explicit TCounterScope(int& counter) : FCounter(counter) { ++FCounter; }
    ~TCounterScope() { --FCounter; }
    TCounterScope(const TCounterScope&) = delete;
    TCounterScope& operator=(const TCounterScope&) = delete;

private:
    int& FCounter;
};

// A grid whose text columns take no more characters than their limits; what
// typing or a paste would put beyond one is cut, and OnTextCut says so.
class TLimitedGrid : public TxColGrid {
public:
    explicit TLimitedGrid(std::map<int, int> limits, QWidget* parent = nullptr)
        : TxColGrid(parent), FLimits(std::move(limits))
    {
    }
    int GetEditLimit() override
    {
        // Asked each time the editor takes a cell: the editor exists by then.
        if (auto* editor = dynamic_cast<TxCustomEdit*>(InplaceEditor()))
            editor->OnTextCut = [this](QObject*) {
                if (OnTextCut && Limit() > 0)
                    OnTextCut(Col(), Limit());
            };
        return Limit();
    }

    std::function<void(int col, int limit)> OnTextCut;
    // Shows a price to the cent, as the totals beside it count it; the cell's
    // value, which an edit starts from, stays the price as typed.
    void SetPriceCell(int col, int row, double price)
    {
        SetCellValue(col, row, ShownMoney(price));
        if (const TValueAnchor* shown = Anchors().Find(col, row, Cells(col, row))) {
            TValueAnchor anchor = *shown;
            anchor.A = price;
            Anchors().Set(col, row, anchor);
        }
    }

private:
    int Limit() const
    {
        const auto it = FLimits.find(Col());
        return it == FLimits.end() ? 0 : it->second;
    }

    std::map<int, int> FLimits;
};

// What the status bar says of a text cut at its bound.
QString TextCutText(const QString& what, int limit)
{
    return Format("%s holds at most %d characters", what, limit);
}

// Both grids of the window are limited grids.
void ShowPrice(TxColGrid* grid, int col, int row, double price)
{
    static_cast<TLimitedGrid*>(grid)->SetPriceCell(col, row, price);
}

} // namespace

// ---------------------------------------------------------------------------

QString CurrencySymbol()
{
    const QString symbol = QLocale::system().currencySymbol(QLocale::CurrencySymbol);
    return symbol.isEmpty() ? QStringLiteral("R") : symbol;
}

QStringList ItemsGridFieldDefs(const QString& currency)
{
    return {QStringLiteral(";;;"),
            QStringLiteral("Description; %S;;;"),
            QStringLiteral("Qty;%0.4g;; ;0;0"),
            QStringLiteral("Model; %S;;;"),
            QStringLiteral("Wid/Diam,mm; %0.3f;;;0;0"),
            QStringLiteral("Height; %0.3f;;;0;0"),
            QStringLiteral("Length; %0.3f;;;0;0"),
            QStringLiteral("Q; %0.3f;;;0;0"),
            QStringLiteral("dP; %0.3f;;;0;0"),
            currency + QStringLiteral(" Item; %0.2f;; ;0;0"),
            currency + QStringLiteral(" Ancill;%0.2f;; ;0;0"),
            currency + QStringLiteral(" Total;%0.2f;; ;0;0")};
}

QStringList AncillsGridFieldDefs(const QString& currency)
{
    return {QStringLiteral(";;;"), QStringLiteral("Description; %S;;;"), QStringLiteral("Qty;%0.4g;; ;0;0"),
            currency + QStringLiteral(" Price; %0.2f;; ;0;0"), currency + QStringLiteral(" Total;%0.2f;; ;0;0")};
}

QStringList ItemDetailLines(const TProjectItem& item)
{
    const TSpecificationRec& spec = item.Spec;
    const TSelectionRec& sel = item.Sel;
    const QString model = sel.model.Text();
    const QString range = sel.rangedesc.Text();
    QStringList lines{QStringLiteral("[Model]"), model, range, QString(), QStringLiteral("[Specification]")};
    lines << QStringLiteral("Volume flow = ") + WithUnit(AirflowUnits, spec.airflow)
          << QStringLiteral("MaxdP = ") + WithUnit(PressureUnits, spec.maxdP)
          << QStringLiteral("Width = ") + WithUnit(DimensionUnits, spec.width)
          << QStringLiteral("Height = ") + WithUnit(DimensionUnits, spec.height)
          << QStringLiteral("Diameter = ") + WithUnit(DimensionUnits, spec.diameter)
          << QStringLiteral("Atten = ") + Bands(spec.atten) << QString() << QStringLiteral("[Selection]")
          << QStringLiteral("Model = ") + model << QStringLiteral("Description = ") + range
          << QStringLiteral("Size = ") + sel.size.Text()
          << QStringLiteral("Shape = ") + QString::fromLatin1(ShapeNames[sel.shape == 0 ? 0 : 1])
          << (sel.shape == 0 ? QStringLiteral("Diameter = ") : QStringLiteral("Width = ")) +
                 WithUnit(DimensionUnits, sel.widdiam)
          << QStringLiteral("Height = ") + WithUnit(DimensionUnits, sel.height)
          << QStringLiteral("Length = ") + WithUnit(DimensionUnits, sel.length);
    if (sel.nmodules > 0)
        lines << QStringLiteral("No. of modules = ") + IntToStr(sel.nmodules);
    if (sel.weight > 0)
        lines << QStringLiteral("Weight = ") + WithUnit(MassUnits, sel.weight);
    lines << QStringLiteral("Atten = ") + Bands(sel.atten) << QStringLiteral("Regen = ") + Bands(sel.regen)
          << QStringLiteral("Static insertion loss = ") + Format("%0.1f dB", sel.db)
          << QStringLiteral("Passage velocity = ") + WithUnit(VelocityUnits, sel.vp)
          << QStringLiteral("Pressure loss = ") + WithUnit(PressureUnits, sel.dp) << QString();
    return lines;
}

QString EnquiryBody(const QString& termsFile)
{
    QString body = QStringLiteral("Dear Sirs") + CrLf + CrLf +
                   QStringLiteral("Please provide your best price for the attached project") + CrLf + CrLf;
    if (QFileInfo(termsFile).isFile()) {
        TStringDynArray lines;
        LoadLinesFromFile(termsFile, lines);
        body += CrLf;
        for (const QString& line : lines)
            body += line + CrLf;
    } else {
        body += CrLf + QStringLiteral("Price: ") + CrLf + QStringLiteral("Delivery: ") + CrLf +
                QStringLiteral("Terms of payment: ") + CrLf + QStringLiteral("Validity: ") + CrLf +
                QStringLiteral("Quote subject to standard conditions of sale") + CrLf;
    }
    return body;
}

TEntryCheck CheckCellWholeNumber(const QVariant& value, int& result)
{
    double x = 0.0;
    const TEntryCheck check = CheckValueNumber(value, x, true);
    return AsWholeNumber(check, x, result);
}

// ---------------------------------------------------------------------------

TProjectForm::TProjectForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(FormSection);
    // Closing hides the window; the main window's closing alone ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    // Never without a project, whatever happens while the window is set up.
    Project = std::make_unique<TProject>();
    CreateControls();
    ConnectHandlers();
    Guarded([this] { FormCreate(); });
}

TProjectForm::~TProjectForm() = default;

void TProjectForm::CreateControls()
{
    setWindowTitle(QStringLiteral("Project : RAV Silencers"));
    QFont f = font();
    f.setFamily(QStringLiteral("Tahoma"));
    f.setPixelSize(11);
    setFont(f);
    setMinimumSize(746, 320);
    resize(788, 448);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    NewBtn = MakeToolButton(ToolBar1, "NewBtn", QStringLiteral("New"),
                            QStringLiteral("Clear all fields - start new project"), QStyle::SP_FileIcon);
    OpenBtn = MakeToolButton(ToolBar1, "OpenBtn", QStringLiteral("Open"), QStringLiteral("Open existing project file"),
                             QStyle::SP_DialogOpenButton);
    SaveBtn = MakeToolButton(ToolBar1, "SaveBtn", QStringLiteral("Save"),
                             QStringLiteral("Save current project to file"), QStyle::SP_DialogSaveButton);
    ToolBar1->addSeparator();
    ReportBtn = MakeToolButton(ToolBar1, "ReportBtn", QStringLiteral("Quote"), QStringLiteral("Preview project report"),
                               QStyle::SP_FileDialogDetailedView);
    ScheduleBtn =
        MakeToolButton(ToolBar1, "ScheduleBtn", QStringLiteral("Schedule"), QString(), QStyle::SP_FileDialogListView);
    EnquiryBtn = MakeToolButton(ToolBar1, "EnquiryBtn", QStringLiteral("Enquiry"),
                                QStringLiteral("E-mail for quotation on current project"), QStyle::SP_ArrowForward);
    ToolBar1->addSeparator();
    CloseBtn = MakeToolButton(ToolBar1, "CloseBtn", QStringLiteral("Close"), QStringLiteral("Close project form"),
                              QStyle::SP_DialogCloseButton);
    layout->addWidget(ToolBar1);

    // Header.
    auto* header = new QGridLayout;
    header->setContentsMargins(8, 0, 8, 0);
    header->setHorizontalSpacing(6);
    header->setVerticalSpacing(3);
    edProjectName = MakeTextEdit(this, "edProjectName");
    edAttention = MakeTextEdit(this, "edAttention");
    edContractor = MakeTextEdit(this, "edContractor");
    edQuoteNo = MakeTextEdit(this, "edQuoteNo");
    edRevision = MakeTextEdit(this, "edRevision");
    edDate = new QDateEdit(this);
    edDate->setObjectName(QStringLiteral("edDate"));
    edDate->setCalendarPopup(true);
    edDate->setDisplayFormat(edDate->locale().dateFormat(QLocale::LongFormat));
    NotesMemo = new QPlainTextEdit(this);
    NotesMemo->setObjectName(QStringLiteral("NotesMemo"));
    NotesMemo->setToolTip(QStringLiteral("Project notes"));
    NotesMemo->setTabChangesFocus(true);
    auto addRow = [&](int row, const QString& leftCaption, QWidget* left, const QString& rightCaption, QWidget* right) {
        header->addWidget(new QLabel(leftCaption, this), row, 0);
        header->addWidget(left, row, 1);
        header->addWidget(new QLabel(rightCaption, this), row, 2);
        header->addWidget(right, row, 3);
    };
    addRow(0, QStringLiteral("Project"), edProjectName, QStringLiteral("Quote no."), edQuoteNo);
    addRow(1, QStringLiteral("Attention"), edAttention, QStringLiteral("Revision"), edRevision);
    addRow(2, QStringLiteral("Contractor"), edContractor, QStringLiteral("Date"), edDate);
    header->addWidget(NotesMemo, 0, 4, 3, 1);
    header->setColumnStretch(1, 3);
    header->setColumnStretch(3, 2);
    header->setColumnStretch(4, 3);
    layout->addLayout(header);

    // Items with the page control beside them.
    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(8, 0, 8, 0);
    ItemsGrid =
        new TLimitedGrid({{icDescription, MaxProjectText}, {icModel, decltype(TSelectionRec::model)::MaxLength}}, this);
    ItemsGrid->setObjectName(QStringLiteral("ItemsGrid"));
    PageControl1 = new TFlatPageControl(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    syn = new QPlainTextEdit;
    syn->setObjectName(QStringLiteral("syn"));
    syn->setReadOnly(true);
    syn->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    syn->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    syn->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    {
        QFont mono(QStringLiteral("Courier New"));
        mono.setFamilies(
            {QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
        mono.setStyleHint(QFont::Monospace);
        mono.setPixelSize(11);
        syn->setFont(mono);
    }
    SynIniSyn1 = new TIniHighlighter(syn->document());
    AncillsGrid = new TLimitedGrid({{acName, MaxProjectText}});
    AncillsGrid->setObjectName(QStringLiteral("AncillsGrid"));
    PageControl1->addTab(syn, QStringLiteral("Silencer selection"));
    PageControl1->addTab(AncillsGrid, QStringLiteral("Ancillaries"));
    PageControl1->setCurrentIndex(0);
    middle->addWidget(ItemsGrid, 3);
    middle->addWidget(PageControl1, 2);
    layout->addLayout(middle, 1);

    // Mode and totals.
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(8, 0, 8, 0);
    ModeLabel = new QLabel(QString::fromLatin1(AppendModeCaption), this);
    ModeLabel->setObjectName(QStringLiteral("ModeLabel"));
    {
        QFont lf = ModeLabel->font();
        lf.setUnderline(true);
        ModeLabel->setFont(lf);
        QPalette p = ModeLabel->palette();
        p.setColor(QPalette::WindowText, p.color(QPalette::Link));
        ModeLabel->setPalette(p);
        ModeLabel->setCursor(Qt::PointingHandCursor);
        ModeLabel->installEventFilter(this);
    }
    edSubTotal = MakeTotalEdit(this, "edSubTotal");
    edVATTotal = MakeTotalEdit(this, "edVATTotal");
    edTotal = MakeTotalEdit(this, "edTotal");
    bottom->addWidget(ModeLabel);
    bottom->addStretch(1);
    for (const auto& [caption, edit] :
         {std::pair{QStringLiteral("Sub total"), edSubTotal}, std::pair{QStringLiteral("VAT"), edVATTotal},
          std::pair{QStringLiteral("TOTAL"), edTotal}}) {
        bottom->addWidget(new QLabel(caption, this));
        edit->setFixedWidth(90);
        bottom->addWidget(edit);
    }
    layout->addLayout(bottom);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusPanel0 = new QLabel(StatusBar1);
    StatusPanel0->setFixedWidth(120);
    StatusPanel1 = new QLabel(StatusBar1);
    StatusPanel1->setTextFormat(Qt::PlainText); // a file name
    StatusPanel1->setMinimumWidth(50);
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1, 1);
    layout->addWidget(StatusBar1);

    GridPopup = new QMenu(this);
    GridPopup->setObjectName(QStringLiteral("GridPopup"));
    GridPopup->addAction(QStringLiteral("Delete"), this, [this] { Guarded([this] { Delete1Click(); }); });

    for (TFileDialogRequest* dialog : {&OpenDialog1, &SaveDialog1}) {
        dialog->Filter = ProjectFilter;
        dialog->DefaultExt = ProjectExt;
    }
    SaveDialog1.Save = true;

    setTabOrder(edProjectName, edAttention);
    setTabOrder(edAttention, edContractor);
    setTabOrder(edContractor, edQuoteNo);
    setTabOrder(edQuoteNo, edRevision);
    setTabOrder(edRevision, edDate);
    setTabOrder(edDate, NotesMemo);
    setTabOrder(NotesMemo, ItemsGrid);
    setTabOrder(ItemsGrid, PageControl1);

    FKeyNavigator = new TFormKeyNavigator(this);
}

void TProjectForm::SetupGrids()
{
    const QString currency = CurrencySymbol();
    FMaxFitWidth = ScaleDesignWidth(MaxFitDesignWidth, ItemsGrid->font());

    SetUpGrid(ItemsGrid, xgoRowMoving);
    ItemsGrid->SetAlwaysShowCell(true);
    ItemsGrid->SetFieldDefArray(ItemsGridFieldDefs(currency));
    ItemsGrid->SetRowHeights(0, 2 * ItemsGrid->DefaultRowHeight());
    for (int i = 0; i < ItemsGrid->ColCount(); ++i)
        ItemsGrid->SetColWidths(i, i == 0 ? ItemsColWidths[i] : ScaleDesignWidth(ItemsColWidths[i], ItemsGrid->font()));
    ItemsGrid->SetFieldUnits(icWidDiam, utLengthMeasure, 0, 2, ft_Fixed, 1.0, 0.0);
    ItemsGrid->SetFieldUnits(icHeight, utLengthMeasure, 0, 2, ft_Fixed, 1.0, 0.0);
    ItemsGrid->SetFieldUnits(icLength, utLengthMeasure, 0, 2, ft_Fixed, 1.0, 0.0);
    ItemsGrid->SetFieldUnits(icAirflow, utAirFlowPrim, 0, 0, ft_Fixed, 1.0, 0.0);
    ItemsGrid->SetFieldUnits(icDP, utPressure, 1, 1, ft_Fixed, 1.0, 0.0);
    for (int field : {icWidDiam, icHeight, icLength, icAirflow, icDP, icAncillary, icTotal})
        ItemsGrid->SetFieldEditable(field, false);
    ItemsGrid->SetUnitsPopupProc(&TxEditGrid::ShowUnitsPopup);
    for (int field = icWidDiam; field <= icDP; ++field)
        ItemsGridAfterRightClick(field);

    SetUpGrid(AncillsGrid, 0);
    AncillsGrid->SetAlwaysShowCell(false);
    AncillsGrid->SetFieldDefArray(AncillsGridFieldDefs(currency));
    for (int i = 0; i < AncillsGrid->ColCount(); ++i)
        AncillsGrid->SetColWidths(i, i == 0 ? AncillsColWidths[i]
                                            : ScaleDesignWidth(AncillsColWidths[i], AncillsGrid->font()));
    AncillsGrid->SetFieldEditable(acTotal, false);
}

void TProjectForm::ConnectHandlers()
{
    auto guarded = [](auto f) { return [f] { Guarded(f); }; };
    connect(NewBtn, &QToolButton::clicked, this, guarded([this] { NewBtnClick(); }));
    connect(OpenBtn, &QToolButton::clicked, this, guarded([this] { OpenBtnClick(); }));
    connect(SaveBtn, &QToolButton::clicked, this, guarded([this] { SaveBtnClick(); }));
    connect(ReportBtn, &QToolButton::clicked, this, guarded([this] { ReportBtnClick(); }));
    connect(ScheduleBtn, &QToolButton::clicked, this, guarded([this] { ScheduleBtnClick(); }));
    connect(EnquiryBtn, &QToolButton::clicked, this, guarded([this] { EnquiryBtnClick(); }));
    connect(CloseBtn, &QToolButton::clicked, this, guarded([this] { CloseBtnClick(); }));

    for (TFmtEdit* edit : {edProjectName, edAttention, edContractor, edQuoteNo, edRevision})
        edit->OnExit = [this](QObject* sender) { Guarded([this, sender] { edFieldExit(sender); }); };
    for (const auto& [edit, caption] :
         {std::pair{edProjectName, "Project"}, std::pair{edAttention, "Attention"},
          std::pair{edContractor, "Contractor"}, std::pair{edQuoteNo, "Quote no."}, std::pair{edRevision, "Revision"}})
        edit->OnTextCut = [this, what = QString::fromLatin1(caption)](QObject*) {
            StatusBar1->showMessage(TextCutText(what, MaxProjectText), RefusalShownMs);
        };
    connect(edDate, &QDateEdit::dateChanged, this, guarded([this] { edDateChange(); }));
    // Where the last change of the notes added text, for NotesMemoChange.
    connect(NotesMemo->document(), &QTextDocument::contentsChange, this, [this](int position, int, int added) {
        FNotesAddedAt = position;
        FNotesAdded = added;
        // A line's glyphs are shaped again at every blink of the cursor
        // unless its layout keeps them: a letter with thousands of accents
        // would keep the window busy. Kept before the lines are laid out.
        const QTextDocument* notes = NotesMemo->document();
        for (QTextBlock block = notes->findBlock(position); block.isValid() && block.position() <= position + added;
             block = block.next())
            block.layout()->setCacheEnabled(true);
    });
    connect(NotesMemo, &QPlainTextEdit::textChanged, this, guarded([this] { NotesMemoChange(); }));

    ItemsGrid->OnDoSetData = [this](QObject*, int c, int r) {
        Guarded([=, this] {
            ItemsGridDoSetData(c, r);
            FitGridColumns(ItemsGrid, r, r);
        });
    };
    ItemsGrid->OnSelectCell = [this](QObject*, int c, int r, bool&) {
        Guarded([=, this] { ItemsGridSelectCell(c, r); });
    };
    ItemsGrid->OnDrawCell = [this](QObject*, int c, int r, const TPixelRect& rect, TxGridDrawState) {
        Guarded([=, this] { ItemsGridDrawCell(c, r, rect); });
    };
    ItemsGrid->OnRowMoved = [this](QObject*, int from, int to) { Guarded([=, this] { ItemsGridRowMoved(from, to); }); };
    ItemsGrid->OnAfterRightClick = [this](QObject*, int field) {
        Guarded([=, this] { ItemsGridAfterRightClick(field); });
    };
    ItemsGrid->OnMouseDown = [this](QObject*, TMouseButton button, TShiftState, int X, int Y) {
        Guarded([=, this] { ItemsGridMouseDown(button, X, Y); });
    };
    ItemsGrid->OnKeyDown = [this](QObject*, int& key, TShiftState) {
        Guarded([this, &key] { GridKeyDown(ItemsGrid, key); });
    };
    AncillsGrid->OnDoSetData = [this](QObject*, int c, int r) {
        Guarded([=, this] {
            AncillsGridDoSetData(c, r);
            FitGridColumns(AncillsGrid, r, r);
            FitGridColumns(ItemsGrid, ItemsGrid->Row(), ItemsGrid->Row());
        });
    };
    for (TLimitedGrid* grid : {static_cast<TLimitedGrid*>(ItemsGrid), static_cast<TLimitedGrid*>(AncillsGrid)}) {
        grid->OnTextCut = [this, grid](int col, int limit) {
            StatusBar1->showMessage(TextCutText(grid->Cells(col, 0), limit), RefusalShownMs);
        };
        // The grid has beeped: the status bar says why.
        grid->OnEditRefused = [this](QObject*, int c, int, TEntryCheck why) {
            Guarded([=, this] { ShowRefusal(c, EntryCheckText(why)); });
        };
    }
    AncillsGrid->OnMouseDown = [this](QObject*, TMouseButton button, TShiftState, int X, int Y) {
        Guarded([=, this] { AncillsGridMouseDown(button, X, Y); });
    };
    AncillsGrid->OnKeyDown = [this](QObject*, int& key, TShiftState) {
        Guarded([this, &key] { GridKeyDown(AncillsGrid, key); });
    };
}

TEmailForm* TProjectForm::EmailForm()
{
    if (!FEmailForm)
        FEmailForm = new TEmailForm(this);
    return FEmailForm;
}

// ---------------------------------------------------------------------------
// Creation and closing

void TProjectForm::FormCreate()
{
    SetFileName(QString());
    SetModified(false);
    for (TFileDialogRequest* dialog : {&OpenDialog1, &SaveDialog1}) {
        dialog->InitialDir = UserDataDir;
        dialog->FileName.clear();
    }
    SetupGrids();
    LoadColWidths();
    Project = std::make_unique<TProject>();
    ProjectToForm();
}

void TProjectForm::closeEvent(QCloseEvent* e)
{
    Guarded([this] { FormCloseQuery(); });
    e->accept();
    Guarded([this] { FormClose(); });
}

void TProjectForm::FormCloseQuery()
{
    // The project stays in memory for the next showing: nothing to ask.
    CommitActiveEdit();
}

void TProjectForm::FormClose()
{
    SaveColWidths();
}

void TProjectForm::CloseBtnClick()
{
    close();
}

bool TProjectForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ModeLabel && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && ModeLabel->rect().contains(mouse->position().toPoint())) {
            Guarded([this] { ModeLabelClick(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TProjectForm::LoadColWidths()
{
    LoadFormPlacementReg(this, false, true);
    const TRegistryIniFile reg(GetAppRegKey());
    const auto restore = [&](TxColGrid* grid, const QString& key) {
        for (int i = 1; i < grid->ColCount(); ++i)
            grid->SetColWidths(i, KeepColumnWidth(reg.ReadInteger(FormSection, key + IntToStr(i), grid->ColWidths(i)),
                                                  PrimaryScreenSize()));
    };
    restore(ItemsGrid, QStringLiteral("ColWidths"));
    restore(AncillsGrid, QStringLiteral("AncillsColWidths"));
}

void TProjectForm::SaveColWidths()
{
    // One save with the window's place, whose failure is said once a run.
    SaveFormPlacementReg(this, [this](TCustomIniFile& reg) {
        for (int i = 1; i < ItemsGrid->ColCount(); ++i)
            reg.WriteInteger(FormSection, QStringLiteral("ColWidths") + IntToStr(i), ItemsGrid->ColWidths(i));
        for (int i = 1; i < AncillsGrid->ColCount(); ++i)
            reg.WriteInteger(FormSection, QStringLiteral("AncillsColWidths") + IntToStr(i), AncillsGrid->ColWidths(i));
        reg.WriteString(QStringLiteral("Project"), QStringLiteral("FileName"), FileName);
    });
}

// ---------------------------------------------------------------------------
// State and header

void TProjectForm::SetModified(bool value)
{
    Modified = value;
    if (value)
        StatusPanel0->setText(QStringLiteral("File modified"));
    else // a project that never had a file has not been saved either
        StatusPanel0->setText(FileName.isEmpty() ? QString() : QStringLiteral("File saved"));
}

void TProjectForm::SetFileName(const QString& name)
{
    FileName = name;
    StatusPanel1->setText(name);
}

void TProjectForm::FormToProject()
{
    Project->ProjectName = edProjectName->text();
    Project->Attention = edAttention->text();
    Project->Contractor = edContractor->text();
    Project->QuoteNo = edQuoteNo->text();
    Project->Revision = edRevision->text();
    Project->Date.setDate(edDate->date());
    Project->Notes = MemoLines(NotesMemo->toPlainText());
}

void TProjectForm::ProjectToForm()
{
    ++FFilling;
    try {
        edProjectName->setText(Project->ProjectName);
        edAttention->setText(Project->Attention);
        edContractor->setText(Project->Contractor);
        edQuoteNo->setText(Project->QuoteNo);
        edRevision->setText(Project->Revision);
        edDate->setDate(Project->Date.date());
        // An empty last line needs its own break, which MemoLines drops again.
        QString notes = Project->Notes.join(QLatin1Char('\n'));
        if (!Project->Notes.isEmpty() && Project->Notes.last().isEmpty())
            notes += QLatin1Char('\n');
        NotesMemo->setPlainText(notes);
        ShowTotals();
        RefillItemsGrid();
        ItemsGrid->SetCol(icQty);
    } catch (...) {
        --FFilling;
        throw;
    }
    --FFilling;
}

void TProjectForm::edFieldExit(QObject* sender)
{
    auto* edit = qobject_cast<TxCustomEdit*>(sender);
    if (edit && edit->isModified())
        SetModified(true);
}

void TProjectForm::edDateChange()
{
    // The date is part of the file: a new one is a change like any other.
    if (FFilling == 0)
        SetModified(true);
}

void TProjectForm::LimitNotes(int position, int added)
{
    // What the memo holds becomes the project's notes, their lines joined
    // by one break: what was added beyond their bound is taken back.
    const int length = static_cast<int>(NotesMemo->toPlainText().size());
    const int excess = length - MaxProjectNotes;
    // The change may count the end of the last line too.
    const int end = std::min(position + added, length);
    if (excess <= 0 || end <= position)
        return;
    QTextCursor cursor(NotesMemo->document());
    int start = end - std::min(excess, end - position);
    // Never half a surrogate pair.
    if (start > position && NotesMemo->document()->characterAt(start).isLowSurrogate())
        --start;
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    Messages().Beep();
    StatusBar1->showMessage(Format("Notes hold at most %d characters", MaxProjectNotes), RefusalShownMs);
}

void TProjectForm::NotesMemoChange()
{
    if (FFilling > 0)
        return;
    LimitNotes(FNotesAddedAt, std::exchange(FNotesAdded, 0));
    SetModified(true);
}

void TProjectForm::CommitActiveEdit()
{
    StoreGridEdits();
    // The window's own active control, also while another window is active.
    if (auto* edit = qobject_cast<TFmtEdit*>(focusWidget()))
        edit->CommitEdit();
}

void TProjectForm::StoreGridEdits()
{
    // A cell being stored may refill rows, which comes back here.
    if (FStoringEdit > 0)
        return;
    const TCounterScope storing(FStoringEdit);
    // The ancillaries belong to the current item, which the items grid's
    // edit may change: theirs first.
    for (TxColGrid* grid : {AncillsGrid, ItemsGrid})
        grid->SetEditorMode(false);
}

// ---------------------------------------------------------------------------
// Files

bool TProjectForm::QueryUnsaved()
{
    if (!Modified)
        return true;
    switch (Messages().Confirm(FileName + QLatin1Char('\r') + QStringLiteral("File not saved. Save now?"), true)) {
    case TMsgAnswer::Cancel:
        return false;
    case TMsgAnswer::No:
        return true;
    case TMsgAnswer::Yes:
        break;
    }
    // Unless the file was written the command stops: the changes stay.
    if (!FileName.isEmpty())
        return SaveProject(FileName);
    return RunSaveDialog();
}

void TProjectForm::NewBtnClick()
{
    CommitActiveEdit();
    if (QueryUnsaved())
        NewProject();
}

void TProjectForm::NewProject()
{
    Project->New();
    ProjectToForm();
    SetFileName(QString());
    SetModified(false);
    // The next save must not propose the old project's file.
    SaveDialog1.FileName.clear();
}

void TProjectForm::ResetCurrentFolder()
{
    if (!ExeDir.isEmpty())
        QDir::setCurrent(ExeDir);
}

void TProjectForm::OpenBtnClick()
{
    CommitActiveEdit();
    if (!QueryUnsaved())
        return;
    QString name;
    if (FileDialogs().Execute(this, OpenDialog1, name)) {
        name = WithDefaultExt(name, OpenDialog1.DefaultExt);
        OpenDialog1.FileName = name;
        // A file that could not be read is nothing Save should propose.
        if (LoadProject(name)) {
            SaveDialog1.InitialDir = QFileInfo(name).absolutePath();
            SaveDialog1.FileName = name;
        }
    }
    ResetCurrentFolder();
}

bool TProjectForm::LoadProject(const QString& name)
{
    auto loaded = std::make_unique<TProject>();
    if (!loaded->LoadFromFile(name))
        return false;
    Project = std::move(loaded);
    ProjectToForm();
    if (edQuoteNo->text().isEmpty())
        edQuoteNo->setText(FileNameOnly(name));
    SetFileName(name);
    SetModified(false);
    return true;
}

void TProjectForm::SaveBtnClick()
{
    CommitActiveEdit();
    RunSaveDialog();
}

bool TProjectForm::RunSaveDialog()
{
    if (!edQuoteNo->text().isEmpty() || SaveDialog1.FileName.isEmpty())
        SaveDialog1.FileName = AddBackslash(SaveDialog1.InitialDir) +
                               SafeFileName(edQuoteNo->text(), QStringLiteral("Project")) + QLatin1Char('.') +
                               SaveDialog1.DefaultExt;
    QString name;
    bool saved = false;
    if (FileDialogs().Execute(this, SaveDialog1, name)) {
        name = WithDefaultExt(name, SaveDialog1.DefaultExt);
        SaveDialog1.FileName = name;
        saved = SaveProject(name);
        if (saved) {
            OpenDialog1.InitialDir = QFileInfo(name).absolutePath();
            OpenDialog1.FileName = name;
        }
    }
    ResetCurrentFolder();
    return saved;
}

bool TProjectForm::SaveProject(const QString& name)
{
    FormToProject();
    if (!Project->SaveToFile(name))
        return false;
    SetFileName(name);
    SetModified(false);
    return true;
}

// ---------------------------------------------------------------------------
// Documents and enquiry

QString TProjectForm::VersionText() const
{
    return FHost ? FHost->ProductVersionText() : GetProductVersionText(QString());
}

void TProjectForm::ReportBtnClick()
{
    CommitActiveEdit();
    FormToProject();
    ShowQuotation(*Project, VersionText(), UserDataDir);
}

void TProjectForm::ScheduleBtnClick()
{
    CommitActiveEdit();
    FormToProject();
    ShowSchedule(*Project, VersionText(), UserDataDir);
}

void TProjectForm::EnquiryBtnClick()
{
    CommitActiveEdit();
    FormToProject();
    if (Modified) {
        // Never attach a file older than what is on screen.
        const bool saved = FileName.isEmpty() ? RunSaveDialog() : SaveProject(FileName);
        if (!saved)
            return;
    }
    if (FileName.isEmpty() || !QFileInfo(FileName).isFile()) {
        Messages().ShowMessage(QStringLiteral("No project file found to attach to quote request"));
        return;
    }
    const QString body = EnquiryBody(QDir::current().absoluteFilePath(QStringLiteral("terms.txt")));
    TEmailForm* mail = EmailForm();
    mail->SetupMessage(FHost ? FHost->EnquiryAddress() : QString(), QString(), QStringLiteral("Enquiry"),
                       QStringList{FileName}, body, RegOwner, RegOrganization, ContactEmail);
    if (mail->exec() != QDialog::Accepted)
        return;
    if (FHost)
        FHost->SetEnquiryAddress(mail->Mapi->Recipients().join(QStringLiteral(", ")));
    ContactEmail = mail->FromAddressEd->text();
}

// ---------------------------------------------------------------------------
// Items

void TProjectForm::AddSelection(const TSpecificationRec& spec, const TSelectionRec& sel)
{
    // A cell being typed belongs to the item it was typed on.
    CommitActiveEdit();
    if (const QString why = Project->NewItemRefusal(); !why.isEmpty()) {
        Messages().ShowMessage(why + QStringLiteral(": the selection was not added."));
        return;
    }
    const bool append = ModeLabel->text().compare(QString::fromLatin1(AppendModeCaption), Qt::CaseInsensitive) == 0;
    Project->InsertItem(spec, sel, append ? -1 : ItemsGrid->Row() - 1);
    RefillItemsGrid();
    ShowTotals();
    SetModified(true);
}

void TProjectForm::ClearRows(TxColGrid* grid, int first)
{
    for (int r = first; r < grid->RowCount(); ++r)
        for (int c = 0; c < grid->ColCount(); ++c)
            grid->SetCells(c, r, QString());
}

void TProjectForm::FillItemRow(int row)
{
    if (row < 1 || row > Project->ItemCount())
        return;
    const TProjectItem& item = Project->Item(row - 1);
    ItemsGrid->SetCellValue(icDescription, row, item.Description);
    ItemsGrid->SetCellValue(icQty, row, static_cast<double>(item.Qty));
    ItemsGrid->SetCellValue(icModel, row, item.Sel.model.Text());
    ItemsGrid->SetCellValue(icWidDiam, row, item.Sel.widdiam);
    // The silencer's own height, as its detail and the quotation give it; a
    // round one has none.
    if (item.Sel.shape == 0)
        ItemsGrid->SetCells(icHeight, row, QString());
    else
        ItemsGrid->SetCellValue(icHeight, row, item.Sel.height);
    ItemsGrid->SetCellValue(icLength, row, item.Sel.length);
    ItemsGrid->SetCellValue(icAirflow, row, item.Spec.airflow);
    ItemsGrid->SetCellValue(icDP, row, item.Sel.dp);
    ShowPrice(ItemsGrid, icPrice, row, item.Price);
    ItemsGrid->SetCellValue(icAncillary, row, item.AncillaryTotal);
    ItemsGrid->SetCellValue(icTotal, row, item.Total);
    if (FRefilling == 0)
        FitGridColumns(ItemsGrid, row, row);
}

void TProjectForm::RefillItemsGrid()
{
    StoreGridEdits();
    const int remembered = ItemsGrid->Row();
    // Rows cut off take their cells with them, and each item's row is
    // written whole: only the empty row is left to empty.
    const int n = Project->ItemCount();
    ItemsGrid->SetRowCount(n + 2);
    ClearRows(ItemsGrid, n + 1);
    {
        // The rows are measured together once they are filled.
        const TCounterScope refilling(FRefilling);
        for (int r = 1; r <= n; ++r)
            FillItemRow(r);
    }
    FitGridColumns(ItemsGrid, 1, n);
    ItemsGrid->SetRow(1);
    if (remembered >= 1 && remembered < ItemsGrid->RowCount())
        ItemsGrid->SetRow(remembered);
    ShowItemDetail(ItemsGrid->Row() - 1);
    ShowTotals();
}

void TProjectForm::FitGridColumns(TxColGrid* grid, int firstRow, int lastRow)
{
    if (grid == ItemsGrid) {
        const QFontMetrics nameLine(ItemsGrid->font());
        const QFontMetrics unitLine(UnitLineFont(ItemsGrid->font()));
        FitColumns(ItemsGrid, firstRow, lastRow, FMaxFitWidth, [&](const QString& text) {
            const TCaptionLines caption = SplitCaption(text);
            return std::max(nameLine.horizontalAdvance(caption.Name), unitLine.horizontalAdvance(caption.Unit)) +
                   CaptionTextInset + CellTextInset;
        });
    } else {
        const QFontMetrics fm(grid->font());
        FitColumns(grid, firstRow, lastRow, FMaxFitWidth,
                   [&](const QString& text) { return fm.horizontalAdvance(text) + 2 * CellTextInset; });
    }
}

void TProjectForm::SetEmptyAncillaryRow(int row)
{
    AncillsGrid->SetCellValue(acName, row, QString());
    AncillsGrid->SetCellValue(acQty, row, 0.0);
    AncillsGrid->SetCellValue(acPrice, row, 0.0);
    AncillsGrid->SetCellValue(acTotal, row, 0.0);
}

void TProjectForm::ShowItemDetail(int index)
{
    StoreGridEdits();
    syn->clear();
    ClearRows(AncillsGrid);
    AncillsGrid->SetRowCount(2);
    if (index < 0 || index >= Project->ItemCount())
        return;
    const TProjectItem& item = Project->Item(index);
    syn->setPlainText(ItemDetailLines(item).join(QLatin1Char('\n')));

    const int m = static_cast<int>(item.Ancillaries.size());
    AncillsGrid->SetRowCount(m + 2);
    for (int r = 1; r <= m; ++r) {
        const TAncillRec& line = item.Ancillaries[static_cast<size_t>(r - 1)];
        AncillsGrid->SetCellValue(acName, r, line.Name);
        AncillsGrid->SetCellValue(acQty, r, static_cast<double>(line.Qty));
        ShowPrice(AncillsGrid, acPrice, r, line.Price);
        AncillsGrid->SetCellValue(acTotal, r, line.Total);
    }
    SetEmptyAncillaryRow(m + 1);
    FitGridColumns(AncillsGrid, 0, m + 1);
}

void TProjectForm::ShowTotals()
{
    edSubTotal->SetValue(Project->SubTotal);
    edVATTotal->SetValue(Project->VAT);
    edTotal->SetValue(Project->Total);
}

void TProjectForm::AddBlankItem()
{
    Project->InsertItem(TSpecificationRec(), TSelectionRec(), -1);
}

void TProjectForm::ItemsGridDoSetData(int ACol, int ARow)
{
    const TCounterScope storing(FStoringEdit);
    const int n = Project->ItemCount();
    if (ARow < 1 || ARow > n + 1)
        return;
    // Read before the row is filled: the value typed, not its shown text.
    const QVariant value = ItemsGrid->GetCellValue(ACol, ARow);
    if (const QString why = ARow > n ? Project->NewItemRefusal() : QString(); !why.isEmpty()) {
        // The empty row stays empty.
        ItemsGrid->SetCells(ACol, ARow, QString());
        RefuseRow(why);
        return;
    }
    if (ARow == ItemsGrid->RowCount() - 1) {
        if (ARow > n) {
            const QString kept = ItemsGrid->Cells(ACol, ARow);
            AddBlankItem();
            FillItemRow(ARow);
            ItemsGrid->SetCells(ACol, ARow, kept);
            ShowItemDetail(ARow - 1);
            ShowTotals();
        }
        ItemsGrid->SetRowCount(ItemsGrid->RowCount() + 1);
    }

    TProjectItem& item = Project->Item(ARow - 1);
    switch (ACol) {
    case icDescription:
        item.Description = ItemsGrid->Cells(ACol, ARow);
        break;
    case icQty: {
        int qty = 0;
        QString refused = QuantityError(value, qty);
        if (refused.isEmpty() && !Project->ItemFits(ARow - 1, qty, item.Price))
            refused = TotalsTooLarge;
        if (!refused.isEmpty()) {
            // The row keeps showing what the item holds.
            Messages().Beep();
            ShowRefusal(ACol, refused);
            FillItemRow(ARow);
            return;
        }
        item.Qty = qty;
        ItemsGrid->SetCellValue(icQty, ARow, static_cast<double>(qty));
        break;
    }
    case icModel:
        item.Sel.model = ItemsGrid->Cells(ACol, ARow);
        break;
    case icPrice: {
        double price = 0.0;
        QString refused = PriceError(value, price);
        if (refused.isEmpty() && !Project->ItemFits(ARow - 1, item.Qty, price))
            refused = TotalsTooLarge;
        if (!refused.isEmpty()) {
            Messages().Beep();
            ShowRefusal(ACol, refused);
            FillItemRow(ARow);
            return;
        }
        item.Price = price;
        ShowPrice(ItemsGrid, icPrice, ARow, price);
        break;
    }
    default:
        break;
    }
    if (ACol == icQty || ACol == icPrice) {
        item.CalcTotal();
        ItemsGrid->SetCellValue(icTotal, ARow, item.Total);
        Project->CalcTotals();
        ShowTotals();
    }
    SetModified(true);
}

void TProjectForm::AncillsGridDoSetData(int ACol, int ARow)
{
    const TCounterScope storing(FStoringEdit);
    const int itemRow = ItemsGrid->Row();
    if (itemRow < 1 || itemRow > Project->ItemCount())
        return;
    TProjectItem& item = Project->Item(itemRow - 1);
    const int m = static_cast<int>(item.Ancillaries.size());
    if (ARow < 1 || ARow > m + 1)
        return;
    if (const QString why = ARow > m ? Project->NewAncillaryRefusal(itemRow - 1) : QString(); !why.isEmpty()) {
        SetEmptyAncillaryRow(ARow);
        RefuseRow(why);
        return;
    }

    const QVariant value = AncillsGrid->GetCellValue(ACol, ARow);
    int qty = 0;
    double price = 0.0;
    QString refused = ACol == acQty     ? QuantityError(value, qty)
                      : ACol == acPrice ? PriceError(value, price)
                                        : QString();
    if (refused.isEmpty() && (ACol == acQty || ACol == acPrice)) {
        // A new line has 0 in the cell not yet filled.
        const TAncillRec line = ARow <= m ? item.Ancillaries[static_cast<size_t>(ARow - 1)] : TAncillRec{};
        if (!Project->AncillaryFits(itemRow - 1, ARow - 1, ACol == acQty ? qty : line.Qty,
                                    ACol == acPrice ? price : line.Price))
            refused = TotalsTooLarge;
    }
    if (!refused.isEmpty()) {
        // No number, or one that puts a total out of range: the cell shows
        // the line's value again.
        Messages().Beep();
        ShowRefusal(ACol, refused);
        if (ARow > m) {
            AncillsGrid->SetCellValue(ACol, ARow, 0.0);
            return;
        }
        const TAncillRec& line = item.Ancillaries[static_cast<size_t>(ARow - 1)];
        if (ACol == acQty)
            AncillsGrid->SetCellValue(ACol, ARow, static_cast<double>(line.Qty));
        else
            ShowPrice(AncillsGrid, ACol, ARow, line.Price);
        return;
    }

    if (ARow == m + 1) {
        int newQty = 0;
        double newPrice = 0.0;
        CheckCellWholeNumber(AncillsGrid->GetCellValue(acQty, ARow), newQty);
        CheckValueNumber(AncillsGrid->GetCellValue(acPrice, ARow), newPrice, true);
        item.AddAncillary(AncillsGrid->Cells(acName, ARow), newQty, newPrice);
        AncillsGrid->SetRowCount(AncillsGrid->RowCount() + 1);
        SetEmptyAncillaryRow(AncillsGrid->RowCount() - 1);
    }

    TAncillRec& line = item.Ancillaries[static_cast<size_t>(ARow - 1)];
    switch (ACol) {
    case acName:
        line.Name = AncillsGrid->Cells(ACol, ARow);
        break;
    case acQty:
        line.Qty = qty;
        AncillsGrid->SetCellValue(acQty, ARow, static_cast<double>(qty));
        break;
    case acPrice:
        line.Price = price;
        ShowPrice(AncillsGrid, acPrice, ARow, price);
        break;
    default:
        break;
    }
    if (ACol == acQty || ACol == acPrice) {
        item.CalcAncillaryTotal();
        item.CalcTotal();
        Project->CalcTotals();
        AncillsGrid->SetCellValue(acTotal, ARow, line.Total);
        ItemsGrid->SetCellValue(icAncillary, itemRow, item.AncillaryTotal);
        ItemsGrid->SetCellValue(icTotal, itemRow, item.Total);
        ShowTotals();
    }
    SetModified(true);
}

void TProjectForm::ShowRefusal(int ACol, const QString& why)
{
    // Quantity and price share their column in both grids.
    static_assert(int(icQty) == int(acQty));
    StatusBar1->showMessage((ACol == icQty ? QStringLiteral("Quantity") : QStringLiteral("Price")) +
                                QStringLiteral(" refused: ") + why,
                            RefusalShownMs);
}

void TProjectForm::RefuseRow(const QString& why)
{
    Messages().Beep();
    StatusBar1->showMessage(why, RefusalShownMs);
}

void TProjectForm::ItemsGridSelectCell(int, int ARow)
{
    // Also when the row moves without the focus (the wheel), ShowItemDetail
    // first stores what is being typed into the item it was typed for.
    if (ARow != ItemsGrid->Row())
        ShowItemDetail(ARow - 1);
}

void TProjectForm::ItemsGridRowMoved(int fromIndex, int toIndex)
{
    const int n = Project->ItemCount();
    if (const QString why = fromIndex > n || toIndex > n ? Project->NewItemRefusal() : QString(); !why.isEmpty()) {
        // The rows go back to what the project holds.
        RefillItemsGrid();
        RefuseRow(why);
        return;
    }
    if (fromIndex > n || toIndex > n) {
        // The empty row took part: it becomes an item so that every row
        // involved has one.
        AddBlankItem();
        Project->MoveItem(fromIndex - 1, toIndex - 1);
        FillItemRow(fromIndex);
        FillItemRow(toIndex);
        // The current row may hold the new item, and its cost counts.
        ShowItemDetail(ItemsGrid->Row() - 1);
        ShowTotals();
    } else {
        Project->MoveItem(fromIndex - 1, toIndex - 1);
    }
    SetModified(true);
}

void TProjectForm::ItemsGridAfterRightClick(int field)
{
    const QString name = UnitCaptionName(field);
    if (name.isEmpty())
        return;
    ItemsGrid->SetCells(field, 0,
                        name + QStringLiteral(", ") +
                            GetUnitsLabel(ItemsGrid->GetUnitsType(field), ItemsGrid->GetUnitsValue(field)));
    FitGridColumns(ItemsGrid, 0, ItemsGrid->RowCount() - 1);
}

void TProjectForm::ItemsGridDrawCell(int ACol, int ARow, const TPixelRect& rect)
{
    if (ARow != 0)
        return;
    QPainter* canvas = ItemsGrid->Canvas();
    if (!canvas)
        return;
    canvas->save();
    const QRect r = ToQRect(rect);
    canvas->fillRect(r, canvas->brush());
    canvas->setClipRect(r, Qt::IntersectClip);
    canvas->setFont(ItemsGrid->font());
    canvas->setPen(ItemsGrid->palette().color(QPalette::ButtonText));
    const TCaptionLines caption = SplitCaption(ItemsGrid->Cells(ACol, ARow));
    canvas->drawText(QPoint(rect.Left + CaptionTextInset, rect.Top + 1 + canvas->fontMetrics().ascent()), caption.Name);
    if (caption.HasUnit) {
        canvas->setFont(UnitLineFont(canvas->font()));
        canvas->setPen(QColor(128, 0, 0));
        const QFontMetrics metrics = canvas->fontMetrics();
        const int top = rect.Bottom - 1 - metrics.height();
        canvas->drawText(QPoint(rect.Left + CaptionTextInset, top + metrics.ascent()), caption.Unit);
    }
    canvas->restore();
}

void TProjectForm::PopupAt(TxColGrid* grid, int X, int Y, bool itemsOnly)
{
    int col = -1;
    int row = -1;
    grid->MouseToCell(X, Y, col, row);
    if (row < 1 || (itemsOnly && row > Project->ItemCount()))
        return;
    if (col >= grid->FixedCols() && col < grid->ColCount())
        grid->FocusCell(col, row, true);
    else
        grid->SetRow(row);
    GridPopup->popup(QCursor::pos());
}

void TProjectForm::ItemsGridMouseDown(TMouseButton button, int X, int Y)
{
    if (button == mbRight)
        PopupAt(ItemsGrid, X, Y, true);
}

void TProjectForm::AncillsGridMouseDown(TMouseButton button, int X, int Y)
{
    if (button == mbRight)
        PopupAt(AncillsGrid, X, Y, false);
}

void TProjectForm::GridKeyDown(TxColGrid* grid, int& key)
{
    if (key == VK_DELETE && !grid->EditorMode()) {
        Delete1Click();
        key = 0;
    }
}

void TProjectForm::Delete1Click()
{
    const int n = Project->ItemCount();
    const int itemRow = ItemsGrid->Row();
    if (ItemsGrid->IsActiveControl()) {
        if (n == 0 || itemRow < 1 || itemRow > n)
            return;
        if (Messages().Confirm(
                QStringLiteral("Delete item ") + ItemsGrid->Cells(icDescription, itemRow) + QLatin1Char('?'), false) !=
            TMsgAnswer::Yes)
            return;
        Project->DeleteItem(itemRow - 1);
        RefillItemsGrid();
        ShowTotals();
        SetModified(true);
    } else if (AncillsGrid->IsActiveControl()) {
        const int row = AncillsGrid->Row();
        if (row < 1 || row >= AncillsGrid->RowCount() - 1)
            return;
        if (Messages().Confirm(QStringLiteral("Delete ancillary ") + AncillsGrid->Cells(acName, row) + QLatin1Char('?'),
                               false) != TMsgAnswer::Yes)
            return;
        try {
            Project->DeleteItemAncillary(itemRow - 1, row - 1);
        } catch (const Exception&) {
            // The rows below show what the project holds either way.
        }
        FillItemRow(itemRow);
        ShowItemDetail(itemRow - 1);
        ShowTotals();
        SetModified(true);
    }
}

void TProjectForm::ModeLabelClick()
{
    const bool append = ModeLabel->text().compare(QString::fromLatin1(AppendModeCaption), Qt::CaseInsensitive) == 0;
    ModeLabel->setText(QString::fromLatin1(append ? InsertModeCaption : AppendModeCaption));
}
