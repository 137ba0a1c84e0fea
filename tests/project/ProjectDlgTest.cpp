#include "ProjectDlg.h"

#include "FlatPageControl.h"
#include "MapiControl.h"
#include "TxApplicationPath.h"
#include "TxColGrids.h"
#include "TxConv.h"
#include "TxDesignScale.h"
#include "TxEmailDlg.h"
#include "TxFileDialogs.h"
#include "TxFmtEdit.h"
#include "TxFormat.h"
#include "TxIniHighlighter.h"
#include "TxPlacement.h"
#include "TxPlatform.h"
#include "TxRegistry.h"
#include "TxSysUtils.h"
#include "TxUnitsForm.h"
#include "UnitsManager.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <sys/stat.h>

namespace {

const QString CrLf = "\r\n";

TSpecificationRec Duty(double airflow = 2.8, double height = 0.5)
{
    TSpecificationRec s;
    s.airflow = airflow;
    s.maxdP = 80;
    s.width = 0.9;
    s.height = height;
    s.diameter = 0.6;
    s.atten = {9, 10, 15, 45, 50, 50, 45, 20};
    return s;
}

TSelectionRec Silencer(const QString& model, uint8_t shape = 1, double widdiam = 0.9)
{
    TSelectionRec s;
    s.prefix = "TCR";
    s.model = model;
    s.rangedesc = "Rectangular splitter";
    s.size = "900x500";
    s.shape = shape;
    s.widdiam = widdiam;
    s.height = 0.5;
    s.length = 1.2;
    s.atten = {10, 12, 20, 48, 55, 52, 47, 30};
    s.regen = {40, 38, 35, 30, 28, 25, 20, 15};
    s.dp = 55;
    s.db = 37.25;
    s.vp = 6.2;
    return s;
}

class THost : public IProjectHost {
public:
    QString EnquiryAddress() const override { return Address; }
    void SetEnquiryAddress(const QString& address) override { Address = address; }
    QString ProductVersionText() const override { return "Vozudarizazi 9.8.7.6"; }
    QString Address = "sales@maker.example";
};

// Each test gets its own folders, registry store and recording services.
class ProjectWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetRegistryFileName(Dir.File("registry.conf"));
        QDir().mkpath(Dir.File("program"));
        QDir().mkpath(Dir.File("docs"));
        ExeDir = Dir.File("program") + "/";
        UserDataDir = Dir.File("docs") + "/";
        InitProjectSettings(Dir.File("none.ini"), Dir.File("none-ancillaries.ini"));
        CreateUnitsManager(Dir.File("units.ini"));
    }
    void TearDown() override
    {
        Form.reset();
        FreeUnitsManager();
        ExeDir = FOldExeDir;
        UserDataDir = FOldUserDataDir;
        ContactEmail = FOldContactEmail;
        QDir::setCurrent(FOldCurrent);
        SetRegistryFileName(QString());
    }

    TProjectForm& Open()
    {
        Form = std::make_unique<TProjectForm>();
        Form->SetHost(&Host);
        Form->show();
        Form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(Form.get()));
        return *Form;
    }

    // Types `text` into a cell and ends the edit with Enter.
    static void Type(TxColGrid* grid, int col, int row, const QString& text)
    {
        grid->setFocus();
        grid->FocusCell(col, row, true);
        for (QChar c : text)
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    // Pastes `text` into a cell's editor, which opens with its text selected,
    // and ends the edit with Enter.
    static void Paste(TxColGrid* grid, int col, int row, const QString& text)
    {
        QApplication::clipboard()->setText(text);
        grid->setFocus();
        grid->FocusCell(col, row, true);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keySequence(QApplication::focusWidget(), QKeySequence::Paste);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    void Add(const QString& model, int count = 1)
    {
        for (int i = 0; i < count; ++i)
            Form->AddSelection(Duty(), Silencer(count == 1 ? model : model + QString::number(i + 1)));
    }
    QStringList Models() const
    {
        QStringList models;
        for (int i = 0; i < Form->Project->ItemCount(); ++i)
            models << Form->Project->Item(i).Sel.model.Text();
        return models;
    }
    QString Total(TFmtEdit* edit) const { return edit->text().trimmed(); }
    // One notch of the wheel over a grid's cell (up for a positive delta).
    static void Wheel(TxColGrid* grid, int col, int row, int delta)
    {
        const QPointF pos = ToQRect(grid->CellRect(col, row)).center();
        QWheelEvent e(pos, grid->viewport()->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid->viewport(), &e);
    }

    TTempFolder Dir;
    THost Host;
    TRecordingMessageService Msgs;
    TScopedMessageService MsgScope{Msgs};
    TRecordingFileDialogService Dialogs;
    TScopedFileDialogService DialogScope{Dialogs};
    TRecordingDocumentOpener Opened;
    TScopedDocumentOpener OpenScope{Opened};
    TRecordingMailTransport Mail;
    TScopedMailTransport MailScope{Mail};
    std::unique_ptr<TProjectForm> Form;

private:
    QString FOldExeDir = ExeDir;
    QString FOldUserDataDir = UserDataDir;
    QString FOldContactEmail = ContactEmail;
    QString FOldCurrent = QDir::currentPath();
};

} // namespace

// --- Helpers without a window ---

TEST(ProjectWindowHelpers, EnquiryBodyEndsWithTheTermsFileOrTheDefaultTerms)
{
    TTempFolder dir;
    const QString head =
        "Dear Sirs" + CrLf + CrLf + "Please provide your best price for the attached project" + CrLf + CrLf + CrLf;
    EXPECT_EQ(EnquiryBody(dir.File("terms.txt")), head + "Price: " + CrLf + "Delivery: " + CrLf +
                                                      "Terms of payment: " + CrLf + "Validity: " + CrLf +
                                                      "Quote subject to standard conditions of sale" + CrLf);
    const QString terms = dir.Write("terms.txt", QByteArray("Net 30 days\r\nEx works\n"));
    EXPECT_EQ(EnquiryBody(terms), head + "Net 30 days" + CrLf + "Ex works" + CrLf);
}

TEST(ProjectWindowHelpers, ItemDetailShowsDutyAndSelectionInTheDisplayUnits)
{
    TTempFolder dir;
    CreateUnitsManager(dir.File("units.ini"));
    TProjectItem rect(Duty(), Silencer("TCR-900"));
    TSelectionRec round = Silencer("CS-600", 0, 0.6);
    round.nmodules = 2;
    round.weight = 41.5;
    TProjectItem circ(Duty(), round);

    const QStringList rectLines = ItemDetailLines(rect);
    EXPECT_EQ(rectLines.mid(0, 6), QStringList({"[Model]", "TCR-900", "Rectangular splitter", "", "[Specification]",
                                                "Volume flow = " + AirflowUnits->FormatWithLabel(" ", 0, 2.8)}));
    EXPECT_TRUE(rectLines.contains("Atten = 9, 10, 15, 45, 50, 50, 45, 20"));
    EXPECT_TRUE(rectLines.contains("Shape = Rectangular"));
    EXPECT_TRUE(rectLines.contains("Width = " + DimensionUnits->FormatWithLabel(" ", 0, 0.9)));
    EXPECT_TRUE(rectLines.contains("Regen = 40, 38, 35, 30, 28, 25, 20, 15"));
    EXPECT_TRUE(rectLines.contains("Static insertion loss = 37.3 dB"));
    EXPECT_EQ(rectLines.last(), "");
    EXPECT_FALSE(rectLines.join('|').contains("No. of modules"));
    EXPECT_FALSE(rectLines.join('|').contains("Weight"));

    const QStringList circLines = ItemDetailLines(circ);
    EXPECT_TRUE(circLines.contains("Shape = Circular"));
    EXPECT_TRUE(circLines.contains("Diameter = " + DimensionUnits->FormatWithLabel(" ", 0, 0.6)));
    EXPECT_TRUE(circLines.contains("No. of modules = 2"));
    EXPECT_TRUE(circLines.contains("Weight = " + MassUnits->FormatWithLabel(" ", 0, 41.5)));
    FreeUnitsManager();
}

