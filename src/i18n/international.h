#pragma once
// Keeper of language and region: installs the translations and the application
// font at start-up, tells the page which country to assume and the service
// which language to answer in.

#include <QLocale>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QTranslator;

class International final : public QObject {
    Q_OBJECT

public:
    static International *instance();

    // Installs the three translation sets found under appDir (the application
    // directory when empty), skipping missing files, and sets the application
    // font. Calling it again replaces the translators installed before.
    void installTranslationsAndFont(const QString &appDir = QString());

    // The page always assumes China.
    QLocale::Country country() const;

    // "zh_cn", "jp-ja", "zh_tw" or "en", from the region setting as it is now.
    QString languageCode() const;

    // Full path of one translation file: appDir, folder and file name joined
    // with the platform's separator.
    static QString translationPath(const QString &appDir, const QString &folder,
                                   const QString &fileName);

private:
    International();
    ~International() override;

    std::vector<std::unique_ptr<QTranslator>> m_translators;
};
