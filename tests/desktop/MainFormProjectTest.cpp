#include "MainFormTestUtil.h"

#include "FlatPageControl.h"
#include "MapiControl.h"
#include "ProjectDlg.h"
#include "TxEmailDlg.h"
#include "TxFileDialogs.h"
#include "TxIniFile.h"
#include "TxPreviewDocument.h"
#include "TxPrintPreviewDlg.h"
#include "TxApplicationPath.h"
#include "TxColGrids.h"
#include "TxFmtEdit.h"
#include "TxRegistry.h"
#include "UnitSettingsDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QRegularExpression>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

namespace {

// The main window with the project and unit-settings windows beside it, as
// the start-up creates them; settings and registry in the test folder.
class MainFormWindows : public MainFormFixture {
protected:
    void SetUp() override
    {
        FOldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", Dir.File("config").toUtf8());
        SetRegistryFileName(Dir.File("registry.conf"));
        MainFormFixture::SetUp();
        UseShippedCatalogue();
        TMainForm& form = Open();
        Project = std::make_unique<TProjectForm>(&form);
        Settings = std::make_unique<TUnitSettingsForm>(&form);
        form.SetProjectForm(Project.get());
        form.SetUnitSettingsForm(Settings.get());
        Project->SetHost(&form);
    }
    void TearDown() override
    {
        Settings.reset();
        Project.reset();
        MainFormFixture::TearDown();
        SetRegistryFileName(QString());
        qputenv("XDG_CONFIG_HOME", FOldConfig);
    }

    void SelectRow(int row) { Form->LVSelect->setCurrentItem(Form->LVSelect->topLevelItem(row)); }
    void ClickAddToProject() { QTest::mouseClick(Form->ProjectButton, Qt::LeftButton, {}, QPoint(40, 10)); }

    std::unique_ptr<TProjectForm> Project;
    std::unique_ptr<TUnitSettingsForm> Settings;

private:
    QByteArray FOldConfig;
};

QString Describe(const QWidget* w, const QString& text)
{
    return (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName()) + " \"" +
           text + "\"";
}

// The texts of `window`, shown at its size, that its controls would cut:
// labels whose text does not fit them or reaches a neighbouring control,
// buttons smaller than their text and picture need, header sections and
// list cells narrower than their text, all measured with the fonts' metrics.
QStringList CutTexts(QWidget* window)
{
    window->grab(); // laid out and painted as on the screen
    QStringList cut;
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->isVisibleTo(window) || label->text().isEmpty() || label->wordWrap())
            continue;
        const QRect room = label->contentsRect();
        const QRect text = label->fontMetrics().boundingRect(room, int(label->alignment()), label->text());
        if (!room.contains(text)) {
            cut.append(Describe(label, label->text()));
            continue;
        }
        // Two pixels at least between what a caption shows (not its leading
        // or trailing blanks) and the control beside it.
        const QString shown = label->text();
        const qsizetype lead = shown.size() - QString(shown).remove(QRegularExpression("^\\s+")).size();
        const qsizetype trail = shown.size() - QString(shown).remove(QRegularExpression("\\s+$")).size();
        const QFontMetrics fm = label->fontMetrics();
        const QRect reach = text.translated(label->pos())
                                .adjusted(fm.horizontalAdvance(shown.left(lead)) - 2, 0,
                                          2 - fm.horizontalAdvance(shown.right(trail)), 0);
        for (const QWidget* other : label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const bool decoration = QByteArray(other->metaObject()->className()) == "QFrame";
            if (other != label && other->isVisibleTo(window) && !decoration && reach.intersects(other->geometry()))
                cut.append(Describe(label, label->text()) + " touches " + Describe(other, QString()));
        }
    }
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(window) || button->text().isEmpty())
            continue;
        const QSize need = button->sizeHint();
        if (need.width() > button->width() || need.height() > button->height())
            cut.append(Describe(button, button->text()));
    }
    for (const QHeaderView* header : window->findChildren<QHeaderView*>()) {
        if (!header->isVisibleTo(window))
            continue;
        const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        for (int i = 0; i < header->count(); ++i) {
            const QString text = header->model()->headerData(i, header->orientation()).toString();
            if (header->fontMetrics().horizontalAdvance(text) + margin > header->sectionSize(i))
                cut.append(Describe(header, text));
        }
        const auto* list = qobject_cast<const QTreeWidget*>(header->parentWidget());
        if (!list)
            continue;
        const int cellMargin = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
        for (int r = 0; r < list->topLevelItemCount(); ++r)
            for (int c = 0; c < list->columnCount(); ++c) {
                const QString text = list->topLevelItem(r)->text(c);
                if (list->fontMetrics().horizontalAdvance(text) + cellMargin > list->columnWidth(c))
                    cut.append(Describe(list, text));
            }
    }
    // The project grids: values 2 pixels in, the items grid's captions 4
    // pixels in with their unit on a second line one point smaller.
    for (const TxColGrid* grid : window->findChildren<TxColGrid*>()) {
        if (!grid->isVisibleTo(window))
            continue;
        const bool twoLine = grid->RowHeights(0) > grid->DefaultRowHeight();
        QFont small = grid->font();
        small.setPixelSize(small.pixelSize() - 1);
        for (int c = 1; c < grid->ColCount(); ++c)
            for (int r = 0; r < grid->RowCount(); ++r) {
                const QString text = grid->Cells(c, r);
                int need = grid->fontMetrics().horizontalAdvance(text) + 2;
                if (r == 0 && twoLine)
                    need = 4 + std::max(grid->fontMetrics().horizontalAdvance(text.section(',', 0, 0)),
                                        QFontMetrics(small).horizontalAdvance(text.section(',', 1)));
                if (need > grid->ColWidths(c))
                    cut.append(Describe(grid, text));
            }
    }
    return cut;
}

} // namespace

