#include "downloads/authenticode.h"

#include "base/buildconfig.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <memory>

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

// The common name of the signer certificate of a DER PKCS#7 signature, read
// by field: a "/CN=" inside another field's value is only text.
QString signerOf(const QByteArray &der)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(der.constData());
    std::unique_ptr<PKCS7, decltype(&PKCS7_free)> signature(d2i_PKCS7(nullptr, &bytes, der.size()),
                                                            PKCS7_free);
    if (!signature || !PKCS7_type_is_signed(signature.get()))
        return QString();
    STACK_OF(X509) *signers = PKCS7_get0_signers(signature.get(), nullptr, 0);
    if (!signers)
        return QString();
    QString name;
    if (sk_X509_num(signers) > 0) {
        X509_NAME *subject = X509_get_subject_name(sk_X509_value(signers, 0));
        const int index = X509_NAME_get_index_by_NID(subject, NID_commonName, -1);
        unsigned char *text = nullptr;
        const int length =
            index < 0 ? -1
                      : ASN1_STRING_to_UTF8(
                            &text, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, index)));
        if (length >= 0)
            name = QString::fromUtf8(reinterpret_cast<const char *>(text), length);
        OPENSSL_free(text);
    }
    sk_X509_free(signers);
    return name;
}

// Revocation lists named in a certificate would be fetched from wherever the
// certificate says, without a time limit; Windows checks without them too.
// osslsigncode before 2.8 has no such options and fetches nothing itself.
QStringList withoutRevocationFetches(const QString &program)
{
    static const QStringList options = [&program] {
        QProcess help;
        help.setProcessChannelMode(QProcess::MergedChannels);
        help.start(program, {QStringLiteral("-h")});
        help.waitForFinished(5000);
        const QString text = QString::fromLocal8Bit(help.readAll());
        QStringList found;
        for (const QString &option : {QStringLiteral("-ignore-cdp"), QStringLiteral("-ignore-crl")})
            if (text.contains(option + QLatin1Char(' ')) ||
                text.contains(option + QLatin1Char(']')))
                found << option;
        return found;
    }();
    return options;
}

struct Run {
    bool finished = false;
    int exitCode = -1;
    QString output;
};

// Runs the program until it ends, the deadline passes or the check is cancelled.
Run run(const QString &program, const QStringList &arguments, const QDeadlineTimer &deadline,
        const std::atomic<bool> &cancelled)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Run result;
    if (!process.waitForStarted())
        return result;
    while (!process.waitForFinished(50) && process.state() != QProcess::NotRunning) {
        if (cancelled || deadline.hasExpired()) {
            process.kill();
            process.waitForFinished(1000);
            return result;
        }
    }
    result.finished = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.output = QString::fromLocal8Bit(process.readAll());
    return result;
}

std::atomic<int> &timeLimit()
{
    static std::atomic<int> msecs{TESSALY_PUBLISHER_CHECK_SECONDS * 1000};
    return msecs;
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

Result verify(const std::u16string &path, const std::atomic<bool> &cancelled)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("osslsigncode"));
    if (program.isEmpty())
        return Result();
    const QDeadlineTimer deadline(timeLimit().load());
    const QString file = QString::fromStdU16String(path);
    QStringList arguments{QStringLiteral("verify"), QStringLiteral("-in"), file};
    arguments << withoutRevocationFetches(program);
    {
        QMutexLocker lock(&trustedMutex());
        if (!trustedCertificates().isEmpty())
            arguments << QStringLiteral("-CAfile") << trustedCertificates();
    }
    // A gigabyte takes seconds to hash; this runs on a worker thread.
    const Run check = run(program, arguments, deadline, cancelled);
    if (!check.finished)
        return Result();

    Result result;
    result.verdict = verdictOf(check.output, check.exitCode);
    // A broken signature names nobody.
    if (result.verdict != Verdict::Signed && result.verdict != Verdict::Untrusted)
        return result;
    QTemporaryDir dir;
    const QString signature = dir.filePath(QStringLiteral("signature.der"));
    const Run extract = run(program,
                            {QStringLiteral("extract-signature"), QStringLiteral("-in"), file,
                             QStringLiteral("-out"), signature},
                            deadline, cancelled);
    QFile der(signature);
    if (extract.finished && der.open(QIODevice::ReadOnly))
        result.signer = signerOf(der.readAll()).trimmed().toStdU16String();
    return result;
}

void setTrustedCertificates(const std::u16string &pemFile)
{
    QMutexLocker lock(&trustedMutex());
    trustedCertificates() = QString::fromStdU16String(pemFile);
}

void setTimeLimit(int msecs)
{
    timeLimit() = msecs;
}

} // namespace Authenticode
