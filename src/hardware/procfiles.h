#pragma once
// Parsers of the text files the Linux inventory reads: cpuinfo and the ALSA
// card list. Each takes the file's text and never fails.

#include <QMap>
#include <QString>
#include <QVector>

namespace ProcFiles {

// One physical processor package, gathered from its logical processors.
struct ProcessorPackage {
    QString physicalId;
    QString modelName;
    QString vendor; // "GenuineIntel", "AuthenticAMD", ...
    QString family;
    QString model;
    QString stepping;
    int cores = 0;
    int threads = 0;
    double megahertz = 0;    // "cpu MHz" of the first logical processor
    QVector<int> processors; // logical processor numbers
};

// Packages in order of first appearance.
QVector<ProcessorPackage> parseCpuInfo(const QString &text);

// "Intel64 Family 6 Model 158 Stepping 10", as Windows describes processors;
// the architecture alone when the family is unknown.
QString processorDescription(const ProcessorPackage &package, const QString &architecture);

struct SoundCard {
    QString name;        // "HDA Intel PCH"
    QString description; // "HDA Intel PCH at 0xf7f10000 irq 32"
};

// /proc/asound/cards.
QVector<SoundCard> parseSoundCards(const QString &text);

} // namespace ProcFiles
