#pragma once

#include "TxPlatform.h"

#include <QString>
#include <QStringList>

#include <functional>

// Opening documents in the desktop's programs. xdg-open drops the anchor of a
// file URL, so a page that must open at an anchor goes straight to the
// desktop's HTML handler with the whole URL as its argument.

// A program and its arguments, ready to start without a shell.
struct TCommandLine {
    QString Program;
    QStringList Arguments;
    bool IsEmpty() const { return Program.isEmpty(); }
};

// The folders searched for applications/<id>.desktop, most important first:
// $XDG_DATA_HOME (default ~/.local/share), then $XDG_DATA_DIRS (default
// /usr/local/share:/usr/share).
QStringList DesktopDataDirs();
// The .desktop file of a desktop file id in `dataDirs`; an id with "-" may
// also name a sub-folder ("kde-foo.desktop" as kde/foo.desktop). Empty when
// there is none.
QString FindDesktopFile(const QString& desktopId, const QStringList& dataDirs);
// The Exec value of the file's [Desktop Entry] group (escapes of the value
// resolved); empty when missing.
QString ReadDesktopExec(const QString& desktopFile, QString* iconName = nullptr, QString* name = nullptr);
// Splits an Exec value into a program and its arguments and puts `url` in
// place of the file field code (%u, %U, %f or %F), or at the end when there
// is none; an empty `url` (a start without a document) adds nothing.
// Quoted arguments keep their blanks; %i, %c and %k expand as the desktop
// entry rules say, deprecated codes vanish. Empty for a value that does not
// parse.
TCommandLine ExpandDesktopExec(const QString& exec, const QString& url, const QString& iconName = QString(),
                               const QString& name = QString(), const QString& desktopFile = QString());
// The absolute file:// URL of `path` followed by "#" and `anchor` (the "#"
// also for an empty anchor), as one text.
QString DocumentUrlWithAnchor(const QString& path, const QString& anchor);

// Starts a document's handler without waiting for it; `failed` runs when
// the handler later ends with an error. Whether it started.
bool StartHandler(const TCommandLine& command, const std::function<void()>& failed);

// The desktop's opener: documents through xdg-open, pages at an anchor
// through the HTML handler, or through xdg-open without the anchor when
// there is no handler or it fails. A handler that ends with an error is
// reported as a document that could not be opened.
class TShellDocumentOpener : public IDocumentOpener {
public:
    // The desktop file id of the HTML handler ("xdg-mime query default
    // text/html"); empty when there is none.
    using THandlerQuery = std::function<QString()>;
    // Starts a handler as StartHandler does.
    using TLauncher = std::function<bool(const TCommandLine&, const std::function<void()>& failed)>;

    TShellDocumentOpener();
    TShellDocumentOpener(THandlerQuery query, QStringList dataDirs, TLauncher launcher);

    bool OpenDocument(const QString& pathOrUrl) override;
    bool OpenDocumentAtAnchor(const QString& path, const QString& anchor) override;

    // The command that would open `path` at `anchor`; empty without a handler.
    TCommandLine AnchorCommand(const QString& path, const QString& anchor) const;

private:
    bool Launch(const TCommandLine& command, const std::function<void()>& failed);

    THandlerQuery FQuery;
    QStringList FDataDirs; // empty: DesktopDataDirs() at each call
    TLauncher FLauncher;
};

// Opens `path` at `anchor` in the HTML handler through the current document
// opener; false when nothing could be started.
bool OpenDocumentAtAnchor(const QString& path, const QString& anchor);
