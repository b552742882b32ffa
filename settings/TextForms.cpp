#include "TextForms.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace TextForms {

namespace {

template <typename Int> std::optional<Int> parseWhole(const QString &text) {
    const std::optional<double> number = parseNumber(text);
    if (!number)
        return std::nullopt;
    const double whole = roundHalfEven(*number);
    if (whole < double(std::numeric_limits<Int>::min()) ||
        whole > double(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return Int(whole);
}

// The locale's form, where the locale cannot read it back itself (Arabic puts
// a direction mark before the minus sign), made plain: marks and group
// separators dropped, its digits and decimal point turned into ASCII ones.
QString plainDigits(const QString &text, const QLocale &locale) {
    QString plain;
    for (const QChar c : text) {
        if (c.category() == QChar::Number_DecimalDigit)
            plain += QChar(u'0' + c.digitValue());
        else if (c.category() != QChar::Other_Format)
            plain += c;
    }
    return plain.remove(locale.groupSeparator())
        .replace(locale.decimalPoint(), QStringLiteral("."));
}

} // namespace

QString formatInt(qint64 value) {
    return QString::number(value);
}

QString formatBool(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString formatCoord(double value, const QLocale &locale) {
    // Seven significant digits is all a single-precision number holds; group
    // separators would only make the text harder to read back in another locale.
    const float single = float(value);
    QLocale ungrouped = locale;
    ungrouped.setNumberOptions(QLocale::OmitGroupSeparator);
    const QString text = ungrouped.toString(double(single), 'g', 7);
    // Older copies read the locale's own form and plain digits only.
    bool ok = false;
    if (float(locale.toDouble(text, &ok)) == single && ok)
        return text;
    return QLocale::c().toString(double(single), 'g', 7);
}

std::optional<double> parseNumber(const QString &text, const QLocale &locale) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    double value = locale.toDouble(trimmed, &ok);
    // The C locale second, so that a store written under another number format
    // (or edited by hand with a decimal point) still reads.
    if (!ok)
        value = QLocale::c().toDouble(trimmed, &ok);
    if (!ok)
        value = QLocale::c().toDouble(plainDigits(trimmed, locale), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint16> parseInt16(const QString &text) {
    return parseWhole<qint16>(text);
}

std::optional<qint32> parseInt32(const QString &text) {
    return parseWhole<qint32>(text);
}

std::optional<bool> parseBool(const QString &text) {
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    const std::optional<double> number = parseNumber(trimmed);
    if (!number)
        return std::nullopt;
    return *number != 0.0;
}

double roundHalfEven(double value) {
    if (!std::isfinite(value))
        return value;
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5)
        return below;
    if (fraction > 0.5)
        return below + 1.0;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

QString versionText(int major, int minor, int revision) {
    return QStringLiteral("%1.%2.%3")
        .arg(major)
        .arg(minor, 2, 10, QLatin1Char('0'))
        .arg(revision, 4, 10, QLatin1Char('0'));
}

} // namespace TextForms
