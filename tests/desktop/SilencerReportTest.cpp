#include "SilencerReport.h"

#include "MainFormTestUtil.h"

#include "MapiControl.h"
#include "SilencerSearch.h"
#include "TestUtil.h"
#include "TxFormat.h"
#include "TxPageStream.h"
#include "TxPrintPreviewDlg.h"
#include "TxPrintService.h"
#include "TxRegistry.h"
#include "TxSilencerXML.h"
#include "UnitsManager.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

namespace {

const QString ContentDir = QStringLiteral(VOZ_CONTENT_DIR "/");

// Text compared as a reader sees it: ligatures such as "fi" in one glyph
// and "³" as "3".
QString Plain(const QString& text)
{
    return text.normalized(QString::NormalizationForm_KC);
}

struct TWritten {
    QPoint At;
    QString Text;
};

// The preview window, keeping every text its layout routines write.
class TWatchedForm : public TPrintPreviewForm {
public:
    explicit TWatchedForm(const QString& programDir) : TPrintPreviewForm(nullptr, programDir) {}
    void TextOut(QPoint at, const QString& text) override
    {
        Written.push_back({at, text});
        TPrintPreviewForm::TextOut(at, text);
    }
    // The first text that begins with `start`.
    const TWritten* Find(const QString& start) const
    {
        for (const TWritten& w : Written)
            if (w.Text.startsWith(start))
                return &w;
        return nullptr;
    }
    std::vector<TWritten> Written;
};

class SilencerReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetRegistryFileName(FHome.File("registry.conf"));
        CreateUnitsManager(FHome.File("units.ini"));
        SetAppCode(QString::fromLatin1(AppIdentifier));
        for (const QString& name : QDir(ContentDir + "documents").entryList(QDir::Files))
            QFile::copy(ContentDir + "documents/" + name, FDocuments.File(name));
    }
    void TearDown() override
    {
        FreeUnitsManager();
        SetRegistryFileName(QString());
    }

    // Results of the main window's default duty on the shipped catalogue.
    static const std::vector<TSelectionRec>& Results()
    {
        static const std::vector<TSelectionRec> results = [] {
            TRecordingMessageService messages;
            TSilencerSearch search(messages);
            std::vector<TSelectionRec> found;
            search.Run(DefaultDuty(), RangeFiles(), found);
            return found;
        }();
        return results;
    }

    static TSpecificationRec DefaultDuty()
    {
        TSpecificationRec s;
        s.airflow = 2.8;
        s.maxdP = 80;
        s.width = 0.9;
        s.height = 0.5;
        s.diameter = 0.6;
        s.atten = TOctave{9, 10, 15, 45, 50, 50, 45, 20};
        return s;
    }

    // A result of the default duty, or for circular bodies of a small duty
    // that round ranges meet.
    static const TSelectionRec& Result(uint8_t shape)
    {
        for (const TSelectionRec& r : Results())
            if (r.shape == shape)
                return r;
        static const std::vector<TSelectionRec> small = [] {
            TSpecificationRec s = DefaultDuty();
            s.airflow = 0.5;
            s.maxdP = 150;
            s.atten = TOctave{2, 3, 5, 8, 8, 8, 6, 4};
            TRecordingMessageService messages;
            TSilencerSearch search(messages);
            std::vector<TSelectionRec> found;
            search.Run(s, RangeFiles(), found);
            return found;
        }();
        for (const TSelectionRec& r : small)
            if (r.shape == shape)
                return r;
        throw std::runtime_error("no result of that shape");
    }

    static QStringList RangeFiles()
    {
        QStringList files;
        const QDir data(ContentDir + "data");
        for (const QString& name : data.entryList({"*.xml"}, QDir::Files, QDir::Name))
            files.append(data.filePath(name));
        return files;
    }

    TSilencerReportInput Input(const TSelectionRec& rec, bool rectangular = true, bool circular = true) const
    {
        TSilencerReportInput in;
        in.Spec = DefaultDuty();
        in.Rec = rec;
        in.Rectangular = rectangular;
        in.Circular = circular;
        in.UserDataDir = FDocuments.Path();
        in.ExeDir = ContentDir;
        return in;
    }

    // Draws the report in a fresh window and returns its PDF's text.
    QString ReportText(const TSilencerReportInput& in)
    {
        TWatchedForm form(FProgram.Path() + "/");
        form.OnCreatePages = [&in](TPrintPreviewForm& f) { BuildReport(f, in); };
        form.DoCreatePages();
        const QString pdf = FHome.File("report.pdf");
        form.Document().SaveAsPDF(pdf);
        return Plain(PdfToText(pdf));
    }

    // Draws the report on `paper` and reads its PDF back; `note` gets what
    // the report said it went without.
    TPdfPage ReportPage(const TSilencerReportInput& in, const QString& paper, QString* note = nullptr)
    {
        TWatchedForm form(FProgram.Path() + "/");
        form.FormComboBox->setCurrentIndex(form.FormComboBox->findText(paper));
        form.OnCreatePages = [&](TPrintPreviewForm& f) {
            const QString said = BuildReport(f, in);
            if (note)
                *note = said;
        };
        form.DoCreatePages();
        const QString pdf = FHome.File(paper + ".pdf");
        form.Document().SaveAsPDF(pdf);
        return ReadPdfPage(pdf);
    }

    TTempFolder FHome;
    TTempFolder FDocuments;
    TTempFolder FProgram;
};

