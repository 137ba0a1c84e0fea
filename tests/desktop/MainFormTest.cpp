#include "../foundation/SettingsTestUtil.h"
#include "MainFormTestUtil.h"
#include "RolloverImage.h"
#include "SilencerRanges.h"
#include "SilencerSearch.h"
#include "TxConv.h"
#include "TxFmtEdit.h"
#include "TxFormat.h"
#include "TxGrids.h"
#include "TxInplaceEdit.h"
#include "TxIniFile.h"
#include "TxPlacement.h"
#include "TxVerInfo.h"
#include "VozVersion.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QToolButton>

#include <clocale>
#include <cstring>
#include <functional>
#include <vector>

#include <sys/stat.h>

namespace {

using MainForm = MainFormFixture;

// Counts how often a widget is disabled.
class TDisableCounter : public QObject {
public:
    explicit TDisableCounter(QWidget* w) : FWidget(w) { w->installEventFilter(this); }
    int Count = 0;

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (o == FWidget && e->type() == QEvent::EnabledChange && !FWidget->isEnabled())
            ++Count;
        return false;
    }

private:
    QWidget* FWidget;
};

QStringList ListedModels(const TMainForm& form)
{
    QStringList models;
    for (int i = 0; i < form.LVSelect->topLevelItemCount(); ++i)
        models.append(form.LVSelect->topLevelItem(i)->text(0));
    return models;
}

// What the engine finds for the window's ticked ranges and a duty.
QStringList EngineModels(const TMainForm& form, const TSpecificationRec& spec)
{
    QStringList files;
    for (const QString& name : form.TickedRanges())
        files.append(form.Paths().ExeDir + "data/" + name);
    TRecordingMessageService quiet;
    TSilencerSearch search(quiet);
    std::vector<TSelectionRec> found;
    search.Run(spec, files, found);
    QStringList models;
    for (const TSelectionRec& rec : found)
        models.append(rec.model.Text());
    models.sort();
    return models;
}

QString RangeShapeOfFile(const QString& file)
{
    TXMLFile xml;
    LoadRangeFile(xml, file);
    return RangeShape(xml);
}

bool Ticked(const TMainForm& form, const QString& name)
{
    return form.TickedRanges().contains(name);
}

void ClickHeader(TMainForm& form, int column)
{
    QHeaderView* header = form.LVSelect->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
}

// --- Range list and range view -------------------------------------------

TEST_F(MainForm, RangeListHoldsTheRangeFilesInNameOrderAndShowsTheFirst)
{
    WriteRange("b-rect.xml", RangeXml("Rect range", "rectangular", "BR"));
    WriteRange("a-circ.xml", RangeXml("Circular range", "circular", "AC"));
    WriteRange("notes.xml", QByteArray("<?xml version=\"1.0\"?><notes type=\"fan\"/>"));
    WriteRange("broken.xml", QByteArray("<catalogue type=\"silencer\"><head>"));
    WritePicture(ExeDir() + "images/photo.png");
    TMainForm& form = Open();

    EXPECT_EQ(form.RangeNames(), QStringList({"a-circ.xml", "b-rect.xml"}));
    EXPECT_EQ(form.RangeBox->currentRow(), 0);
    EXPECT_EQ(form.Label1->text(), "Circular range");
    EXPECT_FALSE(form.Image2->pixmap().isNull());
    EXPECT_EQ(form.Memo1->toPlainText().split('\n'),
              QStringList({"maker        Maker Ltd", "description  Circular range silencer", "usage        Ducts",
                           "size kind    fixed circular"}));
    EXPECT_TRUE(Msgs.Messages.isEmpty());
    EXPECT_TRUE(Msgs.Errors.isEmpty());
    EXPECT_EQ(form.LabelCount->text(), "...");
    EXPECT_TRUE(ResultButtonsDisabled());

    form.RangeBox->setCurrentRow(1);
    EXPECT_EQ(form.Label1->text(), "Rect range");
    EXPECT_TRUE(form.Memo1->toPlainText().endsWith("size kind    fixed rectangular"));
    // Not a tab stop, but a click gives it the focus for copying its text.
    EXPECT_EQ(form.Memo1->focusPolicy(), Qt::ClickFocus);
}

TEST_F(MainForm, NoCatalogueFilesGiveAnEmptyListAndNoMessage)
{
    TMainForm& form = Open();
    EXPECT_EQ(form.RangeBox->count(), 0);
    EXPECT_EQ(form.Label1->text(), "");
    EXPECT_EQ(form.Memo1->toPlainText(), "");
    EXPECT_TRUE(form.Image2->pixmap().isNull());
    EXPECT_TRUE(Msgs.Messages.isEmpty());
    EXPECT_TRUE(Msgs.Errors.isEmpty());
    EXPECT_EQ(form.windowTitle(), "Vozudarizazi " + Format("%d.%d.%d.%d", VOZ_VERSION_MAJOR, VOZ_VERSION_MINOR,
                                                           VOZ_VERSION_PATCH, VOZ_VERSION_BUILD + 0));
    EXPECT_EQ(form.VersionText, GetFileVersion(QCoreApplication::applicationFilePath()));
}

TEST_F(MainForm, ARangeFileThatVanishedIsReportedAndTheWindowGoesOn)
{
    WriteRange("a.xml", RangeXml("A", "circular", "A"));
    const QString gone = WriteRange("b.xml", RangeXml("B", "circular", "B"));
    TMainForm& form = Open();
    QFile::remove(gone);
    form.RangeBox->setCurrentRow(1);
    ASSERT_EQ(Msgs.Errors.size(), 1);
    EXPECT_TRUE(Msgs.Errors[0].contains("b.xml"));
    form.RangeBox->setCurrentRow(0);
    EXPECT_EQ(form.Label1->text(), "A");
}

// --- Duty, search and results ---------------------------------------------

