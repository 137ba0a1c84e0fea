#include "TestUtil.h"
#include "TxErrors.h"
#include "TxFileRead.h"
#include "TxFormat.h"
#include "TxIniFile.h"
#include "TxPictureRead.h"
#include "TxString.h"
#include "TxXMLFiles.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

std::unique_ptr<TXMLFile> Parsed(const char* xml)
{
    auto file = std::make_unique<TXMLFile>();
    file->LoadFromBytes(QByteArray(xml));
    EXPECT_EQ(file->ReadStatus(), xrsNone) << file->ErrorText().toStdString();
    return file;
}

double Num(const char* text)
{
    return StrToFloat(QString::fromLatin1(text));
}

int IntNum(const char* text)
{
    return StrToInt(QString::fromLatin1(text));
}

QString Name(const TXmlNode& node)
{
    return QString::fromUtf8(node.name());
}

// ---- typed reads and their status codes -------------------------------------

const char* const kReadDoc = R"(<a x="1" empty="">
  <b>1.5</b>
  <e/>
  <t>abc</t>
  <h><c/></h>
  <m>1<!--x--></m>
  <p>1<?pi x?></p>
  <i>2.5</i>
  <n>42</n>
  <cd><![CDATA[raw <text>]]></cd>
  <sp> 7 </sp>
  <big>99999999999</big>
  <w>2.0</w>
  <we> 2e0 </we>
  <mix>a<![CDATA[b]]></mix>
</a>)";

enum class ReadKind { Text, Attr, Float, Extended, Int };

struct ReadCase {
    ReadKind kind;
    bool nullParent;
    const char* name;
    const char* def;      // the default, as text
    const char* expected; // the result, as text
    int status;
};

void PrintTo(const ReadCase& c, std::ostream* os)
{
    *os << "read " << static_cast<int>(c.kind) << " of '" << c.name << "'" << (c.nullParent ? " (no parent)" : "");
}

class XmlRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(XmlRead, GivesValueOrDefaultWithStatus)
{
    const ReadCase& c = GetParam();
    auto xml = Parsed(kReadDoc);
    const TXmlNode parent = c.nullParent ? TXmlNode() : xml->DocumentElement();
    const QString name = QString::fromUtf8(c.name);
    switch (c.kind) {
    case ReadKind::Text:
        EXPECT_EQ(xml->GetText(parent, name, QString::fromUtf8(c.def)), QString::fromUtf8(c.expected));
        break;
    case ReadKind::Attr:
        EXPECT_EQ(xml->GetAttr(parent, name, QString::fromUtf8(c.def)), QString::fromUtf8(c.expected));
        break;
    case ReadKind::Float:
        EXPECT_DOUBLE_EQ(xml->GetFloat(parent, name, Num(c.def)), Num(c.expected));
        break;
    case ReadKind::Extended:
        EXPECT_DOUBLE_EQ(static_cast<double>(xml->GetExtended(parent, name, Num(c.def))), Num(c.expected));
        break;
    case ReadKind::Int:
        EXPECT_EQ(xml->GetInt(parent, name, IntNum(c.def)), IntNum(c.expected));
        break;
    }
    EXPECT_EQ(xml->ReadStatus(), c.status);
}

