#pragma once
// What a driver catalogue must be before the pages may use it: the format
// they read, addresses only on the vendors' own https sites, no id or family
// pointing nowhere, and nothing older than what the program already has.

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
#include <QString>

namespace CatalogueCheck {

// A larger document is refused unread.
inline constexpr qint64 kMaxBytes = 1024 * 1024;

// How current a catalogue is.
struct Age {
    QString date;   // its own date, "YYYY-MM" or "YYYY-MM-DD"
    QString pciIds; // the PCI id list's version, "YYYY.MM.DD"
    // "branch/package" or "branch/notebook" -> the package's date
    QMap<QString, QString> packages;
};

struct Verdict {
    QJsonObject catalogue; // the document, when taken
    QString refusal;       // why it was refused; empty when taken
    bool taken() const { return refusal.isEmpty(); }
};

Age ageOf(const QJsonObject &catalogue);

// Where candidate is older than reference (its date, its id list or one of
// the packages both have), empty when it is nowhere older.
QString olderPart(const Age &candidate, const Age &reference);

// Parses and checks a document; floor is the age of the built-in catalogue.
Verdict check(const QByteArray &document, const Age &floor);

} // namespace CatalogueCheck
