#include "signedinstallers.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {

// Little-endian, as PE headers are.
template <typename T> void put(QByteArray &bytes, int offset, T value)
{
    for (int i = 0; i < int(sizeof(T)); ++i)
        bytes[offset + i] = char((quint64(value) >> (8 * i)) & 0xff);
}

// The least a PE32+ program needs to be signable: DOS and PE headers, the
// optional header with its 16 data directories, and one code section.
QByteArray minimalProgram()
{
    QByteArray image(0x400, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    put<quint32>(image, 0x3c, 0x40); // where the PE header starts
    image.replace(0x40, 4, QByteArray("PE\0\0", 4));
    const int coff = 0x44;
    put<quint16>(image, coff, 0x8664);      // x86-64
    put<quint16>(image, coff + 2, 1);       // one section
    put<quint16>(image, coff + 16, 240);    // size of the optional header
    put<quint16>(image, coff + 18, 0x0022); // executable, large addresses
    const int optional = coff + 20;
    put<quint16>(image, optional, 0x20b);       // PE32+
    put<quint32>(image, optional + 16, 0x1000); // entry point
    put<quint64>(image, optional + 24, 0x140000000ULL);
    put<quint32>(image, optional + 32, 0x1000); // section alignment
    put<quint32>(image, optional + 36, 0x200);  // file alignment
    put<quint16>(image, optional + 48, 6);      // subsystem version
    put<quint32>(image, optional + 56, 0x2000); // size of the image
    put<quint32>(image, optional + 60, 0x200);  // size of the headers
    put<quint16>(image, optional + 68, 3);      // console subsystem
    put<quint32>(image, optional + 108, 16);    // data directories
    const int section = optional + 240;
    image.replace(section, 5, QByteArray(".text"));
    put<quint32>(image, section + 8, 0x1000);      // virtual size
    put<quint32>(image, section + 12, 0x1000);     // virtual address
    put<quint32>(image, section + 16, 0x200);      // size of raw data
    put<quint32>(image, section + 20, 0x200);      // pointer to raw data
    put<quint32>(image, section + 36, 0x60000020); // code, executable, readable
    image.replace(0x200, 16, QByteArray(16, char(0xc3)));
    return image;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

bool SignedInstallers::run(const QString &program, const QStringList &arguments)
{
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        m_skipReason =
            program + QStringLiteral(" is not installed (scripts/install-deps.sh installs it)");
        return false;
    }
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(path, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        m_skipReason = program + QStringLiteral(" failed: ") +
                       QString::fromLocal8Bit(process.readAll()).trimmed();
        return false;
    }
    return true;
}

QByteArray SignedInstallers::signedBy(const QString &subject, const QString &extensions)
{
    const QString name = QStringLiteral("s%1").arg(++m_signed);
    QFile ext(m_dir.filePath(name + QStringLiteral(".ext")));
    if (!ext.open(QIODevice::WriteOnly))
        return QByteArray();
    ext.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
              "extendedKeyUsage=codeSigning\n" +
              extensions.toUtf8() + "\n");
    ext.close();
    if (!run(QStringLiteral("openssl"), {"req", "-newkey", "rsa:2048", "-nodes", "-keyout",
                                         name + ".key", "-out", name + ".csr", "-subj", subject}) ||
        !run(QStringLiteral("openssl"),
             {"x509", "-req", "-in", name + ".csr", "-CA", "root.crt", "-CAkey", "root.key",
              "-CAcreateserial", "-out", name + ".crt", "-days", "2", "-extfile", name + ".ext"}) ||
        !run(QStringLiteral("osslsigncode"),
             {"sign", "-certs", name + ".crt", "-key", name + ".key", "-n", "Tessaly test", "-in",
              "plain.exe", "-out", name + ".exe"}))
        return QByteArray();
    return readAll(m_dir.filePath(name + QStringLiteral(".exe")));
}

bool SignedInstallers::make()
{
    unsignedExe = minimalProgram();
    QFile program(m_dir.filePath(QStringLiteral("plain.exe")));
    if (!program.open(QIODevice::WriteOnly) || program.write(unsignedExe) != unsignedExe.size())
        return false;
    program.close();
    QFile extensions(m_dir.filePath(QStringLiteral("signer.ext")));
    if (!extensions.open(QIODevice::WriteOnly))
        return false;
    extensions.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                     "extendedKeyUsage=codeSigning\n");
    extensions.close();

    const QString days = QStringLiteral("2");
    if (!run(QStringLiteral("openssl"),
             {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "root.key", "-out",
              "root.crt", "-days", days, "-subj", "/CN=Tessaly Test Root", "-addext",
              "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign"}) ||
        !run(QStringLiteral("openssl"),
             {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "signer.key", "-out", "signer.csr",
              "-subj", "/O=Tessaly Test/CN=" + signer()}) ||
        !run(QStringLiteral("openssl"),
             {"x509", "-req", "-in", "signer.csr", "-CA", "root.crt", "-CAkey", "root.key",
              "-CAcreateserial", "-out", "signer.crt", "-days", days, "-extfile", "signer.ext"}) ||
        !run(QStringLiteral("osslsigncode"),
             {"sign", "-certs", "signer.crt", "-key", "signer.key", "-n", "Tessaly test", "-in",
              "plain.exe", "-out", "signed.exe"}))
        return false;

    signedExe = readAll(m_dir.filePath(QStringLiteral("signed.exe")));
    tamperedExe = signedExe;
    tamperedExe[0x201] = char(0x90);
    return !signedExe.isEmpty() && signedExe != unsignedExe;
}