INSTANTIATE_TEST_SUITE_P(StatusMatrix, XmlRead,
                         ::testing::Values(
                             // Found and converted.
                             ReadCase{ReadKind::Float, false, "b", "0", "1.5", xrsNone},
                             ReadCase{ReadKind::Extended, false, "b", "0", "1.5", xrsNone},
                             ReadCase{ReadKind::Int, false, "n", "0", "42", xrsNone},
                             // A whole number in any of its forms.
                             ReadCase{ReadKind::Int, false, "w", "0", "2", xrsNone},
                             ReadCase{ReadKind::Int, false, "we", "0", "2", xrsNone},
                             ReadCase{ReadKind::Float, false, "sp", "0", "7", xrsNone},
                             ReadCase{ReadKind::Text, false, "cd", "d", "raw <text>", xrsNone},
                             // Names below the root match exactly.
                             ReadCase{ReadKind::Float, false, "B", "0", "0", xrsNotFound},
                             ReadCase{ReadKind::Text, false, "missing", "d", "d", xrsNotFound},
                             ReadCase{ReadKind::Int, false, "missing", "5", "5", xrsNotFound},
                             // Not the asked type.
                             ReadCase{ReadKind::Float, false, "t", "7", "7", xrsWrongType},
                             ReadCase{ReadKind::Int, false, "i", "9", "9", xrsWrongType},
                             ReadCase{ReadKind::Int, false, "big", "9", "9", xrsWrongType},
                             ReadCase{ReadKind::Extended, false, "t", "3", "3", xrsWrongType},
                             // An empty element is empty text, but no number.
                             ReadCase{ReadKind::Text, false, "e", "x", "", xrsNone},
                             ReadCase{ReadKind::Float, false, "e", "7", "7", xrsWrongType},
                             // No parent.
                             ReadCase{ReadKind::Text, true, "b", "d", "d", xrsParentNotFound},
                             ReadCase{ReadKind::Float, true, "b", "7", "7", xrsParentNotFound},
                             ReadCase{ReadKind::Extended, true, "b", "7", "7", xrsParentNotFound},
                             ReadCase{ReadKind::Int, true, "n", "7", "7", xrsParentNotFound},
                             // No single text value.
                             ReadCase{ReadKind::Text, false, "h", "d", "d", xrsValueMissing},
                             ReadCase{ReadKind::Text, false, "m", "d", "d", xrsValueMissing},
                             ReadCase{ReadKind::Text, false, "p", "d", "d", xrsValueMissing},
                             ReadCase{ReadKind::Text, false, "mix", "d", "d", xrsValueMissing},
                             ReadCase{ReadKind::Float, false, "h", "7", "7", xrsValueMissing},
                             // Attributes: missing or empty give the default without complaint.
                             ReadCase{ReadKind::Attr, false, "x", "d", "1", xrsNone},
                             ReadCase{ReadKind::Attr, false, "y", "d", "d", xrsNone},
                             ReadCase{ReadKind::Attr, false, "empty", "d", "d", xrsNone},
                             ReadCase{ReadKind::Attr, false, "X", "d", "d", xrsNone},
                             ReadCase{ReadKind::Attr, true, "x", "d", "d", xrsAttributeMissing}));

TEST(XmlRead, StatusIsResetByEveryRead)
{
    auto xml = Parsed(kReadDoc);
    const TXmlNode a = xml->DocumentElement();
    xml->GetText(a, "missing");
    ASSERT_EQ(xml->ReadStatus(), xrsNotFound);
    xml->GetAttr(a, "x");
    EXPECT_EQ(xml->ReadStatus(), xrsNone);
}

// ---- lists --------------------------------------------------------------------

struct FloatListCase {
    const char* element; // the element under the root, or nothing
    std::vector<double> expected;
    int status;
};

class XmlFloatList : public ::testing::TestWithParam<FloatListCase> {};

TEST_P(XmlFloatList, SplitsAndConverts)
{
    const FloatListCase& c = GetParam();
    TXMLFile xml;
    xml.LoadFromBytes(QByteArray("<a>") + c.element + "</a>");
    TDoubleDynArray list{99.0};
    xml.GetFloatList(xml.DocumentElement(), "l", list);
    EXPECT_EQ(list, c.expected);
    EXPECT_EQ(xml.ReadStatus(), c.status);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, XmlFloatList,
    ::testing::Values(FloatListCase{"<l>1, 2,3,</l>", {1, 2, 3}, xrsNone},
                      FloatListCase{"<l>1.5,-2E3</l>", {1.5, -2000}, xrsNone}, FloatListCase{"<l>7</l>", {7}, xrsNone},
                      FloatListCase{"<l>1 2</l>", {12}, xrsNone}, FloatListCase{"<l/>", {}, xrsNotFound},
                      FloatListCase{"<l>,</l>", {}, xrsNotFound}, FloatListCase{"", {}, xrsNotFound},
                      FloatListCase{"<l>1,x</l>", {}, xrsWrongType}, FloatListCase{"<l>1,,2</l>", {}, xrsWrongType},
                      FloatListCase{"<l>1,2,,</l>", {}, xrsWrongType}));

