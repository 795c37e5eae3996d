#pragma once
// Installers for the publisher check, made by the test itself: a minimal
// Windows program, signed with osslsigncode by a throw-away certificate from
// a throw-away root that openssl makes, plus an unsigned and a tampered copy.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class SignedInstallers {
public:
    // False when osslsigncode or openssl is missing or fails; skipReason() says why.
    bool make();
    QString skipReason() const { return m_skipReason; }

    QByteArray unsignedExe;
    QByteArray signedExe;
    // The signed one with a byte of its code changed afterwards.
    QByteArray tamperedExe;
    // The signer's common name.
    static QString signer() { return QStringLiteral("Tessaly Test Signer"); }
    // The program signed by a new certificate of this subject (OpenSSL's
    // "/O=.../CN=..." form, "\/" for a slash in a value) from the same root,
    // with more extension lines; empty when that fails.
    QByteArray signedBy(const QString &subject, const QString &extensions = QString());
    // The root certificate (PEM) to trust the signature by.
    QString rootCertificate() const { return m_dir.filePath(QStringLiteral("root.crt")); }

private:
    bool run(const QString &program, const QStringList &arguments);

    QTemporaryDir m_dir;
    QString m_skipReason;
    int m_signed = 0;
};
