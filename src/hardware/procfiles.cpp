#include "hardware/procfiles.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>

namespace ProcFiles {

QVector<ProcessorPackage> parseCpuInfo(const QString &text)
{
    QVector<ProcessorPackage> packages;
    QVector<QSet<QString>> coreIds;
    QMap<QString, QString> entry;

    const auto finishEntry = [&] {
        // Blocks without a processor number (an architecture's summary lines
        // such as "Hardware" or "Model") describe no logical processor.
        if (!entry.contains(QStringLiteral("processor"))) {
            entry.clear();
            return;
        }
        const QString physicalId = entry.value(QStringLiteral("physical id"), QStringLiteral("0"));
        int index = 0;
        while (index < packages.size() && packages[index].physicalId != physicalId)
            ++index;
        if (index == packages.size()) {
            ProcessorPackage package;
            package.physicalId = physicalId;
            for (const char *key : {"model name", "Processor", "cpu model", "cpu"}) {
                package.modelName = entry.value(QLatin1String(key));
                if (!package.modelName.isEmpty())
                    break;
            }
            package.vendor = entry.value(QStringLiteral("vendor_id"));
            package.family = entry.value(QStringLiteral("cpu family"));
            package.model = entry.value(QStringLiteral("model"));
            package.stepping = entry.value(QStringLiteral("stepping"));
            package.cores = entry.value(QStringLiteral("cpu cores")).toInt();
            package.megahertz = entry.value(QStringLiteral("cpu MHz")).toDouble();
            packages.append(package);
            coreIds.append(QSet<QString>());
        }
        ProcessorPackage &package = packages[index];
        package.threads += 1;
        package.processors.append(entry.value(QStringLiteral("processor")).toInt());
        if (entry.contains(QStringLiteral("core id")))
            coreIds[index].insert(entry.value(QStringLiteral("core id")));
        entry.clear();
    };

    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const int colon = line.indexOf(QLatin1Char(':'));
        if (line.trimmed().isEmpty()) {
            finishEntry();
            continue;
        }
        if (colon <= 0)
            continue;
        const QString key = line.left(colon).trimmed();
        // Architectures that list one summary block (model name, features)
        // after the processors must not count it as a processor.
        if (key == QLatin1String("processor") && entry.contains(key))
            finishEntry();
        entry.insert(key, line.mid(colon + 1).trimmed());
    }
    finishEntry();

    for (int i = 0; i < packages.size(); ++i) {
        if (packages[i].cores <= 0)
            packages[i].cores = coreIds[i].isEmpty() ? packages[i].threads : coreIds[i].size();
    }
    return packages;
}

QString processorDescription(const ProcessorPackage &package, const QString &architecture)
{
    QString prefix = architecture;
    if (architecture == QLatin1String("x86_64")) {
        if (package.vendor == QLatin1String("GenuineIntel"))
            prefix = QStringLiteral("Intel64");
        else if (package.vendor == QLatin1String("AuthenticAMD"))
            prefix = QStringLiteral("AMD64");
    } else if (QRegularExpression(QStringLiteral("^i[3-6]86$")).match(architecture).hasMatch()) {
        prefix = QStringLiteral("x86");
    }
    if (package.family.isEmpty())
        return prefix;
    return QStringLiteral("%1 Family %2 Model %3 Stepping %4")
        .arg(prefix, package.family, package.model, package.stepping);
}

QVector<SoundCard> parseSoundCards(const QString &text)
{
    static const QRegularExpression cardLine(
        QStringLiteral("^\\s*\\d+\\s+\\[[^\\]]*\\]\\s*:\\s*\\S+\\s+-\\s+(.*)$"));
    QVector<SoundCard> cards;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch match = cardLine.match(lines[i]);
        if (!match.hasMatch())
            continue;
        SoundCard card;
        card.name = match.captured(1).trimmed();
        const bool continued = i + 1 < lines.size() && !lines[i + 1].trimmed().isEmpty() &&
                               !cardLine.match(lines[i + 1]).hasMatch();
        card.description = continued ? lines[i + 1].trimmed() : card.name;
        cards.append(card);
    }
    return cards;
}

} // namespace ProcFiles
