#include "ProjectClass.h"

#include "TxFileRead.h"
#include "TxPlatform.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <QDir>
#include <QFile>

#include <clocale>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const QByteArray GoodHead = "<head><filedescription>DEZ Uder Project File</filedescription>"
                            "<manufacturer>DEZ Uder</manufacturer>";

// A project file with the given developer, extra head children and body.
QByteArray ProjectXml(const QByteArray& headExtra, const QByteArray& body,
                      const QByteArray& developer = "Vededudezar Software")
{
    return "<?xml version=\"1.0\"?>\n<project version=\"1.00\" developer=\"" + developer + "\">" + GoodHead +
           headExtra + "</head><body>" + body + "</body></project>\n";
}

// What a load or a save says of what is beyond a project's bounds; %3 and
// %2 are what and how many.
const QString TooLong =
    QString("%3 has %1 characters; a text holds at most %2").arg(MaxProjectText + 1).arg(MaxProjectText);
const QString NotesTooLong = QString("the notes have %2 characters; they hold at most %1").arg(MaxProjectNotes);
const QString TooManyItems =
    QString("it holds %1 items; a project holds at most %2").arg(MaxProjectItems + 1).arg(MaxProjectItems);

class ProjectFile : public ::testing::Test {
protected:
    void SetUp() override { InitProjectSettings(FDir.File("none.ini"), FDir.File("none2.ini")); }

    // Loads `bytes` into a project that already holds one item, as the
    // window's project would.
    bool Load(const QByteArray& bytes, TProject& p)
    {
        FPath = FDir.Write("job.pxf", bytes);
        return p.LoadFromFile(FPath);
    }

    TTempFolder FDir;
    QString FPath;
    TRecordingMessageService FMessages;
    TScopedMessageService FScope{FMessages};
};

QStringList ChildNames(const pugi::xml_node& node)
{
    QStringList names;
    for (const pugi::xml_node& c : node.children())
        names.append(QString::fromUtf8(c.name()));
    return names;
}

TSelectionRec FullSelection(int n)
{
    TSelectionRec s;
    s.prefix = QString("RS%1").arg(n);
    s.model = QString("RS%1-900x600").arg(n);
    s.rangedesc = "Rectangular splitter & <co>";
    s.size = "W,H=900,600";
    s.shape = static_cast<uint8_t>(n % 2);
    s.widdiam = 0.9;
    s.nmodules = 3;
    s.height = 0.6;
    s.length = 1.2;
    s.weight = 45.5;
    s.atten = {1, 2, 3, 4, 5, 6, 7, 8.25};
    s.regen = {10.04, 20, 30, 40, 50, 60, 70, 80};
    s.dp = 55.5;
    s.db = 12.345;
    s.vp = 7.25;
    s.photo = "rs.jpg";
    s.ga = "rs_ga.gif";
    s.page = "rs.htm";
    return s;
}

} // namespace

TEST_F(ProjectFile, EmptyProjectWritesTheFixedHead)
{
    TProject p;
    ASSERT_TRUE(p.SaveToFile(FDir.File("empty.pxf")));
    EXPECT_TRUE(FMessages.Messages.isEmpty());

    pugi::xml_document doc;
    const QByteArray bytes = ReadFileBytes(FDir.File("empty.pxf"));
    ASSERT_TRUE(doc.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size())));
    const pugi::xml_node root = doc.document_element();
    EXPECT_STREQ(root.name(), "project");
    EXPECT_STREQ(root.first_attribute().name(), "version");
    EXPECT_STREQ(root.first_attribute().value(), "1.00");
    EXPECT_STREQ(root.first_attribute().next_attribute().name(), "developer");
    EXPECT_STREQ(root.attribute("developer").value(), "Vededudezar Software");
    EXPECT_EQ(ChildNames(root), QStringList({"head", "body"}));

    const pugi::xml_node head = root.child("head");
    EXPECT_EQ(ChildNames(head), QStringList({"filedescription", "manufacturer", "quoteno", "revision", "date",
                                             "projectname", "attention", "contractor", "notes"}));
    EXPECT_STREQ(head.child_value("filedescription"), "DEZ Uder Project File");
    EXPECT_STREQ(head.child_value("manufacturer"), "DEZ Uder");
    EXPECT_EQ(QString::fromUtf8(head.child_value("date")), ProjectDateToStr(QDateTime::currentDateTime()));
    EXPECT_EQ(QString::fromUtf8(head.child_value("notes")), QString::fromUtf8("Notes:¿Delivery:¿Validity:¿"));
    EXPECT_TRUE(ChildNames(root.child("body")).isEmpty());
}