TEST_F(MainForm, DefaultDutyThenSearchListsTheShippedCatalogueSorted)
{
    UseShippedCatalogue();
    TMainForm& form = Open();
    EXPECT_DOUBLE_EQ(form.edAirflow->AsFloat(), 2.8);
    EXPECT_DOUBLE_EQ(form.edMaxDP->AsFloat(), 80);
    EXPECT_DOUBLE_EQ(form.edHeight->AsFloat(), 0.5);
    EXPECT_DOUBLE_EQ(form.edWidth->AsFloat(), 0.9);
    EXPECT_DOUBLE_EQ(form.edDiameter->AsFloat(), 0.6);
    EXPECT_EQ(form.edWidth->text(), "900.0");
    EXPECT_EQ(form.attenGrid->Rows(0)->CommaText(), "9,10,15,45,50,50,45,20");
    EXPECT_EQ(form.RangeBox->count(), 9);
    EXPECT_EQ(form.TickedRanges().size(), 9);

    ClickSearch();
    ASSERT_GT(Rows(), 0);
    const QStringList models = ListedModels(form);
    QStringList sorted = models;
    sorted.sort(Qt::CaseSensitive);
    EXPECT_EQ(models, sorted);
    EXPECT_EQ(models.size(), EngineModels(form, form.Spec).size());
    EXPECT_EQ(form.LVSelect->currentItem(), form.LVSelect->topLevelItem(0));
    EXPECT_TRUE(form.LVSelect->topLevelItem(0)->isSelected());
    EXPECT_TRUE(ResultButtonsEnabled());
    EXPECT_EQ(form.LabelCount->text(), Format("%d items found...", Rows()));
    EXPECT_EQ(form.Label8->text(), "[54 dB]");
    EXPECT_TRUE(Msgs.Messages.isEmpty()) << Msgs.Messages.join('\n').toStdString();
    EXPECT_TRUE(Msgs.Errors.isEmpty());
    // Every row shows its own record.
    for (int i = 0; i < Rows(); ++i) {
        QTreeWidgetItem* item = form.LVSelect->topLevelItem(i);
        QStringList texts;
        for (int c = 0; c < ResultColumnCount; ++c)
            texts.append(item->text(c));
        EXPECT_EQ(texts, ResultColumnTexts(form.RecordOf(item)));
    }
}

TEST_F(MainForm, TypedAirflowCountsWithoutLeavingTheEdit)
{
    UseShippedCatalogue();
    TMainForm& form = Open();
    ClickSearch();
    const int before = Rows();
    ASSERT_GT(before, 0);

    form.activateWindow();
    form.edAirflow->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.edAirflow->hasFocus(); }));
    form.edAirflow->selectAll();
    QTest::keyClicks(form.edAirflow, "3");
    TDisableCounter cleared(form.DetailButton);
    ClickSearch();

    EXPECT_TRUE(form.edAirflow->hasFocus());
    EXPECT_DOUBLE_EQ(form.Spec.airflow, 3.0);
    EXPECT_EQ(cleared.Count, 1); // the changed edit cleared the old rows first
    TSpecificationRec spec = form.Spec;
    QStringList models = ListedModels(form);
    models.sort();
    EXPECT_EQ(models, EngineModels(form, spec));
    EXPECT_NE(Rows(), before);
    EXPECT_TRUE(ResultButtonsEnabled());

    // An unchanged edit does not clear the rows.
    TDisableCounter again(form.DetailButton);
    ClickSearch();
    EXPECT_EQ(again.Count, 0);
}

TEST_F(MainForm, LeavingAChangedEditClearsTheResults)
{
    UseShippedCatalogue();
    TMainForm& form = Open();
    ClickSearch();
    ASSERT_GT(Rows(), 0);
    form.activateWindow();
    form.edMaxDP->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.edMaxDP->hasFocus(); }));
    QTest::keyClick(form.edMaxDP, Qt::Key_Return); // unchanged: moves on, keeps rows
    EXPECT_TRUE(form.edWidth->hasFocus());
    EXPECT_GT(Rows(), 0);
    form.edWidth->selectAll();
    QTest::keyClicks(form.edWidth, "800");
    QTest::keyClick(form.edWidth, Qt::Key_Tab);
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(ResultButtonsDisabled());
    EXPECT_EQ(form.LabelCount->text(), "...");
    EXPECT_DOUBLE_EQ(form.edWidth->AsFloat(), 0.8);
}

TEST_F(MainForm, ShapeBoxesClearTheResultsAndPastedBandsKeepThem)
{
    UseShippedCatalogue();
    TMainForm& form = Open();

    // Bands a band cell would not take are refused with the reason and stay
    // as they were; taken or not, a paste keeps the results of the last
    // search, and whatever was pasted, a search says no raw error.
    const struct {
        const char* pasted;
        const char* bands;
        const char* refused;
    } pastes[] = {
        {"9, 10, 15, 45, 50, 50, 45, 20", "9,10,15,45,50,50,45,20", nullptr},
        {"1,2,3,4,5,6,7,9.25", "9,10,15,45,50,50,45,20", "not a whole number"},
        {"1 2 x", "9,10,15,45,50,50,45,20", "not a number"},
        {"10,,15,45,50,50,45,20", "9,10,15,45,50,50,45,20", "not a number"},
        {" ", "9,10,15,45,50,50,45,20", "not a number"},
        {"1e300,10,15,45,50,50,45,20", "9,10,15,45,50,50,45,20", "out of range"},
        {"1,2,3,4,5,6,7,8", "1,2,3,4,5,6,7,8", nullptr},
        {"5-,10,15,45,50,50,45,20", "5,10,15,45,50,50,45,20", nullptr},
        {"9,10,15", "9,10,15,0,0,0,0,0", nullptr},
        {"1e18", "1000000000000000000,0,0,0,0,0,0,0", nullptr}, // no total
        {"60000", "60000,0,0,0,0,0,0,0", nullptr},
        {"10\t15\t45\t50\t50\t45\t20\t0\r\n", "10,15,45,50,50,45,20,0", nullptr},
    };
    for (const auto& p : pastes) {
        SCOPED_TRACE(p.pasted);
        ClickSearch();
        const int rows = Rows();
        Msgs.Clear();
        QGuiApplication::clipboard()->setText(p.pasted);
        form.PopupMenu1->actions().at(1)->trigger();
        QCoreApplication::processEvents();
        EXPECT_EQ(form.attenGrid->Rows(0)->CommaText(), p.bands);
        EXPECT_EQ(Msgs.Beeps, p.refused ? 1 : 0);
        EXPECT_EQ(Msgs.Messages,
                  p.refused ? QStringList{QString("Attenuation refused: ") + p.refused + "."} : QStringList());
        EXPECT_EQ(Rows(), rows);

        Msgs.Clear();
        ClickSearch();
        EXPECT_TRUE(Msgs.Messages.isEmpty() && Msgs.Errors.isEmpty()) << Msgs.Errors.join('|').toStdString();
        EXPECT_TRUE(form.Label8->text().contains(QRegularExpression("^(\\[\\d+ dB\\])?$")))
            << form.Label8->text().toStdString();
    }
    QGuiApplication::clipboard()->setText("9,10,15,45,50,50,45,20");
    form.PopupMenu1->actions().at(1)->trigger();

    ClickSearch();
    ASSERT_GT(Rows(), 0);
    QTest::mouseClick(form.circbox, Qt::LeftButton);
    EXPECT_FALSE(form.circbox->isChecked());
    for (const QString& name : form.RangeNames()) {
        const QString shape = RangeShapeOfFile(ExeDir() + "data/" + name).toLower();
        const bool circular = shape == "circular" || shape == "annular";
        EXPECT_EQ(Ticked(form, name), !circular) << name.toStdString();
    }
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(ResultButtonsDisabled());
    EXPECT_EQ(form.LabelCount->text(), "...");
}