TEST(ProjectWindowHelpers, IniColouringMarksSectionsAndKeys)
{
    QPlainTextEdit memo;
    TIniHighlighter highlighter(memo.document());
    memo.setPlainText("[Model]\nModel = TCR\nplain");
    const auto formats = [&](int block) { return memo.document()->findBlockByNumber(block).layout()->formats(); };
    ASSERT_EQ(formats(0).size(), 1);
    EXPECT_EQ(formats(0)[0].format.background().color(), QColor(0, 128, 192));
    EXPECT_EQ(formats(0)[0].format.foreground().color(), QColor(Qt::white));
    ASSERT_EQ(formats(1).size(), 1);
    EXPECT_EQ(formats(1)[0].start, 0);
    EXPECT_EQ(formats(1)[0].length, 6);
    EXPECT_TRUE(formats(2).isEmpty());
}

// --- The window ---

TEST_F(ProjectWindow, ANewWindowShowsCaptionsAndOneEmptyRow)
{
    TProjectForm& f = Open();
    EXPECT_EQ(f.ItemsGrid->RowCount(), 2);
    EXPECT_EQ(f.ItemsGrid->Row(), 1);
    const QStringList captions = {"Wid/Diam, mm", "Height, mm", "Length, mm", "Q, m³/s", "dP, Pa"};
    for (int i = 0; i < captions.size(); ++i)
        EXPECT_EQ(f.ItemsGrid->Cells(4 + i, 0), captions[i]);
    EXPECT_EQ(f.ItemsGrid->Cells(9, 0), CurrencySymbol() + " Item");
    EXPECT_EQ(f.AncillsGrid->RowCount(), 2);
    EXPECT_TRUE(f.syn->toPlainText().isEmpty());
    EXPECT_EQ(f.StatusPanel0->text(), ""); // never saved: says nothing
    EXPECT_FALSE(f.Modified);
    EXPECT_EQ(f.NotesMemo->toPlainText(), "Notes:\nDelivery:\nValidity:");
    EXPECT_EQ(Total(f.edTotal), "R 0.00");
    EXPECT_EQ(f.OpenDialog1.InitialDir, UserDataDir);
}

TEST_F(ProjectWindow, TypingIntoTheEmptyRowCreatesAnItemAndAnotherEmptyRow)
{
    TProjectForm& f = Open();
    Type(f.ItemsGrid, 1, 1, "Plant room");
    ASSERT_EQ(f.Project->ItemCount(), 1);
    const TProjectItem& item = f.Project->Item(0);
    EXPECT_EQ(item.Description, "Plant room");
    EXPECT_EQ(item.Qty, 1);
    EXPECT_EQ(item.Price, 0);
    EXPECT_EQ(item.Ancillaries.size(), DefaultAncillaries().size());
    EXPECT_EQ(f.ItemsGrid->RowCount(), 3);
    EXPECT_EQ(f.ItemsGrid->Cells(1, 1), "Plant room");
    EXPECT_EQ(f.ItemsGrid->Cells(2, 1), "1");
    EXPECT_TRUE(f.syn->toPlainText().startsWith("[Model]"));
    EXPECT_EQ(f.AncillsGrid->Cells(1, 1), "Matching angles");
    EXPECT_EQ(f.StatusPanel0->text(), "File modified");
}

TEST_F(ProjectWindow, QuantityAndPriceSetTheTotalsAndVAT)
{
    TProjectForm& f = Open();
    Add("TCR-900");
    // Money to the cent, halves away on the decimal value; the totals add up
    // what the window shows, the price stays as typed.
    const struct {
        const char *price, *qty;
        QStringList shown; // price, total, sub total, VAT, TOTAL
    } rows[] = {{"100", "3", {"100.00", "300.00", "R 300.00", "R 42.00", "R 342.00"}},
                {"120970.25", "1", {"120970.25", "120970.25", "R 120970.25", "R 16935.84", "R 137906.09"}},
                {"0.145", "3", {"0.15", "0.45", "R 0.45", "R 0.06", "R 0.51"}}};
    for (const auto& r : rows) {
        Type(f.ItemsGrid, 9, 1, r.price);
        Type(f.ItemsGrid, 2, 1, r.qty);
        EXPECT_EQ(f.Project->Item(0).Price, StrToFloat(r.price));
        EXPECT_EQ(QStringList({f.ItemsGrid->Cells(9, 1), f.ItemsGrid->Cells(11, 1), Total(f.edSubTotal),
                               Total(f.edVATTotal), Total(f.edTotal)}),
                  r.shown);
    }
    // The totals are the project's: typed, deleted or pasted keys change none.
    QApplication::clipboard()->setText("9");
    for (TFmtEdit* edit : {f.edSubTotal, f.edVATTotal, f.edTotal}) {
        const QString shown = edit->text();
        QTest::mouseClick(edit, Qt::LeftButton);
        for (const QKeySequence& key : {QKeySequence(Qt::Key_1), QKeySequence(Qt::Key_Backspace),
                                        QKeySequence(Qt::Key_Delete), QKeySequence(QKeySequence::Paste)})
            QTest::keySequence(edit, key);
        EXPECT_EQ(edit->text(), shown);
    }

    // A fraction, like text that is no number, changes nothing: the cell
    // shows the item's again and the status bar says why.
    for (const char* typed : {"2.5", "abc"}) {
        f.ItemsGrid->SetCells(2, 1, typed);
        f.ItemsGridDoSetData(2, 1);
        EXPECT_EQ(f.Project->Item(0).Qty, 3);
        EXPECT_EQ(f.ItemsGrid->Cells(2, 1), "3");
        EXPECT_EQ(f.StatusBar1->currentMessage(),
                  QString("Quantity refused: ") + (typed[0] == '2' ? "not a whole number" : "not a number"));
    }
    EXPECT_EQ(Msgs.Beeps, 2);
}

// A quantity or price that would put a total beyond the largest number is
// refused as text that is no number is: the cell shows the old value again,
// and the status bar says why.
TEST_F(ProjectWindow, EntriesThatWouldOverflowATotalAreRefused)
{
    TProjectForm& f = Open();
    Add("TCR-900", 2);
    f.ItemsGrid->FocusCell(1, 1, true);
    const int m = static_cast<int>(f.Project->Item(0).Ancillaries.size());
    const QString e308 = "1" + QString(308, '0');
    struct Step {
        const char* label;
        bool items;
        int col, row;
        QString text;
        QString refused; // the status bar's reason; empty: accepted
        bool pasted = false; // into the cell's editor; else set and stored
    };
    const QString tooLarge = " refused: the totals would be too large";
    const std::vector<Step> steps{
        {"largest price", true, 9, 1, e308, ""},
        {"quantity", true, 2, 1, "2", "Quantity" + tooLarge},
        {"second item", true, 9, 2, e308, "Price" + tooLarge},
        {"VAT", true, 9, 1, "16" + QString(307, '0'), "Price" + tooLarge},
        {"new ancillary price", false, 3, m + 1, e308, ""},
        {"its quantity", false, 2, m + 1, "1", "Quantity" + tooLarge},
        {"no whole number", true, 2, 2, "3e9", "Quantity refused: out of range"},
        {"no number", true, 9, 2, "abc", "Price refused: not a number"},
        {"pasted, beyond the doubles", true, 9, 2, "1e309", "Price refused: out of range", true},
        {"pasted fraction", false, 2, 1, "2.5", "Quantity refused: not a whole number", true},
        {"pasted, no number", false, 2, 1, "1x", "Quantity refused: not a number", true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.label);
        TxColGrid* grid = s.items ? f.ItemsGrid : f.AncillsGrid;
        const int beeps = Msgs.Beeps;
        const QString before = grid->Cells(s.col, s.row);
        f.StatusBar1->clearMessage();
        if (s.pasted) {
            f.PageControl1->setCurrentIndex(s.items ? 0 : 1);
            Paste(grid, s.col, s.row, s.text);
        } else {
            grid->SetCells(s.col, s.row, s.text);
            if (s.items)
                f.ItemsGridDoSetData(s.col, s.row);
            else
                f.AncillsGridDoSetData(s.col, s.row);
        }
        EXPECT_EQ(Msgs.Beeps, beeps + (s.refused.isEmpty() ? 0 : 1));
        EXPECT_EQ(f.StatusBar1->currentMessage(), s.refused);
        if (!s.refused.isEmpty()) {
            EXPECT_EQ(grid->Cells(s.col, s.row), before);
        }
        EXPECT_TRUE(std::isfinite(f.Project->Total));
        EXPECT_FALSE(Total(f.edTotal).contains("inf"));
    }
    EXPECT_EQ(f.Project->Item(0).Qty, 1);
    EXPECT_EQ(f.Project->Item(0).Price, 1e308);
    EXPECT_EQ(f.Project->Item(1).Qty, 1);
    EXPECT_EQ(f.Project->Item(1).Price, 0);
    EXPECT_EQ(f.Project->Item(0).Ancillaries.back().Qty, 0);
    EXPECT_EQ(f.Project->Item(0).Ancillaries[0].Qty, 0);
}

