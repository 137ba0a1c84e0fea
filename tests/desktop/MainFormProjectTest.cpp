#include "MainFormTestUtil.h"

#include "ProjectDlg.h"
#include "TxPreviewDocument.h"
#include "TxPrintPreviewDlg.h"
#include "TxApplicationPath.h"
#include "TxColGrids.h"
#include "TxFmtEdit.h"
#include "TxRegistry.h"
#include "UnitSettingsDlg.h"

#include <QApplication>
#include <QLabel>
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

} // namespace

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
    ASSERT_GT(Rows(), 0);
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
}

TEST_F(MainFormWindows, TheProjectWindowReachesTheEnquiryAddressAndVersion)
{
    Form->EMailAddr = "sales@maker.example\r\n";
    IProjectHost& host = *Form;
    EXPECT_EQ(host.EnquiryAddress(), "sales@maker.example\r\n");
    host.SetEnquiryAddress("new@maker.example\r\n");
    EXPECT_EQ(Form->EMailAddr, "new@maker.example\r\n");
    EXPECT_EQ(host.ProductVersionText(), Form->windowTitle());
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