TEST(XmlTextList, CommaTextOrPlainSplitting)
{
    auto xml = Parsed(R"(<a><l>a b,c,</l><q>"x y",z</q><e/></a>)");
    const TXmlNode a = xml->DocumentElement();
    QStringList list;

    xml->GetTextList(a, "l", true, list);
    EXPECT_EQ(list, (QStringList{"a", "b", "c"}));
    EXPECT_EQ(xml->ReadStatus(), xrsNone);

    xml->GetTextList(a, "l", false, list);
    EXPECT_EQ(list, (QStringList{"a b", "c"}));

    xml->GetTextList(a, "q", true, list);
    EXPECT_EQ(list, (QStringList{"x y", "z"}));

    xml->GetTextList(a, "e", true, list);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(xml->ReadStatus(), xrsNotFound);

    list = QStringList{"stale"};
    xml->GetTextList(a, "e", false, list);
    EXPECT_TRUE(list.isEmpty()) << "an empty text must not leave an earlier list behind";
}

// ---- navigation -------------------------------------------------------------

TEST(XmlPath, RootStepIgnoresCaseAndLaterStepsDoNot)
{
    auto xml = Parsed("<a><b>1.5</b></a>");
    const TXmlNode b = xml->GetNode({"A", "b"});
    ASSERT_TRUE(b);
    EXPECT_EQ(Name(b), "b");
    EXPECT_FALSE(xml->GetNode({"a", "B"}));
    EXPECT_FALSE(xml->GetNode({}));
    EXPECT_FALSE(xml->GetNode({"x", "b"})) << "another root name without creation";
    EXPECT_EQ(xml->FindNode(TXmlNode(), {"a", "b"}), b);
    EXPECT_EQ(xml->GetNodeFrom(TXmlNode(), {"a", "b"}), b);
    EXPECT_EQ(xml->FindNode(xml->DocumentElement(), {"b"}), b) << "a start element begins at the first name";
    EXPECT_FALSE(xml->FindNode(xml->DocumentElement(), {"x", "b"}));
}

TEST(XmlPath, CreationAddsOnlyTheMissingTail)
{
    TXMLFile xml;
    const TXmlNode head = xml.GetNode({"project", "head"}, true);
    ASSERT_TRUE(head);
    EXPECT_EQ(Name(xml.DocumentElement()), "project");
    EXPECT_EQ(Name(head), "head");
    EXPECT_EQ(Name(head.parent()), "project");

    const TXmlNode date = xml.GetNode({"Project", "head", "date"}, true);
    EXPECT_EQ(date.parent(), head) << "existing elements are walked, not duplicated";
    xml.GetNode({"project", "body"}, true);
    int children = 0;
    for (TXmlNode n = xml.DocumentElement().first_child(); n; n = n.next_sibling())
        ++children;
    EXPECT_EQ(children, 2);
    EXPECT_EQ(Name(xml.DocumentElement().last_child()), "body") << "new elements go last";
}

TEST(XmlPath, CreationNeverAddsASecondRoot)
{
    auto xml = Parsed("<a><b/></a>");
    EXPECT_THROW(xml->GetNode({"project", "head"}, true), EXMLError);
    EXPECT_THROW(xml->FindChild(xml->Doc(), "project", true), EXMLError);
    EXPECT_THROW(xml->AddChild(xml->Doc(), "a"), EXMLError);
    EXPECT_EQ(xml->FindChild(xml->Doc(), "a", true), xml->DocumentElement());
    EXPECT_EQ(Name(xml->DocumentElement()), "a");
    EXPECT_FALSE(xml->DocumentElement().next_sibling());
}

TEST(XmlNavigation, FindChildMatchesElementsExactlyAndInsertsAtIndex)
{
    auto xml = Parsed("<a><?b?><B/><b>x</b><c/></a>");
    const TXmlNode a = xml->DocumentElement();
    const TXmlNode b = xml->FindChild(a, "b");
    ASSERT_TRUE(b);
    EXPECT_EQ(b.type(), pugi::node_element) << "a processing instruction of the same name is no element";
    EXPECT_EQ(QString::fromUtf8(b.child_value()), "x");
    EXPECT_FALSE(xml->FindChild(a, "d"));
    EXPECT_FALSE(xml->FindChild(TXmlNode(), "b", true));

    const TXmlNode d = xml->FindChild(a, "d", true, 1);
    EXPECT_EQ(d.previous_sibling().type(), pugi::node_pi);
    const TXmlNode e = xml->FindChild(a, "e", true, 99);
    EXPECT_EQ(a.last_child(), e);
    EXPECT_EQ(xml->AddChild(a, "e").previous_sibling(), e);
    EXPECT_FALSE(xml->AddChild(TXmlNode(), "e"));
}