// Whatever is typed or pasted, the window holds no more than a project file
// may: Open would read every project it saves.
TEST_F(ProjectWindow, AProjectTakesNoMoreThanItsBounds)
{
    TProjectForm& f = Open();
    Add("TCR-900");
    const QString longText = QString(MaxProjectText, 'a') + "bc";
    const auto paste = [](QWidget* widget, const QString& text) {
        QApplication::clipboard()->setText(text);
        widget->setFocus();
        QTest::keySequence(widget, QKeySequence::Paste);
    };
    // A cut is said as the notes say theirs.
    const QString cut = "%1 holds at most %2 characters";
    Paste(f.ItemsGrid, 1, 1, longText);
    EXPECT_EQ(f.StatusBar1->currentMessage(), cut.arg("Description").arg(MaxProjectText));
    Paste(f.ItemsGrid, 3, 1, longText);
    EXPECT_EQ(f.StatusBar1->currentMessage(), cut.arg("Model").arg(decltype(TSelectionRec::model)::MaxLength));
    f.PageControl1->setCurrentIndex(1);
    Paste(f.AncillsGrid, 1, 1, longText);
    for (TFmtEdit* edit : {f.edProjectName, f.edAttention, f.edContractor, f.edQuoteNo, f.edRevision})
        paste(edit, longText);
    EXPECT_EQ(f.StatusBar1->currentMessage(), cut.arg("Revision").arg(MaxProjectText));
    f.StatusBar1->clearMessage();
    QTest::keyClick(f.edRevision, Qt::Key_Z);
    EXPECT_EQ(f.StatusBar1->currentMessage(), cut.arg("Revision").arg(MaxProjectText));
    const TProjectItem& item = f.Project->Item(0);
    EXPECT_EQ(item.Description, longText.left(MaxProjectText));
    EXPECT_EQ(item.Sel.model.Text(), longText.left(decltype(item.Sel.model)::MaxLength));
    EXPECT_EQ(item.Ancillaries[0].Name, longText.left(MaxProjectText));
    f.FormToProject();
    EXPECT_EQ(f.Project->Contractor, longText.left(MaxProjectText));
    EXPECT_EQ(f.Project->Revision, longText.left(MaxProjectText));

    // The notes take back what goes beyond, never half a character.
    f.NotesMemo->clear();
    const QString lines = (QString(99, 'n') + "\n").repeated((MaxProjectNotes - 2) / 100) + QString(98, 'n') + "\n";
    ASSERT_EQ(lines.size(), MaxProjectNotes - 1);
    paste(f.NotesMemo, lines + QString::fromUtf8("\xF0\x9F\x98\x80x"));
    EXPECT_EQ(f.NotesMemo->toPlainText(), lines);
    EXPECT_EQ(f.StatusBar1->currentMessage(), QString("Notes hold at most %1 characters").arg(MaxProjectNotes));
    // Shaped once, not at every blink of the cursor.
    EXPECT_TRUE(f.NotesMemo->document()->lastBlock().layout()->cacheEnabled());
    const int beeps = Msgs.Beeps;
    // One more fits, the next is taken back.
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(f.NotesMemo, Qt::Key_Z);
    EXPECT_EQ(f.NotesMemo->toPlainText().size(), MaxProjectNotes);
    EXPECT_EQ(Msgs.Beeps, beeps + 1);
    const QString saved = Dir.File("bounded.pxf");
    ASSERT_TRUE(f.SaveProject(saved));
    EXPECT_TRUE(f.LoadProject(saved));
    EXPECT_TRUE(f.NotesMemo->document()->firstBlock().layout()->cacheEnabled());

    // No ancillary beyond what an item holds.
    f.Project->Item(0).Ancillaries.resize(MaxItemAncillaries);
    f.ShowItemDetail(0);
    Type(f.AncillsGrid, 2, MaxItemAncillaries + 1, "4");
    EXPECT_EQ(f.Project->Item(0).Ancillaries.size(), size_t(MaxItemAncillaries));
    EXPECT_EQ(f.AncillsGrid->RowCount(), MaxItemAncillaries + 2);
    EXPECT_EQ(f.AncillsGrid->Cells(2, MaxItemAncillaries + 1), "0");
    EXPECT_EQ(f.StatusBar1->currentMessage(), QString("An item holds at most %1 ancillaries").arg(MaxItemAncillaries));
    // Nor beyond what the project holds.
    const QString full = QString("A project holds at most %1 ancillaries").arg(MaxProjectAncillaries);
    f.Project->Item(0).Ancillaries.resize(MaxItemAncillaries - 1);
    f.Project->Items.push_back(std::make_unique<TProjectItem>());
    f.Project->Item(1).Ancillaries.resize(MaxProjectAncillaries - MaxItemAncillaries + 1);
    f.ShowItemDetail(0);
    Type(f.AncillsGrid, 2, MaxItemAncillaries, "4");
    EXPECT_EQ(f.StatusBar1->currentMessage(), full);
    f.Project->Items.pop_back();

    // No item beyond what a project holds, nor one whose default lines
    // would pass the project's: added, typed or moved in.
    f.Project->Item(0).Ancillaries.resize(MaxProjectAncillaries - DefaultAncillaries().size() + 1);
    Msgs.Clear();
    Add("TCR-901");
    EXPECT_EQ(Msgs.Messages, QStringList{full + ": the selection was not added."});
    f.Project->Item(0).Ancillaries.resize(MaxItemAncillaries);
    while (f.Project->ItemCount() < MaxProjectItems)
        f.Project->Items.push_back(std::make_unique<TProjectItem>());
    f.RefillItemsGrid();
    Msgs.Clear();
    Add("TCR-901");
    const QString tooMany = QString("A project holds at most %1 items").arg(MaxProjectItems);
    EXPECT_EQ(Msgs.Messages, QStringList{tooMany + ": the selection was not added."});
    Type(f.ItemsGrid, 1, MaxProjectItems + 1, "One more");
    f.ItemsGrid->MoveRow(MaxProjectItems + 1, 1);
    EXPECT_EQ(Msgs.Beeps, 2);
    EXPECT_EQ(f.StatusBar1->currentMessage(), tooMany);
    EXPECT_EQ(f.Project->ItemCount(), MaxProjectItems);
    EXPECT_EQ(f.ItemsGrid->RowCount(), MaxProjectItems + 2);
    EXPECT_EQ(f.ItemsGrid->Cells(1, MaxProjectItems + 1), "");
    EXPECT_EQ(f.ItemsGrid->Cells(1, 1), longText.left(MaxProjectText));
}

TEST_F(ProjectWindow, AncillaryEditsReachTheItemAndTheTotals)
{
    TProjectForm& f = Open();
    Add("TCR-900");
    f.PageControl1->setCurrentIndex(1);
    const int m = static_cast<int>(DefaultAncillaries().size());

    // Typing a quantity into the empty row adds a line.
    Type(f.AncillsGrid, 2, m + 1, "4");
    ASSERT_EQ(f.Project->Item(0).Ancillaries.size(), static_cast<size_t>(m + 1));
    EXPECT_EQ(f.Project->Item(0).Ancillaries.back().Name, "");
    EXPECT_EQ(f.Project->Item(0).Ancillaries.back().Qty, 4);
    EXPECT_EQ(f.AncillsGrid->RowCount(), m + 3);
    EXPECT_EQ(f.AncillsGrid->Cells(2, m + 2), "0");

    Type(f.AncillsGrid, 3, m + 1, "25");
    Type(f.AncillsGrid, 1, m + 1, "Flanges");
    const TProjectItem& item = f.Project->Item(0);
    EXPECT_EQ(item.Ancillaries.back().Name, "Flanges");
    EXPECT_EQ(item.Ancillaries.back().Total, 100);
    EXPECT_EQ(item.AncillaryTotal, 100);
    EXPECT_EQ(f.AncillsGrid->Cells(4, m + 1), "100.00");
    EXPECT_EQ(f.ItemsGrid->Cells(10, 1), "100.00");
    EXPECT_EQ(f.ItemsGrid->Cells(11, 1), "100.00");
    EXPECT_EQ(Total(f.edTotal), "R 114.00");

    // With the empty item row current an ancillary edit changes nothing.
    f.ItemsGrid->FocusCell(1, 2, true);
    EXPECT_TRUE(f.syn->toPlainText().isEmpty());
    EXPECT_EQ(f.AncillsGrid->RowCount(), 2);
    f.AncillsGrid->SetCells(2, 1, "7");
    f.AncillsGridDoSetData(2, 1);
    EXPECT_EQ(f.Project->Item(0).Ancillaries.size(), static_cast<size_t>(m + 1));
}

