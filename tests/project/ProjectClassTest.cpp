#include "ProjectClass.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <functional>

void PrintTo(const TAncillRec& rec, std::ostream* os)
{
    *os << '(' << rec.Name.toStdString() << ", " << rec.Qty << ", " << rec.Price << ", " << rec.Total << ')';
}

namespace {

// Every test starts from the built-in settings and leaves them so.
class ProjectModel : public ::testing::Test {
protected:
    void SetUp() override { ResetSettings(); }
    void TearDown() override { ResetSettings(); }

    void ResetSettings() { InitProjectSettings(FDir.File("none.ini"), FDir.File("data/none.ini")); }
    QString InitWith(const QByteArray& programIni, const QByteArray& ancillaries)
    {
        return InitProjectSettings(programIni.isNull() ? FDir.File("none.ini") : FDir.Write("program.ini", programIni),
                                   ancillaries.isNull() ? FDir.File("data/none.ini")
                                                        : FDir.Write("data/ancillaries.ini", ancillaries));
    }

    TTempFolder FDir;
};

TSelectionRec Selection(const QString& model)
{
    TSelectionRec sel;
    sel.model = model;
    return sel;
}

QStringList Models(const TProject& p)
{
    QStringList models;
    for (const auto& item : p.Items)
        models.append(item->Sel.model.Text());
    return models;
}

void AddItems(TProject& p, const QStringList& models)
{
    for (const QString& m : models)
        p.InsertItem({}, Selection(m), -1);
}

} // namespace

TEST_F(ProjectModel, FreshProjectAndItem)
{
    const TProject p;
    EXPECT_EQ(p.ItemCount(), 0);
    EXPECT_EQ(p.SubTotal, 0);
    EXPECT_EQ(p.VAT, 0);
    EXPECT_EQ(p.Total, 0);
    EXPECT_EQ(p.VATRate, 0.14);
    EXPECT_EQ(p.Notes, QStringList({"Notes:", "Delivery:", "Validity:"}));
    EXPECT_LE(std::abs(p.Date.secsTo(QDateTime::currentDateTime())), 5);
    EXPECT_TRUE(p.ProjectName.isEmpty() && p.QuoteNo.isEmpty() && p.Revision.isEmpty() && p.Attention.isEmpty() &&
                p.Contractor.isEmpty());

    TSpecificationRec spec;
    spec.airflow = 1.5;
    const TProjectItem item(spec, Selection("RS-10"));
    EXPECT_EQ(item.Spec.airflow, 1.5);
    EXPECT_EQ(item.Sel.model.Text(), "RS-10");
    EXPECT_EQ(item.Description, "");
    EXPECT_EQ(item.Qty, 1);
    EXPECT_EQ(item.Price, 0);
    const TAncillArray expected{{"Matching angles", 0, 0, 0},
                                {"Mounting feet", 0, 0, 0},
                                {"Inlet outlet cones", 0, 0, 0},
                                {"Anti-vibration mounts", 0, 0, 0},
                                {"Wire guard", 0, 0, 0}};
    EXPECT_EQ(item.Ancillaries, expected);
    EXPECT_EQ(item.AncillaryTotal, 0);
    EXPECT_EQ(item.Total, 0);
}

TEST_F(ProjectModel, TotalsAndVat)
{
    TProject p;
    p.InsertItem({}, {}, -1);
    TProjectItem& item = p.Item(0);
    item.Qty = 2;
    item.Price = 1000;
    item.Ancillaries.clear();
    item.AddAncillary("Mounting feet", 4, 25);
    item.AddAncillary("Cones", 0, 300);
    EXPECT_EQ(item.Ancillaries[0].Total, 0); // not computed until asked
    item.CalcAncillaryTotal();
    item.CalcTotal();
    p.CalcTotals();
    EXPECT_EQ(item.Ancillaries[0].Total, 100);
    EXPECT_EQ(item.AncillaryTotal, 100);
    EXPECT_EQ(item.Total, 2200);
    EXPECT_EQ(p.SubTotal, 2200);
    EXPECT_DOUBLE_EQ(p.VAT, 308);
    EXPECT_DOUBLE_EQ(p.Total, 2508);

    item.Qty = 0;
    item.CalcTotal();
    EXPECT_EQ(item.Total, 0);

    // Totals are built from the prices as shown, to the cent; the prices
    // stay as typed.
    item.Qty = 3;
    item.Price = 12.34567;
    item.Ancillaries = {{"x", 1, 0.005, 0}};
    item.CalcAncillaryTotal();
    item.CalcTotal();
    p.CalcTotals();
    EXPECT_EQ(item.Total, 37.08); // 3 x (12.35 + 0.01)
    EXPECT_EQ(p.VAT, 5.19);
    EXPECT_EQ(item.Price, 12.34567);
}