TEST(XmlNavigation, ChildrenAndAttributeLookupsIgnoreCase)
{
    auto xml = Parsed(R"(<a>
      <img src="one.png" alt="Photo">pic</img>
      <x/>
      <IMG src="two.png" alt="ga"/>
      <Img src="three.png"/>
      <img alt="photo"><c/></img>
    </a>)");
    const TXmlNode a = xml->DocumentElement();
    const TXmlNodeVec images = xml->GetChildren(a, "img");
    ASSERT_EQ(images.size(), 4u);
    EXPECT_EQ(QString::fromUtf8(images[1].attribute("src").value()), "two.png") << "document order";
    EXPECT_TRUE(xml->GetChildren(a, "none").empty());
    EXPECT_THROW(xml->GetChildren(TXmlNode(), "img"), EXMLError);

    EXPECT_EQ(xml->GetTextByAttr(a, "IMG", "alt", "photo"), "pic");
    EXPECT_EQ(xml->GetAttrByAttr(a, "img", "alt", "GA", "src"), "two.png");
    EXPECT_EQ(xml->GetAttrByAttr(a, "img", "alt", "plan", "src"), "");
    EXPECT_EQ(xml->GetTextByAttr(a, "img", "ALT", "photo"), "") << "attribute names match exactly";
    EXPECT_EQ(xml->GetTextByAttr(TXmlNode(), "img", "alt", "photo"), "");

    EXPECT_EQ(xml->FindChildByAttr(a, "Img", "alt", "GA"), images[1]);
    EXPECT_FALSE(xml->FindChildByAttr(a, "img", "alt", "")) << "a missing attribute never matches";
    EXPECT_FALSE(xml->FindChildByAttr(TXmlNode(), "img", "alt", "ga", true));
    const TXmlNode added = xml->FindChildByAttr(a, "img", "alt", "plan", true);
    ASSERT_TRUE(added);
    EXPECT_EQ(a.last_child(), added);
    EXPECT_EQ(QString::fromUtf8(added.attribute("alt").value()), "plan");
}

// ---- writes -------------------------------------------------------------------

TEST(XmlWrite, ReuseDecidesBetweenOverwriteAndRepeat)
{
    TXMLFile xml;
    const TXmlNode p = xml.GetNode({"p"}, true);
    xml.SetText(p, "item", "one", false);
    xml.SetText(p, "item", "two", false);
    EXPECT_EQ(xml.GetChildren(p, "item").size(), 2u);

    const TXmlNode single = xml.SetText(p, "single", "one", true);
    EXPECT_EQ(xml.SetText(p, "single", "two", true), single);
    EXPECT_EQ(xml.GetChildren(p, "single").size(), 1u);
    EXPECT_EQ(xml.GetText(p, "single"), "two");
    EXPECT_EQ(xml.WriteStatus(), xwsNone);

    xml.SetText(p, "single", "", true);
    EXPECT_EQ(xml.GetText(p, "single", "d"), "");
    EXPECT_EQ(xml.ReadStatus(), xrsNone);
}

TEST(XmlWrite, StatusCodes)
{
    auto xml = Parsed("<a><h><c/></h></a>");
    const TXmlNode a = xml->DocumentElement();
    EXPECT_FALSE(xml->SetText(TXmlNode(), "x", "v"));
    EXPECT_EQ(xml->WriteStatus(), xwsParentNotFound);

    xml->SetText(a, "h", "v");
    EXPECT_EQ(xml->WriteStatus(), xwsNotElement) << "an element holding elements has no text to set";
    EXPECT_EQ(xml->GetChildren(xml->FindChild(a, "h"), "c").size(), 1u) << "and keeps its content";

    xml->SetText(a, "x", "v");
    EXPECT_EQ(xml->WriteStatus(), xwsNone);
}

