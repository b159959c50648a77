#pragma once

#include <QString>

#include <gtest/gtest.h>

// Schema validation of SEPA files: every file is checked against the ISO 20022 schema of its
// message and against the German banks' validation subset of its generation, both copied into
// tests/data/xsd. A missing xmllint or schema is a complaint, never a silent pass.
namespace ordovan::test {

// The message version the file declares ("pain.008.001.08"), empty when it has none.
QString declaredMessageVersion(const QString &xmlPath);

// The complaints about the file, empty when it is valid against both schemas. With a
// message version given, a file declaring another version is a complaint too.
QString schemaComplaints(const QString &xmlPath, const QString &messageVersion = QString());

} // namespace ordovan::test

#define EXPECT_SCHEMA_VALID(path, version)                                                         \
    EXPECT_EQ(ordovan::test::schemaComplaints(path, version).toStdString(), std::string())