TEST_F(ProjectWindow, DeletingItemsAndAncillariesAsks)
{
    struct Case {
        TMsgAnswer answer;
        int itemsLeft;
    };
    for (const Case& c : {Case{TMsgAnswer::No, 2}, Case{TMsgAnswer::Yes, 1}}) {
        Msgs.Clear();
        TProjectForm& f = Open();
        Add("TCR-", 2);
        Type(f.ItemsGrid, 1, 2, "Second");
        f.ItemsGrid->FocusCell(1, 2, true);
        Msgs.Answers = {c.answer};
        QTest::keyClick(f.ItemsGrid, Qt::Key_Delete);
        EXPECT_EQ(Msgs.Questions, QStringList{"Delete item Second?"});
        EXPECT_EQ(f.Project->ItemCount(), c.itemsLeft);
        EXPECT_EQ(f.ItemsGrid->RowCount(), c.itemsLeft + 2);
    }

    // The last remaining item goes: caption row and empty row, row 1 current.
    Msgs.Answers = {TMsgAnswer::Yes};
    Form->ItemsGrid->FocusCell(1, 1, true);
    Form->Delete1Click();
    EXPECT_EQ(Form->Project->ItemCount(), 0);
    EXPECT_EQ(Form->ItemsGrid->RowCount(), 2);
    EXPECT_EQ(Form->ItemsGrid->Row(), 1);
    EXPECT_EQ(Total(Form->edTotal), "R 0.00");

    // An ancillary: its line goes, the totals follow.
    Add("TCR-900");
    TProjectForm& f = *Form;
    f.PageControl1->setCurrentIndex(1);
    Type(f.AncillsGrid, 2, 2, "2");
    Type(f.AncillsGrid, 3, 2, "10");
    EXPECT_DOUBLE_EQ(f.Project->Total, 22.8);
    Msgs.Clear();
    Msgs.Answers = {TMsgAnswer::Yes};
    f.AncillsGrid->FocusCell(1, 2, true);
    QTest::keyClick(f.AncillsGrid, Qt::Key_Delete);
    EXPECT_EQ(Msgs.Questions, QStringList{"Delete ancillary Mounting feet?"});
    EXPECT_EQ(f.Project->Item(0).Ancillaries.size(), DefaultAncillaries().size() - 1);
    EXPECT_EQ(f.AncillsGrid->Cells(1, 2), "Inlet outlet cones");
    EXPECT_EQ(f.ItemsGrid->Cells(11, 1), "0.00");
    EXPECT_EQ(f.Project->Total, 0);
    // The empty row asks nothing.
    Msgs.Clear();
    f.AncillsGrid->FocusCell(1, f.AncillsGrid->RowCount() - 1, true);
    f.Delete1Click();
    EXPECT_TRUE(Msgs.Questions.isEmpty());
}

TEST_F(ProjectWindow, TheRightButtonOpensTheMenuOnItemsAndAncillaryRows)
{
    TProjectForm& f = Open();
    Add("TCR-900");
    const auto pressRight = [](TxColGrid* grid, int col, int row) {
        QTest::mousePress(grid->viewport(), Qt::RightButton, {}, ToQRect(grid->CellRect(col, row)).center());
        QTest::mouseRelease(grid->viewport(), Qt::RightButton, {}, ToQRect(grid->CellRect(col, row)).center());
    };
    pressRight(f.ItemsGrid, 1, 2);
    EXPECT_FALSE(f.GridPopup->isVisible());
    pressRight(f.ItemsGrid, 3, 1);
    EXPECT_TRUE(f.GridPopup->isVisible());
    EXPECT_EQ(f.ItemsGrid->Col(), 3);
    f.GridPopup->hide();

    f.PageControl1->setCurrentIndex(1);
    const int empty = f.AncillsGrid->RowCount() - 1;
    pressRight(f.AncillsGrid, 2, empty);
    EXPECT_TRUE(f.GridPopup->isVisible());
    EXPECT_EQ(f.AncillsGrid->Row(), empty);
    f.GridPopup->actions().first()->trigger();
    f.GridPopup->hide();
    EXPECT_TRUE(Msgs.Questions.isEmpty());
    EXPECT_EQ(f.Project->Item(0).Ancillaries.size(), DefaultAncillaries().size());
}

TEST_F(ProjectWindow, AUnitPickedOnACaptionRenamesItAndReshowsTheColumn)
{
    TProjectForm& f = Open();
    Add("TCR-900");
    EXPECT_EQ(f.ItemsGrid->Cells(4, 1), "900.0");
    // The pop-up opens on the press; the first unit of the list is metres.
    QTimer::singleShot(50, [] {
        if (auto* popup = qobject_cast<TUnitsForm*>(QApplication::activePopupWidget())) {
            popup->ListBox1->setCurrentRow(0);
            QTest::keyClick(popup->ListBox1, Qt::Key_Return);
        } else if (auto* modal = qobject_cast<TUnitsForm*>(QApplication::activeModalWidget())) {
            modal->ListBox1->setCurrentRow(0);
            QTest::keyClick(modal->ListBox1, Qt::Key_Return);
        }
    });
    QTest::mousePress(f.ItemsGrid->viewport(), Qt::LeftButton, {}, ToQRect(f.ItemsGrid->CellRect(4, 0)).center());
    QTest::mouseRelease(f.ItemsGrid->viewport(), Qt::LeftButton, {}, ToQRect(f.ItemsGrid->CellRect(4, 0)).center());
    EXPECT_EQ(f.ItemsGrid->Cells(4, 0), "Wid/Diam, m");
    EXPECT_EQ(f.ItemsGrid->GetCellValue(4, 1), QVariant(0.9));
    EXPECT_NE(f.ItemsGrid->Cells(4, 1), "900.0");
    EXPECT_EQ(f.ItemsGrid->Cells(5, 0), "Height, mm");
}

TEST_F(ProjectWindow, UnitDetoursKeepEveryValueAndTheEmptyRowEmpty)
{
    TProjectForm& f = Open();
    f.resize(1600, f.height()); // every caption in sight
    // Values finer than the columns show.
    TSelectionRec fine = Silencer("TCR-900", 1, 0.899922);
    fine.length = 1.2000004;
    fine.dp = 55.55555;
    f.AddSelection(Duty(2.79999810786355, 0.500126), fine);
    f.AddSelection(Duty(), Silencer("TCR-600", 0, 0.6));
    TxColGrid* grid = f.ItemsGrid;
    const int rows = grid->RowCount();
    ASSERT_EQ(rows, 4);
    const auto cells = [grid, rows] {
        QStringList texts;
        for (int r = 1; r < rows; ++r)
            for (int c = 0; c < grid->ColCount(); ++c)
                texts << grid->Cells(c, r);
        return texts;
    };
    const QStringList shown = cells();
    const QString detail = f.syn->toPlainText();
    std::map<std::pair<int, int>, QVariant> values;
    for (int col = 4; col <= 8; ++col)
        for (int row = 1; row < rows; ++row)
            values[{col, row}] = grid->GetCellValue(col, row);
    ASSERT_EQ(values[std::make_pair(4, 1)], QVariant(0.899922));
    ASSERT_EQ(values[std::make_pair(7, 1)], QVariant(2.79999810786355));
    // The unit pop-up of a caption, answered with `unit`.
    const auto pick = [grid](int col, int unit) {
        QTimer::singleShot(0, [unit] {
            QWidget* w = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                            : QApplication::activeModalWidget();
            if (auto* popup = qobject_cast<TUnitsForm*>(w)) {
                popup->ListBox1->setCurrentRow(unit);
                QTest::keyClick(popup->ListBox1, Qt::Key_Return);
            }
        });
        const QPoint caption = ToQRect(grid->CellRect(col, 0)).center();
        QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, caption);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, caption);
    };
    for (int col = 4; col <= 8; ++col) {
        const int start = grid->GetUnitsValue(col);
        for (int unit = 0; unit < GetUnitsLabels(grid->GetUnitsType(col)).size(); ++unit) {
            SCOPED_TRACE(grid->Cells(col, 0).toStdString());
            pick(col, unit);
            ASSERT_EQ(grid->GetUnitsValue(col), unit);
            for (int row = 1; row < rows; ++row)
                EXPECT_EQ(grid->GetCellValue(col, row), values[std::make_pair(col, row)]) << row;
            EXPECT_EQ(grid->Cells(col, rows - 1), "");
            pick(col, start);
        }
    }
    EXPECT_EQ(cells(), shown);
    EXPECT_EQ(f.syn->toPlainText(), detail);
}

