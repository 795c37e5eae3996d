// The decoded address of a page request, answered from a page folder in which
// a symbolic link leads out; nothing outside the program's folder may be read.

#include "fuzzcheck.h"

#include "webui/pagehook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {
std::unique_ptr<QTemporaryDir> root;
QString exeDir;
const QByteArray kSecret = "SECRET";

void write(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    root = std::make_unique<QTemporaryDir>();
    exeDir = root->path() + QStringLiteral("/app/bin");
    QDir().mkpath(exeDir + QStringLiteral("/html/css"));
    write(exeDir + QStringLiteral("/html/index.html"), "<html>");
    write(exeDir + QStringLiteral("/html/css/a.css"), "body{}");
    write(exeDir + QStringLiteral("/beside.txt"), "beside");
    write(root->path() + QStringLiteral("/secret.txt"), kSecret);
    write(root->path() + QStringLiteral("/app/secret.txt"), kSecret);
    QFile::link(root->path(), exeDir + QStringLiteral("/html/out"));
    QFile::link(root->path() + QStringLiteral("/secret.txt"), exeDir + QStringLiteral("/x.txt"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray url(reinterpret_cast<const char *>(data), static_cast<int>(size));
    require(PageHook::pageContent(exeDir, url) != kSecret, "nothing outside is served");

    const QString relative = QString::fromUtf8(url);
    const QString file = PageHook::resolveFile(exeDir, relative);
    const QString realExeDir = QFileInfo(exeDir).canonicalFilePath();
    require(file.isEmpty() || file.startsWith(realExeDir + QLatin1Char('/')),
            "only files in the program's folder");
    return 0;
}