TEST_F(MainForm, RangesOfOtherShapesKeepTheirTicks)
{
    WriteRange("a.xml", RangeXml("A", "Annular", "A"));
    WriteRange("b.xml", RangeXml("B", "", "B"));
    WriteRange("c.xml", RangeXml("C", "rectangular", "C"));
    TMainForm& form = Open();
    EXPECT_EQ(form.TickedRanges(), QStringList({"a.xml", "c.xml"}));
    form.RangeBox->item(1)->setCheckState(Qt::Checked); // the user's tick
    EXPECT_EQ(form.TickedRanges(), QStringList({"a.xml", "b.xml", "c.xml"}));
    form.circbox->click();
    EXPECT_EQ(form.TickedRanges(), QStringList({"b.xml", "c.xml"}));
    form.rectbox->click();
    EXPECT_EQ(form.TickedRanges(), QStringList({"b.xml"}));
    form.circbox->click();
    EXPECT_EQ(form.TickedRanges(), QStringList({"a.xml", "b.xml"}));
}

TEST_F(MainForm, TickingARangeOrEditingABandClearsTheResults)
{
    UseShippedCatalogue();
    TMainForm& form = Open();
    ClickSearch();
    ASSERT_GT(Rows(), 0);
    form.RangeBox->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(ResultButtonsDisabled());
    EXPECT_EQ(form.LabelCount->text(), "...");

    ClickSearch();
    ASSERT_GT(Rows(), 0);
    form.activateWindow();
    form.attenGrid->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.attenGrid->hasFocus(); }));
    QTest::keyClick(form.attenGrid, Qt::Key_7);
    EXPECT_GT(Rows(), 0); // typing alone stores nothing yet
    TDisableCounter cleared(form.DetailButton);
    ClickSearch(); // commits the cell: stored, results cleared, then searched
    EXPECT_EQ(cleared.Count, 1);
    EXPECT_EQ(form.attenGrid->Cells(0, 0), "7");
    EXPECT_DOUBLE_EQ(form.Spec.atten[0], 7);
}

TEST_F(MainForm, HeaderClicksSortLargestFirstThenSmallestAndANewSearchKeepsIt)
{
    UseShippedCatalogue();
    TMainForm& form = Open();
    ClickSearch();
    ASSERT_GT(Rows(), 2);
    const int rows = Rows();
    auto dpOrder = [&](bool descending) {
        for (int i = 0; i + 1 < Rows(); ++i) {
            const double a = form.RecordOf(form.LVSelect->topLevelItem(i)).dp;
            const double b = form.RecordOf(form.LVSelect->topLevelItem(i + 1)).dp;
            if (descending ? a < b : a > b)
                return false;
        }
        return true;
    };
    ClickHeader(form, 6);
    EXPECT_EQ(Rows(), rows);
    EXPECT_TRUE(dpOrder(true));
    EXPECT_GT(form.RecordOf(form.LVSelect->topLevelItem(0)).dp,
              form.RecordOf(form.LVSelect->topLevelItem(rows - 1)).dp);
    ClickHeader(form, 6);
    EXPECT_TRUE(dpOrder(false));
    ClickSearch();
    EXPECT_TRUE(dpOrder(false));
    EXPECT_EQ(form.LVSelect->currentItem(), form.LVSelect->topLevelItem(0));

    // Each column keeps its own direction: the model column starts descending.
    ClickHeader(form, 0);
    EXPECT_GT(form.LVSelect->topLevelItem(0)->text(0), form.LVSelect->topLevelItem(rows - 1)->text(0));
}

TEST_F(MainForm, ChangedDimensionUnitRewritesCaptionsAndRows)
{
    UseShippedCatalogue();
    TMainForm& form = Open();
    ClickSearch();
    ASSERT_GT(Rows(), 0);
    EXPECT_EQ(form.LVSelect->headerItem()->text(1), "W or D [mm]");
    EXPECT_EQ(form.LVSelect->headerItem()->text(6), "dP [Pa]");

    DimensionUnits->SetUnitIndex(3);
    QTest::mouseClick(form.Label11, Qt::LeftButton);
    EXPECT_EQ(form.LVSelect->headerItem()->text(1), "W or D [inch]");
    EXPECT_EQ(form.LVSelect->headerItem()->text(2), "H [inch]");
    EXPECT_EQ(form.LVSelect->headerItem()->text(3), "L [inch]");
    EXPECT_EQ(form.LVSelect->headerItem()->text(0), "Model");
    EXPECT_EQ(form.LVSelect->headerItem()->text(7), "Vp [m/s]");
    for (int i = 0; i < Rows(); ++i) {
        QTreeWidgetItem* item = form.LVSelect->topLevelItem(i);
        const TSelectionRec& rec = form.RecordOf(item);
        EXPECT_EQ(item->text(1), DimensionUnits->FormatValue(0, rec.widdiam));
        EXPECT_EQ(item->text(2), DimensionUnits->FormatValue(0, rec.height));
        EXPECT_EQ(item->text(3), DimensionUnits->FormatValue(0, rec.length));
    }
    EXPECT_EQ(form.edWidth->UnitsValue(), 3);
    EXPECT_EQ(form.RectUnitsLabel->text(), "inch");
    EXPECT_EQ(form.edWidth->AsFloat(), 0.9); // shown as 35.43 inch
    EXPECT_GT(Rows(), 0);                    // the rows stay
}