TEST_F(ProjectModel, VatRateFromProgramIni)
{
    struct Case {
        QByteArray ini;
        double vat;
        double price = 1000;
        double shown = 1000; // to the cent, halves away on the decimal value
    };
    for (const Case& c :
         {Case{"[VAT]\nRate=0.15\n", 150}, Case{"[VAT]\nRate=abc\n", 140}, Case{"[Other]\nx=1\n", 140},
          Case{"[vat]\nrate=0.2\n", 200}, Case{QByteArray(), 140},
          Case{"[VAT]\nRate=0.14\n", 16935.84, 120970.25, 120970.25}, Case{"[VAT]\nRate=0.1\n", 0.02, 0.145, 0.15}}) {
        SCOPED_TRACE(c.ini.toStdString());
        InitWith(c.ini, QByteArray());
        TProject p;
        p.InsertItem({}, {}, -1);
        p.Item(0).Price = c.price;
        p.Item(0).CalcTotal();
        p.CalcTotals();
        EXPECT_DOUBLE_EQ(p.VAT, c.vat);
        EXPECT_DOUBLE_EQ(p.Total, c.shown + c.vat);
    }
}

TEST_F(ProjectModel, DefaultAncillariesFromFile)
{
    struct Case {
        const char* label;
        QByteArray file;
        TAncillArray expected;
        QString note{};
    };
    // More than an item holds, the first name cut before the pair it would split.
    QByteArray manyFile = "[Ancillaries]\n" + QByteArray(MaxProjectText - 1, 'n') + "\xF0\x9F\x98\x80=1,2\n";
    TAncillArray manyList{{QString(MaxProjectText - 1, 'n'), 1, 2, 0}};
    for (int i = 1; i <= MaxItemAncillaries; ++i) {
        manyFile += "L" + QByteArray::number(i) + "=0,0\n";
        if (i < MaxItemAncillaries)
            manyList.push_back({"L" + QString::number(i), 0, 0, 0});
    }
    const std::vector<Case> cases{
        {"conversions",
         "[Ancillaries]\r\nMounting feet=4,125.50\r\nX=a,5\r\nY=3,b\r\n",
         {{"Mounting feet", 4, 125.5, 0}, {"X", 0, 0, 0}, {"Y", 3, 0, 0}}},
        {"skipped lines",
         "[Ancillaries]\n\n; comment\n# comment\nno equals sign\nA=1,2\n[Next]\nB=3,4\n",
         {{"A", 1, 2, 0}}},
        {"empty section", "[Ancillaries]\n[Other]\nA=1,2\n", {}},
        {"no section", "[Other]\nA=1,2\n", {}},
        // Every new item takes the list: no more than an item holds, and what was cut is said.
        {"beyond an item's bounds", manyFile, manyList,
         QString("Default ancillaries %1: it has %2 ancillaries and an item holds at most %3: the first %3 are used; "
                 "names longer than %4 characters are cut.")
             .arg(FDir.File("data/ancillaries.ini"))
             .arg(MaxItemAncillaries + 1)
             .arg(MaxItemAncillaries)
             .arg(MaxProjectText)},
        // The previous version's 50 cut a list of 55.
        {"a list of 55", "[Ancillaries]\n" + QByteArray("A=1,2\n").repeated(55), TAncillArray(55, {"A", 1, 2, 0})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(InitWith(QByteArray(), c.file), c.note);
        EXPECT_EQ(DefaultAncillaries(), c.expected);
        TAncillArray withTotals = c.expected;
        for (TAncillRec& rec : withTotals)
            rec.Total = rec.Qty * rec.Price;
        EXPECT_EQ(TProjectItem({}, {}).Ancillaries, withTotals);
    }
    ResetSettings();
    EXPECT_EQ(DefaultAncillaries().size(), 5u);

    InitWith(QByteArray(), "[Ancillaries]\nAny=2,40\n");
    const TProjectItem item({}, {});
    EXPECT_EQ(item.AncillaryTotal, 80);
    EXPECT_EQ(item.Total, 80);
}

TEST_F(ProjectModel, InsertMoveAndDelete)
{
    struct Case {
        const char* label;
        std::function<void(TProject&)> act;
        QStringList models;
    };
    const std::vector<Case> cases{
        {"insert past the end appends", [](TProject& p) { p.InsertItem({}, Selection("N"), 5); }, {"A", "B", "C", "N"}},
        {"insert at count appends", [](TProject& p) { p.InsertItem({}, Selection("N"), 3); }, {"A", "B", "C", "N"}},
        {"insert -1 appends", [](TProject& p) { p.InsertItem({}, Selection("N"), -1); }, {"A", "B", "C", "N"}},
        {"insert -2 appends", [](TProject& p) { p.InsertItem({}, Selection("N"), -2); }, {"A", "B", "C", "N"}},
        {"insert at 0", [](TProject& p) { p.InsertItem({}, Selection("N"), 0); }, {"N", "A", "B", "C"}},
        {"insert at 2", [](TProject& p) { p.InsertItem({}, Selection("N"), 2); }, {"A", "B", "N", "C"}},
        {"move 0 to 2", [](TProject& p) { p.MoveItem(0, 2); }, {"B", "C", "A"}},
        {"move 2 to 0", [](TProject& p) { p.MoveItem(2, 0); }, {"C", "A", "B"}},
        {"move 1 to 1", [](TProject& p) { p.MoveItem(1, 1); }, {"A", "B", "C"}},
        {"move from outside", [](TProject& p) { p.MoveItem(3, 0); }, {"A", "B", "C"}},
        {"move to outside", [](TProject& p) { p.MoveItem(0, -1); }, {"A", "B", "C"}},
        {"delete 1", [](TProject& p) { p.DeleteItem(1); }, {"A", "C"}},
        {"delete outside", [](TProject& p) { p.DeleteItem(7); }, {"A", "B", "C"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TProject p;
        AddItems(p, {"A", "B", "C"});
        c.act(p);
        EXPECT_EQ(Models(p), c.models);
    }
}

TEST_F(ProjectModel, DeletingRecomputesTotals)
{
    TProject p;
    AddItems(p, {"A", "B"});
    for (int i = 0; i < 2; ++i) {
        TProjectItem& item = p.Item(i);
        item.Price = 100;
        item.Ancillaries = {{"feet", 2, 10, 0}, {"cones", 1, 5, 0}};
        item.CalcAncillaryTotal();
        item.CalcTotal();
    }
    p.CalcTotals();
    EXPECT_EQ(p.SubTotal, 250);

    p.DeleteItemAncillary(0, 0);
    EXPECT_EQ(p.Item(0).AncillaryTotal, 5);
    EXPECT_EQ(p.Item(0).Total, 105);
    EXPECT_EQ(p.SubTotal, 230);
    p.DeleteItemAncillary(0, 9);
    p.DeleteItemAncillary(9, 0);
    EXPECT_EQ(p.SubTotal, 230);

    p.DeleteItem(1);
    EXPECT_EQ(p.SubTotal, 105);
    EXPECT_DOUBLE_EQ(p.Total, 105 * 1.14);

    p.VATRate = 0.2;
    p.ProjectName = "Job";
    p.Notes = QStringList{"x"};
    p.New();
    EXPECT_EQ(p.ItemCount(), 0);
    EXPECT_EQ(p.ProjectName, "");
    EXPECT_EQ(p.Notes, QStringList({"Notes:", "Delivery:", "Validity:"}));
    EXPECT_EQ(p.Total, 0);
    EXPECT_EQ(p.VATRate, 0.2);
}

TEST_F(ProjectModel, AncillaryMatrix)
{
    TProject p;
    AddItems(p, {"A", "B", "C"});
    p.Item(0).Ancillaries = {{"Mounting feet", 4, 25, 0}, {"Cones", 1, 0, 0}};
    p.Item(1).Ancillaries = {
        {"mounting feet", 2, 30, 0}, {"Wire guard", 0, 10, 0}, {"Cones", 2, 7.5, 0}, {"Cones", 3, 8, 0}};
    p.Item(2).Ancillaries = {};
    TAncillaryMatrix matrix;
    p.GetAncillaryMatrix(matrix);
    EXPECT_EQ(matrix.Names(), QStringList({"Mounting feet", "Cones"}));
    const TStrMat expected{{"4 X R25.00", "2 X R30.00", "-"}, {"-", "3 X R8.00", "-"}};
    for (int row = 0; row < 2; ++row)
        for (int item = 0; item < 3; ++item)
            EXPECT_EQ(matrix.Cell(row, item), expected[size_t(row)][item]) << row << ", " << item;
    // Only priced cells are held, one per row.
    EXPECT_EQ(matrix.ItemCells(1).size(), 2u);
    EXPECT_TRUE(matrix.ItemCells(2).empty());

    TProject empty;
    empty.GetAncillaryMatrix(matrix);
    EXPECT_TRUE(matrix.Names().isEmpty());

    TProject unpriced;
    AddItems(unpriced, {"A"});
    unpriced.GetAncillaryMatrix(matrix);
    EXPECT_TRUE(matrix.Names().isEmpty());
    EXPECT_TRUE(matrix.ItemCells(0).empty());
}
