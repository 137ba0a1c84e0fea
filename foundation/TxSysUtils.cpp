#include "TxSysUtils.h"

#include "TxApplicationPath.h"
#include "TxErrors.h"
#include "TxRegistry.h"
#include "TxString.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

QString RegBase = QStringLiteral("Software\\Vededudezar\\");
QString RegCommon = QStringLiteral("Software\\Vededudezar\\Common\\");

QString ContactCompany;
QString ContactDescription;
QString ContactLogo;
QString ContactAddr1;
QString ContactAddr2;
QString ContactCode;
QString ContactCountry;
QString ContactEmail;
QString ContactWeb;
QString ContactTel;
QString ContactFax;
QString ContactUser;

QString RegOwner;
QString RegOrganization;

namespace {

bool IsSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

bool IsAsciiLetter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsAsciiLetterOrDigit(unsigned char c)
{
    return IsAsciiLetter(c) || (c >= '0' && c <= '9');
}

bool IsAtomChar(unsigned char c)
{
    if (IsAsciiLetterOrDigit(c) || c >= 128)
        return true;
    return c == 33 || (c >= 35 && c <= 39) || c == 42 || c == 43 || c == 45 || c == 61 || c == 63 ||
           (c >= 94 && c <= 96) || (c >= 123 && c <= 126);
}

// The passwd entry's GECOS field of the current user, empty when there is none.
QByteArray CurrentUserGecos()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0)
        size = 16384;
    std::vector<char> buffer(static_cast<size_t>(size));
    passwd entry{};
    passwd* found = nullptr;
    for (;;) {
        const int rc = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (rc == ERANGE && buffer.size() < 1024 * 1024) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (rc != 0 || !found || !found->pw_gecos)
            return {};
        return QByteArray(found->pw_gecos);
    }
}

} // namespace

QString AddBackslash(const QString& path)
{
    if (path.isEmpty() || IsSeparator(path.back()))
        return path;
    return path + QLatin1Char('/');
}

QString FileNameOnly(const QString& path)
{
    qsizetype start = path.size();
    while (start > 0 && !IsSeparator(path[start - 1]))
        --start;
    const QString name = path.mid(start);
    // A leading dot names a hidden file, not an extension.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

QString SafeFileName(const QString& text, const QString& fallback)
{
    QString name = text.trimmed();
    for (QChar& c : name) {
        if (c.category() == QChar::Other_Control || QStringView(u"/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    }
    if (name.startsWith(QLatin1Char('.')))
        name[0] = QLatin1Char('_');
    return name.isEmpty() ? fallback : name;
}

QString GetAppRegKey(const QString& programFile)
{
    QString name;
    if (!programFile.isEmpty())
        name = FileNameOnly(programFile);
    else if (!AppName.isEmpty())
        name = AppName;
    else
        name = FileNameOnly(QCoreApplication::applicationFilePath());
    return RegBase + name;
}

void LoadContactInfo()
{
    // Placeholder contact data of the maker, used until the maker's key holds
    // its own.
    const QString tel = QStringLiteral("+00 00 000 0000");
    const TRegistryIniFile reg(QStringLiteral("Software\\"));
    const QString section = QStringLiteral("Vededudezar");
    auto read = [&](const char* key, const QString& def) { return reg.ReadString(section, QLatin1String(key), def); };
    ContactCompany = read("company", QStringLiteral("Vededudezar"));
    ContactDescription = read("description", QStringLiteral("Duct silencers and noise control"));
    ContactLogo = read("logo", GetCommonFilesDir() + QStringLiteral("Vededudezar/ReportLogo.gif"));
    ContactAddr1 = read("addr1", QStringLiteral("1 Example Street"));
    ContactAddr2 = read("addr2", QStringLiteral("Example Town"));
    ContactCode = read("code", QStringLiteral("0000"));
    ContactCountry = read("country", QStringLiteral("Example Country"));
    ContactEmail = read("email", QStringLiteral("info@example.com"));
    ContactWeb = read("web", QStringLiteral("www.example.com"));
    ContactTel = read("tel", tel);
    ContactFax = read("fax", tel);
    ContactUser = read("user", QString());
}

QString GetDesktopDir()
{
    return AddBackslash(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
}

QString GetProgramFilesDir()
{
    return QStringLiteral("/opt/");
}

QString GetCommonFilesDir()
{
    return QStringLiteral("/usr/share/");
}

QString GetMyDocumentsDir()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty())
        throw Exception(QStringLiteral("Could not find My Documents folder location."));
    return dir;
}

void GetRegisteredOwner(QString& owner, QString& organization)
{
    const QByteArray gecos = CurrentUserGecos();
    const qsizetype comma = gecos.indexOf(',');
    owner = Trim(DecodeText(comma >= 0 ? gecos.left(comma) : gecos));
    organization.clear();
}

void InitUserInfo()
{
    GetRegisteredOwner(RegOwner, RegOrganization);
}

bool IsValidEmailAddress(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    int state = 0;
    int labels = 1;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        switch (state) {
        case 0: // start
        case 5: // after a dot in the local part
            if (IsAtomChar(c))
                state = 1;
            else if (c == '"')
                state = 2;
            else
                return false;
            break;
        case 1: // in an atom
            if (c == '@')
                state = 6;
            else if (c == '.')
                state = 5;
            else if (!IsAtomChar(c))
                return false;
            break;
        case 2: // inside quotes
            if (c == '\\')
                state = 3;
            else if (c == '"')
                state = 4;
            else if (c == 13)
                return false;
            break;
        case 3: // escaped character
            state = 2;
            break;
        case 4: // after the closing quote
            if (c == '@')
                state = 6;
            else if (c == '.')
                state = 5;
            else
                return false;
            break;
        case 6: // start of a domain label, which may begin with a digit
            if (!IsAsciiLetterOrDigit(c))
                return false;
            state = 7;
            break;
        case 7: // in a domain label
            if (c == '.') {
                state = 6;
                ++labels;
            } else if (c == '-') {
                state = 8;
            } else if (!IsAsciiLetterOrDigit(c)) {
                return false;
            }
            break;
        case 8: // after a hyphen
            if (IsAsciiLetterOrDigit(c))
                state = 7;
            else if (c != '-')
                return false;
            break;
        default:
            return false;
        }
    }
    return state == 7 && labels >= 2;
}

QString GetDefaultMailAddress()
{
    return QString();
}