TEST_F(MainForm, UnitDetoursLeaveTheDutySearchAndSavedFilesBitForBit)
{
    UseShippedCatalogue();
    TMainForm& form = Open();
    ClickSearch();
    const int found = Rows();
    ASSERT_EQ(found, 10);
    const TSpecificationRec duty = form.Spec;
    form.ButtonGroup1Items0Click();
    const QByteArray saved = ReadFileBytes(DefaultIni());

    // Every unit of every display quantity, there and back, then both presets.
    struct TDetour {
        QString Name;
        std::function<void()> There, Back;
    };
    std::vector<TDetour> detours;
    for (TUnitsCtrl* q : UnitsCtrls) {
        const int start = q->GetUnitIndex();
        const QStringList labels = GetUnitsLabels(q->Field.UnitsType);
        for (int u = 0; u < labels.size(); ++u)
            detours.push_back({q->Name + " " + labels[u], [q, u] { q->SetUnitIndex(u); },
                               [q, start] { q->SetUnitIndex(start); }});
    }
    detours.push_back({"Imperial, Metric", SetImperialUnits, SetMetricUnits});
    const auto applyAndSearch = [&](const QString& step) {
        SCOPED_TRACE(step.toStdString());
        QTest::mouseClick(form.Label11, Qt::LeftButton);
        ClickSearch();
        EXPECT_EQ(Rows(), found);
        EXPECT_TRUE(form.Spec == duty); // bit for bit
    };
    for (const TDetour& d : detours) {
        d.There();
        applyAndSearch(d.Name + " there");
        d.Back();
        applyAndSearch(d.Name + " back");
        form.ButtonGroup1Items0Click();
        EXPECT_EQ(ReadFileBytes(DefaultIni()), saved) << d.Name.toStdString();
    }

    SetImperialUnits();
    QTest::mouseClick(form.Label11, Qt::LeftButton);
    CloseForm();
    const TIniFile ini(IniFile());
    const char* const keys[][3] = {{"air", "flow", "2.8"},    {"air", "maxDP", "80"},     {"duct", "width", "0.9"},
                                   {"duct", "height", "0.5"}, {"duct", "diameter", "0.6"}};
    for (const auto& k : keys)
        EXPECT_EQ(ini.ReadString(k[0], k[1], ""), k[2]) << k[1];
}

// What the user leaves as it was keeps its exact value, also through a unit
// change; a number no double holds is refused with its reason and the edit
// keeps its value; one a double holds is kept as typed.
TEST_F(MainForm, DutyEditsKeepWhatWasTypedAndRefuseNumbersNoDoubleHolds)
{
    TMainForm& form = Open();
    form.activateWindow();
    const struct {
        const char* name;
        TFmtEdit* TMainForm::*edit;
        const char* typed; // over the whole text; empty: `pasted` is pasted
        const char* pasted;
        int unit; // the display unit chosen after typing; -1: kept
        const char* shown;
        const char* refused;
        const char* key; // section/key in the saved selection
        const char* saved;
    } cases[] = {
        {"airflow", &TMainForm::edAirflow, "0.0125", "", -1, "0.013", nullptr, "air/flow", "0.0125"},
        {"max DP shown as 0", &TMainForm::edMaxDP, "0.0125", "", -1, "0", nullptr, "air/maxDP", "0.0125"},
        {"mm shown in inch", &TMainForm::edWidth, "900.45", "", 3, "35.45", nullptr, "duct/width", "0.90045"},
        {"beyond the doubles", &TMainForm::edAirflow, "", "1e400", -1, "2.800", "Airflow refused: out of range.",
         "air/flow", "2.8"},
        {"1e999", &TMainForm::edMaxDP, "", "1e999", -1, "80", "Max DP refused: out of range.", "air/maxDP", "80"},
        {"below the doubles", &TMainForm::edHeight, "", "2e-400", -1, "500.0", "Height refused: out of range.",
         "duct/height", "0.5"},
        {"an exponent beyond 300, in mm", &TMainForm::edDiameter, "", "3.5e-301", -1, "0.0", nullptr, "duct/diameter",
         "3.5E-304"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TFmtEdit* edit = form.*c.edit;
        form.ApplyUnits();
        form.edAirflow->SetValue(2.8);
        form.edMaxDP->SetValue(80.0);
        form.edWidth->SetValue(0.9);
        form.edHeight->SetValue(0.5);
        form.edDiameter->SetValue(0.6);
        Msgs.Clear();
        edit->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }));
        edit->selectAll();
        if (*c.typed) {
            QTest::keyClicks(edit, c.typed);
        } else {
            QGuiApplication::clipboard()->setText(c.pasted);
            QTest::keySequence(edit, QKeySequence::Paste);
        }
        QTest::keyClick(edit, Qt::Key_Tab);
        QCoreApplication::processEvents();
        EXPECT_EQ(Msgs.Beeps, c.refused ? 1 : 0);
        EXPECT_EQ(Msgs.Messages, c.refused ? QStringList{c.refused} : QStringList());
        if (c.unit >= 0)
            edit->SetUnitsValue(c.unit);
        // In again, a key typed and taken back, out again: no change.
        edit->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }));
        for (Qt::Key key : {Qt::Key_End, Qt::Key_5, Qt::Key_Backspace, Qt::Key_Tab})
            QTest::keyClick(edit, key);
        EXPECT_EQ(edit->text(), c.shown);
        form.ButtonGroup1Items0Click();
        const QStringList key = QString(c.key).split('/');
        EXPECT_EQ(TIniFile(DefaultIni()).ReadString(key[0], key[1], ""), c.saved);
    }
}

