#include "UnitsManager.h"

#include "TxIniFile.h"
#include "TxString.h"

TUnitsCtrl* AirflowUnits = nullptr;
TUnitsCtrl* PressureUnits = nullptr;
TUnitsCtrl* VelocityUnits = nullptr;
TUnitsCtrl* DimensionUnits = nullptr;
TUnitsCtrl* AreaUnits = nullptr;
TUnitsCtrl* MassUnits = nullptr;
std::vector<TUnitsCtrl*> UnitsCtrls;
QString UnitsIniFile;

void CreateUnitsManager(const QString& iniFile)
{
    FreeUnitsManager();
    const QString air = QStringLiteral("Air");
    const QString size = QStringLiteral("Size");
    AirflowUnits = new TUnitsCtrl(air, QStringLiteral("Airflow"), utAirFlowPrim, 0, 0, false);
    PressureUnits = new TUnitsCtrl(air, QStringLiteral("Pressure"), utPressure, 1, 1, false);
    VelocityUnits = new TUnitsCtrl(air, QStringLiteral("Velocity"), utVelocity, 0, 0, false);
    DimensionUnits = new TUnitsCtrl(size, QStringLiteral("Dimension"), utLengthMeasure, 0, 2, false);
    AreaUnits = new TUnitsCtrl(size, QStringLiteral("Area"), utArea, 0, 0, false);
    MassUnits = new TUnitsCtrl(size, QStringLiteral("Mass"), utMass, 0, 0, false);
    UnitsCtrls = {AirflowUnits, PressureUnits, VelocityUnits, DimensionUnits, AreaUnits, MassUnits};
    UnitsIniFile = iniFile;
    LoadUnitSettings();
}

void FreeUnitsManager()
{
    for (TUnitsCtrl* ctrl : UnitsCtrls)
        delete ctrl;
    UnitsCtrls.clear();
    AirflowUnits = PressureUnits = VelocityUnits = DimensionUnits = AreaUnits = MassUnits = nullptr;
}

void LoadUnitSettings()
{
    if (UnitsIniFile.isEmpty())
        return;
    const TIniFile ini(UnitsIniFile);
    for (const QString& line : ini.ReadSectionValues(QStringLiteral("Units"))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString name = line.left(eq);
        int index = 0;
        if (!TryIniTextToInt(Trim(line.mid(eq + 1)), index))
            continue;
        for (TUnitsCtrl* ctrl : UnitsCtrls)
            if (SameText(ctrl->Name, name))
                ctrl->SetUnitIndex(index);
    }
}

void SaveUnitSettings()
{
    TIniFile ini(UnitsIniFile);
    // One write for all keys: a failure leaves the file as it was.
    ini.BeginUpdate();
    SaveUnitSettings(ini);
    ini.EndUpdate();
}

void SaveUnitSettings(TCustomIniFile& ini)
{
    for (const TUnitsCtrl* ctrl : UnitsCtrls)
        ini.WriteInteger(QStringLiteral("Units"), ctrl->Name, ctrl->GetUnitIndex());
}

void SetMetricUnits()
{
    for (TUnitsCtrl* ctrl : UnitsCtrls)
        ctrl->SetMetric();
    if (DimensionUnits)
        DimensionUnits->SetUnitIndex(2);
    if (PressureUnits)
        PressureUnits->SetUnitIndex(1);
}

void SetImperialUnits()
{
    for (TUnitsCtrl* ctrl : UnitsCtrls)
        ctrl->SetImperial();
}
