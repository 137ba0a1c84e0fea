#include "MainFormTestUtil.h"

#include "TxApplicationPath.h"
#include "TxPreviewPage.h"
#include "TxPrintPreviewDlg.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <sys/stat.h>

namespace {

// Every URL the desktop would be asked to open.
class TUrlRecorder : public QObject {
    Q_OBJECT
public:
    TUrlRecorder()
    {
        for (const char* scheme : {"file", "http", "https"})
            QDesktopServices::setUrlHandler(scheme, this, "Open");
    }
    ~TUrlRecorder() override
    {
        for (const char* scheme : {"file", "http", "https"})
            QDesktopServices::unsetUrlHandler(scheme);
    }
    QStringList Urls;

public slots:
    void Open(const QUrl& url) { Urls.append(url.toString()); }
};

// The label shows `text` as it stands, and no click anywhere on it opens a
// link.
void ExpectPlain(QLabel* label, const QString& text)
{
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text(), text);
    TUrlRecorder opened;
    QStringList activated;
    QObject::connect(label, &QLabel::linkActivated, [&](const QString& link) { activated.append(link); });
    for (int y = 2; y < label->height(); y += 4)
        for (int x = 2; x < label->width(); x += 4)
            QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(x, y));
    EXPECT_EQ(opened.Urls, QStringList());
    EXPECT_EQ(activated, QStringList());
}

QString XmlText(QString text)
{
    return text.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;").replace('"', "&quot;");
}

bool HasMagenta(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() > 200)
                return true;
        }
    return false;
}

class HostileCatalogue : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        FOldUserDataDir = UserDataDir;
        UserDataDir = Dir.Path() + "/documents/";
        for (const QString name : {"Logo.gif", "letterhead.txt"})
            Dir.Write("documents/" + name, ReadFileBytes(QStringLiteral(VOZ_CONTENT_DIR "/documents/") + name));
    }
    void TearDown() override
    {
        UserDataDir = FOldUserDataDir;
        MainFormFixture::TearDown();
    }
    // A magenta picture, to be found on the report's page.
    static void WriteMagenta(const QString& fileName)
    {
        QDir().mkpath(QFileInfo(fileName).absolutePath());
        QImage image(60, 40, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        image.save(fileName);
    }
    // The report of the selected result, drawn as the preview draws it.
    QImage ReportPage()
    {
        TPrintPreviewForm preview(nullptr, Dir.Path() + "/");
        preview.OnCreatePages = [this](TPrintPreviewForm& f) { Form->BuildReport(f); };
        preview.DoCreatePages();
        return RenderedPage(preview.Document().Page(1));
    }

private:
    QString FOldUserDataDir;
};

} // namespace

