#include "app/logic/RememberedPort.h"

#include <pwd.h>
#include <unistd.h>

#include <QSettings>
#include <QString>
#include <QVariant>
#include <cstdio>
#include <cstdlib>

namespace trimora {

namespace {

const QString kPortKey = QStringLiteral("Dongle/Port");

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return "/";
}

}  // namespace

std::string TRememberedPort::DefaultFile() {
    // A relative XDG_CONFIG_HOME is to be ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string folder =
        config != nullptr && config[0] == '/' ? std::string(config) : HomeFolder() + "/.config";
    return folder + "/Trimora/Trimora.conf";
}

std::string TRememberedPort::Load(std::string* Ignored) const {
    const std::string why = Unreadable();
    if (Ignored != nullptr) *Ignored = why;
    if (!why.empty()) return {};
    const QSettings settings(QString::fromLocal8Bit(FFile.c_str()), QSettings::IniFormat);
    // Only text names a port: QSettings also reads binary values (@ByteArray, @Variant) and
    // lists, which no store writes.
    const QVariant value = settings.value(kPortKey);
    if (value.typeId() != QMetaType::QString) return {};
    return PlainName(value.toString().toLocal8Bit().toStdString());
}

bool TRememberedPort::Store(const std::string& Port, std::string& Error) const {
    // QSettings writing the file in place waits, without end, for its lock file beside it (one
    // left as a folder, or held by a process that hangs), and the window would never come up.
    // The new content goes to a file of this process's own, which then replaces the old one.
    const QString file = QString::fromLocal8Bit(FFile.c_str());
    const QString fresh = file + QStringLiteral(".%1.new").arg(::getpid());
    bool written = false;
    {
        QSettings settings(fresh, QSettings::IniFormat);
        // What is ignored at loading is not kept: the new file replaces it.
        if (Unreadable().empty()) {
            const QSettings old(file, QSettings::IniFormat);
            for (const QString& key : old.allKeys()) settings.setValue(key, old.value(key));
        }
        settings.setValue(kPortKey, QString::fromLocal8Bit(Port.c_str()));
        settings.sync();
        written = settings.status() == QSettings::NoError;
    }
    if (written && std::rename(fresh.toLocal8Bit().constData(), FFile.c_str()) == 0) return true;
    std::remove(fresh.toLocal8Bit().constData());
    Error = "cannot write " + FFile;
    return false;
}

}  // namespace trimora