TEST_F(ProjectWindow, CaptionsDrawTheirUnitOnASecondLineInDarkRed)
{
    TProjectForm& f = Open();
    const QImage image = f.ItemsGrid->viewport()->grab().toImage();
    const auto reddish = [&](int col, bool lower) {
        const QRect r = ToQRect(f.ItemsGrid->CellRect(col, 0));
        const int top = lower ? r.center().y() : r.top();
        const int bottom = lower ? r.bottom() : r.center().y();
        for (int y = top; y <= bottom; ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > c.green() + 60 && c.red() > c.blue() + 60)
                    return true;
            }
        return false;
    };
    EXPECT_TRUE(reddish(4, true));
    EXPECT_FALSE(reddish(4, false));
    EXPECT_FALSE(reddish(1, true));
}

TEST_F(ProjectWindow, RowsMoveWithTheirItems)
{
    TProjectForm& f = Open();
    Add("M", 3);
    f.ItemsGrid->MoveRow(1, 3);
    EXPECT_EQ(Models(), QStringList({"M2", "M3", "M1"}));
    f.ItemsGrid->MoveRow(3, 1);
    EXPECT_EQ(Models(), QStringList({"M1", "M2", "M3"}));
    EXPECT_TRUE(f.Modified);

    // The empty row moved up becomes a blank item; no empty row follows
    // until the last row is edited.
    f.ItemsGrid->MoveRow(4, 1);
    EXPECT_EQ(Models(), QStringList({"", "M1", "M2", "M3"}));
    EXPECT_EQ(f.ItemsGrid->RowCount(), 5);
    EXPECT_EQ(f.ItemsGrid->Cells(2, 1), "1");
    EXPECT_EQ(f.ItemsGrid->Cells(3, 2), "M1");
    // Moving an item into the last place then adds no hidden item.
    f.ItemsGrid->MoveRow(1, 4);
    EXPECT_EQ(Models(), QStringList({"M1", "M2", "M3", ""}));
    Type(f.ItemsGrid, 1, 4, "Spare");
    EXPECT_EQ(f.Project->ItemCount(), 4);
    EXPECT_EQ(f.Project->Item(3).Description, "Spare");
    EXPECT_EQ(f.ItemsGrid->RowCount(), 6);

    // The selected empty row moved up is an item now: its lines are shown.
    f.ItemsGrid->SetRow(5);
    f.ItemsGrid->MoveRow(5, 2);
    ASSERT_EQ(f.ItemsGrid->Row(), 2);
    EXPECT_EQ(f.AncillsGrid->RowCount(), static_cast<int>(DefaultAncillaries().size()) + 2);
    EXPECT_EQ(f.AncillsGrid->Cells(1, 1), DefaultAncillaries().front().Name);
    EXPECT_FALSE(f.syn->toPlainText().isEmpty());
}

TEST_F(ProjectWindow, AddingAppendsOrInsertsBeforeTheCurrentItem)
{
    struct Case {
        bool insert;
        int currentRow;
        QStringList models;
    };
    const Case cases[] = {
        {false, 2, {"A", "B", "C", "New"}},
        {true, 2, {"A", "New", "B", "C"}},
        {true, 1, {"New", "A", "B", "C"}},
        {true, 4, {"A", "B", "C", "New"}}, // the empty row
    };
    for (const Case& c : cases) {
        TProjectForm& f = Open();
        f.hide();
        for (const char* m : {"A", "B", "C"})
            Add(m);
        if (c.insert) {
            QTest::mouseClick(f.ModeLabel, Qt::LeftButton);
            EXPECT_EQ(f.ModeLabel->text(), "Insert mode");
        }
        f.ItemsGrid->FocusCell(1, c.currentRow, true);
        f.AddSelection(Duty(3.5), Silencer("New"));
        EXPECT_EQ(Models(), c.models);
        EXPECT_FALSE(f.isVisible());
        EXPECT_EQ(f.ItemsGrid->RowCount(), 6);
        const int row = static_cast<int>(c.models.indexOf("New")) + 1;
        EXPECT_EQ(f.ItemsGrid->GetCellValue(7, row), QVariant(3.5));
    }
    // Any caption but "Append mode" (in any case) is insert mode.
    const std::pair<const char*, const char*> toggles[] = {
        {"Insert mode", "Append mode"}, {"append MODE", "Insert mode"}, {"INSERT MODE", "Append mode"}};
    for (const auto& [before, after] : toggles) {
        Form->ModeLabel->setText(before);
        QTest::mouseClick(Form->ModeLabel, Qt::LeftButton);
        EXPECT_EQ(Form->ModeLabel->text(), after);
    }
}

TEST_F(ProjectWindow, HeaderNotesAndDateMarkTheProjectModified)
{
    TProjectForm& f = Open();
    f.edProjectName->setFocus();
    QTest::keyClicks(f.edProjectName, "Clinic");
    EXPECT_FALSE(f.Modified);
    QTest::keyClick(f.edProjectName, Qt::Key_Return); // moves on to the next edit
    EXPECT_TRUE(f.Modified);
    f.SetModified(false);
    // Leaving an edit that was not changed marks nothing.
    f.edAttention->setFocus();
    f.edContractor->setFocus();
    EXPECT_FALSE(f.Modified);

    QTest::keyClicks(f.NotesMemo, "x");
    EXPECT_TRUE(f.Modified);
    f.SetModified(false);
    f.edDate->setDate(QDate(2024, 3, 9));
    EXPECT_TRUE(f.Modified);
    // The date picker is no edit: the arrow keys step its date.
    f.edDate->setFocus();
    QTest::keyClick(f.edDate, Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), f.edDate);
    EXPECT_NE(f.edDate->date(), QDate(2024, 3, 9));
    f.edDate->setDate(QDate(2024, 3, 9));

    f.FormToProject();
    EXPECT_EQ(f.Project->ProjectName, "Clinic");
    EXPECT_EQ(f.Project->Date.date(), QDate(2024, 3, 9));
    EXPECT_EQ(f.Project->Notes.size(), 3);

    // Notes pass through the memo unchanged, empty last lines included.
    for (const QStringList& notes :
         {QStringList{}, QStringList{""}, QStringList{"A", ""}, QStringList{"A", "", "B"}, QStringList{"", ""}}) {
        SCOPED_TRACE(notes.join('|').toStdString());
        f.Project->Notes = notes;
        f.ProjectToForm();
        f.FormToProject();
        EXPECT_EQ(f.Project->Notes, notes);
    }
}

