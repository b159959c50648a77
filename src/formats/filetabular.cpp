// Chooses the reader for a workbook by what the file holds, not by its name: an OLE
// container is an .xls, a zip container with a workbook part an .xlsx and one with
// content.xml an .ods. Databases always go to the Access reader.
#include "tabular.h"

#include "base/error.h"
#include "tabularerrors.h"
#include "tabularreaders.h"
#include "zipreader.h"

#include <QFile>
#include <QFileInfo>

namespace ordovan::formats {

namespace {

const QByteArray kOleMagic = QByteArray::fromHex("d0cf11e0a1b11ae1");

bool isZipStart(const QByteArray &start)
{
    // A local file header, or the end record of an empty archive.
    return start.startsWith("PK\x03\x04") || start.startsWith("PK\x05\x06");
}

QByteArray fileStart(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!QFileInfo(path).exists())
            throw Error(tabular_errors::notFound(path), file.errorString());
        throw Error(tabular_errors::cannotOpen(path), file.errorString());
    }
    return file.read(8);
}

} // namespace

bool isContainerFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(8);
    return isZipStart(start) || start.startsWith(kOleMagic);
}

std::unique_ptr<TabularConnection> FileTabularProvider::connect(const QString &path,
                                                                TabularKind kind)
{
    if (kind == TabularKind::Database) {
        fileStart(path);
        return openAccessDatabase(path, m_limits);
    }
    const QByteArray start = fileStart(path);
    if (start.startsWith(kOleMagic))
        return openXlsWorkbook(path, m_limits);
    if (isZipStart(start)) {
        auto zip = std::make_shared<ZipArchive>(path);
        if (zip->contains(QStringLiteral("xl/workbook.xml")) ||
            zip->contains(QStringLiteral("_rels/.rels")))
            return openXlsxWorkbook(std::move(zip), m_limits);
        if (zip->contains(QStringLiteral("content.xml")))
            return openOdsWorkbook(std::move(zip), m_limits);
    }
    throw Error(tabular_errors::notAWorkbook(path));
}

} // namespace ordovan::formats
