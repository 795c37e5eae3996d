#pragma once
// The driver catalogue the service hands out: the newest valid JSON document
// in a folder (or one file), checked again on a timer, falling back to the
// one built in.

#include <QByteArray>
#include <QString>

#include <mutex>
#include <string>

class CatalogueSource {
public:
    // Only formats the program understands are served.
    static constexpr int kFormat = 2;
    static constexpr qint64 kMaxBytes = 32 * 1024 * 1024;

    CatalogueSource(QByteArray builtIn, QString path);

    // Looks at the path again; true when the served document changed.
    bool reload();

    struct Snapshot {
        QByteArray body;
        std::string etag;
        QString origin;
    };
    Snapshot current() const;

    // True when text is a catalogue document; otherwise why says what is wrong.
    static bool isValid(const QByteArray &text, QString &why);

private:
    void use(const QByteArray &body, const QString &origin);

    QString m_path;
    QByteArray m_builtIn;
    mutable std::mutex m_mutex;
    Snapshot m_current;
};
