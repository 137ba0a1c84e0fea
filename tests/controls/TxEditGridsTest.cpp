#include "TestUtil.h"
#include "TxColGrids.h"
#include "TxInplaceEdit.h"
#include "TxPlatform.h"
#include "TxUnitsForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPixmap>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

namespace {

// The column grid with its protected hooks in reach.
class TTestColGrid : public TxColGrid {
public:
    using TxColGrid::SelectCell;
};

// A top-level window holding a column grid and another control.
class TColGridWindow {
public:
    explicit TColGridWindow(const QStringList& defs = {})
    {
        Grid->setParent(&Window);
        Grid->setGeometry(0, 0, 560, 200);
        if (!defs.isEmpty())
            Grid->SetFieldDefArray(defs);
        Other = new QLineEdit(&Window);
        Other->setGeometry(0, 210, 100, 22);
        Window.resize(580, 240);
        Window.show();
        Window.activateWindow();
        Active = QTest::qWaitForWindowActive(&Window);
        Grid->setFocus();
    }

    QPoint CellCentre(int c, int r) const { return ToQRect(Grid->CellRect(c, r)).center(); }
    void Click(int c, int r, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(Grid->viewport(), button, {}, CellCentre(c, r));
    }
    void DoubleClick(int c, int r) { QTest::mouseDClick(Grid->viewport(), Qt::LeftButton, {}, CellCentre(c, r)); }
    static void Key(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
    static void Type(const char* text)
    {
        for (const char* c = text; *c; ++c)
            QTest::keyClick(QApplication::focusWidget(), *c);
    }

    QWidget Window;
    TTestColGrid* Grid = new TTestColGrid;
    QLineEdit* Other = nullptr;
    bool Active = false;
};

// Runs `drive` on the next units pop-up once it shows; `drive` closes it.
void DriveNextPopup(std::function<void(TUnitsForm&)> drive)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    int tries = 0;
    QObject::connect(timer, &QTimer::timeout, [timer, drive, tries]() mutable {
        auto* form = qobject_cast<TUnitsForm*>(QApplication::activePopupWidget());
        if (form && form->isVisible()) {
            timer->stop();
            timer->deleteLater();
            drive(*form);
            return;
        }
        if (++tries > 300) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no units pop-up opened";
        }
    });
    timer->start();
}

// Picks unit `index` in the pop-up and closes it.
void ChooseUnit(int index)
{
    DriveNextPopup([index](TUnitsForm& form) {
        form.ListBox1->setCurrentRow(index);
        QTest::keyClick(form.ListBox1, Qt::Key_Return);
    });
}

QStringList Column(TxStringGrid& g, int col)
{
    QStringList texts;
    for (int r = 0; r < g.RowCount(); ++r)
        texts << g.Cells(col, r);
    return texts;
}

const QStringList kItemDefs{
    QStringLiteral(";;;"),
    QStringLiteral("Description; %S;;;"),
    QStringLiteral("Qty;%0.4g;; ;0;0"),
    QStringLiteral("Wid/Diam,mm; %0.3f;;;0;0"),
    QStringLiteral("Colour;enum;;Red;Green;Blue"),
};

} // namespace

TEST(EditGrid, NewGrids)
{
    TxColGrid g;
    EXPECT_EQ(g.Delim(), QLatin1Char(';'));
    EXPECT_EQ(g.DefaultColWidth(), 60);
    EXPECT_EQ(g.DefaultRowHeight(), 16);
    EXPECT_EQ(g.ColWidths(0), 20);
    EXPECT_EQ(g.ColWidths(1), 50);
    EXPECT_EQ(g.ColWidths(2), 50);
    EXPECT_EQ(g.ColWidths(3), 60);
    EXPECT_EQ(g.size(), QSize(206, 72));
    EXPECT_EQ(g.ColCount(), 5);
    EXPECT_EQ(g.RowCount(), 5);
    EXPECT_EQ(g.Options(), static_cast<TxGridOptions>(xgoFixedVertLine | xgoFixedHorzLine | xgoVertLine | xgoHorzLine |
                                                      xgoRangeSelect | xgoColSizing | xgoEditing));
    EXPECT_EQ(g.ScrollBars(), ssBoth);
    EXPECT_EQ(g.ColorEditCol(), g.Color());
    EXPECT_EQ(g.ColorEditMode(), g.Color());
    EXPECT_EQ(g.ColorEditModeText(), g.palette().color(QPalette::Text));
    EXPECT_FALSE(g.ShowItemNumbers());
    // Built from no lines, as a grid read from a layout: nothing fixed at the left.
    EXPECT_EQ(g.FixedCols(), 0);
    EXPECT_EQ(g.FixedRows(), 1);
    EXPECT_EQ(g.FieldCount(), 0);
    for (QToolButton* b : {g.PropEdButton(), g.PullDownButton(), g.SpinUpButton(), g.SpinDownButton()}) {
        EXPECT_TRUE(b->isHidden());
        EXPECT_FALSE(b->icon().isNull());
        EXPECT_EQ(b->focusPolicy(), Qt::NoFocus);
    }
    EXPECT_TRUE(g.DropDownList()->isHidden());
    for (const char* name :
         {":/controls/PROPEDPIC", ":/controls/PULLDNPIC", ":/controls/SPINUPPIC", ":/controls/SPINDNPIC"})
        EXPECT_FALSE(QPixmap(QString::fromLatin1(name)).isNull()) << name;
}