// A refused entry, however the user leaves it, changes nothing but its own
// text: the results stay, its box comes once, before the window goes when it
// closes, and after it the next key goes into the refused input again.
TEST_F(MainForm, ARefusalChangesNothingButTheEntrysText)
{
    WriteRange("a.xml", RangeXml("A", "circular", "A", {"600|600,900|60,60,60,60,60,60,60,60"}));
    using TLeave = std::function<void(TMainForm&)>;
    const TLeave tab = [](TMainForm&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); };
    const TLeave bandClick = [](TMainForm& f) {
        QTest::mouseClick(f.attenGrid->viewport(), Qt::LeftButton, {}, ToQRect(f.attenGrid->CellRect(0, 0)).center());
    };
    const TLeave airflowClick = [](TMainForm& f) { QTest::mouseClick(f.edAirflow, Qt::LeftButton); };
    const TLeave search = [this](TMainForm&) { ClickSearch(); };
    const TLeave close = [](TMainForm& f) { f.close(); };
    const struct {
        const char* name;
        int band; // the band cell refused; -1: airflow
        TLeave leave;
        const char* searched = nullptr; // typed and searched before, in the same visit
    } cases[] = {
        {"airflow, Tab", -1, tab},
        {"airflow searched, Tab", -1, tab, "3"},
        {"airflow, band cell clicked", -1, bandClick},
        {"airflow, Search", -1, search},
        {"airflow, window closed", -1, close},
        {"band, another band clicked", 6, bandClick},
        {"band, airflow clicked", 6, airflowClick},
        {"band, Search", 6, search},
        {"band, window closed", 6, close},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TMainForm& form = Open();
        form.activateWindow();
        ClickSearch();
        ASSERT_EQ(Rows(), 1);
        Msgs.Clear();
        const QString refused =
            c.band < 0 ? "Airflow refused: out of range." : "Attenuation refused: not a whole number.";
        QWidget* entry = c.band < 0 ? static_cast<QWidget*>(form.edAirflow) : form.attenGrid;
        entry->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return entry->hasFocus(); }));
        if (c.searched) {
            form.edAirflow->selectAll();
            QTest::keyClicks(form.edAirflow, c.searched);
            ClickSearch();
            ASSERT_EQ(Rows(), 1);
        }
        if (c.band < 0) {
            form.edAirflow->selectAll();
            QGuiApplication::clipboard()->setText("1e400");
            QTest::keySequence(form.edAirflow, QKeySequence::Paste);
        } else {
            form.attenGrid->SetCol(c.band);
            form.attenGrid->SetEditorMode(true);
            form.attenGrid->InplaceEdit()->selectAll();
            form.attenGrid->InplaceEdit()->insert("9.25"); // what a paste does
        }
        c.leave(form);
        const bool closed = !form.isVisible();
        if (closed) {
            EXPECT_EQ(Msgs.Messages, QStringList{refused}); // while the window was there
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(Msgs.Messages, QStringList{refused});
        EXPECT_EQ(Msgs.Beeps, 1);
        EXPECT_EQ(form.edAirflow->text(), c.searched ? "3.000" : "2.800");
        EXPECT_EQ(form.attenGrid->Rows(0)->CommaText(), "9,10,15,45,50,50,45,20");
        if (!closed) {
            EXPECT_EQ(Rows(), 1);
            EXPECT_TRUE(ResultButtonsEnabled());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_7);
            EXPECT_EQ(c.band < 0 ? form.edAirflow->text() : form.attenGrid->Cells(c.band, 0), "7");
            EXPECT_EQ(form.attenGrid->Cells(0, 0), "9");
        }
        Form.reset();
    }
}

TEST_F(MainForm, ALoadedValueFinerThanItsEditIsSearchedAndSavedAsRead)
{
    UseShippedCatalogue();
    Dir.Write("app/program/default.ini", QByteArray("[air]\nflow=2.8\nmaxDP=75.5\n"));
    TMainForm& form = Open();
    EXPECT_EQ(form.edMaxDP->text(), "76");
    ClickSearch();
    EXPECT_EQ(form.Spec.maxdP, 75.5);
    form.ButtonGroup1Items0Click();
    EXPECT_EQ(TIniFile(DefaultIni()).ReadString("air", "maxDP", ""), "75.5");
}

// --- Catalogue pages and help ----------------------------------------------

TEST_F(MainForm, DetailOpensTheModelsPageOrTheCatalogueIndex)
{
    WriteRange("abc.xml", RangeXml("ABC", "circular", "ABC12", {"600|600,900|60,60,60,60,60,60,60,60"}));
    Dir.Write("app/catalog/index.htm", QByteArray("index"));
    TMainForm& form = Open();
    ClickSearch();
    ASSERT_EQ(ListedModels(form), QStringList({"ABC12-600"}));

    QTest::mouseClick(form.DetailButton, Qt::LeftButton, {}, QPoint(40, 10));
    Dir.Write("app/catalog/abc.htm", QByteArray("abc"));
    QTest::mouseClick(form.DetailButton, Qt::LeftButton, {}, QPoint(40, 10));
    EXPECT_EQ(Opened.Opened, QStringList({CatalogDir() + "index.htm#noise_control", CatalogDir() + "abc.htm#"}));

    Opened.Opened.clear();
    QTest::mouseClick(form.CatalogButton, Qt::LeftButton);
    QTest::mouseClick(form.HelpButton, Qt::LeftButton);
    EXPECT_EQ(Opened.Opened, QStringList({CatalogDir() + "index.htm#noise_control", ExeDir() + "help/index.htm"}));
    EXPECT_TRUE(Msgs.Errors.isEmpty());

    // Nothing that could open them: each is reported.
    Opened.Result = false;
    QTest::mouseClick(form.DetailButton, Qt::LeftButton, {}, QPoint(40, 10));
    QTest::mouseClick(form.CatalogButton, Qt::LeftButton);
    QTest::mouseClick(form.HelpButton, Qt::LeftButton);
    EXPECT_EQ(Msgs.Errors,
              QStringList({"Could not open " + CatalogDir() + "abc.htm", "Could not open " + CatalogDir() + "index.htm",
                           "Could not open " + ExeDir() + "help/index.htm"}));
}

TEST_F(MainForm, CataloguePagesDoNotDependOnTheCurrentFolder)
{
    WriteRange("abc.xml", RangeXml("ABC", "circular", "ABC12", {"600|600,900|60,60,60,60,60,60,60,60"}));
    TMainForm& form = Open();
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(Dir.Path());
    form.ButtonGroup1Items2Click();
    QDir::setCurrent(cwd);
    EXPECT_EQ(Opened.Opened, QStringList({CatalogDir() + "index.htm#noise_control"}));
}

// --- Selection settings ----------------------------------------------------