std::string Text(const QRectF& r)
{
    return QStringLiteral(" (%1, %2)-(%3, %4)").arg(r.left()).arg(r.top()).arg(r.right()).arg(r.bottom()).toStdString();
}

bool HasWord(const TPdfPage& page, const QString& text)
{
    return std::any_of(page.Words.begin(), page.Words.end(), [&](const TPdfWord& w) { return w.Text == text; });
}

// A row of the PDF's text with these cells in this order.
bool HasRow(const QString& text, const QStringList& cells)
{
    QStringList escaped;
    for (const QString& c : cells)
        escaped.append(QRegularExpression::escape(Plain(c)));
    return QRegularExpression("(^|\\n)\\s*" + escaped.join("\\s+") + "\\s*(\\n|$)").match(text).hasMatch();
}

} // namespace

TEST_F(SilencerReport, PdfShowsTheDutyAndTheSilencerInDisplayUnits)
{
    const TSelectionRec& rec = Result(1);
    const QString text = ReportText(Input(rec));
    ASSERT_FALSE(text.isEmpty());
    auto row = [&](const QStringList& cells) {
        EXPECT_TRUE(HasRow(text, cells)) << cells.join(" | ").toStdString() << "\n" << text.toStdString();
    };

    EXPECT_TRUE(text.contains("Silencer Report"));
    EXPECT_TRUE(text.contains("Specification"));
    for (const QString& line : {QString("Tarnholm Acoustics"), QString("Duct silencers and noise control"),
                                QString("sales@tarnholm.example")})
        EXPECT_TRUE(text.contains(line)) << line.toStdString();
    row({"Specification"});
    row({"Airflow", AirflowUnits->FormatValue(0, 2.8), AirflowUnits->GetLabel()});
    row({"Max dP", PressureUnits->FormatValue(0, 80), PressureUnits->GetLabel()});
    row({"Required size"});
    row({"Height", DimensionUnits->FormatValue(0, 0.5), DimensionUnits->GetLabel()});
    row({"Width", DimensionUnits->FormatValue(0, 0.9), DimensionUnits->GetLabel()});
    row({"Diameter", DimensionUnits->FormatValue(0, 0.6), DimensionUnits->GetLabel()});
    row({"Attenuation Required [dB]"});
    row({"9", "10", "15", "45", "50", "50", "45", "20"});
    row({"Silencer selected"});
    row({"Model", rec.model.Text()});
    row({"Width", DimensionUnits->FormatValue(0, rec.widdiam), DimensionUnits->GetLabel()});
    row({"Length", DimensionUnits->FormatValue(0, rec.length), DimensionUnits->GetLabel()});
    row({"Modules", IntToStr(rec.nmodules)});
    row({"Attenuation Achieved [dB]"});
    row(OctaveToStr(rec.atten, "%0.0f").split(", "));
    row({"Regenerated Noise [dB]"});
    row(OctaveToStr(rec.regen, "%0.0f").split(", "));
    row({"Static Insertion Loss", Format("%0.1f", rec.db), "dB"});
    row({"Passage velocity", VelocityUnits->FormatValue(0, rec.vp), VelocityUnits->GetLabel()});
    row({"Pressure drop", PressureUnits->FormatValue(0, rec.dp), PressureUnits->GetLabel()});
    row({"Dimensions: " + rec.size.Text()});
    EXPECT_TRUE(text.contains(ReportVersionText())) << text.toStdString();
    EXPECT_TRUE(text.contains("Page 1"));
    EXPECT_TRUE(ReportVersionText().startsWith("Vozudarizazi 1.")) << ReportVersionText().toStdString();
}

