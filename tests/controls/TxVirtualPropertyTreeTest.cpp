#include "TestUtil.h"
#include "TxErrors.h"
#include "TxPlatform.h"
#include "TxVirtualPropertyTree.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

bool WaitActive(QWidget* window)
{
    window->activateWindow();
    return QTest::qWaitForWindowActive(window) &&
           QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

// A window with a property tree of every field kind and a line edit.
//   Air:  Count (integer 1..10), Name (string), Length (m shown in mm, 0..2 m)
//   Size: Unit (list), Flag (boolean), Colour, Plain (float "%0.2f", 0..50)
class PropertyTree : public ::testing::Test {
protected:
    TRecordingMessageService Service;
    TScopedMessageService Scope{Service};
    QWidget Form;
    TVirtualPropertyTree* Tree = new TVirtualPropertyTree(&Form);
    QLineEdit* Other = new QLineEdit(&Form);

    int32_t Count = 5;
    QString Name = QStringLiteral("Duct");
    double Length = 0.9;
    int32_t Unit = 2;
    uint8_t Flag = 1;
    int32_t Colour = 255;
    double Plain = 12.5;

    struct TEdited {
        PVirtualNode Node;
        int Column;
    };
    std::vector<TEdited> Edited;

    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&Form);
        layout->addWidget(Tree);
        layout->addWidget(Other);
        Form.resize(300, 400);

        const QString air = QStringLiteral("Air");
        const QString size = QStringLiteral("Size");
        TTreeField* f = Tree->AddField(air, QStringLiteral("Count"), nullptr);
        f->Kind = tfInteger;
        f->Value = &Count;
        f->IntLo = 1;
        f->IntHi = 10;
        f = Tree->AddField(air, QStringLiteral("Name"), nullptr);
        f->Kind = tfString;
        f->Value = &Name;
        f = Tree->AddField(size, QStringLiteral("Unit"), nullptr);
        f->Kind = tfList;
        f->Value = &Unit;
        f->Items = {QStringLiteral("m"), QStringLiteral("cm"), QStringLiteral("mm")};
        f = Tree->AddField(air, QStringLiteral("Length"), nullptr);
        f->Kind = tfFloat;
        f->Value = &Length;
        f->UnitsType = utLengthMeasure;
        f->UnitsBase = 0;
        f->UnitsValue = 2;
        f->FloatLo = 0.0;
        f->FloatHi = 2.0;
        f = Tree->AddField(size, QStringLiteral("Flag"), nullptr);
        f->Kind = tfBoolean;
        f->Value = &Flag;
        f = Tree->AddField(size, QStringLiteral("Colour"), nullptr);
        f->Kind = tfColor;
        f->Value = &Colour;
        f = Tree->AddField(size, QStringLiteral("Plain"), nullptr);
        f->Kind = tfFloat;
        f->Value = &Plain;
        f->FormatStr = QStringLiteral("%0.2f");
        f->FloatLo = 0.0;
        f->FloatHi = 50.0;
        Tree->Rebuild();
        Tree->OnEdited = [this](TVirtualPropertyTree* sender, PVirtualNode node, int column) {
            EXPECT_EQ(sender, Tree);
            Edited.push_back({node, column});
        };
        Form.show();
        ASSERT_TRUE(WaitActive(&Form));
        Tree->setFocus();
    }

    PVirtualNode Node(int category, int index = -1) const
    {
        QTreeWidgetItem* root = Tree->topLevelItem(category);
        return index < 0 ? root : root->child(index);
    }
    PVirtualNode CountRow() const { return Node(0, 0); }
    PVirtualNode NameRow() const { return Node(0, 1); }
    PVirtualNode LengthRow() const { return Node(0, 2); }
    PVirtualNode UnitRow() const { return Node(1, 0); }
    PVirtualNode FlagRow() const { return Node(1, 1); }
    PVirtualNode ColourRow() const { return Node(1, 2); }
    PVirtualNode PlainRow() const { return Node(1, 3); }

    void Select(PVirtualNode node) { Tree->setCurrentItem(node, 1); }
    // Which editors show, as letters: Edit, Combo, checK box, cOlour, Dialog.
    QString Shown() const
    {
        QString s;
        if (Tree->PropertyEdit()->isVisible())
            s += QLatin1Char('E');
        if (Tree->PropertyCombo()->isVisible())
            s += QLatin1Char('C');
        if (Tree->PropertyCheckbox()->isVisible())
            s += QLatin1Char('K');
        if (Tree->PropertyColor()->isVisible())
            s += QLatin1Char('O');
        if (Tree->PropertyDialog()->isVisible())
            s += QLatin1Char('D');
        return s;
    }
    // Types over the whole text of the edit.
    void TypeInEdit(const QString& keys)
    {
        TVTPropertyEdit* edit = Tree->PropertyEdit();
        ASSERT_TRUE(edit->hasFocus());
        edit->selectAll();
        QTest::keyClicks(edit, keys);
    }
};

