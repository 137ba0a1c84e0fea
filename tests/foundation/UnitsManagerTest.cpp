#include "TestUtil.h"
#include "TxErrors.h"
#include "TxIniFile.h"
#include "UnitsManager.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

namespace {

// Creates the display quantities over an INI file for one test.
class UnitsManagerTest : public ::testing::Test {
protected:
    void TearDown() override { FreeUnitsManager(); }

    QString Create(const QByteArray& ini)
    {
        const QString path = ini.isNull() ? Temp.File("prog.ini") : Temp.Write("prog.ini", ini);
        CreateUnitsManager(path);
        return path;
    }

    static QStringList Labels()
    {
        QStringList labels;
        for (const TUnitsCtrl* ctrl : UnitsCtrls)
            labels.append(ctrl->GetLabel());
        return labels;
    }

    TTempFolder Temp;
};

const QStringList MetricLabels{"m³/s", "Pa", "m/s", "mm", "m²", "kg"};
const QStringList ImperialLabels{"cfm", "Psi", "fpm", "inch", "ft²", "lb"};

TEST_F(UnitsManagerTest, CreatesSixQuantitiesInOrder)
{
    Create(QByteArray());
    ASSERT_EQ(UnitsCtrls.size(), 6u);
    const TUnitsCtrl* expected[] = {AirflowUnits, PressureUnits, VelocityUnits, DimensionUnits, AreaUnits, MassUnits};
    const char* names[] = {"Airflow", "Pressure", "Velocity", "Dimension", "Area", "Mass"};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(UnitsCtrls[i], expected[i]);
        EXPECT_EQ(UnitsCtrls[i]->Name, names[i]);
        EXPECT_EQ(UnitsCtrls[i]->Group, i < 3 ? "Air" : "Size");
        EXPECT_FALSE(UnitsCtrls[i]->FixedFormat);
    }
    EXPECT_EQ(Labels(), MetricLabels);
    EXPECT_EQ(PressureUnits->Field.UnitsBase, 1);
    EXPECT_EQ(DimensionUnits->Field.UnitsBase, 0);

    FreeUnitsManager();
    EXPECT_TRUE(UnitsCtrls.empty());
    EXPECT_EQ(AirflowUnits, nullptr);
}

TEST_F(UnitsManagerTest, FormatsAirflowWithDotWhateverTheLocale)
{
    Create(QByteArray());
    EXPECT_EQ(AirflowUnits->FormatValue(0, 2.8), "2.80");
    EXPECT_EQ(AirflowUnits->FormatWithLabel(" ", 0, 2.8), "2.80 m³/s");
    EXPECT_EQ(DimensionUnits->FormatValue(1, 0.5), "500.0");
    AirflowUnits->SetUnitIndex(4);
    EXPECT_EQ(AirflowUnits->FormatValue(0, 2.8), "5933");
    EXPECT_EQ(AirflowUnits->FormatValue(1, 2.8), "5932.9");
}

TEST_F(UnitsManagerTest, PresetsSwitchAllQuantities)
{
    Create(QByteArray());
    SetImperialUnits();
    EXPECT_EQ(Labels(), ImperialLabels);
    SetMetricUnits();
    EXPECT_EQ(Labels(), MetricLabels);
    EXPECT_EQ(DimensionUnits->GetUnitIndex(), 2);
    EXPECT_EQ(PressureUnits->GetUnitIndex(), 1);
}

struct LoadCase {
    const char* ini;
    QStringList labels;
};

TEST_F(UnitsManagerTest, ReadsUnitsSection)
{
    const LoadCase cases[] = {
        // Lower-case key; a later bad value is skipped; an unknown key ignored.
        {"[Units]\nairflow=4\nAirflow=abc\nSpeed=1\nVelocity=1\n", {"cfm", "Pa", "fpm", "mm", "m²", "kg"}},
        // Indices outside a kind's list are limited to it.
        {"[Units]\nPressure=99\nMass=-3\nArea= 4 \n", {"m³/s", "mHead", "m/s", "mm", "ft²", "kg"}},
        // Lines are applied in file order.
        {"[units]\nDIMENSION=0\nDimension=3\n", {"m³/s", "Pa", "m/s", "inch", "m²", "kg"}},
        {"[Other]\nAirflow=4\n", MetricLabels},
        {"", MetricLabels},
        // Whole numbers by the one rule; a fraction is skipped.
        {"[Units]\nDimension=3.0\nArea=4e0\nMass=1.5\n", {"m³/s", "Pa", "m/s", "inch", "ft²", "kg"}},
        {"\xff\xfe garbage\n[Units\nAirflow\n=4\n[Units]\nPressure=\nMass=2x\nArea=99999999999\n", MetricLabels},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        Create(QByteArray(c.ini));
        EXPECT_EQ(Labels(), c.labels);
    }
}

TEST_F(UnitsManagerTest, SaveKeepsOtherLinesOfTheFile)
{
    const QString path = Create("; settings\n[Form]\nLeft=10\n\n[Units]\n; chosen units\nVelocity=1\nExtra=keep me\n"
                                "[VAT]\nRate=15\n");
    SetImperialUnits();
    SaveUnitSettings();
    const QString text = QString::fromUtf8(ReadFileBytes(path));
    for (const char* line : {"; settings", "[Form]", "Left=10", "; chosen units", "Extra=keep me", "[VAT]", "Rate=15",
                             "Airflow=4", "Pressure=2", "Velocity=1", "Dimension=3", "Area=4", "Mass=2"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line << "\n" << text.toStdString();
    EXPECT_EQ(text.count("Velocity="), 1);

    // What was saved is what the next start reads.
    FreeUnitsManager();
    CreateUnitsManager(path);
    EXPECT_EQ(Labels(), ImperialLabels);
    EXPECT_EQ(TIniFile(path).ReadString("Units", "Extra", ""), "keep me");
}

TEST_F(UnitsManagerTest, FailedSaveRaisesAndWritesNothing)
{
    Temp.Write("plain", QByteArray("not a folder"));
    CreateUnitsManager(Temp.File("plain/prog.ini"));
    SetImperialUnits();
    try {
        SaveUnitSettings();
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().startsWith("Unable to write to " + Temp.File("plain/prog.ini") + ": "));
    }
    EXPECT_EQ(ReadFileBytes(Temp.File("plain")), "not a folder");

    // A file that cannot be read is not replaced.
    QDir(Temp.Path()).mkpath("dir.ini");
    FreeUnitsManager();
    CreateUnitsManager(Temp.File("dir.ini"));
    EXPECT_THROW(SaveUnitSettings(), EIniFileException);
    EXPECT_TRUE(QFileInfo(Temp.File("dir.ini")).isDir());
}

} // namespace