TEST_F(SilencerReport, SendingMailsTheReportAsPdf)
{
    TRecordingMailTransport mail;
    TScopedMailTransport scope(mail);
    const TSelectionRec& rec = Result(1);
    const TSilencerReportInput in = Input(rec);
    QDir().mkpath(FProgram.File("Report"));
    TWatchedForm form(FProgram.Path() + "/");
    form.OnCreatePages = [&in](TPrintPreviewForm& f) { BuildReport(f, in); };
    form.FormActivate();
    form.SendButton->click();
    ASSERT_EQ(mail.Sent.size(), 1u);
    ASSERT_EQ(mail.Sent[0].Files.size(), 1u);
    const QString pdf = mail.Sent[0].Files[0].PathName;
    EXPECT_EQ(pdf, FProgram.File("Report/report1.pdf"));
    EXPECT_EQ(mail.Sent[0].Files[0].FileName, "report1.pdf");
    EXPECT_TRUE(HasRow(Plain(PdfToText(pdf)), {"Model", rec.model.Text()}));
    EXPECT_EQ(PdfInfo(pdf, "Title"), "RAV Silencer report");
}

TEST_F(SilencerReport, PrintsThroughThePrintSystemAsPreviewed)
{
    VOZ_SKIP_WITHOUT_PRINT_SYSTEM();
    const TTestPrintQueue queue;
    // The dialog answered with the desktop's default printer.
    TRecordingPrintService print;
    TScopedPrintService scope(print);
    const TSelectionRec& rec = Result(1);
    const TSilencerReportInput in = Input(rec);
    TWatchedForm form(FProgram.Path() + "/");
    form.OnCreatePages = [&in](TPrintPreviewForm& f) { BuildReport(f, in); };
    form.FormActivate();
    ASSERT_TRUE(form.PrintButton->isEnabled());
    form.PrintButton->click();
    EXPECT_EQ(print.Dialogs, 1);
    const QStringList printed = queue.Printed();
    ASSERT_EQ(printed.size(), 1);
    EXPECT_EQ(PdfInfo(printed[0], "Pages"), "1");
    EXPECT_TRUE(PdfInfo(printed[0], "Page size").endsWith("(" + form.FormComboBox->currentText() + ")"))
        << PdfInfo(printed[0], "Page size").toStdString();
    const QString text = Plain(PdfToText(printed[0]));
    for (const QStringList& row : {QStringList{"Model", rec.model.Text()},
                                   {"Length", DimensionUnits->FormatValue(0, rec.length), DimensionUnits->GetLabel()},
                                   {"Static Insertion Loss", Format("%0.1f", rec.db), "dB"},
                                   {"Pressure drop", PressureUnits->FormatValue(0, rec.dp), PressureUnits->GetLabel()},
                                   OctaveToStr(rec.atten, "%0.0f").split(", ")})
        EXPECT_TRUE(HasRow(text, row)) << row.join(" | ").toStdString() << "\n" << text.toStdString();
    EXPECT_TRUE(text.contains("Page 1"));
}

TEST_F(SilencerReport, ValuesFollowTheChosenUnits)
{
    const TSelectionRec& rec = Result(1);
    DimensionUnits->SetUnitIndex(0); // m
    const QString metres = ReportText(Input(rec));
    EXPECT_TRUE(HasRow(metres, {"Length", DimensionUnits->FormatValue(0, rec.length), "m"})) << metres.toStdString();
    DimensionUnits->SetUnitIndex(2); // mm
    const QString millimetres = ReportText(Input(rec));
    EXPECT_TRUE(HasRow(millimetres, {"Length", Format("%0.0f", rec.length * 1000), "mm"})) << millimetres.toStdString();
    SetImperialUnits();
    const QString imperial = ReportText(Input(rec));
    EXPECT_TRUE(HasRow(imperial, {"Airflow", AirflowUnits->FormatValue(0, 2.8), "cfm"})) << imperial.toStdString();
}