TEST(XmlWrite, NumbersAttributesAndPairs)
{
    TXMLFile xml;
    const TXmlNode p = xml.GetNode({"p"}, true);
    xml.SetFloat(p, "f", 1.23456, "%0.3f");
    xml.SetFloat(p, "g", 0.125, "%0.2f");
    xml.SetInt(p, "i", -42);
    EXPECT_EQ(xml.GetText(p, "f"), "1.235");
    EXPECT_EQ(xml.GetText(p, "g"), "0.13");
    xml.SetExactFloat(p, "e", 0.90045, 3);
    EXPECT_EQ(xml.GetText(p, "e"), "0.90045");
    EXPECT_EQ(xml.GetInt(p, "i", 0), -42);

    const TXmlNode img = xml.SetTextByAttr(p, "img", "a.png", "alt", "photo", false);
    xml.SetTextByAttr(p, "img", "b.png", "alt", "ga", false);
    EXPECT_EQ(xml.GetTextByAttr(p, "img", "alt", "ga"), "b.png");
    EXPECT_EQ(xml.GetAttr(img, "alt"), "photo");

    xml.SetAttrs(p, {"a", "b", "c"}, {"1", "2"});
    EXPECT_EQ(xml.GetAttr(p, "a"), "1");
    EXPECT_EQ(xml.GetAttr(p, "b"), "2");
    EXPECT_FALSE(p.attribute("c"));
    xml.SetAttr(p, "a", "3");
    EXPECT_EQ(xml.GetAttr(p, "a"), "3");
    int count = 0;
    for (pugi::xml_attribute at = p.first_attribute(); at; at = at.next_attribute())
        ++count;
    EXPECT_EQ(count, 2) << "an existing attribute is overwritten, not repeated";
    xml.SetAttr(TXmlNode(), "a", "1");
}

// ---- files --------------------------------------------------------------------

TEST(XmlFile, RoundTripKeepsTextAndIsUtf8)
{
    TTempFolder dir;
    const QString path = dir.File("units.xml");
    {
        TXMLFile xml(path);
        EXPECT_EQ(xml.FileName(), path);
        const TXmlNode head = xml.GetNode({"project", "head"}, true);
        xml.SetText(head, "flow", "m³/s");
        xml.SetText(head, "angle", "°");
        xml.SetText(head, "markup", "a < b & \"c\"");
        xml.Save();
    }
    const QByteArray bytes = ReadFileBytes(path);
    EXPECT_TRUE(bytes.startsWith("<?xml")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("m\xC2\xB3/s")) << "written as UTF-8";
    EXPECT_TRUE(bytes.contains("\n\t\t<flow>")) << "indented by nesting level";

    auto back = TXMLFile::CreateFromFile(path);
    EXPECT_EQ(back->ReadStatus(), xrsNone);
    const TXmlNode head = back->GetNode({"project", "head"});
    EXPECT_EQ(back->GetText(head, "flow"), "m³/s");
    EXPECT_EQ(back->GetText(head, "angle"), "°");
    EXPECT_EQ(back->GetText(head, "markup"), "a < b & \"c\"");
}

TEST(XmlFile, BadOrMissingFiles)
{
    TTempFolder dir;
    const QString bad = dir.Write("bad.xml", QByteArray("<a><b></a>"));
    TXMLFile xml(bad);
    EXPECT_EQ(xml.ReadStatus(), xrsInvalidFormat);
    EXPECT_FALSE(xml.ErrorText().isEmpty());
    EXPECT_TRUE(xml.ErrorText().contains(bad)) << xml.ErrorText().toStdString();
    EXPECT_FALSE(xml.DocumentElement());
    EXPECT_EQ(xml.FileName(), bad);

    TXMLFile empty(dir.Write("empty.xml", QByteArray()));
    EXPECT_EQ(empty.ReadStatus(), xrsInvalidFormat);

    TXMLFile missing(dir.File("missing.xml"));
    EXPECT_EQ(missing.ReadStatus(), xrsNone);
    EXPECT_TRUE(missing.ErrorText().isEmpty());
    EXPECT_FALSE(missing.DocumentElement());

    // A good load after a bad one forgets the error.
    xml.LoadFromBytes("<a/>");
    EXPECT_EQ(xml.ReadStatus(), xrsNone);
    EXPECT_TRUE(xml.ErrorText().isEmpty());
    EXPECT_EQ(xml.FileName(), bad);
    xml.Clear();
    EXPECT_FALSE(xml.DocumentElement());
}

