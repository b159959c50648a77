#pragma once

#include <QIdentityProxyModel>

class QFileDialog;

namespace ordovan::ui {

// The file list of Qt's own file dialog shows sizes and dates in the system's formats,
// which on an English or C system are "971 bytes" and "10 Dec 2026". This model in front
// of it shows them the German way ("971 Byte", "10.12.2026 04:49"), whatever the system.
class GermanFileList : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex &index, int role) const override;
};

// Size texts as the file list shows them: "971 Byte", "16,5 KB", "2,3 MB".
QString germanFileSize(qint64 bytes);

// Puts a GermanFileList in front of the dialog's list (Qt's own dialog; a desktop's native
// one formats by the desktop's language anyway).
void showGermanFileList(QFileDialog &dialog);

} // namespace ordovan::ui