TEST(EditGrid, ColumnsFromDefinitionLines)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TxColGrid g;
    g.SetFieldDefArray(kItemDefs);
    EXPECT_EQ(g.ColCount(), 5);
    EXPECT_EQ(g.FixedCols(), 1);
    EXPECT_EQ(g.FieldCount(), 5);
    EXPECT_EQ(Column(g, 0), QStringList(5, QString()));
    EXPECT_EQ(g.Rows(0)->ToStringList(), (QStringList{QString(), QStringLiteral("Description"), QStringLiteral("Qty"),
                                                      QStringLiteral("Wid/Diam,mm"), QStringLiteral("Colour")}));
    for (int r = 1; r < 5; ++r)
        EXPECT_EQ(g.Rows(r)->ToStringList(), (QStringList{QString(), QString(), QStringLiteral("0"),
                                                          QStringLiteral("0.000"), QStringLiteral("Red")}))
            << r;
    // Field 0 is plain text whatever its line says.
    EXPECT_EQ(typeid(*g.Field(0)), typeid(TField));
    EXPECT_EQ(g.Field(0)->FormatStr, QStringLiteral("%S"));
    EXPECT_EQ(typeid(*g.Field(2)), typeid(TNumField));
    EXPECT_EQ(typeid(*g.Field(4)), typeid(TEnumField));
    EXPECT_EQ(g.FieldDefs(), kItemDefs);
    EXPECT_TRUE(messages.Errors.isEmpty());

    // With item numbers; line 0 only counts.
    TxColGrid numbered;
    numbered.SetShowItemNumbers(true);
    numbered.SetFieldDefArray({QStringLiteral("Name;%0.1f;;;0;1"), QStringLiteral("Text;%S")});
    EXPECT_EQ(Column(numbered, 0), (QStringList{QString(), QStringLiteral("1"), QStringLiteral("2"),
                                                QStringLiteral("3"), QStringLiteral("4")}));
    EXPECT_EQ(numbered.ColCount(), 2);
    EXPECT_EQ(typeid(*numbered.Field(0)), typeid(TField));
    EXPECT_EQ(numbered.Field(0)->FormatStr, QStringLiteral("%S"));

    // Another delimiter.
    TxColGrid piped;
    piped.SetDelim(QLatin1Char('|'));
    piped.SetFieldDefArray({QStringLiteral("||"), QStringLiteral("Len|%0.2f|m||0|5")});
    EXPECT_EQ(piped.Cells(1, 0), QStringLiteral("Len,m"));
    EXPECT_EQ(piped.Cells(1, 1), QStringLiteral("0.00"));
    EXPECT_EQ(typeid(*piped.Field(1)), typeid(TNumField));

    // A single line leaves one column, not fixed.
    TxColGrid single;
    single.SetFieldDefArray({QStringLiteral(";;;")});
    EXPECT_EQ(single.ColCount(), 1);
    EXPECT_EQ(single.FixedCols(), 0);

    // No lines: the columns stay, nothing is fixed.
    g.SetFieldDefArray({});
    EXPECT_EQ(g.ColCount(), 5);
    EXPECT_EQ(g.FixedCols(), 0);
    EXPECT_TRUE(messages.Errors.isEmpty());
}

TEST(EditGrid, LineThatFailsGivesOneMessage)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TxColGrid g;
    g.SetFieldDefArray({QStringLiteral(";;;"), QStringLiteral("Width;%0.1f"), QStringLiteral("Pair;%0.1f/%d;;;0;1"),
                        QStringLiteral("Name;%S")});
    EXPECT_EQ(messages.Errors,
              (QStringList{QStringLiteral("Error initialising Width"), QStringLiteral("Error initialising Pair")}));
    EXPECT_EQ(typeid(*g.Field(1)), typeid(TField));
    EXPECT_EQ(g.Field(1)->FormatStr, QStringLiteral("%S"));
    EXPECT_EQ(g.Cells(1, 0), QStringLiteral("Width"));
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("0.0"));
    // A format that cannot even make its default text still gives a column.
    EXPECT_EQ(typeid(*g.Field(2)), typeid(TField));
    EXPECT_EQ(g.Cells(2, 0), QStringLiteral("Pair"));
    EXPECT_EQ(g.Cells(2, 1), QString());
    EXPECT_EQ(g.FieldCount(), 4);
    EXPECT_EQ(g.Cells(3, 0), QStringLiteral("Name"));
}

TEST(EditGrid, RowCountNumbersTheNewLastRow)
{
    TxColGrid g;
    g.SetShowItemNumbers(true);
    g.SetRowCount(3);
    g.SetFieldDefArray(kItemDefs);
    EXPECT_EQ(Column(g, 0), (QStringList{QString(), QStringLiteral("1"), QStringLiteral("2")}));
    g.SetRowCount(5);
    EXPECT_EQ(Column(g, 0),
              (QStringList{QString(), QStringLiteral("1"), QStringLiteral("2"), QString(), QStringLiteral("4")}));
    g.SetRowCount(1);
    EXPECT_EQ(g.Cells(0, 0), QString());
}

TEST(EditGrid, ReplacingALineResetsItsColumn)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TxColGrid g;
    g.SetFieldDefArray(kItemDefs);
    g.SetCellValue(2, 1, 5);
    g.SetFieldDef(2, QStringLiteral("Count;%d;;;1;5;2"));
    EXPECT_EQ(Column(g, 2), (QStringList{QStringLiteral("Count"), QStringLiteral("0"), QStringLiteral("0"),
                                         QStringLiteral("0"), QStringLiteral("0")}));
    const auto* count = dynamic_cast<const TNumField*>(g.Field(2));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->Step, 2.0);
    EXPECT_EQ(g.FieldDefs().at(2), QStringLiteral("Count;%d;;;1;5;2"));
    EXPECT_TRUE(messages.Errors.isEmpty());

    g.SetFieldDef(9, QStringLiteral("X;%S"));
    g.SetFieldDef(-1, QStringLiteral("X;%S"));
    // Plain messages, not error boxes.
    EXPECT_EQ(messages.Messages, (QStringList{QStringLiteral("Error replacing field def (col) 9"),
                                              QStringLiteral("Error replacing field def (col) -1")}));
    EXPECT_TRUE(messages.Errors.isEmpty());
    EXPECT_EQ(g.FieldDefs(), QStringList(kItemDefs).replaceInStrings(QStringLiteral("Qty;%0.4g;; ;0;0"),
                                                                     QStringLiteral("Count;%d;;;1;5;2")));
}