TEST_F(PropertyTree, RowsUnderTheirCategories)
{
    ASSERT_EQ(Tree->topLevelItemCount(), 2);
    EXPECT_EQ(Tree->DoGetText(Node(0), 0), QStringLiteral("Air"));
    EXPECT_EQ(Tree->DoGetText(Node(0), 1), QString());
    EXPECT_EQ(Tree->DoGetText(Node(1), 0), QStringLiteral("Size"));
    ASSERT_EQ(Node(0)->childCount(), 3);
    ASSERT_EQ(Node(1)->childCount(), 4);
    EXPECT_TRUE(Node(0)->isExpanded());
    EXPECT_TRUE(Node(1)->isExpanded());

    const struct {
        PVirtualNode node;
        const char* caption;
        const char* value;
    } rows[] = {
        {CountRow(), "Count", "5"},     {NameRow(), "Name", "Duct"}, {LengthRow(), "Length", "900.0"},
        {UnitRow(), "Unit", "mm"},      {FlagRow(), "Flag", " "},    {ColourRow(), "Colour", "255, 0, 0"},
        {PlainRow(), "Plain", "12.50"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(Tree->DoGetText(r.node, 0), QString::fromLatin1(r.caption));
        EXPECT_EQ(Tree->DoGetText(r.node, 1), QString::fromLatin1(r.value)) << r.caption;
        ASSERT_NE(Tree->GetNodeField(r.node), nullptr);
        EXPECT_EQ(Tree->GetNodeField(r.node)->Caption, QString::fromLatin1(r.caption));
    }
    EXPECT_EQ(Tree->GetNodeField(Node(0)), nullptr);
    EXPECT_EQ(Tree->GetNodeField(nullptr), nullptr);

    // Column 0 is as wide as its widest text; column 1 fills the rest.
    QFont bold = Tree->font();
    bold.setBold(true);
    int widest = 0;
    for (const char* t : {"Count", "Name", "Length", "Unit", "Flag", "Colour", "Plain"})
        widest = std::max(widest, Tree->fontMetrics().horizontalAdvance(QString::fromLatin1(t)));
    for (const char* t : {"Air", "Size"})
        widest = std::max(widest, QFontMetrics(bold).horizontalAdvance(QString::fromLatin1(t)));
    EXPECT_EQ(Tree->columnWidth(0), widest + Tree->Margin() + 2 * Tree->TextMargin());
    EXPECT_EQ(Tree->columnWidth(0) + Tree->columnWidth(1), Tree->viewport()->width());

    EXPECT_TRUE(Tree->selectedItems().isEmpty());
    EXPECT_EQ(Shown(), QString());
}

TEST_F(PropertyTree, EachKindGetsItsEditor)
{
    const struct {
        PVirtualNode node;
        const char* shown;
    } rows[] = {
        {CountRow(), "E"}, {NameRow(), "E"},   {LengthRow(), "E"}, {UnitRow(), "C"},
        {FlagRow(), "K"},  {ColourRow(), "O"}, {PlainRow(), "E"},  {Node(0), ""},
    };
    for (const auto& r : rows) {
        Select(r.node);
        EXPECT_EQ(Shown(), QString::fromLatin1(r.shown)) << qPrintable(Tree->DoGetText(r.node, 0));
        if (Tree->PropertyEdit()->isVisible()) {
            EXPECT_EQ(Tree->PropertyEdit()->text(), Tree->DoGetText(r.node, 1));
            EXPECT_TRUE(Tree->PropertyEdit()->hasFocus());
            EXPECT_EQ(Tree->PropertyEdit()->selectedText(), Tree->PropertyEdit()->text());
        }
    }
    EXPECT_TRUE(Edited.empty());

    // Each over the value cell as its kind places it.
    const QRect cell = Tree->GetDisplayRect(PlainRow(), 1);
    Select(PlainRow());
    EXPECT_EQ(Tree->PropertyEdit()->geometry(), PropertyEditorBounds(TPropertyEditorKind::Edit, cell));
    const QRect unitCell = Tree->GetDisplayRect(UnitRow(), 1);
    Select(UnitRow());
    EXPECT_EQ(Tree->PropertyCombo()->geometry().topLeft(), unitCell.topLeft() + QPoint(1, -1));
    EXPECT_EQ(Tree->PropertyCombo()->width(), unitCell.width() + 2);
    const QRect colourCell = Tree->GetDisplayRect(ColourRow(), 1);
    Select(ColourRow());
    EXPECT_EQ(Tree->PropertyColor()->geometry(), PropertyEditorBounds(TPropertyEditorKind::Color, colourCell));

    // Selecting a category row hides every editor.
    Select(Node(1));
    EXPECT_EQ(Shown(), QString());
}

TEST_F(PropertyTree, AListPickIsStoredAtOnce)
{
    Select(UnitRow());
    TVTPropertyCombo* combo = Tree->PropertyCombo();
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(combo->currentText(), QStringLiteral("mm"));
    EXPECT_FALSE(combo->isEditable());
    EXPECT_TRUE(Tree->hasFocus()); // shown, not focused

    // From the drop-down list.
    combo->showPopup();
    ASSERT_TRUE(QTest::qWaitFor([combo] { return combo->view()->isVisible(); }));
    QTest::keyClick(combo->view(), Qt::Key_Up);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    EXPECT_EQ(Unit, 1);
    ASSERT_EQ(Edited.size(), 1u);
    EXPECT_EQ(Edited[0].Node, UnitRow());
    EXPECT_EQ(Edited[0].Column, Tree->currentColumn());
    EXPECT_EQ(Tree->DoGetText(UnitRow(), 1), QStringLiteral("cm"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("cm"));

    // With the keys of the closed combo.
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(Unit, 0);
    EXPECT_EQ(Edited.size(), 2u);

    // Showing the editor again stores nothing.
    Select(PlainRow());
    Select(UnitRow());
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(Edited.size(), 2u);
}

// Scrolling the window over the list must not change a unit; once the list
// has the focus, the wheel picks.
TEST_F(PropertyTree, TheWheelOverTheListPicksOnlyWhenItHasTheFocus)
{
    Select(UnitRow());
    TVTPropertyCombo* combo = Tree->PropertyCombo();
    auto wheelUp = [combo] {
        const QPointF at = QRectF(combo->rect()).center();
        QWheelEvent e(at, combo->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&e); // as the window system delivers it
        QApplication::sendEvent(combo, &e);
    };
    wheelUp();
    EXPECT_EQ(Unit, 2);
    EXPECT_TRUE(Edited.empty());
    EXPECT_TRUE(Tree->hasFocus());

    combo->setFocus();
    wheelUp();
    EXPECT_EQ(Unit, 1);
    EXPECT_EQ(Edited.size(), 1u);
}

TEST_F(PropertyTree, EnterInTheTreeMovesDownEnterInTheEditOnlyCommits)
{
    Select(UnitRow());
    ASSERT_TRUE(Tree->hasFocus());
    QTest::keyClick(Tree, Qt::Key_Return);
    EXPECT_EQ(Tree->currentItem(), FlagRow());
    EXPECT_EQ(Shown(), QStringLiteral("K"));
    QTest::keyClick(Tree, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(Tree->currentItem(), ColourRow());
    EXPECT_EQ(Shown(), QStringLiteral("O"));
    QTest::keyClick(Tree, Qt::Key_Return);
    EXPECT_EQ(Tree->currentItem(), PlainRow());
    EXPECT_EQ(Shown(), QStringLiteral("E"));

    TypeInEdit(QStringLiteral("7"));
    QTest::keyClick(Tree->PropertyEdit(), Qt::Key_Return);
    EXPECT_EQ(Plain, 7.0);
    EXPECT_EQ(Tree->currentItem(), PlainRow());
    EXPECT_EQ(Tree->PropertyEdit()->text(), QStringLiteral("7.00"));
    EXPECT_TRUE(Tree->hasFocus());
    EXPECT_EQ(Shown(), QStringLiteral("E"));
    EXPECT_EQ(Edited.size(), 1u);
    EXPECT_EQ(Service.Beeps, 0);
}

TEST_F(PropertyTree, EscapeRevertsUpCommitsAndMovesUp)
{
    Select(PlainRow());
    TVTPropertyEdit* edit = Tree->PropertyEdit();
    TypeInEdit(QStringLiteral("33"));
    EXPECT_EQ(edit->text(), QStringLiteral("33"));
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->text(), QStringLiteral("12.50"));
    EXPECT_EQ(Plain, 12.5);
    EXPECT_TRUE(Edited.empty());
    EXPECT_TRUE(Tree->hasFocus());
    EXPECT_EQ(Shown(), QStringLiteral("E"));

    // Out of range: reverting neither validates nor beeps.
    edit->setFocus();
    TypeInEdit(QStringLiteral("99"));
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->text(), QStringLiteral("12.50"));
    EXPECT_EQ(Plain, 12.5);
    EXPECT_EQ(Service.Beeps, 0);

    edit->setFocus();
    TypeInEdit(QStringLiteral("33"));
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(Plain, 33.0);
    ASSERT_EQ(Edited.size(), 1u);
    EXPECT_EQ(Edited[0].Node, PlainRow());
    EXPECT_EQ(Tree->currentItem(), ColourRow());
    EXPECT_EQ(Shown(), QStringLiteral("O"));
    EXPECT_EQ(Tree->DoGetText(PlainRow(), 1), QStringLiteral("33.00"));
    EXPECT_EQ(Service.Beeps, 0);
}

TEST_F(PropertyTree, DownCommitsAndTheNextEditTakesOver)
{
    Select(CountRow());
    TypeInEdit(QStringLiteral("7"));
    QTest::keyClick(Tree->PropertyEdit(), Qt::Key_Down);
    EXPECT_EQ(Count, 7);
    EXPECT_EQ(Tree->currentItem(), NameRow());
    TVTPropertyEdit* edit = Tree->PropertyEdit();
    EXPECT_EQ(edit->text(), QStringLiteral("Duct"));
    EXPECT_TRUE(edit->hasFocus());

    TypeInEdit(QStringLiteral("Pipe"));
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_EQ(Name, QStringLiteral("Pipe")); // no tab typed into it
    EXPECT_TRUE(Tree->hasFocus());
    EXPECT_EQ(Tree->currentItem(), NameRow());
    EXPECT_EQ(Edited.size(), 2u);
    EXPECT_EQ(Service.Beeps, 0);

    // An unchanged value is not stored again.
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(Edited.size(), 2u);
    EXPECT_EQ(Tree->currentItem(), LengthRow());
}

TEST_F(PropertyTree, TheNumericEditValidatesInsideTheTree)
{
    const struct {
        int category, index;
        const char* typed;
        const char* shown;
        int beeps;
        int edits;
    } cases[] = {
        {0, 0, "25", "10", 1, 1}, // set to the bound, with a beep
        {0, 0, "0", "1", 1, 1},   // a zero-free bound
        {0, 0, "8", "8", 0, 1},         {1, 3, "60", "50.00", 1, 1},
        {1, 3, "50.2", "50.20", 0, 1}, // within half a per cent
        {1, 3, ".", "12.50", 1, 0},    // no number: the old text, nothing stored
        {1, 3, "-5", "0.00", 1, 1},    // a zero bound has no tolerance
        {0, 2, "1500", "1500.0", 0, 1}, {0, 2, "2500", "2000.0", 1, 1},
    };
    for (const auto& c : cases) {
        Count = 5;
        Plain = 12.5;
        Length = 0.9;
        Service.Clear();
        Edited.clear();
        Select(Node(0));
        Select(Node(c.category, c.index));
        TypeInEdit(QString::fromLatin1(c.typed));
        QTest::keyClick(Tree->PropertyEdit(), Qt::Key_Return);
        EXPECT_EQ(Tree->PropertyEdit()->text(), QString::fromLatin1(c.shown)) << c.typed;
        EXPECT_EQ(Tree->DoGetText(Node(c.category, c.index), 1), QString::fromLatin1(c.shown)) << c.typed;
        EXPECT_EQ(Service.Beeps, c.beeps) << c.typed;
        EXPECT_EQ(static_cast<int>(Edited.size()), c.edits) << c.typed;
    }
    EXPECT_EQ(Length, 2.0);

    // Refused characters beep and never reach the text.
    Service.Clear();
    Select(CountRow());
    TypeInEdit(QStringLiteral("3.x"));
    EXPECT_EQ(Tree->PropertyEdit()->text(), QStringLiteral("3"));
    EXPECT_EQ(Service.Beeps, 2);
}

TEST_F(PropertyTree, LeavingTheEditCommits)
{
    Select(PlainRow());
    TypeInEdit(QStringLiteral("20"));
    // The user goes elsewhere: the value is kept and so is the user's focus.
    Other->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(Plain, 20.0);
    EXPECT_EQ(Edited.size(), 1u);
    EXPECT_TRUE(Other->hasFocus());

    // A click on another row commits before that row's editor shows.
    Tree->PropertyEdit()->setFocus();
    TypeInEdit(QStringLiteral("21"));
    const QRect count = Tree->GetDisplayRect(CountRow(), 0);
    QTest::mouseClick(Tree->viewport(), Qt::LeftButton, Qt::NoModifier, count.center());
    EXPECT_EQ(Plain, 21.0);
    EXPECT_EQ(Tree->currentItem(), CountRow());
    EXPECT_EQ(Tree->PropertyEdit()->text(), QStringLiteral("5"));
    EXPECT_EQ(Edited.size(), 2u);
}

TEST_F(PropertyTree, TheColourComesFromTheColourDialog)
{
    Select(ColourRow());
    TVTPropertyColor* editor = Tree->PropertyColor();
    EXPECT_EQ(editor->Color(), 255);
    EXPECT_EQ(editor->Edit()->text(), QStringLiteral("255, 0, 0"));
    EXPECT_TRUE(editor->Edit()->isReadOnly());

    QColor preset;
    bool answer = false;
    TScopedChooseColor chooser([&](QWidget*, QColor& color) {
        preset = color;
        color = QColor(10, 20, 30);
        return answer;
    });
    QTest::mouseClick(editor->Button(), Qt::LeftButton);
    EXPECT_EQ(preset, QColor(255, 0, 0));
    EXPECT_EQ(Colour, 255); // cancelled
    EXPECT_TRUE(Edited.empty());

    answer = true;
    QTest::mouseClick(editor->Button(), Qt::LeftButton);
    EXPECT_EQ(Colour, 10 + 20 * 256 + 30 * 65536);
    EXPECT_EQ(editor->Color(), Colour);
    EXPECT_EQ(editor->Edit()->text(), QStringLiteral("10, 20, 30"));
    EXPECT_EQ(Tree->DoGetText(ColourRow(), 1), QStringLiteral("10, 20, 30"));
    ASSERT_EQ(Edited.size(), 1u);
    EXPECT_EQ(Edited[0].Node, ColourRow());

    // The swatch shows the colour.
    const QImage shot = editor->grab().toImage();
    EXPECT_EQ(shot.pixelColor(6, editor->height() / 2), QColor(10, 20, 30));
    EXPECT_EQ(shot.pixelColor(1, editor->height() / 2), QColor(Qt::black));
}

TEST_F(PropertyTree, BooleansShowACheckPictureAndFlipOnAClick)
{
    // The picture over the top-left corner of the value cell, on the cell's
    // background.
    auto pictureShown = [this](bool checked) {
        const QRect cell = Tree->GetDisplayRect(FlagRow(), 1);
        const QImage shot = Tree->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QImage expected(13, 13, QImage::Format_RGB32);
        expected.fill(QApplication::palette().color(QPalette::Base));
        QPainter p(&expected);
        p.drawImage(0, 0, PropertyCheckPicture(checked));
        p.end();
        return shot.copy(QRect(cell.topLeft(), QSize(13, 13))) == expected;
    };
    ASSERT_FALSE(PropertyCheckPicture(true).isNull());
    ASSERT_NE(PropertyCheckPicture(true), PropertyCheckPicture(false));
    EXPECT_TRUE(pictureShown(true));
    Flag = 0;
    Tree->viewport()->update();
    EXPECT_TRUE(pictureShown(false));
    Flag = 7; // any byte but 0 is true
    EXPECT_TRUE(pictureShown(true));

    Select(FlagRow());
    TVTPropertyCheckbox* box = Tree->PropertyCheckbox();
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(box->text(), QString());
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(Flag, 0);
    ASSERT_EQ(Edited.size(), 1u);
    EXPECT_EQ(Edited[0].Node, FlagRow());
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(Flag, 1);
    EXPECT_EQ(Edited.size(), 2u);
    EXPECT_EQ(box->text(), QString());
}

TEST_F(PropertyTree, AButtonCallbackGetsTheDialogEditorOnTop)
{
    QString path = QStringLiteral("/tmp/a");
    int answer = 0;
    QVariant given;
    TTreeField* f = Tree->AddField(QStringLiteral("Size"), QStringLiteral("Path"), nullptr);
    f->Kind = tfString;
    f->Value = &path;
    f->OnButton = [&](QVariant& value) {
        given = value;
        value = QStringLiteral("/tmp/b");
        return answer;
    };
    Tree->Rebuild();
    PVirtualNode row = Node(1, 4);
    Select(row);
    EXPECT_EQ(Shown(), QStringLiteral("ED"));
    TVTPropertyDialog* dialog = Tree->PropertyDialog();
    EXPECT_EQ(dialog->Edit()->text(), QStringLiteral("/tmp/a"));
    EXPECT_TRUE(dialog->Edit()->isReadOnly());
    // On top of the field's own editor.
    EXPECT_EQ(Tree->viewport()->childAt(dialog->geometry().center()), dialog->Edit());

    QTest::mouseClick(dialog->Button(), Qt::LeftButton);
    EXPECT_EQ(given, QVariant(QStringLiteral("/tmp/a")));
    EXPECT_EQ(path, QStringLiteral("/tmp/a"));
    EXPECT_TRUE(Edited.empty());

    answer = 1;
    QTest::mouseClick(dialog->Button(), Qt::LeftButton);
    EXPECT_EQ(path, QStringLiteral("/tmp/b"));
    EXPECT_EQ(dialog->Edit()->text(), QStringLiteral("/tmp/b"));
    EXPECT_EQ(Edited.size(), 1u);

    // A number the callback accepts is stored too (in the display unit).
    TTreeField* length = Tree->GetNodeField(LengthRow());
    length->OnButton = [](QVariant& value) {
        EXPECT_EQ(value, QVariant(QStringLiteral("900.0")));
        value = 1250.0;
        return 1;
    };
    Select(LengthRow());
    EXPECT_EQ(Shown(), QStringLiteral("ED"));
    QTest::mouseClick(dialog->Button(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(Length, 1.25);
    EXPECT_EQ(dialog->Edit()->text(), QStringLiteral("1250.0"));
}

TEST_F(PropertyTree, RebuildHidesTheEditorsAndExpandsAgain)
{
    Select(PlainRow());
    TypeInEdit(QStringLiteral("40"));
    Node(0)->setExpanded(false);
    Tree->Rebuild();
    EXPECT_EQ(Plain, 40.0); // the edit committed as it went
    EXPECT_EQ(Shown(), QString());
    EXPECT_TRUE(Tree->selectedItems().isEmpty());
    EXPECT_TRUE(Node(0)->isExpanded());
    EXPECT_EQ(Tree->topLevelItemCount(), 2);

    Tree->Clear();
    EXPECT_EQ(Tree->topLevelItemCount(), 0);
    EXPECT_EQ(Shown(), QString());
    Tree->Rebuild();
    EXPECT_EQ(Tree->topLevelItemCount(), 2);
}

TEST_F(PropertyTree, CollapsingHidesTheEditorUntilItsRowComesBack)
{
    Select(UnitRow());
    Tree->FullCollapse();
    EXPECT_FALSE(Node(1)->isExpanded());
    EXPECT_EQ(Shown(), QString());
    Tree->FullExpand();
    EXPECT_EQ(Shown(), QStringLiteral("C"));
    EXPECT_EQ(Tree->PropertyCombo()->geometry().topLeft(),
              Tree->GetDisplayRect(UnitRow(), 1).topLeft() + QPoint(1, -1));

    // A focused edit commits as its row goes.
    Select(PlainRow());
    TypeInEdit(QStringLiteral("3"));
    Tree->FullCollapse();
    EXPECT_EQ(Plain, 3.0);
    EXPECT_TRUE(Tree->hasFocus());
}

TEST_F(PropertyTree, EditorsFollowTheCellWhenTheTreeResizes)
{
    Select(UnitRow());
    const int before = Tree->PropertyCombo()->width();
    Form.resize(Form.width() + 60, Form.height());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Tree->PropertyCombo()->width() == before + 60; }));
    EXPECT_EQ(Tree->PropertyCombo()->width(), Tree->GetDisplayRect(UnitRow(), 1).width() + 2);
}

