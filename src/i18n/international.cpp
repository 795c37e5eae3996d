#include "i18n/international.h"

#include "base/pageprotocol.h"

#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QSettings>
#include <QTranslator>

namespace {
// Whatever the region, only the Chinese sets are installed: the program's own
// texts are Chinese and serve as the translation keys.
const char *const kTranslationLanguage = "zh_CN.qm";

struct TranslationSet {
    const char *folder;
    const char *prefix;
};

const TranslationSet kTranslationSets[] = {
    {"languages", "lang_"},
    {"translations", "qt_"},
    {"plattheme", "plattheme_"},
};
} // namespace

International *International::instance()
{
    static International international;
    return &international;
}

International::International()
{
    // The translators are the application's to use: they go while it runs.
    if (const QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { m_translators.clear(); });
}

International::~International() = default;

void International::installTranslationsAndFont(const QString &appDir)
{
    const QString dir = appDir.isEmpty() ? QCoreApplication::applicationDirPath() : appDir;

    m_translators.clear();
    for (const TranslationSet &set : kTranslationSets) {
        const QString path =
            translationPath(dir, QString::fromLatin1(set.folder),
                            QString::fromLatin1(set.prefix) + QLatin1String(kTranslationLanguage));
        auto translator = std::make_unique<QTranslator>();
        // Empty (not null) delimiters and suffix: load exactly this file, never
        // a shortened or suffixed variant of its name.
        if (translator->load(path, QString(), QLatin1String(""), QLatin1String(""))) {
            QCoreApplication::installTranslator(translator.get());
            m_translators.push_back(std::move(translator));
        }
    }

    QFont font;
    font.setPointSize(13);
    font.setFamily(QStringLiteral("Microsoft YaHei"));
    QGuiApplication::setFont(font);
}

QLocale::Country International::country() const
{
    static_assert(QLocale::China == PageProtocol::kCountryChina,
                  "the pages know China by this number");
    return QLocale::China;
}

QString International::languageCode() const
{
    const QSettings region(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Aldmere"),
                           QStringLiteral("MorvaneKelvora"));
    // A value that is not a number reads as 0 and so falls to "en".
    switch (region.value(QStringLiteral("Country"), 0).toInt()) {
    case QLocale::China:
        return QStringLiteral("zh_cn");
    case QLocale::Japan:
        return QStringLiteral("jp-ja");
    case QLocale::Taiwan:
        return QStringLiteral("zh_tw");
    default:
        return QStringLiteral("en");
    }
}