TEST(EditGrid, CellValuesInStoredUnits)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TxColGrid g;
    g.SetFieldDefArray({QStringLiteral(";;;"), QStringLiteral("Len;%0.1f;;;0;0"), QStringLiteral("Count;%d;;;0;0"),
                        QStringLiteral("Colour;enum;;Red;Green;Blue"), QStringLiteral("Size;%0.1f/%0.1f;;;0;0"),
                        QStringLiteral("Name;%S")});
    g.SetFieldUnits(1, utLengthMeasure, 0, 2, ft_Fixed, 1.0, 0.0); // m stored, mm shown
    struct {
        int col;
        QVariant set;
        const char* text;
        QVariant get;
    } const cases[] = {
        {1, 0.9, "900.0", 0.9},
        {2, 2.5, "2", 2},
        {2, 7, "7", 7},
        {3, 2, "Blue", 2},
        {3, 5, "", -1}, // no such choice: the cell is emptied
        {4, QStringLiteral("1.5/2"), "1.5/2.0", QStringLiteral("1.5/2.0")},
        {4, QString(), "", QStringLiteral("0.0/0.0")},
        {5, QStringLiteral("Bob"), "Bob", QStringLiteral("Bob")},
    };
    for (const auto& c : cases) {
        g.SetCellValue(c.col, 1, c.set);
        EXPECT_EQ(g.Cells(c.col, 1), QString::fromUtf8(c.text)) << c.col;
        EXPECT_EQ(g.GetCellValue(c.col, 1), c.get) << c.col;
    }
    g.SetCells(3, 1, QStringLiteral("green"));
    EXPECT_EQ(g.GetCellValue(3, 1), QVariant(1));
    g.SetCells(1, 1, QStringLiteral("900.0"));
    EXPECT_EQ(g.GetCellValue(1, 1), QVariant(0.9));
    // Cells that hold no value give and take text.
    g.SetCellValue(1, 0, 2.5);
    EXPECT_EQ(g.Cells(1, 0), QStringLiteral("2.5"));
    EXPECT_EQ(g.GetCellValue(1, 0), QVariant(QStringLiteral("2.5")));
    EXPECT_TRUE(messages.Errors.isEmpty());
}

TEST(EditGrid, UnitSwitchKeepsTheStoredValues)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TxColGrid g;
    g.SetFieldDefArray(
        {QStringLiteral(";;;"), QStringLiteral("Wid/Diam,mm; %0.3f;;;0;0"), QStringLiteral("Q; %0.3f;;;0;0")});
    g.SetFieldUnits(1, utLengthMeasure, 0, 2, ft_Fixed, 1.0, 0.0);
    EXPECT_EQ(g.Cells(1, 0), QStringLiteral("Wid/Diam,mm"));
    EXPECT_EQ(g.Field(1)->FormatStr, QStringLiteral("%0.1f"));
    const double values[] = {0.3, 0.30049, 0.0127, 1.2345678};
    for (int r = 1; r <= 4; ++r)
        g.SetCellValue(1, r, values[r - 1]);
    g.SetCells(1, 4, QStringLiteral("n/a")); // no number: kept as it is
    EXPECT_EQ(Column(g, 1).mid(1, 3),
              (QStringList{QStringLiteral("300.0"), QStringLiteral("300.5"), QStringLiteral("12.7")}));

    // Through every unit and back, several times: nothing drifts.
    for (int round = 0; round < 3; ++round)
        for (int unit : {3, 4, 0, 1, 2}) {
            g.SetFieldUnits(1, utLengthMeasure, 0, unit, ft_Fixed, 1.0, 0.0);
            for (int r = 1; r <= 3; ++r)
                EXPECT_EQ(g.GetCellValue(1, r).toDouble(), values[r - 1]) << unit << " " << r;
            EXPECT_EQ(g.Cells(1, 4), QStringLiteral("n/a"));
        }
    g.SetFieldUnits(1, utLengthMeasure, 0, 0, ft_Fixed, 1.0, 0.0);
    EXPECT_EQ(Column(g, 1), (QStringList{QStringLiteral("Wid/Diam,m"), QStringLiteral("0.300"), QStringLiteral("0.300"),
                                         QStringLiteral("0.013"), QStringLiteral("n/a")}));
    EXPECT_EQ(g.GetRangeHi(1), 0.0);

    // A caption without a comma becomes the label.
    g.SetFieldUnits(2, utAirFlowPrim, 0, 0, ft_Fixed, 1.0, 0.0);
    EXPECT_EQ(g.Cells(2, 0), GetUnitsLabel(utAirFlowPrim, 0));
    // A manual format stays.
    g.SetFieldUnits(1, utLengthMeasure, 0, 2, ft_Manual, 1.0, 0.0);
    EXPECT_EQ(g.Field(1)->FormatStr, QStringLiteral("%0.3f"));
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("300.000"));
    // Without a kind, the factor given counts and the caption stays.
    g.SetFieldUnits(2, utNone, 0, 0, ft_Fixed, 1000.0, 0.0);
    g.SetCellValue(2, 1, 0.5);
    EXPECT_EQ(g.Cells(2, 1), QStringLiteral("500.000"));
    EXPECT_EQ(g.Cells(2, 0), GetUnitsLabel(utAirFlowPrim, 0));
    EXPECT_TRUE(messages.Errors.isEmpty());
}

TEST(EditGrid, UnitSwitchOfAPairColumn)
{
    TxColGrid g;
    g.SetFieldDefArray({QStringLiteral(";;;"), QStringLiteral("Size;%0.3f/%0.3f;m;;0;0")});
    g.SetFieldUnits(1, utLengthMeasure, 0, 0, ft_Fixed, 1.0, 0.0);
    EXPECT_EQ(g.Field(1)->FormatStr, QStringLiteral("%0.3f/%0.3f"));
    g.SetCells(1, 1, QStringLiteral("0.013/0.5"));
    g.SetFieldUnits(1, utLengthMeasure, 0, 2, ft_Fixed, 1.0, 0.0);
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("13.0/500.0"));
    EXPECT_EQ(g.Cells(1, 0), QStringLiteral("Size,mm"));
    // Typed in mm and back to m: the stored pair survives the coarser format.
    g.SetCells(1, 1, QStringLiteral("12.5/30.0"));
    g.SetFieldUnits(1, utLengthMeasure, 0, 0, ft_Fixed, 1.0, 0.0);
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("0.013/0.030"));
    g.SetFieldUnits(1, utLengthMeasure, 0, 2, ft_Fixed, 1.0, 0.0);
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("12.5/30.0"));
}