class ScopedNumericLocale {
public:
    explicit ScopedNumericLocale(const char* name) : FOld(std::setlocale(LC_NUMERIC, nullptr))
    {
        std::setlocale(LC_NUMERIC, name);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    ~ScopedNumericLocale()
    {
        std::setlocale(LC_NUMERIC, FOld.c_str());
        QLocale::setDefault(QLocale::c());
    }

private:
    std::string FOld;
};

TEST_F(MainForm, SaveWritesTheSelectionWithPointDecimalsWhateverTheLocale)
{
    UseShippedCatalogue();
    TMainForm& form = Open();
    ScopedNumericLocale german("de_DE.UTF-8");
    QTest::mouseClick(form.SaveButton, Qt::LeftButton);
    const QByteArray text = ReadFileBytes(DefaultIni());
    for (const char* line : {"flow=2.8\n", "maxDP=80\n", "height=0.5\n", "width=0.9\n", "diameter=0.6\n", "rect=1\n",
                             "circ=1\n", "required=9,10,15,45,50,50,45,20\n"})
        EXPECT_TRUE(text.contains(line)) << line;
    const QByteArray checked = "checked=\"" + CheckedRangesText(form.RangeNames()).toUtf8() + "\"\n";
    EXPECT_TRUE(text.contains(checked)) << text.constData();
    EXPECT_FALSE(text.contains("2,8"));

    Dir.Write("app/program/default.ini", QByteArray("[air]\nflow=2.5\n"));
    QTest::mouseClick(form.LoadButton, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(form.edAirflow->AsFloat(), 2.5);
    EXPECT_EQ(form.edAirflow->text(), "2.500");

    // A file that is not read loads nothing, and says why.
    for (const QString why : {"It is not a regular file.", "It is larger than 1 MB."}) {
        QFile::remove(DefaultIni());
        if (why.contains("regular"))
            ::mkfifo(QFile::encodeName(DefaultIni()).constData(), 0600);
        else
            QFile(Dir.Write("app/program/default.ini", QByteArray("[air]\nflow=3\n"))).resize(MaxSettingsFileSize + 1);
        Msgs.Clear();
        QTest::mouseClick(form.LoadButton, Qt::LeftButton);
        EXPECT_EQ(Msgs.Errors, QStringList{"Cannot open file \"" + DefaultIni() + "\". " + why});
        EXPECT_EQ(form.edAirflow->text(), "2.500");
    }
}

TEST_F(MainForm, SaveAndCloseStoreAnOpenBandEditOnlyAsASearchWouldTakeIt)
{
    TMainForm& form = Open();
    form.activateWindow();
    const auto pasteInto8k = [&](const QString& text) {
        form.attenGrid->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.attenGrid->hasFocus(); }));
        form.attenGrid->SetCol(7);
        form.attenGrid->SetEditorMode(true);
        ASSERT_NE(form.attenGrid->InplaceEdit(), nullptr);
        form.attenGrid->InplaceEdit()->selectAll();
        form.attenGrid->InplaceEdit()->insert(text); // what a paste does
        ASSERT_EQ(form.attenGrid->Cells(7, 0), text);
    };
    const struct {
        const char* pasted;
        const char* kept;
        const char* refused; // why, beside the grid; nullptr: taken
    } cases[] = {{"12abc", "20", "not a number"},
                 {"33", "33", nullptr},
                 {"1e999", "33", "out of range"},
                 {"9.25", "33", "not a whole number"},
                 {"1e300", "33", "out of range"},
                 {"5-", "5", nullptr},
                 {"", "0", nullptr},
                 {"4e1", "40", nullptr},
                 {"12345678901234567", "40", "out of range"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pasted);
        Msgs.Clear();
        pasteInto8k(c.pasted);
        QTest::mouseClick(form.SaveButton, Qt::LeftButton);
        QCoreApplication::processEvents();
        EXPECT_TRUE(ReadFileBytes(DefaultIni()).contains(QByteArray("required=9,10,15,45,50,50,45,") + c.kept + "\n"));
        EXPECT_EQ(form.attenGrid->Cells(7, 0), c.kept);
        EXPECT_EQ(Msgs.Beeps, c.refused ? 1 : 0);
        EXPECT_EQ(Msgs.Messages,
                  c.refused ? QStringList{QString("Attenuation refused: ") + c.refused + "."} : QStringList());
        EXPECT_TRUE(Msgs.Errors.isEmpty());
        // A paste of the same text stores what the cell stored (an empty
        // item is a gap there, no entry).
        QStringList pasted;
        if (PastedBandCells(QString("1,2,3,4,5,6,7,") + c.pasted, pasted) == ecNumber)
            EXPECT_EQ(pasted.value(7), c.kept);
        else
            EXPECT_TRUE(c.refused || !*c.pasted);
    }

    pasteInto8k("7x");
    CloseForm();
    EXPECT_EQ(TIniFile(IniFile()).ReadString("atten", "required", ""), "9,10,15,45,50,50,45,40");

    // A band a cell would refuse reads as the band's own, at start-up and on
    // Load; the program INI file's selection is never read back.
    const struct {
        const char* file;
        const char* required;
        bool load; // by the Load button; otherwise at start-up
        const char* bands;
    } loads[] = {
        {"app/program/default.ini", "1,2,3,4,5,6,7,12abc", false, "1,2,3,4,5,6,7,20"},
        {"app/program/default.ini", "8,x", true, "8,10,15,45,50,50,45,20"},
        {"app/program/default.ini", "1e300,10,15,45,50,50,45,20", false, "9,10,15,45,50,50,45,20"},
        {"app/program/default.ini", "9,10,15.5,45,50,50,45,2e1", true, "9,10,15,45,50,50,45,20"},
        {"app/program/default.ini", "10,,15,45,50,50,45,20", true, "10,10,15,45,50,50,45,20"},
        {"config/vozudarizazi.ini", "1,2,3,4,5,6,7,8", false, "9,10,15,45,50,50,45,20"},
    };
    for (const auto& l : loads) {
        SCOPED_TRACE(l.required);
        QFile::remove(DefaultIni());
        QFile::remove(IniFile());
        if (!l.load)
            Dir.Write(l.file, QByteArray("[atten]\nrequired=") + l.required + "\n");
        TMainForm& again = Open();
        if (l.load) {
            Dir.Write(l.file, QByteArray("[atten]\nrequired=") + l.required + "\n");
            QTest::mouseClick(again.LoadButton, Qt::LeftButton);
        }
        EXPECT_EQ(again.attenGrid->Rows(0)->CommaText(), l.bands);
        CloseForm();
    }
}