TEST_F(ProjectFile, RoundTripKeepsEveryField)
{
    TProject p;
    p.ProjectName = "Mall & <Tower> \"B\"";
    p.QuoteNo = "Q-17";
    p.Revision = "C";
    p.Attention = "Ann Engineer";
    p.Contractor = "Müller Ducts";
    p.Date = QDateTime(QDate(2024, 4, 3), QTime(15, 30));
    p.Notes = QStringList{"Notes: none", "", "Delivery: 4 weeks"};
    for (int n = 1; n <= 2; ++n) {
        TSpecificationRec spec;
        spec.airflow = 2.5 * n;
        spec.maxdP = 100;
        spec.width = 0.9;
        spec.height = 0.6;
        spec.diameter = 0.0004;
        spec.atten = {12.34, 15, 20, 25, 30, 35, 30, 25};
        p.InsertItem(spec, FullSelection(n), -1);
        TProjectItem& item = p.Item(n - 1);
        item.Description = QString("Supply fan %1").arg(n);
        item.Qty = n + 1;
        item.Price = n == 1 ? 12.34567 : 0.0125;
        item.Ancillaries = {{"Mounting feet", 4, 1.239, 0},
                            {"Feet, galvanised", 2, 25, 0},
                            {"Cones", 1000, 0.125, 0},
                            {"Feet,galvanised", 1, 1, 0},
                            {"Rails,2,off", 1, 1, 0},
                            {QString(MaxProjectText - 1, QLatin1Char('x')).insert(1, QLatin1Char(',')), 1, 1, 0}};
        item.CalcAncillaryTotal();
        item.CalcTotal();
    }
    p.CalcTotals();
    ASSERT_TRUE(p.SaveToFile(FDir.File("full.pxf")));
    // At least the decimals the file always had, more where a value needs them.
    const QByteArray text = ReadFileBytes(FDir.File("full.pxf"));
    for (const char* element : {"<price>12.34567</price>", "<price>0.0125</price>", "<airflow>2.500</airflow>",
                                "<diameter>0.0004</diameter>", "<atten>12.34, 15.0, 20.0,", "<regen>10.04, 20.0,",
                                "<db>12.345</db>", "<aitem>Mounting feet, 4, 1.239</aitem>",
                                "<aitem>Feet, galvanised, 2, 25.00</aitem>", "<aitem>Cones, 1000, 0.125</aitem>"})
        EXPECT_TRUE(text.contains(element)) << element;

    TProject q;
    ASSERT_TRUE(q.LoadFromFile(FDir.File("full.pxf")));
    EXPECT_TRUE(FMessages.Messages.isEmpty());
    EXPECT_EQ(q.ProjectName, p.ProjectName);
    EXPECT_EQ(q.QuoteNo, "Q-17");
    EXPECT_EQ(q.Revision, "C");
    EXPECT_EQ(q.Attention, "Ann Engineer");
    EXPECT_EQ(q.Contractor, "Müller Ducts");
    EXPECT_EQ(q.Date.date(), QDate(2024, 4, 3));
    EXPECT_EQ(q.Notes, p.Notes);
    ASSERT_EQ(q.ItemCount(), 2);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const TProjectItem& a = q.Item(i);
        EXPECT_EQ(a.Description, p.Item(i).Description);
        EXPECT_EQ(a.Qty, i + 2);
        EXPECT_EQ(a.Price, p.Item(i).Price);
        EXPECT_EQ(a.Spec, p.Item(i).Spec);
        EXPECT_EQ(a.Sel, FullSelection(i + 1));
        EXPECT_EQ(a.Ancillaries, p.Item(i).Ancillaries);
        EXPECT_EQ(a.Total, p.Item(i).Total);
    }
    EXPECT_EQ(q.Total, p.Total);
    EXPECT_DOUBLE_EQ(q.VAT, MoneyTimes(q.Item(0).Total, 0.14) + MoneyTimes(q.Item(1).Total, 0.14));
}

