#pragma once

#include "testutil.h"

#include <QFile>
#include <QString>

#include <gtest/gtest.h>

// Schema validation of SEPA files against the official ISO 20022 schemas of the shared
// fixtures, when they (and xmllint) are there; otherwise the step is left out.
namespace ordovan::test {

// The complaints of xmllint about the file, empty when it is valid or cannot be checked.
inline QString schemaComplaints(const QString &xmlPath, const QString &messageVersion)
{
    const QString dir = sharedFixtures(QStringLiteral("xsd"));
    if (dir.isEmpty())
        return {};
    const QString xsd = dir + u'/' + messageVersion + QStringLiteral(".xsd");
    if (!QFile::exists(xsd))
        return {};
    const QString result = validateWithSchema(xmlPath, xsd);
    return result == u"skip" ? QString() : result;
}

inline bool schemasAvailable()
{
    return !sharedFixtures(QStringLiteral("xsd")).isEmpty();
}

} // namespace ordovan::test

#define EXPECT_SCHEMA_VALID(path, version)                                                         \
    EXPECT_EQ(ordovan::test::schemaComplaints(path, version).toStdString(), std::string())
