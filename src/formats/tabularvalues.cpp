#include "tabularvalues.h"

#include <cmath>

namespace ordovan::formats::tabular_values {

namespace {

QString twoDigits(int value)
{
    return QString::number(value).rightJustified(2, u'0');
}

QString dateText(const QDate &date)
{
    // Written by hand: years below 1000 keep four digits.
    return twoDigits(date.day()) + u'.' + twoDigits(date.month()) + u'.' +
           QString::number(date.year()).rightJustified(4, u'0');
}

const QDate kSerialEpoch(1899, 12, 30);

} // namespace

QString numberText(double value, int significantDigits)
{
    if (!std::isfinite(value))
        return {};
    if (value == 0)
        return QStringLiteral("0");
    QString s = QString::number(value, 'g', significantDigits);
    const qsizetype e = s.indexOf(u'e');
    if (e >= 0) {
        // "1.5e-05" -> "1,5E-5", "1e+15" -> "1E15"
        QString mantissa = s.left(e);
        const int exponent = s.mid(e + 1).toInt();
        s = mantissa + u'E' + QString::number(exponent);
    }
    s.replace(u'.', u',');
    return s;
}

QString decimalText(QStringView text)
{
    QStringView t = text.trimmed();
    if (t.isEmpty())
        return text.toString();
    qsizetype i = 0;
    QString sign;
    if (t[0] == u'-' || t[0] == u'+') {
        if (t[0] == u'-')
            sign = QStringLiteral("-");
        ++i;
    }
    QString whole, fraction;
    bool point = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == u'.' && !point) {
            point = true;
        } else if (c.isDigit() && c.unicode() < 128) {
            (point ? fraction : whole) += c;
        } else {
            // Exponents and anything else: through the double.
            bool ok = false;
            const double v = t.toDouble(&ok);
            return ok ? numberText(v) : text.toString();
        }
    }
    while (whole.size() > 1 && whole[0] == u'0')
        whole.remove(0, 1);
    while (!fraction.isEmpty() && fraction.back() == u'0')
        fraction.chop(1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    if (whole == u"0" && fraction.isEmpty())
        return QStringLiteral("0");
    return sign + whole + (fraction.isEmpty() ? QString() : u',' + fraction);
}

QString booleanText(bool value)
{
    return value ? QStringLiteral("WAHR") : QStringLiteral("FALSCH");
}

QString timeText(const QTime &time)
{
    return twoDigits(time.hour()) + u':' + twoDigits(time.minute()) + u':' +
           twoDigits(time.second());
}

QString dateTimeText(const QDate &date, const QTime &time)
{
    const bool midnight = !time.isValid() || time == QTime(0, 0);
    if (!date.isValid())
        return time.isValid() ? timeText(time) : QString();
    return midnight ? dateText(date) : dateText(date) + u' ' + timeText(time);
}

QString serialDateTimeText(double serial)
{
    if (!std::isfinite(serial) || std::fabs(serial) > 3e6)
        return numberText(serial);
    // Serial dates before the epoch keep a positive time: -1.25 is 29.12.1899 06:00.
    double days = std::trunc(serial);
    qint64 ms = qint64(std::llround(std::fabs(serial - days) * 86400000.0));
    // Whole seconds, as the data layer shows them; a time rounding up to midnight moves on.
    qint64 seconds = (ms + 500) / 1000;
    if (seconds >= 86400) {
        seconds -= 86400;
        days += 1;
    }
    const QTime time = QTime(0, 0).addSecs(int(seconds));
    if (days == 0 && serial >= 0 && seconds > 0)
        return timeText(time);
    return dateTimeText(kSerialEpoch.addDays(qint64(days)), time);
}

QString isoDateTimeText(QStringView text)
{
    const QStringView t = text.trimmed();
    const auto parseDate = [](QStringView d) {
        return d.size() >= 10 ? QDate::fromString(d.left(10).toString(), Qt::ISODate) : QDate();
    };
    const auto parseTime = [](QStringView s) {
        // "14:30:05", "14:30:05.250", "14:30"
        QStringView hms = s;
        const qsizetype dot = hms.indexOf(u'.');
        double fraction = 0;
        if (dot >= 0) {
            fraction = hms.mid(dot).toString().prepend(u'0').toDouble();
            hms = hms.left(dot);
        }
        QTime tm = QTime::fromString(hms.toString(), hms.size() == 5 ? QStringLiteral("HH:mm")
                                                                     : QStringLiteral("HH:mm:ss"));
        if (tm.isValid() && fraction >= 0.5)
            tm = tm.addSecs(1);
        return tm;
    };
    if (t.size() >= 10 && t[4] == u'-' && t[7] == u'-') {
        const QDate date = parseDate(t);
        if (!date.isValid())
            return text.toString();
        if (t.size() == 10)
            return dateTimeText(date, QTime(0, 0));
        if (t[10] != u'T' && t[10] != u' ')
            return text.toString();
        QStringView rest = t.mid(11);
        // Time zone suffixes say nothing the user needs here.
        if (rest.endsWith(u'Z'))
            rest.chop(1);
        const QTime time = parseTime(rest);
        return time.isValid() ? dateTimeText(date, time) : text.toString();
    }
    const QTime time = parseTime(t);
    return time.isValid() ? timeText(time) : text.toString();
}

QString isoDurationText(QStringView text)
{
    // PnDTnHnMnS, the form spreadsheets store a time of day in.
    QStringView t = text.trimmed();
    bool negative = false;
    if (t.startsWith(u'-')) {
        negative = true;
        t = t.mid(1);
    }
    if (!t.startsWith(u'P'))
        return text.toString();
    double seconds = 0;
    bool inTime = false;
    QString number;
    for (qsizetype i = 1; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == u'T') {
            inTime = true;
        } else if (c.isDigit() || c == u'.' || c == u',') {
            number += c == u',' ? QChar(u'.') : c;
        } else {
            bool ok = false;
            const double v = number.toDouble(&ok);
            if (!ok)
                return text.toString();
            number.clear();
            if (c == u'D' && !inTime)
                seconds += v * 86400;
            else if (c == u'H' && inTime)
                seconds += v * 3600;
            else if (c == u'M' && inTime)
                seconds += v * 60;
            else if (c == u'S' && inTime)
                seconds += v;
            else
                return text.toString();
        }
    }
    if (!number.isEmpty())
        return text.toString();
    return serialDateTimeText((negative ? -seconds : seconds) / 86400.0);
}

int findTableName(const QStringList &names, const QString &wanted)
{
    int index = int(names.indexOf(wanted));
    if (index >= 0)
        return index;
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    QString jet = wanted;
    if (jet.size() >= 2 && jet.startsWith(u'\'') && jet.endsWith(u'\''))
        jet = jet.mid(1, jet.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    if (jet.endsWith(u'$'))
        jet.chop(1);
    if (jet == wanted || jet.isEmpty())
        return -1;
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].compare(jet, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace ordovan::formats::tabular_values