TEST_F(SilencerReport, ShapesDecideTheSizeRows)
{
    struct {
        uint8_t Shape;
        bool Rectangular;
        bool Circular;
    } cases[] = {{1, true, false}, {0, false, true}, {0, true, true}, {1, false, false}};
    for (const auto& c : cases) {
        TWatchedForm form(FProgram.Path() + "/");
        const TSilencerReportInput in = Input(Result(c.Shape), c.Rectangular, c.Circular);
        form.OnCreatePages = [&in](TPrintPreviewForm& f) { BuildReport(f, in); };
        form.DoCreatePages();
        const bool circularBody = c.Shape == 0;
        SCOPED_TRACE(testing::Message() << int(c.Shape) << c.Rectangular << c.Circular);
        EXPECT_EQ(form.Find("Rectangular") != nullptr, c.Rectangular);
        EXPECT_EQ(form.Find("  Height") != nullptr, c.Rectangular);
        EXPECT_EQ(form.Find("Circular") != nullptr, c.Circular);
        EXPECT_EQ(form.Find("  Diameter") != nullptr, c.Circular);
        EXPECT_EQ(form.Find("Diameter") != nullptr, circularBody);
        EXPECT_EQ(form.Find("Width") != nullptr, !circularBody);
    }
}

TEST_F(SilencerReport, LayoutStandsWhereTheUnitsPutIt)
{
    TSelectionRec rec = Result(1);
    rec.photo = QStringLiteral("none.png");
    rec.ga = QString();
    TWatchedForm form(FProgram.Path() + "/");
    const TSilencerReportInput in = Input(rec);
    form.OnCreatePages = [&in](TPrintPreviewForm& f) { BuildReport(f, in); };
    form.DoCreatePages();
    ASSERT_EQ(form.Document().TotalPages(), 1);
    EXPECT_EQ(form.Document().PrintJobTitle, "RAV Silencer report");
    EXPECT_EQ(form.ReportUnit, QPoint(38, 38));
    // Letterhead right of the 360-pixel logo, which stands half a unit in.
    const TWritten* first = form.Find("Tarnholm Acoustics");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->At, QPoint(38 + 19 + 360 + 19, 38 + 19));
    EXPECT_EQ(form.Find("Duct silencers")->At, QPoint(436, 57 + 13));
    // Values 50 mm and units 70 mm right of their labels.
    const TWritten* airflow = form.Find("Airflow");
    ASSERT_NE(airflow, nullptr);
    EXPECT_EQ(airflow->At.x(), 38);
    // Without pictures "Dimensions" follows 0.2 units below three line feeds.
    const TWritten* dp = form.Find("Pressure drop");
    const TWritten* dims = form.Find("Dimensions: ");
    ASSERT_TRUE(dp && dims);
    EXPECT_EQ(dims->At, QPoint(38, dp->At.y() + 15 + 3 * 15 + 7));
    // The footer stands in the bottom margin, below the inset rectangle.
    const TWritten* footer = form.Find(ReportVersionText());
    ASSERT_NE(footer, nullptr);
    EXPECT_EQ(footer->At, QPoint(38, 1123 - 38));
    EXPECT_EQ(form.ReportColumn1, 190);
    EXPECT_EQ(form.ReportColumn2, 266);
    EXPECT_EQ(form.FontHeight(), -13);
}