// A range's pictures and page resolve inside images/ and catalog/ only: a
// name that leads elsewhere is not found, so no picture shows and the
// catalogue's index page opens.
TEST_F(HostileCatalogue, PictureAndPageNamesStayInTheirFolders)
{
    const QString images = ExeDir() + "images/";
    WriteMagenta(images + "photo.png");
    WriteMagenta(images + "C:/photo.png");
    WriteMagenta(Dir.File("secret.png"));
    QFile::link(Dir.File("secret.png"), images + "link.png");
    Dir.Write("app/catalog/index.htm", QByteArray("index"));
    Dir.Write("app/catalog/abc.htm", QByteArray("abc"));
    Dir.Write("app/catalog/C:/abc.htm", QByteArray("abc"));
    Dir.Write("outside.htm", QByteArray("outside"));
    QFile::link(Dir.File("outside.htm"), CatalogDir() + "link.htm");
    QString backslashed = Dir.File("secret.png");
    backslashed.replace('/', '\\');

    struct Case {
        QString img;
        QString page;
        bool inside;
    };
    const std::vector<Case> cases{
        {"photo.png", "abc.htm", true},
        {"../../../secret.png", "../../outside.htm", false},
        {"sub/../../../../secret.png", "sub\\..\\..\\..\\outside.htm", false},
        {Dir.File("secret.png"), Dir.File("outside.htm"), false},
        {backslashed, "\\" + Dir.File("outside.htm").mid(1), false},
        {"C:/photo.png", "c:/abc.htm", false},
        {"link.png", "link.htm", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.img.toStdString());
        QByteArray xml = RangeXml("ABC", "circular", "ABC12", {"600|600,900|60,60,60,60,60,60,60,60"},
                                  "<page href=\"" + XmlText(c.page) + "\"/>");
        xml.replace("src=\"photo.png\"", "src=\"" + XmlText(c.img).toUtf8() + "\"");
        WriteRange("abc.xml", xml);
        TMainForm& form = Open();
        EXPECT_EQ(form.Image2->pixmap().isNull(), !c.inside);

        ClickSearch();
        ASSERT_EQ(Rows(), 1);
        Opened.Opened.clear();
        QTest::mouseClick(form.DetailButton, Qt::LeftButton, {}, QPoint(40, 10));
        EXPECT_EQ(Opened.Opened, QStringList(c.inside ? CatalogDir() + "abc.htm#" : CatalogDir() + "index.htm#noise_control"));
        EXPECT_EQ(HasMagenta(ReportPage()), c.inside);
        Form.reset();
    }
    EXPECT_TRUE(Msgs.Errors.isEmpty()) << Msgs.Errors.join('\n').toStdString();
}

// Entries of data/ that lead to no regular file are passed over as folders
// are; a file too large to be a catalogue is left out with a message naming
// it. Start-up ends at once either way.
TEST_F(HostileCatalogue, DevicesFifosAndHugeFilesDoNotStallTheStart)
{
    const QString data = ExeDir() + "data/";
    QFile::link("/dev/zero", data + "zero.xml");
    ASSERT_EQ(::mkfifo(QFile::encodeName(data + "fifo.xml").constData(), 0600), 0);
    ASSERT_TRUE(QFile(WriteRange("big.xml", RangeXml("Big", "circular", "BIG"))).resize(65LL * 1024 * 1024));
    const QString range =
        WriteRange("good.xml", RangeXml("Good", "circular", "G", {"G1|600,900|60,60,60,60,60,60,60,60"}));
    TMainForm& form = Open();
    EXPECT_EQ(form.RangeNames(), QStringList{"good.xml"});
    EXPECT_EQ(form.Label1->text(), "Good");
    EXPECT_EQ(Msgs.Messages,
              QStringList{"The catalogue file \"" + data + "big.xml\" is larger than 64 MB and is left out."});
    ClickSearch();
    EXPECT_EQ(Rows(), 1);

    // A range that turns into a device later is refused by the search.
    QFile::remove(range);
    QFile::link("/dev/zero", range);
    ClickSearch();
    EXPECT_EQ(Msgs.Errors, QStringList{"Cannot open file \"" + range + "\". It is not a regular file."});
}

// Catalogue text in labels and message boxes is text: markup in it neither
// loads pictures nor becomes a link.
TEST_F(HostileCatalogue, MarkupIsShownAsText)
{
    const QStringList texts{"<img src='" + Dir.File("secret.png") + "'>",
                            "<a href=\"file:///etc/passwd\">passwd</a>", "<b>bold</b> &amp; <i>more</i>"};
    WriteMagenta(Dir.File("secret.png"));
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        WriteRange("abc.xml", RangeXml(XmlText(text), "circular", "ABC12", {XmlText(text) + "|600,900|10,x"}));
        TMainForm& form = Open();
        ExpectPlain(form.Label1, text);

        // The body's error is reported in the program's own message box.
        TMessageBoxService boxes;
        TScopedMessageService scope(boxes);
        bool seen = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            poll.stop();
            seen = true;
            ExpectPlain(box->findChild<QLabel*>("qt_msgbox_label"), "error processing " + text);
            box->accept();
        });
        poll.start(10);
        ClickSearch();
        EXPECT_TRUE(seen);
        Form.reset();
    }
}

#include "MainFormHostileCatalogueTest.moc"
