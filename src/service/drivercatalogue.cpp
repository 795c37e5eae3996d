#include "service/drivercatalogue.h"

#include "base/cataloguescript.h"
#include "base/logcategories.h"
#include "service/networkhelper.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>

namespace {

QByteArray readFile(const QString &path, qint64 limit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(limit);
}

QByteArray compact(const QJsonObject &catalogue)
{
    return QJsonDocument(catalogue).toJson(QJsonDocument::Compact);
}

} // namespace

DriverCatalogue::DriverCatalogue(const QString &builtInScript, const QString &folder,
                                 QObject *parent)
    : QObject(parent), m_builtInScript(builtInScript), m_folder(folder)
{
}

QString DriverCatalogue::keptPath() const
{
    return m_folder + QStringLiteral("/catalogue.json");
}

void DriverCatalogue::load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    // The built-in catalogue is checked by the same rules, against nothing.
    const CatalogueCheck::Verdict builtIn = CatalogueCheck::check(
        CatalogueScript::documentOf(readFile(m_builtInScript, 4 * CatalogueCheck::kMaxBytes)),
        CatalogueCheck::Age());
    if (!builtIn.taken()) {
        qCWarning(lcService) << "driver catalogue: the built-in one in" << m_builtInScript
                             << "cannot be read:" << builtIn.refusal << "- no other is taken";
        return;
    }
    m_floorKnown = true;
    m_floor = CatalogueCheck::ageOf(builtIn.catalogue);
    m_current = compact(builtIn.catalogue);
    m_currentAge = m_floor;

    const QString path = keptPath();
    if (!QFileInfo::exists(path))
        return;
    const QByteArray kept = readFile(path, CatalogueCheck::kMaxBytes + 1);
    const CatalogueCheck::Verdict verdict = CatalogueCheck::check(kept, m_floor);
    if (!verdict.taken()) {
        qCWarning(lcService) << "driver catalogue: the kept one in" << path
                             << "is not used:" << verdict.refusal;
        return;
    }
    const QByteArray keptCompact = compact(verdict.catalogue);
    if (keptCompact == m_current)
        return;
    m_current = keptCompact;
    m_currentAge = CatalogueCheck::ageOf(verdict.catalogue);
    m_updated = kept;
    m_updatedOn = QFileInfo(path).lastModified().date();
}

void DriverCatalogue::fetch()
{
    NetworkHelper::instance()->queryCatalogue(this);
}

void DriverCatalogue::handleHttpResponse(RequestName::Name name, const QByteArray &data)
{
    if (name == RequestName::Catalogue)
        offer(data);
}

int DriverCatalogue::handleHttpError(RequestName::Name name, QNetworkReply::NetworkError error,
                                     const QString &errorMsg, QWidget *)
{
    qCWarning(lcService) << "driver catalogue: request" << name << "failed:" << error << errorMsg
                         << "- the catalogue in use stays";
    return 0;
}

void DriverCatalogue::offer(const QByteArray &document)
{
    load();
    if (!m_floorKnown) {
        qCWarning(lcService)
            << "driver catalogue: the service's is refused: there is no built-in one to "
               "check it against";
        return;
    }
    const CatalogueCheck::Verdict verdict = CatalogueCheck::check(document, m_floor);
    if (!verdict.taken()) {
        qCWarning(lcService) << "driver catalogue: the service's is refused:" << verdict.refusal;
        return;
    }
    const CatalogueCheck::Age age = CatalogueCheck::ageOf(verdict.catalogue);
    const QString older = CatalogueCheck::olderPart(age, m_currentAge);
    if (!older.isEmpty()) {
        qCWarning(lcService)
            << "driver catalogue: the service's is refused, older than the one in use:" << older;
        return;
    }
    const QByteArray taken = compact(verdict.catalogue);
    if (taken == m_current) {
        qCDebug(lcService) << "driver catalogue: the service's is the one in use";
        return;
    }

    // Written whole or not at all: a failure leaves the kept one as it was.
    QDir().mkpath(m_folder);
    QSaveFile file(keptPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(document) != document.size() ||
        !file.commit()) {
        qCWarning(lcService) << "driver catalogue: cannot keep the service's in" << keptPath()
                             << ":" << file.errorString();
        return;
    }
    m_current = taken;
    m_currentAge = age;
    m_updated = document;
    m_updatedOn = QDate::currentDate();
    qCInfo(lcService) << "driver catalogue: took the service's of" << age.date << "with PCI id list"
                      << age.pciIds;
    emit updatedChanged();
}