TEST_F(SilencerReport, PicturesStayOnThePage)
{
    TSelectionRec rec = Result(1);
    TWatchedForm form(FProgram.Path() + "/");
    const TSilencerReportInput in = Input(rec);
    form.OnCreatePages = [&in](TPrintPreviewForm& f) { BuildReport(f, in); };
    form.DoCreatePages();
    const QImage image = RenderedPage(form.Document().Page(1));
    // The drawing sits right of the photo within the frame, above "Dimensions".
    const TWritten* dp = form.Find("Pressure drop");
    const TWritten* dims = form.Find("Dimensions: ");
    ASSERT_TRUE(dp && dims);
    const int top = dp->At.y() + 15 + 45;
    EXPECT_GT(dims->At.y(), top + 100);
    EXPECT_LE(dims->At.y(), 1085 - 15);
    int rightmostInk = 0;
    for (int y = top; y < dims->At.y(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                rightmostInk = std::max(rightmostInk, x);
    EXPECT_GT(rightmostInk, 500);
    EXPECT_LE(rightmostInk, 794 - 38);
}

TEST_F(SilencerReport, PaperChoiceRedrawsOnThatPaper)
{
    TWatchedForm form(FProgram.Path() + "/");
    const TSilencerReportInput in = Input(Result(0));
    form.OnCreatePages = [&in](TPrintPreviewForm& f) { BuildReport(f, in); };
    form.FormComboBox->setCurrentIndex(form.FormComboBox->findText("Letter"));
    form.FormComboBoxChange();
    EXPECT_EQ(form.Document().PaperName(), "Letter");
    EXPECT_EQ(form.Document().Page(1).Size, QSize(816, 1056));
    EXPECT_EQ(form.Find(ReportVersionText())->At, QPoint(38, 1056 - 38));
}

// Every paper with the program's logo, very large ones (one larger than a
// page may hold, but for its drawing at print resolution) and a broken one, and
// a letterhead line longer than any frame is wide (or the program's).
TEST_F(SilencerReport, OnEveryPaperTheReportStaysInsideItsFrame)
{
    const struct {
        QSize Logo; // (0, 0): the program's; (-1, -1): a broken file
        size_t Pictures;
        bool LongLine = true;
    } logos[] = {{{0, 0}, 3}, {{1500, 400}, 3}, {{3000, 3000}, 3}, {{-1, -1}, 2}, {{1200, 1200}, 3, false}};
    const int kinds = int(std::size(logos));
    const QByteArray shipped = ReadFileBytes(FDocuments.File("letterhead.txt"));
    const QByteArray letterhead = shipped +
                                  "Tarnholm Acoustics (Pty) Ltd, registered in the Republic, company registration "
                                  "2004/012345/07, directors A. Tarn, B. Holm and C. Acoustic, VAT 4012345678\r\n";
    for (int l = 0; l < kinds; ++l) {
        const QString docs = FHome.File(Format("logo%d/", l));
        FHome.Write(Format("logo%d/letterhead.txt", l), logos[l].LongLine ? letterhead : shipped);
        FHome.Write(Format("logo%d/Logo.gif", l), logos[l].Logo.width() < 0
                                                      ? QByteArray("GIF89a broken")
                                                      : ReadFileBytes(FDocuments.File("Logo.gif")));
        QImage big(logos[l].Logo.expandedTo({0, 0}), QImage::Format_RGB32);
        big.fill(Qt::darkBlue);
        big.save(docs + "Logo.png", "PNG");
    }
    TSilencerReportInput in = Input(Result(1));
    const TWatchedForm papers(FProgram.Path() + "/");
    const QStringList labels{"63", "125", "250", "500", "1K", "2K", "4K", "8K"};
    const QRegularExpression whole("^-?\\d+$");
    std::map<QString, double> bodyHeights; // with the program's logo
    for (int i = 0; i < kinds * papers.FormComboBox->count(); ++i) {
        const QString paper = papers.FormComboBox->itemText(i % papers.FormComboBox->count());
        const auto& logo = logos[i / papers.FormComboBox->count()];
        in.UserDataDir = FHome.File(Format("logo%d", i / papers.FormComboBox->count()));
        SCOPED_TRACE((paper + Format(" logo %d x %d", logo.Logo.width(), logo.Logo.height())).toStdString());
        QString note;
        const TPdfPage page = ReportPage(in, paper, &note);
        ASSERT_FALSE(page.Rendered.isNull());
        // A broken logo is left out, and said.
        EXPECT_EQ(note.endsWith("The report goes without the logo."), logo.Pictures == 2) << note.toStdString();
        // The frame 10 mm in, give or take the half point a reader rounds to.
        const double margin = 72 / 2.54 - 0.5;
        const QRectF frame = QRectF(QPointF(0, 0), page.Size).adjusted(margin, margin, -margin, -margin);

        // Text inside the frame; only the footer and the page number below it.
        // The body keeps the size it has with the program's logo.
        std::map<int, std::vector<TPdfWord>> lines;
        for (const TPdfWord& w : page.Words) {
            lines[qRound(w.Box.top())].push_back(w);
            const QRectF room = w.Box.top() >= frame.bottom() - 1 ? QRectF(QPointF(0, 0), page.Size) : frame;
            EXPECT_TRUE(room.contains(w.Box)) << w.Text.toStdString() << Text(w.Box);
            if (w.Text == "Pressure" && logo.Logo.isEmpty())
                bodyHeights[paper] = w.Box.height();
            if (w.Text == "Pressure") {
                EXPECT_GE(w.Box.height(), 0.98 * bodyHeights[paper]);
            }
        }
        EXPECT_EQ(HasWord(page, "4012345678"), logo.LongLine);
        // Band names over every band row, each value under its name.
        std::vector<double> nameLefts;
        int nameRows = 0;
        int valueRows = 0;
        for (auto& [top, words] : lines) {
            std::sort(words.begin(), words.end(),
                      [](const TPdfWord& a, const TPdfWord& b) { return a.Box.left() < b.Box.left(); });
            QStringList texts;
            std::vector<double> lefts;
            for (const TPdfWord& w : words) {
                texts.append(w.Text);
                lefts.push_back(w.Box.left());
            }
            if (texts == labels) {
                ++nameRows;
                nameLefts = lefts;
            } else if (texts.size() == 8 && texts.filter(whole).size() == 8) {
                ++valueRows;
                ASSERT_EQ(nameLefts.size(), 8u) << "values before their names at " << top;
                for (int b = 0; b < 8; ++b)
                    EXPECT_NEAR(lefts[b], nameLefts[b], 0.5) << labels[b].toStdString();
            }
        }
        EXPECT_EQ(nameRows, 2);
        EXPECT_EQ(valueRows, 3);

        // Logo, photo and drawing from the top: the logo clear of the frame,
        // the pictures readable, all inside.
        ASSERT_EQ(page.Pictures.size(), logo.Pictures);
        std::vector<QRectF> pictures = page.Pictures;
        std::sort(pictures.begin(), pictures.end(), [](const QRectF& a, const QRectF& b) { return a.top() < b.top(); });
        const QRectF logoBox = logo.Pictures == 3 ? pictures[0] : QRectF(frame.topLeft() + QPointF(2, 2), QSizeF(1, 1));
        EXPECT_TRUE(frame.adjusted(1.5, 1.5, -1.5, -1.5).contains(logoBox)) << Text(logoBox);
        EXPECT_LE(logoBox.height(), 30 / 25.4 * 72 + 1);
        for (const QRectF& picture : {pictures[pictures.size() - 2], pictures[pictures.size() - 1]}) {
            EXPECT_TRUE(frame.contains(picture)) << Text(picture);
            EXPECT_GE(picture.width(), 30 / 25.4 * 72);
            EXPECT_GE(picture.height(), 20 / 25.4 * 72);
        }

        // The letterhead rule runs below the logo and the letterhead.
        int rule = -1;
        for (int y = int(frame.top()); y < int(frame.bottom()) && rule < 0; ++y) {
            int dark = 0;
            for (int x = int(frame.left()); x < int(frame.right()); ++x)
                dark += qGray(page.Rendered.pixel(x, y)) < 128;
            if (dark > 0.9 * frame.width())
                rule = y;
        }
        ASSERT_GE(rule, 0);
        EXPECT_GT(rule, logoBox.bottom());
        for (const TPdfWord& w : page.Words)
            if (w.Text == "sales@tarnholm.example" || w.Text == "4012345678") {
                EXPECT_GT(rule, w.Box.bottom());
            }
    }
}

// Photo and drawing larger than any paper prints, on papers up to one larger
// than the program offers, are drawn within what a page may hold and reload;
// each file is read once, and each picture scaled and compressed once a
// paper, however often the report is drawn again or saved.
TEST_F(SilencerReport, LargePicturesAreKeptOnEveryPaperAndReload)
{
    const TSelectionRec& rec = Result(1);
    TTempFolder program;
    QDir().mkpath(program.File("images"));
    const QRgb photo = qRgb(160, 0, 0);
    const QRgb drawing = qRgb(0, 160, 0);
    QImage picture(1700, 2600, QImage::Format_RGB32);
    for (const auto& [name, colour] : {std::pair(rec.photo.Text(), photo), std::pair(rec.ga.Text(), drawing)}) {
        picture.fill(colour);
        picture.save(program.File("images/" + name), "PNG");
    }
    TSilencerReportInput in = Input(rec);
    in.ExeDir = program.Path();
    TWatchedForm form(FProgram.Path() + "/");
    form.Document().AddPaper("A2", QPageSize(QPageSize::A2));
    QString note;
    form.OnCreatePages = [&](TPrintPreviewForm& f) { note = BuildReport(f, in); };
    const qint64 read = ReportPictureWork().Read;
    QStringList drawnOn;
    for (const QString paper : {"A5", "A4", "Letter", "A3", "A2", "A4"}) {
        SCOPED_TRACE(paper.toStdString());
        const auto work = [] {
            return std::tuple(ReportPictureWork().Scaled, PageStreamPictureWork().Compressed,
                              PageStreamPictureWork().Decoded);
        };
        const auto before = work();
        form.FormComboBox->setCurrentIndex(form.FormComboBox->findText(paper));
        note = "not drawn";
        form.FormComboBoxChange();
        EXPECT_EQ(note, "");
        const auto drawn = work();
        EXPECT_EQ(drawn == before, drawnOn.contains(paper));
        drawnOn.append(paper);
        const QString file = FHome.File(paper + ".ppv");
        form.FormActivate();
        form.Document().SaveToFile(file);
        form.FormActivate();
        EXPECT_TRUE(work() == drawn);
        EXPECT_EQ(ReportPictureWork().Read, read + 3); // logo, photo and drawing
        form.Document().LoadFromFile(file);
        const QImage page = RenderedPage(form.Document().Page(1));
        const auto* pixels = reinterpret_cast<const QRgb*>(page.constBits()); // rows of 32 bits end to end
        for (const QRgb colour : {photo, drawing})
            EXPECT_GT(std::count(pixels, pixels + page.sizeInBytes() / 4, colour), 1000) << std::hex << colour;
    }
    // Let go of, they are read again.
    ReleaseReportPictures();
    form.DoCreatePages();
    EXPECT_EQ(ReportPictureWork().Read, read + 6);
}

TEST_F(SilencerReport, ALogoOrLetterheadMissingEverywhereIsLeftOutWithOneNote)
{
    const TSelectionRec& rec = Result(1);
    struct {
        QStringList Users;
        QStringList Programs;
        size_t Pictures; // logo, photo, drawing
        bool Letterhead;
        QString Note;            // how it begins
        qsizetype LogoBytes = 0; // the user's logo cut to so many bytes
        int LongLine = 0;        // words of a letterhead line added at the end
    } cases[] = {
        {{"letterhead.txt"}, {"Logo.gif"}, 3, true, ""},
        {{"Logo.gif"}, {"letterhead.txt"}, 3, true, ""},
        {{"letterhead.txt"}, {"letterhead.txt"}, 2, true, "No \"Logo.gif\" in"},
        {{}, {}, 2, false, "No \"Logo.gif\" and no \"letterhead.txt\" in"},
        {{"Logo.gif", "letterhead.txt"}, {"Logo.gif"}, 2, true, "Unable to load the picture", 1000},
        {{"Logo.gif", "letterhead.txt"}, {"Logo.gif"}, 2, true, "Unable to load the picture", 3000},
        {{"Logo.gif", "letterhead.txt"}, {}, 3, true, "\"", 0, 6000},
    };
    double bodyHeight = 0; // as the first report has it
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Note.toStdString());
        TTempFolder docs;
        TTempFolder program;
        for (const QString& name : c.Users)
            docs.Write(
                name,
                ReadFileBytes(FDocuments.File(name)).left(name == "Logo.gif" && c.LogoBytes ? c.LogoBytes : 1 << 30) +
                    (name == "letterhead.txt" ? QByteArray("VAT 4012345678 ").repeated(c.LongLine) : ""));
        for (const QString& name : c.Programs)
            program.Write("documents/" + name, ReadFileBytes(FDocuments.File(name)));
        for (const QString& name : {rec.photo.Text(), rec.ga.Text()})
            program.Write("images/" + name, ReadFileBytes(ContentDir + "images/" + name));
        TSilencerReportInput in = Input(rec);
        in.UserDataDir = docs.Path();
        in.ExeDir = program.Path();
        QString note;
        const TPdfPage page = ReportPage(in, "A4", &note);
        EXPECT_EQ(page.Pictures.size(), c.Pictures);
        EXPECT_EQ(HasWord(page, "sales@tarnholm.example"), c.Letterhead);
        EXPECT_TRUE(HasWord(page, "Dimensions:"));
        EXPECT_TRUE(HasWord(page, "Page"));
        // What the report goes without never shrinks it.
        for (const TPdfWord& w : page.Words)
            if (w.Text == "Pressure") {
                bodyHeight = bodyHeight > 0 ? bodyHeight : w.Box.height();
                EXPECT_NEAR(w.Box.height(), bodyHeight, 0.01);
            }
        if (c.Note.isEmpty()) {
            EXPECT_EQ(note, "");
        } else {
            const QString named = c.LogoBytes  ? docs.File("Logo.gif")
                                  : c.LongLine ? docs.File("letterhead.txt")
                                               : program.Path() + "/documents/";
            EXPECT_TRUE(note.startsWith(c.Note == "\"" ? '"' + named : c.Note)) << note.toStdString();
            EXPECT_TRUE(note.contains(named)) << note.toStdString();
        }
    }
}