TEST_F(MainForm, LoadingAChangedShapeBoxReticksAndClearsAnEmptyListKeepsTicks)
{
    UseShippedCatalogue();
    TMainForm& form = Open();
    ClickSearch();
    ASSERT_GT(Rows(), 0);
    Dir.Write("app/program/default.ini",
              QByteArray("[duct]\nrect=0\ncirc=1\n[atten]\nrequired=1,2,3,4,5,6,7,8\n[ranges]\nchecked=\n"));
    QTest::mouseClick(form.LoadButton, Qt::LeftButton);
    EXPECT_FALSE(form.rectbox->isChecked());
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(ResultButtonsDisabled());
    EXPECT_EQ(form.attenGrid->Rows(0)->CommaText(), "1,2,3,4,5,6,7,8");
    for (const QString& name : form.RangeNames()) {
        const bool rect = RangeShapeOfFile(ExeDir() + "data/" + name).toLower() == "rectangular";
        EXPECT_EQ(Ticked(form, name), !rect) << name.toStdString();
    }

    // Loading that changes no box keeps the results.
    ClickSearch();
    ASSERT_GT(Rows(), 0);
    QTest::mouseClick(form.LoadButton, Qt::LeftButton);
    EXPECT_GT(Rows(), 0);
}

TEST_F(MainForm, SavedRangesTickOnlyTheirOwnFiles)
{
    WriteRange("AB.xml", RangeXml("AB", "circular", "AB"));
    WriteRange("XAB.xml", RangeXml("XAB", "circular", "XAB"));
    WriteRange("R.xml", RangeXml("R", "rectangular", "R"));
    Dir.Write("app/program/default.ini", QByteArray("[ranges]\nchecked=XAB.xml, \n"));
    TMainForm& form = Open();
    EXPECT_EQ(form.TickedRanges(), QStringList({"XAB.xml"}));
    ASSERT_EQ(form.RangeNames(), QStringList({"AB.xml", "R.xml", "XAB.xml"}));
    form.RangeBox->item(1)->setCheckState(Qt::Checked);
    form.ButtonGroup1Items0Click();
    EXPECT_TRUE(ReadFileBytes(DefaultIni()).contains("checked=\"R.xml, XAB.xml, \""));
    form.RangeBox->item(0)->setCheckState(Qt::Checked);
    form.ButtonGroup1Items1Click();
    EXPECT_EQ(form.TickedRanges(), QStringList({"R.xml", "XAB.xml"}));
}

TEST_F(MainForm, CloseSavesEverythingAndTheNextStartRestoresIt)
{
    UseShippedCatalogue();
    Dir.Write("config/vozudarizazi.ini", QByteArray("[Other]\nkept=1\n"));
    TMainForm& form = Open();
    form.setGeometry(30, 40, 650, 560);
    form.LVSelect->setColumnWidth(4, 150);
    form.edWidth->SetUnitsValue(3);
    AirflowUnits->SetUnitIndex(4);
    {
        TReadCounter counter;
        CloseForm();
        EXPECT_EQ(counter.Reads(IniFile()), 1) << "Close reads the file once, to save into it";
    }

    TIniFile ini(IniFile());
    for (const char* section :
         {"Form", "Enquiry", "ListColWidth", "EditUnits", "Units", "air", "duct", "atten", "ranges"})
        EXPECT_TRUE(ini.SectionExists(section)) << section;
    EXPECT_EQ(ini.ReadSection("ListColWidth"), QStringList({"0", "1", "2", "3", "4", "5", "6", "7", "UserSized"}));
    EXPECT_EQ(ini.ReadString("air", "flow", ""), "2.8");
    EXPECT_EQ(ini.ReadInteger("Form", "Width", 0), 650);

    FreeUnitsManager();
    CreateUnitsManager(IniFile());
    EXPECT_EQ(AirflowUnits->GetUnitIndex(), 4);
    TMainForm& again = Open();
    EXPECT_EQ(again.geometry(), QRect(30, 40, 650, 560));
    EXPECT_EQ(again.LVSelect->columnWidth(4), 150);
    EXPECT_EQ(again.edWidth->UnitsValue(), 3);
    // The edit's own unit, saved with it, wins over the display quantity's.
    EXPECT_EQ(again.edAirflow->UnitsValue(), 0);
    EXPECT_EQ(again.edWidth->AsFloat(), 0.9);
    EXPECT_TRUE(Msgs.Errors.isEmpty()) << Msgs.Errors.join("|").toStdString();
}

// The user's drag is kept through searches and restarts, a drag back to the
// design width too; columns the user never sized still fit what they show.
TEST_F(MainForm, ADraggedColumnKeepsItsWidth)
{
    UseShippedCatalogue();
    const int design = Open().LVSelect->columnWidth(4);
    CloseForm();
    for (const int column : {0, 4}) {
        SCOPED_TRACE(column);
        TMainForm& form = Open();
        ClickSearch();
        QHeaderView* header = form.LVSelect->header();
        const int edge = header->sectionViewportPosition(column) + header->sectionSize(column) - 1;
        const int dragged = column == 0 ? header->sectionSize(0) - 30 : design;
        ASSERT_GT(header->sectionSize(column), dragged);
        const int to = edge - (header->sectionSize(column) - dragged);
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, 5));
        QMouseEvent drag(QEvent::MouseMove, QPoint(to, 5), header->viewport()->mapToGlobal(QPoint(to, 5)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(header->viewport(), &drag);
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(to, 5));
        ASSERT_EQ(form.LVSelect->columnWidth(column), dragged);
        ClickSearch();
        EXPECT_EQ(form.LVSelect->columnWidth(column), dragged);
        CloseForm();
        EXPECT_EQ(TIniFile(IniFile()).ReadInteger("ListColWidth", QString::number(column), 0), dragged);

        TMainForm& again = Open();
        ClickSearch();
        EXPECT_EQ(again.LVSelect->columnWidth(column), dragged);
        const QAbstractItemView* view = again.LVSelect;
        EXPECT_GE(again.LVSelect->columnWidth(column == 0 ? 4 : 1), view->sizeHintForColumn(column == 0 ? 4 : 1));
        CloseForm();
    }
}