// Each window at its designed size, under this desktop's fonts, shows its
// captions and values whole, in metric and in imperial units.
TEST_F(MainFormWindows, EveryWindowShowsItsTextsWholeAtItsDesignedSize)
{
    TPrintPreviewForm preview(Form.get());
    for (const bool imperial : {false, true}) {
        if (imperial) {
            SetImperialUnits();
            Form->ApplyUnits();
        }
        ClickSearch();
        ASSERT_GT(Rows(), 3);
        EXPECT_EQ(Form->size(), QSize(629, 531));
        EXPECT_EQ(CutTexts(Form.get()), QStringList()) << (imperial ? "imperial" : "metric");
        for (int row = 0; row < 3; ++row) {
            SelectRow(row);
            ClickAddToProject();
        }
    }
    Project->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Project.get()));
    EXPECT_EQ(Project->size(), QSize(788, 448));
    EXPECT_EQ(CutTexts(Project.get()), QStringList());
    Project->PageControl1->setCurrentIndex(1);
    EXPECT_EQ(CutTexts(Project.get()), QStringList());

    Settings->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Settings.get()));
    EXPECT_EQ(Settings->size(), QSize(266, 285));
    EXPECT_EQ(CutTexts(Settings.get()), QStringList());

    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    EXPECT_EQ(preview.size(), QSize(956, 546));
    EXPECT_EQ(CutTexts(&preview), QStringList());
}

TEST_F(MainFormWindows, AddToProjectTakesTheSelectedResultWithTheDutyOfTheLastSearch)
{
    ClickSearch();
    ASSERT_GE(Rows(), 2);
    const TSpecificationRec searched = Form->Spec;
    EXPECT_EQ(searched.airflow, 2.8);

    SelectRow(1);
    const TSelectionRec second = *Form->SelectedRecord();
    ClickAddToProject();
    SelectRow(0);
    const TSelectionRec first = *Form->SelectedRecord();
    ClickAddToProject();

    ASSERT_EQ(Project->Project->ItemCount(), 2);
    EXPECT_EQ(Project->Project->Item(0).Sel, second);
    EXPECT_EQ(Project->Project->Item(1).Sel, first);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Project->Project->Item(i).Spec, searched);
        EXPECT_EQ(Project->Project->Item(i).Ancillaries.size(), DefaultAncillaries().size());
    }
    EXPECT_EQ(Project->ItemsGrid->Cells(3, 1), second.model.Text());
    EXPECT_TRUE(Project->Modified);
    EXPECT_FALSE(Project->isVisible());
}

