#include "i18n/international.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QString translated(const char *source)
{
    return QCoreApplication::translate("QObject", source);
}

// Copies the compiled translation set to folder/target under dir.
bool place(const QDir &dir, const QString &set, const QString &folder, const QString &target)
{
    return dir.mkpath(folder) && QFile::copy(QStringLiteral(TST_QM_DIR "/%1_zh_CN.qm").arg(set),
                                             dir.filePath(folder + QLatin1Char('/') + target));
}
} // namespace

class tst_I18n final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void translationsFound_data();
    void translationsFound();
    void qtTextsFromTheSystem();
    void languageCode_data();
    void languageCode();

private:
    QTemporaryDir m_config;
};

void tst_I18n::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
}

void tst_I18n::cleanup()
{
    QGuiApplication::setFont(QFont());
}

void tst_I18n::translationsFound_data()
{
    QTest::addColumn<QStringList>("present"); // set:file pairs placed in their folders
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QStringList>("loaded");

    const QStringList all{"lang", "qt", "plattheme"};
    // The set installed last answers first.
    QTest::newRow("all three") << QStringList{"lang:lang_zh_CN.qm", "qt:qt_zh_CN.qm",
                                              "plattheme:plattheme_zh_CN.qm"}
                               << "Notice from plattheme" << all;
    QTest::newRow("without the last") << QStringList{"lang:lang_zh_CN.qm", "qt:qt_zh_CN.qm"}
                                      << "Notice from qt" << QStringList{"lang", "qt"};
    QTest::newRow("only the first")
        << QStringList{"lang:lang_zh_CN.qm"} << "Notice from lang" << QStringList{"lang"};
    QTest::newRow("none") << QStringList() << "提示" << QStringList();
    // Only the exact zh_CN file names count.
    QTest::newRow("near names") << QStringList{"lang:lang_zh.qm", "lang:lang_zh_CN.qm.qm",
                                               "qt:qt.qm", "plattheme:plattheme_zh_CN"}
                                << "提示" << QStringList();
}

void tst_I18n::translationsFound()
{
    QFETCH(QStringList, present);
    QFETCH(QString, notice);
    QFETCH(QStringList, loaded);

    static const QHash<QString, QString> folders{
        {"lang", "languages"}, {"qt", "translations"}, {"plattheme", "plattheme"}};
    QTemporaryDir appDir;
    for (const QString &entry : present) {
        const QString set = entry.section(':', 0, 0);
        QVERIFY(place(QDir(appDir.path()), set, folders.value(set), entry.section(':', 1)));
    }

    International::instance()->installTranslationsAndFont(appDir.path());

    QCOMPARE(translated("提示"), notice);
    QCOMPARE(translated("语言"), loaded.contains("lang") ? "Language" : "语言");
    QCOMPARE(translated("工具包"), loaded.contains("qt") ? "Toolkit" : "工具包");
    QCOMPARE(translated("主题"), loaded.contains("plattheme") ? "Theme" : "主题");
    QCOMPARE(QGuiApplication::font().family(), QStringLiteral("Microsoft YaHei"));
    QCOMPARE(QGuiApplication::font().pointSize(), 13);
}

void tst_I18n::qtTextsFromTheSystem()
{
    // Nothing beside the program, as when it is installed from the package.
    const QString system = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
    if (!QFileInfo::exists(system + QStringLiteral("/qt_zh_CN.qm")))
        QSKIP("Qt's Chinese texts are not installed (Debian package qttranslations5-l10n)");
    QTemporaryDir appDir;
    International::instance()->installTranslationsAndFont(appDir.path());
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
}

void tst_I18n::languageCode_data()
{
    QTest::addColumn<QVariant>("country");
    QTest::addColumn<QString>("code");
    QTest::newRow("absent") << QVariant() << "en";
    QTest::newRow("China") << QVariant(44) << "zh_cn";
    QTest::newRow("Japan") << QVariant(108) << "jp-ja";
    QTest::newRow("Taiwan") << QVariant(208) << "zh_tw";
    QTest::newRow("Japan as text") << QVariant("108") << "jp-ja";
    QTest::newRow("Germany") << QVariant(82) << "en";
    QTest::newRow("not a number") << QVariant("China") << "en";
}

void tst_I18n::languageCode()
{
    QFETCH(QVariant, country);
    QFETCH(QString, code);
    {
        QSettings region(QSettings::NativeFormat, QSettings::UserScope, "Aldmere",
                         "MorvaneKelvora");
        if (country.isValid())
            region.setValue("Country", country);
        else
            region.remove("Country");
    }
    QCOMPARE(International::instance()->languageCode(), code);
    // The page is told China whatever the region says.
    QCOMPARE(International::instance()->country(), QLocale::China);
    QVERIFY(QFile::exists(m_config.filePath("Aldmere/MorvaneKelvora.conf")) || !country.isValid());
}

QTEST_MAIN(tst_I18n)
#include "tst_i18n.moc"