TEST_F(ProjectWindow, SaveWritesTheProjectFileAndProposesTheQuoteNumber)
{
    TProjectForm& f = Open();
    Add("TCR-900");
    f.edQuoteNo->setText("Q-17");
    f.edProjectName->setText("Clinic");
    const QString name = Dir.File("jobs/Q-17");
    QDir().mkpath(Dir.File("jobs"));
    Dialogs.Answers = {name};
    QTest::mouseClick(f.SaveBtn, Qt::LeftButton);
    ASSERT_EQ(Dialogs.Requests.size(), 1);
    EXPECT_TRUE(Dialogs.Requests[0].Save);
    EXPECT_EQ(Dialogs.Requests[0].FileName, UserDataDir + "Q-17.pxf");
    EXPECT_EQ(Dialogs.Requests[0].DefaultExt, "pxf");

    TProject saved;
    ASSERT_TRUE(saved.LoadFromFile(name + ".pxf"));
    EXPECT_EQ(saved.ProjectName, "Clinic");
    EXPECT_EQ(saved.QuoteNo, "Q-17");
    ASSERT_EQ(saved.ItemCount(), 1);
    EXPECT_EQ(saved.Item(0).Sel.model.Text(), "TCR-900");
    EXPECT_EQ(f.FileName, name + ".pxf");
    EXPECT_EQ(f.StatusPanel1->text(), name + ".pxf");
    EXPECT_EQ(f.StatusPanel0->text(), "File saved");
    EXPECT_FALSE(f.Modified);
    EXPECT_EQ(f.OpenDialog1.InitialDir, Dir.File("jobs"));
    EXPECT_EQ(QDir::currentPath(), QDir(ExeDir).absolutePath());

    // A file that cannot be written, or a name that leads to a FIFO, is
    // reported; nothing counts as saved, and the FIFO stays one.
    Add("TCR-1200");
    Dir.Write("blocker", QByteArray("x"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(Dir.File("fifo")).constData(), 0600), 0);
    QFile::link(Dir.File("fifo"), Dir.File("fifo.pxf"));
    for (const QString& target : {Dir.File("blocker/Q-17.pxf"), Dir.File("fifo.pxf")}) {
        Msgs.Clear();
        Dialogs.Answers = {target};
        f.SaveBtnClick();
        ASSERT_EQ(Msgs.Messages.size(), 1);
        EXPECT_TRUE(Msgs.Messages[0].startsWith("Error writing file " + target + ": "))
            << Msgs.Messages[0].toStdString();
        EXPECT_TRUE(f.Modified);
        EXPECT_EQ(f.FileName, name + ".pxf");
    }
    EXPECT_EQ(Msgs.Messages[0], "Error writing file " + Dir.File("fifo.pxf") + ": Not a regular file");
    struct stat fifo {};
    ASSERT_EQ(::stat(QFile::encodeName(Dir.File("fifo")).constData(), &fifo), 0);
    EXPECT_TRUE(S_ISFIFO(fifo.st_mode));
}

TEST_F(ProjectWindow, OpenLoadsAFileAndAFailedOpenChangesNothing)
{
    TProjectForm& f = Open();
    TProject onDisk;
    onDisk.ProjectName = "Theatre";
    onDisk.InsertItem(Duty(), Silencer("CS-600", 0, 0.6), -1);
    QDir().mkpath(Dir.File("jobs"));
    const QString good = Dir.File("jobs/Theatre job.pxf");
    ASSERT_TRUE(onDisk.SaveToFile(good));
    const QString bad = Dir.Write("jobs/bad.pxf", QByteArray("<project developer=\"Other\"/>"));

    Add("TCR-900");
    f.SetModified(false);
    Dialogs.Answers = {bad};
    f.OpenBtnClick();
    EXPECT_EQ(Msgs.Messages.size(), 1);
    EXPECT_TRUE(Msgs.Messages.value(0).startsWith("Not a valid DEZ Uder project file"));
    EXPECT_EQ(Models(), QStringList{"TCR-900"});
    EXPECT_TRUE(f.FileName.isEmpty());
    // Save proposes what it proposed before, not the file that failed.
    Dialogs.Answers.clear();
    f.SaveBtnClick();
    EXPECT_EQ(Dialogs.Requests.last().FileName, UserDataDir + "Project.pxf");
    EXPECT_EQ(Dialogs.Requests.last().InitialDir, UserDataDir);

    Dialogs.Answers = {good};
    f.OpenBtnClick();
    EXPECT_EQ(Models(), QStringList{"CS-600"});
    EXPECT_EQ(f.edProjectName->text(), "Theatre");
    EXPECT_EQ(f.edQuoteNo->text(), "Theatre job");
    EXPECT_EQ(f.FileName, good);
    EXPECT_FALSE(f.Modified);
    EXPECT_EQ(f.ItemsGrid->Col(), 2);
    EXPECT_EQ(Dialogs.Requests.last().Filter, "Project file (*.pxf)|*.pxf");

    // Save proposes the quote number in the last folder used.
    Dialogs.Answers.clear();
    f.SaveBtnClick();
    EXPECT_EQ(Dialogs.Requests.last().FileName, Dir.File("jobs") + "/Theatre job.pxf");
}

TEST_F(ProjectWindow, NewAndOpenGoOnOnlyWhenUnsavedChangesWereSavedOrDropped)
{
    struct Case {
        const char* name;
        bool modified;
        bool known;  // the project has a file name
        bool broken; // writing that file fails
        QList<TMsgAnswer> answers;
        QString dialog; // the save dialog's answer; empty: cancelled
        bool goesOn;
        bool written;
    };
    const Case cases[] = {
        {"clean", false, false, false, {}, {}, true, false},
        {"cancel", true, false, false, {TMsgAnswer::Cancel}, {}, false, false},
        {"no", true, false, false, {TMsgAnswer::No}, {}, true, false},
        {"yes, dialog cancelled", true, false, false, {TMsgAnswer::Yes}, {}, false, false},
        {"yes, dialog saves", true, false, false, {TMsgAnswer::Yes}, "saved.pxf", true, true},
        {"yes, dialog's file fails", true, false, false, {TMsgAnswer::Yes}, "blocker/saved.pxf", false, false},
        {"yes, known file", true, true, false, {TMsgAnswer::Yes}, {}, true, true},
        {"yes, known file fails", true, true, true, {TMsgAnswer::Yes}, {}, false, false},
    };
    for (const bool open : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(open ? "Open, " : "New, ") + c.name);
            TTempFolder dir;
            dir.Write("blocker", QByteArray("x"));
            TProjectForm& f = Open();
            Add("TCR-900");
            const QString known = c.known ? dir.File(c.broken ? "blocker/p.pxf" : "p.pxf") : QString();
            const QString target = c.known ? known : c.dialog.isEmpty() ? QString() : dir.File(c.dialog);
            f.SetFileName(known);
            f.SetModified(c.modified);
            f.FormToProject();
            ASSERT_TRUE(f.Project->SaveToFile(dir.File("expected.pxf")));
            Msgs.Clear();
            Msgs.Answers = c.answers;
            Dialogs.Requests.clear();
            Dialogs.Answers = QStringList{c.dialog.isEmpty() ? QString() : dir.File(c.dialog)};
            QTest::mouseClick(open ? f.OpenBtn : f.NewBtn, Qt::LeftButton);

            EXPECT_EQ(Msgs.Questions, c.modified ? QStringList{known + "\rFile not saved. Save now?"} : QStringList());
            const int saveDialogs = c.modified && !c.known && c.answers == QList{TMsgAnswer::Yes} ? 1 : 0;
            // Open goes on to its own dialog, which is cancelled here.
            EXPECT_EQ(Dialogs.Requests.size(), saveDialogs + (open && c.goesOn ? 1 : 0));
            EXPECT_EQ(f.Project->ItemCount(), c.goesOn && !open ? 0 : 1);
            if (!c.goesOn) {
                EXPECT_TRUE(f.Modified);
                EXPECT_EQ(f.StatusPanel0->text(), "File modified");
                EXPECT_EQ(f.FileName, known);
            }
            if (c.written) {
                EXPECT_EQ(ReadFileBytes(target), ReadFileBytes(dir.File("expected.pxf")));
            } else if (!target.isEmpty()) {
                EXPECT_FALSE(QFileInfo::exists(target));
            }
            EXPECT_EQ(QDir(dir.Path()).entryList({"*.pxf"}).size(), c.written ? 2 : 1);
        }
    }
}

TEST_F(ProjectWindow, SaveProposesANewNameAfterNewAndNeverReplacesAFileUnasked)
{
    TProjectForm& f = Open();
    Add("TCR-900");
    const QString job1 = UserDataDir + "job1.pxf";
    Dialogs.Answers = {job1};
    f.SaveBtnClick();
    const QByteArray saved = ReadFileBytes(job1);
    ASSERT_FALSE(saved.isEmpty());
    EXPECT_EQ(f.StatusPanel0->text(), "File saved");

    f.NewBtnClick();
    EXPECT_EQ(f.StatusPanel0->text(), "");
    Add("TCR-1200");
    {
        // The real dialog: it proposes a new name, and typing the old one
        // asks; No keeps the file and the changes.
        TQtFileDialogService real;
        TScopedFileDialogService scope(real);
        TFileDialogSeen seen;
        AnswerFileDialog(job1, false, seen);
        QTest::mouseClick(f.SaveBtn, Qt::LeftButton);
        EXPECT_EQ(seen.Proposed, UserDataDir + "Project.pxf");
        EXPECT_TRUE(seen.Question.startsWith("job1.pxf already exists")) << seen.Question.toStdString();
    }
    EXPECT_EQ(ReadFileBytes(job1), saved);
    EXPECT_TRUE(f.Modified);
    EXPECT_TRUE(f.FileName.isEmpty());
    EXPECT_EQ(f.StatusPanel0->text(), "File modified");

    // The quote number proposes a name that stays in the folder.
    const std::pair<const char*, const char*> names[] = {
        {"Q-17", "Q-17.pxf"},         {"Q/17:a", "Q_17_a.pxf"}, {"..", "_..pxf"}, {"../../etc/x", "_._.._etc_x.pxf"},
        {"a\\b\tc*?", "a_b_c__.pxf"}, {" .cfg ", "_cfg.pxf"},
    };
    for (const auto& [quote, proposed] : names) {
        f.edQuoteNo->setText(quote);
        f.SaveBtnClick();
        EXPECT_EQ(Dialogs.Requests.last().FileName, UserDataDir + proposed) << quote;
    }
    EXPECT_TRUE(f.Modified);
}

