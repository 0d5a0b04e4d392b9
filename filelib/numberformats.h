// Shared number formatters and human-readable sizes.
#pragma once

#include <QString>

namespace filelib {

/// Renders numbers after a pattern of up to three sections separated by ";": positive numbers,
/// zero, negative numbers. Two sections are positive and negative; a missing zero section
/// falls back to the positive one, a missing negative one to "-" before the positive one; an
/// empty pattern is "#". In the
/// number part of a section "," marks groups (of as many digits as follow the last ","), "." the
/// decimal point, "0" a digit that is always shown and "#" one that may be left out; text before
/// and after it is copied, "-" as the locale's minus sign. Separators, digits and the minus sign
/// are those of the default QLocale at the time of formatting. A value that rounds to 0 at the
/// shown precision takes the zero section; one below 1 keeps a 0 before its decimal point (0.5, not
/// .5).
class NumberFormatter {
public:
    /// allowsFractions false rounds every value to a whole number, whatever the pattern says.
    explicit NumberFormatter(const QString &format, bool allowsFractions = true);

    QString format() const { return m_format; }
    bool allowsFractions() const { return m_allowsFractions; }

    /// value rendered after the pattern; NaN and infinities in the locale's own words.
    QString stringFromNumber(double value) const;
    /// Exact for every 64-bit integer (no rounding through a double).
    QString stringFromNumber(qint64 value) const;
    QString stringFromNumber(quint64 value) const;

    QString stringForInt(int value) const { return stringFromNumber(qint64(value)); }
    QString stringForInteger(qint64 value) const { return stringFromNumber(value); }
    QString stringForFloat(float value) const { return stringFromNumber(double(value)); }

private:
    struct Section {
        QString prefix, suffix;
        bool hasNumber = false; // a section of text alone shows no digits
        int groupSize = 0;      // 0: no grouping
        int minimumIntegerDigits = 0;
        int minimumFractionDigits = 0;
        int maximumFractionDigits = 0;
    };
    static Section parseSection(const QString &text);
    QString render(const Section &section, QString integerDigits, QString fractionDigits) const;

    QString m_format;
    bool m_allowsFractions;
    Section m_positive, m_zero, m_negative;
};

/// The shared integer formatter, "#,###;0;-#,###", fractions not allowed; created on first use.
const NumberFormatter &intFormatter();
/// The same formatter as intFormatter().
const NumberFormatter &integerFormatter();
/// The shared float formatter, "#,###.##;0;-#,###.##".
const NumberFormatter &floatFormatter();

/// value formatted by the shared integer formatter: 1234567 gives "1,234,567" in English.
QString stringForInt(int value);
QString stringForInteger(qint64 value);
/// value formatted by the shared float formatter: 1234.5f gives "1.234,5" in German.
QString stringForFloat(float value);

/// size in bytes for people: below 1024 "%d bytes", else the count scaled (in single precision)
/// to the largest of KB, MB, GB, TB (powers of 1024) that it reaches, with at most one fraction
/// digit, grouped, in "%@ KB" and the like. The unit formats are looked up with
/// localizedString(), so 1536 gives "1.5 KB" in English and "1,5 KB" in German; "%d bytes" is
/// not, so 512 gives "512 bytes" everywhere.
QString stringForSize(quint64 size);

} // namespace filelib
