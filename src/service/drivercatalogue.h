#pragma once
// The driver catalogue the pages use: the built-in one, or a newer one taken
// from the service and kept in the application data folder, so that it holds
// on later starts, offline too. A catalogue from the service is taken only
// when it passes CatalogueCheck and is newer than the one in use; anything
// else is logged with the reason and changes nothing.

#include "service/cataloguecheck.h"
#include "service/httphandler.h"

#include <QByteArray>
#include <QDate>
#include <QObject>
#include <QString>

class DriverCatalogue final : public QObject, public HttpHandler {
    Q_OBJECT

public:
    // builtInScript: the pages' catalogue script; folder: where a newer
    // catalogue is kept ("catalogue.json").
    DriverCatalogue(const QString &builtInScript, const QString &folder, QObject *parent = nullptr);

    // Reads the built-in catalogue's age and the kept catalogue, which is
    // used when it is still valid and not older than the built-in one.
    void load();
    // Asks the service for its catalogue; the answer arrives later.
    void fetch();

    // The catalogue taken from the service as it came, empty while the
    // built-in one holds; and the day it was taken.
    QByteArray updated() const { return m_updated; }
    QDate updatedOn() const { return m_updatedOn; }
    QString keptPath() const;

signals:
    // A newer catalogue has been taken and kept.
    void updatedChanged();

public slots:
    void handleHttpResponse(RequestName::Name name, const QByteArray &data) override;
    // Failures are logged, never shown: the catalogue in use stays.
    int handleHttpError(RequestName::Name name, QNetworkReply::NetworkError error,
                        const QString &errorMsg, QWidget *parent = nullptr) override;

private:
    void offer(const QByteArray &document);

    QString m_builtInScript;
    QString m_folder;
    bool m_loaded = false;
    bool m_floorKnown = false;
    CatalogueCheck::Age m_floor;
    // The catalogue in use, compact, to tell a newer one from the same.
    QByteArray m_current;
    CatalogueCheck::Age m_currentAge;
    QByteArray m_updated;
    QDate m_updatedOn;
};