TEST_F(ProjectWindow, TypedQuantitiesAndPricesAreStoredAsTyped)
{
    TProjectForm& f = Open();
    Type(f.ItemsGrid, 2, 1, "12345"); // the empty row: a new item
    Type(f.ItemsGrid, 9, 1, "10.125");
    f.PageControl1->setCurrentIndex(1);
    Type(f.AncillsGrid, 2, 1, "12345");
    Type(f.AncillsGrid, 3, 1, "0.5");
    // Editing a cell again and taking nothing new (a refused paste, a key
    // typed and deleted) keeps the value typed, not the one shown.
    QApplication::clipboard()->setText("abc");
    const std::pair<TxColGrid*, int> cells[] = {{f.ItemsGrid, 2}, {f.ItemsGrid, 9}, {f.AncillsGrid, 2}, {f.AncillsGrid, 3}};
    for (const auto& [grid, col] : cells) {
        for (const QList<QKeySequence>& keys :
             {QList<QKeySequence>{QKeySequence::Paste}, {Qt::Key_End, Qt::Key_7, Qt::Key_Backspace}}) {
            grid->setFocus();
            grid->FocusCell(col, 1, true);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // opens the editor
            for (const QKeySequence& key : keys)
                QTest::keySequence(QApplication::focusWidget(), key);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
    }

    const TProjectItem& item = f.Project->Item(0);
    EXPECT_EQ(item.Qty, 12345);
    EXPECT_EQ(item.Price, 10.125);
    EXPECT_EQ(item.Ancillaries[0].Qty, 12345);
    // The total is what the row shows: 12345 x (10.13 + 6172.50).
    EXPECT_EQ(item.Total, 76324567.35);
    EXPECT_EQ(f.ItemsGrid->Cells(11, 1), "76324567.35");
    EXPECT_EQ(f.AncillsGrid->Cells(4, 1), "6172.50");
    EXPECT_EQ(Total(f.edSubTotal), "R 76324567.35");

    const QString file = Dir.File("typed.pxf");
    Dialogs.Answers = {file};
    f.SaveBtnClick();
    TProject expected;
    expected.Date = f.Project->Date;
    expected.InsertItem(TSpecificationRec(), TSelectionRec(), -1);
    TProjectItem& e = expected.Item(0);
    e.Qty = 12345;
    e.Price = 10.125;
    e.Ancillaries[0].Qty = 12345;
    e.Ancillaries[0].Price = 0.5;
    e.CalcAncillaryTotal();
    e.CalcTotal();
    expected.CalcTotals();
    ASSERT_TRUE(expected.SaveToFile(Dir.File("expected.pxf")));
    EXPECT_EQ(ReadFileBytes(file), ReadFileBytes(Dir.File("expected.pxf")));
}

// A quantity being typed into an ancillary belongs to that ancillary's item,
// whatever ends the edit, also what moves or refills the grids.
TEST_F(ProjectWindow, AnOpenEditIsStoredInItsOwnItemBeforeAnythingMoves)
{
    const std::vector<std::pair<const char*, std::function<void(TProjectForm&)>>> triggers{
        {"wheel over the items", [](TProjectForm& f) { Wheel(f.ItemsGrid, 2, 1, -120); }},
        {"click on another item",
         [](TProjectForm& f) {
             QTest::mouseClick(f.ItemsGrid->viewport(), Qt::LeftButton, {},
                               ToQRect(f.ItemsGrid->CellRect(2, 2)).center());
         }},
        {"tab change",
         [](TProjectForm& f) {
             QTabBar* tabs = f.PageControl1->tabBar();
             QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
         }},
        {"Save",
         [this](TProjectForm& f) {
             Dialogs.Answers = {Dir.File("saved.pxf")};
             QTest::mouseClick(f.SaveBtn, Qt::LeftButton);
         }},
        {"Quote", [](TProjectForm& f) { QTest::mouseClick(f.ReportBtn, Qt::LeftButton); }},
        {"Schedule", [](TProjectForm& f) { QTest::mouseClick(f.ScheduleBtn, Qt::LeftButton); }},
        {"Enquiry", [](TProjectForm& f) { QTest::mouseClick(f.EnquiryBtn, Qt::LeftButton); }},
        {"New, cancelled", [](TProjectForm& f) { QTest::mouseClick(f.NewBtn, Qt::LeftButton); }},
        {"Open, cancelled", [](TProjectForm& f) { QTest::mouseClick(f.OpenBtn, Qt::LeftButton); }},
        {"Close", [](TProjectForm& f) { QTest::mouseClick(f.CloseBtn, Qt::LeftButton); }},
        {"added from the main window", [](TProjectForm& f) { f.AddSelection(Duty(), Silencer("TCR-1500")); }},
    };
    for (const auto& [name, trigger] : triggers) { // every dialog and question cancelled
        SCOPED_TRACE(name);
        TProjectForm& f = Open();
        Add("TCR-900", 2);
        f.ItemsGrid->FocusCell(2, 1, true);
        f.PageControl1->setCurrentIndex(1);
        f.AncillsGrid->setFocus();
        f.AncillsGrid->FocusCell(2, 1, true);
        QTest::keyClick(QApplication::focusWidget(), '9');
        ASSERT_TRUE(f.AncillsGrid->EditorMode());
        Msgs.Answers = {TMsgAnswer::Cancel};
        Dialogs.Answers = {QString()};
        trigger(f);
        EXPECT_EQ(f.Project->Item(0).Ancillaries[0].Qty, 9);
        EXPECT_EQ(f.Project->Item(1).Ancillaries[0].Qty, 0);
        EXPECT_FALSE(f.AncillsGrid->EditorMode());
        if (QFileInfo::exists(Dir.File("saved.pxf"))) { // Save only
            TProject saved;
            EXPECT_TRUE(saved.LoadFromFile(Dir.File("saved.pxf")) && saved.Item(0).Ancillaries[0].Qty == 9);
            QFile::remove(Dir.File("saved.pxf"));
        }
    }

    // A description typed into the empty row makes its item before the
    // wheel moves up, and the detail then shows the row moved to.
    TProjectForm& f = Open();
    Add("TCR-900");
    f.ItemsGrid->setFocus();
    f.ItemsGrid->FocusCell(1, 2, true);
    QTest::keyClick(QApplication::focusWidget(), 'N');
    Wheel(f.ItemsGrid, 1, 1, 120);
    ASSERT_EQ(f.Project->ItemCount(), 2);
    EXPECT_EQ(f.Project->Item(1).Description, "N");
    EXPECT_EQ(f.ItemsGrid->Row(), 1);
    EXPECT_TRUE(f.syn->toPlainText().contains("Model = TCR-900"));
}

TEST_F(ProjectWindow, TheHeightColumnShowsTheSilencersOwnHeight)
{
    TProjectForm& f = Open();
    TSelectionRec tall = Silencer("TRF-600x1800-2400");
    tall.height = 0.6;
    f.AddSelection(Duty(2.8, 0.5), tall);
    f.AddSelection(Duty(2.8, 0.5), Silencer("CS-600", 0, 0.6));
    // 600 mm, as the round one's 600 mm diameter shows; a round one has no height.
    EXPECT_EQ(f.ItemsGrid->Cells(5, 1), f.ItemsGrid->Cells(4, 2));
    EXPECT_TRUE(f.ItemsGrid->Cells(5, 1).startsWith("600")) << f.ItemsGrid->Cells(5, 1).toStdString();
    EXPECT_EQ(f.ItemsGrid->Cells(5, 2), "");
}

TEST_F(ProjectWindow, QuoteAndScheduleWriteTheHeaderIntoTheirDocuments)
{
    TProjectForm& f = Open();
    Add("TCR-900");
    f.edProjectName->setText("Clinic West");
    struct Case {
        QToolButton* button;
        const char* file;
    };
    for (const Case& c : {Case{f.ReportBtn, "Project.htm"}, Case{f.ScheduleBtn, "Schedule.htm"}}) {
        Opened.Opened.clear();
        QTest::mouseClick(c.button, Qt::LeftButton);
        EXPECT_EQ(Opened.Opened, QStringList{UserDataDir + c.file});
        const QString html = QString::fromUtf8(ReadFileBytes(UserDataDir + c.file));
        EXPECT_TRUE(html.contains("Clinic West")) << c.file;
        EXPECT_TRUE(html.contains("Vozudarizazi 9.8.7.6")) << c.file;
    }
    EXPECT_EQ(f.Project->ProjectName, "Clinic West");
}

TEST_F(ProjectWindow, EnquirySendsTheSavedProjectAndKeepsTheAddresses)
{
    struct Case {
        QByteArray terms; // empty: no terms file
        QString ending;
    };
    const Case cases[] = {
        {{}, "Validity: " + CrLf + "Quote subject to standard conditions of sale" + CrLf},
        {"Net 30 days\r\nEx works\r\n", CrLf + "Net 30 days" + CrLf + "Ex works" + CrLf},
    };
    for (const Case& c : cases) {
        Mail.Sent.clear();
        QFile::remove(ExeDir + "terms.txt");
        if (!c.terms.isEmpty())
            Dir.Write("program/terms.txt", c.terms);
        TProjectForm& f = Open();
        TEmailForm mail;
        f.SetEmailForm(&mail);
        Add("TCR-900");
        const QString file = Dir.File("q.pxf");
        ASSERT_TRUE(f.SaveProject(file));
        Add("TCR-1200"); // modified: saved again before it goes
        RegOwner = "Ann Lee";
        RegOrganization = "Acme";
        ContactEmail = "ann@acme.example";
        Host.Address = "sales@maker.example";
        QDir::setCurrent(ExeDir);
        QTimer::singleShot(0, &mail, [&mail] {
            mail.RecipientsEd->setText("one@maker.example, two@maker.example");
            mail.FromAddressEd->setText("ann@other.example");
            mail.ToolButton1->click();
        });
        f.EnquiryBtnClick();
        ASSERT_EQ(Mail.Sent.size(), 1u);
        const TMapiMessage& sent = Mail.Sent[0];
        EXPECT_EQ(sent.Subject, "Enquiry");
        ASSERT_EQ(sent.Files.size(), 1u);
        EXPECT_EQ(sent.Files[0].PathName, file);
        EXPECT_TRUE(sent.NoteText.startsWith("Dear Sirs" + CrLf));
        EXPECT_TRUE(sent.NoteText.contains(c.ending)) << sent.NoteText.toStdString();
        EXPECT_EQ(mail.Subject, "Enquiry");
        EXPECT_FALSE(f.Modified);
        TProject saved;
        ASSERT_TRUE(saved.LoadFromFile(file));
        EXPECT_EQ(saved.ItemCount(), 2);
        EXPECT_EQ(Host.Address, "one@maker.example, two@maker.example");
        EXPECT_EQ(ContactEmail, "ann@other.example");
        Form.reset();
    }
}

TEST_F(ProjectWindow, AnEnquiryWithoutAFileOrCancelledSendsNothing)
{
    TProjectForm& f = Open();
    TEmailForm mail;
    f.SetEmailForm(&mail);
    // A modified project without a file asks for one; cancelling stops
    // there, and so does a file that cannot be written.
    Add("TCR-900");
    Dir.Write("blocker", QByteArray("x"));
    Dialogs.Answers = {QString(), Dir.File("blocker/q.pxf")};
    f.EnquiryBtnClick();
    f.EnquiryBtnClick();
    EXPECT_EQ(Dialogs.Requests.size(), 2);
    ASSERT_EQ(Msgs.Messages.size(), 1);
    EXPECT_TRUE(Msgs.Messages[0].startsWith("Error writing file " + Dir.File("blocker/q.pxf") + ": "));
    EXPECT_TRUE(f.Modified);
    EXPECT_TRUE(Mail.Sent.empty());
    Msgs.Clear();
    f.SetModified(false);
    f.EnquiryBtnClick();
    EXPECT_EQ(Msgs.Messages, QStringList{"No project file found to attach to quote request"});

    ASSERT_TRUE(f.SaveProject(Dir.File("q.pxf")));
    ContactEmail = "ann@acme.example";
    QTimer::singleShot(0, &mail, [&mail] {
        mail.RecipientsEd->setText("other@maker.example");
        mail.ToolButton2->click();
    });
    f.EnquiryBtnClick();
    EXPECT_TRUE(Mail.Sent.empty());
    EXPECT_EQ(Host.Address, "sales@maker.example");
    EXPECT_EQ(ContactEmail, "ann@acme.example");
}

// Stored widths are kept within reach before the grid computes with them:
// the grid shows its captions and cells, and what is saved back is in reach.
TEST_F(ProjectWindow, StoredColumnWidthsAreKeptWithinReach)
{
    const int screen = PrimaryScreenSize().width();
    const int design = ScaleDesignWidth(30, TProjectForm().ItemsGrid->font());
    const struct {
        const char* stored;
        int width; // 0: widened to what the column shows
    } cases[] = {{"2147483647", screen},          {"-2147483648", 0}, {"0", 0},     {"140.0", 140},
                 {"1e3", std::min(1000, screen)}, {"7.5", design},    {"x", design}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        TRegistryIniFile(GetAppRegKey()).WriteString("ProjectForm", "ColWidths2", c.stored);
        TRegistryIniFile(GetAppRegKey()).WriteString("ProjectForm", "AncillsColWidths2", c.stored);
        TProjectForm& f = Open();
        Add("TCR-900");
        for (TxColGrid* grid : {f.ItemsGrid, f.AncillsGrid}) {
            if (c.width) {
                EXPECT_EQ(grid->ColWidths(2), c.width);
            }
            // Captions and cells of the first columns are on the screen.
            for (const int cell : {0, 1, 2, 3}) {
                const TPixelRect r = grid->CellRect(cell / 2 + 1, cell % 2);
                EXPECT_GE(r.Right - r.Left, 2);
                EXPECT_GT(r.Bottom - r.Top, 0);
            }
        }
        const int shown = f.ItemsGrid->ColWidths(2);
        f.close();
        EXPECT_EQ(TRegistryIniFile(GetAppRegKey()).ReadInteger("ProjectForm", "ColWidths2", 0), shown);
    }
}

TEST_F(ProjectWindow, ClosingHidesTheWindowKeepsTheProjectAndSavesItsLayout)
{
    TProjectForm& f = Open();
    Add("TCR-900");
    f.setGeometry(20, 90, 770, 460);
    f.ItemsGrid->SetColWidths(1, 140);
    f.AncillsGrid->SetColWidths(3, 77);
    f.SetFileName(Dir.File("p.pxf"));
    f.ItemsGrid->setFocus();
    f.ItemsGrid->FocusCell(1, 1, true);
    QTest::keyClick(f.ItemsGrid, 'x'); // still being typed when the window closes
    QTest::mouseClick(f.CloseBtn, Qt::LeftButton);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(Msgs.Questions.isEmpty());
    EXPECT_EQ(f.Project->Item(0).Description, "x");
    f.show();
    EXPECT_EQ(Models(), QStringList{"TCR-900"});
    EXPECT_TRUE(f.Modified);

    const TRegistryIniFile reg(GetAppRegKey());
    EXPECT_EQ(reg.ReadInteger("ProjectForm", "ColWidths1", 0), 140);
    EXPECT_EQ(reg.ReadInteger("ProjectForm", "AncillsColWidths3", 0), 77);
    EXPECT_FALSE(reg.ValueExists("ProjectForm", "ColWidths0"));
    EXPECT_EQ(reg.ReadString("Project", "FileName", ""), Dir.File("p.pxf"));
    EXPECT_EQ(reg.ReadInteger("ProjectForm", "Width", 0), 770);

    TProjectForm again;
    EXPECT_EQ(again.ItemsGrid->ColWidths(1), 140);
    EXPECT_EQ(again.AncillsGrid->ColWidths(3), 77);
    EXPECT_EQ(again.ItemsGrid->ColWidths(2), ScaleDesignWidth(30, again.ItemsGrid->font()));
    EXPECT_EQ(again.size(), QSize(770, 460));
    EXPECT_FALSE(again.isVisible());
}
