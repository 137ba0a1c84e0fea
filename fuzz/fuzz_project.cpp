// Project files from anywhere: loading must never crash, and a project that
// loaded saves and loads again.
#include "ProjectClass.h"
#include "TxPlatform.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

class TSilentMessages : public IMessageService {
public:
    void ShowMessage(const QString&) override {}
    void ShowError(const QString&) override {}
    void Beep() override {}
};

const QTemporaryDir& Scratch()
{
    static auto* dir = new QTemporaryDir;
    return *dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TSilentMessages silent;
    SetMessageService(&silent);

    const QString input = Scratch().filePath(QStringLiteral("input.pxf"));
    {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }

    TProject project;
    if (!project.LoadFromFile(input))
        return 0;
    TAncillaryMatrix matrix;
    project.GetAncillaryMatrix(matrix);

    const QString output = Scratch().filePath(QStringLiteral("output.pxf"));
    if (!project.SaveToFile(output))
        std::abort();
    TProject again;
    if (!again.LoadFromFile(output) || again.ItemCount() != project.ItemCount())
        std::abort();
    return 0;
}
