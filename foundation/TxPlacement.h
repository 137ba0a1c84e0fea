#pragma once

#include <QRect>
#include <QSize>
#include <QString>

class QWidget;
class TCustomIniFile;

// Windows remember where the user left them, keyed by their object name:
// in the program's INI file (a section per window) or in the registry under
// the program's key (a sub-key per window). Values are pixels: "Left", "Top"
// (the window's position), "Width", "Height" (its size without the frame),
// and in the registry also "Visible" and "WinState" (0 normal, 1 minimised,
// 2 maximised). A maximised window keeps its normal position and size.

// Moves a restored position back onto a screen of `screen` size when it lies
// off it: left or top below 0 become 0, beyond the screen less 100 pixels
// they become the screen less 200.
void KeepOnScreen(int& left, int& top, QSize screen);
// The primary screen's size.
QSize PrimaryScreenSize();

// Where a restored window may go: the primary screen, the room the desktop
// leaves on it for windows (without its panels) and the window's own
// smallest size.
struct TPlacementLimits {
    QSize Screen;
    QRect Room;
    QSize Minimum;
};
TPlacementLimits PlacementLimits(const QWidget* form);
// A restored size within reach of a window placed at `top`: no wider than
// the room, no taller than the room below `top` less a title bar, so its
// bottom stays on the screen; never below the minimum (the window's own
// limit wins on a screen too small for it).
QSize KeepSizeOnScreen(QSize size, int top, const TPlacementLimits& limits);
// "Left" and "Top" of `section`, and "Width" and "Height" when `readSize`,
// each defaulting to `current`, kept within `limits` (a size only when one
// is stored, after the position).
QRect ReadPlacement(const TCustomIniFile& ini, const QString& section, const QRect& current,
                    const TPlacementLimits& limits, bool readSize);

// Left, Top, Width, Height from the window's section, each defaulting to the
// current value, then kept on the screen (a stored size too).
void LoadFormPlacementIni(QWidget* form, const QString& iniFileName);
void LoadFormPlacementIni(QWidget* form); // the program's INI file
// Writes Left, Top, Width, Height into the window's section, saved at once;
// raises EIniFileException when the file cannot be written.
void SaveFormPlacementIni(QWidget* form, const QString& iniFileName);
void SaveFormPlacementIni(QWidget* form);

// Left, Top; Width and Height when readSize; Visible (default hidden) when
// readVisible; kept on the screen; then WinState. A window saved minimised
// opens normal.
void LoadFormPlacementReg(QWidget* form, bool readVisible, bool readSize);
// Raises EIniFileException when the store cannot be written.
void SaveFormPlacementReg(QWidget* form);
