#pragma once

#include "core/GameLibrary.h"

#include <QLocale>
#include <QString>
#include <QStringView>

// Whether searchText occurs in title, both lowered with the locale's case rules; blanks count like any
// other character.
[[nodiscard]] bool TitleMatches(QStringView title, QStringView searchText, const QLocale &locale);

// Narrows ShopList to the listed games whose title matches, in catalogue order, and returns the result
// line "Found N Games of T Available In Shop" (T: the listed games). Only titles are searched.
QString SearchShop(GameLibrary &library, const QString &searchText, const QLocale &locale = QLocale());
