#pragma once

#include "cellcodec.h"

#include <QList>
#include <QString>

#include <functional>
#include <vector>

namespace ordovan::store {

class RowVersion;

// The filter language of the tables: comparisons of stored number fields with whole numbers,
// joined by "and": "ID > 5", "ID >= 3 and ID <=9", "ID=0". Compiled once against a field
// list; evaluated for every row version while the view is built.
class RowFilter
{
public:
    // Resolves a field name to its position (-1 when unknown); only stored fields qualify.
    using FieldLookup = std::function<int(QStringView)>;

    // Throws Error naming the table for anything the language does not have. An empty or
    // blank expression compiles to a filter without conditions.
    static RowFilter compile(const QString &expression, const FieldLookup &lookup,
                             int storedFieldCount, const QString &tableName);
    // A filter for a field list that lacks a field the expression names: it hides every row
    // rather than showing rows it was meant to hide.
    static RowFilter matchingNothing();

    bool hasConditions() const { return !m_conditions.empty(); }
    // Null cells and text fields never pass; floats compare with the number as a double.
    bool matches(const RowVersion &row, const QList<FieldDef> &fields) const;

private:
    enum class Op
    {
        Less,
        LessEqual,
        Greater,
        GreaterEqual,
        Equal,
        NotEqual
    };
    struct Condition
    {
        int field;
        Op op;
        qint64 value;
    };

    template<typename T>
    static bool compare(T x, Op op, T y);

    std::vector<Condition> m_conditions;
    bool m_matchesNothing = false;
};

} // namespace ordovan::store
