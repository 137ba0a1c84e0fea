#pragma once

#include "TxUnitsCtrl.h"

#include <QString>

#include <vector>

// The six display quantities of the program. They exist between
// CreateUnitsManager and FreeUnitsManager; before and after, the pointers are
// null and UnitsCtrls is empty.
extern TUnitsCtrl* AirflowUnits;
extern TUnitsCtrl* PressureUnits;
extern TUnitsCtrl* VelocityUnits;
extern TUnitsCtrl* DimensionUnits;
extern TUnitsCtrl* AreaUnits;
extern TUnitsCtrl* MassUnits;
// The six in the order the unit-settings dialog lists them.
extern std::vector<TUnitsCtrl*> UnitsCtrls;
// The program INI file that keeps the chosen units.
extern QString UnitsIniFile;

// Creates the display quantities and reads their units from `iniFile`. Runs
// once at start-up, after the application paths exist and before any window.
void CreateUnitsManager(const QString& iniFile);
// Frees the display quantities at program end.
void FreeUnitsManager();

// Reads the section "Units" of UnitsIniFile: each key names a display
// quantity (ASCII case-insensitive), its value is the unit index. Values that
// are not integers are skipped, indices outside a kind's list are limited to
// it, and a missing file or section changes nothing.
void LoadUnitSettings();
// Writes every display quantity's unit index to the section "Units", keeping
// the section's other keys. Raises EIniFileException ("Unable to write to
// ...") and leaves the file as it was when it cannot be written.
void SaveUnitSettings();
// The same writes into `ini`, for a caller that saves more into the file at
// once.
void SaveUnitSettings(class TCustomIniFile& ini);

// m³/s, Pa, m/s, mm, m², kg.
void SetMetricUnits();
// cfm, Psi, fpm, inch, ft², lb.
void SetImperialUnits();
