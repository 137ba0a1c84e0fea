#pragma once

#include <QApplication>
#include <QString>

#include <functional>

// The start-up of the program: the values set before anything else, the
// guard every event handler runs in, and the start-up sequence itself.

// The program's title: the caption of its message and error boxes.
inline constexpr char ApplicationTitleText[] = "Vozudarizazi";

// RegBase "Software\DEZ Uder\", DataFolder "DEZ Uder\Reruror\" and the
// process's number format.
void InitPreMain();
// Numbers use "." for decimals and "," for thousands whatever the user's
// locale says: the C locale for the C library and for QLocale's default.
void SetNumberSeparators();

// The text of an error box: the message, with "." appended when its last
// character sorts after ".".
QString ErrorBoxText(const QString& message);
// Shows an error that escaped a handler in the standard error box.
void ShowHandlerError(const QString& message);
// Runs a handler; an error escaping it is shown in the standard error box
// and the program goes on. Returns false when one was caught.
bool RunGuarded(const std::function<void()>& handler);

// The application object: an error that escapes an event handler is shown
// and the event loop goes on.
class TVozApplication : public QApplication {
    Q_OBJECT
public:
    TVozApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Copies the default logo, letterhead and style sheet of `programDocuments`
// into `userDataDir` where they are missing (the logo where the folder has
// no logo of any kind); the report and the HTML documents read them there.
// Returns the names copied.
QStringList SeedUserDocuments(const QString& programDocuments, const QString& userDataDir);

// The start-up after the application object exists. `initPaths` works out
// the application paths (raising when the documents folder has no
// location); tests give their own.
struct TStartupOptions {
    std::function<void()> InitPaths;
    // Runs the event loop until the main window closes; tests leave it.
    bool RunEventLoop = true;
    // Called with the main window once the windows exist; for tests.
    std::function<void(class TMainForm&)> OnWindowsCreated;
};
// Runs the start-up in its fixed order, creates the windows and runs the
// loop. A start-up error is shown and ends the program before any window
// exists (result 1).
int RunVozudarizazi(const TStartupOptions& options);