TEST(EditGrid, CaptionPressOpensTheUnitsPopup)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TColGridWindow w(kItemDefs);
    ASSERT_TRUE(w.Active);
    TxColGrid& g = *w.Grid;
    g.SetFieldUnits(3, utLengthMeasure, 0, 2, ft_Fixed, 1.0, 0.0);
    g.SetCellValue(3, 1, 0.3);
    g.SetCells(4, 2, QStringLiteral("Purple"));
    g.SetUnitsPopupProc(&TxEditGrid::ShowUnitsPopup);
    QList<int> afterClicks;
    g.OnAfterRightClick = [&](QObject* sender, int field) {
        EXPECT_EQ(sender, &g);
        afterClicks << field;
    };

    ChooseUnit(0);
    w.Click(3, 0);
    EXPECT_EQ(afterClicks, QList<int>{3});
    EXPECT_EQ(g.Cells(3, 0), QStringLiteral("Wid/Diam,m"));
    EXPECT_EQ(g.Cells(3, 1), QStringLiteral("0.300"));
    EXPECT_EQ(g.GetCellValue(3, 1), QVariant(0.3));
    EXPECT_EQ(g.GetUnitsValue(3), 0);

    // The right button too.
    ChooseUnit(3);
    w.Click(3, 0, Qt::RightButton);
    EXPECT_EQ(g.Cells(3, 0), QStringLiteral("Wid/Diam,inch"));
    EXPECT_EQ(g.Cells(3, 1), QStringLiteral("11.81"));
    EXPECT_EQ(g.GetCellValue(3, 1), QVariant(0.3));

    // A field without units: no pop-up, the event and the refresh still run.
    w.Click(4, 0);
    w.Click(2, 0);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(afterClicks, (QList<int>{3, 3, 4, 2}));
    EXPECT_EQ(g.Cells(4, 2), QStringLiteral("Purple"));
    EXPECT_EQ(g.Cells(4, 1), QStringLiteral("Red"));
    EXPECT_TRUE(messages.Errors.isEmpty());
}

TEST(EditGrid, CaptionPressThatSizesAColumnIsNoCaptionPress)
{
    TColGridWindow w(kItemDefs);
    ASSERT_TRUE(w.Active);
    TxColGrid& g = *w.Grid;
    int popups = 0;
    int afterClicks = 0;
    g.SetUnitsPopupProc([&](TxEditGrid*, int, int, int, TField*&) { ++popups; });
    g.OnAfterRightClick = [&](QObject*, int) { ++afterClicks; };
    const TPixelRect caption = g.CellRect(2, 0);
    const QPoint line(caption.Right, (caption.Top + caption.Bottom) / 2);
    QTest::mousePress(g.viewport(), Qt::LeftButton, {}, line);
    EXPECT_EQ(g.GridState(), gsColSizing);
    QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, line + QPoint(10, 0));
    EXPECT_EQ(popups, 0);
    EXPECT_EQ(afterClicks, 0);
    EXPECT_EQ(g.ColWidths(2), 60);
    w.Click(2, 0);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(afterClicks, 1);
}

TEST(EditGrid, CaptionPressWithoutAPopupProcDoesNothingMore)
{
    TColGridWindow w(kItemDefs);
    ASSERT_TRUE(w.Active);
    int afterClicks = 0;
    w.Grid->OnAfterRightClick = [&](QObject*, int) { ++afterClicks; };
    w.Click(3, 0);
    EXPECT_EQ(afterClicks, 0);
    // The caption row cannot be selected.
    EXPECT_EQ(w.Grid->Row(), 1);
}

TEST(EditGrid, EditingACellStoresTheStoredValue)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TColGridWindow w({QStringLiteral(";;;"), QStringLiteral("Len;%0.3f;;;0;1"), QStringLiteral("Pct;%0.1f;;;0;100"),
                      QStringLiteral("Count;%d;;;0;0")});
    ASSERT_TRUE(w.Active);
    TxColGrid& g = *w.Grid;
    g.SetFieldUnits(1, utLengthMeasure, 0, 2, ft_Fixed, 1.0, 0.0);
    QStringList data;
    g.OnDoSetData = [&](QObject*, int c, int r) { data << QStringLiteral("%1,%2").arg(c).arg(r); };

    g.SetColorEditMode(QColor(200, 230, 255));
    g.SetColorEditModeText(QColor(0, 0, 128));
    w.Click(1, 1);
    TColGridWindow::Type("450");
    TxInplaceEdit* editor = g.InplaceEdit();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->palette().color(QPalette::Base), QColor(200, 230, 255));
    EXPECT_EQ(editor->palette().color(QPalette::Text), QColor(0, 0, 128));
    EXPECT_EQ(editor->FormatStr(), QStringLiteral("%0.1f"));
    EXPECT_EQ(editor->RangeHi(), 1000.0);
    TColGridWindow::Key(Qt::Key_Return);
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("450.0"));
    EXPECT_EQ(g.GetCellValue(1, 1), QVariant(0.45));
    EXPECT_EQ(data, QStringList{QStringLiteral("1,1")});
    EXPECT_EQ(messages.Beeps, 0);

    // Beyond the range: the bound, with a beep.
    TColGridWindow::Type("1500");
    TColGridWindow::Key(Qt::Key_Return);
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("1000.0"));
    EXPECT_EQ(g.GetCellValue(1, 1), QVariant(1.0));
    EXPECT_EQ(messages.Beeps, 1);

    // Each column validates with its own format, also when the edit ends by
    // moving to another column.
    w.Click(2, 2);
    TColGridWindow::Type("150");
    w.Click(3, 2);
    EXPECT_EQ(g.Cells(2, 2), QStringLiteral("100.0"));
    EXPECT_EQ(messages.Beeps, 2);
    TColGridWindow::Type("7.");
    EXPECT_EQ(messages.Beeps, 3); // an integer column refuses the point
    TColGridWindow::Key(Qt::Key_Return);
    EXPECT_EQ(g.GetCellValue(3, 2), QVariant(7));
    EXPECT_TRUE(messages.Errors.isEmpty());
}

