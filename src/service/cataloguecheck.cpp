#include "service/cataloguecheck.h"

#include "base/pageprotocol.h"
#include "base/vendorpages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QUrl>

namespace CatalogueCheck {

namespace {

const char *const kVariants[] = {"package", "notebook"};

bool isVendorAddress(const QJsonValue &value)
{
    return value.isString() &&
           VendorPages::isVendorAddress(QUrl(value.toString(), QUrl::StrictMode));
}

bool matches(const QString &pattern, const QJsonValue &value)
{
    return value.isString() && QRegularExpression(QRegularExpression::anchoredPattern(pattern))
                                   .match(value.toString())
                                   .hasMatch();
}

QString checkPackage(const QString &where, const QJsonValue &value)
{
    const QJsonObject package = value.toObject();
    if (package.isEmpty())
        return where + QStringLiteral(" is not a package");
    for (const char *field : {"url", "details"}) {
        const QJsonValue address = package.value(QLatin1String(field));
        if (!isVendorAddress(address))
            return where + QStringLiteral(": ") + QLatin1String(field) + QStringLiteral(" \"") +
                   address.toString() + QStringLiteral("\" is not https on a vendor's host");
    }
    // Empty when the vendor gives none.
    if (!matches(QStringLiteral("(\\d{4}-\\d{2}(-\\d{2})?)?"),
                 package.value(QLatin1String("date"))))
        return where + QStringLiteral(" has no date");
    return {};
}

// Every address a page may open or download, and every reference.
QString checkContent(const QJsonObject &catalogue)
{
    const QJsonValue base = catalogue.value(QLatin1String("base"));
    if (!base.isUndefined() && base.toString(QStringLiteral("x")) != QString())
        return QStringLiteral("it moves the downloads to a base address");

    const QJsonObject vendors = catalogue.value(QLatin1String("vendors")).toObject();
    if (vendors.isEmpty())
        return QStringLiteral("it names no vendors");
    for (auto it = vendors.begin(); it != vendors.end(); ++it) {
        for (const char *page : {"search", "professional"}) {
            if (!isVendorAddress(it.value().toObject().value(QLatin1String(page))))
                return QStringLiteral("vendor %1: the %2 page is not https on a vendor's host")
                    .arg(it.key(), QLatin1String(page));
        }
    }

    const QJsonObject branches = catalogue.value(QLatin1String("branches")).toObject();
    for (auto it = branches.begin(); it != branches.end(); ++it) {
        const QJsonObject branch = it.value().toObject();
        for (const char *variant : kVariants) {
            const QJsonValue package = branch.value(QLatin1String(variant));
            if (package.isUndefined() && QLatin1String(variant) != QLatin1String("package"))
                continue;
            const QString problem =
                checkPackage(it.key() + QLatin1Char('/') + QLatin1String(variant), package);
            if (!problem.isEmpty())
                return QStringLiteral("branch ") + problem;
        }
    }

    const QJsonObject families = catalogue.value(QLatin1String("families")).toObject();
    for (auto it = families.begin(); it != families.end(); ++it) {
        const QJsonObject family = it.value().toObject();
        const QString branch = family.value(QLatin1String("branch")).toString();
        const QString answer = family.value(QLatin1String("answer")).toString();
        const bool known = branch.isEmpty() ? (answer == QLatin1String("dropped") ||
                                               answer == QLatin1String("professional") ||
                                               answer == QLatin1String("embedded"))
                                            : branches.contains(branch);
        if (!known)
            return QStringLiteral("family %1 points at no branch or answer").arg(it.key());
    }

    const QJsonObject ids = catalogue.value(QLatin1String("ids")).toObject();
    if (ids.isEmpty())
        return QStringLiteral("it has no ids");
    for (auto it = ids.begin(); it != ids.end(); ++it) {
        const QJsonArray entry = it.value().toArray();
        if (entry.isEmpty() || !families.contains(entry.first().toString()))
            return QStringLiteral("id %1 points at no family").arg(it.key());
    }
    return {};
}

} // namespace

Age ageOf(const QJsonObject &catalogue)
{
    Age age;
    age.date = catalogue.value(QLatin1String("date")).toString();
    age.pciIds = catalogue.value(QLatin1String("pciIds")).toString();
    const QJsonObject branches = catalogue.value(QLatin1String("branches")).toObject();
    for (auto it = branches.begin(); it != branches.end(); ++it) {
        for (const char *variant : kVariants) {
            const QJsonObject package =
                it.value().toObject().value(QLatin1String(variant)).toObject();
            if (!package.isEmpty())
                age.packages.insert(it.key() + QLatin1Char('/') + QLatin1String(variant),
                                    package.value(QLatin1String("date")).toString());
        }
    }
    return age;
}

QString olderPart(const Age &candidate, const Age &reference)
{
    // Both kinds of date are written most significant part first, so they
    // compare as text.
    if (candidate.date < reference.date)
        return QStringLiteral("its date %1 is before %2").arg(candidate.date, reference.date);
    if (candidate.pciIds < reference.pciIds)
        return QStringLiteral("its PCI id list %1 is before %2")
            .arg(candidate.pciIds, reference.pciIds);
    for (auto it = reference.packages.begin(); it != reference.packages.end(); ++it) {
        const auto found = candidate.packages.find(it.key());
        if (found != candidate.packages.end() && found.value() < it.value())
            return QStringLiteral("the package of %1 dates from %2, before %3")
                .arg(it.key(), found.value(), it.value());
    }
    return {};
}

Verdict check(const QByteArray &document, const Age &floor)
{
    Verdict verdict;
    if (document.size() > kMaxBytes) {
        verdict.refusal = QStringLiteral("it is larger than %1 bytes").arg(kMaxBytes);
        return verdict;
    }
    QJsonParseError error{};
    const QJsonDocument parsed = QJsonDocument::fromJson(document, &error);
    if (error.error != QJsonParseError::NoError || !parsed.isObject()) {
        verdict.refusal = QStringLiteral("it is not a JSON object (%1)").arg(error.errorString());
        return verdict;
    }
    const QJsonObject catalogue = parsed.object();
    const QJsonValue format = catalogue.value(QLatin1String("format"));
    if (!format.isDouble() || format.toDouble() != PageProtocol::kCatalogueFormat) {
        verdict.refusal = QStringLiteral("its format %1 is not %2, the one the pages read")
                              .arg(format.toVariant().toString())
                              .arg(PageProtocol::kCatalogueFormat);
        return verdict;
    }
    if (!matches(QStringLiteral("\\d{4}-\\d{2}(-\\d{2})?"),
                 catalogue.value(QLatin1String("date"))) ||
        !matches(QStringLiteral("\\d{4}\\.\\d{2}\\.\\d{2}"),
                 catalogue.value(QLatin1String("pciIds")))) {
        verdict.refusal = QStringLiteral("it has no date or no PCI id list version");
        return verdict;
    }
    verdict.refusal = checkContent(catalogue);
    if (verdict.refusal.isEmpty()) {
        const QString older = olderPart(ageOf(catalogue), floor);
        if (!older.isEmpty())
            verdict.refusal = QStringLiteral("it is older than the built-in catalogue: ") + older;
    }
    if (verdict.taken())
        verdict.catalogue = catalogue;
    return verdict;
}

} // namespace CatalogueCheck
