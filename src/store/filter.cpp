#include "filter.h"

#include "table.h"

#include "base/error.h"

namespace ordovan::store {

namespace {

// Names (letters, digits, "_" and "-" after the first), whole numbers with an optional
// minus, and the comparison operators. Anything else makes the expression invalid.
std::vector<QString> tokenize(const QString &text, bool &ok)
{
    std::vector<QString> tokens;
    ok = true;
    qsizetype i = 0;
    while (i < text.size()) {
        QChar c = text[i];
        if (c.isSpace()) {
            ++i;
        } else if (c.isLetter() || c == u'_') {
            qsizetype s = i;
            while (i < text.size() &&
                   (text[i].isLetterOrNumber() || text[i] == u'_' || text[i] == u'-'))
                ++i;
            tokens.push_back(text.mid(s, i - s));
        } else if (c.isDigit() || (c == u'-' && i + 1 < text.size() && text[i + 1].isDigit())) {
            qsizetype s = i++;
            while (i < text.size() && text[i].isDigit())
                ++i;
            tokens.push_back(text.mid(s, i - s));
        } else if (c == u'<' || c == u'>' || c == u'=') {
            qsizetype s = i++;
            if (i < text.size() && (text[i] == u'=' || (c == u'<' && text[i] == u'>')))
                ++i;
            tokens.push_back(text.mid(s, i - s));
        } else {
            ok = false;
            return {};
        }
    }
    return tokens;
}

} // namespace

RowFilter RowFilter::compile(const QString &expression, const FieldLookup &lookup,
                             int storedFieldCount, const QString &tableName)
{
    RowFilter parsed;
    if (expression.trimmed().isEmpty())
        return parsed;
    bool ok = false;
    const std::vector<QString> tokens = tokenize(expression, ok);
    size_t i = 0;
    auto bad = [&]() {
        return Error(
            QStringLiteral("%1: Ungültiger Filterausdruck: %2").arg(tableName, expression));
    };
    if (!ok)
        throw bad();
    while (true) {
        if (i + 3 > tokens.size())
            throw bad();
        const int f = lookup(tokens[i]);
        if (f < 0 || f >= storedFieldCount)
            throw bad();
        const QString &op = tokens[i + 1];
        Op o;
        if (op == u">")
            o = Op::Greater;
        else if (op == u">=")
            o = Op::GreaterEqual;
        else if (op == u"<")
            o = Op::Less;
        else if (op == u"<=")
            o = Op::LessEqual;
        else if (op == u"=")
            o = Op::Equal;
        else if (op == u"<>")
            o = Op::NotEqual;
        else
            throw bad();
        bool numOk = false;
        const qint64 v = tokens[i + 2].toLongLong(&numOk);
        if (!numOk)
            throw bad();
        parsed.m_conditions.push_back({f, o, v});
        i += 3;
        if (i == tokens.size())
            break;
        if (tokens[i].compare(u"and", Qt::CaseInsensitive) != 0)
            throw bad();
        ++i;
    }
    return parsed;
}

RowFilter RowFilter::matchingNothing()
{
    RowFilter f;
    f.m_matchesNothing = true;
    return f;
}

template<typename T>
bool RowFilter::compare(T x, Op op, T y)
{
    switch (op) {
    case Op::Less:
        return x < y;
    case Op::LessEqual:
        return x <= y;
    case Op::Greater:
        return x > y;
    case Op::GreaterEqual:
        return x >= y;
    case Op::Equal:
        return x == y;
    case Op::NotEqual:
        return x != y;
    }
    return false;
}

bool RowFilter::matches(const RowVersion &row, const QList<FieldDef> &fields) const
{
    if (m_matchesNothing)
        return false;
    for (const Condition &c : m_conditions) {
        const std::string_view cell = row.cell(c.field);
        if (cell.empty())
            return false;
        const FieldKind kind = fields[c.field].kind;
        bool ok = false;
        if (kind == FieldKind::Integer || kind == FieldKind::Date)
            ok = compare(qint64(cellInt32(cell)), c.op, c.value);
        else if (kind == FieldKind::Currency || kind == FieldKind::Float)
            ok = compare(cellDouble(cell), c.op, double(c.value));
        if (!ok)
            return false;
    }
    return true;
}

} // namespace ordovan::store