// Names that lead to something no reader may read whole: each reader gives
// up at once, the way it gives up on a bad file, and says which file.
TEST(WholeFileReaders, RefuseDevicesFifosFoldersAndHugeFiles)
{
    TTempFolder dir;
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.File("fifo")).constData(), 0600), 0);
    QFile::link("/dev/zero", dir.File("zero"));
    QFile::link(dir.File("fifo"), dir.File("fifo-link"));
    QDir().mkpath(dir.File("folder"));
    ASSERT_TRUE(QFile(dir.Write("huge", QByteArray("[A]\nx=1\n"))).resize(MaxReadFileSize + 1));
    for (const char* name : {"zero", "fifo", "fifo-link", "folder", "huge"}) {
        const QString file = dir.File(name);
        const bool huge = file.endsWith("huge");
        SCOPED_TRACE(name);
        EXPECT_EQ(CheckFileToRead(file), huge ? TFileKind::TooLarge : TFileKind::NotRegular);
        QByteArray bytes("old");
        QString error;
        EXPECT_FALSE(ReadWholeFile(file, bytes, error));
        EXPECT_EQ(bytes, "old");
        EXPECT_EQ(error, "Cannot open file \"" + file + "\". " +
                             (huge ? "It is larger than 64 MB." : "It is not a regular file."));
        TXMLFile xml(file);
        EXPECT_EQ(xml.ReadStatus(), xrsInvalidFormat);
        EXPECT_EQ(xml.ErrorText(), error);
        EXPECT_EQ(TIniFile(file).ReadString("A", "x", "d"), "d");
        TStringDynArray lines{"kept"};
        if (huge)
            EXPECT_THROW(LoadLinesFromFile(file, lines), EInOutError);
        else
            LoadLinesFromFile(file, lines);
        EXPECT_EQ(lines, QStringList{"kept"});
        TPictureReader picture(file);
        EXPECT_TRUE(picture.read().isNull());
        EXPECT_EQ(picture.errorString(), error);
        QString pictureError;
        EXPECT_TRUE(ReadWholePicture(file, pictureError).isNull());
        EXPECT_EQ(pictureError, error);
    }

    // A file of the bound itself is read.
    QByteArray bytes;
    QString error;
    EXPECT_TRUE(ReadWholeFile(dir.Write("four", QByteArray("1234")), bytes, error, 4));
    EXPECT_EQ(bytes, "1234");
    EXPECT_FALSE(ReadWholeFile(dir.File("four"), bytes, error, 3));
}

// Pictures whose files end early decode in part without a word from the
// GIF, JPEG and BMP readers: they are refused whole, and so are formats
// whose end is not told.
TEST(WholeFileReaders, PicturesCutShortAreRefused)
{
    const QByteArray gif = ReadFileBytes(VOZ_CONTENT_DIR "/documents/Logo.gif");
    auto encoded = [](const char* format) {
        QImage image(VOZ_CONTENT_DIR "/documents/Logo.gif");
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format);
        return bytes;
    };
    const QByteArray png = encoded("PNG");
    // A PNG as other writers make it, and PNGs of a pixel: their data going
    // on with 100,000 bytes more of zeros, or cut into empty parts.
    QImage deep = QImage(VOZ_CONTENT_DIR "/documents/Logo.gif").convertToFormat(QImage::Format_RGBA64);
    deep.setColorSpace(QColorSpace::AdobeRgb);
    deep.setText(QStringLiteral("Comment"), QString(1000, QLatin1Char('x')));
    QByteArray described;
    QBuffer describedBuffer(&described);
    describedBuffer.open(QIODevice::WriteOnly);
    deep.save(&describedBuffer, "PNG");
    const auto pixel = [](int extra, int emptyParts = 0) {
        return QByteArray::fromHex("89504e470d0a1a0a") +
               PngChunk("IHDR", QByteArray::fromHex("00000001000000010802000000")) +
               PngChunk("IDAT", {}).repeated(emptyParts) +
               PngChunk("IDAT", qCompress(QByteArray(4 + extra, '\0')).mid(4)) + PngChunk("IEND", {});
    };
    const QByteArray jpeg = encoded("JPEG");
    // The smallest GIF with an extension block before its image, and a JPEG
    // whose first segment holds an end marker of its own.
    const QByteArray tiny = QByteArray::fromHex("474946383961010001008000000000"
                                                "00ffffff21f90401000000002c0000"
                                                "0000010001000002024401003b");
    const QByteArray thumb = jpeg.left(2) + QByteArray::fromHex("ffe10006ffd90000") + jpeg.mid(2);
    const QByteArray bmp = encoded("BMP");
    // A 2 x 2 BMP coded in runs: a run and an end of line per row, then the
    // end of the bitmap.
    const QByteArray runs = QByteArray::fromHex("424d48000000000000003e000000"
                                                "2800000002000000020000000100080001000000"
                                                "0a00000000000000000000000200000000000000" // sizes, two colours
                                                "00000000ffffff00"
                                                "02010000020000000001");
    const struct {
        const char* Label;
        QByteArray Bytes;
        bool Whole;
    } cases[] = {
        {"GIF", gif, true},
        {"GIF, 1000 bytes", gif.left(1000), false},
        {"GIF, 3000 bytes", gif.left(3000), false},
        {"GIF without its trailer", tiny.chopped(1), true},
        {"GIF cut in its image", tiny.chopped(3), false},
        {"PNG", png, true},
        {"PNG cut", png.left(png.size() / 2), false},
        {"PNG with a colour profile and texts, 16 bits a channel", described, true},
        {"PNG of a pixel", pixel(0), true},
        {"PNG whose data go on past its pixels", pixel(100000), false},
        {"PNG of a thousand parts", pixel(0, 1000), true},
        {"PNG of a million parts", pixel(0, 1 << 20), false},
        {"JPEG", jpeg, true},
        {"JPEG with bytes after its end", jpeg + "trailing", true},
        {"JPEG cut", jpeg.left(jpeg.size() / 2), false},
        {"JPEG with a thumbnail, cut", thumb.left(thumb.size() / 2), false},
        {"BMP", bmp, true},
        {"BMP cut", bmp.left(bmp.size() / 2), false},
        {"BMP without its last byte", bmp.chopped(1), false},
        {"BMP in runs", runs, true},
        {"BMP in runs without its end", runs.chopped(2), false},
        {"not a picture", QByteArray("GIF89a broken"), false},
        {"a TIFF, whose end is not told", encoded("TIFF"), false},
    };
    TTempFolder dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        QString error;
        const QImage image = ReadWholePicture(dir.Write("logo", c.Bytes), error);
        EXPECT_EQ(image.isNull(), !c.Whole);
        EXPECT_EQ(error.isEmpty(), c.Whole) << error.toStdString();
    }
}

