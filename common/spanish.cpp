#include "spanish.hpp"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace glifora {

namespace {

// The file dialog's own model seen through the program's locale: the size
// and date columns, and a folder's type, are written again; everything else
// passes unchanged.
class SpanishFileDetails : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || !index.isValid())
            return QIdentityProxyModel::data(index, role);
        const QModelIndex file = mapToSource(index);
        switch (index.column()) {
        case kSizeColumn:
            return files->isDir(file) ? QString() : QLocale().formattedDataSize(files->size(file));
        case kTypeColumn:
            // Qt's translations leave a folder's type in English.
            return files->isDir(file)
                ? QCoreApplication::translate("glifora::SpanishFileDetails", "Carpeta")
                : QIdentityProxyModel::data(index, role);
        case kDateColumn:
            return QLocale().toString(files->lastModified(file), QLocale::ShortFormat);
        default:
            return QIdentityProxyModel::data(index, role);
        }
    }

private:
    // QFileSystemModel's columns: name, size, type, date modified.
    static constexpr int kSizeColumn = 1;
    static constexpr int kTypeColumn = 2;
    static constexpr int kDateColumn = 3;
};

} // namespace

bool installSpanishTranslation(QCoreApplication& app)
{
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    QLocale::setDefault(spanish);

    auto* translator = new QTranslator(&app);
    if (!translator->load(spanish, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

void useSpanishFileDetails(QFileDialog& dialog)
{
    dialog.setProxyModel(new SpanishFileDetails(&dialog));
}

}  // namespace glifora