TEST_F(PropertyTree, TheButtonStripTogglesAndSelects)
{
    const QRect air = Tree->GetDisplayRect(Node(0), 0);
    QTest::mouseClick(Tree->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, air.center().y()));
    EXPECT_FALSE(Node(0)->isExpanded());
    EXPECT_EQ(Tree->currentItem(), Node(0));
    EXPECT_TRUE(Node(0)->isSelected());
    QTest::mouseClick(Tree->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, air.center().y()));
    EXPECT_TRUE(Node(0)->isExpanded());

    // A field row's strip selects the row.
    const QRect unit = Tree->GetDisplayRect(UnitRow(), 0);
    QTest::mouseClick(Tree->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, unit.center().y()));
    EXPECT_EQ(Tree->currentItem(), UnitRow());
    EXPECT_TRUE(UnitRow()->isSelected());
    EXPECT_FALSE(Node(0)->isSelected());
    EXPECT_EQ(Shown(), QStringLiteral("C"));

    PVirtualNode hit = nullptr;
    EXPECT_EQ(Tree->HitPosition(QPoint(5, unit.center().y()), &hit), TPropertyHit::Button);
    EXPECT_EQ(hit, UnitRow());
    const QRect value = Tree->GetDisplayRect(UnitRow(), 1);
    EXPECT_EQ(Tree->HitPosition(QPoint(value.right() - 2, value.center().y())), TPropertyHit::CheckBox);
    EXPECT_EQ(Tree->HitPosition(QPoint(value.left() + 20, value.center().y())), TPropertyHit::None);
    const QRect plain = Tree->GetDisplayRect(PlainRow(), 1);
    EXPECT_EQ(Tree->HitPosition(QPoint(plain.right() - 2, plain.center().y())), TPropertyHit::None);
}

