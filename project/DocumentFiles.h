#pragma once

#include <QString>

// The files that give the report and the HTML documents the user's look.
// The program ships them in its "documents" folder and seeds the user's
// documents folder with them; the user's copies win. One spelling holds
// everywhere, and each is found in any letter case.
inline constexpr char LogoFileName[] = "Logo.gif";
inline constexpr char LetterheadFileName[] = "letterhead.txt";
inline constexpr char StyleFileName[] = "style.css";

// ExeDir + "documents/"; empty while ExeDir is not known.
QString ProgramDocumentsDir();

// The logo in `folder`, else in `programDocuments`: a PNG or JPEG picture
// "Logo.png", "Logo.jpg", "Logo.jpeg", else "Logo.gif", so that a user's own
// picture wins over the GIF the program seeded. Empty when neither folder
// holds one.
QString FindLogoFile(const QString& folder, const QString& programDocuments = ProgramDocumentsDir());
// "letterhead.txt" the same way.
QString FindLetterheadFile(const QString& folder, const QString& programDocuments = ProgramDocumentsDir());