struct EncodingCase {
    const char* label;
    QByteArray bytes;
};

class XmlEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(XmlEncoding, ReadsEightBitFiles)
{
    TTempFolder dir;
    const QString path = dir.Write("old.xml", GetParam().bytes);
    TXMLFile xml(path);
    ASSERT_EQ(xml.ReadStatus(), xrsNone) << xml.ErrorText().toStdString();
    EXPECT_EQ(xml.GetText(xml.DocumentElement(), "u"), "m³/s °C");
    EXPECT_EQ(xml.GetAttr(xml.DocumentElement(), "t"), "Zürich");

    // Written back, it is UTF-8 and says so.
    xml.Save();
    const QByteArray saved = ReadFileBytes(path);
    EXPECT_FALSE(saved.toLower().contains("1252"));
    EXPECT_FALSE(saved.toLower().contains("8859"));
    TXMLFile again(path);
    EXPECT_EQ(again.GetText(again.DocumentElement(), "u"), "m³/s °C");
}

INSTANTIATE_TEST_SUITE_P(
    Declarations, XmlEncoding,
    ::testing::Values(EncodingCase{"windows-1252", QByteArray("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n"
                                                              "<a t=\"Z\xFCrich\"><u>m\xB3/s \xB0\x43</u></a>")},
                      EncodingCase{"iso-8859-1", QByteArray("<?xml version='1.0' encoding = 'ISO-8859-1' ?>"
                                                            "<a t=\"Z\xFCrich\"><u>m\xB3/s \xB0\x43</u></a>")},
                      EncodingCase{"utf-8", QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                                                       "<a t=\"Z\xC3\xBCrich\"><u>m\xC2\xB3/s \xC2\xB0\x43</u></a>")},
                      // Undeclared: UTF-8 when the bytes are, else Windows-1252.
                      EncodingCase{"none-utf-8", QByteArray("<a t=\"Z\xC3\xBCrich\"><u>m\xC2\xB3/s \xC2\xB0\x43</u></a>")},
                      EncodingCase{"none-8-bit", QByteArray("<?xml version=\"1.0\"?>\n"
                                                            "<a t=\"Z\xFCrich\"><u>m\xB3/s \xB0\x43</u></a>")},
                      EncodingCase{"no-declaration-8-bit", QByteArray("<a t=\"Z\xFCrich\"><u>m\xB3/s \xB0\x43</u></a>")},
                      EncodingCase{"utf-8-but-8-bit", QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                                                                 "<a t=\"Z\xFCrich\"><u>m\xB3/s \xB0\x43</u></a>")}),
    [](const auto& info) {
        QString name = QString::fromLatin1(info.param.label);
        name.remove('-');
        return name.toStdString();
    });