TEST_F(MainFormWindows, TheProjectButtonShowsTheProjectWindowWithoutBlocking)
{
    QTest::mouseClick(Form->ProjectWindowButton, Qt::LeftButton);
    EXPECT_TRUE(Project->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(Project->parentWidget(), Form.get());
}

TEST_F(MainFormWindows, SetUnitsAppliesTheChosenUnitsToEditsAndRows)
{
    ClickSearch();
    const int found = Rows();
    ASSERT_GT(found, 0);
    bool shown = false;
    QTimer::singleShot(0, Settings.get(), [&] {
        shown = Settings->isVisible() && Settings->isModal();
        QTest::mouseClick(Settings->ImperialBtn, Qt::LeftButton);
        QTest::mouseClick(Settings->AcceptBtn, Qt::LeftButton);
    });
    QTest::mouseClick(Form->Label11, Qt::LeftButton);
    EXPECT_TRUE(shown);
    EXPECT_EQ(DimensionUnits->GetLabel(), "inch");
    EXPECT_EQ(Form->edWidth->UnitsValue(), DimensionUnits->GetUnitIndex());
    EXPECT_EQ(Form->edAirflow->UnitsValue(), AirflowUnits->GetUnitIndex());
    EXPECT_EQ(Form->edMaxDP->UnitsValue(), PressureUnits->GetUnitIndex());
    EXPECT_EQ(Form->LVSelect->headerItem()->text(1), "W or D [inch]");
    const QTreeWidgetItem* row = Form->LVSelect->topLevelItem(0);
    const TSelectionRec& rec = Form->RecordOf(row);
    EXPECT_EQ(row->text(1), DimensionUnits->FormatValue(0, rec.widdiam));
    EXPECT_EQ(row->text(6), PressureUnits->FormatValue(0, rec.dp));
    // The duty is the same in any unit.
    ClickSearch();
    EXPECT_EQ(Rows(), found);
    EXPECT_EQ(Form->Spec.airflow, 2.8);
    EXPECT_EQ(Form->Spec.width, 0.9);
}

TEST_F(MainFormWindows, TheEnquiryKeepsItsAddressesOnOneLineUpToTheProgramIni)
{
    TRecordingMailTransport mail;
    TScopedMailTransport mailScope(mail);
    TEmailForm email(Project.get());
    Project->SetEmailForm(&email);
    Form->EMailAddr = "sales@maker.example";
    Project->AddSelection(TSpecificationRec(), TSelectionRec());
    ASSERT_TRUE(Project->SaveProject(Dir.File("q.pxf")));
    QString shown;
    QTimer::singleShot(0, &email, [&] {
        shown = email.RecipientsEd->text();
        email.RecipientsEd->setText("a@x.example, b@y.example");
        email.ToolButton1->click();
    });
    QTest::mouseClick(Project->EnquiryBtn, Qt::LeftButton);
    EXPECT_EQ(shown, "sales@maker.example");
    ASSERT_EQ(mail.Sent.size(), 1u);
    EXPECT_EQ(Form->EMailAddr, "a@x.example, b@y.example");
    EXPECT_EQ(static_cast<IProjectHost&>(*Form).ProductVersionText(), Form->windowTitle());

    EXPECT_TRUE(Form->close());
    EXPECT_EQ(TIniFile(IniFile()).ReadString("Enquiry", "eMailAddr", ""), "a@x.example, b@y.example");
}

TEST_F(MainFormWindows, ClosingTheProgramAsksAboutAnUnsavedProject)
{
    TRecordingFileDialogService dialogs;
    TScopedFileDialogService dialogScope(dialogs);
    struct Case {
        const char* name;
        bool modified;
        QString known; // the project's file; "blocker/..." cannot be written
        QList<TMsgAnswer> answers;
        QString dialog; // the save dialog's answer; empty: cancelled
        bool closes;
        QString written; // the file that then holds the project
    };
    const Case cases[] = {
        {"clean", false, {}, {}, {}, true, {}},
        {"cancel", true, {}, {TMsgAnswer::Cancel}, {}, false, {}},
        {"no", true, {}, {TMsgAnswer::No}, {}, true, {}},
        {"yes, known file", true, "p.pxf", {TMsgAnswer::Yes}, {}, true, "p.pxf"},
        {"yes, known file fails", true, "blocker/p.pxf", {TMsgAnswer::Yes}, {}, false, {}},
        {"yes, dialog saves", true, {}, {TMsgAnswer::Yes}, "new", true, "new.pxf"},
        {"yes, dialog cancelled", true, {}, {TMsgAnswer::Yes}, {}, false, {}},
        {"yes, dialog's file fails", true, {}, {TMsgAnswer::Yes}, "blocker/new", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTempFolder dir;
        dir.Write("blocker", QByteArray("x"));
        Form->show();
        Project->NewProject();
        Project->AddSelection(TSpecificationRec(), TSelectionRec());
        Project->SetFileName(c.known.isEmpty() ? QString() : dir.File(c.known));
        Project->SetModified(c.modified);
        Msgs.Clear();
        Msgs.Answers = c.answers;
        dialogs.Answers = QStringList{c.dialog.isEmpty() ? QString() : dir.File(c.dialog)};

        EXPECT_EQ(Form->close(), c.closes);
        EXPECT_EQ(Form->isVisible(), !c.closes);
        EXPECT_EQ(Msgs.Questions.size(), c.modified ? 1 : 0);
        EXPECT_EQ(Project->Project->ItemCount(), 1);
        EXPECT_EQ(Project->Modified, c.modified && c.written.isEmpty());
        const QStringList files = QDir(dir.Path()).entryList({"*.pxf"});
        EXPECT_EQ(files, c.written.isEmpty() ? QStringList() : QStringList{c.written});
        if (!c.written.isEmpty()) {
            ASSERT_TRUE(Project->Project->SaveToFile(dir.File("expected")));
            EXPECT_EQ(ReadFileBytes(dir.File(c.written)), ReadFileBytes(dir.File("expected")));
        }
    }
}

TEST_F(MainFormWindows, ReportDrawsTheSelectedResultInThePreview)
{
    TPrintPreviewForm preview(Form.get(), Dir.Path() + QStringLiteral("/"));
    Form->SetPrintPreviewForm(&preview);
    ClickSearch();
    ASSERT_GE(Rows(), 2);
    SelectRow(1);
    const QString model = Form->SelectedRecord()->model.Text();

    // No logo or letterhead anywhere: the page is drawn without them, and
    // said once however often the window is activated.
    const QString oldUserDataDir = UserDataDir;
    UserDataDir = Dir.Path() + QStringLiteral("/documents/");

    // The preview is modal: look at it while it is open, then close it.
    int pages = -1;
    bool shown = false;
    QTimer::singleShot(0, &preview, [&] {
        shown = preview.isVisible();
        preview.FormActivate(); // what the window's activation runs
        preview.FormActivate();
        pages = preview.Document().TotalPages();
        preview.reject();
    });
    QTest::mouseClick(Form->ReportButton, Qt::LeftButton, {}, QPoint(40, 10));
    EXPECT_TRUE(shown);
    EXPECT_EQ(pages, 1);
    ASSERT_EQ(Msgs.Messages.size(), 1);
    EXPECT_TRUE(Msgs.Messages[0].startsWith("No \"Logo.gif\" and no \"letterhead.txt\" in"))
        << Msgs.Messages[0].toStdString();

    // The report's logo and letterhead come from the user's documents folder.
    for (const QString name : {"Logo.gif", "letterhead.txt"})
        Dir.Write("documents/" + name, ReadFileBytes(QStringLiteral(VOZ_CONTENT_DIR "/documents/") + name));

    // The drawer reads the row selected at drawing time.
    preview.FirstActivate = true;
    preview.FormActivate();
    EXPECT_EQ(preview.Document().TotalPages(), 1);
    const QString pdf = Dir.File("report.pdf");
    preview.Document().SaveAsPDF(pdf);
    EXPECT_TRUE(PdfToText(pdf).contains(model)) << model.toStdString();
    EXPECT_TRUE(PdfToText(pdf).contains("Tarnholm Acoustics"));
    EXPECT_EQ(Msgs.Messages.size(), 1);
    UserDataDir = oldUserDataDir;
}