TEST_F(PropertyTree, FieldsWithoutAVariableOrARowAreHarmless)
{
    Tree->AddField(QStringLiteral("Air"), QStringLiteral("Nothing"), nullptr);
    Tree->Rebuild();
    PVirtualNode row = Node(0, 3);
    EXPECT_EQ(Tree->DoGetText(row, 1), QString());
    Select(row);
    EXPECT_EQ(Shown(), QString());

    // Emptying the field list under the rows leaves rows without fields.
    Select(UnitRow());
    Tree->FieldList().Clear();
    EXPECT_EQ(Tree->GetNodeField(UnitRow()), nullptr);
    EXPECT_EQ(Tree->DoGetText(UnitRow(), 0), QString());
    EXPECT_TRUE(Tree->SetFieldValue(UnitRow(), QStringLiteral("cm")));
    Tree->viewport()->repaint();
    QTest::keyClick(Tree, Qt::Key_Down);
    EXPECT_EQ(Shown(), QString());
    EXPECT_TRUE(Edited.empty());
}

TEST_F(PropertyTree, NewTextStoresAndReports)
{
    std::vector<QString> texts;
    Tree->OnNewText = [&](TVirtualPropertyTree*, PVirtualNode node, int column, const QString& text) {
        EXPECT_EQ(node, NameRow());
        EXPECT_EQ(column, 1);
        texts.push_back(text);
    };
    Tree->DoNewText(NameRow(), 1, QStringLiteral("Hood"));
    EXPECT_EQ(Name, QStringLiteral("Hood"));
    EXPECT_EQ(texts, std::vector<QString>{QStringLiteral("Hood")});
    EXPECT_EQ(Edited.size(), 1u);

    // A handler that rebuilds the tree: the old node is not reported.
    Tree->OnEdited = [this](TVirtualPropertyTree*, PVirtualNode, int) { Tree->Rebuild(); };
    Tree->DoNewText(NameRow(), 1, QStringLiteral("Vent"));
    EXPECT_EQ(Name, QStringLiteral("Vent"));
    EXPECT_EQ(texts.size(), 1u);

    // A bad colour raises and stores nothing.
    EXPECT_THROW(Tree->SetFieldValue(ColourRow(), QStringLiteral("1, 2")), EConvertError);
    EXPECT_EQ(Colour, 255);
}

