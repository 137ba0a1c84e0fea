#pragma once

#include <QString>

// Registry keys, the maker's contact values, the registered owner, special
// folders and e-mail routines. Key texts keep the registry's "\".

// The current user's base key of the program's brand; the start-up sets
// "Software\DEZ Uder\".
extern QString RegBase;
// The key the maker's programs share; never changed.
extern QString RegCommon;

// The maker's contact values (LoadContactInfo); the project window's enquiry
// may replace ContactEmail.
extern QString ContactCompany;
extern QString ContactDescription;
extern QString ContactLogo;
extern QString ContactAddr1;
extern QString ContactAddr2;
extern QString ContactCode;
extern QString ContactCountry;
extern QString ContactEmail;
extern QString ContactWeb;
extern QString ContactTel;
extern QString ContactFax;
extern QString ContactUser;

// The user's name and organisation as a sender's defaults (InitUserInfo).
extern QString RegOwner;
extern QString RegOrganization;

// A non-empty path gets a trailing "/" unless it ends in "/" or "\" already.
QString AddBackslash(const QString& path);
// The file name without folder ("/" or "\") and extension.
QString FileNameOnly(const QString& path);
// `text` made into one file name that stays in its folder: separators,
// control characters and the characters other systems refuse become "_", as
// does a leading "."; blanks at either end go. Empty text gives `fallback`.
QString SafeFileName(const QString& text, const QString& fallback);
// RegBase + the program's name: the key under which windows keep their
// placement. An empty `programFile` means the running program.
QString GetAppRegKey(const QString& programFile = QString());

// Reads the maker's contact values from the current user's key
// "Software\Vededudezar", each with the maker's own value as default.
void LoadContactInfo();

QString GetDesktopDir();
QString GetProgramFilesDir();
QString GetCommonFilesDir();
// The user's documents folder (not created). Raises Exception "Could not find
// My Documents folder location." when the desktop names none.
QString GetMyDocumentsDir();

// The user's full name from the password database; no organisation.
void GetRegisteredOwner(QString& owner, QString& organization);
// RegOwner and RegOrganization from GetRegisteredOwner.
void InitUserInfo();

// Whether `text` is a plain e-mail address: a local part of atoms joined by
// single dots or a quoted text, "@", and two or more domain labels of letters
// and digits with inner hyphens.
bool IsValidEmailAddress(const QString& text);
// The default mail account's address; the desktop keeps none for programs to
// read, so it is empty.
QString GetDefaultMailAddress();
