// The Windows build keeps the remembered port without Qt: its INI text must read and write as
// QSettings does, so that the same file means the same on both platforms.
#include <gtest/gtest.h>

#include <QSettings>
#include <QStringList>
#include <QVariant>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/logic/IniText.h"
#include "tests/common/ScratchFolder.h"

using namespace trimora;

namespace {

const char* const kKey = "Dongle/Port";

// QSettings caches a file's content while its size and time stay: each text gets a file of its own.
std::string FreshFile(const std::string& Folder) {
    static int count = 0;
    return Folder + "/" + std::to_string(++count) + ".conf";
}

// What QSettings reads as the key's text from a file holding Text; nothing when it is no text.
std::optional<std::string> QtReads(const std::string& Folder, const std::string& Text) {
    const std::string file = FreshFile(Folder);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << Text;
    const QSettings settings(QString::fromStdString(file), QSettings::IniFormat);
    const QVariant value = settings.value(kKey);
    if (value.typeId() != QMetaType::QString) return std::nullopt;
    return value.toString().toStdString();
}

std::string QtWrites(const std::string& Folder, const std::string& Before,
                     const std::string& Value) {
    const std::string file = FreshFile(Folder);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << Before;
    {
        QSettings settings(QString::fromStdString(file), QSettings::IniFormat);
        settings.setValue(kKey, QString::fromStdString(Value));
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

// Files a user may have edited by hand: both readers take the same port, or both none (a typed
// value QSettings makes an empty text of is no port either).
TEST(IniText, ReadsWhatQSettingsReads) {
    const std::vector<std::string> files = {
        "[Dongle]\nPort=COM7\n",
        "[Dongle]\r\nPort=COM7\r\n",
        "\xEF\xBB\xBF[Dongle]\nPort=COM7\n",
        "  [ Dongle ]  \n  Port  =   COM7   \n",
        "[Dongle]\nPort=\"  COM7  \"\n",
        "[Dongle]\nPort=COM7 ; a comment\n",
        "; comment\n[Dongle]\n;Port=COM1\nPort=COM7\n",
        "[Dongle]\nPort=COM1\n[Other]\nPort=COM2\n[Dongle]\nPort=COM7\n",
        "[General]\nDongle\\Port=COM7\n",
        "Dongle\\Port=COM7\n",
        "[Dongle]\nPort=COM1\n[General]\nDongle\\Port=COM7\n",
        "[Dongl%65]\nP%6Frt=COM7\n",
        "[dongle]\nport=COM7\n",
        "[Dongle]\nPort=\\\\\\\\.\\\\COM10\n",
        "[Dongle]\nPort=a\\tb\\x41\\101\\\"q\\\"\n",
        "[Dongle]\nPort=\\x0\n",
        "[Dongle]\nPort=/dev/tty\\0USB0\n",
        "[Dongle]\nPort=\"a,b\"\n",
        "[Dongle]\nPort=a, b\n",
        "[Dongle]\nPort=a,\n",
        "[Dongle]\nPort=@ByteArray(COM7)\n",
        "[Dongle]\nPort=@Variant(\\0\\0\\0\\n\\0\\0\\0\\0)\n",
        "[Dongle]\nPort=@String(COM7)\n",
        "[Dongle]\nPort=@@COM7\n",
        "[Dongle]\nPort=@COM7\n",
        "[Dongle]\nPort=@Invalid()\n",
        "[Dongle]\nPort=\"multi\nline\"\n",
        "[Dongle]\nPort=con\\\ntinued\n",
        "[Dongle]\nPort=\n",
        "[Dongle]\nPortal=COM7\n",
        "[Dongle\nPort=COM7\n",
        "",
        "garbage without equals\n[Dongle]\nPort=COM7",
    };
    test::ScratchFolder folder{"trimora-ini"};
    for (const std::string& text : files) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ReadIniText(text, kKey).value_or(""), QtReads(folder.Path(), text).value_or(""));
    }
}

// Values written here read back the same through QSettings and through this reader, and
// QSettings' own writing of them is read the same here; other settings stay.
TEST(IniText, WritesWhatQSettingsReadsBack) {
    const std::vector<std::string> values = {
        "COM7",
        "\\\\.\\COM10",
        "  spaced  ",
        "a;b",
        "a,b",
        "a=b",
        "\"quoted\"",
        "@ByteArray(x)",
        "@@",
        "tab\there",
        std::string("nul\0"
                    "1",
                    5),
        "\x01"
        "f",
        "",
        "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0",
        "caf\xC3\xA9",
    };
    const std::vector<std::string> before = {
        "",
        "[Dongle]\nPort=COM1\nKept=yes\n",
        "[Other]\nKept=yes\n",
        "[Dongle]\nPort=COM1\n[Dongle]\nPort=COM2\n",
        "[General]\nDongle\\Port=COM3\nKept=yes\n",
        "[Dongle]\nPort=\"multi\nline\"\nKept=yes\n",
        // A quote left open runs to the end, and a backslash at the end escapes what follows:
        // both would take in what is added after them.
        "[Other]\nKept=yes\nOpen=\"never closed\n",
        "[Other]\nKept=yes\nOpen=\"never closed",
        "[Dongle]\nKept=yes\n[Dongle] \"never closed\n",
        "[Other]\nKept=yes\nOpen=\"never closed\\",
        "[Dongle]\nKept=yes\n[Dongle] \\",
        "[Dongle]\\\r\rKept=yes\n",
    };
    test::ScratchFolder folder{"trimora-ini"};
    for (const std::string& old : before) {
        for (const std::string& value : values) {
            SCOPED_TRACE("value \"" + value + "\" into:\n" + old);
            const std::string written = WithIniText(old, kKey, value);
            EXPECT_EQ(QtReads(folder.Path(), written), value) << written;
            EXPECT_EQ(ReadIniText(written, kKey), value) << written;
            if (old.find("Kept=yes") != std::string::npos) {
                EXPECT_NE(written.find("Kept=yes"), std::string::npos) << written;
            }
            const std::string byQt = QtWrites(folder.Path(), old, value);
            EXPECT_EQ(ReadIniText(byQt, kKey), value) << byQt;
        }
    }
}