TEST_F(MainForm, APlacementOffTheScreenIsBroughtBack)
{
    Dir.Write("config/vozudarizazi.ini", QByteArray("[Form]\nLeft=5000\nTop=-30\nWidth=100\nHeight=99999\n"
                                                    "[ListColWidth]\n3=-9\n4=2147483647\nUserSized=3,4\n"));
    const TMainForm form(Paths());
    const TPlacementLimits limits = PlacementLimits(&form);
    // Frame and title bar on the screen.
    const QRect room = limits.Room.marginsRemoved(limits.Frame);
    EXPECT_EQ(form.geometry(), QRect(room.right() - 611 + 1, room.top(), 611, room.height()));
    // Column widths stay within reach too.
    EXPECT_EQ(form.LVSelect->columnWidth(4), limits.Screen.width());
    EXPECT_EQ(form.LVSelect->columnWidth(3), form.LVSelect->header()->minimumSectionSize());
}

TEST_F(MainForm, AnUnwritableSettingsFileIsReportedAndTheWindowStillCloses)
{
    TMainFormPaths paths = Paths();
    paths.IniFileName = Dir.Write("blocker", QByteArray("x")) + "/vozudarizazi.ini";
    TMainForm& form = Open(paths);
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(Msgs.Errors.size(), 1);
    EXPECT_TRUE(Msgs.Errors[0].startsWith("Unable to write to")) << Msgs.Errors[0].toStdString();
}

TEST_F(MainForm, ASearchThatMeetsAnUnreadableRangeListsWhatItFound)
{
    WriteRange("a.xml", RangeXml("A", "circular", "A", {"600|600,900|60,60,60,60,60,60,60,60"}));
    const QString b = WriteRange("b.xml", RangeXml("B", "circular", "B", {"600|600,900|60,60,60,60,60,60,60,60"}));
    TMainForm& form = Open();
    Dir.Write("app/program/data/b.xml", QByteArray("<catalogue type=\"silencer\"><head>"));
    ClickSearch();
    ASSERT_EQ(Msgs.Errors.size(), 1);
    EXPECT_TRUE(Msgs.Errors[0].contains("b.xml"));
    EXPECT_EQ(ListedModels(form), QStringList({"A-600"}));
    EXPECT_EQ(form.LabelCount->text(), "1 items found...");
    EXPECT_TRUE(ResultButtonsEnabled());
    (void)b;
}

TEST_F(MainForm, AnImpossibleDutyIsRefusedNamingTheInput)
{
    WriteRange("a.xml", RangeXml("A", "circular", "A", {"600|600,900|60,60,60,60,60,60,60,60"}));
    TMainForm& form = Open();
    const QString bands = form.attenGrid->Rows(0)->CommaText();
    const struct {
        TFmtEdit* edit;
        double value;
        const char* band;
        const char* message;
    } cases[] = {
        {form.edAirflow, -2.8, nullptr, "Airflow must be greater than 0, not -2.800 m³/s."},
        {form.edAirflow, 0, nullptr, "Airflow must be greater than 0, not 0.000 m³/s."},
        {form.edMaxDP, 0, nullptr, "Max DP must be greater than 0, not 0 Pa."},
        {form.edWidth, -0.9, nullptr, "Width must be 0 (no size requirement) or more, not -900.0 mm."},
        {form.edHeight, -0.0005, nullptr, "Height must be 0 (no size requirement) or more, not -0.5 mm."},
        {form.edDiameter, -0.6, nullptr, "Diameter must be 0 (no size requirement) or more, not -600.0 mm."},
        {nullptr, 0, "9,10,15,-5,50,50,45,20", "Attenuation at 500 Hz must be 0 dB or more, not -5 dB."},
        {nullptr, 0, "9,10,15,45,50,50,45,-0.25", "Attenuation at 8 kHz must be 0 dB or more, not -0.25 dB."},
    };
    for (const auto& c : cases) {
        ClickSearch();
        ASSERT_EQ(Rows(), 1);
        Msgs.Clear();
        double old = 0;
        if (c.edit) {
            old = c.edit->AsFloat();
            c.edit->SetValue(c.value);
        } else {
            form.attenGrid->Rows(0)->SetCommaText(QString::fromLatin1(c.band));
        }
        ClickSearch();
        EXPECT_EQ(Msgs.Messages, QStringList{QString::fromUtf8(c.message)});
        EXPECT_TRUE(Msgs.Errors.isEmpty());
        EXPECT_EQ(Rows(), 0) << c.message;
        EXPECT_TRUE(ResultButtonsDisabled()) << c.message;
        if (c.edit)
            c.edit->SetValue(old);
        else
            form.attenGrid->Rows(0)->SetCommaText(bands);
    }

    // Sizes of 0 are no requirement.
    Msgs.Clear();
    for (TFmtEdit* edit : {form.edWidth, form.edHeight, form.edDiameter})
        edit->SetValue(0.0);
    ClickSearch();
    EXPECT_EQ(Rows(), 1);
    EXPECT_TRUE(Msgs.Messages.isEmpty());
}

TEST_F(MainForm, EnterMovesThroughTheDutyEdits)
{
    TMainForm& form = Open();
    form.activateWindow();
    form.edAirflow->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.edAirflow->hasFocus(); }));
    QTest::keyClick(form.edAirflow, Qt::Key_Return);
    EXPECT_TRUE(form.edMaxDP->hasFocus());
    QTest::keyClick(form.edMaxDP, Qt::Key_Down);
    EXPECT_TRUE(form.edWidth->hasFocus());
    QTest::keyClick(form.edWidth, Qt::Key_Up);
    EXPECT_TRUE(form.edMaxDP->hasFocus());
}

TEST_F(MainForm, TheCountEndsWhereItsDesignTextEndedAndFollowsTheBottomRight)
{
    TMainForm& form = Open();
    form.resize(629, 531);
    const int right = 561 + form.LabelCount->fontMetrics().horizontalAdvance("...");
    EXPECT_EQ(form.LabelCount->geometry().right() + 1, right);
    EXPECT_EQ(form.LabelCount->y(), 507);
    form.resize(680, 560);
    EXPECT_EQ(form.LabelCount->geometry().right() + 1, right + 51);
    EXPECT_EQ(form.LabelCount->y(), 536);
}

TEST_F(MainForm, Screenshot)
{
    const QByteArray target = qgetenv("VOZ_SCREENSHOT");
    if (target.isEmpty())
        GTEST_SKIP() << "set VOZ_SCREENSHOT to a PNG file name";
    UseShippedCatalogue();
    TMainForm& form = Open();
    ClickSearch();
    form.grab().save(QString::fromLocal8Bit(target));
}

} // namespace
