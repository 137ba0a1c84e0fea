// The program's entry point.
#include "PreMain.h"
#include "TxPlatform.h"
#include "TxShell.h"
#include "main.h"

#include <QIcon>

int main(int argc, char* argv[])
{
    TVozApplication app(argc, argv);
    // Numbers in files and on screen never follow the user's locale.
    SetNumberSeparators();
    InitMainResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vozudarizazi.png")));

    TMessageBoxService messages;
    SetMessageService(&messages);
    TShellDocumentOpener opener;
    SetDocumentOpener(&opener);

    const int result = RunVozudarizazi(TStartupOptions());
    SetDocumentOpener(nullptr);
    SetMessageService(nullptr);
    return result;
}
