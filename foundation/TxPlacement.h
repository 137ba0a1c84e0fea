#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

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
// A stored column width as a restored column takes it: from 2 pixels, the
// narrowest a column is dragged to, up to the screen's width, so that the
// column shows and its edge can be reached to drag it back.
int KeepColumnWidth(int width, QSize screen);

// Where a restored window may go: the primary screen, the room the desktop
// leaves on it for windows (without its panels), the window's own smallest
// size and the frame and title bar the window system puts around it.
struct TPlacementLimits {
    QSize Screen;
    QRect Room;
    QSize Minimum;
    QMargins Frame;
};
// The frame is the window's own once it is shown in one, else a frame as
// large as common window systems draw.
TPlacementLimits PlacementLimits(const QWidget* form);
// A restored window (position and size without the frame) whose frame and
// title bar lie wholly in the room: moved left and up first, then made
// smaller, never below the minimum; the title bar stays in the room even
// when the window's own limit does not fit.
QRect KeepWindowInRoom(const QRect& window, const TPlacementLimits& limits);
// "Left" and "Top" of `section`, and "Width" and "Height" when `readSize`,
// each defaulting to `current`; when any is stored, the position is kept on
// the screen and then the whole window in the room.
QRect ReadPlacement(const TCustomIniFile& ini, const QString& section, const QRect& current,
                    const TPlacementLimits& limits, bool readSize);

// Left, Top, Width, Height from the window's section, each defaulting to the
// current value, then kept on the screen (a stored size too).
void LoadFormPlacementIni(QWidget* form, const QString& iniFileName);
void LoadFormPlacementIni(QWidget* form); // the program's INI file

// The saves write a window's place at once. Windows save it at every turn
// (when they lose the focus, say): a save that fails is reported in an
// error box once a run for its file, and the window goes on.

// Writes Left, Top, Width, Height into the window's section.
void SaveFormPlacementIni(QWidget* form, const QString& iniFileName);
void SaveFormPlacementIni(QWidget* form);

// Left, Top; Width and Height when readSize; Visible (default hidden) when
// readVisible; kept on the screen; then WinState. A window saved minimised
// opens normal.
void LoadFormPlacementReg(QWidget* form, bool readVisible, bool readSize);
// Writes Left, Top, Width, Height, Visible, WinState, then what `more` writes
// under the program's key (the window's column widths, say), in one save.
void SaveFormPlacementReg(QWidget* form, const std::function<void(TCustomIniFile& key)>& more = {});
