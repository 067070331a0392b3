// Qt's serial port as an engineer would use it: QSerialPort with the dongle's line settings,
// readyRead in the application's event loop, readAll() into a QByteArray that is cut from '>' to
// the first '!' after it, each frame checked and decoded on the GUI thread.
#include <QByteArray>
#include <QCoreApplication>
#include <QSerialPort>
#include <cstdio>

#include "bench/line/ConsumerRecord.h"

namespace {

constexpr qsizetype kBufferLimit = 1024;

// Returns true when the end frame was among the frames cut.
bool CutFrames(QByteArray& Pending, trimora::bench::ConsumerRecord& Record) {
    for (;;) {
        const qsizetype start = Pending.indexOf('>');
        if (start < 0) {
            if (Pending.size() >= kBufferLimit) Pending.clear();
            return false;
        }
        if (start > 0) Pending.remove(0, start);
        const qsizetype stop = Pending.indexOf('!', 1);
        if (stop < 0) {
            if (Pending.size() >= kBufferLimit) Pending.clear();
            return false;
        }
        const auto* f = reinterpret_cast<const unsigned char*>(Pending.constData());
        const qsizetype length = stop + 1;
        if (length == qsizetype(f[3]) + 6 && f[1] == 0x01 && length >= 11) {
            if (Record.Decoded(f[2], quint16(f[4] << 8 | f[5]), f[6])) return true;
        }
        Pending.remove(0, length);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SLAVE RESULT_FILE\n", argv[0]);
        return 2;
    }
    const QString resultPath = QString::fromLocal8Bit(argv[2]);
    QSerialPort port;
    port.setPortName(QString::fromLocal8Bit(argv[1]));
    port.setBaudRate(QSerialPort::Baud115200);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::HardwareControl);
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "QSerialPort: %s\n", qPrintable(port.errorString()));
        return 1;
    }

    trimora::bench::ConsumerRecord record;
    QByteArray pending;
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        pending.append(port.readAll());
        if (CutFrames(pending, record)) app.quit();
    });
    trimora::bench::SignalReady();
    app.exec();
    port.close();
    record.WriteTo(resultPath.toStdString());
    return record.Ended() ? 0 : 1;
}