TEST_F(ProjectFile, IdentityAndFormatMessages)
{
    struct Case {
        const char* label;
        QByteArray bytes;
        bool loads;
        QString message;    // followed by the path
        QString reason{""}; // what the message ends with
    };
    const QString invalid = QStringLiteral("Not a valid DEZ Uder project file\r");
    const QByteArray longText(MaxProjectText + 1, 't');
    const QByteArray fullText(MaxProjectText, 't');
    const auto element = [](const char* name, const QByteArray& text) {
        return "<" + QByteArray(name) + ">" + text + "</" + QByteArray(name) + ">";
    };
    const auto ancillaries = [](int count, const QByteArray& name) {
        return "<item><ancillaries>" + QByteArray("<aitem>" + name + ", 1, 2.00</aitem>").repeated(count) +
               "</ancillaries></item>";
    };
    const QByteArray readError = "Error reading project file ";
    // Items of a full list each that make the project's lines.
    const int items = MaxProjectAncillaries / MaxItemAncillaries;
    const std::vector<Case> cases{
        {"capital developer", ProjectXml("", "", "VEDEDUDEZAR SOFTWARE"), true, ""},
        {"capital root", "<PROJECT developer=\"vededudezar software\">" + GoodHead + "</head><body/></PROJECT>", true,
         ""},
        {"other developer", ProjectXml("", "", "Other"), false, invalid},
        {"no developer", "<project>" + GoodHead + "</head><body/></project>", false, invalid},
        {"other root", "<quote developer=\"Vededudezar Software\">" + GoodHead + "</head></quote>", false, invalid},
        {"no head", "<project developer=\"Vededudezar Software\"><body/></project>", false, invalid},
        {"other manufacturer",
         "<project developer=\"Vededudezar Software\"><head><filedescription>DEZ Uder Project "
         "File</filedescription><manufacturer>X</manufacturer></head></project>",
         false, invalid},
        {"truncated", ProjectXml("", "<item><qty>2</qty></item>").left(120), false,
         "File does not have valid format: "},
        {"empty file", "", false, "File does not have valid format: "},
        {"bad band", ProjectXml("", "<item><specification><atten>1,x</atten></specification></item>"), false,
         "Error reading project file "},
        {"no body", "<project developer=\"Vededudezar Software\">" + GoodHead + "</head></project>", false,
         "Error reading project file "},
        // No number that is not finite is taken for 0.
        {"NaN price", ProjectXml("", "<item><price>NaN</price></item>"), false, "Error reading project file "},
        {"infinite price", ProjectXml("", "<item><price>-INF</price></item>"), false, "Error reading project file "},
        {"price out of range", ProjectXml("", "<item><price>1e999</price></item>"), false,
         "Error reading project file "},
        {"total out of range", ProjectXml("", "<item><qty>2</qty><price>1e308</price></item>"), false,
         "Error reading project file "},
        {"NaN quantity", ProjectXml("", "<item><qty>nan</qty></item>"), false, "Error reading project file "},
        {"quantity out of range", ProjectXml("", "<item><qty>99999999999999999999</qty></item>"), false,
         "Error reading project file "},
        {"NaN airflow", ProjectXml("", "<item><specification><airflow>nan</airflow></specification></item>"), false,
         "Error reading project file "},
        {"infinite width", ProjectXml("", "<item><selection><widdiam>inf</widdiam></selection></item>"), false,
         "Error reading project file "},
        {"modules out of range", ProjectXml("", "<item><selection><nmodules>1e10</nmodules></selection></item>"), false,
         "Error reading project file "},
        {"NaN ancillary price",
         ProjectXml("", "<item><ancillaries><aitem>Matching angles, 2, nan</aitem></ancillaries></item>"), false,
         "Error reading project file "},
        {"ancillary quantity out of range",
         ProjectXml("", "<item><ancillaries><aitem>Matching angles, 99999999999, 1e300</aitem></ancillaries></item>"),
         false, "Error reading project file "},
        {"infinite price of a named ancillary",
         ProjectXml("", "<item><ancillaries><aitem>Feet, galvanised, 4, -inf</aitem></ancillaries></item>"), false,
         "Error reading project file "},
        // A fraction or a number beyond the ints where a whole number is read.
        {"fractional quantity", ProjectXml("", "<item><qty>2.5</qty></item>"), false, "Error reading project file ",
         ": '2.5' is not a valid qty: not a whole number"},
        {"quantity beyond the doubles", ProjectXml("", "<item><qty>1e400</qty></item>"), false,
         "Error reading project file ", ": '1e400' is not a valid qty: out of range"},
        {"fractional modules", ProjectXml("", "<item><selection><nmodules> 2.5 </nmodules></selection></item>"), false,
         "Error reading project file ", ": '2.5' is not a valid nmodules: not a whole number"},
        {"fractional ancillary quantity",
         ProjectXml("", "<item><ancillaries><aitem>Feet, 0.5, 3</aitem></ancillaries></item>"), false,
         "Error reading project file ", ": '0.5' is not a valid ancillary quantity: not a whole number"},
        {"fractional quantity of a named ancillary",
         ProjectXml("", "<item><ancillaries><aitem>Feet, galvanised, 1e-1, 3</aitem></ancillaries></item>"), false,
         "Error reading project file ", ": '1e-1' is not a valid ancillary quantity: not a whole number"},
        {"text that is no number", ProjectXml("", "<item><qty>x</qty><nmodules>y</nmodules></item>"), true, ""},
        // A date's numbers by the one number rule: a fraction fails as a quantity does; numbers that
        // make no date take the current date.
        {"no such date", ProjectXml("<date>31 02 2024</date>", ""), true, ""},
        {"fractional day", ProjectXml("<date>7.5 12 2026</date>", ""), false, readError,
         "'7.5 12 2026' is not a valid date: not a whole number"},
        // What a project may hold, each at its bound; beyond, the message names the bound.
        {"every bound reached",
         ProjectXml(element("projectname", fullText) + element("quoteno", fullText) + element("revision", fullText) +
                        element("attention", fullText) + element("contractor", fullText) +
                        element("notes", QByteArray(MaxProjectNotes, 'n') + "\xC2\xBF"),
                    ancillaries(MaxItemAncillaries, fullText) + element("item", element("description", fullText)) +
                        ancillaries(MaxItemAncillaries, "F").repeated(items - 1) +
                        QByteArray("<item/>").repeated(MaxProjectItems - items - 1)),
         true, ""},
        // What the previous version saved with a default list of 55.
        {"55 ancillaries an item", ProjectXml("", ancillaries(55, "Feet").repeated(2)), true, ""},
        // Counted as the file is read: the first bound passed stops it.
        {"too many items", ProjectXml("", QByteArray("<item/>").repeated(MaxProjectItems + 1)), false, readError,
         QString("it holds more than %1 items; a project holds at most %1").arg(MaxProjectItems)},
        {"too many ancillaries in all", ProjectXml("", ancillaries(MaxItemAncillaries, "F").repeated(items + 1)), false,
         readError,
         QString("it holds more than %1 ancillaries; a project holds at most %1").arg(MaxProjectAncillaries)},
        // Ten nodes besides: the declaration, root with two attributes, head, body, two texts in two elements.
        {"too many nodes", ProjectXml("", QByteArray("<x/>").repeated(MaxProjectNodes - 9)), false, readError,
         QString("it holds more than %1 XML nodes; a project file holds at most %1").arg(MaxProjectNodes)},
        {"too long a text after blanks", ProjectXml(element("notes", QByteArray(MaxProjectTextBytes, ' ') + "n"), ""),
         false, readError,
         QString("it holds a text of more than %1 bytes; no text of a project is that long").arg(MaxProjectTextBytes)},
        {"too long a text", ProjectXml(element("notes", QByteArray(MaxProjectTextBytes + 1, 'n')), ""), false,
         readError,
         QString("it holds a text of more than %1 bytes; no text of a project is that long").arg(MaxProjectTextBytes)},
        {"long project name", ProjectXml(element("projectname", longText), ""), false, readError,
         TooLong.arg("the project name")},
        {"long quote number", ProjectXml(element("quoteno", longText), ""), false, readError,
         TooLong.arg("the quote number")},
        {"long revision", ProjectXml(element("revision", longText), ""), false, readError, TooLong.arg("the revision")},
        {"long consultant", ProjectXml(element("consultant", longText), ""), false, readError,
         TooLong.arg("the attention")},
        {"long contractor", ProjectXml(element("contractor", longText), ""), false, readError,
         TooLong.arg("the contractor")},
        {"long notes", ProjectXml(element("notes", QByteArray(MaxProjectNotes - 1, 'n') + "\xC2\xBFmm"), ""), false,
         readError, NotesTooLong.arg(MaxProjectNotes + 2)},
        {"long description", ProjectXml("", "<item/>" + element("item", element("description", longText))), false,
         readError, TooLong.arg("the description of item 2")},
        {"too many ancillaries", ProjectXml("", "<item/>" + ancillaries(MaxItemAncillaries + 1, "Feet")), false,
         readError, QString("item 2 has more than %1 ancillaries; an item holds at most %1").arg(MaxItemAncillaries)},
        {"long ancillary name", ProjectXml("", ancillaries(1, longText)), false, readError,
         TooLong.arg("an ancillary name of item 1")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FMessages.Clear();
        TProject p;
        p.ProjectName = "On screen";
        p.InsertItem({}, {}, -1);
        const bool loaded = Load(c.bytes, p);
        EXPECT_EQ(loaded, c.loads);
        if (c.loads) {
            EXPECT_TRUE(FMessages.Messages.isEmpty());
            continue;
        }
        ASSERT_EQ(FMessages.Messages.size(), 1);
        EXPECT_TRUE(FMessages.Messages[0].startsWith(c.message + FPath)) << FMessages.Messages[0].toStdString();
        EXPECT_TRUE(FMessages.Messages[0].endsWith(c.reason)) << FMessages.Messages[0].toStdString();
        EXPECT_EQ(p.ProjectName, "On screen");
        EXPECT_EQ(p.ItemCount(), 1);
    }

    // Names that lead to no file the reader reads say why.
    ASSERT_EQ(::mkfifo(QFile::encodeName(FDir.File("fifo.pxf")).constData(), 0600), 0);
    ASSERT_TRUE(QFile(FDir.Write("huge.pxf", ProjectXml("", ""))).resize(MaxReadFileSize + 1));
    const QString refused = "Cannot open file \"%1\". It is %2.";
    for (const auto& [name, message] :
         {std::pair{"missing.pxf", "Project file not found: " + FDir.File("missing.pxf")},
          std::pair{"fifo.pxf", refused.arg(FDir.File("fifo.pxf"), "not a regular file")},
          std::pair{"huge.pxf", refused.arg(FDir.File("huge.pxf"), "larger than 64 MB")}}) {
        FMessages.Clear();
        TProject p;
        EXPECT_FALSE(p.LoadFromFile(FDir.File(name)));
        EXPECT_EQ(FMessages.Messages, QStringList{message});
    }
}

TEST_F(ProjectFile, LenientReading)
{
    const QByteArray body = "<ITEM><qty>abc</qty><price>x</price><ancillaries><AItem>Feet, 4, 25.00</AItem>"
                            "<other>x</other></ancillaries></ITEM><note/><item><selection><shape>CIRCULAR</shape>"
                            "<img alt=\"PHOTO\">a.jpg</img><img alt=\"ga\">b.gif</img></selection></item>"
                            "<item><selection><shape>round</shape></selection></item>"
                            "<item><qty>2.0</qty><selection><nmodules>3e0</nmodules></selection></item>";
    TProject p;
    ASSERT_TRUE(Load(ProjectXml("<attention></attention><consultant>Bob</consultant><date>soon</date>"
                                "<notes>A\xC2\xBF\xC2\xBF"
                                "B</notes>",
                                body),
                     p));
    EXPECT_EQ(p.Attention, "Bob");
    EXPECT_LE(std::abs(p.Date.secsTo(QDateTime::currentDateTime())), 5);
    EXPECT_EQ(p.Notes, QStringList({"A", "", "B"}));
    ASSERT_EQ(p.ItemCount(), 4);
    EXPECT_EQ(p.Item(0).Qty, 1);
    EXPECT_EQ(p.Item(0).Price, 0);
    EXPECT_EQ(p.Item(0).Ancillaries, (TAncillArray{{"Feet", 4, 25, 100}}));
    EXPECT_EQ(p.Item(0).Total, 100);
    EXPECT_EQ(p.Item(1).Sel.shape, 0);
    EXPECT_EQ(p.Item(1).Sel.photo.Text(), "a.jpg");
    EXPECT_EQ(p.Item(1).Sel.ga.Text(), "b.gif");
    EXPECT_TRUE(p.Item(1).Ancillaries.empty());
    EXPECT_EQ(p.Item(2).Sel.shape, 1);
    EXPECT_EQ(p.Item(2).Qty, 1);
    // Whole numbers in any of their forms.
    EXPECT_EQ(p.Item(3).Qty, 2);
    EXPECT_EQ(p.Item(3).Sel.nmodules, 3);

    // Attention wins over consultant when it has text; texts are cut to their capacities.
    const QString longModel(60, QLatin1Char('m'));
    ASSERT_TRUE(Load(ProjectXml("<attention>Ann</attention><consultant>Bob</consultant><notes/>",
                                "<item><selection><model>" + longModel.toUtf8() + "</model></selection></item>"),
                     p));
    EXPECT_EQ(p.Attention, "Ann");
    EXPECT_TRUE(p.Notes.isEmpty());
    EXPECT_EQ(p.Item(0).Sel.model.Text(), longModel.left(48));
}

// The old program wrote 8-bit text and declared no encoding.
TEST_F(ProjectFile, OldEightBitFileReads)
{
    TProject p;
    ASSERT_TRUE(Load(ProjectXml("<attention>J\xFCrgen M\xFCller</attention><notes>5 m\xB3/s\xBF"
                                "Delivery: 3 weeks</notes>",
                                "<item><selection><model>TAP-\xD8 500</model></selection></item>"),
                     p));
    EXPECT_EQ(p.Attention, "Jürgen Müller");
    EXPECT_EQ(p.Notes, QStringList({"5 m³/s", "Delivery: 3 weeks"}));
    ASSERT_EQ(p.ItemCount(), 1);
    EXPECT_EQ(p.Item(0).Sel.model.Text(), "TAP-Ø 500");
}

TEST_F(ProjectFile, AncillaryTexts)
{
    struct Case {
        const char* text;
        TAncillRec rec;
    };
    for (const Case& c :
         {Case{"", {"", 0, 0, 0}}, Case{"Feet", {"Feet", 0, 0, 0}}, Case{"Feet, x, 3", {"Feet", 0, 0, 0}},
          Case{"Feet, 3, y", {"Feet", 3, 0, 0}}, Case{"Feet, 3", {"Feet", 3, 0, 0}},
          Case{"Feet,3,2.5", {"Feet", 3, 2.5, 7.5}}, Case{"A, B, C", {"A", 0, 0, 0}},
          Case{"Feet, galvanised, 4, 25.00", {"Feet, galvanised", 4, 25, 100}},
          Case{"a, b, c, 2, 1.5", {"a, b, c", 2, 1.5, 3}}, Case{"a, b, x, 25", {"a", 0, 0, 0}},
          Case{"Feet, 2.0, 3", {"Feet", 2, 3, 6}}, Case{"Feet, galvanised, 4e0, 1", {"Feet, galvanised", 4, 1, 4}},
          // The name as it was typed: everything before the last two fields.
          Case{"Feet,galvanised, 4, 25.00", {"Feet,galvanised", 4, 25, 100}},
          Case{"Rails,2,off, 1, 2.00", {"Rails,2,off", 1, 2, 2}}, Case{" Feet ,, 1, 2", {" Feet ,", 1, 2, 2}}}) {
        SCOPED_TRACE(c.text);
        TProject p;
        ASSERT_TRUE(Load(
            ProjectXml("", QByteArray("<item><ancillaries><aitem>") + c.text + "</aitem></ancillaries></item>"), p));
        ASSERT_EQ(p.Item(0).Ancillaries.size(), 1u);
        EXPECT_EQ(p.Item(0).Ancillaries[0], c.rec);
    }
}

TEST_F(ProjectFile, DateIgnoresTheLocale)
{
    EXPECT_EQ(ProjectDateToStr(QDateTime(QDate(2024, 4, 3), QTime(23, 59))), "03 04 2024");
    EXPECT_EQ(StrToProjectDate("03 04 2024"), QDate(2024, 4, 3));
    EXPECT_FALSE(StrToProjectDate("04/03/2024").isValid());
    EXPECT_FALSE(StrToProjectDate("3 April 2024").isValid());
    EXPECT_FALSE(StrToProjectDate("").isValid());
    EXPECT_EQ(StrToProjectDate("07.0 12 2026"), QDate(2026, 12, 7));

    const std::string saved = std::setlocale(LC_TIME, nullptr);
    for (const char* locale : {"C", "en_US.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8"}) {
        SCOPED_TRACE(locale);
        std::setlocale(LC_TIME, locale);
        TProject p;
        ASSERT_TRUE(Load(ProjectXml("<date>03 04 2024</date>", ""), p));
        EXPECT_EQ(p.Date.date(), QDate(2024, 4, 3));
    }
    std::setlocale(LC_TIME, saved.c_str());
}

TEST_F(ProjectFile, FailedSaveKeepsTheOldFile)
{
    TProject p;
    p.ProjectName = "New";
    p.InsertItem({}, FullSelection(1), -1);

    // Below a regular file: the folder cannot exist.
    const QString plain = FDir.Write("plain", QByteArray("file"));
    EXPECT_FALSE(p.SaveToFile(plain + "/job.pxf"));
    ASSERT_EQ(FMessages.Messages.size(), 1);
    EXPECT_TRUE(FMessages.Messages[0].startsWith("Error writing file " + plain + "/job.pxf: "));
    EXPECT_EQ(ReadFileBytes(plain), QByteArray("file"));

    // Over an existing file, with the disk refusing more than a few bytes.
    FMessages.Clear();
    const QByteArray old = ProjectXml("<projectname>Old</projectname>", "");
    const QString target = FDir.Write("old.pxf", old);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool written = p.SaveToFile(target);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    ASSERT_EQ(FMessages.Messages.size(), 1);
    EXPECT_TRUE(FMessages.Messages[0].startsWith("Error writing file " + target + ": "));
    EXPECT_EQ(ReadFileBytes(target), old);

    // A project that Open could not read again is refused before anything is
    // written: too large a file, or beyond a bound Open checks.
    const QString euros(MaxProjectText, QChar(0x20AC)); // three bytes each
    const std::vector<std::pair<std::function<void(TProject&)>, QString>> beyond{
        {[&](TProject& q) {
             q.InsertItem({}, {}, -1);
             q.Item(0).Ancillaries.assign(MaxItemAncillaries, {euros, 1, 1, 0});
             for (int i = 1; i * MaxItemAncillaries * euros.size() * 3 <= MaxReadFileSize; ++i)
                 q.Items.push_back(std::make_unique<TProjectItem>(q.Item(0)));
         },
         "the project file would be larger than 64 MB, more than can be opened"},
        {[](TProject& q) {
             for (int i = 0; i <= MaxProjectItems; ++i)
                 q.Items.push_back(std::make_unique<TProjectItem>());
         },
         TooManyItems},
        {[](TProject& q) { q.Contractor = QString(MaxProjectText + 1, 'c'); }, TooLong.arg("the contractor")},
        {[](TProject& q) { q.Notes = QStringList() << QString(MaxProjectNotes, 'n') << ""; },
         NotesTooLong.arg(MaxProjectNotes + 1)},
        {[](TProject& q) {
             q.Items.push_back(std::make_unique<TProjectItem>());
             q.Item(0).Ancillaries.resize(MaxItemAncillaries);
             for (int i = 0; i < MaxProjectAncillaries / MaxItemAncillaries; ++i)
                 q.Items.push_back(std::make_unique<TProjectItem>(q.Item(0)));
         },
         QString("it holds %1 ancillaries; a project holds at most %2")
             .arg(MaxProjectAncillaries + MaxItemAncillaries)
             .arg(MaxProjectAncillaries)},
    };
    for (const auto& [make, reason] : beyond) {
        SCOPED_TRACE(reason.toStdString());
        FMessages.Clear();
        TProject q;
        make(q);
        EXPECT_FALSE(q.SaveToFile(target));
        EXPECT_EQ(FMessages.Messages, QStringList{"Error writing file " + target + ": " + reason});
        EXPECT_EQ(ReadFileBytes(target), old);
    }
    EXPECT_EQ(QDir(FDir.Path()).entryList(QDir::Files), (QStringList{"old.pxf", "plain"}));
}