TEST(EditGrid, RetypingTheShownTextGivesTheTypedValue)
{
    TColGridWindow w({QStringLiteral(";;;"), QStringLiteral("Len;%0.3f;;;0;0")});
    ASSERT_TRUE(w.Active);
    TxColGrid& g = *w.Grid;
    g.SetFieldUnits(1, utLengthMeasure, 0, 2, ft_Fixed, 1.0, 0.0);
    g.SetCellValue(1, 2, 0.30049);
    g.SetCellValue(1, 1, 0.30049);
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("300.5"));
    w.Click(1, 1);
    TColGridWindow::Type("300.5");
    TColGridWindow::Key(Qt::Key_Return);
    EXPECT_EQ(g.GetCellValue(1, 1), QVariant(0.3005));
    // Opening and closing the editor changes nothing.
    TColGridWindow::Key(Qt::Key_Down);
    TColGridWindow::Key(Qt::Key_F2);
    TColGridWindow::Key(Qt::Key_Return);
    EXPECT_EQ(g.GetCellValue(1, 2), QVariant(0.30049));
    // Rows that move take their values along.
    g.SetCellValue(1, 3, 0.10001);
    g.DeleteRow(2);
    EXPECT_EQ(g.GetCellValue(1, 2), QVariant(0.10001));
}

// A cell shows its value rounded; its editor starts from the exact value, and
// an entry that is refused or changes nothing keeps that value.
TEST(EditGrid, TheEditorStartsFromTheExactValue)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TColGridWindow w(kItemDefs);
    ASSERT_TRUE(w.Active);
    TxColGrid& g = *w.Grid;
    struct {
        const char* name;
        int col;
        double exact;
        const char* shown;
        const char* opens;
        const char* keys; // typed into the editor, which opens with all selected;
                          // '<' Backspace, '>' End, '^' Escape, '|' paste
        const char* paste;
        QVariant after;
        int refused; // -1: not refused, else the reason the grid gives
        TFormatType type = ft_Fixed; // of the unit column
    } const cases[] = {
        {"opened and closed", 2, 12348, "1.235E4", "12348", "", "", 12348.0, -1},
        {"refused paste", 2, 12348, "1.235E4", "12348", "|", "abc", 12348.0, ecNoNumber},
        {"typed and taken back", 2, 12348, "1.235E4", "12348", ">7<", "", 12348.0, -1},
        {"Escape", 2, 12348, "1.235E4", "12348", "^", "", 12348.0, -1},
        {"the shown text typed", 2, 12348, "1.235E4", "12348", "1.235E4", "", 12350.0, -1},
        {"refused letter", 2, 12348, "1.235E4", "12348", "e", "", 12348.0, ecNoNumber},
        {"beyond the doubles", 2, 12348, "1.235E4", "12348", "|", "1e309", 12348.0, ecOutOfRange},
        {"below the doubles", 2, 12348, "1.235E4", "12348", "|", "2e-400", 12348.0, ecOutOfRange},
        {"just within them", 2, 12348, "1.235E4", "12348", "|", "1e308", 1e308, -1},
        {"an exponent beyond 300", 2, 12348, "1.235E4", "12348", "|", "3.5e-301", 3.5e-301, -1},
        {"price", 2, 12.345, "12.35", "12.345", ">7<", "", 12.345, -1},
        {"unit column", 3, 0.30049, "300.5", "300.49", ">7<", "", 0.30049, -1},
        {"unit column, refused", 3, 0.30049, "300.5", "300.49", "|", "x", 0.30049, ecNoNumber},
        {"unit column, retyped", 3, 0.30049, "300.5", "300.49", "300.5", "", 0.3005, -1},
        {"opened and closed, shown by significant digits", 3, 0.0051, "5.100", "5.1", "", "", 0.0051, -1,
         ft_AutoOverride},
    };
    std::vector<int> refusals;
    g.OnEditRefused = [&](QObject*, int col, int row, TEntryCheck why) {
        EXPECT_EQ(TGridCoord(col, row), TGridCoord(g.Col(), 1));
        refusals.push_back(why);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g.SetFieldUnits(3, utLengthMeasure, 0, 2, c.type, 1.0, 0.0);
        g.SetCellValue(c.col, 2, 7.0); // another cell, another value
        g.SetCellValue(c.col, 1, c.exact);
        ASSERT_EQ(g.Cells(c.col, 1), QString::fromLatin1(c.shown));
        w.Click(c.col, 2);
        w.Click(c.col, 1);
        TColGridWindow::Key(Qt::Key_Return);
        ASSERT_NE(g.InplaceEdit(), nullptr);
        EXPECT_EQ(g.InplaceEdit()->text(), QString::fromLatin1(c.opens));
        QApplication::clipboard()->setText(QString::fromLatin1(c.paste));
        const int beeps = messages.Beeps;
        refusals.clear();
        for (const char* k = c.keys; *k; ++k) {
            QWidget* focus = QApplication::focusWidget();
            switch (*k) {
            case '<': QTest::keyClick(focus, Qt::Key_Backspace); break;
            case '>': QTest::keyClick(focus, Qt::Key_End); break;
            case '^': QTest::keyClick(focus, Qt::Key_Escape); break;
            case '|': QTest::keyClick(focus, Qt::Key_V, Qt::ControlModifier); break;
            default: QTest::keyClick(focus, *k);
            }
        }
        TColGridWindow::Key(Qt::Key_Return);
        EXPECT_EQ(g.GetCellValue(c.col, 1), c.after) << g.GetCellValue(c.col, 1).toDouble();
        if (c.after == QVariant(c.exact)) { // a cell that keeps its value keeps its text
            EXPECT_EQ(g.Cells(c.col, 1), QString::fromLatin1(c.shown));
        }
        EXPECT_EQ(messages.Beeps - beeps, c.refused < 0 ? 0 : 1);
        EXPECT_EQ(refusals, c.refused < 0 ? std::vector<int>() : std::vector<int>{c.refused});
        // The editor opened on the next cell does not take this one's value.
        w.Click(c.col, 2);
        TColGridWindow::Key(Qt::Key_F2);
        TColGridWindow::Key(Qt::Key_Return);
        EXPECT_EQ(g.GetCellValue(c.col, 2), QVariant(7.0));
    }
}