TEST(XmlFile, Windows1252SpecialCharacters)
{
    TXMLFile xml;
    xml.LoadFromBytes("<?xml version=\"1.0\" encoding=\"Windows-1252\"?><a>\x80 \x93q\x94</a>");
    EXPECT_EQ(xml.GetText(xml.Doc(), "a"), QString::fromUtf8("€ “q”"));
}

// XML 1.0 cannot hold the other C0 controls, not even as references: they
// are written as blanks, and any parser reads the file.
TEST(XmlSave, ControlCharactersBecomeBlanks)
{
    TTempFolder dir;
    const QString path = dir.File("ctl.xml");
    TXMLFile xml(path);
    const TXmlNode root = xml.GetNode({"p"}, true);
    xml.SetText(root, "t", QString::fromUtf8("a\x0C" "b\x01" "c\td\ne\x1F" "f\xEF\xBF\xBFg"));
    xml.SetAttr(root, "v", QString::fromUtf8("x\x0By"));
    xml.Save();

    const QByteArray bytes = ReadFileBytes(path);
    QXmlStreamReader reader(bytes);
    QString text, attr;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement) {
            if (reader.name() == QLatin1String("p"))
                attr = reader.attributes().value("v").toString();
            else if (reader.name() == QLatin1String("t"))
                text = reader.readElementText();
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString() << "\n" << bytes.constData();
    EXPECT_EQ(text, "a b c\td\ne f g");
    EXPECT_EQ(attr, "x y");
}

TEST(XmlSave, WithoutFileNameRaises)
{
    TXMLFile xml;
    xml.GetNode({"a"}, true);
    try {
        xml.Save();
        FAIL() << "no error";
    } catch (const EXMLError& e) {
        EXPECT_EQ(e.Message(), "File name not known");
    }
}

// Targets that no user, root included, can create.
class XmlSaveUnwritable : public ::testing::TestWithParam<const char*> {};

TEST_P(XmlSaveUnwritable, RaisesNamingTheFile)
{
    TTempFolder dir;
    dir.Write("plain", QByteArray("x"));
    QDir(dir.Path()).mkpath("folder/inside");
    const QString target = dir.File(QString::fromLatin1(GetParam()));
    TXMLFile xml(target);
    xml.GetNode({"a", "b"}, true);
    try {
        xml.Save();
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_TRUE(e.Message().contains(target)) << e.Message().toStdString();
    }
    EXPECT_EQ(ReadFileBytes(dir.File("plain")), QByteArray("x"));
    EXPECT_TRUE(QFileInfo(dir.File("folder/inside")).isDir());
}

INSTANTIATE_TEST_SUITE_P(Targets, XmlSaveUnwritable, ::testing::Values("plain/new.xml", "folder"));

// Holds the process to a file size limit that makes every larger write fail,
// root or not.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &FOld);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = FOld;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }

private:
    rlimit FOld{};
    void (*FOldHandler)(int) = nullptr;
};

TEST(XmlSave, FailedSaveKeepsTheOldFile)
{
    TTempFolder dir;
    const QByteArray old("<old>keep me</old>\n");
    const QString path = dir.Write("project.xml", old);
    TXMLFile xml(path);
    const TXmlNode root = xml.GetNode({"old"});
    for (int i = 0; i < 200; ++i)
        xml.SetText(root, "item", "a longer document than the old one", false);
    {
        TFileSizeLimit limit(64);
        try {
            xml.Save();
            ADD_FAILURE() << "no error";
        } catch (const EInOutError& e) {
            EXPECT_TRUE(e.Message().contains(path)) << e.Message().toStdString();
        }
    }
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden), QStringList{"project.xml"})
        << "no scratch file is left behind";

    xml.Save();
    EXPECT_NE(ReadFileBytes(path), old) << "once writable, the save goes through";
}

} // namespace
