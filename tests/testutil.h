#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Helpers shared by the tests.
namespace ordovan::test {

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);
// The folder of the shared fixtures (ISO schemas, sample databases), or empty when absent.
QString sharedFixtures(const QString &sub);
// Validates an XML file against a schema with xmllint; returns its complaints, empty when
// valid. A missing xmllint or schema is a complaint.
QString validateWithSchema(const QString &xmlPath, const QString &xsdPath);

} // namespace ordovan::test