TEST(EditGrid, ChoiceStepping)
{
    TColGridWindow w(kItemDefs);
    ASSERT_TRUE(w.Active);
    TxColGrid& g = *w.Grid;
    int keyDowns = 0;
    g.OnKeyDown = [&](QObject*, int&, TShiftState) { ++keyDowns; };
    QStringList data;
    g.OnDoSetData = [&](QObject*, int c, int r) { data << QStringLiteral("%1,%2").arg(c).arg(r); };
    w.Click(4, 1);
    keyDowns = 0;
    EXPECT_EQ(g.Cells(4, 1), QStringLiteral("Red"));

    struct {
        Qt::Key key;
        const char* before;
        const char* after;
    } const cases[] = {
        {Qt::Key_Right, "Red", "Green"}, {Qt::Key_Right, "Blue", "Red"},   {Qt::Key_Left, "Red", "Blue"},
        {Qt::Key_Left, "Green", "Red"},  {Qt::Key_Right, "Purple", "Red"}, {Qt::Key_Left, "Purple", ""},
        {Qt::Key_Right, "blue", "Red"},
    };
    for (const auto& c : cases) {
        g.SetCells(4, 1, QString::fromUtf8(c.before));
        data.clear();
        TColGridWindow::Key(c.key);
        EXPECT_EQ(g.Cells(4, 1), QString::fromUtf8(c.after)) << c.before;
        EXPECT_EQ(data, QStringList{QStringLiteral("4,1")});
    }
    // The keys never reach the grid's own handling.
    EXPECT_EQ(g.Current(), (TGridCoord{4, 1}));
    EXPECT_EQ(keyDowns, 0);

    // A double click steps forward.
    g.SetCells(4, 2, QStringLiteral("Green"));
    w.Click(4, 2);
    w.DoubleClick(4, 2);
    EXPECT_EQ(g.Cells(4, 2), QStringLiteral("Blue"));

    // In other columns the keys move as usual.
    w.Click(3, 1);
    TColGridWindow::Key(Qt::Key_Left);
    EXPECT_EQ(g.Current(), (TGridCoord{2, 1}));
    EXPECT_EQ(keyDowns, 1);
    g.SetCells(2, 2, QStringLiteral("5"));
    w.Click(2, 2);
    w.DoubleClick(2, 2);
    EXPECT_EQ(g.Cells(2, 2), QStringLiteral("5"));
}

TEST(EditGrid, SpinButtons)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TColGridWindow w({QStringLiteral(";;;"), QStringLiteral("Val;%0.1f;;Spin;0;10;2.5"),
                      QStringLiteral("Zero;%0.1f;;spin;0;0"), QStringLiteral("Name;%S")});
    ASSERT_TRUE(w.Active);
    TxColGrid& g = *w.Grid;
    QStringList data;
    g.OnDoSetData = [&](QObject*, int c, int r) { data << QStringLiteral("%1,%2").arg(c).arg(r); };
    g.SetCellValue(1, 1, 3.0);
    w.Click(1, 1);
    QToolButton* up = g.SpinUpButton();
    QToolButton* down = g.SpinDownButton();
    ASSERT_FALSE(up->isHidden());
    ASSERT_FALSE(down->isHidden());
    EXPECT_TRUE(g.PullDownButton()->isHidden());
    EXPECT_TRUE(g.PropEdButton()->isHidden());
    EXPECT_EQ(up->geometry(), ToQRect(EditButtonRect(ebSpinUp, g.CellRect(1, 1), g.RowHeights(1))));
    EXPECT_EQ(down->geometry(), ToQRect(EditButtonRect(ebSpinDown, g.CellRect(1, 1), g.RowHeights(1))));
    // The buttons take the clicks at the right end of the cell.
    const QRect cell = ToQRect(g.CellRect(1, 1));
    EXPECT_EQ(g.viewport()->childAt(cell.right(), cell.top()), up);
    EXPECT_EQ(g.viewport()->childAt(cell.right(), cell.bottom()), down);
    EXPECT_EQ(g.viewport()->childAt(cell.right() - up->width() - 1, cell.top()), nullptr);

    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("5.0"));
    QTest::mouseClick(down, Qt::LeftButton);
    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("0.0"));
    EXPECT_EQ(data, (QStringList{QStringLiteral("1,1"), QStringLiteral("1,1"), QStringLiteral("1,1")}));
    data.clear();
    QTest::mouseClick(down, Qt::LeftButton); // at the low bound: nothing
    EXPECT_TRUE(data.isEmpty());
    g.SetCellValue(1, 1, 9.0);
    g.SpinUp();
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("10.0"));
    data.clear();
    g.SpinUp();
    EXPECT_TRUE(data.isEmpty());

    // Both bounds 0: every step gives 0.
    g.SetCellValue(2, 1, 3.0);
    w.Click(2, 1);
    QTest::mouseClick(g.SpinUpButton(), Qt::LeftButton);
    EXPECT_EQ(g.Cells(2, 1), QStringLiteral("0.0"));

    // The editor covers the spin buttons.
    TColGridWindow::Type("4");
    EXPECT_TRUE(g.SpinUpButton()->isHidden());
    EXPECT_TRUE(g.SpinDownButton()->isHidden());
    TColGridWindow::Key(Qt::Key_Return);

    // A text field has none.
    w.Click(3, 1);
    EXPECT_TRUE(g.SpinUpButton()->isHidden());
    EXPECT_FALSE(g.SpinUpButton()->isEnabled());
    EXPECT_TRUE(messages.Errors.isEmpty());
}

TEST(EditGrid, PropertyEditorButton)
{
    TColGridWindow w({QStringLiteral(";;;"), QStringLiteral("Thing;%S;;PE"), QStringLiteral("Name;%S")});
    ASSERT_TRUE(w.Active);
    TxColGrid& g = *w.Grid;
    QStringList clicks;
    g.OnPropEditClick = [&](QObject*, int c, int r) { clicks << QStringLiteral("%1,%2").arg(c).arg(r); };
    w.Click(1, 2);
    QToolButton* pe = g.PropEdButton();
    ASSERT_FALSE(pe->isHidden());
    EXPECT_EQ(pe->geometry(), ToQRect(EditButtonRect(ebPropEd, g.CellRect(1, 2), g.RowHeights(2))));
    QTest::mouseClick(pe, Qt::LeftButton);
    EXPECT_EQ(clicks, QStringList{QStringLiteral("1,2")});
    // The button follows its cell when the column widths change.
    g.SetColWidths(1, 90);
    EXPECT_EQ(pe->geometry(), ToQRect(EditButtonRect(ebPropEd, g.CellRect(1, 2), g.RowHeights(2))));
    w.Click(2, 2);
    EXPECT_TRUE(pe->isHidden());
}