TEST(PropertyTreeSettings, OptionsAndAppearance)
{
    TVirtualPropertyTree tree;
    EXPECT_EQ(tree.columnCount(), 2);
    EXPECT_EQ(tree.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(tree.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(tree.PropertyTreeOptions().ErrorTitle, QStringLiteral("Error..."));
    TPropertyTreeOptions options;
    options.ShowRangeError = false;
    options.RangeErrorText = QStringLiteral("x");
    tree.SetPropertyTreeOptions(options);
    EXPECT_FALSE(tree.PropertyTreeOptions().ShowRangeError);
    EXPECT_EQ(tree.PropertyTreeOptions().RangeErrorText, QStringLiteral("x"));

    tree.SetDefaultNodeHeight(16);
    int32_t v = 0;
    TTreeField* f = tree.AddListField(QStringLiteral("A"), QStringLiteral("B"), 0, {QStringLiteral("x")}, nullptr);
    EXPECT_EQ(f->Value != nullptr, true);
    f = tree.AddField(QStringLiteral("A"), QStringLiteral("C"), nullptr);
    f->Value = &v;
    tree.Rebuild();
    EXPECT_EQ(tree.visualItemRect(tree.topLevelItem(0)).height(), 16);
    EXPECT_EQ(tree.visualItemRect(tree.topLevelItem(0)->child(1)).height(), 16);
}

} // namespace
