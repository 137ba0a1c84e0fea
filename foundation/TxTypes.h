#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// Growable arrays of texts and numbers, and a matrix of texts (rows of cells).
using TStringDynArray = QStringList;
using TDoubleDynArray = std::vector<double>;
using TStrMat = std::vector<TStringDynArray>;
