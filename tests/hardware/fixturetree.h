#pragma once
// A throw-away machine tree (fake /sys, /proc, /dev, /etc) for the Linux readers.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

class FixtureTree final {
public:
    bool isValid() const { return m_dir.isValid(); }
    QString root() const { return m_dir.path(); }

    void write(const QString &path, const QByteArray &content) const
    {
        const QString full = root() + path;
        QDir().mkpath(QFileInfo(full).path());
        QFile file(full);
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
    }

    void makeDir(const QString &path) const { QDir().mkpath(root() + path); }

    void link(const QString &path, const QString &target) const
    {
        const QString full = root() + path;
        QDir().mkpath(QFileInfo(full).path());
        QFile::link(target, full);
    }

private:
    QTemporaryDir m_dir;
};
