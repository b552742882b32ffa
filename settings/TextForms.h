#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>

#include <optional>

// How numbers and truth values look in the store. The program writes plain
// decimal and True/False; it reads anything the user's locale accepts.
namespace TextForms {

QString formatInt(qint64 value); // -1, 0, 60: no leading zeros or blanks
QString formatBool(bool value);  // "True" / "False"
// Single-precision window coordinate in the user's number format, or in plain
// digits where that format does not read back (as in Arabic, whose minus sign
// carries a direction mark).
QString formatCoord(double value, const QLocale &locale = QLocale::system());

// Locale-aware number: the locale first, then the C locale, then the locale's
// form with plain digits, which reads what older copies wrote in any locale.
std::optional<double> parseNumber(const QString &text, const QLocale &locale = QLocale::system());
// Whole numbers: fractions go to the nearest integer, halves to even.
// nullopt for text that is not a number or does not fit the type.
std::optional<qint16> parseInt16(const QString &text);
std::optional<qint32> parseInt32(const QString &text);
// True/False in any letter case, or a number (0 false, anything else true).
std::optional<bool> parseBool(const QString &text);

// Banker's rounding, as the store's integer conversion does it.
double roundHalfEven(double value);

// "2.10.0000": major plain, minor at least two digits, revision at least four.
QString versionText(int major, int minor, int revision);

} // namespace TextForms
