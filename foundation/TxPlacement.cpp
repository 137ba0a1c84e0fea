#include "TxPlacement.h"

#include "TxApplicationPath.h"
#include "TxIniFile.h"
#include "TxRegistry.h"
#include "TxSysUtils.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

constexpr Qt::WindowStates SpecialStates = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

enum TWinState { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

// Position and size the window has, or returns to when it is maximised or
// minimised.
QRect NormalGeometry(const QWidget* form)
{
    if (form->windowState() & SpecialStates) {
        const QRect normal = form->normalGeometry();
        if (normal.isValid())
            return normal;
    }
    return form->geometry();
}

int WinStateOf(const QWidget* form)
{
    const Qt::WindowStates state = form->windowState();
    if (state & Qt::WindowMinimized)
        return wsMinimized;
    if (state & Qt::WindowMaximized)
        return wsMaximized;
    return wsNormal;
}

// Sets the normal geometry and then the state. A window that is already
// where it should be is not touched, so one never saved keeps its designed
// placement.
void Apply(QWidget* form, const QRect& normal, Qt::WindowStates state)
{
    if (normal != NormalGeometry(form)) {
        if (form->windowState() & SpecialStates)
            form->setWindowState(form->windowState() & ~SpecialStates);
        form->setGeometry(normal);
    }
    if (form->windowState() != state)
        form->setWindowState(state);
}

void WriteGeometry(TCustomIniFile& ini, const QString& section, const QRect& g)
{
    ini.WriteInteger(section, QStringLiteral("Left"), g.x());
    ini.WriteInteger(section, QStringLiteral("Top"), g.y());
    ini.WriteInteger(section, QStringLiteral("Width"), g.width());
    ini.WriteInteger(section, QStringLiteral("Height"), g.height());
}

} // namespace

void KeepOnScreen(int& left, int& top, QSize screen)
{
    if (left < 0)
        left = 0;
    if (left > screen.width() - 100)
        left = screen.width() - 200;
    if (top < 0)
        top = 0;
    if (top > screen.height() - 100)
        top = screen.height() - 200;
}

QSize PrimaryScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(1024, 768);
}

TPlacementLimits PlacementLimits(const QWidget* form)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    TPlacementLimits limits;
    limits.Screen = PrimaryScreenSize();
    limits.Room = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), limits.Screen);
    // A window laid out by a layout cannot shrink below what the layout needs.
    limits.Minimum = form->minimumSize().expandedTo(form->minimumSizeHint()).expandedTo(QSize(1, 1));
    return limits;
}

QSize KeepSizeOnScreen(QSize size, int top, const TPlacementLimits& limits)
{
    // What the desktop puts above and below a window: its title bar and frame.
    constexpr int FrameHeight = 32;
    const QRect& room = limits.Room;
    const QSize reach(room.width(), room.bottom() + 1 - std::max(top, room.top()) - FrameHeight);
    return size.boundedTo(reach).expandedTo(limits.Minimum);
}

QRect ReadPlacement(const TCustomIniFile& ini, const QString& section, const QRect& current,
                    const TPlacementLimits& limits, bool readSize)
{
    int left = ini.ReadInteger(section, QStringLiteral("Left"), current.x());
    int top = ini.ReadInteger(section, QStringLiteral("Top"), current.y());
    KeepOnScreen(left, top, limits.Screen);
    QSize size = current.size();
    if (readSize &&
        (ini.ValueExists(section, QStringLiteral("Width")) || ini.ValueExists(section, QStringLiteral("Height"))))
        size = KeepSizeOnScreen(QSize(ini.ReadInteger(section, QStringLiteral("Width"), size.width()),
                                      ini.ReadInteger(section, QStringLiteral("Height"), size.height())),
                                top, limits);
    return QRect(QPoint(left, top), size);
}

void LoadFormPlacementIni(QWidget* form, const QString& iniFileName)
{
    const TIniFile ini(iniFileName);
    Apply(form, ReadPlacement(ini, form->objectName(), NormalGeometry(form), PlacementLimits(form), true),
          form->windowState());
}

void LoadFormPlacementIni(QWidget* form)
{
    LoadFormPlacementIni(form, IniFileName());
}

void SaveFormPlacementIni(QWidget* form, const QString& iniFileName)
{
    TIniFile ini(iniFileName);
    ini.BeginUpdate();
    WriteGeometry(ini, form->objectName(), NormalGeometry(form));
    ini.EndUpdate();
}

void SaveFormPlacementIni(QWidget* form)
{
    SaveFormPlacementIni(form, IniFileName());
}

void LoadFormPlacementReg(QWidget* form, bool readVisible, bool readSize)
{
    const TRegistryIniFile reg(GetAppRegKey());
    const QString section = form->objectName();
    const QRect normal = ReadPlacement(reg, section, NormalGeometry(form), PlacementLimits(form), readSize);
    const bool visible = readVisible ? reg.ReadBool(section, QStringLiteral("Visible"), false) : form->isVisible();
    // A window saved minimised would open as nothing but a taskbar entry.
    Qt::WindowStates state = form->windowState() & ~SpecialStates;
    if (reg.ReadInteger(section, QStringLiteral("WinState"), WinStateOf(form)) == wsMaximized)
        state |= Qt::WindowMaximized;
    Apply(form, normal, state);
    if (readVisible && form->isVisible() != visible)
        form->setVisible(visible);
}

void SaveFormPlacementReg(QWidget* form)
{
    TRegistryIniFile reg(GetAppRegKey());
    const QString section = form->objectName();
    WriteGeometry(reg, section, NormalGeometry(form));
    reg.WriteBool(section, QStringLiteral("Visible"), form->isVisible());
    reg.WriteInteger(section, QStringLiteral("WinState"), WinStateOf(form));
    reg.UpdateFile();
}