TEST_F(SilencerReport, PictureThatIsNoPictureStopsTheDrawing)
{
    TTempFolder exe;
    exe.Write("images/bad_photo.png", QByteArray("this is text"));
    TSilencerReportInput in = Input(Result(1));
    in.ExeDir = exe.Path();
    in.Rec.photo = QStringLiteral("bad_photo.png");
    TWatchedForm form(FProgram.Path() + "/");
    form.OnCreatePages = [&in](TPrintPreviewForm& f) { BuildReport(f, in); };
    EXPECT_THROW(form.DoCreatePages(), EInOutError);
    EXPECT_EQ(form.Document().State(), psReady);
    EXPECT_NE(form.Find("Pressure drop"), nullptr);
    EXPECT_EQ(form.Find("Dimensions: "), nullptr);
}

TEST_F(SilencerReport, LetterheadFilesAreFoundInAnyLetterCase)
{
    TTempFolder docs;
    // A PNG logo will do as well.
    QImage logo(200, 50, QImage::Format_RGB32);
    logo.fill(Qt::darkBlue);
    logo.save(docs.File("LOGO.PNG"), "PNG");
    docs.Write("Letterhead.TXT", QByteArray("Caf\xe9 Acoustics\r\nLine two\r\n"));
    TSilencerReportInput in = Input(Result(1));
    in.UserDataDir = docs.Path() + "/";
    TWatchedForm form(FProgram.Path() + "/");
    form.OnCreatePages = [&in](TPrintPreviewForm& f) { BuildReport(f, in); };
    form.DoCreatePages();
    const TWritten* first = form.Find(QString::fromUtf8("Café Acoustics"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->At.x(), 38 + 19 + 200 + 19);
    EXPECT_NE(form.Find("Line two"), nullptr);
}

TEST(SilencerReportFiles, FindFileNoCase)
{
    TTempFolder dir;
    dir.Write("Logo.gif", QByteArray("a"));
    dir.Write("images/TRM_Photo.PNG", QByteArray("b"));
    dir.Write("exact.txt", QByteArray("c"));
    dir.Write("EXACT.TXT", QByteArray("d"));
    struct {
        QString Name;
        QString Found;
    } cases[] = {
        {"Logo.gif", "Logo.gif"},
        {"logo.GIF", "Logo.gif"},
        {"images/trm_photo.png", "images/TRM_Photo.PNG"},
        {"IMAGES\\trm_photo.png", "images/TRM_Photo.PNG"},
        {"exact.txt", "exact.txt"},
        {"EXACT.TXT", "EXACT.TXT"},
        {"missing.gif", ""},
        {"images", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        const QString found = FindFileNoCase(dir.Path(), c.Name);
        EXPECT_EQ(found, c.Found.isEmpty() ? QString() : dir.File(c.Found)) << c.Name.toStdString();
    }
}

TEST(SilencerReportFiles, PictureScale)
{
    struct {
        QSize Photo;
        QSize Drawing;
        int Width;
        int Height;
        double Scale;
    } cases[] = {
        {{200, 150}, {300, 200}, 718, 400, 1.0},    // fit as they are
        {{400, 300}, {640, 400}, 718, 400, 0.6173}, // too wide: (718 - 76) / 1040
        {{400, 300}, {}, 718, 400, 1.0},            // the photo alone fits
        {{400, 300}, {640, 400}, 718, 100, 0.25},   // too high as well
        {{}, {}, 718, 400, 1.0},
        {{400, 300}, {640, 400}, 718, -5, 0.6173}, // no room: width alone
    };
    for (const auto& c : cases)
        EXPECT_NEAR(PictureScale(c.Photo, c.Drawing, 76, c.Width, c.Height), c.Scale, 1e-4)
            << c.Photo.width() << " " << c.Drawing.width() << " " << c.Height;
}
