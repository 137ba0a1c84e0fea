#include "TxPlacement.h"

#include "TxApplicationPath.h"
#include "TxIniFile.h"
#include "TxPlatform.h"
#include "TxRegistry.h"
#include "TxSysUtils.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
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

// Runs a save of a window's place; its failure is reported once a run. A
// window that saves as it hides (told to hide, not yet gone) has it reported
// once the hiding is done: a box shown from inside that is never painted.
void SaveOrReportOnce(const QWidget* form, const QString& fileName, const std::function<void()>& save)
{
    try {
        save();
    } catch (const EIniFileException& e) {
        if (form->isHidden() && form->isVisible())
            QTimer::singleShot(0, qApp, [fileName, message = e.Message()] { ShowErrorOnce(fileName, message); });
        else
            ShowErrorOnce(fileName, e.Message());
    }
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

int KeepColumnWidth(int width, QSize screen)
{
    return std::clamp(width, 2, std::max(2, screen.width()));
}

TPlacementLimits PlacementLimits(const QWidget* form)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    TPlacementLimits limits;
    limits.Screen = PrimaryScreenSize();
    limits.Room = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), limits.Screen);
    // A window laid out by a layout cannot shrink below what the layout needs.
    limits.Minimum = form->minimumSize().expandedTo(form->minimumSizeHint()).expandedTo(QSize(1, 1));
    const QRect inner = form->geometry();
    const QRect outer = form->frameGeometry();
    limits.Frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                            outer.bottom() - inner.bottom());
    if (!form->isVisible() || limits.Frame.isNull())
        limits.Frame = QMargins(4, 32, 4, 8);
    return limits;
}

QRect KeepWindowInRoom(const QRect& window, const TPlacementLimits& limits)
{
    const QRect& room = limits.Room;
    const QMargins& f = limits.Frame;
    const QSize size = window.size()
                           .boundedTo(QSize(room.width() - f.left() - f.right(), room.height() - f.top() - f.bottom()))
                           .expandedTo(limits.Minimum);
    // Left and up so that the far edges are in; then the near edges, title
    // bar first, win over them.
    const int left =
        std::max(std::min(window.left(), room.right() - f.right() - size.width() + 1), room.left() + f.left());
    const int top =
        std::max(std::min(window.top(), room.bottom() - f.bottom() - size.height() + 1), room.top() + f.top());
    return QRect(QPoint(left, top), size);
}

QRect ReadPlacement(const TCustomIniFile& ini, const QString& section, const QRect& current,
                    const TPlacementLimits& limits, bool readSize)
{
    QStringList keys{QStringLiteral("Left"), QStringLiteral("Top")};
    if (readSize)
        keys << QStringLiteral("Width") << QStringLiteral("Height");
    if (std::none_of(keys.begin(), keys.end(), [&](const QString& key) { return ini.ValueExists(section, key); }))
        return current;
    int left = ini.ReadInteger(section, QStringLiteral("Left"), current.x());
    int top = ini.ReadInteger(section, QStringLiteral("Top"), current.y());
    KeepOnScreen(left, top, limits.Screen);
    QSize size = current.size();
    if (readSize)
        size = QSize(ini.ReadInteger(section, QStringLiteral("Width"), size.width()),
                     ini.ReadInteger(section, QStringLiteral("Height"), size.height()));
    // Within the room, so that the rectangle's far edges are numbers.
    size = size.boundedTo(limits.Room.size()).expandedTo(QSize(0, 0));
    return KeepWindowInRoom(QRect(QPoint(left, top), size), limits);
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
    SaveOrReportOnce(form, iniFileName, [&] {
        TIniFile ini(iniFileName);
        ini.BeginUpdate();
        WriteGeometry(ini, form->objectName(), NormalGeometry(form));
        ini.EndUpdate();
    });
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

void SaveFormPlacementReg(QWidget* form, const std::function<void(TCustomIniFile& key)>& more)
{
    SaveOrReportOnce(form, RegistryFileName(), [&] {
        TRegistryIniFile reg(GetAppRegKey());
        const QString section = form->objectName();
        WriteGeometry(reg, section, NormalGeometry(form));
        reg.WriteBool(section, QStringLiteral("Visible"), form->isVisible());
        reg.WriteInteger(section, QStringLiteral("WinState"), WinStateOf(form));
        if (more)
            more(reg);
        reg.UpdateFile();
    });
}