TEST(EditGrid, DropDownList)
{
    TColGridWindow w({QStringLiteral(";;;"), QStringLiteral("Many;enum;;One;Two;Three;Four;Five;Six;Seven;Eight"),
                      QStringLiteral("Colour;enum;;Red;Green;Blue"), QStringLiteral("Name;%S")});
    ASSERT_TRUE(w.Active);
    TxColGrid& g = *w.Grid;
    QStringList data;
    g.OnDoSetData = [&](QObject*, int c, int r) { data << QStringLiteral("%1,%2").arg(c).arg(r); };
    g.SetCells(1, 1, QStringLiteral("Three"));
    w.Click(1, 1);
    QToolButton* pull = g.PullDownButton();
    ASSERT_FALSE(pull->isHidden());
    EXPECT_EQ(pull->geometry(), ToQRect(EditButtonRect(ebPullDown, g.CellRect(1, 1), g.RowHeights(1))));

    TEditGridList* list = g.DropDownList();
    QTest::mouseClick(pull, Qt::LeftButton);
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->count(), 8);
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_EQ(list->height(), 6 * g.DefaultRowHeight());
    const TPixelRect cell = g.CellRect(1, 1);
    EXPECT_EQ(list->pos(), g.viewport()->mapToGlobal(QPoint(cell.Left + 1, cell.Top + 1 + 16)));

    // Every key release applies the current choice; Return only closes.
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("Four"));
    EXPECT_EQ(data, QStringList{QStringLiteral("1,1")});
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(data.size(), 1);
    EXPECT_EQ(QApplication::focusWidget(), &g);

    // Escape closes without applying.
    QTest::mouseClick(pull, Qt::LeftButton);
    ASSERT_TRUE(list->isVisible());
    list->setCurrentRow(0);
    QTest::keyPress(list, Qt::Key_Escape);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("Four"));

    // A press on an item applies it and closes.
    QTest::mouseClick(pull, Qt::LeftButton);
    ASSERT_TRUE(list->isVisible());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(4)).center());
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("Five"));

    // The pull-down button closes what it opened.
    g.PullDownReleased();
    ASSERT_TRUE(list->isVisible());
    g.PullDownReleased();
    EXPECT_FALSE(list->isVisible());

    // The pointer over a cell without choices closes the list.
    g.PullDownReleased();
    ASSERT_TRUE(list->isVisible());
    g.MouseMove(0, w.CellCentre(2, 2).x(), w.CellCentre(2, 2).y());
    EXPECT_TRUE(list->isVisible());
    g.MouseMove(0, w.CellCentre(3, 2).x(), w.CellCentre(3, 2).y());
    EXPECT_FALSE(list->isVisible());

    // So does a release over a cell with choices.
    g.PullDownReleased();
    ASSERT_TRUE(list->isVisible());
    g.MouseUp(mbLeft, 0, w.CellCentre(3, 2).x(), w.CellCentre(3, 2).y());
    EXPECT_TRUE(list->isVisible());
    g.MouseUp(mbLeft, 0, w.CellCentre(2, 2).x(), w.CellCentre(2, 2).y());
    EXPECT_FALSE(list->isVisible());

    // Moving to another cell closes it too.
    g.PullDownReleased();
    ASSERT_TRUE(list->isVisible());
    g.SetCol(2);
    EXPECT_FALSE(list->isVisible());

    // A choice field's editor leaves the pull-down button over it.
    TColGridWindow::Type("x");
    ASSERT_TRUE(g.InplaceEdit()->Visible());
    EXPECT_FALSE(g.PullDownButton()->isHidden());
}

TEST(EditGrid, NarrowChoiceListIsWidened)
{
    TColGridWindow w({QStringLiteral(";;;"), QStringLiteral("C;enum;;A;A much longer choice")});
    ASSERT_TRUE(w.Active);
    TxColGrid& g = *w.Grid;
    g.SetColWidths(1, 30);
    w.Click(1, 1);
    g.PullDownReleased();
    TEditGridList* list = g.DropDownList();
    ASSERT_TRUE(list->isVisible());
    const int widest = list->fontMetrics().horizontalAdvance(QStringLiteral("A much longer choice"));
    EXPECT_EQ(list->width(), widest + 8 < 200 ? widest + 8 : 31);
    EXPECT_EQ(list->height(), 3 * 16);
    g.CloseDropDown();
}

TEST(EditGrid, FieldOperationErrorsNameTheField)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TxColGrid g;
    g.SetFieldDefArray(kItemDefs);
    g.SetFieldUnits(1, utLengthMeasure, 0, 2, ft_Fixed, 1.0, 0.0); // a text field
    g.SetFieldUnits(9, utLengthMeasure, 0, 2, ft_Fixed, 1.0, 0.0);
    g.SetFieldEditable(99, false);
    EXPECT_EQ(g.GetRangeHi(99), 0.0);
    EXPECT_EQ(g.GetRangeLo(-1), 0.0);
    EXPECT_EQ(g.GetUnitsType(7), utNone);
    EXPECT_EQ(g.GetUnitsValue(7), 0);
    EXPECT_TRUE(messages.Errors.isEmpty());
    EXPECT_EQ(messages.Messages, (QStringList{
                                     QStringLiteral("Error setting units, field def 1"),
                                     QStringLiteral("Error setting units, field def 9"),
                                     QStringLiteral("Error setting editable field def 99"),
                                     QStringLiteral("Error getting range hi, field def 99"),
                                     QStringLiteral("Error getting range lo, field def -1"),
                                     QStringLiteral("Error getting units type, field def 7"),
                                     QStringLiteral("Error getting units value, field def 7"),
                                 }));
    messages.Clear();
    // Fields that are no numbers answer quietly.
    EXPECT_EQ(g.GetRangeHi(1), 0.0);
    EXPECT_EQ(g.GetUnitsType(4), utNone);
    EXPECT_EQ(g.GetUnitsValue(4), 0);
    g.SetFieldUnits(3, utLengthMeasure, 0, 2, ft_Fixed, 1.0, 0.0);
    auto* f = dynamic_cast<TNumField*>(g.Field(3));
    f->Low = 0.1;
    f->High = 0.5;
    EXPECT_DOUBLE_EQ(g.GetRangeLo(3), 100.0);
    EXPECT_DOUBLE_EQ(g.GetRangeHi(3), 500.0);
    EXPECT_EQ(g.GetUnitsType(3), utLengthMeasure);
    EXPECT_EQ(g.GetUnitsValue(3), 2);
    EXPECT_TRUE(messages.Messages.isEmpty());
}

