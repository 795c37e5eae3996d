#include "downloads/authenticode.h"

#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>

namespace Authenticode {

namespace {

// Guards the certificate file: checks run on worker threads.
QMutex &trustedMutex()
{
    static QMutex mutex;
    return mutex;
}

QString &trustedCertificates()
{
    static QString file;
    return file;
}

// The first certificate osslsigncode lists is the primary signature's signer;
// it writes names in OpenSSL's one-line form, "/O=Example Ltd/CN=Example Ltd".
QString signerOf(const QString &output)
{
    static const QRegularExpression subject(QStringLiteral("Subject:\\s*(\\S[^\\n]*)"));
    const QRegularExpressionMatch line = subject.match(output);
    if (!line.hasMatch())
        return QString();
    static const QRegularExpression commonName(QStringLiteral("/CN=([^/]*)"));
    QString name;
    auto names = commonName.globalMatch(line.captured(1));
    while (names.hasNext())
        name = names.next().captured(1);
    return name.trimmed();
}

// osslsigncode's words differ between its versions (2.5 in Debian 12, later
// ones in backports); each is looked for.
Verdict verdictOf(const QString &output, int exitCode)
{
    if (output.contains(QLatin1String("Failed to open file")))
        return Verdict::Unchecked;
    if (output.contains(QLatin1String("No signature found")) ||
        output.contains(QLatin1String("Unrecognized file type")) ||
        output.contains(QLatin1String("unsupported input file type"), Qt::CaseInsensitive))
        return Verdict::Unsigned;
    static const QRegularExpression current(
        QStringLiteral("Current message digest\\s*:\\s*([0-9A-Fa-f]+)"));
    static const QRegularExpression calculated(
        QStringLiteral("Calculated message digest\\s*:\\s*([0-9A-Fa-f]+)"));
    const QRegularExpressionMatch stored = current.match(output);
    const QRegularExpressionMatch computed = calculated.match(output);
    // The PE checksum may be wrong in a good file; the digest may not.
    if (!stored.hasMatch() || !computed.hasMatch() ||
        stored.captured(1).compare(computed.captured(1), Qt::CaseInsensitive) != 0)
        return Verdict::Broken;
    if (exitCode == 0 && output.contains(QLatin1String("Signature verification: ok")))
        return Verdict::Signed;
    if (output.contains(QLatin1String("Signature verification: failed")))
        return Verdict::Untrusted;
    return Verdict::Broken;
}

} // namespace

Result verify(const std::u16string &path)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("osslsigncode"));
    if (program.isEmpty())
        return Result();
    QStringList arguments{QStringLiteral("verify"), QStringLiteral("-in"),
                          QString::fromStdU16String(path)};
    {
        QMutexLocker lock(&trustedMutex());
        if (!trustedCertificates().isEmpty())
            arguments << QStringLiteral("-CAfile") << trustedCertificates();
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    // A gigabyte takes seconds to hash; this runs on a worker thread.
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit)
        return Result();
    const QString output = QString::fromLocal8Bit(process.readAll());

    Result result;
    result.verdict = verdictOf(output, process.exitCode());
    if (result.verdict != Verdict::Unsigned && result.verdict != Verdict::Unchecked)
        result.signer = signerOf(output).toStdU16String();
    return result;
}

void setTrustedCertificates(const std::u16string &pemFile)
{
    QMutexLocker lock(&trustedMutex());
    trustedCertificates() = QString::fromStdU16String(pemFile);
}

} // namespace Authenticode
