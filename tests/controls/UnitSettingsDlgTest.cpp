#include "TestUtil.h"
#include "TxApplicationPath.h"
#include "TxIniFile.h"
#include "TxPlatform.h"
#include "UnitSettingsDlg.h"
#include "UnitsManager.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

bool WaitActive(QWidget* window)
{
    window->activateWindow();
    return QTest::qWaitForWindowActive(window) &&
           QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

// Points the program's settings folder at a test folder for one scope.
class TScopedConfigHome {
public:
    explicit TScopedConfigHome(const QString& path)
        : FHad(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")), FOld(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", path.toUtf8());
    }
    ~TScopedConfigHome()
    {
        if (FHad)
            qputenv("XDG_CONFIG_HOME", FOld);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    TScopedConfigHome(const TScopedConfigHome&) = delete;
    TScopedConfigHome& operator=(const TScopedConfigHome&) = delete;

private:
    bool FHad;
    QByteArray FOld;
};

const char* const kMetric[] = {"m³/s", "Pa", "m/s", "mm", "m²", "kg"};
const char* const kImperial[] = {"cfm", "Psi", "fpm", "inch", "ft²", "lb"};

QStringList Texts(const char* const (&labels)[6])
{
    QStringList list;
    for (const char* label : labels)
        list << QString::fromUtf8(label);
    return list;
}

// The display quantities live in the program's INI file in a test folder.
class UnitSettings : public ::testing::Test {
protected:
    TRecordingMessageService Service;
    TScopedMessageService Scope{Service};
    TTempFolder Dir;
    TScopedConfigHome Config{Dir.Path()};

    void SetUp() override { CreateUnitsManager(IniFileName()); }
    void TearDown() override { FreeUnitsManager(); }

    // Creates the display quantities again from an INI file with `units` in
    // its section "Units".
    void RestartWithUnits(const QString& units)
    {
        FreeUnitsManager();
        QFile file(IniFileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(("[Units]\n" + units).toUtf8());
        file.close();
        CreateUnitsManager(IniFileName());
    }

    static void Open(TUnitSettingsForm& form)
    {
        form.show();
        ASSERT_TRUE(WaitActive(&form));
    }
    static PVirtualNode Row(TUnitSettingsForm& form, int category, int index)
    {
        return form.UnitsTree->topLevelItem(category)->child(index);
    }
    // The unit texts of the six rows, in order.
    static QStringList RowTexts(TUnitSettingsForm& form)
    {
        QStringList texts;
        TVirtualPropertyTree* tree = form.UnitsTree;
        for (int c = 0; c < tree->topLevelItemCount(); ++c)
            for (int i = 0; i < tree->topLevelItem(c)->childCount(); ++i)
                texts << tree->DoGetText(tree->topLevelItem(c)->child(i), 1);
        return texts;
    }
    static QStringList QuantityLabels()
    {
        QStringList labels;
        for (const TUnitsCtrl* ctrl : UnitsCtrls)
            labels << ctrl->GetLabel();
        return labels;
    }
    // Picks `label` in the row's drop-down list, as the user does.
    static void Pick(TUnitSettingsForm& form, PVirtualNode row, const QString& label)
    {
        form.UnitsTree->setCurrentItem(row, 1);
        TVTPropertyCombo* combo = form.UnitsTree->PropertyCombo();
        ASSERT_TRUE(combo->isVisible());
        combo->showPopup();
        ASSERT_TRUE(QTest::qWaitFor([combo] { return combo->view()->isVisible(); }));
        const int index = combo->findText(label);
        ASSERT_GE(index, 0) << qPrintable(label);
        combo->view()->setCurrentIndex(combo->model()->index(index, 0));
        QTest::keyClick(combo->view(), Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([combo] { return !combo->view()->isVisible(); }));
    }
};

TEST_F(UnitSettings, TheFirstOpeningListsTheSixQuantities)
{
    TUnitSettingsForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Settings"));
    EXPECT_EQ(form.UnitsTree->topLevelItemCount(), 0); // filled when first activated
    Open(form);
    TVirtualPropertyTree* tree = form.UnitsTree;
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    const struct {
        const char* category;
        const char* rows[3];
    } expected[] = {{"Air", {"Airflow", "Pressure", "Velocity"}}, {"Size", {"Dimension", "Area", "Mass"}}};
    for (int c = 0; c < 2; ++c) {
        QTreeWidgetItem* root = tree->topLevelItem(c);
        EXPECT_EQ(tree->DoGetText(root, 0), QString::fromLatin1(expected[c].category));
        EXPECT_TRUE(root->isExpanded());
        ASSERT_EQ(root->childCount(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(tree->DoGetText(root->child(i), 0), QString::fromLatin1(expected[c].rows[i]));
            const TTreeField* field = tree->GetNodeField(root->child(i));
            ASSERT_NE(field, nullptr);
            EXPECT_EQ(field->Data, UnitsCtrls[static_cast<size_t>(c * 3 + i)]);
            EXPECT_EQ(field->Items, GetUnitsLabels(UnitsCtrls[static_cast<size_t>(c * 3 + i)]->Field.UnitsType));
        }
    }
    EXPECT_EQ(RowTexts(form), Texts(kMetric));

    // Opening again shows the same rows, not a second set.
    form.close();
    Open(form);
    EXPECT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(RowTexts(form).size(), 6);
}

TEST_F(UnitSettings, APickChangesOnlyThatQuantityAtOnce)
{
    TUnitSettingsForm form;
    Open(form);
    Pick(form, Row(form, 0, 1), QStringLiteral("Psi"));
    EXPECT_EQ(PressureUnits->GetUnitIndex(), 2);
    EXPECT_EQ(PressureUnits->GetLabel(), QStringLiteral("Psi"));
    QStringList expected = Texts(kMetric);
    expected[1] = QStringLiteral("Psi");
    EXPECT_EQ(QuantityLabels(), expected);
    EXPECT_EQ(RowTexts(form), expected);

    Pick(form, Row(form, 1, 0), QStringLiteral("cm"));
    EXPECT_EQ(DimensionUnits->GetUnitIndex(), 1);
    EXPECT_EQ(PressureUnits->GetUnitIndex(), 2);

    // The choices reach the INI file when saved.
    SaveUnitSettings();
    const TIniFile ini(IniFileName());
    EXPECT_EQ(ini.ReadString(QStringLiteral("Units"), QStringLiteral("Pressure"), QString()), QStringLiteral("2"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Units"), QStringLiteral("Dimension"), QString()), QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Units"), QStringLiteral("Airflow"), QString()), QStringLiteral("0"));
    EXPECT_TRUE(Service.Errors.isEmpty());
}

TEST_F(UnitSettings, PresetsSetAllSix)
{
    TUnitSettingsForm form;
    Open(form);
    Pick(form, Row(form, 0, 2), QStringLiteral("fpm"));
    const struct {
        QToolButton* button;
        const char* const (&labels)[6];
    } cases[] = {{form.ImperialBtn, kImperial}, {form.MetricBtn, kMetric}, {form.ImperialBtn, kImperial}};
    for (const auto& c : cases) {
        form.UnitsTree->topLevelItem(0)->setExpanded(false);
        QTest::mouseClick(c.button, Qt::LeftButton);
        EXPECT_EQ(QuantityLabels(), Texts(c.labels)) << qPrintable(c.button->text());
        EXPECT_EQ(RowTexts(form), Texts(c.labels)) << qPrintable(c.button->text());
        EXPECT_TRUE(form.UnitsTree->topLevelItem(0)->isExpanded());
        EXPECT_TRUE(form.UnitsTree->selectedItems().isEmpty());
    }
    // The tree's values follow, so a pick after a preset starts from it.
    form.UnitsTree->setCurrentItem(Row(form, 1, 2), 1);
    EXPECT_EQ(form.UnitsTree->PropertyCombo()->currentText(), QStringLiteral("lb"));
}

TEST_F(UnitSettings, ExpandAndCollapseAll)
{
    TUnitSettingsForm form;
    Open(form);
    QTest::mouseClick(form.CollapseAllBtn, Qt::LeftButton);
    EXPECT_FALSE(form.UnitsTree->topLevelItem(0)->isExpanded());
    EXPECT_FALSE(form.UnitsTree->topLevelItem(1)->isExpanded());
    QTest::mouseClick(form.ExpandAllBtn, Qt::LeftButton);
    EXPECT_TRUE(form.UnitsTree->topLevelItem(0)->isExpanded());
    EXPECT_TRUE(form.UnitsTree->topLevelItem(1)->isExpanded());
}

TEST_F(UnitSettings, ClosingKeepsTheChoices)
{
    TUnitSettingsForm form;
    Open(form);
    Pick(form, Row(form, 1, 1), QStringLiteral("ft²"));
    // Escape is no cancel: the window stays.
    QTest::keyClick(form.UnitsTree, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    QTest::mouseClick(form.AcceptBtn, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(AreaUnits->GetLabel(), QStringLiteral("ft²"));

    // The close box does the same.
    Open(form);
    Pick(form, Row(form, 1, 2), QStringLiteral("lb"));
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(MassUnits->GetLabel(), QStringLiteral("lb"));
    EXPECT_EQ(AreaUnits->GetLabel(), QStringLiteral("ft²"));
}

TEST_F(UnitSettings, ShownModally)
{
    TUnitSettingsForm form;
    bool picked = false;
    QTimer::singleShot(0, &form, [&] {
        if (!WaitActive(&form)) {
            form.close();
            return;
        }
        Pick(form, Row(form, 0, 0), QStringLiteral("l/s"));
        picked = true;
        QTest::mouseClick(form.AcceptBtn, Qt::LeftButton);
    });
    form.exec();
    EXPECT_TRUE(picked);
    EXPECT_EQ(AirflowUnits->GetLabel(), QStringLiteral("l/s"));
}

TEST_F(UnitSettings, PlacementSurvivesARestart)
{
    {
        TUnitSettingsForm form;
        EXPECT_EQ(form.objectName(), QStringLiteral("UnitSettingsForm"));
        // Never saved: the designed placement.
        EXPECT_EQ(form.geometry(), QRect(219, 154, 266, 285));
        Open(form);
        form.setGeometry(100, 120, 300, 350);
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.geometry() == QRect(100, 120, 300, 350); }));
        form.close();
    }
    const TIniFile ini(IniFileName());
    const QString section = QStringLiteral("UnitSettingsForm");
    EXPECT_EQ(ini.ReadInteger(section, QStringLiteral("Left"), -1), 100);
    EXPECT_EQ(ini.ReadInteger(section, QStringLiteral("Top"), -1), 120);
    EXPECT_EQ(ini.ReadInteger(section, QStringLiteral("Width"), -1), 300);
    EXPECT_EQ(ini.ReadInteger(section, QStringLiteral("Height"), -1), 350);

    TUnitSettingsForm again;
    EXPECT_EQ(again.geometry(), QRect(100, 120, 300, 350));

    // Losing the activation to another window saves as well.
    Open(again);
    again.setGeometry(110, 130, 310, 360);
    ASSERT_TRUE(QTest::qWaitFor([&] { return again.geometry() == QRect(110, 130, 310, 360); }));
    QWidget other;
    other.show();
    ASSERT_TRUE(WaitActive(&other));
    const TIniFile after(IniFileName());
    EXPECT_EQ(after.ReadInteger(section, QStringLiteral("Left"), -1), 110);
    EXPECT_EQ(after.ReadInteger(section, QStringLiteral("Height"), -1), 360);
    EXPECT_TRUE(Service.Errors.isEmpty());
}

TEST_F(UnitSettings, OutOfRangeIndicesInTheIniFile)
{
    RestartWithUnits(QStringLiteral("Airflow=99\nMass=-4\nPressure=abc\nVelocity=1\n"));
    TUnitSettingsForm form;
    Open(form);
    EXPECT_EQ(RowTexts(form), (QStringList{QStringLiteral("cfm"), QStringLiteral("Pa"), QStringLiteral("fpm"),
                                           QStringLiteral("mm"), QString::fromUtf8("m²"), QStringLiteral("kg")}));
    form.UnitsTree->setCurrentItem(Row(form, 0, 0), 1);
    EXPECT_EQ(form.UnitsTree->PropertyCombo()->currentText(), QStringLiteral("cfm"));
    Pick(form, Row(form, 1, 2), QStringLiteral("ton SI"));
    EXPECT_EQ(MassUnits->GetUnitIndex(), 1);
}

TEST_F(UnitSettings, NoDisplayQuantitiesLeaveTheTreeEmpty)
{
    FreeUnitsManager();
    TUnitSettingsForm form;
    Open(form);
    EXPECT_EQ(form.UnitsTree->topLevelItemCount(), 0);
    QTest::mouseClick(form.MetricBtn, Qt::LeftButton);
    QTest::mouseClick(form.ImperialBtn, Qt::LeftButton);
    QTest::mouseClick(form.CollapseAllBtn, Qt::LeftButton);
    EXPECT_EQ(form.UnitsTree->topLevelItemCount(), 0);
    EXPECT_TRUE(Service.Errors.isEmpty());
}

TEST_F(UnitSettings, KeysStayWithTheTreeAndItsEditors)
{
    TUnitSettingsForm form;
    Open(form);
    TVirtualPropertyTree* tree = form.UnitsTree;
    tree->setFocus();
    tree->setCurrentItem(Row(form, 0, 0), 1);
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_EQ(tree->currentItem(), Row(form, 0, 1));
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(tree->currentItem(), Row(form, 0, 2));
    EXPECT_TRUE(tree->hasFocus());

    // A text editor in the tree keeps Enter, Up and Down from the window's
    // navigation.
    double value = 2.0;
    TTreeField* f = tree->AddField(QStringLiteral("Size"), QStringLiteral("Extra"), nullptr);
    f->Kind = tfFloat;
    f->Value = &value;
    f->FormatStr = QStringLiteral("%0.1f");
    tree->Rebuild();
    tree->setCurrentItem(Row(form, 1, 3), 1);
    TVTPropertyEdit* edit = tree->PropertyEdit();
    ASSERT_TRUE(edit->hasFocus());
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("4"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(value, 4.0);
    EXPECT_TRUE(tree->hasFocus());
    EXPECT_EQ(tree->currentItem(), Row(form, 1, 3));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(tree->currentItem(), Row(form, 1, 2));
    EXPECT_EQ(Service.Beeps, 0);
}

} // namespace