TEST(EditGrid, FocusEntrySetsTheClickFlag)
{
    ResetFocusClickFlag();
    TColGridWindow w(kItemDefs);
    ASSERT_TRUE(w.Active);
    TxColGrid& g = *w.Grid;
    w.Other->setFocus();
    ResetFocusClickFlag();
    g.setFocus();
    EXPECT_EQ(FocusClickFlag(), 1);
    // The click on the current cell that follows opens no editor; the next one does.
    w.Click(1, 1);
    EXPECT_TRUE(g.InplaceEdit() == nullptr || !g.InplaceEdit()->Visible());
    EXPECT_EQ(FocusClickFlag(), 0);
    w.Click(1, 1);
    ASSERT_NE(g.InplaceEdit(), nullptr);
    EXPECT_TRUE(g.InplaceEdit()->Visible());
    ResetFocusClickFlag();
}

TEST(EditGrid, SelectingAndEditability)
{
    TColGridWindow w(kItemDefs);
    ASSERT_TRUE(w.Active);
    TTestColGrid& g = *w.Grid;
    EXPECT_FALSE(g.SelectCell(2, 0));
    EXPECT_FALSE(g.SelectCell(0, 2));
    EXPECT_TRUE(g.SelectCell(2, 2));
    EXPECT_EQ(g.EditorFormat(), QStringLiteral("%0.4g"));
    bool vetoed = false;
    g.OnSelectCell = [&](QObject*, int, int, bool& can) {
        can = !vetoed;
        vetoed = true;
    };
    EXPECT_TRUE(g.SelectCell(3, 2));
    EXPECT_FALSE(g.SelectCell(3, 3));
    g.OnSelectCell = nullptr;

    EXPECT_TRUE(g.IsFieldEditable(2, 1));
    EXPECT_FALSE(g.IsFieldEditable(2, 0));
    EXPECT_FALSE(g.IsFieldEditable(9, 1));
    g.SetFieldEditable(2, false);
    EXPECT_FALSE(g.IsFieldEditable(2, 1));
    w.Click(2, 1);
    TColGridWindow::Type("5");
    EXPECT_TRUE(g.InplaceEdit() == nullptr || !g.InplaceEdit()->Visible());
    EXPECT_EQ(g.Cells(2, 1), QStringLiteral("0"));
    w.Click(1, 1);
    TColGridWindow::Type("5");
    ASSERT_NE(g.InplaceEdit(), nullptr);
    EXPECT_TRUE(g.InplaceEdit()->Visible());

    EXPECT_TRUE(g.CellHasPickList(4, 1));
    EXPECT_FALSE(g.CellHasPickList(4, 0));
    EXPECT_FALSE(g.CellHasPickList(3, 1));
    EXPECT_FALSE(g.CellHasPickList(7, 1));
    EXPECT_EQ(g.CurrentField(), g.Col());
    EXPECT_EQ(g.CurrentRecord(), g.Row());
}

TEST(EditGrid, DefaultColWidthKeepsTheFixedCells)
{
    TxColGrid g;
    g.SetFieldDefArray(kItemDefs);
    g.SetDefaultColWidth(70);
    EXPECT_EQ(g.DefaultColWidth(), 70);
    EXPECT_EQ(g.ColWidths(0), 70);
    EXPECT_EQ(g.FixedCols(), 1);
    EXPECT_EQ(g.FixedRows(), 1);
}

TEST(EditGrid, DataCellsTakeTheEditColour)
{
    TColGridWindow w(kItemDefs);
    ASSERT_TRUE(w.Active);
    TxColGrid& g = *w.Grid;
    g.SetColorEditCol(QColor(255, 255, 0));
    w.Other->setFocus();
    const QImage shot = g.viewport()->grab().toImage();
    const TPixelRect data = g.CellRect(2, 3);
    const TPixelRect caption = g.CellRect(2, 0);
    EXPECT_EQ(shot.pixelColor(data.Right - 3, data.Bottom - 2), QColor(255, 255, 0));
    EXPECT_NE(shot.pixelColor(caption.Right - 3, caption.Bottom - 2), QColor(255, 255, 0));
    // The unfocused current cell too.
    const TPixelRect current = g.CellRect(g.Col(), g.Row());
    EXPECT_EQ(shot.pixelColor(current.Right - 3, current.Bottom - 2), QColor(255, 255, 0));
}

// A pair cell shows its stored text on the filled cell, never over the
// formatted value: exactly as a text cell shows the same text.
TEST(EditGrid, APairCellIsPaintedOnce)
{
    TColGridWindow w({QStringLiteral(";;;"), QStringLiteral("Pair;%0.1f/%0.1f;;;0;0"), QStringLiteral("Text; %S;;;")});
    ASSERT_TRUE(w.Active);
    TxColGrid& g = *w.Grid;
    g.SetRowCount(4);
    g.SetCells(1, 2, QStringLiteral("3/4.5"));
    g.SetCells(2, 2, QStringLiteral("3/4.5"));
    w.Other->setFocus();
    const QImage shot = g.viewport()->grab().toImage();
    const QRect pair = ToQRect(g.CellRect(1, 2));
    const QRect text = ToQRect(g.CellRect(2, 2));
    ASSERT_EQ(pair.size(), text.size());
    EXPECT_EQ(shot.copy(pair), shot.copy(text));
}
